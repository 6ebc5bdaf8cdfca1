#include "shell/control_file_images.h"

#include "files/png_io.h"

#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>

#include <cstring>
#include <new>

bool ControlFileImages::load(const QString& inputPath, QString* error) {
    source_.clear();
    result_.clear();
    QImageReader reader(inputPath, "png");
    QImage image;
    if (!reader.read(&image)) {
        if (error)
            *error = QStringLiteral("Cannot read the input image %1: %2")
                         .arg(inputPath, reader.errorString());
        return false;
    }
    // Unpremultiplied 32-bit pixels lie in memory as blue, green, red, alpha.
    image = image.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) throw std::bad_alloc();

    source_.allocate(image.width(), image.height());
    const std::size_t rowBytes = std::size_t(image.width()) * 4;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(source_.view().row(y), image.constScanLine(y), rowBytes);
    image = QImage();
    result_.allocate(source_.width(), source_.height());
    std::memcpy(result_.data(), source_.data(), source_.sampleCount());
    return true;
}

bool ControlFileImages::writeOutput(const QString& outputPath, QString* error) const {
    if (result_.isEmpty()) return true;
    QByteArray bytes;
    QString why;
    if (!png_io::encode(result_.view(), &bytes, &why)) {
        if (error) *error = QStringLiteral("Cannot encode the cut-out: %1").arg(why);
        return false;
    }
    QSaveFile file(outputPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(outputPath, file.errorString());
        return false;
    }
    return true;
}
