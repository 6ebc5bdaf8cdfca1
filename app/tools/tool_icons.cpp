#include "tools/tool_icons.h"

#include "tools/icon_painting.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QVector>

namespace {

using namespace icon_painting;

// A soft blob of the class colour, the region a local or global brush reaches.
void drawRegion(QPainter& painter, const QRectF& box, const QColor& colour) {
    QColor fill = colour;
    fill.setAlpha(110);
    painter.setPen(QPen(colour.darker(130), 1.0));
    painter.setBrush(fill);
    QPainterPath blob;
    blob.moveTo(box.left(), box.center().y());
    blob.cubicTo(box.left(), box.top(), box.center().x(), box.top() - box.height() * 0.2,
                 box.right(), box.top() + box.height() * 0.3);
    blob.cubicTo(box.right() + box.width() * 0.1, box.bottom(), box.center().x(), box.bottom(),
                 box.left(), box.center().y());
    painter.drawPath(blob);
}

// The brush: a handle from the top right to a round tip at the lower left,
// with a dab of paint under the tip.
void drawBrush(QPainter& painter, const QColor& colour) {
    painter.setBrush(colour);
    painter.setPen(QPen(colour.darker(160), 1.0));
    painter.drawEllipse(QPointF(11, 21), 5.5, 5.5);
    painter.setPen(QPen(QColor(90, 60, 30), 3.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(15, 17), QPointF(28, 4));
    painter.setPen(QPen(QColor(160, 160, 160), 3.0, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(13.5, 18.5), QPointF(16.5, 15.5));
}

QPixmap drawMaskBrush(int status, int scope) {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = iconColourOf(status);
    if (scope == 1) {
        drawRegion(painter, QRectF(2, 14, 20, 15), colour);
    } else if (scope == 2) {
        drawRegion(painter, QRectF(2, 16, 16, 12), colour);
        drawRegion(painter, QRectF(19, 18, 11, 10), colour);
        drawRegion(painter, QRectF(2, 2, 11, 9), colour);
    }
    drawBrush(painter, colour);
    if (status == 1) {
        // Erase: the dab is struck through.
        painter.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(7, 25), QPointF(15, 17));
    }
    return pixmap;
}

QPixmap drawCleanTool() {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // A mask with small holes, one of them being filled.
    painter.setPen(QPen(QColor(0, 110, 0), 1.0));
    painter.setBrush(QColor(0, 170, 0));
    painter.drawRoundedRect(QRectF(3, 5, 26, 22), 5, 5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(10, 12), 2.5, 2.5);
    painter.drawEllipse(QPointF(21, 20), 2, 2);
    painter.setBrush(QColor(120, 220, 120));
    painter.drawEllipse(QPointF(19, 11), 2.5, 2.5);
    painter.setPen(QPen(Qt::black, 1.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(19, 6), QPointF(19, 16));
    painter.drawLine(QPointF(14, 11), QPointF(24, 11));
    return pixmap;
}

QPen outlinePen(double width = 2.0) {
    return QPen(kPatchColour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// The see-through fill and the outline of an active patch.
void usePatchPaint(QPainter& painter) {
    QColor fill = kPatchColour;
    fill.setAlpha(90);
    painter.setBrush(fill);
    painter.setPen(outlinePen());
}

QPixmap drawForcedEdgeTool() {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Two areas of nearly one tone, which an edge finder could not tell
    // apart, and the line the user draws between them.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(120, 120, 130));
    painter.drawRect(QRectF(2, 2, 28, 28));
    QPainterPath light;
    light.moveTo(2, 2);
    light.lineTo(12, 2);
    light.lineTo(18, 11);
    light.lineTo(14, 21);
    light.lineTo(22, 30);
    light.lineTo(2, 30);
    light.closeSubpath();
    painter.setBrush(QColor(140, 140, 150));
    painter.drawPath(light);
    const QVector<QPointF> edge{{12, 2}, {18, 11}, {14, 21}, {22, 30}};
    painter.setPen(
        QPen(QColor(255, 255, 255, 120), 5.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(edge);
    painter.setPen(outlinePen());
    painter.drawPolyline(edge);
    drawHandles(painter, {edge[1], edge[2]});
    return pixmap;
}

QPixmap drawPatchBrush() {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath patch;
    patch.moveTo(4, 20);
    patch.cubicTo(3, 10, 14, 6, 20, 11);
    patch.cubicTo(24, 15, 21, 21, 16, 24);
    patch.cubicTo(11, 28, 5, 27, 4, 20);
    usePatchPaint(painter);
    painter.drawPath(patch);
    drawBrush(painter, kPatchColour);
    return pixmap;
}

QPixmap drawPolygonPatch() {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QVector<QPointF> corners{{5, 9}, {20, 4}, {28, 17}, {17, 28}, {6, 22}};
    usePatchPaint(painter);
    painter.drawPolygon(corners);
    drawHandles(painter, corners);
    return pixmap;
}

QPixmap drawRectanglePatch() {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(5, 7, 22, 18);
    usePatchPaint(painter);
    painter.drawRect(box);
    drawHandles(painter, {box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()});
    return pixmap;
}

QPixmap drawCutoutPreview() {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    // The inside of the frame: a chequer where the background was cut away.
    const QRectF frame(4, 4, 24, 24);
    drawChequer(painter, frame.topLeft(), 6);
    painter.setRenderHint(QPainter::Antialiasing);
    // What was kept: part of a round shape, cut off cleanly at the frame.
    painter.save();
    painter.setClipRect(frame);
    painter.setBrush(iconColourOf(2));
    painter.setPen(QPen(iconColourOf(2).darker(150), 1.0));
    painter.drawEllipse(QPointF(24, 24), 12, 12);
    painter.restore();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1.5, Qt::DashLine));
    painter.drawRect(frame);
    return pixmap;
}

} // namespace

QColor iconColourOf(int status) {
    switch (status) {
    case 2:
        return QColor(0, 170, 0);
    case 4:
        return QColor(210, 30, 30);
    case 8:
        return QColor(40, 90, 230);
    default:
        return QColor(128, 128, 128);
    }
}

QIcon maskBrushIcon(int status, int scope) {
    return QIcon(drawMaskBrush(status, scope));
}

QIcon cleanToolIcon() {
    return QIcon(drawCleanTool());
}

QIcon forcedEdgeToolIcon() {
    return QIcon(drawForcedEdgeTool());
}

QIcon patchBrushIcon() {
    return QIcon(drawPatchBrush());
}

QIcon polygonPatchIcon() {
    return QIcon(drawPolygonPatch());
}

QIcon rectanglePatchIcon() {
    return QIcon(drawRectanglePatch());
}

QIcon cutoutPreviewIcon() {
    return QIcon(drawCutoutPreview());
}
