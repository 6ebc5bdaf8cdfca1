#include "shell/splash_picture.h"

#include "shell/services/shell_functions.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

const QSize kSize(520, 320);

// A leaf-like shape: what the user cut out of the backdrop.
QPainterPath cutOutShape(const QRectF& box) {
    QPainterPath path;
    const QPointF top(box.center().x(), box.top());
    const QPointF bottom(box.center().x(), box.bottom());
    path.moveTo(bottom);
    path.cubicTo(QPointF(box.left() - box.width() * 0.15, box.bottom() - box.height() * 0.35),
                 QPointF(box.left() + box.width() * 0.1, box.top() + box.height() * 0.1), top);
    path.cubicTo(QPointF(box.right() - box.width() * 0.1, box.top() + box.height() * 0.1),
                 QPointF(box.right() + box.width() * 0.15, box.bottom() - box.height() * 0.35),
                 bottom);
    return path;
}

// The checks that stand for transparency.
void paintChecks(QPainter& painter, const QRectF& area, int cell) {
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);
    painter.fillRect(area, QColor(236, 236, 236));
    for (int y = int(area.top()); y < area.bottom(); y += cell)
        for (int x = int(area.left()); x < area.right(); x += cell)
            if (((x - int(area.left())) / cell + (y - int(area.top())) / cell) % 2)
                painter.fillRect(QRect(x, y, cell, cell), QColor(204, 204, 204));
    painter.restore();
}

} // namespace

QPixmap splashPicture(qreal pixelRatio) {
    QPixmap pixmap(kSize * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF whole(QPointF(0, 0), kSize);

    // Dusk over hills: the photograph the cut-out came from.
    QLinearGradient sky(whole.topLeft(), whole.bottomLeft());
    sky.setColorAt(0.0, QColor(32, 46, 84));
    sky.setColorAt(0.6, QColor(94, 84, 120));
    sky.setColorAt(1.0, QColor(214, 140, 96));
    painter.fillRect(whole, sky);
    QPainterPath hills;
    hills.moveTo(0, 250);
    hills.cubicTo(120, 200, 220, 270, 340, 230);
    hills.cubicTo(420, 205, 480, 220, 520, 210);
    hills.lineTo(520, 320);
    hills.lineTo(0, 320);
    painter.fillPath(hills, QColor(40, 52, 60));

    // The cut-out: checks where the shape was taken, the shape lifted beside it.
    const QRectF hole(360, 64, 104, 160);
    const QPainterPath holePath = cutOutShape(hole);
    painter.save();
    painter.setClipPath(holePath);
    paintChecks(painter, hole, 10);
    painter.restore();
    QPen dashed(QColor(255, 255, 255, 220), 1.5, Qt::DashLine);
    painter.strokePath(holePath, dashed);

    const QPainterPath lifted = cutOutShape(hole.translated(38, -16));
    painter.fillPath(lifted.translated(4, 6), QColor(0, 0, 0, 70));
    QRadialGradient leaf(hole.center() + QPointF(10, -40), 140);
    leaf.setColorAt(0.0, QColor(150, 214, 120));
    leaf.setColorAt(1.0, QColor(46, 128, 70));
    painter.fillPath(lifted, leaf);
    painter.strokePath(lifted, QPen(QColor(255, 255, 255), 2));

    // The product's name and what it is.
    painter.setPen(Qt::white);
    QFont title(QStringLiteral("Sans Serif"));
    title.setPixelSize(44);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRectF(32, 70, 300, 60), Qt::AlignLeft | Qt::AlignVCenter, productName());
    QFont line = title;
    line.setPixelSize(15);
    line.setBold(false);
    painter.setFont(line);
    painter.drawText(QRectF(34, 128, 290, 44), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     productTagline());
    line.setPixelSize(12);
    painter.setFont(line);
    painter.setPen(QColor(255, 255, 255, 200));
    painter.drawText(QRectF(34, 280, 300, 24), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("%1 %2").arg(makerName(), productName()));
    return pixmap;
}
