// The region flood: when it runs, what it labels, and how it counts regions.
#include "classification/region_flood.h"
#include "classification/segmentation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

using namespace classification;

namespace {

using Planes = RegionFloodPlanes;
using PlanePixel = blitz::TinyVector<unsigned char, 3>;

Planes planesOver(const Box& domain, PlanePixel fill = PlanePixel(0, 0, 0)) {
    Planes planes = arrayOver<PlanePixel>(domain.grown(2));
    planes = fill;
    return planes;
}

SegmentationParams withRegionScale(float scale) {
    SegmentationParams p;
    p.regionScale = scale;
    return p;
}

struct RegionRun {
    RegionLabels regions;
    bool recomputed = false;
};

RegionRun flood(const Planes& planes, const Box& domain, float regionScale,
                float planeScale = 1.0f) {
    RegionRun run;
    ProgressRange range(nullptr);
    run.recomputed = updateRegions(true, SegmentationParams::unset(), withRegionScale(regionScale),
                                   planes, domain, planeScale, run.regions, range);
    return run;
}

TEST(RegionFlood, RegionScaleOfOneOrLessOrNotANumberGivesNoLabels) {
    const Box domain(0, 0, 9, 9);
    for (float scale : {1.0f, 0.5f, std::numeric_limits<float>::quiet_NaN()}) {
        RegionRun run = flood(planesOver(domain), domain, 3.0f); // some labels first
        ASSERT_EQ(run.regions.count, 2);
        ProgressRange range(nullptr);
        EXPECT_TRUE(updateRegions(true, SegmentationParams::unset(), withRegionScale(scale),
                                  planesOver(domain), domain, 1.0f, run.regions, range));
        EXPECT_EQ(run.regions.count, -1) << scale;
        EXPECT_EQ(run.regions.labels.size(), 0) << scale;
        EXPECT_EQ(run.regions.storage.size(), 0) << scale;
    }
}

TEST(RegionFlood, UniformImageIsOneRegionBesideTheBorder) {
    const Box domain(3, -2, 40, 30);
    const RegionRun run = flood(planesOver(domain), domain, 2.0f);
    EXPECT_TRUE(run.recomputed);
    EXPECT_EQ(run.regions.count, 2);
    ASSERT_EQ(boxOf(run.regions.labels), domain);
    ASSERT_EQ(boxOf(run.regions.storage), domain.grown(2));
    for (int r = domain.lower.row; r <= domain.upper.row; ++r)
        for (int c = domain.lower.column; c <= domain.upper.column; ++c)
            ASSERT_EQ(run.regions.labels(r, c), 1);
    // The ring around the domain carries the border's label 0.
    EXPECT_EQ(run.regions.storage(domain.lower.row - 1, domain.lower.column), 0);
    EXPECT_EQ(run.regions.storage(domain.upper.row + 1, domain.upper.column + 1), 0);
}

TEST(RegionFlood, AnEdgeLineSplitsTwoFlatAreas) {
    // Two homogeneous halves (channel 0 high) with a line two pixels wide of
    // low channel 1 between them at columns 10 and 11: an edge's level is the
    // larger channel 1 of its two pixels, so with t = 0 a flood crosses from
    // one line column to the other at the line's value, below the other
    // half's seed value, which therefore starts a region of its own.
    const Box domain(0, 0, 19, 21);
    Planes planes = planesOver(domain, PlanePixel(200, 200, 4));
    for (int r = -2; r <= 21; ++r)
        for (int c : {10, 11})
            planes(r, c) = PlanePixel(10, 10, 4);
    const RegionRun run = flood(planes, domain, 1.5f); // t = trunc(ln 1.5) = 0
    EXPECT_EQ(run.regions.count, 3);
    std::set<int32_t> left, right;
    for (int r = 0; r <= 19; ++r) {
        for (int c = 0; c < 10; ++c)
            left.insert(run.regions.labels(r, c));
        for (int c = 12; c <= 21; ++c)
            right.insert(run.regions.labels(r, c));
    }
    ASSERT_EQ(left.size(), 1u);
    ASSERT_EQ(right.size(), 1u);
    EXPECT_NE(*left.begin(), *right.begin());
    // Each line column goes with the half beside it.
    for (int r = 0; r <= 19; ++r) {
        EXPECT_EQ(run.regions.labels(r, 10), *left.begin());
        EXPECT_EQ(run.regions.labels(r, 11), *right.begin());
    }

    // A tolerance as large as the drop lets one flood cross the line.
    const RegionRun crossing = flood(planes, domain, 2.0f, 300.0f); // t = 207
    EXPECT_EQ(crossing.regions.count, 2);
}

TEST(RegionFlood, RunsOnlyWhenForcedOrItsParametersChanged) {
    const Box domain(0, 0, 4, 4);
    const Planes planes = planesOver(domain);
    const SegmentationParams last = withRegionScale(2.0f);
    ProgressRange range(nullptr);

    struct Case {
        const char* what;
        float regionScale;
        int32_t inFocusEdgeWidth;
        float featureTolerance;
        bool floods;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {"unchanged", 2.0f, last.inFocusEdgeWidth, last.featureTolerance, false},
        {"feature tolerance only", 2.0f, last.inFocusEdgeWidth, 9.0f, false},
        {"region scale", 3.0f, last.inFocusEdgeWidth, last.featureTolerance, true},
        {"in-focus edge width", 2.0f, 5, last.featureTolerance, true},
        {"region scale not a number", nan, last.inFocusEdgeWidth, last.featureTolerance, true},
    };
    for (const Case& c : cases) {
        SegmentationParams current = last;
        current.regionScale = c.regionScale;
        current.inFocusEdgeWidth = c.inFocusEdgeWidth;
        current.featureTolerance = c.featureTolerance;
        // The saved copy holds the same not-a-number: it still compares unequal.
        SegmentationParams saved = last;
        if (std::isnan(c.regionScale)) saved.regionScale = nan;
        RegionLabels regions;
        EXPECT_EQ(updateRegions(false, saved, current, planes, domain, 1.0f, regions, range),
                  c.floods)
            << c.what;
        if (!c.floods) {
            EXPECT_EQ(regions.count, -1) << c.what;
        }
    }
}

TEST(RegionFlood, ClassificationKeepsItsRegionsUntilItsParametersChange) {
    const Box domain(2, 3, 11, 17);
    SourceImage pixels = arrayOver<orsine::utility::Colour<unsigned char>>(domain);
    Segmentation<6, 0> c(nullptr, true, pixels);
    c.domain = domain;
    c.edgePlaneStorage.reference(planesOver(domain));
    ProgressRange range(nullptr);

    // Copy 6 is unset: the first run floods.
    EXPECT_TRUE(c.updateRegions(false, range));
    EXPECT_EQ(c.regionCount, 2);
    EXPECT_EQ(boxOf(c.regionLabels), domain);
    EXPECT_EQ(c.regionLabels(5, 5), 1);
    EXPECT_EQ(&c.regionLabels(5, 5), &c.regionLabelStorage(5, 5)); // a view of the storage

    c.stageParams[6] = c.params;
    EXPECT_FALSE(c.updateRegions(false, range));
    EXPECT_EQ(c.regionCount, 2);

    c.params.regionScale = 1.0f;
    EXPECT_TRUE(c.updateRegions(false, range));
    EXPECT_EQ(c.regionCount, -1);
    EXPECT_EQ(c.regionLabels.size(), 0);
    EXPECT_EQ(c.regionLabelStorage.size(), 0);
}

TEST(RegionFlood, AHugeOrUndefinedToleranceStaysWithinTheLevels) {
    EXPECT_EQ(regionTolerance(1.0f, 2.0f), 0);
    EXPECT_EQ(regionTolerance(10.0f, 4.0f), 13); // 10 x ln 4 = 13.86, truncated
    EXPECT_EQ(regionTolerance(1e30f, 2.0f), 255);
    EXPECT_EQ(regionTolerance(std::numeric_limits<float>::infinity(), 2.0f), 255);
    EXPECT_EQ(regionTolerance(std::numeric_limits<float>::quiet_NaN(), 2.0f), 0);
}

} // namespace
