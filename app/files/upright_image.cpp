#include "files/upright_image.h"

#include "files/checked_image.h"
#include "files/jpeg_orientation.h"

bool readUprightImage(const QString& fileName, QImage* image, QString* error) {
    QImage read;
    // Qt's own orientation is off in the checked reader: the file's Exif
    // orientation is applied here, once.
    if (!checked_image::readFile(fileName, &read, error)) return false;
    applyJpegOrientation(fileName, read);
    *image = std::move(read);
    return true;
}
