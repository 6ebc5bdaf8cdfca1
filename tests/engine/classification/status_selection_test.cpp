// Status selection: the masks and compatibility rules, the four scopes on
// hand-made region and group labels, and writing the selection map as one undo
// step.
#include "classification/apply_selection.h"
#include "classification/status_selection.h"
#include "core/progress.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using namespace classification;
using Classification = Segmentation<6, 0>;

namespace {

// ---------------------------------------------------------------- rules

TEST(SelectMasks, FirstMatchingRowWins) {
    struct Case {
        int newStatus, fromSet;
        SelectScope scope;
        int write, test;
    };
    const Case cases[] = {
        {1, 16, SelectScope::Exact, 16, 16},  // clear the forced-edge bit
        {1, 16, SelectScope::Global, 16, 16}, //
        {1, 15, SelectScope::Exact, 15, 47},  // erase: forced edges too, not protection
        {1, 15, SelectScope::Local, 15, 63},  // erase elsewhere: neither
        {1, 15, SelectScope::Global, 15, 63}, //
        {1, 47, SelectScope::Exact, 15, 47},  // a from-set naming 0x20 is still "not 32"
        {1, 32, SelectScope::Exact, 32, 32},  // clear the protection bit
        {16, 15, SelectScope::Exact, 16, 16}, // set the forced-edge bit
        {16, 16, SelectScope::Exact, 16, 16}, //
        {2, 16, SelectScope::Exact, 16, 16},  // a from-set of 16 wins over the class
        {32, 1, SelectScope::Exact, 32, 32},  // set the protection bit
        {4, 32, SelectScope::Local, 32, 32},  //
        {2, 15, SelectScope::Exact, 15, 63},  // the classes
        {4, 3, SelectScope::Global, 15, 63},  //
        {8, 15, SelectScope::Local, 15, 63},  //
        {0, 15, SelectScope::Exact, 0, 0},    // anything else
        {3, 15, SelectScope::Exact, 0, 0},    //
        {64, 15, SelectScope::Exact, 0, 0},   //
    };
    for (const Case& k : cases) {
        const SelectMasks m = selectMasks(static_cast<uint8_t>(k.newStatus),
                                          static_cast<uint8_t>(k.fromSet), k.scope);
        EXPECT_EQ(m.write, k.write) << k.newStatus << " from " << k.fromSet;
        EXPECT_EQ(m.test, k.test) << k.newStatus << " from " << k.fromSet;
    }
}

TEST(StatusCompatible, ClassForcedEdgeAndProtectionRules) {
    struct Case {
        int status, fromSet, testMask;
        bool compatible;
    };
    const Case cases[] = {
        {0x02, 15, 63, true},    // keep may be overwritten
        {0x04, 0x03, 63, false}, // delete is not in the from-set
        {0x01, 0x01, 63, true},
        {0x12, 15, 63, false},   // forced edge, not named
        {0x12, 0x1f, 63, true},  // forced edge, named
        {0x22, 15, 63, false},   // protected, not named
        {0x22, 0x2f, 63, true},  // protected, named
        {0x32, 0x1f, 63, false}, // both bits, only one named
        {0x12, 15, 47, true},    // exact erase ignores the forced-edge bit
        {0x22, 15, 47, false},   // but not protection
        {0x01, 16, 16, true},    // setting the forced-edge bit: no class test
        {0x11, 15, 16, false},   // the bit is there and the from-set lacks it
        {0x11, 16, 16, true},
        {0x24, 16, 16, true}, // protection is not tested by forced-edge edits
        {0x42, 15, 63, true}, // temporary marks are never tested
        {0x82, 2, 63, true},
        {0x02, 15, 0, true},   // nothing tested
        {0x00, 15, 63, false}, // no class: never
        {0x00, 16, 16, false},
        {0x00, 0, 0, false},
    };
    for (const Case& k : cases)
        EXPECT_EQ(statusCompatible(static_cast<uint8_t>(k.status), static_cast<uint8_t>(k.fromSet),
                                   static_cast<uint8_t>(k.testMask)),
                  k.compatible)
            << std::hex << k.status << " from " << k.fromSet << " test " << k.testMask;
}

// ---------------------------------------------------------------- fixtures

SourceImage pixelsOver(const Box& box) {
    SourceImage pixels(blitz::Range(box.lower.row, box.upper.row),
                       blitz::Range(box.lower.column, box.upper.column));
    pixels = orsine::utility::Colour<unsigned char>(50, 60, 70, 255);
    return pixels;
}

using Grid = std::vector<std::vector<int>>;

template <typename T> void fill(blitz::Array<T, 2>& a, const Grid& rows) {
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < static_cast<int>(rows[r].size()); ++c)
            a(a.lbound(0) + r, a.lbound(1) + c) = static_cast<T>(rows[r][c]);
}

