#include "model/gm_status_array.h"

#include "engine_bridge/vk_cmd_set_status.h"
#include "model/highlight_thread.h"
#include "model/zt_app_prefs.h"
#include "command_recorder.h"
#include "model_fixture.h"
#include "support/test_environment.h"

#include <QSignalSpy>
#include <QSlider>

#include <gtest/gtest.h>

#include <vector>

namespace {

// A status image the engine would make: rows padded to four bytes.
struct StatusBuffer {
    StatusBuffer(int width, int height)
        : rowBytes((width + 3) / 4 * 4),
          bytes(std::size_t(rowBytes) * height, 1), image{width, height, rowBytes, VkKindStatus,
                                                          bytes.data()} {}
    void set(int x, int y, uchar value) { bytes[std::size_t(y) * rowBytes + x] = value; }
    void fillPadding(uchar value) {
        for (int y = 0; y < image.height; ++y)
            for (int x = image.width; x < rowBytes; ++x)
                set(x, y, value);
    }

    int rowBytes;
    std::vector<uchar> bytes;
    VkImage image;
};

// Colours compared channel by channel within one step of rounding.
::testing::AssertionResult near(QRgb actual, const QColor& expected) {
    const QColor a = QColor::fromRgba(actual);
    if (qAbs(a.red() - expected.red()) <= 1 && qAbs(a.green() - expected.green()) <= 1 &&
        qAbs(a.blue() - expected.blue()) <= 1 && qAbs(a.alpha() - expected.alpha()) <= 1)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a.name(QColor::HexArgb).toStdString() << " is not "
                                         << expected.name(QColor::HexArgb).toStdString();
}

class GmStatusArrayTest : public ModelFixture {
protected:
    ~GmStatusArrayTest() override { GmStatusArray::setOpacitySlider(nullptr); }
};

TEST_F(GmStatusArrayTest, ShowsEachClassInItsColourAtHalfOpacityWithoutASlider) {
    StatusBuffer buffer(4, 1);
    GmStatusArray array;
    array.setImage(&buffer.image);
    const QImage& status = array.statusImage();
    ASSERT_EQ(status.format(), QImage::Format_Indexed8);
    EXPECT_EQ(status.constBits(), buffer.bytes.data()) << "the engine's bytes, not a copy";
    EXPECT_DOUBLE_EQ(array.maskOpacity(), 0.5);

    // In HSV: saturation x sqrt(0.5), alpha 0.5, hue and value as they are.
    const QColor keepAtHalf(75, 255, 75, 128);
    const QColor whiteAtHalf(255, 255, 255, 128);
    EXPECT_TRUE(near(status.color(0x02), keepAtHalf));
    EXPECT_TRUE(near(status.color(0x12), keepAtHalf)) << "a forced edge shows its class";
    EXPECT_TRUE(near(status.color(0x22), whiteAtHalf)) << "protection shows over the class";
    EXPECT_TRUE(near(status.color(0x10), whiteAtHalf)) << "the class of 0x10 is entry 0";
    EXPECT_TRUE(near(status.color(0x04), QColor(255, 75, 75, 128)));
    EXPECT_TRUE(near(status.color(0x08), QColor(75, 75, 255, 128)));
    for (const int transparent : {0x01, 0x03, 0x05, 0x06, 0x07, 0x09, 0x0E, 0x16, 0x81})
        EXPECT_EQ(status.color(transparent), 0u) << transparent;
}

TEST_F(GmStatusArrayTest, FollowsTheMaskOpacitySlider) {
    StatusBuffer buffer(4, 1);
    QSlider slider;
    slider.setRange(26, 255);
    slider.setValue(255);
    GmStatusArray::setOpacitySlider(&slider);
    GmStatusArray array;
    array.setImage(&buffer.image);
    EXPECT_DOUBLE_EQ(array.maskOpacity(), 1.0);
    EXPECT_TRUE(near(array.statusImage().color(0x12), QColor(0, 255, 0, 255)));
    EXPECT_TRUE(near(array.statusImage().color(0x22), QColor(255, 255, 255, 255)));
    EXPECT_TRUE(near(array.statusImage().color(0x10), QColor(255, 255, 255, 255)));
    EXPECT_EQ(array.statusImage().color(0x06), 0u);

    // Connected when the image was shown: moving the slider recolours.
    slider.setValue(26);
    EXPECT_DOUBLE_EQ(array.maskOpacity(), 0.0);
    EXPECT_EQ(qAlpha(array.statusImage().color(0x12)), 0);
    EXPECT_EQ(qAlpha(array.displayImage().color(0x12)), 0) << "the display copy follows";
}

TEST_F(GmStatusArrayTest, TheHighlightImageIsMonoWithTransparentWhiteAndTheHighlightColour) {
    StatusBuffer buffer(9, 3);
    GmStatusArray array;
    array.setImage(&buffer.image);
    const QImage& highlight = array.highlightImage();
    EXPECT_EQ(highlight.format(), QImage::Format_Mono);
    EXPECT_EQ(highlight.size(), QSize(9, 3));
    EXPECT_EQ(highlight.color(0), 0x00FFFFFFu);
    // Yellow at g = 0.85 + 0.15 x 0.5 = 0.925.
    EXPECT_TRUE(near(highlight.color(1), QColor(255, 255, 10, 236)));

    array.highlightColourChanged(Qt::blue);
    EXPECT_TRUE(near(array.highlightImage().color(1), QColor(10, 10, 255, 236)));
}

TEST_F(GmStatusArrayTest, StatusesPresentReadOnlyPixelsNeverRowPadding) {
    StatusBuffer buffer(5, 3); // 3 bytes of padding a row
    buffer.set(1, 0, 0x02);
    buffer.set(4, 2, 0x12);
    buffer.fillPadding(VkStatusDelete | VkStatusBlend);
    GmStatusArray array;
    QSignalSpy changed(&array, &GmStatusArray::statusesPresentChanged);
    QSignalSpy statusChanged(&array, &GmStatusArray::statusChanged);
    array.setImage(&buffer.image);
    EXPECT_EQ(array.statusesPresent(), 0x13) << "keep, unassigned and the forced edge only";
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<VkPixelStatus>(), 0x13);
    EXPECT_EQ(statusChanged.count(), 1);
}

