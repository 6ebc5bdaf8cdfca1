// The progress reporter: throttle, forced and closing reports, cancel, ranges.
#include "support/progress_recorder.h"

#include "api/vardek.h"
#include "core/progress.h"

#include <gtest/gtest.h>

#include <stdexcept>

using test_support::ManualClock;
using test_support::ProgressRecorder;

namespace {

class Progress : public ::testing::Test {
protected:
    ManualClock clock;
    ProgressRecorder recorder;
};

TEST_F(Progress, BuiltAndDestroyedWithoutReportsCallsOnceWithHundred) {
    { VkInProgress progress(vardekProgressCallback, "Select", true); }
    EXPECT_EQ(recorder.percents(), std::vector<int>({100}));
    EXPECT_EQ(recorder.calls()[0].userData, 0);
}

TEST_F(Progress, ThrottleAndForcedReport) {
    VkInProgress progress(vardekProgressCallback, "Select", true);
    progress.report(0.5f, "");
    EXPECT_TRUE(recorder.calls().empty()); // immediately after construction
    clock.advance(0.05);
    progress.report(0.6f, "");
    EXPECT_TRUE(recorder.calls().empty());
    clock.advance(0.06); // 0.11 s since construction
    progress.report(0.999f, "");
    EXPECT_EQ(recorder.percents(), std::vector<int>({99}));
    progress.report(0.2f, "");
    progress.report(1.0f, ""); // 1.0 is always reported
    EXPECT_EQ(recorder.percents(), std::vector<int>({99, 100}));
}

TEST_F(Progress, ReportOfOneMakesTheClosingReportUnnecessary) {
    {
        VkInProgress progress(vardekProgressCallback, "Select", true);
        progress.report(1.0f, "");
    }
    EXPECT_EQ(recorder.percents(), std::vector<int>({100}));
}

TEST_F(Progress, CancelIsRaisedOnceAndOnlyWhenCancellable) {
    recorder.answer = [](int, int) { return 2; };
    {
        VkInProgress progress(vardekProgressCallback, "Select", true);
        EXPECT_THROW(progress.report(1.0f, ""), VkExCancel);
        EXPECT_TRUE(progress.cancelled());
        EXPECT_NO_THROW(progress.report(1.0f, "")); // still calls, raises nothing
    }
    EXPECT_EQ(recorder.percents(), std::vector<int>({100, 100})); // no closing report
    {
        VkInProgress undo(vardekProgressCallback, "Undo", false);
        EXPECT_NO_THROW(undo.report(1.0f, ""));
    }
}

TEST_F(Progress, OtherAnswersAreIgnored) {
    recorder.answer = [](int, int) { return 1; };
    VkInProgress progress(vardekProgressCallback, "Select", true);
    EXPECT_NO_THROW(progress.report(1.0f, ""));
}

TEST_F(Progress, NullFunctionNeverCallsNorCancels) {
    VkInProgress progress(nullptr, "Scale Image", true);
    clock.advance(1.0);
    EXPECT_NO_THROW(progress.report(1.0f, ""));
    EXPECT_FLOAT_EQ(progress.fraction(), 1.0f);
    EXPECT_TRUE(recorder.calls().empty());
}

TEST_F(Progress, ClosingReportSwallowsExceptionsOfTheFunction) {
    recorder.answer = [](int, int) -> int { throw std::runtime_error("application fault"); };
    EXPECT_NO_THROW({ VkInProgress progress(vardekProgressCallback, "Select", true); });
    EXPECT_EQ(recorder.calls().size(), 1u);
}

TEST_F(Progress, ResetStartsAFreshNonCancellableReporter) {
    recorder.answer = [](int, int) { return 2; };
    {
        VkInProgress progress(vardekProgressCallback, "Begin Session", true);
        progress.report(0.5f, "");
        progress.reset();
        EXPECT_FALSE(progress.cancellable());
        EXPECT_FLOAT_EQ(progress.fraction(), 0.0f);
    } // the closing report still happens, and cannot cancel
    EXPECT_EQ(recorder.percents(), std::vector<int>({100}));
}

// A parent that records what it is told, without any throttle.
struct RecordingUI : orsine::utility::IiUI {
    std::vector<float> values;
    void report(float f, const std::string&) override { values.push_back(f); }
};

TEST(ProgressRangeTest, MapsItsOwnFractionsOntoTheParent) {
    RecordingUI parent;
    ProgressRange whole(&parent);
    EXPECT_EQ(parent.values, std::vector<float>({0.0f})); // construction reports its start
    ProgressRange first = whole.subRange(0.1f);
    ProgressRange middle = whole.subRange(0.9f);
    EXPECT_FLOAT_EQ(middle.start(), 0.1f);
    EXPECT_FLOAT_EQ(middle.end(), 0.9f);
    middle.report(0.5f);
    EXPECT_FLOAT_EQ(parent.values.back(), 0.5f);
    ProgressRange tail = middle.subRange(1.0f);
    EXPECT_FLOAT_EQ(tail.start(), 0.5f);
    EXPECT_FLOAT_EQ(tail.end(), 0.9f);
    tail.report(1.0f);
    EXPECT_FLOAT_EQ(parent.values.back(), 0.9f);
    EXPECT_FLOAT_EQ(whole.current(), 0.9f);
    (void)first;
}

TEST(ProgressRangeTest, WithoutParentReportsNothing) {
    ProgressRange orphan(nullptr);
    orphan.report(0.5f);
    ProgressRange child = orphan.subRange(1.0f);
    child.report(1.0f);
    EXPECT_EQ(child.parent(), nullptr);
}

} // namespace
