// Crack tracing of label images and masks, checked against hand-made cases and
// against a brute-force list of every boundary crack.
#include "classification/contours.h"
#include "core/arrays.h"

#include <gtest/gtest.h>

#include <map>
#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace classification;

namespace {

// Labels from rows of characters ('0'..'9'); the box starts at `first`, and the
// array carries a margin of 2 holding -1, as the engine's label storage does.
LabelArray labelsFrom(const std::vector<std::string>& rows, Point first = {}) {
    const Box box(first.row, first.column, first.row + static_cast<int>(rows.size()) - 1,
                  first.column + static_cast<int>(rows[0].size()) - 1);
    LabelArray labels = arrayOver<int32_t>(box.grown(2), -1);
    for (int r = 0; r < box.rows(); ++r)
        for (int c = 0; c < box.columns(); ++c)
            labels(first.row + r, first.column + c) = rows[r][c] - '0';
    return labels;
}

Box innerBox(const LabelArray& labels) {
    return boxOf(labels).grown(-2);
}

// The pixels right and left of the unit step from corner a to corner b.
std::pair<Point, Point> sidesOf(Point a, Point b) {
    const Point d = b - a;
    if (d == Point(1, 0)) return {{a.row, a.column - 1}, {a.row, a.column}};  // down
    if (d == Point(0, 1)) return {{a.row, a.column}, {a.row - 1, a.column}};  // right
    if (d == Point(-1, 0)) return {{b.row, b.column}, {b.row, b.column - 1}}; // up
    if (d == Point(0, -1)) return {{b.row - 1, b.column}, {b.row, b.column}}; // left
    ADD_FAILURE() << "not a unit step: " << a << " to " << b;
    return {a, a};
}

// A crack named by its two pixels in a fixed order.
using Crack = std::pair<std::pair<int, int>, std::pair<int, int>>;
Crack crackOf(Point p, Point q) {
    std::pair<int, int> a{p.row, p.column}, b{q.row, q.column};
    return a < b ? Crack{a, b} : Crack{b, a};
}

// Every crack between different labels that has a side inside the box.
std::set<Crack> boundaryCracks(const LabelArray& labels, const Box& box) {
    std::set<Crack> cracks;
    const Box g = box.grown(1);
    for (int r = g.lower.row; r <= g.upper.row; ++r)
        for (int c = g.lower.column; c <= g.upper.column; ++c) {
            const Point p(r, c);
            for (Point q : {Point(r + 1, c), Point(r, c + 1)}) {
                if (!g.contains(q) || (!box.contains(p) && !box.contains(q))) continue;
                if (labels(p.index()) != labels(q.index())) cracks.insert(crackOf(p, q));
            }
        }
    return cracks;
}

// Where a walk may end: a corner where three or more labels meet, or where
// two labels meet diagonally (a corner passed by two walks).
bool isJunction(const LabelArray& labels, Point corner) {
    const int tl = labels((corner + Point(-1, -1)).index());
    const int tr = labels((corner + Point(-1, 0)).index());
    const int bl = labels((corner + Point(0, -1)).index());
    const int br = labels(corner.index());
    const std::set<int> seen = {tl, tr, bl, br};
    return seen.size() >= 3 || (seen.size() == 2 && tl == br && tr == bl);
}

// Checks that the records cover every boundary crack exactly once, with the
// recorded labels on the right sides, and that open contours end at junctions.
void expectExactCover(const LabelArray& labels, const std::vector<ContourRecord>& records) {
    const Box box = innerBox(labels);
    std::set<Crack> walked;
    for (const ContourRecord& record : records) {
        ASSERT_GE(record.points.size(), 2u);
        for (std::size_t i = 0; i + 1 < record.points.size(); ++i) {
            const auto [right, left] = sidesOf(record.points[i], record.points[i + 1]);
            EXPECT_EQ(labels(right.index()), record.rightLabel);
            EXPECT_EQ(labels(left.index()), record.leftLabel);
            EXPECT_TRUE(walked.insert(crackOf(right, left)).second)
                << "crack walked twice: " << right << " " << left;
        }
        if (record.points.front() != record.points.back()) {
            EXPECT_TRUE(isJunction(labels, record.points.front()));
            EXPECT_TRUE(isJunction(labels, record.points.back()));
        }
    }
    EXPECT_EQ(walked, boundaryCracks(labels, box));
}

TEST(TraceContours, InnerRegionGivesOneClosedContour) {
    const LabelArray labels = labelsFrom({"0000", "0110", "0110", "0000"}, {5, 7});
    const std::vector<ContourRecord> records = traceContours(labels, innerBox(labels));
    expectExactCover(labels, records);

    ASSERT_EQ(records.size(), 2u); // the image border and the inner region
    const ContourRecord& inner = records[1];
    EXPECT_EQ(std::set<int>({inner.rightLabel, inner.leftLabel}), std::set<int>({0, 1}));
    const IntPolyline expected = {{6, 8}, {6, 9}, {6, 10}, {7, 10}, {8, 10},
                                  {8, 9}, {8, 8}, {7, 8},  {6, 8}};
    // The walk starts on the region's left edge, going up, with 1 on its right.
    EXPECT_EQ(inner.rightLabel, 1);
    EXPECT_EQ(inner.points, expected);
}

TEST(TraceContours, JunctionEndsEveryBoundaryPieceThere) {
    const LabelArray labels = labelsFrom({"0011", "0011", "0022", "0022"});
    const std::vector<ContourRecord> records = traceContours(labels, innerBox(labels));
    expectExactCover(labels, records);

    int inner = 0;
    for (const ContourRecord& record : records) {
        if (record.rightLabel < 0 || record.leftLabel < 0) continue;
        ++inner;
        EXPECT_NE(record.points.front(), record.points.back());
        const bool endsAtJunction =
            record.points.front() == Point(2, 2) || record.points.back() == Point(2, 2);
        EXPECT_TRUE(endsAtJunction) << record.rightLabel << "/" << record.leftLabel;
    }
    EXPECT_EQ(inner, 3); // 0|1, 0|2 and 1|2
}

// Two pixels of one label that touch only at a corner. Worked out by hand from
// the step rule: walking down the right edge of the upper-left pixel p, the
// pixel ahead and the one across hold the other label while the diagonal pixel
// holds p's own (h = 1, e = 0), so the walk stays on p and turns right. Each
// pixel thus gets a closed square of its own, instead of one figure eight
// through the shared corner.
//   mask 10 / 01 (margin 0): squares (0,0)-(0,1)-(1,1)-(1,0) and
//     (1,1)-(1,2)-(2,2)-(2,1); the 0 side has no crack left to start from.
//   labels 5555 / 5855 / 5585 / 5555 (margin -1): first the image border with
//     5 on the right, up the left edge of (0,0) and clockwise round the box;
//     then the same two squares one pixel further in, with 8 on the right.
TEST(TraceContours, PixelsTouchingDiagonallyGetSeparateContours) {
    const IntPolyline upperLeft = {{0, 0}, {0, 1}, {1, 1}, {1, 0}, {0, 0}};
    const IntPolyline lowerRight = {{1, 1}, {1, 2}, {2, 2}, {2, 1}, {1, 1}};
    ByteArray mask = arrayOver<unsigned char>(Box(0, 0, 1, 1).grown(1), 0);
    mask(0, 0) = mask(1, 1) = 1;
    EXPECT_EQ(traceMaskOutline(mask, Box(0, 0, 1, 1)),
              (std::vector<IntPolyline>{upperLeft, lowerRight}));

    const LabelArray labels = labelsFrom({"5555", "5855", "5585", "5555"});
    const std::vector<ContourRecord> records = traceContours(labels, innerBox(labels));
    expectExactCover(labels, records);
    const IntPolyline border = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 4},
                                {2, 4}, {3, 4}, {4, 4}, {4, 3}, {4, 2}, {4, 1},
                                {4, 0}, {3, 0}, {2, 0}, {1, 0}, {0, 0}};
    const auto shifted = [](IntPolyline line) {
        for (Point& p : line)
            p = p + Point(1, 1);
        return line;
    };
    struct Expected {
        int32_t right, left;
        IntPolyline points;
    };
    const std::vector<Expected> expected = {
        {5, -1, border}, {8, 5, shifted(upperLeft)}, {8, 5, shifted(lowerRight)}};
    ASSERT_EQ(records.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(records[i].rightLabel, expected[i].right);
        EXPECT_EQ(records[i].leftLabel, expected[i].left);
        EXPECT_EQ(records[i].points, expected[i].points);
    }
}

