#include "files/project_stream.h"

#include "files/png_check.h"
#include "files/png_io.h"
#include "files/pixel_view.h"
#include "shell/services/shell_functions.h"

#include <QColor>
#include <QDataStream>
#include <QHash>
#include <QImage>
#include <QPainterPath>
#include <QPolygonF>
#include <QVariantList>
#include <QVariantMap>
#include <QVector>

#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
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

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------

// A project nests maps five deep; lists of values one more.
constexpr int kMaxDepth = 32;
// A project of a thousand patches holds some hundred thousand values.
constexpr int kMaxValues = 1000000;
// Coordinates of points, rectangles, polygons and paths, in image pixels:
// far beyond any picture within the pixel limit, yet scaled by a
// resolution factor and rounded they stay well within an int.
constexpr double kMaxCoordinate = double(1 << 24);

bool isCoordinate(double value) {
    return std::isfinite(value) && std::fabs(value) <= kMaxCoordinate;
}

// Qt 4's numbers of the kinds of values (streams before Qt 5, as projects
// are written) turned into Qt 5's, as QVariant::load does. A number beyond
// every kind gives -1, which no reader takes.
int typeOfQt4(quint32 type) {
    if (type == 127) return QMetaType::User;
    if (type >= 128 && type != QVariant::UserType)
        type -= 97;
    else if (type == 75)
        type = QMetaType::QSizePolicy;
    else if (type > 75 && type <= 86)
        type -= 1;
    return type <= quint32(std::numeric_limits<int>::max()) ? int(type) : -1;
}

class Reader {
public:
    Reader(const uchar* data, std::size_t size) : data_(data), size_(size) {}

    bool value(QVariant* out, int depth);
    std::size_t position() const { return at_; }
    const QString& problem() const { return problem_; }

private:
    bool fail(const QString& why) {
        if (problem_.isEmpty()) problem_ = why + QStringLiteral(" (at byte %1)").arg(at_);
        return false;
    }
    std::size_t left() const { return size_ - at_; }
    bool skip(std::size_t bytes) {
        if (left() < bytes) return fail(QStringLiteral("the data end inside a value"));
        at_ += bytes;
        return true;
    }
    quint32 peek32(std::size_t at) const {
        const uchar* p = data_ + at;
        return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
    }
    bool u32(quint32* value) {
        if (left() < 4) return fail(QStringLiteral("the data end inside a value"));
        *value = peek32(at_);
        at_ += 4;
        return true;
    }
    double peekDouble(std::size_t at) const {
        const quint64 bits = quint64(peek32(at)) << 32 | peek32(at + 4);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // `count` doubles, each a coordinate.
    bool coordinates(std::size_t count) {
        if (left() / 8 < count) return fail(QStringLiteral("the data end inside a value"));
        for (std::size_t i = 0; i < count; ++i, at_ += 8)
            if (!isCoordinate(peekDouble(at_)))
                return fail(QStringLiteral("a coordinate that is no number or out of range"));
        return true;
    }
    // A string or byte array: its length (0xFFFFFFFF for a null one), then its bytes.
    bool lengthAndBytes(bool even) {
        quint32 length = 0;
        if (!u32(&length)) return false;
        if (length == 0xffffffffu) return true;
        if (even && length % 2 != 0) return fail(QStringLiteral("a string of odd length"));
        return skip(length);
    }
    bool key(QString* out);
    bool leaf(int type, int* replaced);
    bool colour(int* replaced);
    bool picture();
    bool painterPath();
    // Qt's operators read the value checked from `start` to here.
    bool decode(std::size_t start, QVariant* out);

    const uchar* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    int values_ = 0;
    QString problem_;
};

bool Reader::decode(std::size_t start, QVariant* out) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data_ + start), int(at_ - start));
    QDataStream stream(bytes);
    stream.setVersion(QDataStream::Qt_4_5);
    stream.setByteOrder(QDataStream::BigEndian);
    QVariant read;
    stream >> read;
    if (stream.status() != QDataStream::Ok || !read.isValid())
        return fail(QStringLiteral("a value Qt cannot read"));
    *out = std::move(read);
    return true;
}

