// The region flood: when it runs, what it labels, and how it counts regions.
#include "classification/region_flood.h"
#include "classification/segmentation.h"
#include "support/recording_progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <random>
#include <utility>
#include <set>
#include <vector>

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

// The flood as the text of the algorithm has it, with nothing left out: every
// edge goes into the queue of its level and is taken in turn, the labelled
// elements are dropped from the front of the pending list after every step,
// and the progress is reported every 32768 steps from the queue size and the
// largest queue size plus steps so far.
struct PlainFlood {
    std::vector<int32_t> labels;
    int32_t count = 0;
    std::vector<float> reports;

    PlainFlood(const Planes& planes, const Box& domain, int tolerance, float start, float end) {
        const Box box = domain.grown(2);
        const int columns = box.columns();
        const auto at = [&](int r, int c) {
            return std::size_t(r - box.lower.row) * columns + std::size_t(c - box.lower.column);
        };
        labels.assign(std::size_t(box.rows()) * columns, 0);
        std::vector<int> seed(labels.size()), edge(labels.size());
        std::vector<std::size_t> pending;
        for (int r = box.lower.row; r <= box.upper.row; ++r)
            for (int c = box.lower.column; c <= box.upper.column; ++c) {
                seed[at(r, c)] = planes(r, c)[0];
                edge[at(r, c)] = planes(r, c)[1];
                if (domain.contains(Point(r, c))) {
                    labels[at(r, c)] = -1;
                    pending.push_back(at(r, c));
                }
            }
        std::stable_sort(pending.begin(), pending.end(),
                         [&](std::size_t a, std::size_t b) { return seed[a] > seed[b]; });
        count = 1; // 0: the border

        struct Edge {
            std::size_t from, to;
        };
        std::vector<std::deque<Edge>> queue(256);
        std::size_t queued = 0;
        const auto top = [&] {
            for (int level = 255; level >= 0; --level)
                if (!queue[std::size_t(level)].empty()) return level;
            return 0;
        };
        const std::ptrdiff_t w = columns;
        const std::ptrdiff_t steps[8] = {-1, 1, -w, w, w - 1, w + 1, -w - 1, -w + 1};
        const auto push = [&](std::size_t q, int d) {
            for (std::ptrdiff_t step : steps) {
                const std::size_t s = std::size_t(std::ptrdiff_t(q) + step);
                if (labels[s] == labels[q]) continue;
                const int level = std::min(d, std::max(edge[q], edge[s]) + tolerance);
                queue[std::size_t(level)].push_back({q, s});
                ++queued;
            }
        };
        const float rangeStart = start, rangeEnd = 0.05f * start + 0.95f * end;
        float done = 0.0f;
        uint64_t taken = 0;
        double peak = 1.0;
        std::size_t front = 0;
        const auto dropLabelled = [&] {
            while (front < pending.size() && labels[pending[front]] != -1)
                ++front;
        };
        for (;;) {
            while (queued > 0) {
                if (front < pending.size() && top() < seed[pending[front]]) break;
                const int level = top();
                std::deque<Edge>& bucket = queue[std::size_t(level)];
                const Edge e = bucket.front();
                bucket.pop_front();
                --queued;
                if (labels[e.to] == -1) {
                    labels[e.to] = labels[e.from];
                    push(e.to, level);
                }
                dropLabelled();
                peak = std::max(peak, double(queued) + double(taken));
                ++taken;
                if (taken % 32768 == 0) {
                    done = std::max(done, float(1.0 - queued / peak));
                    reports.push_back((1.0f - done) * rangeStart + done * rangeEnd);
                }
            }
            if (front >= pending.size()) return;
            const std::size_t first = pending[front];
            labels[first] = count++;
            push(first, seed[first]);
            dropLabelled();
        }
    }
};

// The flood counts the edges it knows to change nothing instead of queueing
// them; its labels, and its progress reports with them, are those of the
// plain flood, whatever the number of workers.
TEST(RegionFlood, LabelsAndReportsAsAPlainFloodOfEveryEdge) {
    const Box domain(-3, 5, 396, 304);
    Planes planes = planesOver(domain);
    std::mt19937 random(7);
    // Smooth random hills with a little noise: many basins, long plateaus.
    std::uniform_real_distribution<float> phase(0.0f, 6.3f);
    const float a = phase(random), b = phase(random);
    std::uniform_int_distribution<int> noise(0, 12);
    for (int r = domain.lower.row - 2; r <= domain.upper.row + 2; ++r)
        for (int c = domain.lower.column - 2; c <= domain.upper.column + 2; ++c) {
            const float hill = 100.0f + 60.0f * std::sin(r * 0.07f + a) * std::cos(c * 0.05f + b);
            const int high = std::clamp(int(hill) + noise(random), 0, 255);
            const int low = std::clamp(high - noise(random) * 3, 0, high);
            planes(r, c) = PlanePixel(high, low, 4);
        }
    // With several workers the flood's planes and pending list are made in
    // bands of rows; the flood must not tell.
    for (const auto& [tolerance, workers] : {std::pair{0, 1u}, {9, 1u}, {0, 5u}, {9, 8u}}) {
        RecordingProgress recorder;
        ProgressRange flooding = ProgressRange::over(&recorder, 0.2f, 0.6f);
        LabelArray storage = arrayOver<int32_t>(domain.grown(2), 0);
        LabelArray inside = windowOf(storage, domain);
        inside = -1;
        watershed::LevelState state;
        state.newLabel();
        watershed::BucketQueue queue;
        floodRegions(planes, storage, state, queue, tolerance, flooding, workers);

        const PlainFlood plain(planes, domain, tolerance, 0.2f, 0.6f);
        EXPECT_EQ(state.next, plain.count) << tolerance;
        ASSERT_GT(plain.reports.size(), 5u);
        EXPECT_EQ(recorder.fractions, plain.reports) << tolerance;
        const Box box = domain.grown(2);
        std::size_t i = 0;
        for (int r = box.lower.row; r <= box.upper.row; ++r)
            for (int c = box.lower.column; c <= box.upper.column; ++c, ++i)
                ASSERT_EQ(storage(r, c), plain.labels[i]) << tolerance << " at " << r << "," << c;
    }
}

} // namespace
