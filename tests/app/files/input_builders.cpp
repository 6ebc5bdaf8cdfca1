#include "input_builders.h"

#include "shell/services/shell_functions.h"

#include <QBuffer>
#include <QDataStream>

#include <zlib.h>

namespace builders {

namespace {

void appendBig32(QByteArray& bytes, quint32 value) {
    bytes.append(char(value >> 24)).append(char(value >> 16)).append(char(value >> 8));
    bytes.append(char(value));
}

quint32 big32(const QByteArray& bytes, int at) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + at;
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

} // namespace

QByteArray pngChunk(const char* type, const QByteArray& data) {
    QByteArray chunk;
    appendBig32(chunk, quint32(data.size()));
    chunk.append(type, 4).append(data);
    const uLong crc =
        crc32(0, reinterpret_cast<const Bytef*>(chunk.constData() + 4), uInt(4 + data.size()));
    appendBig32(chunk, quint32(crc));
    return chunk;
}

QByteArray pngHeader(quint32 width, quint32 height, int depth, int colourType) {
    QByteArray data;
    appendBig32(data, width);
    appendBig32(data, height);
    data.append(char(depth))
        .append(char(colourType))
        .append(char(0))
        .append(char(0))
        .append(char(0));
    return pngChunk("IHDR", data);
}

QByteArray pngData(const QByteArray& raw) {
    // qCompress writes the length first, then a zlib stream.
    return pngChunk("IDAT", qCompress(raw).mid(4));
}

QByteArray pngFile(const QByteArray& chunks) {
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunks + pngChunk("IEND", QByteArray());
}

void fixPngCrcs(QByteArray& png) {
    int at = 8;
    while (at + 12 <= png.size()) {
        const quint32 length = big32(png, at);
        if (length > quint32(png.size() - at - 12)) return;
        const uLong crc =
            crc32(0, reinterpret_cast<const Bytef*>(png.constData() + at + 4), uInt(4 + length));
        for (int i = 0; i < 4; ++i)
            png[at + 8 + int(length) + i] = char(crc >> (24 - 8 * i));
        at += 12 + int(length);
    }
}

quint32 tailOffset(int entryCount) {
    return quint32(8 + 2 + 12 * entryCount + 4);
}

QByteArray tiffFile(const QVector<TiffEntry>& entries, const QByteArray& tail) {
    QByteArray b("II*\0\x08\0\0\0", 8);
    auto u16 = [&b](quint32 v) { b.append(char(v)).append(char(v >> 8)); };
    auto u32 = [&](quint32 v) { u16(v & 0xffff), u16(v >> 16); };
    u16(quint32(entries.size()));
    for (const TiffEntry& e : entries) {
        u16(e.tag), u16(e.type), u32(e.count);
        if (e.type == 3 && e.count == 1)
            u16(e.value), u16(0);
        else
            u32(e.value);
    }
    u32(0);
    return b + tail;
}

QByteArray encoded(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

QByteArray projectHead(qint32 version) {
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_4_5);
    stream << qint32(0x08E11602) << version << quint16(0);
    return bytes;
}

QByteArray projectFrame(const QVariant& content, qint32 version) {
    registerPainterPathType();
    QByteArray bytes = projectHead(version);
    QDataStream stream(&bytes, QIODevice::Append);
    stream.setVersion(QDataStream::Qt_4_5);
    stream << content;
    return bytes;
}

} // namespace builders
