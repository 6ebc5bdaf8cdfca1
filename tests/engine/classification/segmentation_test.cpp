// The classification object: its initial state, sharing a parent's analysis as
// windows onto the parent's arrays, and the object edges of its regions; the
// analysis: its stages over a real photograph, what it keeps between analyses,
// the progress split and the worker count; colour groups: the partition of the
// texture colours at a level, and groups that follow whole regions.
#include "support/photo.h"

#include "classification/segmentation.h"
#include "core/arrays.h"
#include "core/exceptions.h"
#include "core/fault_injection.h"
#include "core/progress.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

using namespace classification;
using Classification = Segmentation<6, 0>;
using Colour = orsine::utility::Colour<unsigned char>;

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

namespace {

const test_support::Photo& photo() {
    static const test_support::Photo p = test_support::readPng(CUTOUT_TEST_DATA "/chelsea.png");
    return p;
}

SourceImage pixelsOf(const test_support::Photo& p) {
    return viewOver(reinterpret_cast<Colour*>(const_cast<uint8_t*>(p.bgra.data())), p.height,
                    p.width, p.width);
}

// A classification of the photograph at the variables' defaults as a session
// hands them over ("#maxBits" 7, "#resolution" 4 and the fourth integer 4).
struct Photographed {
    SourceImage pixels = pixelsOf(photo());
    Classification c{nullptr, true, pixels};

