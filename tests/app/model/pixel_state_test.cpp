#include "model/pixel_state.h"

#include "model/zt_polygon.h"
#include "model_fixture.h"
#include "support/test_environment.h"

#include <QBrush>
#include <QPen>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using zt::Polygon;

QPolygonF square(double left, double top, double right, double bottom) {
    return QPolygonF(QVector<QPointF>{QPointF(left, top), QPointF(right, top),
                                      QPointF(right, bottom), QPointF(left, bottom)});
}

// A status image as the engine keeps one: one byte per workspace pixel.
QImage statusImage(int width, int height, uchar fill) {
    QImage image(width, height, QImage::Format_Indexed8);
    QVector<QRgb> colours(256);
    for (int i = 0; i < 256; ++i)
        colours[i] = qRgb(i, i, i);
    image.setColorTable(colours);
    image.fill(fill);
    return image;
}

void setStatus(QImage& image, int x, int y, uchar value) {
    image.scanLine(y)[x] = value;
}

class PixelStateTest : public ModelFixture {
protected:
    void SetUp() override { useImage(16, 16); }
    static QImage* maskOf(Shape& shape) { return shape.mask(Qt::NoPen, QBrush(Qt::color1)); }
};

TEST_F(PixelStateTest, NeverSavedIsStale) {
    Polygon polygon(square(2, 2, 6, 6), Polygon::Closed);
    ASSERT_NE(maskOf(polygon), nullptr);
    const QImage status = statusImage(16, 16, VkStatusUnassigned);
    EXPECT_FALSE(polygon.pixelState()->isSaved());
    EXPECT_TRUE(polygon.pixelState()->isStale(status));

    PixelState withoutMask;
    EXPECT_TRUE(withoutMask.isStale(status));
}

TEST_F(PixelStateTest, SavingWithoutAMaskOnlyLogs) {
    PixelState state;
    state.savemask(statusImage(16, 16, VkStatusKeep));
    EXPECT_FALSE(state.isSaved());
    EXPECT_EQ(state.mask(), nullptr);
    const QStringList lines = test_support::logLines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const QString& line) {
        return line.endsWith("Caught (and avoided) crash in PixelState::savemask (bug 1196)");
    }));
}

TEST_F(PixelStateTest, SavedClassesMatchUntilAStatusUnderTheMaskChanges) {
    Polygon polygon(square(2, 2, 6, 6), Polygon::Closed); // workspace pixels 2..5
    QImage* const mask = maskOf(polygon);
    ASSERT_NE(mask, nullptr);
    ASSERT_EQ(mask->offset(), QPoint(1, 1));

    // Keep with the forced-edge bit on the left half, unassigned with
    // patch protection elsewhere; only the low four bits are saved.
    QImage status = statusImage(16, 16, VkStatusUnassigned | VkStatusPatchProtection);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 4; ++x)
            setStatus(status, x, y, VkStatusKeep | VkStatusForcedEdge);
    PixelState* const state = polygon.pixelState();
    state->savemask(status);
    EXPECT_TRUE(state->isSaved());
    EXPECT_EQ(mask->pixelIndex(1, 1), VkStatusKeep);       // workspace (2, 2)
    EXPECT_EQ(mask->pixelIndex(3, 4), VkStatusUnassigned); // workspace (4, 5)
    EXPECT_EQ(mask->pixelIndex(0, 0), 0);                  // outside stays outside
    EXPECT_FALSE(state->isStale(status));

    // Marks outside the mask and bits above the class change nothing.
    setStatus(status, 10, 10, VkStatusDelete);
    setStatus(status, 3, 3, VkStatusKeep | VkStatusTempDone);
    EXPECT_FALSE(state->isStale(status));

    setStatus(status, 5, 5, VkStatusDelete);
    EXPECT_TRUE(state->isStale(status));
}

TEST_F(PixelStateTest, MergeTakesTheOtherSavedPixelsWhereBothMasksAreSet) {
    Polygon first(square(2, 2, 6, 6), Polygon::Closed);    // workspace 2..5
    Polygon second(square(4, 4, 10, 10), Polygon::Closed); // workspace 4..9
    QImage* const firstMask = maskOf(first);
    ASSERT_NE(firstMask, nullptr);
    ASSERT_NE(maskOf(second), nullptr);

    second.pixelState()->savemask(statusImage(16, 16, VkStatusDelete));
    first.pixelState()->mergeSavedFrom(*second.pixelState());

    const QPoint offset = firstMask->offset();
    for (int y = 0; y < firstMask->height(); ++y)
        for (int x = 0; x < firstMask->width(); ++x) {
            const QPoint workspace = QPoint(x, y) + offset;
            const bool inFirst = QRect(2, 2, 4, 4).contains(workspace);
            const bool inBoth = inFirst && QRect(4, 4, 6, 6).contains(workspace);
            const int expected = inBoth ? VkStatusDelete : inFirst ? 1 : 0;
            EXPECT_EQ(firstMask->pixelIndex(x, y), expected) << x << ", " << y;
        }
}

TEST_F(PixelStateTest, ClearDropsTheMaskSoTheShapeRendersAgain) {
    Polygon polygon(square(2, 2, 6, 6), Polygon::Closed);
    ASSERT_NE(maskOf(polygon), nullptr);
    polygon.pixelState()->savemask(statusImage(16, 16, VkStatusKeep));
    polygon.pixelState()->clear();
    EXPECT_EQ(polygon.pixelState()->mask(), nullptr);
    EXPECT_FALSE(polygon.pixelState()->isSaved());
    const VkMaskRect record = polygon.pixelState()->engineMask();
    EXPECT_EQ(record.data, nullptr);
    EXPECT_EQ(record.width, 0);
    QImage* const again = maskOf(polygon);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->pixelIndex(2, 2), 1);
}

} // namespace