Grid gridOf(const ByteArray& a) {
    Grid g;
    for (int r = a.lbound(0); r <= a.ubound(0); ++r) {
        g.emplace_back();
        for (int c = a.lbound(1); c <= a.ubound(1); ++c)
            g.back().push_back(a(r, c));
    }
    return g;
}

// A classification over `rows` x `columns` with a status image, hand-made
// region and group labels, and an undo queue.
struct Scene {
    Box image;
    SourceImage pixels;
    Classification c;
    ByteArray status;
    UndoQueue queue{200};

    Scene(int rows, int columns, Point first = {})
        : image(first, first + Point(rows - 1, columns - 1)), pixels(pixelsOver(image)),
          c(nullptr, true, pixels), status(arrayOver<unsigned char>(image, 1)) {}

    void setRegions(const Grid& rows) {
        c.regionLabelStorage.reference(arrayOver<int32_t>(image.grown(2), -1));
        c.regionLabels.reference(windowOf(c.regionLabelStorage, image));
        fill(c.regionLabels, rows);
    }
    // Groups of partition level `partition`, as a select of level `partition` + 1 asks.
    void setGroups(const Grid& rows, int count, int partition) {
        c.groupLabelStorage.reference(arrayOver<int32_t>(image.grown(2), -1));
        c.groupLabels.reference(windowOf(c.groupLabelStorage, image));
        fill(c.groupLabels, rows);
        c.groupCount = count;
        c.partitionLevel = partition;
    }

    void select(const Selection& s, SelectScope scope, uint8_t newStatus, uint8_t fromSet,
                int level = 1, orsine::utility::IiUI* progress = nullptr) {
        const SelectMasks m = selectMasks(newStatus, fromSet, scope);
        selectStatus(c, s, status, {newStatus, m.write, fromSet, m.test, scope}, level, &queue,
                     progress, 0.0f, 1.0f);
    }
};

Selection boxSelection(const Box& box) {
    return {box, ByteArray()};
}

// A stroke over `box` whose mask is non-zero where `rows` holds 1.
Selection maskSelection(const Box& box, const Grid& rows) {
    Selection s{box, arrayOver<unsigned char>(box, 0)};
    fill(s.mask, rows);
    return s;
}

// ---------------------------------------------------------------- exact

TEST(SelectExact, KeepLeavesForcedEdgeAndProtectedPixelsAlone) {
    Scene s(1, 7);
    fill(s.status, {{1, 4, 8, 0x12, 0x22, 0, 0x41}});
    s.select(boxSelection(s.image), SelectScope::Exact, 2, 15);
    EXPECT_EQ(gridOf(s.status), (Grid{{2, 2, 2, 0x12, 0x22, 0, 0x42}}));
    EXPECT_EQ(s.queue.undoGroups(), 1u);
    ASSERT_TRUE(s.c.changedBox);
    EXPECT_EQ(*s.c.changedBox, Box(0, 0, 0, 6));
}

TEST(SelectExact, EraseClearsTheClassOfForcedEdgesButNotOfProtectedPixels) {
    Scene s(1, 6);
    fill(s.status, {{2, 4, 8, 0x12, 0x22, 0x32}});
    s.select(boxSelection(s.image), SelectScope::Exact, 1, 15);
    EXPECT_EQ(gridOf(s.status), (Grid{{1, 1, 1, 0x11, 0x22, 0x32}}));
    // With protection in the from-set, protected pixels are erased too.
    fill(s.status, {{2, 4, 8, 0x12, 0x22, 0x32}});
    s.select(boxSelection(s.image), SelectScope::Exact, 1, 0x2f);
    EXPECT_EQ(gridOf(s.status), (Grid{{1, 1, 1, 0x11, 0x21, 0x31}}));
}