    explicit Photographed(unsigned workers = 2) {
        c.workerCount = workers;
        c.maxBits = 7;
        c.params.fourthInteger = 4;
        c.params.resolution = 4;
    }
    void analyse() {
        ProgressRange none(nullptr);
        c.analyse(nullptr, none);
    }
};

// Equal boxes and equal elements.
template <typename T> bool sameArrays(const blitz::Array<T, 2>& a, const blitz::Array<T, 2>& b) {
    if (boxOf(a) != boxOf(b)) return false;
    for (int r = a.lbound(0); r <= a.ubound(0); ++r)
        for (int c = a.lbound(1); c <= a.ubound(1); ++c)
            if (!(std::memcmp(&a(r, c), &b(r, c), sizeof(T)) == 0)) return false;
    return true;
}

// Records every report with its label.
struct Reports : orsine::utility::IiUI {
    std::vector<std::pair<float, std::string>> seen;
    void report(float fraction, const std::string& label) override {
        seen.emplace_back(fraction, label);
    }
};

TEST(Analyse, APhotographGetsRegionsNumberedWithoutGapsAndGroupsFollowingThem) {
    ASSERT_GT(photo().width, 0) << "tests/data/chelsea.png is missing";
    Photographed p;
    p.analyse();
    Classification& c = p.c;
    EXPECT_EQ(c.textureState, 2);
    EXPECT_EQ(c.domain, c.sourceBox());
    for (int count : c.colourClassifier.clusterCounts)
        EXPECT_GT(count, 0);
    ASSERT_GT(c.regionCount, 10);
    EXPECT_EQ(boxOf(c.regionLabels), c.domain);
    EXPECT_EQ(boxOf(c.groupLabels), c.domain);
    EXPECT_EQ(c.groupCount, c.colourClassifier.clusterCounts[0]);

    // Regions run from 0 in the order of their first pixels, and every pixel
    // of a region has the region's group.
    int32_t next = 0;
    std::vector<int32_t> groupOf(std::size_t(c.regionCount), -2);
    for (int r = c.domain.lower.row; r <= c.domain.upper.row; ++r)
        for (int col = c.domain.lower.column; col <= c.domain.upper.column; ++col) {
            const int32_t region = c.regionLabels(r, col);
            ASSERT_GE(region, 0);
            ASSERT_LE(region, next);
            if (region == next) {
                ++next;
                groupOf[std::size_t(region)] = c.groupLabels(r, col);
            }
            ASSERT_EQ(c.groupLabels(r, col), groupOf[std::size_t(region)]);
        }
    EXPECT_EQ(next, c.regionCount);
    // The storage's margin holds -1.
    EXPECT_EQ(blitz::count(c.regionLabelStorage == -1), c.domain.grown(2).area() - c.domain.area());
}

TEST(Analyse, KeepsWhatItsParametersDoNotTouch) {
    Photographed p;
    Classification& c = p.c;
    p.analyse();
    const TexturePixel* texture = c.textureImage.data();
    const TextureImage textureCopy = c.textureImage.copy();
    const std::array<int, 7> clusters = c.colourClassifier.clusterCounts;
    const LabelArray regions = c.regionLabels.copy();
    const int32_t* regionStorage = c.regionLabelStorage.data();

    // The same parameters, and a changed focus that no stage reads: nothing
    // is recomputed and the regions stay exactly as they were.
    for (float focus : {0.0f, 0.5f}) {
        c.params.focus = focus;
        p.analyse();
        EXPECT_EQ(c.textureImage.data(), texture);
        EXPECT_EQ(c.colourClassifier.clusterCounts, clusters);
        EXPECT_EQ(c.regionLabelStorage.data(), regionStorage);
        EXPECT_TRUE(sameArrays(c.regionLabels, regions)) << focus;
    }

    // Another region scale floods again over the kept texture and clusters.
    // New labels may take the old ones' memory, so a label no flood gives,
    // written over the old ones, tells whether they were made again.
    c.params.regionScale = 3.0f;
    const auto first = c.regionLabels.lbound();
    c.regionLabels(first) = -7007;
    p.analyse();
    EXPECT_EQ(c.textureImage.data(), texture);
    EXPECT_EQ(c.colourClassifier.clusterCounts, clusters);
    EXPECT_NE(c.regionLabels(first), -7007);

    // Region scale 1.0: no regions, every pixel keeps its own colour cluster.
    c.params.regionScale = 1.0f;
    p.analyse();
    EXPECT_EQ(c.regionCount, -1);
    EXPECT_EQ(c.regionLabels.size(), 0);
    EXPECT_EQ(boxOf(c.groupLabels), c.domain);

    // A full redo rebuilds the texture and clusters again; the clusters'
    // numbering goes on from the last clustering.
    c.textureRadius = 2;
    c.params.regionScale = 2.0f;
    c.dropCachedAnalysis();
    p.analyse();
    // The new texture may take the old one's memory: its values tell.
    ASSERT_EQ(boxOf(c.textureImage), boxOf(textureCopy));
    EXPECT_NE(std::memcmp(c.textureImage.data(), textureCopy.data(),
                          sizeof(TexturePixel) * textureCopy.numElements()),
              0);
    for (std::size_t k = 0; k < clusters.size(); ++k)
        EXPECT_GT(c.colourClassifier.clusterCounts[k], clusters[k]);
    EXPECT_GT(c.regionCount, 10);
}

TEST(Analyse, ReportsEachStageWithinItsShare) {
    Photographed p;
    Reports reports;
    ProgressRange whole(&reports);
    ProgressRange part = whole.subRange(0.5f);
    reports.seen.clear();
    p.c.analyse(nullptr, part);
    ASSERT_FALSE(reports.seen.empty());
    float last = 0.0f;
    for (const auto& [fraction, label] : reports.seen) {
        EXPECT_GE(fraction, last) << label;
        last = fraction;
        // Colour histograms in stage 2, the partition in stage 6.
        if (label.find("(before [histogram") != std::string::npos) {
            EXPECT_GE(fraction, 0.5f * 0.1f) << label;
            EXPECT_LE(fraction, 0.5f * 0.3f) << label;
        }
        if (label.find("(before [partition") != std::string::npos) {
            EXPECT_GE(fraction, 0.5f * 0.9f) << label;
            EXPECT_LE(fraction, 0.5f * (0.9f + 0.1f * 0.3f)) << label;
        }
    }
    EXPECT_LE(last, 0.5f);
}

TEST(Analyse, OneWorkerAndEightGiveTheSameResults) {
    Photographed one(1), eight(8);
    one.analyse();
    eight.analyse();
    EXPECT_TRUE(sameArrays(one.c.textureImage, eight.c.textureImage));
    EXPECT_EQ(one.c.colourClassifier.clusterCounts, eight.c.colourClassifier.clusterCounts);
    EXPECT_TRUE(sameArrays(one.c.edgePlanes, eight.c.edgePlanes));
    EXPECT_EQ(one.c.regionCount, eight.c.regionCount);
    EXPECT_TRUE(sameArrays(one.c.regionLabels, eight.c.regionLabels));
    EXPECT_EQ(one.c.groupCount, eight.c.groupCount);
    EXPECT_TRUE(sameArrays(one.c.groupLabels, eight.c.groupLabels));
}

TEST(Analyse, AfterAFailedClusteringOrRefinementTheNextAnalysisRefinesFreshRegions) {
    // The clustering runs beside the segmentation stages and the refinement,
    // which have finished when its failure is raised. A refinement that
    // fails leaves labels it has not finished. Either way the next analysis
    // must flood and refine again rather than keep those labels. (The group
    // labels may differ: a clustering cut short continues its numbering.)
    Photographed clean;
    clean.analyse();
    const struct {
        const char* site;
        vardek::fault::Kind kind;
        int skip;
    } failures[] = {{"colour cluster job", vardek::fault::Kind::Unexpected, 2},
                    {"refine regions", vardek::fault::Kind::OutOfMemory, 0}};
    for (const auto& failure : failures) {
        Photographed failed;
        vardek::fault::arm(failure.site, failure.kind, failure.skip);
        EXPECT_ANY_THROW(failed.analyse()) << failure.site;
        vardek::fault::disarm();
        failed.analyse();
        EXPECT_EQ(failed.c.regionCount, clean.c.regionCount) << failure.site;
        EXPECT_TRUE(sameArrays(failed.c.regionLabels, clean.c.regionLabels)) << failure.site;
        for (int count : failed.c.colourClassifier.clusterCounts)
            EXPECT_GT(count, 0) << failure.site;
    }
}

TEST(Analyse, ACancelledRegionFloodLeavesNoRegionsAndTheNextAnalysisFloodsThemAgain) {
    // The old labels are let go before a new flood makes its own: a cancel
    // inside the flood leaves no regions rather than the old ones.
    Photographed clean, cancelled;
    clean.analyse();
    cancelled.analyse();
    clean.c.params.regionScale = cancelled.c.params.regionScale = 3.0f;
    clean.analyse();

    struct CancelInTheFlood : orsine::utility::IiUI {
        void report(float, const std::string& label) override {
            if (label.find("Watershed inner") != std::string::npos) throw VkExCancel();
        }
    } cancel;
    ProgressRange range(&cancel);
    EXPECT_THROW(cancelled.c.analyse(nullptr, range), VkExCancel);
    EXPECT_EQ(cancelled.c.regionCount, -1);
    EXPECT_EQ(cancelled.c.regionLabels.size(), 0);

    cancelled.analyse();
    EXPECT_EQ(cancelled.c.regionCount, clean.c.regionCount);
    EXPECT_TRUE(sameArrays(cancelled.c.regionLabels, clean.c.regionLabels));
    EXPECT_TRUE(sameArrays(cancelled.c.groupLabels, clean.c.groupLabels));
}

TEST(Analyse, AReanalysisOverKnownClustersGivesTheGroupsOfAFreshOne) {
    // The groups' partition runs beside the stages, whether the clusters are
    // built in the same analysis or were known before it.
    Photographed again, fresh;
    again.c.partitionLevel = fresh.c.partitionLevel = 2;
    again.analyse();
    again.c.params.regionScale = fresh.c.params.regionScale = 3.0f;
    again.analyse();
    fresh.analyse();
    EXPECT_EQ(again.c.colourClassifier.clusterCounts, fresh.c.colourClassifier.clusterCounts);
    EXPECT_EQ(again.c.groupCount, fresh.c.groupCount);
    EXPECT_TRUE(sameArrays(again.c.groupLabels, fresh.c.groupLabels));
    EXPECT_TRUE(sameArrays(again.c.regionLabels, fresh.c.regionLabels));
}

TEST(Analyse, AnOwnSubSessionHasNoRegionsOutsideItsPatch) {
    const SourceImage pixels = pixelsOf(photo());
    const Box patch(40, 60, 139, 219);
    Classification parent(nullptr, true, pixels);
    Classification c(&parent, true, windowOf(pixels, patch));
    c.workerCount = 2;
    // A disc-shaped patch mask.
    ByteArray mask = arrayOver<unsigned char>(patch, 0);
    for (int r = patch.lower.row; r <= patch.upper.row; ++r)
        for (int col = patch.lower.column; col <= patch.upper.column; ++col)
            mask(r, col) = (r - 90) * (r - 90) + (col - 140) * (col - 140) < 45 * 45;
    ProgressRange none(nullptr);
    c.analyse(&mask, none);
    EXPECT_EQ(c.domain, patch);
    int64_t inside = 0;
    for (int r = patch.lower.row; r <= patch.upper.row; ++r)
        for (int col = patch.lower.column; col <= patch.upper.column; ++col) {
            if (mask(r, col)) {
                ++inside;
                EXPECT_GE(c.regionLabels(r, col), 0);
            } else {
                ASSERT_EQ(c.regionLabels(r, col), -1);
                // Pixels outside every region keep their own colour cluster.
                const auto& map = c.colourClassifier.colourHistograms[0];
                ASSERT_EQ(c.groupLabels(r, col),
                          map[map.find(colourOf(c.textureImage(r, col)))].label);
            }
        }
    EXPECT_GT(inside, 0);
}

} // namespace

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
