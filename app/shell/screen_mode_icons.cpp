#include "shell/screen_mode_icons.h"

#include <QColor>
#include <QPainter>

QPixmap screenModePicture(int mode) {
    if (mode < 0 || mode > 2) return QPixmap();
    QPixmap pixmap(13, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QColor frame(60, 60, 60);
    const QColor bar(40, 110, 200);
    const QColor menu(170, 170, 170);
    const QColor area(235, 235, 235);
    // The screen's outline.
    painter.setPen(frame);
    painter.setBrush(area);
    painter.drawRect(0, 0, 12, 11);
    switch (mode) {
    case 0:
        // A smaller window inside: title bar, menu strip, work area.
        painter.fillRect(3, 3, 7, 6, Qt::white);
        painter.fillRect(3, 3, 7, 1, bar);
        painter.fillRect(3, 4, 7, 1, menu);
        painter.setPen(frame);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(2, 2, 8, 7);
        break;
    case 1:
        // No title bar: the menu strip at the top, the rest work area.
        painter.fillRect(1, 1, 11, 2, menu);
        painter.fillRect(1, 3, 11, 8, Qt::white);
        break;
    default:
        // Work area edge to edge.
        painter.fillRect(1, 1, 11, 10, Qt::white);
        break;
    }
    return pixmap;
}
