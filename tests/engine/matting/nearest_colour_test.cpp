// Nearest-colour propagation and membrane smoothing of one class.
#include "values.h"

#include "core/exceptions.h"
#include "matting/nearest_colour.h"
#include "support/recording_progress.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using classification::ByteArray;
using namespace orsine::matting;

// A scene drawn as text: 'K' class pixel, 'b' band pixel (0x80), 'x' excluded
// (done mark 0x40 with 0x80), '-' excluded (no pass mark). Grey levels of the
// analysis image are given separately. The arrays start at (first, first).
struct Scene {
    ByteArray status;
    Image8 analysis;

    Scene(const std::vector<std::string>& rows, int first = 0) {
        const int h = static_cast<int>(rows.size()), w = static_cast<int>(rows[0].size());
        status.resize(h, w);
        analysis.resize(h, w);
        status.reindexSelf(blitz::TinyVector<int, 2>(first, first));
        analysis.reindexSelf(blitz::TinyVector<int, 2>(first, first));
        for (int r = 0; r < h; ++r) {
            for (int c = 0; c < w; ++c) {
                const char ch = rows[r][c];
                status(first + r, first + c) = ch == 'K'   ? 0x82
                                               : ch == 'b' ? 0x81
                                               : ch == 'x' ? 0xC1
                                                           : 0x01;
                analysis(first + r, first + c) =
                    orsine::utility::Colour<unsigned char>(0, 0, 0, 255);
            }
        }
    }
    void grey(int r, int c, unsigned char v) {
        analysis(r, c) = orsine::utility::Colour<unsigned char>(v, v, v, 255);
    }
};

MaskPatch withMembrane(float value) {
    MaskPatch patch;
    patch.membrane = true;
    patch.membraneValue = value;
    return patch;
}

constexpr float kNoSmoothing = -0.5f; // 1 - 49 = -48 iterations: none

