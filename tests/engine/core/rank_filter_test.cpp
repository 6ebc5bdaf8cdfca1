// The sliding-histogram rank filter against sorting every window, border
// replication, and the solver's small colour operations.
#include "core/rank_filter.h"
#include "core/sliding_histogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

using classification::Box;
using classification::LabelArray;
using classification::Point;
namespace matting = orsine::matting;

namespace {

template <typename T> using Array2 = blitz::Array<T, 2>;

// The quantile of a window by sorting: the low-th smallest sample, moved
// towards the high-th smallest by the fraction g.
int sortedRank(std::vector<int> samples, float q) {
    std::sort(samples.begin(), samples.end());
    const float r = static_cast<float>(samples.size() - 1) * q + 1.0f;
    const auto low = static_cast<size_t>(std::floor(r + 0.001f));
    const auto high = static_cast<size_t>(std::ceil(r - 0.001f));
    const int v = samples[low - 1], next = samples[high - 1];
    if (next == v) return v;
    const float g = r - static_cast<float>(low);
    return v + static_cast<int>(static_cast<float>(next - v) * g + 0.5f);
}

LabelArray element(Box box, const std::vector<int>& cells) {
    LabelArray e = classification::arrayOver<int32_t>(box);
    std::copy(cells.begin(), cells.end(), e.begin());
    return e;
}

struct ElementCase {
    const char* name;
    LabelArray cells;
};

std::vector<ElementCase> elements() {
    return {
        {"3x3 ones", element(Box(-1, -1, 1, 1), std::vector<int>(9, 1))},
        {"2x2 ones", element(Box(0, 0, 1, 1), {1, 1, 1, 1})},
        {"scattered runs", element(Box(-2, -1, 1, 3), {1, 0, 1, 1, 0, //
                                                       0, 0, 0, 0, 1, //
                                                       1, 1, 0, 1, 1, //
                                                       0, 1, 0, 0, 0})},
        {"single off-centre member", element(Box(1, -2, 2, -1), {0, 1, 0, 0})},
        {"disc", element(Box(0, 0, 3, 3), {0, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 0})},
    };
}

template <typename T> Array2<T> randomSamples(std::mt19937& rng, int maxValue, bool fewValues) {
    std::uniform_int_distribution<int> size(1, 24), base(-30, 30);
    std::uniform_int_distribution<int> value(0, maxValue), few(0, 4);
    Array2<T> a(size(rng), size(rng));
    a.reindexSelf(blitz::TinyVector<int, 2>(base(rng), base(rng)));
    for (auto it = a.begin(); it != a.end(); ++it)
        *it = static_cast<T>(fewValues ? few(rng) * (maxValue / 4) : value(rng));
    return a;
}

// rankFilter of `source` against sorting each reflected window, with samples
// clamped into [lo, hi]; the destination keeps its values outside the output
// box.
template <typename T>
void expectMatchesSorting(const Array2<T>& source, const LabelArray& cells, float q, int lo, int hi,
                          const std::string& what) {
    const T sentinel = 7;
    Array2<T> destination(source.shape());
    destination.reindexSelf(source.base());
    destination = sentinel;
    const Box box =
        matting::rankFilter(source, destination, cells, q, lo, hi, ProgressRange(nullptr));
    const Box sourceBox = classification::boxOf(source);
    const Box elementBox = classification::boxOf(cells);
    Box expectedBox(sourceBox.lower + elementBox.upper, sourceBox.upper + elementBox.lower);
    expectedBox.intersect(sourceBox);
    ASSERT_EQ(box.isEmpty(), expectedBox.isEmpty()) << what;
    if (!box.isEmpty()) {
        ASSERT_EQ(box, expectedBox) << what;
    }
    for (int i = sourceBox.lower.row; i <= sourceBox.upper.row; ++i)
        for (int j = sourceBox.lower.column; j <= sourceBox.upper.column; ++j) {
            if (!box.contains(Point(i, j))) {
                ASSERT_EQ(destination(i, j), sentinel) << what;
                continue;
            }
            std::vector<int> window;
            for (int a = elementBox.lower.row; a <= elementBox.upper.row; ++a)
                for (int b = elementBox.lower.column; b <= elementBox.upper.column; ++b)
                    if (cells(a, b))
                        window.push_back(std::clamp<int>(source(i - a, j - b), lo, hi));
            ASSERT_EQ(destination(i, j), sortedRank(window, q)) << what << " at " << i << "," << j;
        }
}

template <typename T> void checkAgainstSorting(int maxSample, int lo, int hi) {
    std::mt19937 rng(11);
    for (const ElementCase& e : elements()) {
        for (float q : {0.0f, 0.16f, 0.5f, 0.84f, 1.0f}) {
            for (int trial = 0; trial < 4; ++trial) {
                const Array2<T> source = randomSamples<T>(rng, maxSample, trial % 2 == 1);
                expectMatchesSorting(source, e.cells, q, lo, hi,
                                     std::string(e.name) + " q=" + std::to_string(q));
            }
        }
    }
}

TEST(RankFilter, EightBitMatchesSorting) {
    checkAgainstSorting<uint8_t>(255, 0, 255);
}

TEST(RankFilter, SixteenBitMatchesSorting) {
    checkAgainstSorting<uint16_t>(65535, 0, 65535);
}

TEST(RankFilter, SamplesBeyondTheRangeCountAsItsBound) {
    // Full scale 32768 with samples up to 65535, and an 8-bit range narrower
    // than the samples: neither may reach past the histogram.
    checkAgainstSorting<uint16_t>(65535, 0, 32768);
    checkAgainstSorting<uint8_t>(255, 40, 200);
}

// Tall elements over long rows: the byte samples of many window rows and
// moves are gathered in blocks of 16 rows by 16 moves, with the rows and moves
// left over taken one by one, and the moves in runs of up to 64.
TEST(RankFilter, TallElementsOverLongRowsMatchSorting) {
    struct Case {
        int elementRows; // a filled ellipse this many rows high
        int elementColumns;
        int rows;
        int columns;
        int lowest; // samples drawn from [lowest, highest]
        int highest;
        int lo; // the histogram's range
        int hi;
    };
    const Case cases[] = {
        {16, 5, 20, 40, 0, 255, 0, 255},   // 16 rows exactly: one full block
        {18, 9, 21, 100, 0, 255, 0, 255},  // 18 rows: a padded block; 92 moves
        {33, 3, 34, 70, 40, 200, 40, 200}, // samples in a range starting above 0
        {20, 20, 22, 90, 0, 7, 0, 255},    // few values: most pairs equal
        {17, 4, 19, 150, 0, 255, 30, 220}, // samples beyond the range: clamped
    };
    std::mt19937 rng(23);
    for (const Case& c : cases) {
        LabelArray cells = classification::arrayOver<int32_t>(
            Box(-c.elementRows / 2, -c.elementColumns / 2, c.elementRows - 1 - c.elementRows / 2,
                c.elementColumns - 1 - c.elementColumns / 2));
        const Box box = classification::boxOf(cells);
        for (int i = box.lower.row; i <= box.upper.row; ++i)
            for (int j = box.lower.column; j <= box.upper.column; ++j) {
                const double y = (i - box.lower.row + 0.5) / c.elementRows - 0.5;
                const double x = (j - box.lower.column + 0.5) / c.elementColumns - 0.5;
                cells(i, j) = x * x + y * y <= 0.25 ? 1 : 0;
            }
        Array2<uint8_t> source(c.rows, c.columns);
        source.reindexSelf(blitz::TinyVector<int, 2>(-3, 5));
        std::uniform_int_distribution<int> value(c.lowest, c.highest);
        for (auto it = source.begin(); it != source.end(); ++it)
            *it = static_cast<uint8_t>(value(rng));
        for (float q : {0.16f, 0.84f})
            expectMatchesSorting(source, cells, q, c.lo, c.hi,
                                 std::to_string(c.elementRows) + "x" +
                                     std::to_string(c.elementColumns) + " over " +
                                     std::to_string(c.columns) + " q=" + std::to_string(q));
    }
}

TEST(RankFilter, RankInterpolationExamples) {
    // Four members, median: the 2nd smallest (10) moved halfway to the 3rd (13).
    Array2<uint8_t> source(2, 2);
    source = 4, 10, 13, 50;
    Array2<uint8_t> out(2, 2);
    out = 0;
    const LabelArray four = element(Box(0, 0, 1, 1), {1, 1, 1, 1});
    EXPECT_EQ(matting::rankFilter(source, out, four, 0.5f, 0, 255, ProgressRange(nullptr)),
              Box(1, 1, 1, 1));
    EXPECT_EQ(out(1, 1), 12);
    // 3 x 3 source, 3 x 3 element: only the centre; the median, minimum, maximum.
    Array2<uint8_t> nine(3, 3);
    nine = 9, 1, 8, 2, 7, 3, 6, 4, 5;
    const LabelArray ones = element(Box(-1, -1, 1, 1), std::vector<int>(9, 1));
    const float quantiles[3] = {0.5f, 0.0f, 1.0f};
    const int expected[3] = {5, 1, 9};
    for (int c = 0; c < 3; ++c) {
        Array2<uint8_t> centre(3, 3);
        EXPECT_EQ(
            matting::rankFilter(nine, centre, ones, quantiles[c], 0, 255, ProgressRange(nullptr)),
            Box(1, 1, 1, 1));
        EXPECT_EQ(centre(1, 1), expected[c]);
    }
    const auto rank = matting::rankPosition(12, 0.16f);
    EXPECT_EQ(rank.low, 2u);
    EXPECT_EQ(rank.high, 3u);
    EXPECT_NEAR(rank.weight, 0.76f, 1e-5f);
}

TEST(RankFilter, ElementWithoutMembersGivesZero) {
    Array2<uint16_t> source(5, 6);
    source = 900;
    Array2<uint16_t> out(5, 6);
    out = 1;
    const LabelArray none = element(Box(-1, -1, 1, 1), std::vector<int>(9, 0));
    const Box box = matting::rankFilter(source, out, none, 0.5f, 0, 65535, ProgressRange(nullptr));
    EXPECT_EQ(box, Box(1, 1, 3, 4));
    EXPECT_TRUE(blitz::all(out(box.domain()) == 0));
    EXPECT_EQ(out(0, 0), 1);
}

TEST(RankFilter, ComputesOnlyWhereTheDestinationReaches) {
    Array2<uint8_t> source(10, 10);
    source = 3;
    Array2<uint8_t> out(blitz::Range(4, 20), blitz::Range(-5, 5));
    out = 0;
    const LabelArray ones = element(Box(-1, -1, 1, 1), std::vector<int>(9, 1));
    EXPECT_EQ(matting::rankFilter(source, out, ones, 0.5f, 0, 255, ProgressRange(nullptr)),
              Box(4, 1, 8, 5));
    EXPECT_EQ(out(8, 5), 3);
    EXPECT_EQ(out(9, 5), 0);
}

struct Reports : orsine::utility::IiUI {
    std::vector<float> seen;
    int cancelAt = -1;
    void report(float fraction, const std::string&) override {
        seen.push_back(fraction);
        if (static_cast<int>(seen.size()) == cancelAt) throw VkExCancel();
    }
};

TEST(RankFilter, ReportsAfterRowsWhoseLowEightBitsAreZero) {
    Array2<uint8_t> source(blitz::Range(-300, 300), blitz::Range(0, 3));
    source = 1;
    Array2<uint8_t> out(source.shape());
    out.reindexSelf(source.base());
    const LabelArray ones = element(Box(-1, -1, 1, 1), std::vector<int>(9, 1));
    Reports reports;
    matting::rankFilter(source, out, ones, 0.5f, 0, 255, ProgressRange(&reports));
    // The range's own start, then rows 256, 0 and -256 of 599, highest first.
    ASSERT_EQ(reports.seen.size(), 4u);
    EXPECT_FLOAT_EQ(reports.seen[1], 44.0f / 599.0f);
    EXPECT_FLOAT_EQ(reports.seen[2], 300.0f / 599.0f);
    EXPECT_FLOAT_EQ(reports.seen[3], 556.0f / 599.0f);

    Reports cancelling;
    cancelling.cancelAt = 3;
    EXPECT_THROW(matting::rankFilter(source, out, ones, 0.5f, 0, 255, ProgressRange(&cancelling)),
                 VkExCancel);
}

TEST(RankFilterChannel, FiltersOneChannelOnly) {
    std::mt19937 rng(3);
    matting::ColourImage<uint16_t> source(8, 9), destination(8, 9);
    for (auto it = source.begin(); it != source.end(); ++it)
        *it = matting::ColourTriple<uint16_t>(rng() % 60000, rng() % 60000, rng() % 60000);
    destination = matting::ColourTriple<uint16_t>(1, 2, 3);
    const LabelArray ones = element(Box(-1, -1, 1, 1), std::vector<int>(9, 1));
    const Box box = matting::rankFilterChannel(source, destination, 1, ones, 0.5f, 0, 65535,
                                               ProgressRange(nullptr));
    EXPECT_EQ(box, Box(1, 1, 6, 7));
    for (int i = 1; i <= 6; ++i)
        for (int j = 1; j <= 7; ++j) {
            std::vector<int> window;
            for (int a = -1; a <= 1; ++a)
                for (int b = -1; b <= 1; ++b)
                    window.push_back(source(i + a, j + b)[1]);
            EXPECT_EQ(destination(i, j)[1], sortedRank(window, 0.5f));
            EXPECT_EQ(destination(i, j)[0], 1);
            EXPECT_EQ(destination(i, j)[2], 3);
        }
    EXPECT_THROW(matting::rankFilterChannel(source, destination, 3, ones, 0.5f, 0, 65535,
                                            ProgressRange(nullptr)),
                 std::out_of_range);
}

TEST(ReplicateBorder, MarginsTakeTheNearestInnerValue) {
    struct Case {
        const char* name;
        Box image;
        Box inner;
    };
    const Case cases[] = {
        {"inner box is the image", Box(0, 0, 4, 5), Box(0, 0, 4, 5)},
        {"one-pixel margin", Box(-1, -1, 5, 6), Box(0, 0, 4, 5)},
        {"margin on the high side only", Box(0, 0, 6, 7), Box(0, 0, 3, 2)},
        {"uneven margins", Box(-3, 2, 4, 9), Box(-1, 5, 0, 5)},
        {"inner box reaching outside", Box(0, 0, 4, 4), Box(2, -3, 9, 1)},
    };
    for (const Case& c : cases) {
        Array2<int> image = classification::arrayOver<int>(c.image);
        int next = 0;
        for (auto it = image.begin(); it != image.end(); ++it)
            *it = next++;
        const Array2<int> original = image.copy();
        matting::replicateBorder(image, c.inner);
        const Box inner = Box::intersection(c.inner, c.image);
        for (int i = c.image.lower.row; i <= c.image.upper.row; ++i)
            for (int j = c.image.lower.column; j <= c.image.upper.column; ++j) {
                const Point nearest = matting::clampToBox(Point(i, j), inner);
                EXPECT_EQ(image(i, j), original(nearest.row, nearest.column))
                    << c.name << " at " << i << "," << j;
            }
    }
}

TEST(ReplicateBorder, WorksOnPairsAndColours) {
    Array2<blitz::TinyVector<uint8_t, 2>> pairs(3, 3);
    pairs = blitz::TinyVector<uint8_t, 2>(0, 0);
    pairs(1, 1) = blitz::TinyVector<uint8_t, 2>(4, 9);
    matting::replicateBorder(pairs, Box(1, 1, 1, 1));
    for (auto it = pairs.begin(); it != pairs.end(); ++it) {
        EXPECT_EQ((*it)[0], 4);
        EXPECT_EQ((*it)[1], 9);
    }
}

TEST(ColourOperations, StoreColour16AndClampToBox) {
    struct Case {
        float in[3];
        uint16_t out[3];
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {{-3.5f, 100.9f, 40000.0f}, {0, 100, 32768}},
        {{0.99f, 32767.9f, 32768.0f}, {0, 32767, 32768}},
        {{nan, 1e30f, -1e30f}, {0, 32768, 0}},
    };
    for (const Case& c : cases) {
        const auto stored =
            matting::storeColour16(matting::ColourTriple<float>(c.in[0], c.in[1], c.in[2]));
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(stored[k], c.out[k]) << c.in[k];
    }

    const Box box(2, -3, 5, 4);
    EXPECT_EQ(matting::clampToBox(Point(3, 0), box), Point(3, 0));
    EXPECT_EQ(matting::clampToBox(Point(-9, 9), box), Point(2, 4));
    EXPECT_EQ(matting::clampToBox(Point(9, -9), box), Point(5, -3));
}

} // namespace