TEST(TraceContours, RandomImagesAreCoveredExactlyOnce) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 300; ++trial) {
        const int rows = 1 + static_cast<int>(random() % 9),
                  columns = 1 + static_cast<int>(random() % 9);
        const int kinds = 2 + static_cast<int>(random() % 3);
        std::vector<std::string> text(rows, std::string(columns, '0'));
        for (auto& row : text)
            for (char& ch : row)
                ch = static_cast<char>('0' + random() % kinds);
        SCOPED_TRACE(::testing::PrintToString(text));
        const LabelArray labels = labelsFrom(text, {-3, 4});
        expectExactCover(labels, traceContours(labels, innerBox(labels)));
    }
}

TEST(TraceContours, SeveralWorkersGiveTheContoursOfOne) {
    // Blobs of a few labels over enough rows that the pixels where contours
    // may start are found in several bands; contours cross the bands.
    std::mt19937 random(5);
    std::vector<std::string> text(300, std::string(70, '0'));
    for (int blob = 0; blob < 60; ++blob) {
        const int row = int(random() % 300), column = int(random() % 70);
        const int height = 1 + int(random() % 90), width = 1 + int(random() % 20);
        const char label = static_cast<char>('1' + random() % 4);
        for (int r = row; r < std::min(row + height, 300); ++r)
            for (int c = column; c < std::min(column + width, 70); ++c)
                text[std::size_t(r)][std::size_t(c)] = label;
    }
    const LabelArray labels = labelsFrom(text, {-3, 4});
    const std::vector<ContourRecord> one = traceContours(labels, innerBox(labels), 1);
    expectExactCover(labels, one);
    for (unsigned workers : {2u, 5u}) {
        const std::vector<ContourRecord> several = traceContours(labels, innerBox(labels), workers);
        ASSERT_EQ(several.size(), one.size()) << workers;
        for (std::size_t i = 0; i < one.size(); ++i) {
            EXPECT_EQ(several[i].rightLabel, one[i].rightLabel) << workers << " record " << i;
            EXPECT_EQ(several[i].leftLabel, one[i].leftLabel) << workers << " record " << i;
            EXPECT_EQ(several[i].points, one[i].points) << workers << " record " << i;
        }
    }
}

