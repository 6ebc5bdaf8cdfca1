#include "tools/tool_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kIconSize = 32;

QPixmap blankIcon() {
    QPixmap pixmap(kIconSize, kIconSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

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
