#include "tools/tool_cursors.h"

#include "workspace/bitmap_cursor.h"

#include <QPainter>
#include <QPolygon>

namespace {

constexpr int kCursorSize = 32;
constexpr int kPolygonHotX = 5;
constexpr int kPolygonHotY = 16;

} // namespace

QBitmap polygonCursorBitmap() {
    QBitmap bitmap(kCursorSize, kCursorSize);
    bitmap.clear();
    QPainter painter(&bitmap);
    painter.setPen(QPen(Qt::color1, 1));
    // The cross-hair, open in the middle so the pixel under it stays visible.
    const int x = kPolygonHotX, y = kPolygonHotY;
    painter.drawLine(x - 5, y, x - 2, y);
    painter.drawLine(x + 2, y, x + 5, y);
    painter.drawLine(x, y - 5, x, y - 2);
    painter.drawLine(x, y + 2, x, y + 5);
    // The polygon being drawn.
    painter.drawPolygon(
        QPolygon({QPoint(13, 20), QPoint(26, 17), QPoint(29, 27), QPoint(19, 30), QPoint(14, 26)}));
    return bitmap;
}

std::unique_ptr<QCursor> createPolygonCursor() {
    const QBitmap bitmap = polygonCursorBitmap();
    return createBitmapCursor(kPolygonHotX, kPolygonHotY, bitmap, outlineMask(bitmap));
}
