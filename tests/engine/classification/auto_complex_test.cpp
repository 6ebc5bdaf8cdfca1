// Auto complex after a select: when it does nothing, the holes it fills in
// local scope, and the blend band where the stroke's flood meets the opposite
// marks.
#include "classification/auto_complex.h"
#include "classification/status_selection.h"
#include "core/progress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace classification;
using Classification = Segmentation<6, 0>;

namespace {

using Grid = std::vector<std::vector<int>>;

template <typename T> void fill(blitz::Array<T, 2>& a, const Grid& rows) {
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < static_cast<int>(rows[std::size_t(r)].size()); ++c)
            a(a.lbound(0) + r, a.lbound(1) + c) =
                static_cast<T>(rows[std::size_t(r)][std::size_t(c)]);
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

// `rows` x `columns` pixels with one value `v` per row string position:
// each character of a row is a digit d giving the flood value 25 d.
Grid values(const std::vector<std::string>& rows) {
    Grid g;
    for (const std::string& row : rows) {
        g.emplace_back();
        for (char ch : row)
            g.back().push_back(25 * (ch - '0'));
    }
    return g;
}

// A classification over an image with a status image, edge planes whose flood
// values (channel 1) are given per pixel (the margin copies the nearest edge
// pixel), an edge width of `width` everywhere, and an undo queue.
struct Scene {
    Box image;
    SourceImage pixels;
    Classification c;
    ByteArray status;
    UndoQueue queue{200};

    Scene(const Grid& statusRows, const Grid& floodValues, int width = 4, Point first = {3, 5})
        : image(first, first + Point(int(statusRows.size()) - 1, int(statusRows[0].size()) - 1)),
          pixels(arrayOver<orsine::utility::Colour<unsigned char>>(image)),
          c(nullptr, true, pixels), status(arrayOver<unsigned char>(image, 1)) {
        fill(status, statusRows);
        c.edgePlaneStorage.reference(arrayOver<EdgePixel>(image.grown(2)));
        for (int r = image.lower.row - 2; r <= image.upper.row + 2; ++r)
            for (int col = image.lower.column - 2; col <= image.upper.column + 2; ++col) {
                const int rr = std::clamp(r, image.lower.row, image.upper.row) - image.lower.row;
                const int cc =
                    std::clamp(col, image.lower.column, image.upper.column) - image.lower.column;
                const auto v =
                    static_cast<unsigned char>(floodValues[std::size_t(rr)][std::size_t(cc)]);
                c.edgePlaneStorage(r, col) = EdgePixel(v, v, static_cast<unsigned char>(width));
            }
        c.edgePlanes.reference(windowOf(c.edgePlaneStorage, image));
        c.pixelScaleMap.reference(
            arrayOver<unsigned char>(image, static_cast<unsigned char>(width)));
        c.planeScale = 1.0f;
        c.params.regionScale = 2.0f; // t = trunc(ln 2) = 0
    }

    void setRegions(const Grid& rows) {
        c.regionLabelStorage.reference(arrayOver<int32_t>(image.grown(2), -1));
        c.regionLabels.reference(windowOf(c.regionLabelStorage, image));
        fill(c.regionLabels, rows);
    }

    // A stroke over the pixels of `rows` (relative to the image's corner)
    // that hold 1.
    void select(const Grid& rows, SelectScope scope, uint8_t newStatus, uint8_t fromSet = 15) {
        Selection s{image, arrayOver<unsigned char>(image, 0)};
        fill(s.mask, rows);
        const SelectMasks m = selectMasks(newStatus, fromSet, scope);
        queue.openGroup();
        // Level 0: local scope floods the fine region labels.
        selectStatus(c, s, status, {newStatus, m.write, fromSet, m.test, scope}, 0, &queue, nullptr,
                     0.0f, 1.0f);
    }