TEST(SelectExact, OnlyMaskedPixelsOfTheFromSetChange) {
    Scene s(2, 3);
    fill(s.status, {{1, 2, 4}, {1, 2, 4}});
    s.select(maskSelection(s.image, {{1, 1, 1}, {0, 1, 1}}), SelectScope::Exact, 8, 1 | 4);
    EXPECT_EQ(gridOf(s.status), (Grid{{8, 2, 8}, {1, 2, 8}}));
    EXPECT_EQ(s.c.dirtyBox, Box(0, 0, 1, 2));
    EXPECT_EQ(s.c.selectParams.newStatus, 8);
    EXPECT_EQ(s.c.selectParams.writeMask, 15);
    EXPECT_EQ(s.c.selectParams.fromSet, 5);
    EXPECT_EQ(s.c.selectParams.testMask, 63);
}

TEST(SelectExact, AStrokePartlyOutsideTheImageChangesOnlyItsInsidePart) {
    Scene s(4, 4, {10, 20});
    // Three rows above the image to one row inside, two columns to its left
    // to one column inside.
    const Box stroke(7, 18, 10, 20);
    Selection sel{stroke, arrayOver<unsigned char>(stroke, 1)};
    s.select(sel, SelectScope::Exact, 2, 15);
    EXPECT_EQ(blitz::count(s.status == 2), 1);
    EXPECT_EQ(s.status(10, 20), 2);
    EXPECT_EQ(s.c.dirtyBox, Box(10, 20, 10, 20));
    ASSERT_TRUE(s.c.changedBox);
    EXPECT_EQ(*s.c.changedBox, Box(10, 20, 10, 20));
    s.queue.undo(s.c.changedBox);
    EXPECT_EQ(blitz::count(s.status != 1), 0);
}

TEST(SelectExact, NothingToChangeRecordsNothing) {
    struct Case {
        const char* name;
        Box stroke;
        int statusByte;
    };
    const Case cases[] = {
        {"outside the image", Box(5, 5, 8, 8), 1},
        {"all protected", Box(0, 0, 3, 3), 0x21},
        {"all without a class", Box(0, 0, 3, 3), 0},
    };
    for (const Case& k : cases) {
        Scene s(4, 4);
        s.status = static_cast<unsigned char>(k.statusByte);
        s.select(boxSelection(k.stroke), SelectScope::Exact, 2, 15);
        EXPECT_EQ(blitz::count(s.status != k.statusByte), 0) << k.name;
        EXPECT_TRUE(s.c.dirtyBox.isEmpty()) << k.name;
        EXPECT_FALSE(s.c.changedBox) << k.name;
        EXPECT_EQ(s.queue.undoGroups(), 0u) << k.name;
    }
}

TEST(SelectExact, SameNewStatusAndFromSetOnlyDescribesTheSelection) {
    Scene s(1, 5);
    fill(s.status, {{2, 1, 2, 4, 0x22}});
    s.select(boxSelection(s.image), SelectScope::Exact, 2, 2);
    EXPECT_EQ(gridOf(s.status), (Grid{{2, 1, 2, 4, 0x22}}));
    EXPECT_EQ(gridOf(s.c.selectionMap), (Grid{{2, 0, 2, 0, 0}}));
    EXPECT_EQ(s.c.dirtyBox, Box(0, 0, 0, 2));
    EXPECT_EQ(s.queue.undoGroups(), 0u);
    EXPECT_FALSE(s.c.changedBox);
}

