#include "files/project_stream.h"

#include "files/png_io.h"
#include "files/pixel_view.h"

#include <QDataStream>
#include <QHash>
#include <QImage>
#include <QVariantList>
#include <QVariantMap>
#include <QVector>

#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace project_stream {

namespace {

// Smaller images are left to Qt's writer: threads would not pay off.
constexpr qint64 kLargeImagePixels = 512 * 512;

// PNG bytes by the cache key of the image they encode.
using EncodedImages = QHash<qint64, QByteArray>;

// In memory an ARGB32 pixel is blue, green, red, alpha on a little-endian
// machine: the layout the PNG encoder takes.
bool encodesItself(const QImage& image) {
    return Q_BYTE_ORDER == Q_LITTLE_ENDIAN && image.format() == QImage::Format_ARGB32 &&
           qint64(image.width()) * image.height() >= kLargeImagePixels;
}

void collectImages(const QVariant& value, QVector<QImage>& images) {
    switch (value.userType()) {
    case QMetaType::QVariantMap:
        for (const QVariant& entry : value.toMap())
            collectImages(entry, images);
        break;
    case QMetaType::QVariantList:
        for (const QVariant& entry : value.toList())
            collectImages(entry, images);
        break;
    case QMetaType::QImage: {
        const QImage image = value.value<QImage>();
        if (encodesItself(image)) images << image;
        break;
    }
    default:
        break;
    }
}

// The PNG bytes of `image`; empty when it could not be encoded (Qt's writer
// then takes the image).
QByteArray encode(const QImage& image) {
    try {
        const PixelView8 view{image.width(), image.height(), const_cast<uchar*>(image.constBits()),
                              int(image.bytesPerLine())};
        QByteArray bytes;
        if (png_io::encode(view, &bytes)) return bytes;
    } catch (const std::exception&) {
        // Out of memory: the slower writer may still manage.
    }
    return QByteArray();
}

EncodedImages encodeAll(const QVector<QImage>& images) {
    std::vector<QByteArray> bytes(std::size_t(images.size()));
    std::vector<std::thread> workers;
    for (int i = 0; i < images.size(); ++i) {
        try {
            workers.emplace_back(
                [&bytes, &images, i] { bytes[std::size_t(i)] = encode(images[i]); });
        } catch (const std::system_error&) {
            bytes[std::size_t(i)] = encode(images[i]); // no thread to be had
        }
    }
    for (std::thread& worker : workers)
        worker.join();
    EncodedImages encoded;
    for (int i = 0; i < images.size(); ++i)
        if (!bytes[std::size_t(i)].isEmpty())
            encoded.insert(images[i].cacheKey(), bytes[std::size_t(i)]);
    return encoded;
}

// The head of a QVariant holding a value: its type and that it is not null.
// The types written here keep their numbers in streams of Qt 4.
void writeHead(QDataStream& stream, int type) {
    stream << quint32(type) << qint8(0);
}

void writeValue(QDataStream& stream, const QVariant& value, const EncodedImages& encoded) {
    switch (value.userType()) {
    case QMetaType::QVariantMap: {
        if (value.isNull()) break;
        const QVariantMap map = value.toMap();
        writeHead(stream, QMetaType::QVariantMap);
        // As the data stream writes a map: its size, then from the last key
        // to the first.
        stream << quint32(map.size());
        for (auto it = map.constEnd(); it != map.constBegin();) {
            --it;
            stream << it.key();
            writeValue(stream, it.value(), encoded);
        }
        return;
    }
    case QMetaType::QVariantList: {
        if (value.isNull()) break;
        const QVariantList list = value.toList();
        writeHead(stream, QMetaType::QVariantList);
        stream << quint32(list.size());
        for (const QVariant& entry : list)
            writeValue(stream, entry, encoded);
        return;
    }
    case QMetaType::QImage: {
        const QImage image = value.value<QImage>();
        const auto found = encoded.constFind(image.cacheKey());
        if (image.isNull() || found == encoded.constEnd()) break;
        // As the data stream writes an image: 1 for a non-null image, then
        // the PNG file's bytes.
        writeHead(stream, QMetaType::QImage);
        stream << qint32(1);
        stream.writeRawData(found->constData(), found->size());
        return;
    }
    default:
        break;
    }
    stream << value;
}

} // namespace

void write(QDataStream& stream, const QVariant& value) {
    QVector<QImage> images;
    collectImages(value, images);
    writeValue(stream, value, encodeAll(images));
}

} // namespace project_stream