    void complete(float bandFactor, orsine::utility::IiUI* progress = nullptr) {
        autoComplex(c, status, &queue, progress, 0.0f, 1.0f, bandFactor);
    }
};

Grid ones(int rows, int columns, int value = 1) {
    return Grid(std::size_t(rows), std::vector<int>(std::size_t(columns), value));
}

TEST(AutoComplex, ExactStrokeWithoutBandDoesNothing) {
    Scene s({{4, 4, 1, 1, 1, 1}, {4, 4, 1, 1, 1, 1}}, ones(2, 6, 200));
    s.select({{0, 0, 0, 0, 1, 1}, {0, 0, 0, 0, 1, 1}}, SelectScope::Exact, 2);
    const Grid afterSelect = gridOf(s.status);
    const Grid mapAfterSelect = gridOf(s.c.selectionMap);
    s.c.changedBox.reset();
    s.complete(0.0f);
    EXPECT_EQ(gridOf(s.status), afterSelect);
    EXPECT_EQ(gridOf(s.c.selectionMap), mapAfterSelect);
    EXPECT_FALSE(s.c.changedBox);
}

TEST(AutoComplex, NothingAfterANonStrokeOrAnEmptySelect) {
    struct Case {
        const char* what;
        uint8_t newStatus;
        Grid stroke;
    };
    const Case cases[] = {
        {"blend select", 8, {{0, 0, 0, 1, 1, 1}}},
        {"nothing selected", 2, {{0, 0, 0, 0, 0, 0}}},
    };
    for (const Case& k : cases) {
        Scene s({{4, 4, 1, 1, 1, 1}}, ones(1, 6, 200));
        s.setRegions(ones(1, 6, 0));
        s.select(k.stroke, SelectScope::Local, k.newStatus);
        const Grid afterSelect = gridOf(s.status);
        const uint32_t groups = s.queue.undoGroups();
        s.c.changedBox.reset();
        s.complete(1.0f);
        EXPECT_EQ(gridOf(s.status), afterSelect) << k.what;
        EXPECT_FALSE(s.c.changedBox) << k.what;
        EXPECT_EQ(s.queue.undoGroups(), groups) << k.what;
    }
}

TEST(AutoComplex, LocalStrokeFillsTheHoleItEncloses) {
    // A ring region (label 1) around a hole region (label 2) inside the rest
    // (label 0), all unassigned and flat. The local stroke selects the ring;
    // its flood reaches the hole and the outside alike, but only the outside
    // meets the border: the hole becomes keep, the outside stays unassigned.
    const Grid regions = {
        {0, 0, 0, 0, 0, 0, 0, 0}, //
        {0, 1, 1, 1, 1, 1, 0, 0}, //
        {0, 1, 2, 2, 2, 1, 0, 0}, //
        {0, 1, 2, 2, 2, 1, 0, 0}, //
        {0, 1, 1, 1, 1, 1, 0, 0}, //
        {0, 0, 0, 0, 0, 0, 0, 0}, //
    };
    Scene s(ones(6, 8), ones(6, 8, 150));
    s.setRegions(regions);
    Grid stroke = ones(6, 8, 0);
    stroke[1][1] = 1;
    s.select(stroke, SelectScope::Local, 2);
    s.complete(0.0f);
    EXPECT_EQ(gridOf(s.status), (Grid{
                                    {1, 1, 1, 1, 1, 1, 1, 1}, //
                                    {1, 2, 2, 2, 2, 2, 1, 1}, //
                                    {1, 2, 2, 2, 2, 2, 1, 1}, //
                                    {1, 2, 2, 2, 2, 2, 1, 1}, //
                                    {1, 2, 2, 2, 2, 2, 1, 1}, //
                                    {1, 1, 1, 1, 1, 1, 1, 1}, //
                                }));
    // The select and the fill are one group: one undo restores everything.
    EXPECT_EQ(s.queue.undoGroups(), 1u);
    ChangedBox changed;
    s.queue.undo(changed);
    EXPECT_EQ(gridOf(s.status), ones(6, 8));
}

TEST(AutoComplex, AHoleWhereABasinOfItsOwnStartsStaysUnassigned) {
    // The ring (region 1) encloses two holes. The left one is flat, and the
    // ring's flood fills it. In the right one a pixel above every level the
    // ring's flood reaches starts a basin of its own; what the ring's flood
    // took of that hole touches the basin, so the whole hole is given up.
    const Grid regions = {
        {1, 1, 1, 1, 1, 1, 1}, //
        {1, 2, 2, 1, 3, 3, 1}, //
        {1, 2, 2, 1, 3, 3, 1}, //
        {1, 1, 1, 1, 1, 1, 1}, //
    };
    Scene s(ones(4, 7), values({"4444444", "4444944", "4444444", "4444444"}));
    s.setRegions(regions);
    Grid stroke = ones(4, 7, 0);
    stroke[0][0] = 1;
    s.select(stroke, SelectScope::Local, 2);
    s.complete(0.0f);
    EXPECT_EQ(gridOf(s.status), (Grid{
                                    {2, 2, 2, 2, 2, 2, 2}, //
                                    {2, 2, 2, 2, 1, 1, 2}, //
                                    {2, 2, 2, 2, 1, 1, 2}, //
                                    {2, 2, 2, 2, 2, 2, 2}, //
                                }));
}

// Seven rows: the stroke's class on the right (columns 15 to 19 after the
// select), the opposite marks on the left (columns 0 to 4), unassigned between,
// flat at 200 except a low column (20) at column 10, and a forced-edge pixel
// on the low column in row 3.
struct EdgeCase {
    uint8_t stroke;
    uint8_t opposite;
};

Scene edgeScene(const EdgeCase& k, bool withOpposite) {
    Grid status = ones(7, 20);
    for (auto& row : status)
        for (int c = 0; c <= 4; ++c)
            row[std::size_t(c)] = withOpposite ? k.opposite : 1;
    status[3][10] = 0x11;
    Grid v = ones(7, 20, 200);
    for (auto& row : v)
        row[10] = 20;
    return Scene(status, v, 4);
}

Grid strokeOnTheRight() {
    Grid stroke = ones(7, 20, 0);
    for (auto& row : stroke)
        for (int c = 15; c <= 19; ++c)
            row[std::size_t(c)] = 1;
    return stroke;
}

TEST(AutoComplex, BandAlongTheEdgeWhereTheFloodsMeet) {
    for (const EdgeCase k : {EdgeCase{2, 4}, EdgeCase{4, 2}}) {
        Scene s = edgeScene(k, true);
        s.select(strokeOnTheRight(), SelectScope::Exact, k.stroke);
        s.complete(1.0f); // radius 1 x 0.5 x 4 + 0.49 = 2.49

        // The stroke's flood takes the low column (its path there is shorter)
        // and meets the opposite flood between columns 9 and 10; the disks sit
        // on the low side, column 10: columns 8 to 12 become blend, except the
        // forced-edge pixel. The flat areas on either side keep their status.
        Grid expected = ones(7, 20);
        for (int r = 0; r < 7; ++r)
            for (int c = 0; c < 20; ++c) {
                int& e = expected[std::size_t(r)][std::size_t(c)];
                if (c <= 4) e = k.opposite;
                if (c >= 15) e = k.stroke;
                if (c >= 8 && c <= 12) e = 8;
            }
        expected[3][10] = 0x11;
        EXPECT_EQ(gridOf(s.status), expected) << int(k.stroke);
        EXPECT_EQ(s.queue.undoGroups(), 1u);
    }
}

TEST(AutoComplex, NoOppositeClassMeansNoBand) {
    for (const EdgeCase k : {EdgeCase{2, 4}, EdgeCase{4, 2}}) {
        Scene s = edgeScene(k, false);
        s.select(strokeOnTheRight(), SelectScope::Exact, k.stroke);
        const Grid afterSelect = gridOf(s.status);
        s.complete(1.0f);
        EXPECT_EQ(gridOf(s.status), afterSelect) << int(k.stroke);
    }
}

TEST(AutoComplex, WiderEdgesDrawWiderDisks) {
    Scene s = edgeScene({2, 4}, true);
    s.c.pixelScaleMap = 8; // radius 1 x 0.5 x 8 + 0.49 = 4.49
    s.select(strokeOnTheRight(), SelectScope::Exact, 2);
    s.complete(1.0f);
    for (int c = 0; c < 20; ++c) {
        const int v = s.status(s.image.lower.row, s.image.lower.column + c);
        if (c >= 6 && c <= 14)
            EXPECT_EQ(v, 8) << c;
        else
            EXPECT_NE(v, 8) << c;
    }
}

struct CancelAtFirstReport : orsine::utility::IiUI {
    int reports = 0;
    void report(float, const std::string& label) override {
        EXPECT_TRUE(label.empty());
        ++reports;
        throw VkExCancel();
    }
};

TEST(AutoComplex, ACancelLeavesTheStatusAsTheSelectLeftIt) {
    Scene s = edgeScene({2, 4}, true);
    s.select(strokeOnTheRight(), SelectScope::Exact, 2);
    const Grid afterSelect = gridOf(s.status);
    CancelAtFirstReport cancel;
    EXPECT_THROW(s.complete(1.0f, &cancel), VkExCancel);
    EXPECT_EQ(cancel.reports, 1);
    EXPECT_EQ(gridOf(s.status), afterSelect);
}

} // namespace
