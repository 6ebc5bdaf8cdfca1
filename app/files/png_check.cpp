#include "files/png_check.h"

#include "files/image_limits.h"

#include <zlib.h>

#include <cstring>
#include <vector>

namespace png_check {

namespace {

// Deflate turns at most 1032 bytes into one (a 258-byte match in two bits).
constexpr quint64 kDeflateRatio = 1032;
// All the text and profiles of one file together may unpack to this much.
constexpr quint64 kMaxInflatedBytes = quint64(16) << 20;

const uchar kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

quint32 big32(const uchar* p) {
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

bool isChunk(const uchar* type, const char* name) {
    return std::memcmp(type, name, 4) == 0;
}

bool validDepth(int colourType, int depth) {
    switch (colourType) {
    case 0:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

int channelsOf(int colourType) {
    switch (colourType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

// Counts what `data` inflates to, stopping once it passes `budget`; the
// count (or a value past the budget). A stream that is not deflate counts
// nothing: the decoder will skip it.
quint64 inflatedSize(const uchar* data, std::size_t size, quint64 budget) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return budget + 1;
    std::vector<uchar> scratch(64 * 1024);
    stream.next_in = const_cast<uchar*>(data);
    stream.avail_in = uInt(size);
    quint64 total = 0;
    for (;;) {
        stream.next_out = scratch.data();
        stream.avail_out = uInt(scratch.size());
        const int result = inflate(&stream, Z_NO_FLUSH);
        total += scratch.size() - stream.avail_out;
        if (total > budget || result != Z_OK) break;
    }
    inflateEnd(&stream);
    return total;
}

// Where the compressed part of a zTXt, iTXt or iCCP chunk starts in its
// data; `size` when it has none.
std::size_t compressedStart(const uchar* type, const uchar* data, std::size_t size) {
    const auto* keyEnd = static_cast<const uchar*>(std::memchr(data, 0, size));
    if (!keyEnd) return size;
    std::size_t at = std::size_t(keyEnd - data) + 1;
    if (isChunk(type, "zTXt") || isChunk(type, "iCCP")) return at + 1; // the method byte
    // iTXt: compression flag, method, language tag, translated keyword, text.
    if (at + 2 > size || data[at] == 0) return size;
    at += 2;
    for (int field = 0; field < 2; ++field) {
        const auto* end = static_cast<const uchar*>(std::memchr(data + at, 0, size - at));
        if (!end) return size;
        at = std::size_t(end - data) + 1;
    }
    return at;
}

} // namespace

bool hasSignature(const uchar* data, std::size_t size) {
    return size >= 8 && std::memcmp(data, kSignature, 8) == 0;
}

QString inspect(const uchar* data, std::size_t size, Facts* facts) {
    if (!hasSignature(data, size)) return QStringLiteral("no PNG signature");
    Facts found;
    std::size_t at = 8;
    bool header = false;
    quint64 compressedPixels = 0;
    quint64 inflated = 0;
    for (;;) {
        if (size - at < 12) return QStringLiteral("the PNG ends inside a chunk");
        const quint32 length = big32(data + at);
        const uchar* type = data + at + 4;
        if (length > 0x7fffffffu || length > size - at - 12)
            return QStringLiteral("a PNG chunk is longer than the data");
        const uchar* body = data + at + 8;
        at += 12 + length;
        if (!header) {
            if (!isChunk(type, "IHDR") || length != 13)
                return QStringLiteral("the PNG does not begin with its header");
            found.width = big32(body);
            found.height = big32(body + 4);
            found.depth = body[8];
            found.colourType = body[9];
            if (found.width == 0 || found.height == 0 || found.width > 0x7fffffffu ||
                found.height > 0x7fffffffu || !validDepth(found.colourType, found.depth) ||
                body[10] != 0 || body[11] != 0 || body[12] > 1)
                return QStringLiteral("invalid PNG header");
            if (!image_limits::fitsPixelLimit(found.width, found.height))
                return QStringLiteral("a PNG of %1 x %2 pixels is beyond the limit")
                    .arg(found.width)
                    .arg(found.height);
            header = true;
            continue;
        }
        if (isChunk(type, "IDAT")) {
            compressedPixels += length;
        } else if (isChunk(type, "zTXt") || isChunk(type, "iTXt") || isChunk(type, "iCCP")) {
            const std::size_t start = compressedStart(type, body, length);
            if (start < length) {
                inflated += inflatedSize(body + start, length - start, kMaxInflatedBytes);
                if (inflated > kMaxInflatedBytes)
                    return QStringLiteral("the PNG's text or profile unpacks beyond the limit");
            }
        } else if (isChunk(type, "IEND")) {
            break;
        }
    }
    // Every row is a filter byte and its samples; an interlaced picture's
    // passes need a little more.
    const quint64 rowBytes =
        (quint64(found.width) * channelsOf(found.colourType) * quint64(found.depth) + 7) / 8;
    const quint64 rawBytes = quint64(found.height) * (1 + rowBytes);
    if (compressedPixels == 0 || rawBytes > compressedPixels * kDeflateRatio + kDeflateRatio)
        return QStringLiteral("the PNG's data cannot hold its %1 x %2 pixels")
            .arg(found.width)
            .arg(found.height);
    found.end = at;
    if (facts) *facts = found;
    return QString();
}

} // namespace png_check
