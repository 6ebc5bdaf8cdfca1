// The analysis of a classification: its stages over a real photograph, what
// it keeps between analyses, the progress split and the worker count.
#include "classification/segmentation.h"
#include "core/arrays.h"
#include "core/progress.h"
#include "support/photo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace classification;
using Classification = Segmentation<6, 0>;
using Colour = orsine::utility::Colour<unsigned char>;

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
    c.params.regionScale = 3.0f;
    p.analyse();
    EXPECT_EQ(c.textureImage.data(), texture);
    EXPECT_EQ(c.colourClassifier.clusterCounts, clusters);
    EXPECT_NE(c.regionLabelStorage.data(), regionStorage);

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
    EXPECT_NE(c.textureImage.data(), texture);
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
