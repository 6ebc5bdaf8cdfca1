#include "files/jpeg_check.h"

#include "files/image_limits.h"

#include <cstring>

namespace jpeg_check {

namespace {

// Progressive encoders write about ten scans; each scan costs a pass over
// the whole picture, so a file of thousands would take minutes.
constexpr int kMaxScans = 100;

bool isFrameHeader(int marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Where the entropy-coded data starting at `at` end: the next marker that is
// neither a stuffed zero nor a restart marker, or the end of the data.
std::size_t endOfScanData(const uchar* data, std::size_t size, std::size_t at) {
    while (at < size) {
        const auto* ff = static_cast<const uchar*>(std::memchr(data + at, 0xFF, size - at));
        if (!ff) return size;
        at = std::size_t(ff - data);
        if (at + 1 >= size) return size;
        const uchar next = data[at + 1];
        if (next != 0x00 && !(next >= 0xD0 && next <= 0xD7) && next != 0xFF) return at;
        at += next == 0xFF ? 1 : 2;
    }
    return size;
}

} // namespace

bool hasSignature(const uchar* data, std::size_t size) {
    return size >= 2 && data[0] == 0xFF && data[1] == 0xD8;
}

QString inspect(const uchar* data, std::size_t size) {
    if (!hasSignature(data, size)) return QStringLiteral("no JPEG start-of-image marker");
    std::size_t at = 2;
    bool frame = false;
    bool huffman = true;
    qint64 blocks = 0;
    int scans = 0;
    quint64 scanBytes = 0;
    for (;;) {
        // Bytes before a marker are skipped, as the decoder skips them.
        const auto* ff = at < size
                             ? static_cast<const uchar*>(std::memchr(data + at, 0xFF, size - at))
                             : nullptr;
        if (!ff) return QStringLiteral("the JPEG ends before its end-of-image marker");
        at = std::size_t(ff - data);
        while (at < size && data[at] == 0xFF)
            ++at;
        if (at >= size) return QStringLiteral("the JPEG ends before its end-of-image marker");
        const int marker = data[at++];
        if (marker == 0xD9) break;
        if (marker == 0xD8) return QStringLiteral("a second start-of-image marker");
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (size - at < 2) return QStringLiteral("the JPEG ends inside a segment");
        const std::size_t length = std::size_t(data[at]) << 8 | data[at + 1];
        if (length < 2 || length > size - at)
            return QStringLiteral("a JPEG segment is longer than the data");
        const uchar* body = data + at + 2;
        at += length;
        if (isFrameHeader(marker)) {
            if (frame) return QStringLiteral("two JPEG frame headers");
            const int components = length >= 8 ? body[5] : 0;
            if (length < 8 || components == 0 || length < 8 + 3 * std::size_t(components))
                return QStringLiteral("invalid JPEG frame header");
            const int height = body[1] << 8 | body[2];
            const int width = body[3] << 8 | body[4];
            if (!image_limits::fitsPixelLimit(width, height))
                return QStringLiteral("a JPEG of %1 x %2 pixels is empty or beyond the limit")
                    .arg(width)
                    .arg(height);
            frame = true;
            // Arithmetic coding (frame headers 0xC9 and up) can pack a block
            // into less than a bit.
            huffman = marker < 0xC9;
            blocks = qint64((width + 7) / 8) * ((height + 7) / 8);
        } else if (marker == 0xDA) {
            if (!frame) return QStringLiteral("a JPEG scan before the frame header");
            if (++scans > kMaxScans)
                return QStringLiteral("more JPEG scans than any encoder writes");
            const std::size_t end = endOfScanData(data, size, at);
            scanBytes += end - at;
            at = end;
        }
    }
    if (scans == 0) return QStringLiteral("a JPEG without a scan");
    // At least one bit for each block of the first component, which may be
    // sampled at a quarter of the resolution in each direction.
    if (huffman && quint64(blocks) > scanBytes * 8 * 16)
        return QStringLiteral("the JPEG's data cannot hold its pixels");
    return QString();
}

} // namespace jpeg_check
