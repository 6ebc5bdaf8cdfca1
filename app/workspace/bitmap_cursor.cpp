#include "workspace/bitmap_cursor.h"

#include <QImage>

#include <algorithm>

std::unique_ptr<QCursor> createBitmapCursor(int hotX, int hotY, const QBitmap& bitmap,
                                            const QBitmap& mask) {
    if (bitmap.isNull() || mask.isNull() || bitmap.size() != mask.size()) return nullptr;
    return std::make_unique<QCursor>(bitmap, mask, hotX, hotY);
}

QBitmap outlineMask(const QBitmap& bitmap) {
    if (bitmap.isNull()) return QBitmap();
    // A set pixel (Qt::color1) is black in the bitmap's image; in the mask
    // index 1 is black, as QBitmap::fromImage expects.
    const QImage bits = bitmap.toImage();
    QImage mask(bits.size(), QImage::Format_MonoLSB);
    mask.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    mask.fill(0);
    const int width = bits.width(), height = bits.height();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (qGray(bits.pixel(x, y)) >= 128) continue;
            for (int v = std::max(0, y - 1); v <= std::min(height - 1, y + 1); ++v)
                for (int u = std::max(0, x - 1); u <= std::min(width - 1, x + 1); ++u)
                    mask.setPixel(u, v, 1);
        }
    return QBitmap::fromImage(mask);
}
