#include "files/upright_image.h"

#include "files/jpeg_orientation.h"
#include "files/pixel_memory.h"

#include <QImageReader>

bool readUprightImage(const QString& fileName, QImage* image, QString* error) {
    QImageReader reader(fileName);
    // The orientation is applied below, from the file's own Exif data; Qt
    // must not turn the picture as well.
    reader.setAutoTransform(false);
    QImage read;
    // The JPEG reader fills an image of the right size and format that it is
    // given; one in pixel memory is much cheaper to fill for the first time.
    if (reader.format() == "jpeg" && reader.imageFormat() == QImage::Format_RGB32)
        read = newPixelImage(reader.size(), QImage::Format_RGB32);
    if (!reader.read(&read)) {
        if (error) *error = reader.errorString();
        return false;
    }
    applyJpegOrientation(fileName, read);
    *image = std::move(read);
    return true;
}
