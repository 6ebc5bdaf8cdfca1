#include "tools/tool_cursors.h"

#include "workspace/bitmap_cursor.h"
#include "workspace/cursor_art.h"

#include <QPainter>
#include <QPolygon>

namespace {

constexpr int kCursorSize = 32;
constexpr int kPolygonHotX = 5;
constexpr int kPolygonHotY = 16;
constexpr int kZoomHot = 6;
constexpr int kPipetteHotX = 0;
constexpr int kPipetteHotY = 31;

// The magnifying glass with `lens` (rows 3 to 9 inside the ring) in it.
QStringList magnifier(const QStringList& lens) {
    QStringList rows = {
        QStringLiteral("    #####       "), //
        QStringLiteral("  ##.....##     "), //
        QStringLiteral(" #.........#    "), //
    };
    rows << lens;
    rows << QStringList{
        QStringLiteral(" #.........#    "), //
        QStringLiteral("  ##.....####   "), //
        QStringLiteral("    #####  ###  "), //
        QStringLiteral("            ### "), //
        QStringLiteral("             ###"), //
        QStringLiteral("              ##"), //
    };
    return rows;
}

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

QStringList zoomInArt() {
    return magnifier({
        QStringLiteral(" #....#....#    "), //
        QStringLiteral("#.....#.....#   "), //
        QStringLiteral("#.....#.....#   "), //
        QStringLiteral("#..#######..#   "), //
        QStringLiteral("#.....#.....#   "), //
        QStringLiteral("#.....#.....#   "), //
        QStringLiteral(" #....#....#    "), //
    });
}

QStringList zoomOutArt() {
    return magnifier({
        QStringLiteral(" #.........#    "), //
        QStringLiteral("#...........#   "), //
        QStringLiteral("#...........#   "), //
        QStringLiteral("#..#######..#   "), //
        QStringLiteral("#...........#   "), //
        QStringLiteral("#...........#   "), //
        QStringLiteral(" #.........#    "), //
    });
}

QStringList zoomUnavailableArt() {
    return magnifier({
        QStringLiteral(" #.........#    "), //
        QStringLiteral("#...........#   "), //
        QStringLiteral("#...........#   "), //
        QStringLiteral("#...........#   "), //
        QStringLiteral("#...........#   "), //
        QStringLiteral("#...........#   "), //
        QStringLiteral(" #.........#    "), //
    });
}

std::unique_ptr<QCursor> createZoomInCursor() {
    return createArtCursor(zoomInArt(), kZoomHot, kZoomHot);
}

std::unique_ptr<QCursor> createZoomOutCursor() {
    return createArtCursor(zoomOutArt(), kZoomHot, kZoomHot);
}

std::unique_ptr<QCursor> createZoomUnavailableCursor() {
    return createArtCursor(zoomUnavailableArt(), kZoomHot, kZoomHot);
}

QBitmap pipetteCursorBitmap() {
    QBitmap bitmap(kCursorSize, kCursorSize);
    bitmap.clear();
    QPainter painter(&bitmap);
    // The glass tube from the tip up to the collar, drawn as an outline so
    // the picked colour's surroundings show through it.
    painter.setPen(QPen(Qt::color1, 1));
    painter.drawLine(kPipetteHotX, kPipetteHotY, 3, 28);
    painter.drawPolygon(QPolygon({QPoint(3, 26), QPoint(17, 12), QPoint(20, 15), QPoint(6, 29)}));
    // The collar and the rubber bulb, solid.
    painter.setBrush(Qt::color1);
    painter.drawPolygon(QPolygon({QPoint(15, 11), QPoint(18, 8), QPoint(24, 14), QPoint(21, 17)}));
    painter.drawEllipse(QPoint(24, 8), 5, 5);
    return bitmap;
}

std::unique_ptr<QCursor> createPipetteCursor() {
    const QBitmap bitmap = pipetteCursorBitmap();
    return createBitmapCursor(kPipetteHotX, kPipetteHotY, bitmap, outlineMask(bitmap));
}
