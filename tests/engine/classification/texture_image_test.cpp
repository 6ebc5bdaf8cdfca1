// The texture stage against a brute-force opening and closing, its disc, and
// the stage on the worker pool: same result on any number of workers, cancel
// and failure raised on the calling thread after the join.
#include "classification/texture_image.h"

#include "core/fault_injection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <utility>
#include <string>
#include <vector>

using classification::Box;
using classification::ByteArray;
using classification::LabelArray;
using classification::PercentilePair;
using classification::SourceImage;
using classification::TextureImage;
using classification::TextureParameters;
using classification::WorkerPool;

namespace {

int sortedRank(std::vector<int> samples, float q) {
    std::sort(samples.begin(), samples.end());
    const float r = static_cast<float>(samples.size() - 1) * q + 1.0f;
    const auto low = static_cast<size_t>(std::floor(r + 0.001f));
    const auto high = static_cast<size_t>(std::ceil(r - 0.001f));
    const int v = samples[low - 1], next = samples[high - 1];
    if (next == v) return v;
    return v +
           static_cast<int>(static_cast<float>(next - v) * (r - static_cast<float>(low)) + 0.5f);
}

bool inDisc(int n, int i, int k) {
    const float b = static_cast<float>(n - 1) / 2.0f;
    return (i - b) * (i - b) + (k - b) * (k - b) <= (b + 0.5f) * (b + 0.5f);
}

int clampTo(int v, int lo, int hi) {
    return std::min(std::max(v, lo), hi);
}

// The opening and closing of one channel straight from their definition:
// percentiles over the disc at x + d of the quantised channel continued
// outwards, then the other percentile over x - d of those, continued outwards.
void referenceTexture(const ByteArray& source, const TextureParameters& t, ByteArray& low,
                      ByteArray& high) {
    const Box box = classification::boxOf(source);
    low.resize(source.shape());
    low.reindexSelf(source.base());
    high.resize(source.shape());
    high.reindexSelf(source.base());
    const int r = t.radius, n = r + 1, shift = 8 - t.maxBits;
    const auto quantised = [&](int i, int j) {
        return source(clampTo(i, box.lower.row, box.upper.row),
                      clampTo(j, box.lower.column, box.upper.column)) >>
               shift;
    };
    ByteArray lows(source.shape()), highs(source.shape());
    lows.reindexSelf(source.base());
    highs.reindexSelf(source.base());
    for (int i = box.lower.row; i <= box.upper.row; ++i)
        for (int j = box.lower.column; j <= box.upper.column; ++j) {
            std::vector<int> window;
            for (int a = 0; a < n; ++a)
                for (int b = 0; b < n; ++b)
                    if (inDisc(n, a, b)) window.push_back(quantised(i + a, j + b));
            lows(i, j) = static_cast<uint8_t>(sortedRank(window, t.percentile));
            highs(i, j) = static_cast<uint8_t>(sortedRank(window, 1.0f - t.percentile));
        }
    for (int i = box.lower.row; i <= box.upper.row; ++i)
        for (int j = box.lower.column; j <= box.upper.column; ++j) {
            std::vector<int> ofLows, ofHighs;
            for (int a = 0; a < n; ++a)
                for (int b = 0; b < n; ++b)
                    if (inDisc(n, a, b)) {
                        const int y = std::max(i - a, box.lower.row);
                        const int x = std::max(j - b, box.lower.column);
                        ofLows.push_back(lows(y, x));
                        ofHighs.push_back(highs(y, x));
                    }
            low(i, j) = static_cast<uint8_t>(sortedRank(ofLows, 1.0f - t.percentile));
            high(i, j) = static_cast<uint8_t>(sortedRank(ofHighs, t.percentile));
        }
}

ByteArray randomChannel(std::mt19937& rng, int rows, int columns) {
    std::uniform_int_distribution<int> base(-20, 20), value(0, 255);
    ByteArray a(rows, columns);
    a.reindexSelf(blitz::TinyVector<int, 2>(base(rng), base(rng)));
    for (auto it = a.begin(); it != a.end(); ++it)
        *it = static_cast<uint8_t>(value(rng));
    return a;
}

SourceImage randomPhoto(std::mt19937& rng, int rows, int columns) {
    SourceImage photo(rows, columns);
    std::uniform_int_distribution<int> value(0, 255);
    for (auto it = photo.begin(); it != photo.end(); ++it)
        *it =
            orsine::utility::Colour<unsigned char>(value(rng), value(rng), value(rng), value(rng));
    return photo;
}

TEST(MakeDisc, SmallDiscs) {
    struct Case {
        int n;
        std::vector<int> cells;
    };
    const Case cases[] = {
        {1, {1}},
        {2, {1, 1, 1, 1}},
        {3, {1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {4, {0, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 0}},
    };
    for (const Case& c : cases) {
        const LabelArray disc = classification::makeDisc(c.n);
        EXPECT_EQ(classification::boxOf(disc), Box(0, 0, c.n - 1, c.n - 1));
        EXPECT_EQ(std::vector<int>(disc.begin(), disc.end()), c.cells) << c.n;
    }
    EXPECT_EQ(classification::makeDisc(0).numElements(), 0);
}

TEST(DualRankFilter, InterpolatesBothPercentilesOfTheWindow) {
    // Twelve disc cells, fractions 0.16 and 0.84: ranks 2.76 and 10.24.
    ByteArray input(4, 4);
    input = 0, 5, 10, 0, //
        20, 40, 50, 60,  //
        70, 80, 90, 100, //
        0, 110, 120, 0;
    blitz::Array<PercentilePair, 2> out(1, 1);
    const Box box = classification::dualRankFilter(input, out, classification::makeDisc(4), 0.16f,
                                                   0.84f, ProgressRange(nullptr), 0, 255);
    EXPECT_EQ(box, Box(0, 0, 0, 0));
    EXPECT_EQ(out(0, 0)[0], 18);  // 10 + int(10 * 0.76 + 0.5)
    EXPECT_EQ(out(0, 0)[1], 102); // 100 + int(10 * 0.24 + 0.5)
}

TEST(TextureJob, MatchesTheBruteForceOpeningAndClosing) {
    struct Case {
        int radius;
        int maxBits;
        float percentile;
        int rows;
        int columns;
    };
    const Case cases[] = {
        {1, 8, 0.16f, 9, 11},
        {2, 7, 0.16666667f, 13, 10},
        {3, 8, 0.5f, 12, 15},
        {5, 6, 0.0f, 14, 9},
        {2, 3, 0.3f, 1, 17},
        {4, 0, 0.16f, 6, 6},
        {3, 8, 0.16f, 1, 1},
        {6, 7, 0.1f, 20, 3},
        // Radii beyond the image's sides are taken as they are.
        {9, 8, 0.16f, 4, 6},
        {14, 8, 0.3f, 5, 3},
        // Discs of more than 16 rows over rows of more than 64 positions:
        // samples are gathered in blocks of 16 window rows by 16 moves.
        {17, 8, 0.16f, 9, 90},
        {19, 7, 0.16666667f, 6, 120},
    };
    std::mt19937 rng(5);
    for (const Case& c : cases) {
        const std::string what = "r=" + std::to_string(c.radius) +
                                 " bits=" + std::to_string(c.maxBits) +
                                 " t=" + std::to_string(c.percentile);
        const ByteArray source = randomChannel(rng, c.rows, c.columns);
        const TextureParameters t{c.radius, c.maxBits, c.percentile};
        ByteArray low(source.shape()), high(source.shape());
        low.reindexSelf(source.base());
        high.reindexSelf(source.base());
        classification::textureJob(low, high, source, t, ProgressRange(nullptr));
        ByteArray expectedLow, expectedHigh;
        referenceTexture(source, t, expectedLow, expectedHigh);
        EXPECT_TRUE(blitz::all(low == expectedLow)) << what;
        EXPECT_TRUE(blitz::all(high == expectedHigh)) << what;
        EXPECT_TRUE(blitz::all(low <= high)) << what; // opening below closing
    }
}

TEST(TextureJob, RadiusZeroCopiesAndAConstantStaysConstant) {
    std::mt19937 rng(9);
    const ByteArray source = randomChannel(rng, 7, 8);
    ByteArray low(source.shape()), high(source.shape());
    low.reindexSelf(source.base());
    high.reindexSelf(source.base());
    classification::textureJob(low, high, source, {0, 3, 0.16f}, ProgressRange(nullptr));
    EXPECT_TRUE(blitz::all(low == source));
    EXPECT_TRUE(blitz::all(high == source));

    ByteArray constant(10, 12);
    constant = 201;
    ByteArray cl(10, 12), ch(10, 12);
    for (int bits : {8, 7, 1}) {
        classification::textureJob(cl, ch, constant, {3, bits, 0.16f}, ProgressRange(nullptr));
        EXPECT_TRUE(blitz::all(cl == (201 >> (8 - bits)))) << bits;
        EXPECT_TRUE(blitz::all(ch == (201 >> (8 - bits)))) << bits;
    }
}

TEST(TextureJob, ARadiusBeyondTheWidestOfTheSettingsCountsAsThatOne) {
    // The arrays grow with the radius: a huge one (from settings outside
    // their ranges) must neither overflow nor cost more than the widest the
    // settings give, and gives that one's result.
    std::mt19937 rng(13);
    const ByteArray source = randomChannel(rng, 2, 3);
    const auto run = [&](int radius) {
        ByteArray low(source.shape()), high(source.shape());
        low.reindexSelf(source.base());
        high.reindexSelf(source.base());
        classification::textureJob(low, high, source, {radius, 8, 0.16f}, ProgressRange(nullptr));
        return std::make_pair(low, high);
    };
    const auto widest = run(classification::kLargestTextureRadius);
    for (int radius :
         {classification::kLargestTextureRadius + 1, 100000, std::numeric_limits<int>::max()}) {
        const auto huge = run(radius);
        EXPECT_TRUE(blitz::all(huge.first == widest.first)) << radius;
        EXPECT_TRUE(blitz::all(huge.second == widest.second)) << radius;
    }
}

TEST(BuildTextureImage, OpeningRemovesAThinBrightLineAndClosingKeepsIt) {
    SourceImage photo(15, 16);
    photo = orsine::utility::Colour<unsigned char>(40, 50, 60, 255);
    for (int i = 0; i < 15; ++i)
        photo(i, 7) = orsine::utility::Colour<unsigned char>(200, 210, 220, 255);
    WorkerPool pool(3);
    const TextureImage texture = classification::buildTextureImage(photo, {2, 8, 0.16f}, pool);
    for (int i = 0; i < 15; ++i)
        for (int j = 0; j < 16; ++j)
            for (int k = 0; k < 3; ++k) {
                const int background = photo(0, 0)[2 - k];
                EXPECT_EQ(texture(i, j)[k], background) << i << "," << j;
                EXPECT_EQ(texture(i, j)[k + 3], photo(i, j)[2 - k]) << i << "," << j;
            }
}

TEST(BuildTextureImage, SameImageOnOneAndOnEightWorkersChannelByChannel) {
    std::mt19937 rng(21);
    SourceImage photo = randomPhoto(rng, 37, 41);
    photo.reindexSelf(blitz::TinyVector<int, 2>(-3, 5));
    const TextureParameters t{3, 7, 0.16666667f};
    WorkerPool one(1), eight(8);
    const TextureImage a = classification::buildTextureImage(photo, t, one);
    const TextureImage b = classification::buildTextureImage(photo, t, eight);
    ASSERT_EQ(classification::boxOf(a), classification::boxOf(photo));
    ASSERT_EQ(classification::boxOf(b), classification::boxOf(photo));
    for (int k = 0; k < 6; ++k)
        EXPECT_TRUE(blitz::all(a[k] == b[k])) << k;

    // Channels k and k + 3 come from sample 2 - k; the fourth sample is never read.
    for (int k = 0; k < 3; ++k) {
        ByteArray low, high;
        referenceTexture(photo[2 - k], t, low, high);
        EXPECT_TRUE(blitz::all(a[k] == low)) << k;
        EXPECT_TRUE(blitz::all(a[k + 3] == high)) << k;
    }
    photo[3] = 0;
    const TextureImage c = classification::buildTextureImage(photo, t, eight);
    for (int k = 0; k < 6; ++k)
        EXPECT_TRUE(blitz::all(a[k] == c[k])) << k;
}

TEST(BuildTextureImage, BandsOfRowsGiveTheSingleJobResultByteForByte) {
    // Bands shorter than the radius, more bands than rows and a one-row image
    // included: every band must read real neighbouring rows and repeat edge
    // rows only at the image's own top and bottom.
    struct Case {
        int rows;
        int columns;
        int radius;
        std::vector<int> bands;
    };
    const Case cases[] = {
        {1, 23, 3, {1, 2, 3}},      {2, 9, 5, {2}},         {9, 14, 6, {2, 3, 5, 9}},
        {23, 17, 1, {2, 4, 7, 23}}, {31, 12, 3, {2, 3, 8}}, {40, 11, 9, {3, 6, 13, 40}},
        {57, 20, 7, {2, 5, 8, 16}},
    };
    std::mt19937 rng(33);
    WorkerPool pool(4);
    for (const Case& c : cases) {
        SourceImage photo = randomPhoto(rng, c.rows, c.columns);
        photo.reindexSelf(blitz::TinyVector<int, 2>(7, -4));
        const TextureParameters t{c.radius, 7, 0.16666667f};
        TextureImage whole(photo.shape());
        whole.reindexSelf(photo.base());
        for (int k = 0; k < 3; ++k)
            classification::textureJob(whole[k], whole[k + 3], photo[2 - k], t,
                                       ProgressRange(nullptr));
        for (int bands : c.bands) {
            TextureImage split(photo.shape());
            split.reindexSelf(photo.base());
            split = classification::TexturePixel(99);
            pool.runCountdown(3 * bands - 1, classification::Rancour{split, photo, t, bands});
            const auto size =
                static_cast<size_t>(whole.numElements()) * sizeof(classification::TexturePixel);
            EXPECT_EQ(std::memcmp(whole.data(), split.data(), size), 0)
                << c.rows << " rows, radius " << c.radius << ", " << bands << " bands";
        }
    }
}

TEST(BuildTextureImage, CancelAndFailureOfAJobAreRaisedAfterTheJoin) {
    struct Case {
        const char* name;
        vardek::fault::Kind kind;
        bool cancel;
    };
    const Case cases[] = {
        {"cancel", vardek::fault::Kind::Cancel, true},
        {"unexpected", vardek::fault::Kind::Unexpected, false},
        {"out of memory in a worker", vardek::fault::Kind::OutOfMemory, false},
    };
    std::mt19937 rng(2);
    const SourceImage photo = randomPhoto(rng, 30, 30);
    for (const Case& c : cases) {
        for (int skip : {0, 1, 2}) {
            WorkerPool pool(8);
            vardek::fault::arm("texture job", c.kind, skip);
            try {
                classification::buildTextureImage(photo, {2, 8, 0.16f}, pool);
                ADD_FAILURE() << c.name << ": nothing raised";
            } catch (const VkExCancel&) {
                EXPECT_TRUE(c.cancel) << c.name;
            } catch (const VkExFailure& failure) {
                EXPECT_FALSE(c.cancel) << c.name;
                EXPECT_STREQ(failure.what(), "Unhandled exception in worker thread.") << c.name;
            }
            vardek::fault::disarm();
        }
    }
}

TEST(BuildTextureImage, EmptySourceGivesAnEmptyImage) {
    WorkerPool pool(2);
    EXPECT_EQ(classification::buildTextureImage(SourceImage(), {}, pool).numElements(), 0);
}

} // namespace
