// The colour workspace's buckets on the real engine: the pixels of the
// selected colours become marks of the class, exactly those, and the blend
// step runs only when the panel asks for it.
#include "colour_workspace/colour_workspace.h"

#include "colour_space.h"
#include "colour_workspace/colour_display.h"
#include "document/document_fixture.h"
#include "model/gm_status_array.h"
#include "support/test_environment.h"

#include <QCheckBox>

#include <gtest/gtest.h>

#include <memory>

namespace {

// 600 x 400 pixels of many lightnesses: a pattern that changes colour
// from pixel to pixel, so a selection covers pixels scattered everywhere.
QImage pattern() {
    QImage image(600, 400, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(
                x, y, qRgb((x * 7 + y * 13) % 256, (x * 3 + y * 5) % 256, (x * 11 + y * 2) % 256));
    return image;
}

class ColourWorkspaceDocumentTest : public DocumentFixture {
protected:
    ColourWorkspaceDocumentTest()
        : window(std::make_unique<QWidget>()),
          panel(new ColourWorkspace(window.get(), nullptr, QStringLiteral("C"))),
          display(panel->colourDisplay_) {}
    ~ColourWorkspaceDocumentTest() override { window.reset(); }

    // The workspace pixels whose lightness lies in [low, high], and whether
    // exactly they (and no others) carry `status`.
    ::testing::AssertionResult exactlyLightnesses(int low, int high, uchar status) const {
        const QImage& source = model()->workspaceImage();
        const QImage& statuses = model()->statusArray()->statusImage();
        int expected = 0, wrong = 0;
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x) {
                const int l = Bx::colour::lightness(source.pixel(x, y));
                const bool selected = l >= low && l <= high;
                expected += selected;
                const bool marked = (statuses.pixelIndex(x, y) & 15) == status;
                wrong += selected != marked;
            }
        if (expected == 0) return ::testing::AssertionFailure() << "nothing selected";
        if (wrong) return ::testing::AssertionFailure() << wrong << " pixels differ";
        return ::testing::AssertionSuccess() << expected << " pixels";
    }

    std::unique_ptr<QWidget> window;
    ColourWorkspace* panel;
    ColourDisplay* display;
};

TEST_F(ColourWorkspaceDocumentTest, ABucketRightAfterSelectingAssignsExactlyTheSelectedPixels) {
    openImage(pattern());
    ASSERT_FALSE(panel->image().isNull());
    // Lightness across at 5 colour bits: a pick selects a bin of eight values.
    display->colourPicked(QColor::fromHsl(0, 0, 40), Qt::NoModifier);
    model()->statusArray()->waitForHighlight();
    // A new selection, and at once the bucket: its pass may well be running.
    display->colourPicked(QColor::fromHsl(0, 0, 200), Qt::NoModifier);
    panel->toKeep();
    EXPECT_TRUE(display->selectionEmpty());
    waitIdle();
    EXPECT_TRUE(exactlyLightnesses(200, 207, 2));

    // Clearing the masks of a range takes them off exactly there.
    display->colourPicked(QColor::fromHsl(0, 0, 200), Qt::NoModifier);
    panel->toUnassigned();
    waitIdle();
    EXPECT_EQ(countWith(2 | 4 | 8), 0);
}

TEST_F(ColourWorkspaceDocumentTest, TheBlendStepRunsOnlyWithAddBlendMaskAutomatically) {
    openImage(twoHalves());
    analyse();
    // The dark half to delete, then the light half to keep.
    display->colourPicked(QColor(40, 60, 30), Qt::NoModifier);
    panel->toDrop();
    waitIdle();
    ASSERT_EQ(countWith(4), 40 * 60);
    display->colourPicked(QColor(220, 200, 230), Qt::NoModifier);
    panel->toKeep();
    waitIdle();
    EXPECT_EQ(countWith(2), 40 * 60);
    EXPECT_EQ(countWith(8), 0);

    panel->setAutoBlend(true);
    EXPECT_TRUE(panel->autoBlend->isChecked());
    display->colourPicked(QColor(220, 200, 230), Qt::NoModifier);
    panel->toKeep();
    waitIdle();
    EXPECT_GT(countWith(8), 0) << "blend where keep meets delete";
}

TEST_F(ColourWorkspaceDocumentTest, WithoutAnImageOrASelectionABucketDoesNothing) {
    panel->toKeep();
    EXPECT_TRUE(model()->brushings().isEmpty());
    openImage(twoHalves());
    panel->toKeep(); // an empty highlight: an assignment of nothing
    waitIdle();
    EXPECT_EQ(countWith(2 | 4 | 8), 0);
}

} // namespace
