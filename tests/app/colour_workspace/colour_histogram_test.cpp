// Building the colour histogram from small images.
#include "colour_workspace/colour_histogram.h"

#include "colour_workspace_fixture.h"
#include "model/gm_model.h"
#include "model/rect_region.h"
#include "model/zt_rectangle.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

using Bx::colour::channel;

// The keys of the bins that hold pixels, in key order.
std::vector<std::pair<int, int>> keysOf(const ColourHistogram& histogram) {
    std::vector<std::pair<int, int>> keys;
    histogram.forEachBin([&](int h, int v, const ColourBin&) { keys.emplace_back(h, v); });
    return keys;
}

ColourHistogram histogramOf(channel horizontal, channel vertical, int colourBits) {
    ColourHistogram histogram;
    histogram.setAxes(horizontal, vertical);
    histogram.setColourBits(colourBits);
    return histogram;
}

// One pixel (200, 100, 50): hue 14, lightness 125, saturation 153; at 5
// colour bits the bins H 1, L 15, S 19, R 25, G 12, B 6.
TEST(ColourHistogramTest, EachAxisPairKeysAndSumsAPixelByItsOwnColumns) {
    const QImage image = plainImage(2, 1, qRgb(200, 100, 50));
    StatusBuffer status(2, 1, VkStatusUnassigned);
    struct Case {
        channel horizontal, vertical;
        int keyH, keyV;
        quint64 sum1, sum2, sum3;
    };
    const Case cases[] = {
        {channel::Hue, channel::Lightness, 1, 15, 200, 100, 50},
        {channel::Hue, channel::Saturation, 1, 19, 200, 100, 50},
        {channel::Lightness, channel::Hue, 15, 1, 200, 100, 50},
        {channel::Lightness, channel::Saturation, 15, 19, 200, 100, 50},
        {channel::Saturation, channel::Hue, 19, 1, 200, 100, 50},
        {channel::Saturation, channel::Lightness, 19, 15, 200, 100, 50},
        {channel::Red, channel::Green, 25, 12, 50, 0, 0},
        {channel::Red, channel::Blue, 25, 6, 100, 0, 0},
        {channel::Green, channel::Red, 12, 25, 50, 0, 0},
        {channel::Green, channel::Blue, 12, 6, 200, 0, 0},
        {channel::Blue, channel::Red, 6, 25, 100, 0, 0},
        {channel::Blue, channel::Green, 6, 12, 200, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.horizontal << " against " << c.vertical);
        ColourHistogram histogram = histogramOf(c.horizontal, c.vertical, 5);
        histogram.rebuildFrom(image, status.image(), nullptr);
        ASSERT_EQ(keysOf(histogram), (std::vector<std::pair<int, int>>{{c.keyH, c.keyV}}));
        const ColourBin* bin = histogram.bin(c.keyH, c.keyV);
        EXPECT_EQ(bin->count, 2u);
        EXPECT_EQ(bin->sum1, c.sum1);
        EXPECT_EQ(bin->sum2, c.sum2);
        EXPECT_EQ(bin->sum3, c.sum3);
        EXPECT_EQ(histogram.largestColumnTotal(), 2u);
    }
    // An axis with itself, or axes of two families, count nothing.
    for (const auto& pair :
         {std::make_pair(channel::Red, channel::Red), std::make_pair(channel::Hue, channel::Hue),
          std::make_pair(channel::Hue, channel::Red),
          std::make_pair(channel::Blue, channel::Saturation)}) {
        ColourHistogram histogram = histogramOf(pair.first, pair.second, 5);
        histogram.rebuildFrom(image, status.image(), nullptr);
        EXPECT_EQ(histogram.binCount(), 0) << pair.first << " against " << pair.second;
        EXPECT_EQ(histogram.largestColumnTotal(), 0u);
    }
}

TEST(ColourHistogramTest, AveragesAreTruncatedAndColumnTotalsAddUpTheirBins) {
    // At 8 bits each (red, green) pair is its own bin.
    QImage image(4, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgb(10, 20, 30));
    image.setPixel(1, 0, qRgb(10, 20, 31));
    image.setPixel(2, 0, qRgb(10, 21, 0));
    image.setPixel(3, 0, qRgb(11, 20, 0));
    StatusBuffer status(4, 1, VkStatusUnassigned);
    ColourHistogram histogram = histogramOf(channel::Red, channel::Green, 8);
    histogram.rebuildFrom(image, status.image(), nullptr);
    ASSERT_EQ(keysOf(histogram), (std::vector<std::pair<int, int>>{{10, 20}, {10, 21}, {11, 20}}));
    EXPECT_EQ(histogram.bin(10, 20)->sum1, 30u) << "61 / 2";
    EXPECT_EQ(histogram.bin(10, 20)->count, 2u);
    EXPECT_EQ(histogram.largestColumnTotal(), 3u) << "column 10 holds 2 + 1";
}

