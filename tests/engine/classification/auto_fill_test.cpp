// The auto fill's staging into the selection map: seeds on both sides of the
// mark borders, blend disks from the edge width map, and the fill.
#include "classification/auto_fill.h"
#include "classification/segmentation.h"
#include "core/arrays.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace classification;
using Classification = Segmentation<6, 0>;

namespace {

SourceImage pixelsOver(const Box& box) {
    return arrayOver<orsine::utility::Colour<unsigned char>>(
        box, orsine::utility::Colour<unsigned char>(0, 0, 0, 255));
}

// The rule written out pixel by pixel, for comparison on random grids.
ByteArray referenceStage(const ByteArray& status, const Box& box, int flags, float k,
                         const ByteArray& scale) {
    ByteArray map = arrayOver<unsigned char>(boxOf(status), 0);
    const auto isMark = [&](unsigned char s) {
        return (s & flags & 15) && (!(s & 16) || (flags & 16)) && (!(s & 32) || (flags & 32));
    };
    const auto isFree = [](unsigned char s) { return (s & 1) && !(s & 48); };
    const int fill = (flags & 2) && !(flags & 48) ? 4 : 2;
    const Point steps[4] = {{0, -1}, {-1, 0}, {0, 1}, {1, 0}};
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int c = box.lower.column; c <= box.upper.column; ++c) {
            const unsigned char s = status(r, c);
            bool seed = false;
            for (const Point& d : steps) {
                const Point n = Point(r, c) + d;
                if (!box.contains(n)) continue;
                const unsigned char t = status(n.row, n.column);
                if (isMark(s) ? isFree(t) : (isFree(s) && isMark(t))) seed = true;
            }
            if (!seed || k <= 0.0f) continue;
            const double radius = 0.5 * scale(r, c) * k + 0.49;
            const int reach = static_cast<int>(radius) + 1;
            bool pinned = false;
            for (int q = r - reach; q <= r + reach; ++q)
                for (int p = c - reach; p <= c + reach; ++p)
                    if (box.contains({q, p}) && (status(q, p) & 48)) pinned = true;
            if (pinned) continue;
            for (int q = box.lower.row; q <= box.upper.row; ++q)
                for (int p = box.lower.column; p <= box.upper.column; ++p) {
                    const unsigned char v = status(q, p);
                    const double d2 = double(q - r) * (q - r) + double(p - c) * (p - c);
                    if ((v & 7) && !(v & 48) && d2 <= radius * radius && std::abs(q - r) <= reach &&
                        std::abs(p - c) <= reach)
                        map(q, p) = static_cast<unsigned char>((v & 0xF0) | 8);
                }
        }
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int c = box.lower.column; c <= box.upper.column; ++c)
            if (isFree(status(r, c)) && map(r, c) == 0)
                map(r, c) = static_cast<unsigned char>((status(r, c) & 0xF0) | fill);
    return map;
}

std::vector<std::vector<int>> rowsOf(const ByteArray& a, const Box& box) {
    std::vector<std::vector<int>> rows;
    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        rows.emplace_back();
        for (int c = box.lower.column; c <= box.upper.column; ++c)
            rows.back().push_back(a(r, c));
    }
    return rows;
}

// An unassigned 21 x 21 image with a one-pixel delete ring of radius 6 around
// the centre (10, 10), and a constant edge width.
struct RingFixture {
    Box box{0, 0, 20, 20};
    SourceImage pixels = pixelsOver(box);
    Classification classification{nullptr, true, pixels};
    ByteArray status = arrayOver<unsigned char>(box, 1);

    explicit RingFixture(unsigned char width) {
        classification.pixelScaleMap.reference(arrayOver<unsigned char>(box, width));
        for (int r = 4; r <= 16; ++r)
            for (int c = 4; c <= 16; ++c)
                if (std::max(std::abs(r - 10), std::abs(c - 10)) == 6) status(r, c) = 4;
    }
    unsigned char at(int r, int c) const { return classification.selectionMap(r, c); }
};

TEST(AutoFillStage, DeleteRingGivesKeepFillWithABlendBandOnBothSides) {
    RingFixture f(4); // radius 0.5 * 4 * 1 + 0.49 = 2.49
    stageAutoFill(f.classification, f.status, f.box, 4, 1.0f);

    EXPECT_EQ(f.classification.dirtyBox, f.box);
    EXPECT_EQ(f.classification.selectParams.newStatus, 2);
    EXPECT_EQ(f.classification.selectParams.writeMask, 0x0F);
    EXPECT_EQ(f.classification.selectParams.fromSet, 0x07);
    EXPECT_EQ(f.classification.selectParams.testMask, 0x3F);
    // The seeds are the ring and the unassigned pixels next to it; each
    // reaches two pixels farther. So along the ring's straight sides the band
    // runs three pixels out on either side, and beyond it everything is keep.
    for (int r = 1; r <= 7; ++r)
        EXPECT_EQ(f.at(r, 10), 8) << r;
    EXPECT_EQ(f.at(0, 10), 2);
    EXPECT_EQ(f.at(8, 10), 2);
    EXPECT_EQ(f.at(10, 10), 2);
    // Round the corner: (2, 2) lies at distance² 5 from the seed (3, 4), (1, 1)
    // at 13 from the nearest seed.
    EXPECT_EQ(f.at(2, 2), 8);
    EXPECT_EQ(f.at(1, 1), 2);
}