// Edits of the forced-edge and protection bits are written but never recorded.
TEST(SelectExact, BitEditsRecordNoUndo) {
    Scene s(1, 4);
    fill(s.status, {{1, 2, 0x14, 0}});
    s.select(boxSelection(s.image), SelectScope::Exact, 16, 15);
    EXPECT_EQ(gridOf(s.status), (Grid{{0x11, 0x12, 0x14, 0}}));
    s.select(boxSelection(Box(0, 0, 0, 1)), SelectScope::Exact, 1, 16);
    EXPECT_EQ(gridOf(s.status), (Grid{{1, 2, 0x14, 0}}));
    s.select(boxSelection(s.image), SelectScope::Exact, 16, 16); // equal: nothing
    EXPECT_EQ(gridOf(s.status), (Grid{{1, 2, 0x14, 0}}));
    s.select(boxSelection(s.image), SelectScope::Exact, 32, 1);
    EXPECT_EQ(gridOf(s.status), (Grid{{0x21, 0x22, 0x34, 0}}));
    s.select(boxSelection(s.image), SelectScope::Exact, 1, 32);
    EXPECT_EQ(gridOf(s.status), (Grid{{1, 2, 0x14, 0}}));
    EXPECT_EQ(s.queue.undoGroups(), 0u);
    ASSERT_TRUE(s.c.changedBox);
    EXPECT_EQ(*s.c.changedBox, Box(0, 0, 0, 2));
}

// ---------------------------------------------------------------- progress

// Records every report and raises VkExCancel at the report of `cancelAt`.
struct Reports : orsine::utility::IiUI {
    std::vector<float> fractions;
    float cancelAt = -1.0f;
    void report(float fraction, const std::string&) override {
        fractions.push_back(fraction);
        if (fraction == cancelAt) throw VkExCancel();
    }
};

TEST(SelectProgress, ReportsStayInTheGivenRange) {
    Scene s(3, 3);
    s.setGroups({{0, 0, 1}, {0, 1, 1}, {2, 2, 2}}, 3, 0);
    for (SelectScope scope : {SelectScope::Exact, SelectScope::Local, SelectScope::Global}) {
        Reports reports;
        const SelectMasks m = selectMasks(2, 15, scope);
        selectStatus(s.c, boxSelection(Box(0, 0, 0, 0)), s.status, {2, m.write, 15, m.test, scope},
                     1, &s.queue, &reports, 0.2f, 0.6f);
        ASSERT_FALSE(reports.fractions.empty());
        for (float f : reports.fractions) {
            EXPECT_GE(f, 0.2f);
            EXPECT_LE(f, 0.6f);
        }
        EXPECT_FLOAT_EQ(reports.fractions.back(), 0.6f);
    }
}

TEST(SelectProgress, ACancelAtTheEndComesAfterARecordedChangeButBeforeABitEdit) {
    {
        Scene s(1, 3);
        Reports reports;
        reports.cancelAt = 1.0f;
        EXPECT_THROW(s.select(boxSelection(s.image), SelectScope::Exact, 2, 15, 1, &reports),
                     VkExCancel);
        // Written and recorded: the caller's roll-back restores it.
        EXPECT_EQ(blitz::count(s.status == 2), 3);
        s.queue.rollBack(s.c.changedBox);
        EXPECT_EQ(blitz::count(s.status == 1), 3);
    }
    {
        Scene s(1, 3);
        Reports reports;
        reports.cancelAt = 1.0f;
        EXPECT_THROW(s.select(boxSelection(s.image), SelectScope::Exact, 16, 15, 1, &reports),
                     VkExCancel);
        // Not recordable, so not written either.
        EXPECT_EQ(blitz::count(s.status == 1), 3);
    }
}

// ---------------------------------------------------------------- regions

TEST(SelectLocal, FloodsTheFineRegionsTheStrokeTouches) {
    Scene s(4, 5);
    s.setRegions({{0, 0, 1, 1, 1}, //
                  {0, 0, 1, 2, 2},
                  {3, 3, 3, 2, 2},
                  {0, 0, 3, 2, 2}});
    fill(s.status, {{1, 1, 1, 1, 1}, //
                    {1, 1, 0x21, 1, 1},
                    {1, 1, 1, 1, 1},
                    {1, 1, 1, 1, 1}});
    // Level 0 at partition -1 with regions: no rebuild, fine regions. The
    // stroke touches region 0 (top left) and region 2.
    s.select(maskSelection(Box(0, 0, 1, 3), {{1, 0, 0, 0}, {0, 0, 0, 1}}), SelectScope::Local, 2,
             15, 0);
    EXPECT_EQ(gridOf(s.status), (Grid{{2, 2, 1, 1, 1}, //
                                      {2, 2, 0x21, 2, 2},
                                      {1, 1, 1, 2, 2},
                                      {1, 1, 1, 2, 2}}));
    EXPECT_EQ(s.c.partitionLevel, -1);
    EXPECT_EQ(s.c.dirtyBox, Box(0, 0, 3, 4));
    EXPECT_EQ(s.queue.undoGroups(), 1u);
}

