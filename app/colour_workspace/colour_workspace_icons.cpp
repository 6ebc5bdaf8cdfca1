#include "colour_workspace/colour_workspace_icons.h"

#include "tools/tool_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

QPixmap blank(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A dropper from its tip at `tip` up to the right, `length` long, drawn with
// the painter's pen and brush: a thin glass tube, a collar and a round bulb.
void drawDropper(QPainter& painter, const QPointF& tip, double length) {
    const double unit = length / 30.0;
    painter.save();
    painter.translate(tip);
    painter.rotate(-45.0);
    // The tube from the tip along +x, the bulb at its far end.
    painter.drawPolygon(
        QPolygonF({QPointF(0, 0), QPointF(4 * unit, -2 * unit), QPointF(19 * unit, -2 * unit),
                   QPointF(19 * unit, 2 * unit), QPointF(4 * unit, 2 * unit)}));
    painter.drawRect(QRectF(19 * unit, -3.5 * unit, 3 * unit, 7 * unit));
    painter.drawEllipse(QPointF(26 * unit, 0), 4 * unit, 3.5 * unit);
    painter.restore();
}

} // namespace

QPixmap bucketPicture(int status) {
    QPixmap pixmap = blank(22, 19);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = iconColourOf(status);
    // The bucket, tipped to the right, its mouth an ellipse.
    painter.setPen(QPen(QColor(60, 60, 60), 1.0));
    painter.setBrush(QColor(225, 225, 225));
    QPainterPath bucket;
    bucket.moveTo(2.5, 6.5);
    bucket.lineTo(4.5, 16.5);
    bucket.lineTo(12.5, 16.5);
    bucket.lineTo(14.5, 6.5);
    bucket.closeSubpath();
    painter.drawPath(bucket);
    painter.setBrush(status == 1 ? QColor(255, 255, 255) : colour);
    painter.drawEllipse(QRectF(2.5, 4.5, 12, 4));
    // The handle.
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(3.5, 0.5, 10, 9), 0, 180 * 16);
    if (status != 1) {
        // Paint running over the rim and dripping.
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        QPainterPath pour;
        pour.moveTo(13, 5);
        pour.cubicTo(18, 4, 20, 8, 19.5, 13);
        pour.lineTo(17.5, 13);
        pour.cubicTo(17.5, 9, 16, 7.5, 13.5, 7.5);
        pour.closeSubpath();
        painter.drawPath(pour);
        painter.drawEllipse(QPointF(18.5, 15.5), 1.5, 2);
    }
    return pixmap;
}

QPixmap histogramModePicture() {
    QPixmap pixmap = blank(32, 16);
    QPainter painter(&pixmap);
    const int heights[] = {4, 7, 11, 14, 12, 9, 6, 8, 10, 5, 3};
    const QColor colours[] = {QColor(200, 40, 40),  QColor(220, 120, 30), QColor(220, 200, 40),
                              QColor(120, 200, 40), QColor(40, 180, 80),  QColor(40, 180, 180),
                              QColor(40, 120, 220), QColor(60, 60, 220),  QColor(130, 60, 220),
                              QColor(200, 60, 200), QColor(220, 60, 120)};
    for (int i = 0; i < 11; ++i)
        painter.fillRect(QRect(1 + i * 3, 15 - heights[i], 2, heights[i]), colours[i]);
    painter.setPen(QColor(80, 80, 80));
    painter.drawLine(0, 15, 31, 15);
    return pixmap;
}

QPixmap colourMapModePicture() {
    QPixmap pixmap = blank(32, 16);
    QPainter painter(&pixmap);
    // Hue across, lightness up: a small colour map in a frame.
    for (int x = 0; x < 28; ++x)
        for (int y = 0; y < 12; ++y)
            painter.fillRect(QRect(2 + x, 2 + y, 1, 1),
                             QColor::fromHsl(x * 359 / 28, 200, 220 - y * 16));
    painter.setPen(QColor(80, 80, 80));
    painter.drawRect(QRect(1, 1, 29, 13));
    return pixmap;
}

QPixmap eyePicture(int status) {
    QPixmap pixmap = blank(16, 16);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = status == 1 ? QColor(130, 130, 130) : iconColourOf(status);
    QPainterPath eye;
    eye.moveTo(1, 8);
    eye.quadTo(8, 0, 15, 8);
    eye.quadTo(8, 16, 1, 8);
    painter.setPen(QPen(colour.darker(150), 1.0));
    painter.setBrush(Qt::white);
    painter.drawPath(eye);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QPointF(8, 8), 3.5, 3.5);
    painter.setBrush(Qt::black);
    painter.drawEllipse(QPointF(8, 8), 1.5, 1.5);
    return pixmap;
}

QPixmap crossedOut(const QIcon& icon) {
    QPixmap pixmap = icon.pixmap(64, QIcon::Normal, QIcon::Off);
    if (pixmap.isNull()) return pixmap;
    const int w = pixmap.width();
    const int h = pixmap.height();
    QPainter painter(&pixmap);
    painter.setPen(QPen(Qt::red, 2));
    painter.drawLine(w / 2, 2, w - 2, h / 2);
    painter.drawLine(w / 2, h / 2, w - 2, 2);
    return pixmap;
}

QPixmap chooserTriangle() {
    QPixmap pixmap = blank(9, 9);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::gray);
    painter.translate(4, 4);
    painter.drawPolygon(QPolygonF({QPointF(-3, -4), QPointF(3, -4), QPointF(0, 4)}));
    return pixmap;
}

QIcon colourSamplerIcon() {
    QPixmap pixmap = blank(32, 32);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // A box of four colour swatches behind the dropper.
    const QColor swatches[] = {QColor(220, 60, 60), QColor(60, 170, 60), QColor(60, 90, 220),
                               QColor(240, 210, 60)};
    for (int i = 0; i < 4; ++i)
        painter.fillRect(QRectF(14 + (i % 2) * 8, 2 + (i / 2) * 8, 8, 8), swatches[i]);
    painter.setPen(QPen(QColor(70, 70, 70), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(13.5, 1.5, 17, 17));
    painter.setPen(QPen(QColor(40, 40, 40), 1.2));
    painter.setBrush(QColor(200, 230, 250));
    drawDropper(painter, QPointF(2, 30), 30);
    // A drop of the sampled colour at the tip.
    painter.setPen(Qt::NoPen);
    painter.setBrush(swatches[0]);
    painter.drawEllipse(QPointF(4, 28), 2, 2);
    return QIcon(pixmap);
}

QIcon colourWorkspacePaletteIcon() {
    QPixmap pixmap = blank(32, 32);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath palette;
    palette.addEllipse(QRectF(2, 5, 28, 22));
    QPainterPath thumb;
    thumb.addEllipse(QRectF(17, 17, 7, 6));
    painter.setPen(QPen(QColor(110, 80, 40), 1.2));
    painter.setBrush(QColor(225, 190, 130));
    painter.drawPath(palette.subtracted(thumb));
    const QColor dabs[] = {QColor(220, 40, 40), QColor(240, 200, 40), QColor(40, 170, 60),
                           QColor(40, 90, 220), QColor(240, 240, 240)};
    const QPointF at[] = {QPointF(9, 12), QPointF(15, 9), QPointF(22, 10), QPointF(25, 16),
                          QPointF(9, 20)};
    painter.setPen(QPen(QColor(60, 60, 60), 0.6));
    for (int i = 0; i < 5; ++i) {
        painter.setBrush(dabs[i]);
        painter.drawEllipse(at[i], 2.6, 2.3);
    }
    return QIcon(pixmap);
}
