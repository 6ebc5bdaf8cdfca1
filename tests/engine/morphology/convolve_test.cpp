// Running-window line convolution against brute-force window folds, for every
// combining operation the engine uses.
#include "classification/histogram1d.h"
#include "morphology/convolve.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

using classification::Box;
using classification::Histogram1D;
using classification::HistogramSum;

namespace {

template <typename T> using Array2 = blitz::Array<T, 2>;

bool same(int32_t a, int32_t b) {
    return a == b;
}
bool same(uint8_t a, uint8_t b) {
    return a == b;
}
bool same(const Histogram1D& a, const Histogram1D& b) {
    if (a.shift != b.shift || a.lo != b.lo || a.hi != b.hi) return false;
    if (a.counts.numElements() != b.counts.numElements()) return false;
    if (a.isEmpty()) return true;
    if (a.counts.lbound(0) != b.counts.lbound(0)) return false;
    return a.counts == b.counts;
}

// The window of k samples ending at x (or, mirrored, starting at x), folded
// from the first sample to the last.
template <typename T, typename Combine>
Array2<T> bruteForce(const Array2<T>& in, int k, Combine combine, bool mirrored, Box& written) {
    Array2<T> out(in.shape());
    out.reindexSelf(in.base());
    const int lo = in.lbound(0), hi = in.ubound(0);
    written = mirrored ? Box(lo, in.lbound(1), hi - k + 1, in.ubound(1))
                       : Box(lo + k - 1, in.lbound(1), hi, in.ubound(1));
    for (int x = written.lower.row; x <= written.upper.row; ++x)
        for (int j = in.lbound(1); j <= in.ubound(1); ++j) {
            const int first = mirrored ? x : x - k + 1;
            T value = in(first, j);
            for (int i = first + 1; i < first + k; ++i)
                value = combine(value, in(i, j));
            out(x, j) = value;
        }
    return out;
}

template <typename T>
void expectEqualOver(const Array2<T>& actual, const Array2<T>& expected, const Box& box,
                     const std::string& what) {
    for (int i = box.lower.row; i <= box.upper.row; ++i)
        for (int j = box.lower.column; j <= box.upper.column; ++j)
            ASSERT_TRUE(same(actual(i, j), expected(i, j))) << what << " at " << i << "," << j;
}

template <typename T>
Array2<T> randomArray(std::mt19937& rng, const std::function<T(std::mt19937&)>& sample) {
    std::uniform_int_distribution<int> size(1, 20), base(-40, 40);
    Array2<T> a(size(rng), size(rng));
    a.reindexSelf(blitz::TinyVector<int, 2>(base(rng), base(rng)));
    for (int i = a.lbound(0); i <= a.ubound(0); ++i)
        for (int j = a.lbound(1); j <= a.ubound(1); ++j)
            a(i, j) = sample(rng);
    return a;
}

template <typename T> Array2<T> copyOf(const Array2<T>& a) {
    Array2<T> c(a.shape());
    c.reindexSelf(a.base());
    for (int i = a.lbound(0); i <= a.ubound(0); ++i)
        for (int j = a.lbound(1); j <= a.ubound(1); ++j)
            c(i, j) = a(i, j);
    return c;
}

// Every form of the convolution against brute force, for window lengths 1 to 12
// on random arrays with arbitrary lower bounds.
template <typename T, typename Combine>
void checkInstance(Combine combine, const std::function<T(std::mt19937&)>& sample) {
    std::mt19937 rng(7);
    for (int k = 1; k <= 12; ++k) {
        for (int trial = 0; trial < 6; ++trial) {
            const Array2<T> in = randomArray<T>(rng, sample);
            const std::string what = "k=" + std::to_string(k) + " trial " + std::to_string(trial);
            Box expectedBox;

            // First axis, out of place and in place.
            const Array2<T> expected = bruteForce(in, k, combine, false, expectedBox);
            Array2<T> out = copyOf(in); // same values, separate memory
            Box box = morphology::convolveLineFast(in, out, k, nullptr, 0.0f, 1.0f, combine);
            ASSERT_EQ(box, expectedBox) << what;
            expectEqualOver(out, expected, box, what + " out of place");
            Array2<T> inPlace = copyOf(in);
            box = morphology::convolveLineFast(inPlace, inPlace, k, nullptr, 0.0f, 1.0f, combine);
            ASSERT_EQ(box, expectedBox) << what;
            expectEqualOver(inPlace, expected, box, what + " in place");

            // Second axis: the first-axis result of the transposed input.
            const Array2<T> transposed = in.transpose(1, 0);
            const Array2<T> expectedT = bruteForce(transposed, k, combine, false, expectedBox);
            Array2<T> outT = copyOf(in);
            box = morphology::convolveLineFastTransposed(in, outT, k, nullptr, 0.0f, 1.0f, combine);
            expectedBox.swapAxes();
            ASSERT_EQ(box, expectedBox) << what;
            expectEqualOver<T>(outT.transpose(1, 0), expectedT,
                               Box(expectedBox.lower.column, expectedBox.lower.row,
                                   expectedBox.upper.column, expectedBox.upper.row),
                               what + " transposed");

            // Mirrored: the window starts at the output index.
            const Array2<T> expectedM = bruteForce(in, k, combine, true, expectedBox);
            Array2<T> outM = copyOf(in);
            box = morphology::convolveLineFastMirrored(in, outM, k, nullptr, 0.0f, 1.0f, combine);
            ASSERT_EQ(box, expectedBox) << what;
            expectEqualOver(outM, expectedM, box, what + " mirrored");

            const Array2<T> expectedMT = bruteForce(transposed, k, combine, true, expectedBox);
            Array2<T> outMT = copyOf(in);
            box = morphology::convolveLineFastMirroredTransposed(in, outMT, k, nullptr, 0.0f, 1.0f,
                                                                 combine);
            expectedBox.swapAxes();
            ASSERT_EQ(box, expectedBox) << what;
            expectEqualOver<T>(outMT.transpose(1, 0), expectedMT,
                               Box(expectedBox.lower.column, expectedBox.lower.row,
                                   expectedBox.upper.column, expectedBox.upper.row),
                               what + " mirrored transposed");
        }
    }
}

TEST(ConvolveLineFast, LogicalOrMatchesBruteForce) {
    checkInstance<int32_t>(morphology::LogicalOr(), [](std::mt19937& rng) {
        return std::uniform_int_distribution<int>(0, 9)(rng) < 2 ? 1 : 0;
    });
}

TEST(ConvolveLineFast, MaximumMatchesBruteForce) {
    checkInstance<uint8_t>(morphology::Maximum(), [](std::mt19937& rng) {
        return static_cast<uint8_t>(std::uniform_int_distribution<int>(0, 255)(rng));
    });
}

TEST(ConvolveLineFast, MinimumMatchesBruteForce) {
    checkInstance<uint8_t>(morphology::Minimum(), [](std::mt19937& rng) {
        return static_cast<uint8_t>(std::uniform_int_distribution<int>(0, 255)(rng));
    });
}

// Rows of adjacent lines run together in blocks; widths around the block's
// size, tall enough for several windows, for both byte and label elements.
template <typename T, typename Combine>
void checkAdjacentLines(Combine combine, const std::function<T(std::mt19937&)>& sample) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> base(-200, 200), height(1, 40), window(1, 12);
    for (const int columns : {1, 7, 63, 65, 130}) {
        for (int trial = 0; trial < 4; ++trial) {
            Array2<T> in(height(rng), columns);
            in.reindexSelf(blitz::TinyVector<int, 2>(base(rng), base(rng)));
            for (int i = in.lbound(0); i <= in.ubound(0); ++i)
                for (int j = in.lbound(1); j <= in.ubound(1); ++j)
                    in(i, j) = sample(rng);
            const int k = window(rng);
            const std::string what = std::to_string(columns) + " columns, " +
                                     std::to_string(in.rows()) + " rows, k=" + std::to_string(k);
            for (const bool mirrored : {false, true}) {
                Box expectedBox;
                const Array2<T> expected = bruteForce(in, k, combine, mirrored, expectedBox);
                Array2<T> out = copyOf(in);
                Array2<T> inPlace = copyOf(in);
                const Box box = mirrored ? morphology::convolveLineFastMirrored(in, out, k, nullptr,
                                                                                0.0f, 1.0f, combine)
                                         : morphology::convolveLineFast(in, out, k, nullptr, 0.0f,
                                                                        1.0f, combine);
                ASSERT_EQ(box, expectedBox) << what;
                expectEqualOver(out, expected, box, what + (mirrored ? " mirrored" : ""));
                if (mirrored)
                    morphology::convolveLineFastMirrored(inPlace, inPlace, k, nullptr, 0.0f, 1.0f,
                                                         combine);
                else
                    morphology::convolveLineFast(inPlace, inPlace, k, nullptr, 0.0f, 1.0f, combine);
                expectEqualOver(inPlace, expected, box,
                                what + (mirrored ? " mirrored in place" : " in place"));
                // Outside the written box nothing changes.
                for (int i = in.lbound(0); i <= in.ubound(0); ++i)
                    for (int j = in.lbound(1); j <= in.ubound(1); ++j)
                        if (!box.contains(classification::Point(i, j))) {
                            ASSERT_TRUE(same(out(i, j), in(i, j)))
                                << what << " at " << i << "," << j;
                        }
            }
        }
    }
}

