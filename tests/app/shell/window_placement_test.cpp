// Where the window and its panels go: the first start's window, a
// remembered window brought onto a smaller screen, the panels' default places.
#include "shell/window_placement.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowPlacement, TheFirstStartLeavesATenthOfTheScreenOnEachSide) {
    EXPECT_EQ(firstStartGeometry(QRect(0, 0, 1280, 1024)), QRect(128, 102, 1024, 820));
    // Rounded to the nearest pixel, from wherever the area starts.
    EXPECT_EQ(firstStartGeometry(QRect(100, 30, 1366, 735)), QRect(237, 104, 1092, 587));
}

TEST(WindowPlacement, ARememberedWindowIsMovedAndShrunkOntoTheScreen) {
    const QRect screen(0, 0, 1024, 768);
    struct Case {
        const char* name;
        QRect remembered;
        QRect fitted;
    };
    const Case cases[] = {
        {"inside stays", QRect(100, 100, 600, 400), QRect(100, 100, 600, 400)},
        {"past the right edge moves left", QRect(800, 100, 600, 400), QRect(424, 100, 600, 400)},
        {"past the bottom moves up", QRect(100, 600, 600, 400), QRect(100, 368, 600, 400)},
        {"above and left of the screen moves in", QRect(-50, -20, 600, 400), QRect(0, 0, 600, 400)},
        {"from a larger screen shrinks to it", QRect(200, 150, 1600, 1000), QRect(0, 0, 1024, 768)},
        {"too tall only: shrinks and moves up", QRect(300, 100, 500, 900), QRect(300, 0, 500, 768)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fitIntoScreen(c.remembered, screen), c.fitted);
    }
    // A screen that does not start at the origin (a second monitor, a task bar on top).
    EXPECT_EQ(fitIntoScreen(QRect(0, 0, 800, 600), QRect(1280, 40, 1024, 728)),
              QRect(1280, 40, 800, 600));
    // Nothing remembered: nothing to fit.
    EXPECT_EQ(fitIntoScreen(QRect(0, 0, -1, -1), screen), QRect(0, 0, -1, -1));
}

TEST(WindowPlacement, PanelsStackDownTheRightEdgeAndFloatingOnesBesideThePalette) {
    DefaultLayoutInput input;
    input.available = QRect(0, 0, 1280, 1000);
    input.optionsBarBottom = 88;
    input.gap = 20;
    input.paletteWidth = 60;
    input.floatingPanels = {QSize(300, 400), QSize(250, 200)};
    input.columnWidth = 240;
    input.stackedHeights = {300, 350, 200, 250};

    const DefaultLayout layout = defaultPanelLayout(input);
    // 8 in from the left, 26 from the right, 12 below the Options bar.
    EXPECT_EQ(layout.working, QRect(QPoint(8, 100), QPoint(1253, 999)));
    EXPECT_EQ(layout.palette, QPoint(8, 100));
    // A gap right of the palette; the second three gaps below the first's height.
    EXPECT_EQ(layout.floating, QList<QPoint>({QPoint(88, 100), QPoint(88, 560)}));
    // 100 + 300 + 20 + 350 + 20 = 790; 200 more still ends above the bottom
    // (999), the next 250 would not: a new column a gap and a column to the left.
    EXPECT_EQ(layout.stacked, QList<QPoint>({QPoint(1014, 100), QPoint(1014, 420),
                                             QPoint(1014, 790), QPoint(754, 100)}));

    // A palette with a place of its own: the floating panels start a gap in.
    input.paletteHasPosition = true;
    EXPECT_EQ(defaultPanelLayout(input).floating.first(), QPoint(28, 100));
}

} // namespace
