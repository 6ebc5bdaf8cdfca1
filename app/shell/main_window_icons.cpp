#include "shell/main_window_icons.h"

#include "tools/icon_painting.h"
#include "tools/tool_icons.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

using namespace icon_painting;

// A curved arrow across the icon: to the left for undo, mirrored for redo.
QPixmap drawTurnArrow(bool mirrored) {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    if (mirrored) {
        painter.translate(kIconSize, 0);
        painter.scale(-1, 1);
    }
    const QColor colour(40, 90, 170);
    QPainterPath shaft;
    shaft.moveTo(10, 12);
    shaft.cubicTo(22, 8, 30, 16, 26, 24);
    shaft.cubicTo(24, 28, 18, 29, 14, 27);
    painter.setPen(QPen(colour, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shaft);
    QPainterPath head;
    head.moveTo(3, 12);
    head.lineTo(12, 4);
    head.lineTo(13, 19);
    head.closeSubpath();
    painter.setPen(QPen(colour.darker(130), 1.0));
    painter.setBrush(colour);
    painter.drawPath(head);
    return pixmap;
}

QPixmap drawStop() {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(130, 10, 10), 1.0));
    painter.setBrush(QColor(215, 35, 35));
    painter.drawEllipse(QPointF(16, 16), 13, 13);
    painter.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(11, 11), QPointF(21, 21));
    painter.drawLine(QPointF(21, 11), QPointF(11, 21));
    return pixmap;
}

// Three sliders with their knobs at different places.
QPixmap drawPreferences() {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double knobs[] = {10, 22, 15};
    for (int i = 0; i < 3; ++i) {
        const double y = 8 + i * 8;
        painter.setPen(QPen(QColor(90, 90, 90), 2.0, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(4, y), QPointF(28, y));
        painter.setPen(QPen(QColor(40, 40, 40), 1.0));
        painter.setBrush(QColor(230, 230, 230));
        painter.drawRoundedRect(QRectF(knobs[i] - 3, y - 4, 6, 8), 1.5, 1.5);
    }
    return pixmap;
}

// A magnifier with a plus (zoom in) or a minus.
QPixmap drawMagnifier(bool plus) {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(90, 60, 30), 5.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(20, 20), QPointF(28, 28));
    painter.setPen(QPen(QColor(60, 60, 60), 2.5));
    painter.setBrush(QColor(225, 240, 255));
    painter.drawEllipse(QPointF(13, 13), 10, 10);
    painter.setPen(QPen(Qt::black, 2.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(8, 13), QPointF(18, 13));
    if (plus) painter.drawLine(QPointF(13, 8), QPointF(13, 18));
    return pixmap;
}

// A mask of the class colour (stripes of each class for more than one)
// with small holes, one of them being filled.
QPixmap drawClean(int statuses) {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF mask(3, 5, 26, 22);
    QPainterPath shape;
    shape.addRoundedRect(mask, 5, 5);
    QList<int> classes;
    for (int status : {2, 4, 8})
        if (statuses & status) classes << status;
    if (classes.isEmpty()) classes << 1;
    painter.setPen(Qt::NoPen);
    const double band = mask.width() / classes.size();
    for (int i = 0; i < classes.size(); ++i) {
        painter.save();
        painter.setClipRect(QRectF(mask.left() + i * band, 0, band, kIconSize));
        painter.fillPath(shape, iconColourOf(classes[i]));
        painter.restore();
    }
    painter.setPen(QPen(QColor(60, 60, 60), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(10, 20), 2.5, 2.5);
    painter.drawEllipse(QPointF(22, 20), 2, 2);
    painter.setBrush(QColor(255, 255, 255, 120));
    painter.drawEllipse(QPointF(16, 11), 3, 3);
    return pixmap;
}

// The mask of the last stroke: a brushed band, cleaned.
QPixmap drawCleanLast() {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath stroke;
    stroke.moveTo(5, 24);
    stroke.cubicTo(10, 6, 20, 30, 27, 8);
    painter.setPen(QPen(iconColourOf(2), 9.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(stroke);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(9, 17), 1.8, 1.8);
    painter.setBrush(QColor(255, 255, 255, 120));
    painter.drawEllipse(QPointF(22, 17), 2.2, 2.2);
    return pixmap;
}

// A leaf lifted off a chequer: the photograph's object with its background
// taken away.
QPixmap drawCreateCutout() {
    QPixmap pixmap = blankIcon();
    QPainter painter(&pixmap);
    drawChequer(painter, QPointF(2, 2), 7);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath leaf;
    leaf.moveTo(16, 29);
    leaf.cubicTo(3, 22, 6, 8, 16, 3);
    leaf.cubicTo(26, 8, 29, 22, 16, 29);
    QLinearGradient green(QPointF(8, 4), QPointF(24, 28));
    green.setColorAt(0, QColor(140, 210, 110));
    green.setColorAt(1, QColor(40, 120, 60));
    painter.setBrush(green);
    painter.setPen(QPen(QColor(20, 70, 30), 1.2));
    painter.drawPath(leaf);
    painter.setPen(QPen(QColor(230, 250, 220), 1.0));
    painter.drawLine(QPointF(16, 27), QPointF(16, 7));
    return pixmap;
}

// The product's mark: a dark badge with "Z3" and a cut-out corner.
QPixmap drawLogo(bool active) {
    const QSize size(72, 32);
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF badge(1, 1, size.width() - 2, size.height() - 2);
    QLinearGradient fill(badge.topLeft(), badge.bottomLeft());
    fill.setColorAt(0, active ? QColor(70, 110, 190) : QColor(50, 64, 96));
    fill.setColorAt(1, active ? QColor(40, 70, 140) : QColor(30, 38, 60));
    painter.setPen(QPen(active ? QColor(255, 210, 90) : QColor(20, 24, 40), 1.5));
    painter.setBrush(fill);
    painter.drawRoundedRect(badge, 6, 6);
    // The corner where the background was cut away.
    QPainterPath corner;
    corner.moveTo(badge.right() - 16, badge.top() + 2);
    corner.lineTo(badge.right() - 2, badge.top() + 2);
    corner.lineTo(badge.right() - 2, badge.top() + 16);
    corner.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(150, 214, 120));
    painter.drawPath(corner);
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(19);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(active ? QColor(255, 230, 150) : Qt::white);
    painter.drawText(badge.adjusted(0, 0, -10, 0), Qt::AlignCenter, QStringLiteral("Z3"));
    return pixmap;
}

} // namespace

QIcon undoIcon() {
    return QIcon(drawTurnArrow(false));
}

QIcon redoIcon() {
    return QIcon(drawTurnArrow(true));
}

QIcon stopIcon() {
    return QIcon(drawStop());
}

QIcon preferencesIcon() {
    return QIcon(drawPreferences());
}

QIcon zoomInIcon() {
    return QIcon(drawMagnifier(true));
}

QIcon zoomOutIcon() {
    return QIcon(drawMagnifier(false));
}

QIcon cleanStatusesIcon(int statuses) {
    return QIcon(drawClean(statuses));
}

QIcon cleanLastSelectionIcon() {
    return QIcon(drawCleanLast());
}

QIcon createCutoutIcon() {
    return QIcon(drawCreateCutout());
}

QPixmap paletteLogo() {
    return drawLogo(false);
}

QPixmap paletteLogoActive() {
    return drawLogo(true);
}