TEST(ConvolveLineFast, AdjacentLinesMatchBruteForce) {
    const auto byte = [](std::mt19937& rng) {
        return static_cast<uint8_t>(std::uniform_int_distribution<int>(0, 255)(rng));
    };
    checkAdjacentLines<uint8_t>(morphology::Maximum(), byte);
    checkAdjacentLines<uint8_t>(morphology::Minimum(), byte);
    checkAdjacentLines<int32_t>(morphology::LogicalOr(), [](std::mt19937& rng) {
        return std::uniform_int_distribution<int>(0, 9)(rng) < 2 ? 1 : 0;
    });
}

Histogram1D randomHistogram(std::mt19937& rng) {
    std::uniform_int_distribution<int> first(0, 200), span(0, 55), count(0, 100);
    Histogram1D h;
    const int lo = first(rng);
    h.init(lo, lo + span(rng), 5, 0);
    for (int i = h.firstIndex(); i <= h.lastIndex(); ++i)
        h.counts(i) = count(rng);
    return h;
}

TEST(ConvolveLineFast, HistogramSumMatchesBruteForce) {
    checkInstance<Histogram1D>(HistogramSum{5, 0}, randomHistogram);
}

TEST(HistogramSum, RebinsIntoTheUnionOfBothRanges) {
    Histogram1D a, b;
    a.init(0, 15, 5, 0); // shift 0, bins 0..15
    a.counts = 1;
    b.init(100, 163, 5, 0); // span 63: shift 1, bins 50..81
    b.counts = 2;
    const Histogram1D sum = classification::histogramSum(a, b, 5, 0);
    // span 163: floor(log2 163) = 7, shift 3, bins 0..20
    EXPECT_EQ(sum.shift, 3);
    EXPECT_EQ(sum.lo, 0);
    EXPECT_EQ(sum.hi, 163);
    ASSERT_EQ(sum.firstIndex(), 0);
    ASSERT_EQ(sum.lastIndex(), 20);
    EXPECT_EQ(sum.counts(0), 8); // values 0..7 of a
    EXPECT_EQ(sum.counts(1), 8);
    EXPECT_EQ(sum.counts(12), 2 * 2); // b's bins 50 and 51 (values 100..103)
    EXPECT_EQ(sum.counts.sum(), 16 + 32 * 2);
    // A histogram without counts adds nothing, not even its range.
    const Histogram1D same = classification::histogramSum(a, Histogram1D(), 5, 0);
    EXPECT_EQ(same.lo, 0);
    EXPECT_EQ(same.hi, 15);
    EXPECT_EQ(same.counts.sum(), 16);
}