TEST_F(GmStatusArrayTest, StatusesPresentStopOnceEveryClassWasSeen) {
    StatusBuffer buffer(4, 2);
    buffer.set(0, 0, 0x01);
    buffer.set(1, 0, 0x02);
    buffer.set(2, 0, 0x04);
    buffer.set(3, 0, 0x08);
    buffer.set(0, 1, 0x22); // after the stop: never seen
    GmStatusArray array;
    array.setImage(&buffer.image);
    EXPECT_EQ(array.statusesPresent(), 0x0F);

    // Back to 0, with a signal, when the image goes.
    QSignalSpy changed(&array, &GmStatusArray::statusesPresentChanged);
    array.setImage(nullptr);
    EXPECT_EQ(array.statusesPresent(), 0);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_TRUE(array.statusImage().isNull());
    EXPECT_TRUE(array.highlightImage().isNull());
}

TEST_F(GmStatusArrayTest, TheTrimapIsWhiteForKeepBlackForDeleteAndGreyForEverythingElse) {
    StatusBuffer buffer(6, 1);
    const uchar statuses[] = {0x02, 0x04, 0x08, 0x12, 0x01, 0x00};
    for (int x = 0; x < 6; ++x)
        buffer.set(x, 0, statuses[x]);
    GmStatusArray array;
    array.setImage(&buffer.image);
    const QImage trimap = array.trimap().convertToFormat(QImage::Format_RGB32);
    const QRgb expected[] = {qRgb(255, 255, 255), qRgb(0, 0, 0),       qRgb(128, 128, 128),
                             qRgb(128, 128, 128), qRgb(128, 128, 128), qRgb(128, 128, 128)};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(trimap.pixel(x, 0), expected[x]) << "status " << int(statuses[x]);
    EXPECT_NE(array.trimap().constBits(), buffer.bytes.data()) << "a copy";
}

TEST_F(GmStatusArrayTest, ANewImageStopsAndWaitsForARunningHighlightThread) {
    useImage(1200, 1200);
    StatusBuffer first(1200, 1200);
    StatusBuffer second(1200, 1200);
    GmStatusArray array;
    array.setImage(&first.image);
    array.highlightChanged(std::vector<bool>(256, true), Bx::colour::Red, 0x0F);
    ASSERT_TRUE(array.set1DThread()->isRunning() || array.set1DThread()->isFinished());

    // The pass reads the old status image and writes the old highlight
    // image: a new (non-null) handle must stop it and wait before replacing them.
    array.setImage(&second.image);
    EXPECT_TRUE(array.set1DThread()->stopRequested());
    EXPECT_FALSE(array.set1DThread()->isRunning());
    EXPECT_TRUE(array.set2DThread()->stopRequested());
    EXPECT_EQ(array.statusImage().constBits(), second.bytes.data());
}

TEST_F(GmStatusArrayTest, LoadedStatusesArePushedOnceAnImageIsShown) {
    CommandRecorder recorder;
    StatusBuffer buffer(3, 2);
    QImage loaded(3, 2, QImage::Format_Indexed8);
    loaded.fill(VkStatusKeep);
    GmStatusArray array;
    array.setLoadedImage(loaded);
    EXPECT_TRUE(recorder.commands().empty());
    array.setImage(&buffer.image);
    EXPECT_EQ(recorder.commandsOf<VkCmdSetStatus>().size(), 1);
    EXPECT_TRUE(array.loadedImage().isNull());
}

} // namespace
