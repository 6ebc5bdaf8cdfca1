// The classification object: its initial state, sharing a parent's analysis as
// windows onto the parent's arrays, and the object edges of its regions.
#include "classification/segmentation.h"
#include "core/arrays.h"
#include "core/progress.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace classification;
using Classification = Segmentation<6, 0>;

namespace {

SourceImage pixelsOver(const Box& box) {
    SourceImage pixels(blitz::Range(box.lower.row, box.upper.row),
                       blitz::Range(box.lower.column, box.upper.column));
    pixels = orsine::utility::Colour<unsigned char>(10, 20, 30, 255);
    return pixels;
}

bool sameParams(const SegmentationParams& a, const SegmentationParams& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(Classification, StartsEmpty) {
    const SourceImage pixels = pixelsOver(Box(0, 0, 5, 7));
    Classification c(nullptr, true, pixels);
    EXPECT_EQ(c.partitionLevel, -1);
    EXPECT_EQ(c.groupCount, 0);
    EXPECT_EQ(c.regionCount, -1);
    EXPECT_EQ(c.textureState, 0);
    EXPECT_TRUE(c.domain.isEmpty());
    EXPECT_EQ(c.textureImage.size(), 0);
    EXPECT_EQ(c.regionLabels.size(), 0);
    EXPECT_EQ(c.groupLabels.size(), 0);
    EXPECT_TRUE(c.dirtyBox.isEmpty());
    EXPECT_FALSE(c.changedBox.has_value());
    EXPECT_EQ(c.params.colourBits, 5);
    EXPECT_EQ(c.params.resolution, 8);
    EXPECT_EQ(c.params.fourthInteger, -1);
    EXPECT_FLOAT_EQ(c.params.regionScale, 2.0f);
    EXPECT_FLOAT_EQ(c.params.featureTolerance, 1.1f);
    EXPECT_EQ(c.maxBits, 8);
    EXPECT_FLOAT_EQ(c.percentile, 0.16f);
    EXPECT_EQ(c.textureRadius, 1);
    EXPECT_FLOAT_EQ(c.opacityThreshold, 1.0f);
    for (const SegmentationParams& copy : c.stageParams)
        EXPECT_TRUE(sameParams(copy, SegmentationParams::unset()));
    for (unsigned char enabled : c.channelEnabled)
        EXPECT_EQ(enabled, 1);
    for (int count : c.colourClassifier.clusterCounts)
        EXPECT_EQ(count, -1);
    // The same source pixels, not a copy.
    EXPECT_EQ(c.source.data(), pixels.data());
}

TEST(Classification, SelectionMapHasAMarginOfOne) {
    const Box box(3, 4, 6, 9);
    const SourceImage pixels = pixelsOver(box);
    Classification c(nullptr, true, pixels);
    EXPECT_EQ(boxOf(c.selectionMap), box);
    EXPECT_EQ(boxOf(c.selectionStorage), box.grown(1));
    for (int r = box.lower.row - 1; r <= box.upper.row + 1; ++r)
        for (int col = box.lower.column - 1; col <= box.upper.column + 1; ++col)
            EXPECT_EQ(c.selectionStorage(r, col), box.contains({r, col}) ? 0 : 1)
                << r << "," << col;
    // The map is a window of the storage.
    c.selectionMap(4, 5) = 7;
    EXPECT_EQ(c.selectionStorage(4, 5), 7);
}

// A parent with hand-made analysis results over a 10 x 12 image.
struct AnalysedParent {
    Box image{0, 0, 9, 11};
    SourceImage pixels = pixelsOver(image);
    Classification c{nullptr, true, pixels};

    AnalysedParent() {
        c.textureImage.reference(
            arrayOver<TexturePixel>(image, TexturePixel(static_cast<unsigned char>(1))));
        c.domain = image;
        c.textureState = 2;
        c.regionLabelStorage.reference(arrayOver<int32_t>(image.grown(2), -1));
        c.regionLabels.reference(windowOf(c.regionLabelStorage, image));
        c.groupLabelStorage.reference(arrayOver<int32_t>(image.grown(2), -1));
        c.groupLabels.reference(windowOf(c.groupLabelStorage, image));
        for (int r = 0; r <= 9; ++r)
            for (int col = 0; col <= 11; ++col) {
                c.regionLabels(r, col) = r * 100 + col;
                c.groupLabels(r, col) = col;
            }
        c.regionCount = 120;
        c.edgePlaneStorage.reference(arrayOver<EdgePixel>(image.grown(2), EdgePixel(0, 0, 0)));
        c.edgePlanes.reference(windowOf(c.edgePlaneStorage, image));
        c.pixelScaleMap.reference(c.edgePlanes[2]);
        c.pixelScaleMap = 9;
        c.planeScale = 3.5f;
        c.params.colourBits = 4;
        c.params.fourthInteger = 4;
        c.params.featureTolerance = 1.05f;
        c.partitionLevel = 2;
        c.groupCount = 12;
        c.stageParams.fill(c.params);
    }
};

TEST(Classification, SubSessionSharesWindowsOfTheParentsArrays) {
    AnalysedParent parent;
    const Box patch(2, 3, 5, 8);
    SourceImage childPixels = windowOf(parent.pixels, patch);
    Classification child(&parent.c, false, childPixels);
    child.maxBits = 6; // not the parent's: stays
    child.shareParentAnalysis();

    EXPECT_EQ(boxOf(child.textureImage), patch);
    EXPECT_EQ(child.domain, patch);
    EXPECT_EQ(&child.textureImage(2, 3), &parent.c.textureImage(2, 3));
    EXPECT_EQ(boxOf(child.regionLabels), patch);
    EXPECT_EQ(&child.regionLabels(5, 8), &parent.c.regionLabels(5, 8));
    EXPECT_EQ(child.regionLabels(4, 6), 406);
    EXPECT_EQ(child.regionCount, 120);
    EXPECT_EQ(boxOf(child.groupLabels), patch);
    EXPECT_EQ(&child.groupLabels(2, 3), &parent.c.groupLabels(2, 3));
    EXPECT_EQ(boxOf(child.pixelScaleMap), patch);
    EXPECT_EQ(&child.pixelScaleMap(3, 4), &parent.c.pixelScaleMap(3, 4));
    EXPECT_EQ(child.edgePlaneStorage.data(), parent.c.edgePlaneStorage.data());
    EXPECT_FLOAT_EQ(child.planeScale, 3.5f);
    EXPECT_EQ(child.params.colourBits, 4);
    EXPECT_FLOAT_EQ(child.params.featureTolerance, 1.05f);
    EXPECT_EQ(child.partitionLevel, 2);
    EXPECT_EQ(child.groupCount, 12);
    EXPECT_EQ(child.maxBits, 6);
    for (const SegmentationParams& copy : child.stageParams)
        EXPECT_TRUE(sameParams(copy, SegmentationParams::unset()));

    // Later changes of the parent's arrays show through.
    parent.c.groupLabels(3, 4) = 77;
    EXPECT_EQ(child.groupLabels(3, 4), 77);
}

TEST(Classification, NoRegionsAreSharedAtRegionScaleOne) {
    AnalysedParent parent;
    parent.c.params.regionScale = 1.0f;
    Classification child(&parent.c, false, windowOf(parent.pixels, Box(1, 1, 4, 4)));
    child.shareParentAnalysis();
    EXPECT_EQ(child.regionLabels.size(), 0);
    EXPECT_EQ(child.regionLabelStorage.size(), 0);
    EXPECT_EQ(child.regionCount, -1);
    EXPECT_EQ(boxOf(child.groupLabels), Box(1, 1, 4, 4)); // groups are shared anyway
}

TEST(Classification, ShareOfAnUnanalysedParentLeavesEverythingEmpty) {
    const SourceImage pixels = pixelsOver(Box(0, 0, 9, 9));
    Classification parent(nullptr, true, pixels);
    Classification child(&parent, false, windowOf(pixels, Box(2, 2, 5, 5)));
    child.shareParentAnalysis();
    EXPECT_EQ(child.textureImage.size(), 0);
    EXPECT_TRUE(child.domain.isEmpty());
    EXPECT_EQ(child.regionLabels.size(), 0);
    EXPECT_EQ(child.groupLabels.size(), 0);
    EXPECT_EQ(child.pixelScaleMap.size(), 0);
}

// A classification whose region labels come from rows of digits ('.' is -1).
struct LabelledClassification {
    SourceImage pixels;
    Classification c;

    explicit LabelledClassification(const std::vector<std::string>& rows)
        : pixels(pixelsOver(
              Box(0, 0, static_cast<int>(rows.size()) - 1, static_cast<int>(rows[0].size()) - 1))),
          c(nullptr, true, pixels) {
        const Box box = boxOf(pixels);
        c.regionLabelStorage.reference(arrayOver<int32_t>(box.grown(2), 5)); // a stale margin
        c.regionLabels.reference(windowOf(c.regionLabelStorage, box));
        for (int r = 0; r < box.rows(); ++r)
            for (int col = 0; col < box.columns(); ++col)
                c.regionLabels(r, col) = rows[r][col] == '.' ? -1 : rows[r][col] - '0';
    }
};

TEST(Classification, ObjectEdgesFollowTheRegionBoundaries) {
    LabelledClassification l({"0001", "0011", "0011"});
    l.c.pointVariant = -1; // the corners themselves
    l.c.simplifyTolerance = 0.0f;
    l.c.bevelRadius = 0.0f;
    std::vector<FloatPolyline> lines;
    ProgressRange range(nullptr);
    l.c.buildObjectEdges(lines, range);
    // Only the 0|1 staircase: the border with the margin is no object edge.
    ASSERT_EQ(lines.size(), 1u);
    const FloatPolyline expected = {{0, 3}, {1, 3}, {1, 2}, {2, 2}, {3, 2}};
    ASSERT_EQ(lines[0].size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lines[0][i], expected[i]) << i;

    l.c.simplifyTolerance = 0.6f; // drops the corner points within 0.6 of the chords
    l.c.buildObjectEdges(lines, range);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_LT(lines[0].size(), expected.size());
    EXPECT_EQ(lines[0].front(), expected.front());
    EXPECT_EQ(lines[0].back(), expected.back());
}

TEST(Classification, ObjectEdgesSkipAreasOutsideThePatchAndNeedRegions) {
    LabelledClassification l({"..00", "..00", "1111"});
    l.c.pointVariant = -1;
    l.c.simplifyTolerance = 0.0f;
    l.c.bevelRadius = 0.0f;
    std::vector<FloatPolyline> lines = {{{1, 1}}};
    ProgressRange range(nullptr);
    l.c.buildObjectEdges(lines, range);
    // Only the 0|1 line along row 2; nothing along the -1 area.
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 3u);
    for (const PointF& p : lines[0]) {
        EXPECT_EQ(p.row, 2.0f);
        EXPECT_GE(p.column, 2.0f);
    }

    l.c.params.regionScale = 1.0f;
    l.c.buildObjectEdges(lines, range);
    EXPECT_TRUE(lines.empty());
}

} // namespace
