// Despeckle: holes of the selection narrower than the square are filled with
// its class; wider holes, bays open to the outside and pinned pixels stay.
#include "classification/despeckle.h"
#include "classification/segmentation.h"
#include "classification/status_selection.h"
#include "core/arrays.h"
#include "core/undo_queue.h"

#include "support/recording_progress.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <vector>

using namespace classification;
using Classification = Segmentation<6, 0>;

namespace {

SourceImage pixelsOver(const Box& box) {
    return arrayOver<orsine::utility::Colour<unsigned char>>(
        box, orsine::utility::Colour<unsigned char>(0, 0, 0, 255));
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

// The rule pixel by pixel: covered when a holding pixel lies within
// p - h .. p - h + n on both axes; covered pixels 4-connected through
// non-holding covered pixels of d to an uncovered pixel or to the outside of d
// are not holes.
ByteArray referenceDespeckle(const Classification& c, const ByteArray& status, int n) {
    ByteArray map = arrayOver<unsigned char>(boxOf(c.selectionMap));
    map = c.selectionMap;
    const Box d = c.dirtyBox;
    const SelectParams p = c.selectParams;
    const auto holds = [&](int r, int col) {
        return statusCompatible(c.selectionMap(r, col), p.newStatus, p.writeMask);
    };
    const int h = n / 2;
    LabelArray covered = arrayOver<int32_t>(d.grown(1), 0);
    for (int r = d.lower.row; r <= d.upper.row; ++r)
        for (int col = d.lower.column; col <= d.upper.column; ++col)
            for (int a = r - h; a <= r - h + n; ++a)
                for (int b = col - h; b <= col - h + n; ++b)
                    if (d.contains({a, b}) && holds(a, b)) covered(r, col) = 1;
    std::deque<Point> queue;
    for (int r = d.lower.row; r <= d.upper.row; ++r)
        for (int col = d.lower.column; col <= d.upper.column; ++col)
            if (!covered(r, col)) queue.emplace_back(r, col);
    for (int col = d.lower.column - 1; col <= d.upper.column + 1; ++col) {
        queue.emplace_back(d.lower.row - 1, col);
        queue.emplace_back(d.upper.row + 1, col);
    }
    for (int r = d.lower.row; r <= d.upper.row; ++r) {
        queue.emplace_back(r, d.lower.column - 1);
        queue.emplace_back(r, d.upper.column + 1);
    }
    while (!queue.empty()) {
        const Point q = queue.front();
        queue.pop_front();
        for (const Point& s : {Point(q.row - 1, q.column), Point(q.row + 1, q.column),
                               Point(q.row, q.column - 1), Point(q.row, q.column + 1)})
            if (d.contains(s) && covered(s.row, s.column) && !holds(s.row, s.column)) {
                covered(s.row, s.column) = 0;
                queue.push_back(s);
            }
    }
    for (int r = d.lower.row; r <= d.upper.row; ++r)
        for (int col = d.lower.column; col <= d.upper.column; ++col) {
            const unsigned char s = status(r, col);
            if (covered(r, col) &&
                statusCompatible(s, static_cast<uint8_t>(p.newStatus | 1), p.testMask))
                map(r, col) = changedStatus(s, p.newStatus, p.writeMask);
        }
    return map;
}

// A 14 x 14 unassigned image with a keep ring of width 3 (rows and columns 3
// to 10) around a 2 x 2 unassigned hole (rows and columns 6 and 7), as a keep
// stroke leaves it: applied to the status, staged in the selection map.
struct RingFixture {
    Box image{0, 0, 13, 13};
    Box ring{3, 3, 10, 10};
    SourceImage pixels = pixelsOver(image);
    Classification classification{nullptr, true, pixels};
    ByteArray status = arrayOver<unsigned char>(image, 1);
    UndoQueue queue{200};

    RingFixture() {
        for (int r = ring.lower.row; r <= ring.upper.row; ++r)
            for (int c = ring.lower.column; c <= ring.upper.column; ++c)
                if (!Box(6, 6, 7, 7).contains({r, c})) select(r, c);
        classification.dirtyBox = ring;
        classification.selectParams = {2, 0x0F, 0x0F, 0x3F, SelectScope::Exact};
    }
    void select(int r, int c) {
        status(r, c) = 2;
        classification.selectionMap(r, c) = 2;
    }
    void unselect(int r, int c) {
        status(r, c) = 1;
        classification.selectionMap(r, c) = 0;
    }
    std::vector<int> hole() const {
        return {status(6, 6), status(6, 7), status(7, 6), status(7, 7)};
    }
};

TEST(Despeckle, RingHoleIsFilledWhenTheSquareCoversIt) {
    struct Case {
        int size;
        std::vector<int> hole;
    };
    for (const Case& cs : {Case{1, {1, 1, 1, 1}}, Case{2, {2, 2, 2, 2}}, Case{3, {2, 2, 2, 2}}}) {
        RingFixture f;
        const ByteArray before = f.status.copy();
        despeckleSelection(f.classification, f.status, cs.size, &f.queue, nullptr, 0.0f, 1.0f);
        EXPECT_EQ(f.hole(), cs.hole) << "size " << cs.size;
        // Nothing outside the hole changes.
        for (int r = 0; r <= 13; ++r)
            for (int c = 0; c <= 13; ++c) {
                if (Box(6, 6, 7, 7).contains({r, c})) continue;
                ASSERT_EQ(f.status(r, c), before(r, c)) << r << "," << c;
            }
        // One undo step that takes it all back.
        EXPECT_EQ(f.queue.undoGroups(), 1u);
        ChangedBox changed;
        f.queue.undo(changed);
        EXPECT_EQ(rowsOf(f.status, f.image), rowsOf(before, f.image)) << "size " << cs.size;
    }
}

TEST(Despeckle, GapToTheOutsideKeepsTheHoleOpen) {
    RingFixture f;
    for (int r = 8; r <= 10; ++r)
        f.unselect(r, 6); // a slot from the hole down to the ring's edge
    despeckleSelection(f.classification, f.status, 3, &f.queue, nullptr, 0.0f, 1.0f);
    EXPECT_EQ(f.hole(), (std::vector<int>{1, 1, 1, 1}));
    for (int r = 8; r <= 10; ++r)
        EXPECT_EQ(f.status(r, 6), 1);
}

TEST(Despeckle, PinnedAndOtherClassPixelsStay) {
    RingFixture f;
    f.status(6, 6) = 0x21; // protected
    f.status(6, 7) = 0x04; // delete
    f.status(7, 6) = 0x41; // a temporary mark: filled, the mark kept
    despeckleSelection(f.classification, f.status, 2, &f.queue, nullptr, 0.0f, 1.0f);
    EXPECT_EQ(f.hole(), (std::vector<int>{0x21, 0x04, 0x42, 2}));
    ChangedBox changed;
    f.queue.undo(changed);
    EXPECT_EQ(f.hole(), (std::vector<int>{0x21, 0x04, 0x41, 1}));
}

TEST(Despeckle, NothingSelectedOrSizeZeroRecordsNothing) {
    {
        RingFixture f;
        f.classification.dirtyBox = Box::empty();
        RecordingProgress progress;
        despeckleSelection(f.classification, f.status, 3, &f.queue, &progress, 0.2f, 0.6f);
        EXPECT_EQ(progress.fractions, std::vector<float>{0.6f});
        EXPECT_EQ(f.queue.undoGroups(), 0u);
    }
    {
        RingFixture f;
        RecordingProgress progress;
        despeckleSelection(f.classification, f.status, 0, &f.queue, &progress, 0.2f, 0.6f);
        EXPECT_TRUE(progress.fractions.empty());
        EXPECT_EQ(f.queue.undoGroups(), 0u);
        EXPECT_EQ(f.hole(), (std::vector<int>{1, 1, 1, 1}));
    }
}

TEST(Despeckle, ReportsStayWithinTheRangeAndEndAtItsEnd) {
    RingFixture f;
    RecordingProgress progress;
    despeckleSelection(f.classification, f.status, 2, &f.queue, &progress, 0.2f, 0.6f);
    ASSERT_GE(progress.fractions.size(), 3u);
    EXPECT_FLOAT_EQ(progress.fractions.front(), 0.9f * 0.2f + 0.1f * 0.6f);
    EXPECT_FLOAT_EQ(progress.fractions.back(), 0.6f);
    for (std::size_t i = 1; i < progress.fractions.size(); ++i)
        EXPECT_GE(progress.fractions[i], progress.fractions[i - 1] - 1e-6f);
}

TEST(Despeckle, MatchesTheRuleOnRandomSelections) {
    std::mt19937 random(11);
    const unsigned char statuses[] = {1, 1, 1, 2, 4, 8, 0, 0x21, 0x11, 0x41};
    for (int round = 0; round < 80; ++round) {
        const int rows = 1 + random() % 16, columns = 1 + random() % 16;
        const Box image(2, 1, 2 + rows - 1, 1 + columns - 1);
        const SourceImage pixels = pixelsOver(image);
        Classification c(nullptr, true, pixels);
        ByteArray status = arrayOver<unsigned char>(image);
        const uint8_t cls = std::vector<uint8_t>{2, 4, 8}[random() % 3];
        c.selectParams = {cls, 0x0F, cls, 0x3F, SelectScope::Exact};
        c.dirtyBox = Box::empty();
        for (int r = image.lower.row; r <= image.upper.row; ++r)
            for (int col = image.lower.column; col <= image.upper.column; ++col) {
                status(r, col) = statuses[random() % sizeof statuses];
                // About half selected, as a select with new status = from-set leaves it.
                const bool selected = random() % 2 && status(r, col) != 0;
                if (selected)
                    status(r, col) = static_cast<unsigned char>((status(r, col) & 0xF0) | cls);
                c.selectionMap(r, col) = selected ? status(r, col) : 0;
                if (selected) c.dirtyBox.include({r, col});
            }
        if (c.dirtyBox.isEmpty()) continue;
        const int n = 1 + random() % 5;
        const ByteArray expected = referenceDespeckle(c, status, n);
        ASSERT_TRUE(stageDespeckle(c, status, n, nullptr, 0.0f, 1.0f));
        ASSERT_EQ(rowsOf(c.selectionMap, c.dirtyBox), rowsOf(expected, c.dirtyBox))
            << "round " << round << " n " << n;
    }
}

} // namespace