bool Reader::key(QString* out) {
    const std::size_t start = at_;
    if (!lengthAndBytes(true)) return false;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data_ + start), int(at_ - start));
    QDataStream stream(bytes);
    stream.setVersion(QDataStream::Qt_4_5);
    stream >> *out;
    if (stream.status() != QDataStream::Ok) return fail(QStringLiteral("an unreadable key"));
    return true;
}

bool Reader::colour(int* replaced) {
    // Spec (one byte), alpha, three components and padding (16 bits each).
    if (left() < 11) return fail(QStringLiteral("the data end inside a colour"));
    const int spec = qint8(data_[at_]);
    const int hue = int(data_[at_ + 3]) << 8 | data_[at_ + 4];
    // Invalid, RGB, HSV, CMYK or HSL; a hue is 0 to 35999 or 65535 (none).
    const bool known =
        spec >= QColor::Invalid && spec <= QColor::Hsl &&
        !((spec == QColor::Hsv || spec == QColor::Hsl) && hue > 35999 && hue != 65535);
    if (!known) *replaced = QMetaType::QColor;
    return skip(11);
}

bool Reader::picture() {
    // 1 for a picture and its PNG bytes, 0 for none.
    quint32 present = 0;
    if (!u32(&present)) return false;
    if (present == 0) return true;
    png_check::Facts facts;
    const QString problem = png_check::inspect(data_ + at_, left(), &facts);
    if (!problem.isEmpty()) return fail(problem);
    return skip(facts.end);
}

bool Reader::painterPath() {
    // The element count, the elements (type, x, y), the start of the last
    // subpath and the fill rule; an empty path is its count 0 alone.
    quint32 count = 0;
    if (!u32(&count)) return false;
    if (count == 0) return true;
    if (count > 0x7fffffffu || left() / 20 < count)
        return fail(QStringLiteral("a path longer than the data"));
    const std::size_t first = at_;
    int curveData = 0; // control points still owed to the last curve
    for (quint32 i = 0; i < count; ++i) {
        const quint32 type = peek32(at_);
        at_ += 4;
        const bool valid = i == 0          ? type == QPainterPath::MoveToElement
                           : curveData > 0 ? type == QPainterPath::CurveToDataElement
                                           : type <= QPainterPath::CurveToElement;
        if (!valid) return fail(QStringLiteral("a path with its elements out of order"));
        curveData = type == QPainterPath::CurveToElement ? 2 : std::max(curveData - 1, 0);
        if (!coordinates(2)) return false;
    }
    if (curveData > 0) return fail(QStringLiteral("a path that ends inside a curve"));
    quint32 start = 0, fillRule = 0;
    if (!u32(&start) || !u32(&fillRule)) return false;
    if (start >= count || peek32(first + 20 * std::size_t(start)) != QPainterPath::MoveToElement ||
        fillRule > Qt::WindingFill)
        return fail(QStringLiteral("a path with an invalid start or fill rule"));
    return true;
}