TEST(NearestColour, IterationCountsFollowTheMembraneValue) {
    const struct {
        float value;
        int iterations;
    } cases[] = {{0.0f, 1},   {0.015f, 2},  {0.5f, 50},
                 {1.0f, 100}, {-0.5f, -48}, {-0.001f, 1},
                 {1.5f, 100}, {1e30f, 100}, {std::numeric_limits<float>::infinity(), 100}};
    for (const auto& c : cases)
        EXPECT_EQ(membraneIterations(c.value), c.iterations) << c.value;
    EXPECT_LE(membraneIterations(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_LT(membraneIterations(-1e30f), 0);
}

// Throws the cancel exception at its `at`th report.
struct CancellingProgress : orsine::utility::IiUI {
    int at;
    int reports = 0;
    explicit CancellingProgress(int n) : at(n) {}
    void report(float, const std::string&) override {
        if (++reports == at) throw VkExCancel();
    }
};

TEST(NearestColour, SmoothingReportsEveryIterationAndCanBeCancelled) {
    Scene s({"KbbKx", "bbbbb"});
    // A membrane value far beyond 1 (from a patch record) runs the 100
    // iterations of value 1, each reported.
    RecordingProgress parent;
    const Rgb8Array huge =
        firstPassStage(s.analysis, s.status, 0x02, withMembrane(1e30f), ProgressRange(&parent));
    ASSERT_EQ(parent.fractions.size(), 101u); // the range's opening 0, then one per iteration
    EXPECT_FLOAT_EQ(parent.fractions[1], 0.01f);
    EXPECT_FLOAT_EQ(parent.fractions.back(), 1.0f);
    const Rgb8Array one = firstPassStage(s.analysis, s.status, 0x02, withMembrane(1.0f));
    EXPECT_EQ(values(huge(1, 2)), values(one(1, 2)));

    CancellingProgress cancelling(10);
    EXPECT_THROW(
        firstPassStage(s.analysis, s.status, 0x02, withMembrane(1.0f), ProgressRange(&cancelling)),
        VkExCancel);
    EXPECT_EQ(cancelling.reports, 10);
}

TEST(NearestColour, MembraneStepOverRelaxesTowardTheMean) {
    const struct {
        int own, sum, count, expected;
    } cases[] = {
        {100, 600, 4, 175}, // two class neighbours of 200, two band ones of 100
        {200, 300, 2, 125}, {255, 1020, 4, 255}, {0, 1020, 4, 255}, // clamped above
        {255, 0, 4, 0},                                             // clamped below
        {1, 0, 1, 0},       {77, 0, 0, 77}, // no counted neighbour: the pixel keeps its value
    };
    for (const auto& c : cases) {
        EXPECT_EQ(membraneStep(static_cast<unsigned char>(c.own), c.sum, c.count), c.expected)
            << c.own << " " << c.sum << "/" << c.count;
    }
}

TEST(NearestColour, NearestByChamferDistanceNotByRows) {
    // The band pixel at (5,5) is 3 x 34 = 102 from (5,2) and 76 + 48 = 124 from (3,8).
    Scene s({"bbbbbbbbbb", "bbbbbbbbbb", "bbbbbbbbbb", "bbbbbbbbKb", "bbbbbbbbbb", "bbKbbbbbbb",
             "bbbbbbbbbb"},
            10);
    s.grey(15, 12, 40);
    s.grey(13, 18, 220);
    const Rgb8Array keep = firstPassStage(s.analysis, s.status, 0x02, withMembrane(kNoSmoothing));
    ASSERT_EQ(keep.lbound(0), 10);
    EXPECT_EQ(values(keep(15, 15)), values(Rgb8(40, 40, 40)));
    EXPECT_EQ(values(keep(13, 17)), values(Rgb8(220, 220, 220)));
    EXPECT_EQ(values(keep(15, 12)), values(Rgb8(40, 40, 40)));
}

TEST(NearestColour, TiesGoToTheFirstInScanOrderAndExcludedPixelsCarryColour) {
    // (0,3) is 68 from both class pixels; the left one is reached first.
    // Excluded pixels are estimated too; only the frame is never read.
    Scene s({"KxbxK", "-----"});
    s.grey(0, 0, 10);
    s.grey(0, 4, 250);
    s.grey(1, 2, 99);
    const Rgb8Array keep = firstPassStage(s.analysis, s.status, 0x02, withMembrane(kNoSmoothing));
    EXPECT_EQ(values(keep(0, 2)), values(Rgb8(10, 10, 10)));
    EXPECT_EQ(values(keep(0, 1)), values(Rgb8(10, 10, 10)));
    EXPECT_EQ(values(keep(0, 3)), values(Rgb8(250, 250, 250)));
    EXPECT_EQ(values(keep(1, 2)),
              values(Rgb8(10, 10, 10))); // a knight's move from either: left first
    EXPECT_EQ(values(keep(0, 0)), values(Rgb8(10, 10, 10)));
}

TEST(NearestColour, ClassWithoutPixelsKeepsTheAnalysisColours) {
    Scene s({"bbb", "b-b"});
    s.grey(0, 1, 90);
    const Rgb8Array del = firstPassStage(s.analysis, s.status, 0x04, withMembrane(kNoSmoothing));
    EXPECT_EQ(values(del(0, 1)), values(Rgb8(90, 90, 90)));
    EXPECT_EQ(values(del(0, 0)), values(Rgb8(0, 0, 0)));
    // The smoothing still runs: (0,0) sees (0,1) = 90 and (1,0) = 0.
    const Rgb8Array smoothed = firstPassStage(s.analysis, s.status, 0x04, withMembrane(0.0f));
    EXPECT_EQ(values(smoothed(0, 0)), values(Rgb8(68, 68, 68))); // trunc(0.5 + 1.5 x 45)
}

TEST(NearestColour, SmoothingRunsInPlaceForTheGivenIterations) {
    // Class 200, band, band, class 100, excluded: after the scans the band reads
    // 200 and 100. In place, the second band pixel already sees the new first.
    Scene s({"KbbKx"});
    s.grey(0, 0, 200);
    s.grey(0, 3, 100);
    s.grey(0, 4, 7);
    const struct {
        float membrane;
        unsigned char first, second;
    } cases[] = {
        {kNoSmoothing, 200, 100},
        {0.0f, 125, 119}, // trunc(0.5 - 100 + 1.5 x 150), trunc(0.5 - 50 + 1.5 x 112.5)
        {0.015f, 177, 148},
    };
    for (const auto& c : cases) {
        const Rgb8Array keep = firstPassStage(s.analysis, s.status, 0x02, withMembrane(c.membrane));
        EXPECT_EQ(keep(0, 1)[1], c.first) << c.membrane;
        EXPECT_EQ(keep(0, 2)[1], c.second) << c.membrane;
        // Class and excluded pixels are never smoothed.
        EXPECT_EQ(keep(0, 0)[1], 200);
        EXPECT_EQ(keep(0, 3)[1], 100);
        EXPECT_EQ(keep(0, 4)[1], 100);
    }
}

TEST(NearestColour, BandPixelWithoutCountedNeighbourKeepsItsColour) {
    Scene s({"K--", "-b-", "---"});
    s.grey(0, 0, 123);
    const Rgb8Array keep = firstPassStage(s.analysis, s.status, 0x02, withMembrane(1.0f));
    EXPECT_EQ(values(keep(1, 1)), values(Rgb8(123, 123, 123)));
}

TEST(NearestColour, ChannelsAreCarriedSeparately) {
    Scene s({"Kb"});
    s.analysis(0, 0) = orsine::utility::Colour<unsigned char>(1, 2, 3, 4);
    s.analysis(0, 1) = orsine::utility::Colour<unsigned char>(9, 9, 9, 9);
    const Rgb8Array keep = firstPassStage(s.analysis, s.status, 0x02, withMembrane(0.0f));
    // One neighbour counted (the frame is not): 1.5 x n - 0.5 x n + 0.5 = n + 0.5.
    EXPECT_EQ(values(keep(0, 1)), values(Rgb8(1, 2, 3)));
}

} // namespace