TEST(SelectLocal, ErasingLeavesForcedEdgePixelsAloneUnlikeExact) {
    Scene s(1, 4);
    s.setRegions({{0, 0, 0, 0}});
    fill(s.status, {{2, 0x12, 2, 2}});
    s.select(boxSelection(Box(0, 0, 0, 0)), SelectScope::Local, 1, 15, 0);
    // The forced-edge pixel is neither changed nor crossed.
    EXPECT_EQ(gridOf(s.status), (Grid{{1, 0x12, 2, 2}}));
    s.select(boxSelection(Box(0, 0, 0, 1)), SelectScope::Exact, 1, 15);
    EXPECT_EQ(gridOf(s.status), (Grid{{1, 0x11, 2, 2}}));
}

TEST(SelectRegion, FloodsRegionsOrGroupsByPartitionLevel) {
    Scene s(2, 4);
    s.setRegions({{0, 0, 1, 1}, {2, 2, 1, 1}});
    s.setGroups({{5, 5, 5, 6}, {5, 6, 6, 6}}, 7, -1);
    s.select(boxSelection(Box(0, 0, 0, 0)), SelectScope::Region, 4, 15, 0);
    EXPECT_EQ(gridOf(s.status), (Grid{{4, 4, 1, 1}, {1, 1, 1, 1}}));

    s.status = 1;
    s.c.params.regionScale = 1.0f; // no regions: groups
    s.select(boxSelection(Box(0, 0, 0, 0)), SelectScope::Region, 4, 15, 0);
    EXPECT_EQ(gridOf(s.status), (Grid{{4, 4, 4, 1}, {4, 1, 1, 1}}));
}

// ---------------------------------------------------------------- groups

// Every pixel 4-connected to a stroke pixel that may change, through pixels
// that may change and whose group the stroke touched: the reference of local
// scope over groups, by breadth-first search.
Grid referenceLocal(const Grid& groups, const Grid& status, const Grid& mask, int count,
                    uint8_t newStatus, uint8_t fromSet) {
    const int rows = static_cast<int>(groups.size()), cols = static_cast<int>(groups[0].size());
    const SelectMasks m = selectMasks(newStatus, fromSet, SelectScope::Local);
    const auto mayChange = [&](int r, int c) {
        return statusCompatible(static_cast<uint8_t>(status[r][c]), fromSet, m.test);
    };
    std::vector<bool> touched(count, false);
    std::deque<std::pair<int, int>> queue;
    Grid in(rows, std::vector<int>(cols, 0));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            if (mask[r][c] && mayChange(r, c)) {
                if (groups[r][c] >= 0 && groups[r][c] < count) touched[groups[r][c]] = true;
                in[r][c] = 1;
                queue.push_back({r, c});
            }
    // The floods from the stroke keep to their own label.
    std::deque<std::pair<int, int>> same = queue;
    while (!same.empty()) {
        auto [r, c] = same.front();
        same.pop_front();
        const int dr[] = {-1, 0, 0, 1}, dc[] = {0, -1, 1, 0};
        for (int k = 0; k < 4; ++k) {
            const int nr = r + dr[k], nc = c + dc[k];
            if (nr < 0 || nr >= rows || nc < 0 || nc >= cols || in[nr][nc]) continue;
            if (groups[nr][nc] == groups[r][c] && mayChange(nr, nc)) {
                in[nr][nc] = 1;
                same.push_back({nr, nc});
                queue.push_back({nr, nc});
            }
        }
    }
    // Then across every touched group.
    while (!queue.empty()) {
        auto [r, c] = queue.front();
        queue.pop_front();
        const int dr[] = {-1, 0, 0, 1}, dc[] = {0, -1, 1, 0};
        for (int k = 0; k < 4; ++k) {
            const int nr = r + dr[k], nc = c + dc[k];
            if (nr < 0 || nr >= rows || nc < 0 || nc >= cols || in[nr][nc]) continue;
            const int g = groups[nr][nc];
            if (g >= 0 && g < count && touched[g] && mayChange(nr, nc)) {
                in[nr][nc] = 1;
                queue.push_back({nr, nc});
            }
        }
    }
    Grid out = status;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            if (in[r][c])
                out[r][c] = changedStatus(static_cast<uint8_t>(status[r][c]), newStatus, m.write);
    return out;
}

