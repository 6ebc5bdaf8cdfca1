#include "tools/view_tool_icons.h"

#include "tools/icon_painting.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace {

using namespace icon_painting;

// The skin of the hand and the glass of the magnifier.
const QColor kSkin(250, 225, 190);
const QColor kGlass(200, 225, 250);

QPixmap drawArrowTool() {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // The patch being picked, with the handles of an active one.
    const QRectF patch(12, 12, 17, 15);
    QColor fill = kPatchColour;
    fill.setAlpha(90);
    painter.setBrush(fill);
    painter.setPen(QPen(kPatchColour, 2.0));
    painter.drawRect(patch);
    drawHandles(painter,
                {patch.topLeft(), patch.topRight(), patch.bottomRight(), patch.bottomLeft()});
    // The arrow pointer, its tip at the top left.
    const QPolygonF arrow(
        {{3, 2}, {3, 22}, {8, 17.5}, {11.5, 25.5}, {14.5, 24}, {11, 16.5}, {17.5, 16.5}});
    painter.setBrush(Qt::black);
    painter.setPen(QPen(Qt::white, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolygon(arrow);
    return pixmap;
}

QPixmap drawHandTool() {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(90, 60, 40), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(kSkin);
    // Four fingers (rounded bars of different heights), the palm, the thumb.
    const qreal tops[] = {7, 4, 5, 8};
    for (int i = 0; i < 4; ++i)
        painter.drawRoundedRect(QRectF(9 + i * 4.5, tops[i], 4.5, 16), 2.2, 2.2);
    QPainterPath palm;
    palm.moveTo(9, 16);
    palm.lineTo(27, 16);
    palm.cubicTo(27, 24, 24, 29, 18, 29);
    palm.cubicTo(12, 29, 9, 25, 9, 20);
    palm.closeSubpath();
    painter.drawPath(palm);
    QPainterPath thumb;
    thumb.moveTo(9.5, 22);
    thumb.cubicTo(6, 19, 3, 15, 4.5, 13.5);
    thumb.cubicTo(6, 12, 8.5, 14.5, 10.5, 17);
    painter.drawPath(thumb);
    return pixmap;
}

QPixmap drawZoomTool() {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(60, 60, 60), 5.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(20, 20), QPointF(28, 28));
    painter.setPen(QPen(QColor(40, 40, 40), 2.5));
    painter.setBrush(kGlass);
    painter.drawEllipse(QPointF(13, 13), 9.5, 9.5);
    painter.setPen(QPen(QColor(40, 40, 40), 2.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(8.5, 13), QPointF(17.5, 13));
    painter.drawLine(QPointF(13, 8.5), QPointF(13, 17.5));
    return pixmap;
}

QPixmap drawPipette() {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // A drop of the picked colour under the tip.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 130, 220));
    painter.drawEllipse(QPointF(4.5, 28), 3, 3);
    // The glass tube, the collar and the bulb.
    painter.setPen(QPen(QColor(70, 70, 70), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(kGlass);
    painter.drawPolygon(QPolygonF({{5, 25}, {18, 12}, {21, 15}, {8, 28}}));
    painter.setBrush(QColor(120, 120, 120));
    painter.drawPolygon(QPolygonF({{16.5, 11}, {19.5, 8}, {25, 13.5}, {22, 16.5}}));
    painter.setBrush(QColor(200, 50, 50));
    painter.drawEllipse(QPointF(24.5, 7.5), 5, 5);
    return pixmap;
}

} // namespace

QIcon arrowToolIcon() {
    return QIcon(drawArrowTool());
}

QIcon handToolIcon() {
    return QIcon(drawHandTool());
}

QIcon zoomToolIcon() {
    return QIcon(drawZoomTool());
}

QIcon pipetteIcon() {
    return QIcon(drawPipette());
}