bool Reader::leaf(int type, int* replaced) {
    switch (type) {
    case QMetaType::UnknownType:
        // An invalid value: Qt 4 streams write an empty string after it.
        return lengthAndBytes(true);
    case QMetaType::Bool:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return skip(1);
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::QChar:
        return skip(2);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Float: // single precision in streams before Qt 4.6
        return skip(4);
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return skip(8);
    case QMetaType::QString:
        return lengthAndBytes(true);
    case QMetaType::QByteArray:
        return lengthAndBytes(false);
    case QMetaType::QStringList: {
        quint32 count = 0;
        if (!u32(&count)) return false;
        for (quint32 i = 0; i < count; ++i)
            if (!lengthAndBytes(true)) return false;
        return true;
    }
    case QMetaType::QPoint:
    case QMetaType::QSize:
        return skip(8);
    case QMetaType::QRect:
    case QMetaType::QLine:
        return skip(16);
    case QMetaType::QPointF:
    case QMetaType::QSizeF:
        return coordinates(2);
    case QMetaType::QRectF:
    case QMetaType::QLineF:
        return coordinates(4);
    case QMetaType::QPolygonF: {
        quint32 count = 0;
        if (!u32(&count)) return false;
        return coordinates(std::size_t(count) * 2);
    }
    case QMetaType::QColor:
        return colour(replaced);
    case QMetaType::QImage:
    case QMetaType::QPixmap:
    case QMetaType::QBitmap:
        return picture();
    default:
        if (type == qMetaTypeId<QPainterPath>()) return painterPath();
        return fail(QStringLiteral("a value of a kind no project holds (%1)").arg(type));
    }
}

bool Reader::value(QVariant* out, int depth) {
    if (depth > kMaxDepth) return fail(QStringLiteral("values nested too deeply"));
    if (++values_ > kMaxValues) return fail(QStringLiteral("too many values"));
    const std::size_t start = at_;
    quint32 stored = 0;
    if (!u32(&stored) || !skip(1)) return false; // the kind, and the null flag
    int type = typeOfQt4(stored);
    if (type == QMetaType::User) {
        // A kind registered by name: only the polygons and painter paths of shapes.
        quint32 length = 0;
        if (!u32(&length)) return false;
        if (length == 0 || length > 64 || left() < length || data_[at_ + length - 1] != 0)
            return fail(QStringLiteral("an unreadable kind of value"));
        type = QMetaType::type(reinterpret_cast<const char*>(data_ + at_));
        at_ += length;
        if (type != QMetaType::QPolygonF && type != qMetaTypeId<QPainterPath>())
            return fail(QStringLiteral("a value of a kind no project holds"));
    }

    if (type == QMetaType::QVariantMap || type == QMetaType::QVariantList) {
        const bool isMap = type == QMetaType::QVariantMap;
        quint32 count = 0;
        if (!u32(&count)) return false;
        QVariantMap map;
        QVariantList list;
        // Every entry takes bytes: the count cannot run past the data's end.
        for (quint32 i = 0; i < count; ++i) {
            if (left() == 0) return fail(QStringLiteral("the data end inside a map or list"));
            QString name;
            if (isMap) {
                if (!key(&name)) return false;
                if (map.contains(name)) return fail(QStringLiteral("a key twice in one map"));
            }
            QVariant entry;
            if (!value(&entry, depth + 1)) return false;
            if (isMap)
                map.insert(name, entry);
            else
                list.append(entry);
        }
        *out = isMap ? QVariant(map) : QVariant(list);
        return true;
    }

    int replaced = QMetaType::UnknownType;
    if (!leaf(type, &replaced)) return false;
    if (replaced == QMetaType::QColor) {
        *out = QVariant::fromValue(QColor());
        return true;
    }
    return decode(start, out);
}

} // namespace

void write(QDataStream& stream, const QVariant& value) {
    QVector<QImage> images;
    collectImages(value, images);
    writeValue(stream, value, encodeAll(images));
}

bool read(const uchar* data, std::size_t size, QVariant* value, std::size_t* used,
          QString* problem) {
    Reader reader(data, size);
    bool read = false;
    try {
        read = reader.value(value, 0);
    } catch (const std::exception& error) {
        // Whatever a container or Qt's operators throw (out of memory) refuses the data.
        if (problem) *problem = QString::fromLocal8Bit(error.what());
        return false;
    }
    if (!read) {
        if (problem) *problem = reader.problem();
        return false;
    }
    if (used) *used = reader.position();
    return true;
}

} // namespace project_stream
