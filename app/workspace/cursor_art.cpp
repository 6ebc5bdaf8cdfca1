#include "workspace/cursor_art.h"

#include "workspace/bitmap_cursor.h"

#include <QImage>

namespace {

// A one-bit image whose index 1 is black, as QBitmap::fromImage reads it
// (a set bit).
QImage blankMono(int width, int height) {
    QImage image(width, height, QImage::Format_MonoLSB);
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    image.fill(0);
    return image;
}

} // namespace

CursorArt cursorArt(const QStringList& rows) {
    if (rows.isEmpty() || rows.first().isEmpty()) return {};
    const int width = rows.first().size();
    for (const QString& row : rows)
        if (row.size() != width) return {};
    QImage bitmap = blankMono(width, rows.size());
    QImage mask = blankMono(width, rows.size());
    for (int y = 0; y < rows.size(); ++y)
        for (int x = 0; x < width; ++x) {
            const QChar c = rows[y][x];
            if (c == QLatin1Char('#')) bitmap.setPixel(x, y, 1);
            if (c == QLatin1Char('#') || c == QLatin1Char('.')) mask.setPixel(x, y, 1);
        }
    return {QBitmap::fromImage(bitmap), QBitmap::fromImage(mask)};
}

std::unique_ptr<QCursor> createArtCursor(const QStringList& rows, int hotX, int hotY) {
    const CursorArt art = cursorArt(rows);
    return createBitmapCursor(hotX, hotY, art.bitmap, art.mask);
}
