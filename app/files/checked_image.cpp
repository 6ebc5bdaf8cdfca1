#include "files/checked_image.h"

#include "files/image_limits.h"
#include "files/jpeg_check.h"
#include "files/pixel_memory.h"
#include "files/png_check.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <limits>
#include <new>

namespace checked_image {

namespace {

quint32 little32(const uchar* p) {
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 little16(const uchar* p) {
    return quint16(p[0] | p[1] << 8);
}

// An uncompressed BMP must hold all its rows after its pixel offset; Qt's
// reader stops at the end of the data and answers success.
QString bmpProblem(const uchar* data, std::size_t size) {
    if (size < 26 || data[0] != 'B' || data[1] != 'M') return QString();
    const quint32 offset = little32(data + 10);
    const quint32 headerSize = little32(data + 14);
    qint64 width = 0, height = 0;
    int bits = 0;
    quint32 compression = 0;
    if (headerSize == 12) {
        width = little16(data + 18);
        height = little16(data + 20);
        bits = little16(data + 24);
    } else {
        if (size < 34) return QString();
        width = qint32(little32(data + 18));
        height = qint32(little32(data + 22));
        bits = little16(data + 28);
        compression = little32(data + 30);
    }
    height = height < 0 ? -height : height;
    // Run-length coded rows may stop early by design; those are left to the limit.
    const bool plainRows = compression == 0 || compression == 3 || compression == 6;
    if (!plainRows || width <= 0 || height <= 0 || bits <= 0 || bits > 32) return QString();
    if (!image_limits::fitsPixelLimit(width, height))
        return QStringLiteral("a BMP of %1 x %2 pixels is beyond the limit").arg(width).arg(height);
    const quint64 rowBytes = (quint64(width) * quint64(bits) + 31) / 32 * 4;
    if (offset > size || quint64(height) * rowBytes > size - offset)
        return QStringLiteral("the BMP ends before its %1 x %2 pixels").arg(width).arg(height);
    return QString();
}

// Reads from `reader` (positioned on `data`) after the checks.
bool readChecked(QImageReader& reader, const uchar* data, std::size_t size, QImage* image,
                 QString* error) {
    auto fail = [error](const QString& text) {
        if (error) *error = text;
        return false;
    };
    reader.setAutoTransform(false);
    const QByteArray format = reader.format().toLower();
    if (format.isEmpty()) return fail(reader.errorString());
    // The data first: even reading the size makes some decoders allocate
    // for what the data announce (libpng for the chunks before the pixels).
    const QString problem = inspect(format, data, size);
    if (!problem.isEmpty()) return fail(problem);
    const QSize announced = reader.size();
    if (!announced.isValid())
        return fail(QStringLiteral("the size of the %1 picture cannot be read")
                        .arg(QString::fromLatin1(format)));
    if (!image_limits::fitsPixelLimit(announced.width(), announced.height()))
        return fail(QStringLiteral("a picture of %1 x %2 pixels is empty or beyond the limit")
                        .arg(announced.width())
                        .arg(announced.height()));

    // Decoders fill an image of the right size and format that they are
    // given; one cleared beforehand shows black where they leave rows out.
    QImage read;
    const QImage::Format imageFormat = reader.imageFormat();
    if (imageFormat != QImage::Format_Invalid) {
        read = newClearedPixelImage(announced, imageFormat);
        if (read.isNull()) throw std::bad_alloc();
    }
    if (!reader.read(&read)) return fail(reader.errorString());
    if (read.isNull() || !image_limits::fitsPixelLimit(read.width(), read.height()))
        return fail(QStringLiteral("the picture read is empty or beyond the limit"));
    *image = std::move(read);
    return true;
}

} // namespace

QString inspect(const QByteArray& format, const uchar* data, std::size_t size) {
    if (format == "png") return png_check::inspect(data, size);
    if (format == "jpeg" || format == "jpg") return jpeg_check::inspect(data, size);
    if (format == "bmp") return bmpProblem(data, size);
    return QString();
}

bool readFile(const QString& fileName, QImage* image, QString* error) {
    // Checked and decoded from the same bytes: the file mapped once.
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    const qint64 size = file.size();
    if (size > std::numeric_limits<int>::max()) {
        if (error) *error = QStringLiteral("the file is too large");
        return false;
    }
    uchar* mapped = size > 0 ? file.map(0, size) : nullptr;
    if (!mapped) {
        if (error) *error = size > 0 ? file.errorString() : QStringLiteral("the file is empty");
        return false;
    }
    // The format by the file's name or content, as Qt's readers choose it.
    const QByteArray format = QImageReader::imageFormat(fileName);
    if (format.isEmpty()) {
        if (error) *error = QStringLiteral("no reader for this kind of file");
        return false;
    }
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), int(size));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    return readChecked(reader, mapped, std::size_t(size), image, error);
}

bool readData(const QByteArray& bytes, const QByteArray& format, QImage* image, QString* error) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    return readChecked(reader, reinterpret_cast<const uchar*>(bytes.constData()),
                       std::size_t(bytes.size()), image, error);
}

} // namespace checked_image
