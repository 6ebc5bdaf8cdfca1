#include "shell/window_placement.h"

#include <QtGlobal>

QRect firstStartGeometry(const QRect& available) {
    const int dx = qRound(available.width() / 10.0);
    const int dy = qRound(available.height() / 10.0);
    return available.adjusted(dx, dy, -dx, -dy);
}

QRect fitIntoScreen(QRect rect, const QRect& available) {
    if (rect.isEmpty() || available.isEmpty() || available.contains(rect)) return rect;
    if (rect.height() > available.height()) rect.setHeight(available.height());
    if (rect.width() > available.width()) rect.setWidth(available.width());
    if (rect.bottom() > available.bottom()) rect.moveBottom(available.bottom());
    if (rect.top() < available.top()) rect.moveTop(available.top());
    if (rect.left() < available.left()) rect.moveLeft(available.left());
    if (rect.right() > available.right()) rect.moveRight(available.right());
    return rect;
}

DefaultLayout defaultPanelLayout(const DefaultLayoutInput& input) {
    DefaultLayout layout;
    const QRect& available = input.available;
    const int top = input.optionsBarBottom + 12;
    layout.working = QRect(QPoint(available.left() + 8, top),
                           QPoint(available.right() - 26, available.bottom()));
    const QRect& working = layout.working;

    int floatingLeft = working.left() + input.gap;
    if (!input.paletteHasPosition) {
        layout.palette = working.topLeft();
        floatingLeft += input.paletteWidth;
    }
    int y = working.top();
    for (const QSize& hint : input.floatingPanels) {
        layout.floating << QPoint(floatingLeft, y);
        y += hint.height() + 3 * input.gap;
    }

    // x() + width() is one past the right edge: the column ends on it.
    int x = working.x() + working.width() - input.columnWidth;
    y = working.top();
    for (int height : input.stackedHeights) {
        if (y != working.top() && y + height > working.bottom() + 1) {
            x -= input.gap + input.columnWidth;
            y = working.top();
        }
        layout.stacked << QPoint(x, y);
        y += height + input.gap;
    }
    return layout;
}
