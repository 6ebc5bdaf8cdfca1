#include "shell/slider_handle_pictures.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

namespace {

constexpr int kWidth = 12;
constexpr int kHeight = 20;

// The upright handle: a body with rounded shoulders that narrows to a point
// at the bottom, three grip lines across its middle.
QImage drawUprightHandle() {
    QImage picture(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    QPainterPath body;
    body.moveTo(1.5, 3.5);
    body.quadTo(1.5, 0.5, 4.5, 0.5);
    body.lineTo(7.5, 0.5);
    body.quadTo(10.5, 0.5, 10.5, 3.5);
    body.lineTo(10.5, 13.5);
    body.lineTo(6.0, 19.0);
    body.lineTo(1.5, 13.5);
    body.closeSubpath();

    QLinearGradient shade(0, 0, kWidth, 0);
    shade.setColorAt(0.0, QColor(250, 250, 252));
    shade.setColorAt(1.0, QColor(196, 202, 212));
    painter.setBrush(shade);
    painter.setPen(QPen(QColor(84, 92, 108), 1.0));
    painter.drawPath(body);

    painter.setPen(QPen(QColor(60, 110, 180), 1.0));
    for (double y : {5.5, 8.0, 10.5})
        painter.drawLine(QPointF(4.0, y), QPointF(8.0, y));
    return picture;
}

} // namespace

QPixmap sliderHandlePicture(Qt::Orientation orientation) {
    // Kept as images: they outlive the application object, pixmaps may not.
    static const QImage horizontal = drawUprightHandle();
    // Turned a quarter anticlockwise, the point faces right.
    static const QImage vertical = horizontal.transformed(QTransform().rotate(-90));
    return QPixmap::fromImage(orientation == Qt::Horizontal ? horizontal : vertical);
}
