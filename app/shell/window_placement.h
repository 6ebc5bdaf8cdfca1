// Where the main window and its panels go, as plain arithmetic on rectangles
// (the window applies the answers): the first start's window, a remembered
// window brought back onto a screen that may be smaller now, and the default
// places of the panels.
#ifndef APP_SHELL_WINDOW_PLACEMENT_H
#define APP_SHELL_WINDOW_PLACEMENT_H

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

// The first start's window: `available` inset on each side by a tenth of its
// width (left and right) and of its height (top and bottom), each rounded.
QRect firstStartGeometry(const QRect& available);

// `rect` as it fits into `available`: unchanged when it lies inside;
// otherwise its height and then its width shrunk to the available ones when
// larger, then moved up, down, right or left until no edge sticks out. An
// empty `rect` or `available` comes back unchanged.
QRect fitIntoScreen(QRect rect, const QRect& available);

// What the default panel layout starts from.
struct DefaultLayoutInput {
    // The available area of the screen showing the window.
    QRect available;
    // The global y of the Options tool bar's bottom edge.
    int optionsBarBottom = 0;
    // The height of a panel's title bar: the gap between panels.
    int gap = 0;
    // The palette's width, and whether it has a place of its own already.
    int paletteWidth = 0;
    bool paletteHasPosition = false;
    // The size hints of the panels that float by default, in list order.
    QList<QSize> floatingPanels;
    // The heights of the panels that stack in the column, in list order, and
    // the column's width.
    QList<int> stackedHeights;
    int columnWidth = 0;
};

struct DefaultLayout {
    // Where the working rectangle starts: 8 pixels in from the left of the
    // available area, 26 from its right, 12 below the Options bar.
    QRect working;
    // The palette's place when it had none (else its input is kept).
    QPoint palette;
    // The top-left corners of the floating panels: one gap right of the
    // working rectangle's left edge (and right of a newly placed palette),
    // each further one three gaps below the previous one's size hint.
    QList<QPoint> floating;
    // The top-left corners of the stacked panels: down a column at the
    // working rectangle's right edge, one gap apart; a panel that would reach
    // below the bottom starts a new column one gap and a column further left.
    QList<QPoint> stacked;
};

DefaultLayout defaultPanelLayout(const DefaultLayoutInput& input);

#endif
