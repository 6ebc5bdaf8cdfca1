// Reading a picture of any format Qt reads, after checking what its data
// announce: File Open's general stage, a local file or image data dropped on
// the canvas, a downloaded picture and the pictures inside a project all read
// this one way.
//
// Before anything is decoded: the reader must know the picture's size, the
// size must be within the pixel limit (files/image_limits.h), and for the
// formats whose decoders invent what is missing (PNG, JPEG, uncompressed BMP)
// the data must be able to hold that many pixels and must not end before the
// picture does. The picture is then decoded into an image cleared
// beforehand, so that rows a decoder leaves out are black, never what the
// memory held before.
//
// Qt's own automatic orientation is off: the callers that turn pictures by
// their JPEG orientation do so themselves (files/upright_image.h).
#ifndef APP_FILES_CHECKED_IMAGE_H
#define APP_FILES_CHECKED_IMAGE_H

#include <QByteArray>
#include <QImage>
#include <QString>

namespace checked_image {

// Reads `fileName` (format from its name or its content). False, with
// `error` set for the log, when it cannot be read or fails a check; throws
// std::bad_alloc when a picture within the limit finds no memory.
bool readFile(const QString& fileName, QImage* image, QString* error = nullptr);

// Reads `bytes` in `format` ("png", "jpeg", ...), or in the format Qt
// recognises in them when `format` is empty. As readFile otherwise.
bool readData(const QByteArray& bytes, const QByteArray& format, QImage* image,
              QString* error = nullptr);

// Checks the data of a picture in `format` (Qt's name for it, lower case)
// as described above, before anything is decoded; empty when they pass.
QString inspect(const QByteArray& format, const uchar* data, std::size_t size);

} // namespace checked_image

#endif
