#include "model/highlight_thread.h"

#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "model_fixture.h"
#include "support/test_environment.h"

#include <QSlider>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bx::colour::channel;

// Four colours a row, two rows, with their hue, lightness and saturation:
//   (255, 0, 0)      0 127 255    (0, 255, 0)      85 127 255
//   (0, 0, 255)    170 127 255    (200, 100, 50)   14 125 153
//   white            0 255   0    black             0   0   0
//   (128, 128, 128)  0 128   0    (10, 20, 30)    148  20 127
// and their statuses: unassigned, keep, delete, blend; unassigned,
// unassigned, keep, keep with a forced edge (0x12).
struct Fixture {
    Fixture() : source(4, 2, QImage::Format_ARGB32), status(4, 2, QImage::Format_Indexed8) {
        const QRgb colours[8] = {qRgb(255, 0, 0),     qRgb(0, 255, 0),     qRgb(0, 0, 255),
                                 qRgb(200, 100, 50),  qRgb(255, 255, 255), qRgb(0, 0, 0),
                                 qRgb(128, 128, 128), qRgb(10, 20, 30)};
        const uchar statuses[8] = {1, 2, 4, 8, 1, 1, 2, 0x12};
        for (int i = 0; i < 8; ++i) {
            source.setPixel(i % 4, i / 4, colours[i]);
            status.scanLine(i / 4)[i % 4] = statuses[i];
        }
    }
    QImage source;
    QImage status;
};

// A highlight image of 4 x 2 with every pixel `index`.
QImage output(int index) {
    QImage image(4, 2, QImage::Format_Mono);
    image.fill(index);
    return image;
}

// The pixels as "0110 1000" (row by row).
std::string bits(const QImage& image) {
    std::string text;
    for (int y = 0; y < image.height(); ++y) {
        if (y) text += ' ';
        for (int x = 0; x < image.width(); ++x)
            text += image.pixelIndex(x, y) ? '1' : '0';
    }
    return text;
}

// How many pixels of a one-bit image have index 1.
int countSet(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelIndex(x, y);
    return count;
}

std::vector<bool> values(std::initializer_list<int> list) {
    std::vector<bool> selection(256, false);
    for (int v : list)
        selection[std::size_t(v)] = true;
    return selection;
}

QImage pairs(std::initializer_list<std::pair<int, int>> list) {
    QImage map(256, 256, QImage::Format_Mono);
    map.fill(0);
    for (const auto& pair : list)
        map.setPixel(pair.first, pair.second, 1);
    return map;
}

struct OneAxisCase {
    const char* name;
    channel axis;
    std::vector<bool> selection;
    VkPixelStatus mask;
    int before;
    const char* after;
};

TEST(HighlightThreadTest, OneAxisMarksTheViewedPixelsOfTheSelectedValues) {
    const OneAxisCase cases[] = {
        {"hue 85", channel::Hue, values({85}), 15, 0, "0100 0000"},
        {"lightness 127", channel::Lightness, values({127}), 15, 0, "1110 0000"},
        {"lightness 127, keep and delete viewed", channel::Lightness, values({127}), 6, 0,
         "0110 0000"},
        {"saturation 0", channel::Saturation, values({0}), 15, 0, "0000 1110"},
        {"red 255", channel::Red, values({255}), 15, 0, "1000 1000"},
        {"green 255", channel::Green, values({255}), 15, 0, "0100 1000"},
        {"blue 30, keep viewed (a forced edge too)", channel::Blue, values({30}), 2, 0,
         "0000 0001"},
        {"blue 30, unassigned viewed", channel::Blue, values({30}), 1, 0, "0000 0000"},
        {"nothing selected clears", channel::Red, values({}), 15, 1, "0000 0000"},
        {"no status viewed clears", channel::Red, values({255}), 0, 1, "0000 0000"},
        {"an axis outside the six visits nothing", channel::NonRgb, values({255}), 15, 1,
         "1111 1111"},
    };
    Fixture fixture;
    for (const OneAxisCase& c : cases) {
        Set1DThread thread;
        QImage highlight = output(c.before);
        thread.setSelection(c.selection, c.axis);
        thread.startPass(&highlight, fixture.source, fixture.status, QImage(), QRect(0, 0, 4, 2),
                         c.mask);
        thread.waitForPass();
        EXPECT_EQ(bits(highlight), c.after) << c.name;
    }
}