TEST(SelectLocal, GrowsOnlyThroughTouchedGroups) {
    // Stripes of groups 0 | 1 | 0: a stroke in the left stripe stays there; one
    // that also touches the middle reaches the right stripe through it.
    const Grid groups = {{0, 1, 0}, {0, 1, 0}, {0, 1, 0}};
    {
        Scene s(3, 3);
        s.setGroups(groups, 2, 0);
        s.select(boxSelection(Box(1, 0, 1, 0)), SelectScope::Local, 2, 15);
        EXPECT_EQ(gridOf(s.status), (Grid{{2, 1, 1}, {2, 1, 1}, {2, 1, 1}}));
    }
    {
        Scene s(3, 3);
        s.setGroups(groups, 2, 0);
        s.select(boxSelection(Box(1, 0, 1, 1)), SelectScope::Local, 2, 15);
        EXPECT_EQ(blitz::count(s.status == 2), 9);
    }
}

TEST(SelectLocal, MatchesTheReferenceOnRandomGroups) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 60; ++trial) {
        const int rows = 3 + static_cast<int>(random() % 10);
        const int cols = 3 + static_cast<int>(random() % 10);
        const int count = 1 + static_cast<int>(random() % 4);
        const uint8_t statuses[] = {1, 1, 1, 2, 4, 0x12, 0x21, 0};
        Grid groups(rows, std::vector<int>(cols)), status = groups, mask = groups;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) {
                // Mostly labels in range, some -1 and some past the count.
                groups[r][c] = static_cast<int>(random() % (count + 2)) - 1;
                status[r][c] = statuses[random() % 8];
                mask[r][c] = random() % 6 == 0;
            }
        Scene s(rows, cols, {3, -2});
        s.setGroups(groups, count, 0);
        fill(s.status, status);
        s.select(maskSelection(s.image, mask), SelectScope::Local, 4, 1 | 2);
        EXPECT_EQ(gridOf(s.status), referenceLocal(groups, status, mask, count, 4, 1 | 2))
            << "trial " << trial;
    }
}

TEST(SelectLocal, AGroupReachingTheBorderStaysInsideTheImage) {
    Scene s(3, 4, {-1, -1});
    s.setGroups({{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}, 1, 0);
    s.select(boxSelection(Box(0, 0, 0, 0)), SelectScope::Local, 8, 15);
    EXPECT_EQ(blitz::count(s.status == 8), 12);
    EXPECT_EQ(s.c.dirtyBox, s.image);
    // The selection map's margin is untouched.
    EXPECT_EQ(blitz::count(s.c.selectionStorage == 1), 5 * 6 - 3 * 4);
}

TEST(SelectGlobal, SelectsEveryPixelOfTheTouchedGroups) {
    Scene s(3, 4);
    s.setGroups({{0, 1, 2, 0}, //
                 {1, 1, 2, 2},
                 {0, 2, 2, 0}},
                3, 0);
    fill(s.status, {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 0x20 | 1}});
    s.select(boxSelection(Box(0, 0, 0, 0)), SelectScope::Global, 4, 15);
    EXPECT_EQ(gridOf(s.status), (Grid{{4, 1, 1, 4}, {1, 1, 1, 1}, {4, 1, 1, 0x21}}));
    EXPECT_EQ(s.c.dirtyBox, Box(0, 0, 2, 3));
}

TEST(SelectGlobal, LabelsOutsideTheGroupCountAreSkipped) {
    Scene s(2, 3);
    // -1 (a colour never clustered) and 7 (past the count of 3) have no bit.
    s.setGroups({{-1, 7, 1}, {-1, 7, 1}}, 3, 0);
    s.select(boxSelection(Box(0, 0, 0, 1)), SelectScope::Global, 2, 15);
    EXPECT_EQ(blitz::count(s.status != 1), 0);
    EXPECT_FALSE(s.c.changedBox);
    s.select(boxSelection(Box(0, 0, 0, 2)), SelectScope::Global, 2, 15);
    EXPECT_EQ(gridOf(s.status), (Grid{{1, 1, 2}, {1, 1, 2}}));
}