TEST(TraceMaskOutline, FollowsTheSameCracksAsTheLabelTracer) {
    std::mt19937 random(11);
    for (int trial = 0; trial < 100; ++trial) {
        const Box box(2, 3, 2 + static_cast<int>(random() % 8), 3 + static_cast<int>(random() % 8));
        ByteArray bytes = arrayOver<unsigned char>(box.grown(1), 0);
        LabelArray labels = arrayOver<int32_t>(box.grown(2), 0);
        for (int r = box.lower.row; r <= box.upper.row; ++r)
            for (int c = box.lower.column; c <= box.upper.column; ++c)
                labels(r, c) = bytes(r, c) = static_cast<unsigned char>(random() % 3);
        std::vector<IntPolyline> expected;
        for (ContourRecord& record : traceContours(labels, box))
            expected.push_back(record.points);
        EXPECT_EQ(traceMaskOutline(bytes, box), expected);
    }
}

TEST(BuildPatchOutline, FilledRectangleGivesItsFourCorners) {
    ByteArray mask = arrayOver<unsigned char>(Box(3, 10, 6, 14), 255);
    const std::vector<IntPolyline> lines = buildPatchOutline(mask);
    ASSERT_EQ(lines.size(), 1u);
    const IntPolyline expected = {{3, 10}, {3, 15}, {7, 15}, {7, 10}, {3, 10}};
    EXPECT_EQ(lines[0], expected);
}

TEST(BuildPatchOutline, AnyNonZeroByteIsInside) {
    ByteArray mask = arrayOver<unsigned char>(Box(0, 0, 3, 3), 1);
    mask(1, 1) = 255;
    mask(2, 2) = 17;
    mask(0, 3) = 0; // a notch: six corners
    const std::vector<IntPolyline> lines = buildPatchOutline(mask);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 7u);
    EXPECT_EQ(lines[0].front(), lines[0].back());
}

TEST(BuildPatchOutline, EmptyMaskAndHoles) {
    EXPECT_TRUE(buildPatchOutline(ByteArray()).empty());
    EXPECT_TRUE(buildPatchOutline(arrayOver<unsigned char>(Box(0, 0, 4, 4), 0)).empty());
    ByteArray ring = arrayOver<unsigned char>(Box(0, 0, 4, 4), 1);
    ring(2, 2) = 0;
    const std::vector<IntPolyline> lines = buildPatchOutline(ring);
    ASSERT_EQ(lines.size(), 2u); // the outer border and the hole
    EXPECT_EQ(lines[1], IntPolyline({{2, 2}, {2, 3}, {3, 3}, {3, 2}, {2, 2}}));
}

} // namespace
