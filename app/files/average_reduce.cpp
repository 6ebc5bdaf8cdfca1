#include "files/average_reduce.h"

#include <QImage>

#include <algorithm>
#include <cstdint>

void averageReduce(const QImage& source, QImage& target, int factor) {
    if (source.isNull() || target.isNull() || factor < 1) return;
    const int width = source.width(), height = source.height();
    for (int ty = 0; ty < target.height(); ++ty) {
        const int y0 = std::min(ty * factor, height - 1);
        const int y1 = std::min(y0 + factor, height);
        uchar* out = target.scanLine(ty);
        for (int tx = 0; tx < target.width(); ++tx, out += 4) {
            const int x0 = std::min(tx * factor, width - 1);
            const int x1 = std::min(x0 + factor, width);
            // mean = (sum + n / 2) / n, per channel, rounded to the nearest
            uint32_t sum[4] = {0, 0, 0, 0};
            for (int y = y0; y < y1; ++y) {
                const uchar* in = source.constScanLine(y) + 4 * x0;
                for (int x = x0; x < x1; ++x, in += 4)
                    for (int c = 0; c < 4; ++c)
                        sum[c] += in[c];
            }
            const uint32_t count = uint32_t((y1 - y0) * (x1 - x0));
            for (int c = 0; c < 4; ++c)
                out[c] = uchar((sum[c] + count / 2) / count);
        }
    }
}
