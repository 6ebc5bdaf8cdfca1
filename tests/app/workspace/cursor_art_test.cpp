// Cursor pictures written as rows: '#' black, '.' white, ' ' see-through.
#include "workspace/cursor_art.h"

#include "workspace/hand_cursors.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

// Whether the bitmap's pixel is set (Qt::color1, black in its image).
bool isSet(const QBitmap& bitmap, int x, int y) {
    return qGray(bitmap.toImage().pixel(x, y)) < 128;
}

TEST(CursorArt, HashIsBlackDotIsWhiteSpaceShowsThrough) {
    const CursorArt art = cursorArt({"#. ", " #."});
    ASSERT_EQ(art.bitmap.size(), QSize(3, 2));
    ASSERT_EQ(art.mask.size(), QSize(3, 2));
    const char* const rows[] = {"#. ", " #."};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            SCOPED_TRACE(testing::Message() << x << ", " << y);
            const char c = rows[y][x];
            EXPECT_EQ(isSet(art.bitmap, x, y), c == '#');
            EXPECT_EQ(isSet(art.mask, x, y), c != ' ');
        }
}

TEST(CursorArt, RowsThatMakeNoPictureGiveNoCursor) {
    EXPECT_TRUE(cursorArt({}).bitmap.isNull());
    EXPECT_TRUE(cursorArt({"##", "#"}).bitmap.isNull());
    EXPECT_EQ(createArtCursor({"##", "#"}, 0, 0), nullptr);
    const auto cursor = createArtCursor({"#.", ".#"}, 1, 0);
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor->shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor->hotSpot(), QPoint(1, 0));
}

TEST(HandCursors, AreSixteenSquareWithTheirHotSpotsOnTheHand) {
    struct Case {
        QStringList art;
        QPoint hotSpot;
    };
    const Case cases[] = {
        {pointingHandArt(), QPoint(5, 1)},
        {openHandArt(), QPoint(7, 7)},
        {grabbingHandArt(), QPoint(8, 9)},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.art.size(), 16);
        for (const QString& row : c.art)
            EXPECT_EQ(row.size(), 16);
        // The hot spot lies on the drawn hand, not on the see-through part.
        EXPECT_NE(c.art[c.hotSpot.y()][c.hotSpot.x()], QLatin1Char(' '));
    }
    EXPECT_EQ(createPointingHandCursor()->hotSpot(), QPoint(5, 1));
    EXPECT_EQ(createOpenHandCursor()->hotSpot(), QPoint(7, 7));
    EXPECT_EQ(createGrabbingHandCursor()->hotSpot(), QPoint(8, 9));
}

} // namespace
