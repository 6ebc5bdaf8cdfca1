// Region refinement: kept labels, absorbed boundary pixels and component
// numbering, against plain reference implementations on random label images.
#include "classification/region_refinement.h"
#include "classification/segmentation.h"
#include "core/arrays.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <random>
#include <vector>

using namespace classification;
using Classification = Segmentation<6, 0>;

namespace {

// A label image over `box` from rows of text-free integers; the rows are given
// top to bottom.
LabelArray labelsOver(const Box& box, const std::vector<std::vector<int32_t>>& rows) {
    LabelArray a = arrayOver<int32_t>(box, 0);
    for (int r = 0; r < box.rows(); ++r)
        for (int c = 0; c < box.columns(); ++c)
            a(box.lower.row + r, box.lower.column + c) = rows[r][c];
    return a;
}

LabelArray randomLabels(const Box& box, int values, std::mt19937& rng) {
    std::uniform_int_distribution<int32_t> pick(0, values - 1);
    LabelArray a = arrayOver<int32_t>(box);
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int c = box.lower.column; c <= box.upper.column; ++c)
            a(r, c) = pick(rng);
    return a;
}

// --- references, written for clarity with bounds tests instead of margins

LabelArray referenceKept(const Box& box, const LabelArray& labels) {
    LabelArray q = arrayOver<int32_t>(box, 0);
    const int dr[4] = {-1, 0, 0, 1}, dc[4] = {0, -1, 1, 0};
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int c = box.lower.column; c <= box.upper.column; ++c)
            for (int i = 0; i < 4; ++i) {
                const Point n(r + dr[i], c + dc[i]);
                if (box.contains(n) && labels(n.row, n.column) == labels(r, c))
                    q(r, c) = labels(r, c);
            }
    return q;
}

// The absorption over a copy that carries `outside` around the box (the
// margin the engine's working array holds); returns the box part.
LabelArray referenceAbsorbed(const Box& box, const LabelArray& kept) {
    LabelArray q = arrayOver<int32_t>(box.grown(1), 0);
    windowOf(q, box) = kept;
    const int sr[4] = {-1, 0, 0, 1}, sc[4] = {0, -1, 1, 0};
    const int dr[4] = {-1, -1, 1, 1}, dc[4] = {-1, 1, -1, 1};
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int c = box.lower.column; c <= box.upper.column; ++c) {
            if (q(r, c) != 0) continue;
            int first = -1;
            for (int i = 0; i < 4 && first < 0; ++i)
                if (q(r + sr[i], c + sc[i]) < 1) first = i;
            if (first >= 0) {
                q(r, c) = -1;
                q(r + sr[first], c + sc[first]) = -1;
                for (int i = first + 1; i < 4; ++i)
                    if (q(r + sr[i], c + sc[i]) == 0) q(r + sr[i], c + sc[i]) = -1;
                continue;
            }
            // Tally the votes; the winner has the highest count, and among
            // equal counts the one that reached it first.
            std::vector<int32_t> order;
            for (int i = 0; i < 4; ++i)
                order.push_back(q(r + sr[i], c + sc[i]));
            for (int i = 0; i < 4; ++i)
                if (q(r + dr[i], c + dc[i]) > 0) order.push_back(q(r + dr[i], c + dc[i]));
            std::map<int32_t, int> count;
            int best = 0;
            int32_t winner = 0;
            for (int32_t label : order)
                if (++count[label] > best) {
                    best = count[label];
                    winner = label;
                }
            q(r, c) = winner;
        }
    LabelArray result = arrayOver<int32_t>(box);
    result = windowOf(q, box);
    return result;
}

