// The zoom and pipette pointers drawn as one-bit pictures: their sizes,
// hot spots on the drawing, and the glass telling in, out and neither apart.
#include "tools/tool_cursors.h"

#include <QBitmap>
#include <QImage>

#include <gtest/gtest.h>

namespace {

TEST(ToolCursors, TheZoomGlassesShowPlusMinusOrNothingAroundTheirHotSpot) {
    struct Case {
        const char* what;
        QStringList art;
        QChar bar;     // across the lens (row 6)
        QChar upright; // above the centre (column 6, row 4)
    };
    const Case cases[] = {
        {"in", zoomInArt(), '#', '#'},
        {"out", zoomOutArt(), '#', '.'},
        {"unavailable", zoomUnavailableArt(), '.', '.'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.art.size(), 16);
        for (const QString& row : c.art)
            ASSERT_EQ(row.size(), 16);
        EXPECT_EQ(c.art[6][4], c.bar);
        EXPECT_EQ(c.art[4][6], c.upright);
        EXPECT_EQ(c.art[6][0], QLatin1Char('#')) << "the ring around the lens";
        EXPECT_EQ(c.art[15][15], QLatin1Char('#')) << "the handle";
    }
    for (const auto& cursor :
         {createZoomInCursor(), createZoomOutCursor(), createZoomUnavailableCursor()}) {
        ASSERT_NE(cursor, nullptr);
        EXPECT_EQ(cursor->hotSpot(), QPoint(6, 6));
    }
}

TEST(ToolCursors, ThePipettesTipIsItsHotSpot) {
    const QBitmap bitmap = pipetteCursorBitmap();
    ASSERT_EQ(bitmap.size(), QSize(32, 32));
    EXPECT_LT(qGray(bitmap.toImage().pixel(0, 31)), 128) << "black at the tip";
    const auto cursor = createPipetteCursor();
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor->hotSpot(), QPoint(0, 31));
    EXPECT_LT(qGray(cursor->mask(Qt::ReturnByValue).toImage().pixel(0, 31)), 128)
        << "the tip shows";
}

} // namespace
