// The Exif orientation of a JPEG file and the transformation that turns the
// picture upright.
//
// Cameras store many photographs sideways with an Exif "Orientation" value
// (1 to 8) that says how to turn them. The reader walks the file's sections up
// to the compressed data, finds the Exif section and reads the first
// orientation tag of its directories; everything else is read past. Each
// directory is read once however the directories link, the entries read are
// capped, and the walk stops once the orientation is found, so no file makes
// it walk for long. Any failure (no JPEG, damaged sections, an odd Exif
// header) gives no orientation and a short message on standard error (one
// for each kind of broken link, none for broken entries of other tags),
// never an exception.
//
// The general image loader calls applyJpegOrientation for every file it reads;
// it must read with Qt's own automatic orientation off, so that nothing turns
// twice.
#ifndef APP_FILES_JPEG_ORIENTATION_H
#define APP_FILES_JPEG_ORIENTATION_H

#include <QImage>
#include <QMatrix>
#include <QString>

// The file's Exif orientation, 1 to 8; 0 when it has none or is no JPEG.
int jpegOrientation(const QString& fileName);

// The transformation for an Exif orientation value; the identity for 0, 1 and
// any other value.
QMatrix orientationMatrix(int orientation);

// The transformation that turns the file's picture upright: the identity when
// the file yields no orientation.
QMatrix jpegOrientationMatrix(const QString& fileName);

// Turns `image` by an Exif orientation value: pixel for pixel what
// QImage::transformed gives with orientationMatrix(orientation), but without
// painting, and mirrors in place.
void applyOrientation(QImage& image, int orientation);

// Turns `image` by the file's orientation; leaves it as it is when the file
// yields none.
void applyJpegOrientation(const QString& fileName, QImage& image);

#endif
