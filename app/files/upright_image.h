// Reading an image file of any format Qt reads, turned upright by its JPEG
// orientation. File Open's general stage and a local file dropped on the
// canvas read pictures this one way, so both show a camera's sideways JPEG
// the right way up.
#ifndef APP_FILES_UPRIGHT_IMAGE_H
#define APP_FILES_UPRIGHT_IMAGE_H

#include <QImage>
#include <QString>

// Reads `fileName` into `image` through the checked reader
// (files/checked_image.h: sizes within the limit, data that hold the
// picture) with the file's Exif orientation applied once. False, with
// `error` set, when no reader takes the file or it fails a check. Throws
// std::bad_alloc when the pixels find no memory.
bool readUprightImage(const QString& fileName, QImage* image, QString* error = nullptr);

#endif