// Breadth-first fill from every unvisited pixel in row-major order.
LabelArray referenceComponents(const LabelArray& values, int32_t& count) {
    const Box box = boxOf(values);
    LabelArray out = arrayOver<int32_t>(box, -1);
    count = 0;
    const int dr[4] = {-1, 0, 0, 1}, dc[4] = {0, -1, 1, 0};
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int c = box.lower.column; c <= box.upper.column; ++c) {
            if (out(r, c) >= 0) continue;
            std::deque<Point> todo{Point(r, c)};
            out(r, c) = count;
            while (!todo.empty()) {
                const Point p = todo.front();
                todo.pop_front();
                for (int i = 0; i < 4; ++i) {
                    const Point n(p.row + dr[i], p.column + dc[i]);
                    if (box.contains(n) && out(n.row, n.column) < 0 &&
                        values(n.row, n.column) == values(p.row, p.column)) {
                        out(n.row, n.column) = count;
                        todo.push_back(n);
                    }
                }
            }
            ++count;
        }
    return out;
}

bool equalArrays(const LabelArray& a, const LabelArray& b) {
    return boxOf(a) == boxOf(b) && blitz::all(a == b);
}

// A classification over `box` whose flood left `flood` (over `box`), stored as
// the flood stores it: grown by 2, 0 around the domain.
struct Flooded {
    SourceImage pixels;
    Classification c;

    Flooded(const Box& box, const LabelArray& flood, int32_t count)
        : pixels(arrayOver<orsine::utility::Colour<unsigned char>>(box)), c(nullptr, true, pixels) {
        c.domain = box;
        c.regionLabelStorage.reference(arrayOver<int32_t>(box.grown(2), 0));
        c.regionLabels.reference(windowOf(c.regionLabelStorage, box));
        c.regionLabels = flood;
        c.regionCount = count;
    }
};

TEST(KeepRepeatedLabels, KeepsExactlyTheLabelsAPixelSharesWithANeighbour) {
    // Small boxes on one worker, and boxes tall enough for bands of rows on
    // several, whose neighbours across band edges count as any other.
    std::mt19937 rng(7);
    for (int trial = 0; trial < 30; ++trial) {
        const int rows = trial < 20 ? 5 + trial % 7 : 64 * (2 + trial % 5) + trial % 3;
        const unsigned workers = trial < 20 ? 1 : 1 + trial % 8;
        const Box box(3, -2, 3 + rows, -2 + 9 + trial % 5);
        const LabelArray labels = randomLabels(box, 2 + trial % 4, rng);
        LabelArray kept = arrayOver<int32_t>(box, 0);
        keepRepeatedLabels(box, labels, kept, workers);
        EXPECT_TRUE(equalArrays(kept, referenceKept(box, labels))) << "trial " << trial;
    }
}

TEST(AbsorbBoundaryPixels, SmallCases) {
    const Box box(0, 0, 3, 3);
    struct Case {
        const char* name;
        std::vector<std::vector<int32_t>> kept;
        std::vector<std::vector<int32_t>> expected;
    };
    const Case cases[] = {
        // Three neighbours in region 1, one in region 2: joins region 1.
        {"majority",
         {{1, 1, 1, 2}, {1, 0, 1, 2}, {1, 1, 2, 2}, {1, 1, 2, 2}},
         {{1, 1, 1, 2}, {1, 1, 1, 2}, {1, 1, 2, 2}, {1, 1, 2, 2}}},
        // Two sides each: the diagonals decide (three of region 2).
        {"diagonals break the tie",
         {{2, 1, 2, 2}, {2, 0, 1, 2}, {2, 2, 2, 2}, {2, 2, 2, 2}},
         {{2, 1, 2, 2}, {2, 2, 1, 2}, {2, 2, 2, 2}, {2, 2, 2, 2}}},
        // Two adjacent lone pixels become edge pixels together.
        {"two lone pixels",
         {{1, 1, 1, 1}, {1, 0, 0, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}},
         {{1, 1, 1, 1}, {1, -1, -1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}}},
        // A lone pixel on the image's edge touches the 0 outside.
        {"on the outer edge",
         {{1, 0, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}},
         {{1, -1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}}},
        // Four different labels on the sides: the diagonals decide, and 5
        // reaches two votes before 6 and 4 do.
        {"first to reach the count",
         {{5, 3, 5, 9}, {4, 0, 6, 9}, {6, 7, 4, 9}, {9, 9, 9, 9}},
         {{5, 3, 5, 9}, {4, 5, 6, 9}, {6, 7, 4, 9}, {9, 9, 9, 9}}},
    };
    for (const Case& k : cases) {
        LabelArray q = arrayOver<int32_t>(box.grown(1), 0);
        LabelArray inside = windowOf(q, box);
        inside = labelsOver(box, k.kept);
        absorbBoundaryPixels(q, box, 10);
        EXPECT_TRUE(equalArrays(windowOf(q, box), labelsOver(box, k.expected))) << k.name;
    }
}

