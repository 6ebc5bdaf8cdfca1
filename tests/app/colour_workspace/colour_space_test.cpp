// The colour-space conversions and the quantisation of axis values.
#include "colour_workspace/colour_quantisation.h"

#include "colour_space.h"

#include <QColor>

#include <gtest/gtest.h>

namespace {

struct Hls {
    int hue, lightness, saturation;
};

TEST(ColourSpaceTest, KnownColoursGiveTheirHueLightnessAndSaturation) {
    struct Case {
        int r, g, b;
        Hls expected;
    };
    const Case cases[] = {
        {255, 0, 0, {0, 127, 255}},
        {0, 255, 0, {85, 127, 255}},
        {0, 0, 255, {170, 127, 255}},
        // Red and green tie for the largest: red's sector, tested first.
        {255, 255, 0, {42, 127, 255}},
        {0, 255, 255, {127, 127, 255}},
        {255, 0, 255, {212, 127, 255}},
        {255, 255, 255, {0, 255, 0}},
        {0, 0, 0, {0, 0, 0}},
        {128, 128, 128, {0, 128, 0}},
        {200, 100, 50, {14, 125, 153}},
        {10, 20, 30, {148, 20, 127}},
    };
    for (const Case& c : cases) {
        const QRgb rgb = qRgb(c.r, c.g, c.b);
        SCOPED_TRACE(testing::Message() << c.r << ", " << c.g << ", " << c.b);
        EXPECT_EQ(Bx::colour::hue(rgb), c.expected.hue);
        EXPECT_EQ(Bx::colour::lightness(rgb), c.expected.lightness);
        EXPECT_EQ(Bx::colour::saturation(rgb), c.expected.saturation);
        unsigned char triple[3] = {uchar(c.r), uchar(c.g), uchar(c.b)};
        Bx::colour::rgbToHls(triple);
        EXPECT_EQ(triple[0], c.expected.hue);
        EXPECT_EQ(triple[1], c.expected.lightness);
        EXPECT_EQ(triple[2], c.expected.saturation);
    }
}

// The histogram converts with rgbToHls and the highlight threads with the
// packed functions: they must agree on every colour, within 0..255.
TEST(ColourSpaceTest, EveryColourConvertsInRangeAndTheTripleAgreesWithThePackedFunctions) {
    int disagreements = 0, outOfRange = 0;
    QRgb first = 0;
    for (QRgb rgb = 0; rgb < (1u << 24); ++rgb) {
        const int h = Bx::colour::hue(rgb);
        const int l = Bx::colour::lightness(rgb);
        const int s = Bx::colour::saturation(rgb);
        unsigned char triple[3] = {uchar(rgb >> 16), uchar(rgb >> 8), uchar(rgb)};
        Bx::colour::rgbToHls(triple);
        if (h < 0 || h > 255 || l < 0 || l > 255 || s < 0 || s > 255) ++outOfRange;
        if (triple[0] != h || triple[1] != l || triple[2] != s) {
            if (disagreements++ == 0) first = rgb;
        }
    }
    EXPECT_EQ(outOfRange, 0);
    EXPECT_EQ(disagreements, 0) << "first at 0x" << std::hex << first;
}

TEST(ColourSpaceTest, ChannelValueTakesTheAxisOfTheColourAndRedForAnyOtherAxis) {
    const QColor colour(200, 100, 50);
    const struct {
        int channel;
        int expected;
    } cases[] = {
        {Bx::colour::Hue, 14},         {Bx::colour::Lightness, 125},
        {Bx::colour::Saturation, 153}, {Bx::colour::Red, 200},
        {Bx::colour::Green, 100},      {Bx::colour::Blue, 50},
        {Bx::colour::NonRgb, 200},     {7, 200},
    };
    for (const auto& c : cases)
        EXPECT_EQ(channelValue(colour, Bx::colour::channel(c.channel)), c.expected) << c.channel;
}

// Every shift the resolution slider offers: each bin's range holds 2^shift
// values, begins where the previous ended, and replicates to a value inside
// 0..255 with the first bin 0 and the last 255.
TEST(ColourSpaceTest, BinsAndReplicationForEveryShiftInUse) {
    for (int shift = 0; shift <= 4; ++shift) {
        SCOPED_TRACE(testing::Message() << "shift " << shift);
        const int n = binsPerAxis(shift);
        for (int v = 0; v < 256; ++v) {
            const BinRange range = binRange(v, shift);
            ASSERT_EQ(binIndex(v, shift), v >> shift);
            ASSERT_EQ(range.low, binIndex(v, shift) << shift) << v;
            ASSERT_EQ(range.high, range.low + (1 << shift) - 1) << v;
            ASSERT_TRUE(range.low <= v && v <= range.high) << v;
        }
        int previous = -1;
        for (int index = 0; index < n; ++index) {
            const int value = replicateBits(index, shift);
            // The replicated value lies in its own bin, in increasing order.
            ASSERT_EQ(binIndex(value, shift), index);
            ASSERT_GT(value, previous);
            previous = value;
        }
        EXPECT_EQ(replicateBits(0, shift), 0);
        EXPECT_EQ(replicateBits(n - 1, shift), 255);
    }
    // The examples of each kind.
    EXPECT_EQ(binIndex(200, 3), 25);
    EXPECT_EQ(binRange(200, 3).low, 200);
    EXPECT_EQ(binRange(200, 3).high, 207);
    EXPECT_EQ(replicateBits(25, 3), 206);
    EXPECT_EQ(binRange(255, 4).low, 240);
    EXPECT_EQ(binRange(255, 4).high, 255);
    EXPECT_EQ(replicateBits(15, 4), 255);
    EXPECT_EQ(replicateBits(0x5A, 1), 0xB5);
    EXPECT_EQ(replicateBits(0x2D, 2), 0xB6);
    EXPECT_EQ(replicateBits(5, 4), 0x55);
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(replicateBits(v, 0), v);
}

} // namespace