TEST(AutoFillStage, BandFactorZeroOrNegativeOrMissingWidthGivesNoBand) {
    struct Case {
        const char* name;
        float k;
        bool withWidth;
    };
    for (const Case& cs :
         {Case{"zero", 0.0f, true}, Case{"negative", -3.0f, true},
          Case{"not a number", std::nanf(""), true}, Case{"no edge width", 1.0f, false}}) {
        RingFixture f(4);
        if (!cs.withWidth) f.classification.pixelScaleMap.free();
        stageAutoFill(f.classification, f.status, f.box, 4, cs.k);
        for (int r = 0; r <= 20; ++r)
            for (int c = 0; c <= 20; ++c)
                ASSERT_EQ(f.at(r, c), f.status(r, c) == 4 ? 0 : 2)
                    << cs.name << " " << r << "," << c;
    }
}

TEST(AutoFillStage, PinnedPixelSuppressesEveryDiskThatReachesIt) {
    for (unsigned char pin : {0x10, 0x20}) {
        RingFixture f(4);
        f.status(2, 10) = static_cast<unsigned char>(1 | pin);
        stageAutoFill(f.classification, f.status, f.box, 4, 1.0f);
        // No disk whose box holds (2, 10) is drawn: seeds within 3 rows and
        // columns of it. Their neighbourhood is filled instead, and the pinned
        // pixel itself is never touched.
        EXPECT_EQ(f.at(2, 10), 0);
        EXPECT_EQ(f.at(3, 10), 2);
        EXPECT_EQ(f.at(4, 10), 0); // the mark stays a mark
        EXPECT_EQ(f.at(5, 10), 2);
        // A seed farther away still draws its disk.
        EXPECT_EQ(f.at(5, 4), 8);
    }
}

TEST(AutoFillStage, FillClassFollowsTheFlags) {
    struct Case {
        int flags;
        int fill;
    };
    for (const Case& cs :
         {Case{2, 4}, Case{4, 2}, Case{6, 4}, Case{2 | 0x10, 2}, Case{2 | 0x20, 2}})
        EXPECT_EQ(autoFillClass(cs.flags), cs.fill) << cs.flags;
}

TEST(AutoFillStage, KeepsTheHighBitsOfEveryStagedByte) {
    RingFixture f(4);
    f.status(0, 0) = 0x81;  // a temporary mark on a free pixel
    f.status(4, 10) = 0x44; // and on a mark inside the band
    f.status(20, 20) = 0;   // no class: never staged
    stageAutoFill(f.classification, f.status, f.box, 4, 1.0f);
    EXPECT_EQ(f.at(0, 0), 0x82);
    EXPECT_EQ(f.at(4, 10), 0x48);
    EXPECT_EQ(f.at(20, 20), 0);
}

TEST(AutoFillStage, MatchesTheRuleOnRandomGrids) {
    std::mt19937 random(7);
    const unsigned char palette[] = {1, 1, 1, 1, 2, 4, 8, 0, 0x11, 0x21, 0x12, 0x24, 0x41};
    for (int round = 0; round < 60; ++round) {
        const int rows = 1 + random() % 14, columns = 1 + random() % 14;
        const Box image(3, 5, 3 + rows - 1, 5 + columns - 1);
        const SourceImage pixels = pixelsOver(image);
        Classification classification(nullptr, true, pixels);
        ByteArray status = arrayOver<unsigned char>(image);
        ByteArray scale = arrayOver<unsigned char>(image);
        for (int r = image.lower.row; r <= image.upper.row; ++r)
            for (int c = image.lower.column; c <= image.upper.column; ++c) {
                status(r, c) = palette[random() % sizeof palette];
                scale(r, c) = static_cast<unsigned char>(random() % 9);
            }
        classification.pixelScaleMap.reference(scale);
        const int flags = std::vector<int>{2, 4, 6, 0x12, 0x24, 0x36}[random() % 6];
        const float k = std::vector<float>{0.0f, 0.5f, 1.0f, 2.5f}[random() % 4];
        Box box = image;
        if (random() % 2)
            box = Box(image.lower.row + 1, image.lower.column, image.upper.row,
                      image.upper.column - 1);
        if (box.isEmpty()) continue;

        classification.selectionMap = 0;
        stageAutoFill(classification, status, box, flags, k);
        const ByteArray expected = referenceStage(status, box, flags, k, scale);
        ASSERT_EQ(rowsOf(classification.selectionMap, box), rowsOf(expected, box))
            << "round " << round << " flags " << flags << " k " << k;
    }
}

TEST(AutoFillStage, ScanFindsAnyOfTheBits) {
    ByteArray a = arrayOver<unsigned char>(Box(2, 3, 4, 6), 1);
    EXPECT_FALSE(scanByteArray2D(a, 0x30));
    a(4, 6) = 0x21;
    EXPECT_TRUE(scanByteArray2D(a, 0x30));
    EXPECT_FALSE(scanByteArray2D(windowOf(a, Box(2, 3, 3, 6)), 0x30));
    EXPECT_FALSE(scanByteArray2D(ByteArray(), 0xFF));
}

} // namespace
