#include "panels/double_arrow_icon.h"

#include <QPainter>
#include <QPixmap>

QIcon doubleArrowIcon(bool show) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(70, 70, 70), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    // Drawn pointing down; turned over for "hide".
    if (!show) {
        painter.translate(0, 16);
        painter.scale(1, -1);
    }
    for (double top : {3.5, 8.5}) {
        const QPointF chevron[] = {{4, top}, {8, top + 4}, {12, top}};
        painter.drawPolyline(chevron, 3);
    }
    return QIcon(pixmap);
}
