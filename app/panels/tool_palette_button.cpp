#include "panels/tool_palette_button.h"

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QStyle>

ToolPaletteButton::ToolPaletteButton(QWidget* parent) : QToolButton(parent) {}

void ToolPaletteButton::nextCheckState() {
    if (companion_) {
        if (lastClick_.isValid() && lastClick_.elapsed() < QApplication::doubleClickInterval()) {
            lastClick_.invalidate();
            if (auto* action = qobject_cast<QAction*>(companion_.data())) action->trigger();
            return;
        }
        QToolButton::nextCheckState();
        lastClick_.start();
        return;
    }
    QToolButton::nextCheckState();
}

void ToolPaletteButton::paintEvent(QPaintEvent* event) {
    QToolButton::paintEvent(event);
    if (actions().size() <= 1) return;

    // A small downward triangle at the bottom right: this button holds a
    // choice of tools.
    QPainter painter(this);
    painter.translate(width() - 8, height() - 8);
    if (isDown())
        painter.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, nullptr, this),
                          style()->pixelMetric(QStyle::PM_ButtonShiftVertical, nullptr, this));
    auto drawMark = [&painter](const QColor& colour) {
        painter.setPen(colour);
        painter.drawLine(-4, -2, 2, -2);
        painter.drawLine(-3, -1, 1, -1);
        painter.drawLine(-2, 0, 0, 0);
        painter.drawPoint(-1, 1);
    };
    if (isEnabled()) {
        drawMark(palette().color(QPalette::ButtonText));
    } else {
        painter.translate(1, 1);
        drawMark(palette().color(QPalette::Light));
        painter.translate(-1, -1);
        drawMark(palette().color(QPalette::Mid));
    }
}