// ---------------------------------------------------------------- levels

TEST(SelectLevels, TheSameLevelNeedsNoRebuildAndLevelsAreClamped) {
    Scene s(2, 2);
    s.setGroups({{0, 1}, {1, 1}}, 2, 6);
    // Level 7 asks for partition 6, which is there; 100 and 7 are the same
    // level. Both run without rebuilding the partition.
    s.select(boxSelection(Box(0, 0, 0, 0)), SelectScope::Global, 2, 15, 100);
    s.select(boxSelection(Box(0, 0, 0, 0)), SelectScope::Global, 4, 15, 7);
    EXPECT_EQ(gridOf(s.status), (Grid{{4, 1}, {1, 1}}));
    EXPECT_EQ(s.c.partitionLevel, 6);

    // Negative levels are level 0: partition -1, on fine regions.
    Scene t(1, 3);
    t.setRegions({{0, 0, 1}});
    t.select(boxSelection(Box(0, 0, 0, 0)), SelectScope::Local, 2, 15, -40);
    EXPECT_EQ(gridOf(t.status), (Grid{{2, 2, 1}}));
    EXPECT_EQ(t.c.partitionLevel, -1);
}

TEST(SelectLevels, AnUnfinishedRebuildLeavesTheLevelStale) {
    Scene s(2, 2);
    s.setGroups({{0, 1}, {1, 1}}, 2, 0);
    // A texture to partition, so that the rebuild reports and can be cancelled.
    s.c.textureRadius = 0;
    ProgressRange none(nullptr);
    s.c.buildTextureImage(none);
    Reports cancelling;
    cancelling.cancelAt = 0.0f;
    // Another level: the partition must be rebuilt, and here it is cancelled.
    EXPECT_THROW(s.select(boxSelection(s.image), SelectScope::Global, 2, 15, 3, &cancelling),
                 VkExCancel);
    EXPECT_NE(s.c.partitionLevel, 2);
    EXPECT_NE(s.c.partitionLevel, 0);
    EXPECT_EQ(blitz::count(s.status != 1), 0);
    // The old groups are not taken for level 0's either: it rebuilds again.
    EXPECT_THROW(s.select(boxSelection(s.image), SelectScope::Global, 2, 15, 1, &cancelling),
                 VkExCancel);
    EXPECT_EQ(blitz::count(s.status != 1), 0);
    // Exact scope needs no groups.
    s.select(boxSelection(s.image), SelectScope::Exact, 2, 15, 3);
    EXPECT_EQ(blitz::count(s.status == 2), 4);
}

// ---------------------------------------------------------------- sub-sessions

// A parent with groups over a 4 x 6 image and a sub-session over its middle
// that borrows them.
struct Borrowing {
    Scene parent{4, 6};
    Box patch{1, 1, 2, 4};
    Classification child{&parent.c, false, windowOf(parent.pixels, patch)};
    ByteArray childStatus = windowOf(parent.status, patch);
    UndoQueue childQueue{200};

    Borrowing() {
        parent.setGroups({{0, 0, 0, 1, 1, 1}, //
                          {0, 0, 0, 1, 1, 1},
                          {2, 2, 2, 3, 3, 3},
                          {2, 2, 2, 3, 3, 3}},
                         4, 0);
        child.shareParentAnalysis();
    }
    void select(const Box& stroke, SelectScope scope, uint8_t newStatus, int level) {
        const SelectMasks m = selectMasks(newStatus, 15, scope);
        selectStatus(child, boxSelection(stroke), childStatus,
                     {newStatus, m.write, 15, m.test, scope}, level, &childQueue, nullptr, 0.0f,
                     1.0f);
    }
};