TEST(AbsorbBoundaryPixels, MatchesTheReferenceOnRandomLabels) {
    std::mt19937 rng(11);
    for (int trial = 0; trial < 40; ++trial) {
        const Box box(-4, 6, -4 + 6 + trial % 9, 6 + 7 + trial % 6);
        // Few labels with many lone pixels; a label table smaller than the
        // labels must still count every label.
        const LabelArray flood = randomLabels(box, 2 + trial % 5, rng);
        LabelArray q = arrayOver<int32_t>(box.grown(1), 0);
        keepRepeatedLabels(box, flood, q);
        const LabelArray kept = windowOf(q, box).copy();
        absorbBoundaryPixels(q, box, trial % 2 ? 0 : 7);
        EXPECT_TRUE(equalArrays(windowOf(q, box), referenceAbsorbed(box, kept)))
            << "trial " << trial;
    }
}

TEST(LabelComponents, NumbersComponentsByTheirFirstPixel) {
    std::mt19937 rng(3);
    for (int trial = 0; trial < 50; ++trial) {
        // The last ten are numbered in bands of rows on several workers.
        const int rows = trial < 40 ? 1 + trial % 13 : 64 * (2 + trial % 4) + trial % 5;
        const unsigned workers = trial < 40 ? 1 : 2 + trial % 7;
        const Box box(2, 5, 2 + rows, 5 + 1 + trial % 11);
        const LabelArray values = randomLabels(box, 1 + trial % 4, rng);
        // The labels live in a larger array whose other elements stay alone.
        LabelArray labels = arrayOver<int32_t>(box.grown(2), -7);
        const int32_t count = labelComponents(values, labels, workers);
        int32_t expectedCount = 0;
        const LabelArray expected = referenceComponents(values, expectedCount);
        EXPECT_EQ(count, expectedCount) << "trial " << trial;
        EXPECT_TRUE(equalArrays(windowOf(labels, box), expected)) << "trial " << trial;
        fillOutsideBox(labels, box, -7);
        EXPECT_EQ(blitz::count(labels == -7), boxOf(labels).area() - box.area());
    }
}

TEST(LabelComponents, ACombWhoseTeethMeetInTheLastBandIsOneComponent) {
    // Teeth one column apart run down through every band of rows and meet
    // only on the last row, so each band above it sees the teeth apart;
    // between the teeth, strips of another value cross every band, each one
    // component.
    const Box box(0, 0, 299, 20);
    LabelArray values = arrayOver<int32_t>(box);
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int c = box.lower.column; c <= box.upper.column; ++c)
            values(r, c) = (r == box.upper.row || c % 2 == 0) ? 1 : 2;
    for (unsigned workers : {1u, 4u}) {
        LabelArray labels = arrayOver<int32_t>(box);
        EXPECT_EQ(labelComponents(values, labels, workers), 11) << workers;
        int32_t expectedCount = 0;
        EXPECT_TRUE(equalArrays(labels, referenceComponents(values, expectedCount))) << workers;
    }
}

