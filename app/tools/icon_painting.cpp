#include "tools/icon_painting.h"

#include <QPainter>
#include <QRectF>

namespace icon_painting {

QPixmap blankIcon() {
    QPixmap pixmap(kIconSize, kIconSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void drawHandles(QPainter& painter, const QVector<QPointF>& points) {
    painter.setPen(QPen(kPatchShade, 1.0));
    painter.setBrush(Qt::white);
    for (const QPointF& p : points)
        painter.drawRect(QRectF(p - QPointF(2, 2), QSizeF(4, 4)));
}

void drawChequer(QPainter& painter, const QPointF& topLeft, int cells) {
    painter.setPen(Qt::NoPen);
    for (int row = 0; row < cells; ++row)
        for (int column = 0; column < cells; ++column) {
            painter.setBrush((row + column) % 2 ? QColor(200, 200, 200) : QColor(250, 250, 250));
            painter.drawRect(QRectF(topLeft.x() + column * 4, topLeft.y() + row * 4, 4, 4));
        }
}

} // namespace icon_painting