TEST(HistogramSum, AssignmentCopiesTheCountsAndKeepsTheSegments) {
    Histogram1D a;
    a.init(0, 7, 5, 0);
    a.counts = 3;
    Histogram1D b;
    b.firstSegment = 4;
    b = a;
    a.counts = 0;
    EXPECT_EQ(b.counts.sum(), 24);
    EXPECT_EQ(b.firstSegment, 4);
}

TEST(ConvolveLineFast, WrittenBoxAndEdgeCases) {
    Array2<int32_t> line(10, 1);
    line = 0;
    line(5, 0) = 1;
    Array2<int32_t> out(10, 1);
    out = -1;
    const Box box =
        morphology::convolveLineFast<int32_t, morphology::LogicalOr>(line, out, 4, nullptr, 0, 1);
    EXPECT_EQ(box, Box(3, 0, 9, 0));
    const int expected[10] = {-1, -1, -1, 0, 0, 1, 1, 1, 1, 0};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(out(i, 0), expected[i]) << i;

    Array2<uint8_t> values(5, 1);
    values = 5, 1, 2, 7, 3;
    Array2<uint8_t> maxima(5, 1);
    morphology::convolveLineFast<uint8_t, morphology::Maximum>(values, maxima, 3, nullptr, 0, 1);
    EXPECT_EQ(maxima(2, 0), 5);
    EXPECT_EQ(maxima(3, 0), 7);
    EXPECT_EQ(maxima(4, 0), 7);

    // k = 1 copies; a line shorter than k or k < 1 writes nothing.
    Array2<uint8_t> copy(5, 1);
    EXPECT_EQ((morphology::convolveLineFast<uint8_t, morphology::Maximum>(values, copy, 1, nullptr,
                                                                          0, 1)),
              Box(0, 0, 4, 0));
    EXPECT_TRUE(blitz::all(copy == values));
    Array2<uint8_t> untouched(5, 1);
    untouched = 9;
    EXPECT_TRUE((morphology::convolveLineFast<uint8_t, morphology::Maximum>(values, untouched, 6,
                                                                            nullptr, 0, 1))
                    .isEmpty());
    EXPECT_TRUE((morphology::convolveLineFast<uint8_t, morphology::Maximum>(values, untouched, 0,
                                                                            nullptr, 0, 1))
                    .isEmpty());
    EXPECT_TRUE(blitz::all(untouched == 9));
}