struct TwoAxisCase {
    const char* name;
    channel horizontal;
    channel vertical;
    QImage selection;
    int before;
    const char* after;
};

TEST(HighlightThreadTest, TwoAxesMarkThePixelsOfTheSelectedPairs) {
    const TwoAxisCase cases[] = {
        {"hue-lightness", channel::Hue, channel::Lightness, pairs({{85, 127}}), 0, "0100 0000"},
        {"lightness-hue reads (lightness, hue)", channel::Lightness, channel::Hue,
         pairs({{127, 0}}), 0, "1000 0000"},
        {"saturation-lightness", channel::Saturation, channel::Lightness, pairs({{0, 255}, {0, 0}}),
         0, "0000 1100"},
        {"red-green", channel::Red, channel::Green, pairs({{255, 255}, {200, 100}}), 0,
         "0001 1000"},
        {"blue-red", channel::Blue, channel::Red, pairs({{255, 0}, {128, 128}}), 0, "0010 0010"},
        {"green-blue, nothing selected", channel::Green, channel::Blue, pairs({}), 1, "0000 0000"},
        {"an axis with itself visits nothing", channel::Hue, channel::Hue, pairs({{0, 0}}), 1,
         "1111 1111"},
        {"two families visit nothing", channel::Red, channel::Hue, pairs({{255, 0}}), 1,
         "1111 1111"},
    };
    Fixture fixture;
    for (const TwoAxisCase& c : cases) {
        Set2DThread thread;
        QImage highlight = output(c.before);
        thread.setSelection(c.selection, c.horizontal, c.vertical);
        thread.startPass(&highlight, fixture.source, fixture.status, QImage(), QRect(0, 0, 4, 2),
                         15);
        thread.waitForPass();
        EXPECT_EQ(bits(highlight), c.after) << c.name;
    }
}

TEST(HighlightThreadTest, APatchMaskLimitsThePassToItsPixelsAtItsOffset) {
    Fixture fixture;
    // Two pixels wide, one high, at (1, 1): only its first pixel is inside.
    QImage mask(2, 1, QImage::Format_Indexed8);
    mask.setColorCount(2);
    mask.scanLine(0)[0] = 1;
    mask.scanLine(0)[1] = 0;
    mask.setOffset(QPoint(1, 1));
    Set1DThread thread;
    thread.setSelection(values({}), channel::Red);
    QImage highlight = output(1);
    thread.startPass(&highlight, fixture.source, fixture.status, mask, QRect(1, 1, 2, 1), 15);
    thread.waitForPass();
    EXPECT_EQ(bits(highlight), "1111 1011");

    // A patch reaching past the image's edge visits only what lies on it.
    mask = QImage(4, 3, QImage::Format_Indexed8);
    mask.fill(1);
    mask.setOffset(QPoint(2, 1));
    thread.setSelection(values({}), channel::Red);
    highlight = output(1);
    thread.startPass(&highlight, fixture.source, fixture.status, mask, QRect(2, 1, 4, 3), 15);
    thread.waitForPass();
    EXPECT_EQ(bits(highlight), "1111 1100");
}

TEST(HighlightThreadTest, ANullRectangleLeavesTheOutputAlone) {
    Fixture fixture;
    Set1DThread thread;
    thread.setSelection(values({}), channel::Red);
    QImage highlight = output(1);
    thread.startPass(&highlight, fixture.source, fixture.status, QImage(), QRect(), 15);
    thread.waitForPass();
    EXPECT_EQ(bits(highlight), "1111 1111");
}

// A photograph-sized workspace, every pixel red and unassigned.
struct BigImages {
    BigImages()
        : source(3000, 2000, QImage::Format_ARGB32), status(3000, 2000, QImage::Format_Indexed8) {
        source.fill(qRgb(255, 0, 0));
        status.fill(1);
    }
    QImage source;
    QImage status;
};