TEST(ColourHistogramTest, OnlyPixelsOfTheViewedClassesAreCounted) {
    const QImage image = plainImage(3, 2, qRgb(0, 0, 0));
    StatusBuffer status(3, 2, VkStatusUnassigned);
    status.set(1, 0, VkStatusDelete);
    status.set(2, 1, VkStatusBlend | VkStatusForcedEdge);
    struct Case {
        VkPixelStatus mask;
        quint32 count;
    };
    const Case cases[] = {
        {VkStatusKeep, 0}, // no keep marks: no bins at all
        {VkStatusUnassigned, 4},
        {VkStatusDelete, 1},
        {VkStatusBlend, 1}, // the forced-edge bit does not hide the class
        {15, 6},
    };
    for (const Case& c : cases) {
        ColourHistogram histogram = histogramOf(channel::Red, channel::Green, 5);
        histogram.setStatusMask(c.mask);
        histogram.rebuildFrom(image, status.image(), nullptr);
        const ColourBin* bin = histogram.bin(0, 0);
        EXPECT_EQ(bin ? bin->count : 0u, c.count) << int(c.mask);
        EXPECT_EQ(histogram.binCount(), c.count ? 1 : 0) << int(c.mask);
    }
}

TEST(ColourHistogramTest, APatchMaskCountsItsInsidePixelsAndNothingPastTheImagesEdge) {
    // Every pixel its own (red, green) bin: red = x, green = y.
    QImage image(8, 8, QImage::Format_ARGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixel(x, y, qRgb(x, y, 0));
    StatusBuffer status(8, 8, VkStatusUnassigned);
    // A 4 x 4 mask at (6, 5): columns 6..9 and rows 5..8, half of it past
    // the image; its pixel (1, 0) is outside the shape.
    QImage mask(4, 4, QImage::Format_Indexed8);
    mask.setColorCount(2);
    mask.fill(1);
    mask.setPixel(1, 0, 0);
    mask.setOffset(QPoint(6, 5));
    ColourHistogram histogram = histogramOf(channel::Red, channel::Green, 8);
    histogram.rebuildFrom(image, status.image(), &mask);
    EXPECT_EQ(keysOf(histogram),
              (std::vector<std::pair<int, int>>{{6, 5}, {6, 6}, {6, 7}, {7, 6}, {7, 7}}));
}

// 4200 x 4100 pixels of one colour in one bin: the sums pass 2^32.
TEST(ColourHistogramTest, AHugeBinKeepsItsColour) {
    const QImage image = plainImage(4200, 4100, qRgb(255, 254, 253));
    StatusBuffer status(4200, 4100, VkStatusUnassigned);
    ColourHistogram histogram = histogramOf(channel::Hue, channel::Lightness, 5);
    histogram.rebuildFrom(image, status.image(), nullptr);
    ASSERT_EQ(histogram.binCount(), 1);
    histogram.forEachBin([](int, int, const ColourBin& bin) {
        EXPECT_EQ(bin.count, 4200u * 4100u);
        EXPECT_EQ(bin.sum1, 255u);
        EXPECT_EQ(bin.sum2, 254u);
        EXPECT_EQ(bin.sum3, 253u);
    });
}

TEST(ColourHistogramTest, RebuildReadsTheModelsImagesAndTheActivePatch) {
    GmModel* model = GmModel::instance();
    ColourHistogram histogram = histogramOf(channel::Red, channel::Green, 8);
    histogram.rebuild();
    EXPECT_EQ(histogram.binCount(), 0) << "no document";

    QImage image(16, 12, QImage::Format_ARGB32);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x)
            image.setPixel(x, y, qRgb(x, y, 0));
    ColourDocument document(image);
    histogram.setRebuildNeeded(true);
    histogram.rebuild();
    EXPECT_FALSE(histogram.rebuildNeeded());
    EXPECT_EQ(histogram.binCount(), 16 * 12);

    // A patch over (2, 3) to (6, 7) restricts the count to its mask.
    auto* patch = new RectRegion(QPointF(2, 3));
    patch->rectangle()->dragCorner(QPointF(6, 7));
    model->setActiveRegion(patch, 0);
    histogram.rebuild();
    std::set<std::pair<int, int>> counted;
    histogram.forEachBin([&](int h, int v, const ColourBin&) { counted.emplace(h, v); });
    EXPECT_FALSE(counted.empty());
    for (const auto& key : counted) {
        EXPECT_TRUE(key.first >= 2 && key.first <= 6 && key.second >= 3 && key.second <= 7)
            << key.first << ", " << key.second;
    }
    model->setActiveRegion(nullptr, 0);
    delete patch;
}

} // namespace