TEST(ConvolveLineFast, WritesOnlyWhereTheOutputReaches) {
    Array2<uint8_t> in(blitz::Range(0, 9), blitz::Range(0, 3));
    in = 1;
    in(4, 2) = 8;
    Array2<uint8_t> out(blitz::Range(2, 6), blitz::Range(1, 2)); // smaller than the result box
    out = 0;
    const Box box =
        morphology::convolveLineFast<uint8_t, morphology::Maximum>(in, out, 2, nullptr, 0, 1);
    EXPECT_EQ(box, Box(2, 1, 6, 2));
    EXPECT_EQ(out(4, 2), 8);
    EXPECT_EQ(out(5, 2), 8);
    EXPECT_EQ(out(6, 2), 1);
}

struct Reports : orsine::utility::IiUI {
    std::vector<std::pair<float, std::string>> seen;
    bool cancel = false;
    void report(float fraction, const std::string& label) override {
        seen.emplace_back(fraction, label);
        if (cancel) throw VkExCancel();
    }
};

TEST(ConvolveLineFast, ReportsEvery128thLineWithItsCheckpointLabel) {
    Array2<uint8_t> in(blitz::Range(0, 3), blitz::Range(-130, 200));
    in = 0;
    Reports reports;
    morphology::convolveLineFast<uint8_t, morphology::Maximum>(in, in, 2, &reports, 0.2f, 0.6f);
    ASSERT_EQ(reports.seen.size(), 3u); // lines -128, 0 and 128
    const float lines = 331.0f;
    const int at[3] = {-128, 0, 128};
    // "vardek/include/morphology/convolve.h: <line>:\n(before [convolve line fast]): "
    const auto isCheckpointLabel = [](const std::string& label) {
        const std::string head = "vardek/include/morphology/convolve.h: ";
        const std::string tail = ":\n(before [convolve line fast]): ";
        if (label.size() <= head.size() + tail.size()) return false;
        if (label.compare(0, head.size(), head) != 0) return false;
        if (label.compare(label.size() - tail.size(), tail.size(), tail) != 0) return false;
        const std::string line =
            label.substr(head.size(), label.size() - head.size() - tail.size());
        return line.find_first_not_of("0123456789") == std::string::npos;
    };
    for (int r = 0; r < 3; ++r) {
        const float f = static_cast<float>(at[r] + 130 + 1) / lines;
        EXPECT_FLOAT_EQ(reports.seen[r].first, (1.0f - f) * 0.2f + f * 0.6f) << r;
        EXPECT_TRUE(isCheckpointLabel(reports.seen[r].second)) << reports.seen[r].second;
    }

    Reports cancelling;
    cancelling.cancel = true;
    EXPECT_THROW((morphology::convolveLineFast<uint8_t, morphology::Maximum>(in, in, 2, &cancelling,
                                                                             0.0f, 1.0f)),
                 VkExCancel);
}

} // namespace