TEST(HighlightThreadTest, StopEndsAPassAtOncePartlyDoneAndTheThreadFinishes) {
    BigImages big;
    Set1DThread thread;
    thread.setSelection(values({255}), channel::Red);
    QImage highlight(3000, 2000, QImage::Format_Mono);
    highlight.fill(0);
    thread.startPass(&highlight, big.source, big.status, QImage(), highlight.rect(), 15);
    thread.stopAndWait();
    EXPECT_TRUE(thread.isFinished());
    EXPECT_EQ(highlight.pixelIndex(2999, 1999), 0) << "the last pixel was never reached";

    // The next pass runs to its end.
    thread.startPass(&highlight, big.source, big.status, QImage(), highlight.rect(), 15);
    thread.waitForPass();
    EXPECT_FALSE(thread.stopRequested());
    EXPECT_EQ(highlight.pixelIndex(2999, 1999), 1);
}

TEST(HighlightThreadTest, APassReadsItsOwnCopiesOfTheImagesItWasGiven) {
    auto big = std::make_unique<BigImages>();
    Set2DThread thread;
    thread.setSelection(pairs({{255, 0}}), channel::Red, channel::Green);
    QImage highlight(3000, 2000, QImage::Format_Mono);
    highlight.fill(0);
    thread.startPass(&highlight, big->source, big->status, QImage(), highlight.rect(), 15);
    // The owner lets its images go while the pass reads them.
    big.reset();
    thread.waitForPass();
    EXPECT_EQ(countSet(highlight), 3000 * 2000);
}

// The status array's passes over the model's workspace image.
class StatusArrayHighlightTest : public ModelFixture {
protected:
    ~StatusArrayHighlightTest() override { GmStatusArray::setOpacitySlider(nullptr); }
};

TEST_F(StatusArrayHighlightTest, TheOverlayCanChangeWhileAPassRuns) {
    useImage(2400, 1600); // every pixel (90, 120, 150)
    const int rowBytes = 2400;
    std::vector<uchar> bytes(std::size_t(rowBytes) * 1600, VkStatusKeep);
    VkImage handle{2400, 1600, rowBytes, VkKindStatus, bytes.data()};
    QSlider opacity;
    opacity.setRange(0, 100);
    GmStatusArray::setOpacitySlider(&opacity);
    GmStatusArray array;
    array.setImage(&handle);

    array.highlightChanged(values({120}), channel::Green, VkStatusKeep);
    // Each move gives the status image a new colour table (a new image over
    // the engine's bytes) and the highlight a new colour.
    for (int value = 0; value <= 100; value += 5)
        opacity.setValue(value);
    array.waitForHighlight();
    EXPECT_EQ(countSet(array.highlightImage()), 2400 * 1600);
    EXPECT_EQ(array.statusImage().constBits(), bytes.data());

    array.setImage(nullptr);
}

TEST_F(StatusArrayHighlightTest, AnEndedPassHasTheImageRepaintedWithItsHighlight) {
    useImage(400, 300);
    std::vector<uchar> bytes(std::size_t(400) * 300, VkStatusUnassigned);
    VkImage handle{400, 300, 400, VkKindStatus, bytes.data()};
    GmStatusArray array;
    array.setImage(&handle);
    forgetDirtyCalls();
    array.highlightChanged(values({120}), channel::Green, 15);
    ASSERT_TRUE(test_support::waitFor([this] { return !dirtyCalls().isEmpty(); }));
    EXPECT_TRUE(array.set1DThread()->hasPassEnded());
    EXPECT_EQ(dirtyCalls().last().rect, GmModel::instance()->imageRect());
    EXPECT_EQ(countSet(array.highlightImage()), 400 * 300);
    array.setImage(nullptr);
}

TEST_F(StatusArrayHighlightTest, WaitingForTheHighlightNeverStopsIt) {
    useImage(2400, 1600);
    std::vector<uchar> bytes(std::size_t(2400) * 1600, VkStatusUnassigned);
    VkImage handle{2400, 1600, 2400, VkKindStatus, bytes.data()};
    GmStatusArray array;
    array.setImage(&handle);
    array.highlightChanged(pairs({{120, 150}}), channel::Green, channel::Blue, 15);
    array.waitForHighlight();
    EXPECT_FALSE(array.set2DThread()->stopRequested());
    EXPECT_EQ(countSet(array.highlightImage()), 2400 * 1600);
    array.setImage(nullptr);
}

} // namespace