TEST(LabelComponents, SpiralAndCombConnectLate) {
    // Components whose parts meet only on a later row: a comb joined at its
    // base, and a U shape.
    const Box box(0, 0, 4, 6);
    const LabelArray values = labelsOver(box, {{1, 0, 1, 0, 1, 2, 2},
                                               {1, 0, 1, 0, 1, 2, 3},
                                               {1, 0, 1, 0, 1, 2, 3},
                                               {1, 1, 1, 1, 1, 2, 3},
                                               {0, 0, 0, 0, 0, 2, 2}});
    LabelArray labels = arrayOver<int32_t>(box);
    EXPECT_EQ(labelComponents(values, labels), 6);
    EXPECT_TRUE(equalArrays(labels, labelsOver(box, {{0, 1, 0, 2, 0, 3, 3},
                                                     {0, 1, 0, 2, 0, 3, 4},
                                                     {0, 1, 0, 2, 0, 3, 4},
                                                     {0, 0, 0, 0, 0, 3, 4},
                                                     {5, 5, 5, 5, 5, 3, 3}})));
}

TEST(RefineRegions, RenumbersWithoutGapsAndMatchesTheSteps) {
    std::mt19937 rng(5);
    for (int trial = 0; trial < 20; ++trial) {
        const Box box(10, 20, 10 + 8 + trial % 7, 20 + 9 + trial % 8);
        // Blocky labels (runs of equal values) with lone pixels sprinkled in.
        LabelArray flood = arrayOver<int32_t>(box);
        std::uniform_int_distribution<int> pick(1, 6), sprinkle(0, 9);
        for (int r = box.lower.row; r <= box.upper.row; ++r)
            for (int c = box.lower.column; c <= box.upper.column; ++c)
                flood(r, c) = sprinkle(rng) == 0 ? pick(rng) : 1 + ((r / 3 + c / 4) % 3);
        Flooded f(box, flood, 7);
        f.c.refineRegions();

        LabelArray absorbed = referenceAbsorbed(box, referenceKept(box, flood));
        int32_t count = 0;
        const LabelArray expected = referenceComponents(absorbed, count);
        EXPECT_EQ(f.c.regionCount, count);
        EXPECT_TRUE(equalArrays(f.c.regionLabels, expected)) << "trial " << trial;
        // The margin of the storage holds -1.
        EXPECT_EQ(blitz::count(f.c.regionLabelStorage == -1),
                  box.grown(2).area() - box.area() + blitz::count(expected == -1));
        // Labels run from 0 without gaps in the order of their first pixels.
        int32_t next = 0;
        for (int r = box.lower.row; r <= box.upper.row; ++r)
            for (int c = box.lower.column; c <= box.upper.column; ++c) {
                ASSERT_LE(f.c.regionLabels(r, c), next);
                if (f.c.regionLabels(r, c) == next) ++next;
            }
        EXPECT_EQ(next, f.c.regionCount);
    }
}

TEST(RefineRegions, NothingWithoutRegions) {
    const Box box(0, 0, 3, 3);
    LabelArray flood = arrayOver<int32_t>(box, 1);
    flood(1, 1) = 2;
    Flooded f(box, flood, 3);
    f.c.params.regionScale = 1.0f;
    f.c.refineRegions();
    EXPECT_EQ(f.c.regionCount, 3);
    EXPECT_EQ(f.c.regionLabels(1, 1), 2);
}

TEST(ClipToSelection, LabelsOutsideThePatchBecomeMinusOne) {
    const Box box(4, 4, 7, 8);
    Flooded f(box, arrayOver<int32_t>(box, 3), 1);
    // The mask covers rows 4 to 6 only; its byte at (5, 6) is 0.
    ByteArray mask = arrayOver<unsigned char>(Box(4, 4, 6, 8), 1);
    mask(5, 6) = 0;
    f.c.clipToSelection(mask);
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int c = box.lower.column; c <= box.upper.column; ++c) {
            const bool inside = r <= 6 && !(r == 5 && c == 6);
            EXPECT_EQ(f.c.regionLabels(r, c), inside ? 3 : -1) << r << "," << c;
        }
}

} // namespace
