#include "files/sample_conversion.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

// Every 16-bit sample's 8-bit value, one table per scale: a lookup costs less
// than the arithmetic on a 24-megapixel photo.
using Table8 = std::array<uchar, 65536>;

const Table8& tableFor(int fullScale) {
    static const Table8 wide = [] {
        Table8 table;
        for (uint32_t v = 0; v < 65536; ++v)
            table[v] = uchar((v + 128) / 257);
        return table;
    }();
    static const Table8 host = [] {
        Table8 table;
        for (uint32_t v = 0; v < 65536; ++v)
            table[v] = uchar((std::min(v, 32768u) * 255) >> 15);
        return table;
    }();
    return fullScale == 32768 ? host : wide;
}

} // namespace

void convertTo8Bits(const PixelView16& from, int fullScale, const PixelView8& to) {
    const Table8& table = tableFor(fullScale);
    const int width = std::min(from.width, to.width), height = std::min(from.height, to.height);
    for (int y = 0; y < height; ++y) {
        const quint16* in = from.row(y);
        uchar* out = to.row(y);
        for (int i = 0; i < 4 * width; ++i)
            out[i] = table[in[i]];
    }
}

void convertHostScaleTo16Bits(const PixelView16& from, const PixelView16& to) {
    const int width = std::min(from.width, to.width), height = std::min(from.height, to.height);
    for (int y = 0; y < height; ++y) {
        const quint16* in = from.row(y);
        quint16* out = to.row(y);
        for (int i = 0; i < 4 * width; ++i)
            out[i] = quint16((std::min<uint32_t>(in[i], 32768u) * 65535u) >> 15);
    }
}
