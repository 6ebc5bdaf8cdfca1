// The stage frame: which stages recompute after which parameter changed, the
// progress split, and the unsetting of every stage copy on failure.
#include "stage_fixtures.h"

#include "classification/segmentation_stages.h"
#include "core/fault_injection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>

using namespace classification;
using stage_fixtures::RecordingProgress;

namespace {

using Ran = std::array<bool, segmentationStageCount>;

SegmentationParams analysed() {
    SegmentationParams p;
    p.fourthInteger = 4; // as set from the variables
    return p;
}

class StageFrame : public ::testing::Test {
protected:
    TextureImage texture = stage_fixtures::photoLike(40, 52);
    Box domain = boxOf(texture);
    std::unique_ptr<stage_fixtures::StageData> data = std::make_unique<stage_fixtures::StageData>();
    stage_fixtures::StageData& stages() { return *data; }
    void reset() { data = std::make_unique<stage_fixtures::StageData>(); }
    RecordingProgress progress;

    // Stage 5 as the region flood decides it.
    Ran run(const SegmentationParams& current, unsigned workers = 2) {
        ProgressRange range(&progress);
        const RegionStage regions = [&](bool force, ProgressRange&) {
            return force || regionsOutdated(stages().stageParams[edgeStagesCopy], current);
        };
        return updateStages({texture, domain, current}, stages().state(), range, regions, workers)
            .stage;
    }
};

struct Change {
    const char* name;
    std::function<void(SegmentationParams&)> apply;
    Ran expected; // histograms, segments, edge features, edge width, regions
};

TEST_F(StageFrame, ParameterChangedRecomputesTheStagesThatDependOnIt) {
    const Change changes[] = {
        {"nothing", [](SegmentationParams&) {}, {false, false, false, false, false}},
        {"colour bits", [](SegmentationParams& p) { p.colourBits = 4; }, {1, 1, 1, 1, 1}},
        {"interpolation", [](SegmentationParams& p) { p.interpolation = 2; }, {1, 1, 1, 1, 1}},
        {"resolution", [](SegmentationParams& p) { p.resolution = 6; }, {1, 1, 1, 1, 1}},
        {"overlap", [](SegmentationParams& p) { p.overlap = 0; }, {1, 1, 1, 1, 1}},
        {"feature tolerance",
         [](SegmentationParams& p) { p.featureTolerance = 1.3f; },
         {0, 1, 1, 1, 1}},
        {"in-focus edge width",
         [](SegmentationParams& p) { p.inFocusEdgeWidth = 3; },
         {0, 0, 0, 1, 1}},
        {"region scale", [](SegmentationParams& p) { p.regionScale = 3.0f; }, {0, 0, 0, 0, 1}},
        {"fourth integer of a set copy",
         [](SegmentationParams& p) { p.fourthInteger = 5; },
         {0, 0, 0, 0, 0}},
        {"focus", [](SegmentationParams& p) { p.focus = 0.5f; }, {0, 0, 0, 0, 0}},
        {"blend mode and sampling",
         [](SegmentationParams& p) {
             p.blendMode = 1;
             p.fgSampling = p.bgSampling = 3;
         },
         {0, 0, 0, 0, 0}},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        reset();
        const Ran first = run(analysed());
        EXPECT_EQ(first, (Ran{true, true, true, true, true})) << "a new state runs every stage";
        SegmentationParams changed = analysed();
        change.apply(changed);
        EXPECT_EQ(run(changed), change.expected);
        EXPECT_EQ(run(changed), (Ran{false, false, false, false, false}));
    }
}

TEST_F(StageFrame, NotANumberNeverComparesEqual) {
    SegmentationParams p = analysed();
    p.featureTolerance = std::numeric_limits<float>::quiet_NaN();
    run(p);
    EXPECT_EQ(run(p), (Ran{false, true, true, true, true}));
    p = analysed();
    p.regionScale = std::numeric_limits<float>::quiet_NaN();
    run(p);
    EXPECT_EQ(run(p), (Ran{false, false, false, false, true}));
}

TEST_F(StageFrame, UnsetCopyWithOtherFourthIntegerRebuildsHistograms) {
    // An unset copy holds -1: below 3, so a differing fourth integer counts.
    SegmentationParams p = analysed();
    run(p);
    for (int c = 0; c < textureChannels; ++c)
        stages().stageParams[c].fourthInteger = 2;
    EXPECT_EQ(run(p), (Ran{true, true, true, true, true}));
}

TEST_F(StageFrame, ProgressIsSplitOverTheStages) {
    run(analysed());
    const std::vector<float> f = progress.fractions();
    for (size_t i = 1; i < f.size(); ++i)
        EXPECT_LE(f[i - 1], f[i]) << "report " << i;
    const auto reportsWithin = [&](float from, float to) {
        return std::count_if(f.begin(), f.end(), [&](float v) { return v > from && v <= to; });
    };
    EXPECT_FLOAT_EQ(f[7], 1.0f / 7.0f) << "stage 1 hands out six jobs, then ends at 1/7";
    EXPECT_EQ(reportsWithin(1.0f / 7.0f, 2.0f / 7.0f), 6 * 4) << "four per segmented channel";
    EXPECT_GE(reportsWithin(2.0f / 7.0f, 3.0f / 7.0f), 4) << "edge features";
    EXPECT_GE(reportsWithin(3.0f / 7.0f, 0.44285715f), 1) << "edge width";
    EXPECT_LE(f.back(), 0.44285715f) << "stage 5 (not reporting here) owns the rest";

    // Same parameters again: only the histogram hand-out reports.
    RecordingProgress again;
    ProgressRange range(&again);
    const SegmentationParams p = analysed();
    updateStages({texture, domain, p}, stages().state(), range, nullptr, 2);
    const std::vector<float> g = again.fractions();
    EXPECT_EQ(g.size(), 8u) << "the opening 0, six jobs and the closing answer";
    EXPECT_FLOAT_EQ(g.back(), 1.0f / 7.0f);
}

TEST_F(StageFrame, NoChannelEnabledReportsTheEndAndRecomputesNothing) {
    stages().channelEnabled.fill(0);
    EXPECT_EQ(run(analysed()), (Ran{false, false, false, false, false}));
    EXPECT_EQ(progress.fractions(), (std::vector<float>{0.0f, 1.0f}));
    EXPECT_EQ(stages().stageParams[0].colourBits, -1) << "copies are not saved";
}

struct Failure {
    const char* site;
    vardek::fault::Kind kind;
};

TEST_F(StageFrame, AnyFailureUnsetsEveryCopyAndTheNextRunRecomputesAll) {
    const Failure failures[] = {
        {"histogram job", vardek::fault::Kind::Unexpected},
        {"gradient band", vardek::fault::Kind::Cancel},
        {"gradient band", vardek::fault::Kind::OutOfMemory},
    };
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.site);
        reset();
        SegmentationParams p = analysed();
        run(p);
        p.colourBits = 4; // everything has to be redone
        vardek::fault::arm(failure.site, failure.kind);
        try {
            run(p);
            ADD_FAILURE() << "the stage did not fail";
        } catch (const VkExCancel&) {
            EXPECT_EQ(failure.kind, vardek::fault::Kind::Cancel);
        } catch (const VkExFailure& failure) {
            EXPECT_STREQ(failure.what(), "Unhandled exception in worker thread.")
                << "failures of workers, out-of-memory included, become the worker failure";
        }
        vardek::fault::disarm();
        for (const SegmentationParams& copy : stages().stageParams)
            EXPECT_EQ(std::memcmp(&copy, &stages().stageParams[0], sizeof copy), 0);
        EXPECT_EQ(stages().stageParams[6].colourBits, -1);
        EXPECT_EQ(stages().stageParams[6].featureTolerance, -1.0f);
        EXPECT_EQ(run(p), (Ran{true, true, true, true, true}));
    }
}

} // namespace