TEST(SelectSubSession, UsesTheOwnersGroupCount) {
    Borrowing b;
    // The owner's partition changed after the share (as a select of another
    // session would): the child's copy of the count is out of date.
    b.parent.c.groupCount = 6;
    b.parent.c.groupLabels(2, 4) = 5;
    b.parent.c.groupLabels(1, 1) = 5;
    b.child.groupCount = 2;
    b.select(Box(2, 4, 2, 4), SelectScope::Global, 2, 1);
    EXPECT_EQ(gridOf(b.childStatus), (Grid{{2, 1, 1, 1}, {1, 1, 1, 2}}));
    EXPECT_EQ(b.child.groupCount, 6);
    EXPECT_TRUE(b.childQueue.undoGroups() == 1u && b.parent.queue.undoGroups() == 0u);
}

TEST(SelectSubSession, LocalScopeStaysInsideThePatch) {
    Borrowing b;
    b.select(Box(1, 1, 1, 1), SelectScope::Local, 4, 1);
    // Group 0 continues outside the patch; only the patch's part changes.
    EXPECT_EQ(blitz::count(b.parent.status == 4), 2);
    EXPECT_EQ(b.parent.status(1, 1), 4);
    EXPECT_EQ(b.parent.status(1, 2), 4);
    EXPECT_EQ(b.child.dirtyBox, Box(1, 1, 1, 2));
}

// ---------------------------------------------------------------- apply

TEST(ApplySelection, WritesOnlyTheWrittenBitsWhereBothBytesAreNonZero) {
    Scene s(1, 5);
    fill(s.status, {{1, 0x12, 0, 0x41, 4}});
    fill(s.c.selectionMap, {{0x22, 0x14, 8, 0x48, 0}});
    s.c.selectParams.writeMask = 15;
    s.c.dirtyBox = Box(0, 0, 0, 4);
    applySelection(s.c, s.status, &s.queue);
    // The forced-edge bit of the old byte stays; a 0 on either side changes nothing.
    EXPECT_EQ(gridOf(s.status), (Grid{{2, 0x14, 0, 0x48, 4}}));
    EXPECT_EQ(s.queue.undoGroups(), 1u);
    ChangedBox changed;
    s.queue.undo(changed);
    EXPECT_EQ(gridOf(s.status), (Grid{{1, 0x12, 0, 0x41, 4}}));
}

TEST(ApplySelection, UnitesTheDirtyBoxIntoTheChangedBox) {
    Scene s(6, 6);
    s.c.changedBox = Box(0, 0, 1, 1);
    s.c.selectionMap = 2;
    s.c.selectParams.writeMask = 15;
    s.c.dirtyBox = Box(4, 3, 5, 4);
    applySelection(s.c, s.status, nullptr);
    ASSERT_TRUE(s.c.changedBox);
    EXPECT_EQ(*s.c.changedBox, Box(0, 0, 5, 4));
    EXPECT_EQ(blitz::count(s.status == 2), 4);
    EXPECT_EQ(s.queue.undoGroups(), 0u);
}

TEST(ApplySelection, AddsToAnOpenGroupButNotOnTopOfRedo) {
    Scene s(1, 2);
    s.c.selectParams.writeMask = 15;
    s.c.selectionMap = 2;
    s.c.dirtyBox = s.image;
    s.queue.openGroup();
    applySelection(s.c, s.status, &s.queue);
    EXPECT_EQ(s.queue.undoGroups(), 1u);
    s.queue.undo(s.c.changedBox);
    EXPECT_EQ(s.queue.redoGroups(), 1u);
    s.c.selectionMap = 4;
    applySelection(s.c, s.status, &s.queue);
    EXPECT_EQ(s.queue.undoGroups(), 1u);
    EXPECT_EQ(s.queue.redoGroups(), 0u);
    EXPECT_EQ(blitz::count(s.status == 4), 2);
}

TEST(SelectStatus, RejectsAStatusViewOfAnotherBox) {
    Scene s(3, 3);
    ByteArray other = arrayOver<unsigned char>(Box(0, 0, 3, 3), 1);
    EXPECT_THROW(selectStatus(s.c, boxSelection(s.image), other,
                              {2, 15, 15, 63, SelectScope::Exact}, 1, &s.queue, nullptr, 0.0f,
                              1.0f),
                 std::invalid_argument);
    // Local scope without any labels is no segmentation to flood on.
    EXPECT_THROW(s.select(boxSelection(s.image), SelectScope::Local, 2, 15, 0), std::logic_error);
    EXPECT_EQ(blitz::count(s.status != 1), 0);
}

} // namespace
