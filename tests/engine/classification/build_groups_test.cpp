// Colour groups: the partition of the texture colours at a level, and groups
// that follow whole regions.
#include "classification/segmentation.h"
#include "core/arrays.h"

#include <gtest/gtest.h>

#include <set>

using namespace classification;
using Classification = Segmentation<6, 0>;
using Colour = orsine::utility::Colour<unsigned char>;

namespace {

// Left half red, right half blue, a green 2 x 2 patch in the red half; the
// texture radius 0 makes the texture the pixels themselves.
struct Analysed {
    SourceImage pixels;
    Classification c;

    explicit Analysed(const Box& box) : pixels(arrayOver<Colour>(box)), c(nullptr, true, pixels) {
        const int middle = (box.lower.column + box.upper.column) / 2;
        for (int r = box.lower.row; r <= box.upper.row; ++r)
            for (int col = box.lower.column; col <= box.upper.column; ++col)
                pixels(r, col) =
                    col <= middle ? Colour(30, 30, 200, 255) : Colour(200, 30, 30, 255);
        pixels(Box(box.lower.row + 2, box.lower.column + 2, box.lower.row + 3, box.lower.column + 3)
                   .domain()) = Colour(30, 200, 30, 255);
        c.textureRadius = 0;
        ProgressRange none(nullptr);
        c.buildTextureImage(none);
        c.colourClassifier.buildColourClusters(none);
    }

    int32_t clusterOf(Point p, int level) {
        const ColourHashMap::Colour colour =
            shiftColour(colourOf(c.textureImage(p.row, p.column)), level);
        auto& map = c.colourClassifier.colourHistograms[std::size_t(level)];
        return map[map.find(colour)].label;
    }
};

TEST(Partition, EveryPixelTakesTheClusterOfItsShiftedColour) {
    const Box box(5, 7, 14, 22);
    Analysed a(box);
    for (int level : {0, 3, 6}) {
        // A group view larger than the image: only the image's part is written.
        LabelArray groups = arrayOver<int32_t>(box.grown(1), -9);
        ProgressRange none(nullptr);
        EXPECT_EQ(a.c.colourClassifier.partition(level, groups, none),
                  a.c.colourClassifier.clusterCounts[std::size_t(level)]);
        for (int r = box.lower.row; r <= box.upper.row; ++r)
            for (int col = box.lower.column; col <= box.upper.column; ++col)
                ASSERT_EQ(groups(r, col), a.clusterOf(Point(r, col), level)) << level;
        EXPECT_EQ(blitz::count(groups == -9), box.grown(1).area() - box.area());
    }
    // Three far-apart colours are three clusters at level 0.
    LabelArray groups = arrayOver<int32_t>(box);
    ProgressRange none(nullptr);
    a.c.colourClassifier.partition(0, groups, none);
    EXPECT_EQ(std::set<int32_t>(groups.begin(), groups.end()).size(), 3u);

    // A colour the histograms never counted is inserted unclustered.
    const std::size_t entries = a.c.colourClassifier.colourHistograms[0].size();
    for (int r : {box.lower.row, box.upper.row})
        a.c.textureImage(r, box.upper.column) = TexturePixel(1, 2, 3, 4, 5, 6);
    {
        LabelArray groups = arrayOver<int32_t>(box, -9);
        ProgressRange none(nullptr);
        a.c.colourClassifier.partition(0, groups, none);
        EXPECT_EQ(groups(box.lower.row, box.upper.column), -1);
        EXPECT_EQ(groups(box.upper.row, box.upper.column), -1);
        EXPECT_EQ(groups(box.upper.row, box.upper.column - 1),
                  a.clusterOf(Point(box.upper.row, box.upper.column - 1), 0));
        const auto& map = a.c.colourClassifier.colourHistograms[0];
        ASSERT_EQ(map.size(), entries + 1);
        const auto added = map.find(ColourHashMap::Colour{1, 2, 3, 4, 5, 6});
        ASSERT_NE(added, ColourHashMap::none);
        EXPECT_EQ(map[added].label, -1);
        EXPECT_EQ(map[added].count, 0);
    }
}

TEST(BuildGroups, WithoutRegionsEveryPixelKeepsItsCluster) {
    const Box box(0, 0, 9, 13);
    Analysed a(box);
    a.c.params.regionScale = 1.0f;
    for (int level : {-1, 0}) {
        a.c.partitionLevel = level;
        ProgressRange none(nullptr);
        a.c.buildGroups(none);
        EXPECT_EQ(boxOf(a.c.groupLabels), box);
        EXPECT_EQ(boxOf(a.c.groupLabelStorage), box.grown(2));
        EXPECT_EQ(a.c.groupCount, a.c.colourClassifier.clusterCounts[0]);
        for (int r = box.lower.row; r <= box.upper.row; ++r)
            for (int col = box.lower.column; col <= box.upper.column; ++col)
                ASSERT_EQ(a.c.groupLabels(r, col), a.clusterOf(Point(r, col), 0)) << level;
    }
}

TEST(BuildGroups, RegionsTakeTheGroupMostOfTheirPixelsHave) {
    const Box box(0, 0, 9, 13);
    Analysed a(box);
    // Region 0: columns 0 to 8 (red half plus two blue columns and the green
    // patch); region 1: the rest but row 9, which lies outside every region.
    a.c.regionLabelStorage.reference(arrayOver<int32_t>(box.grown(2), -1));
    a.c.regionLabels.reference(windowOf(a.c.regionLabelStorage, box));
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int col = box.lower.column; col <= box.upper.column; ++col)
            a.c.regionLabels(r, col) = r == 9 ? -1 : (col <= 8 ? 0 : 1);
    a.c.regionCount = 2;
    a.c.partitionLevel = 2;
    ProgressRange none(nullptr);
    a.c.buildGroups(none);
    EXPECT_EQ(a.c.groupCount, a.c.colourClassifier.clusterCounts[2]);
    const int32_t blue = a.clusterOf(Point(0, 0), 2), red = a.clusterOf(Point(0, 13), 2);
    ASSERT_NE(blue, red);
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int col = box.lower.column; col <= box.upper.column; ++col) {
            const int32_t expected =
                r == 9 ? a.clusterOf(Point(r, col), 2) : (col <= 8 ? blue : red);
            ASSERT_EQ(a.c.groupLabels(r, col), expected) << r << "," << col;
        }
}

} // namespace
