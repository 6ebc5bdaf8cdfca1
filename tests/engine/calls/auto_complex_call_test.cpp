// Auto complex through the call interface, as the application calls it: a
// new undo group, a keep (or delete) stroke next to the opposite marks, then
// auto complex in the same group.
#include "support/progress_recorder.h"

#include "api/engine.h"
#include "api/image.h"
#include "api/session.h"
#include "api/vardek.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The marks and the stroke lie within the 32 pixels auto complex looks
// beyond the stroke: marks over columns 0 to 3, the stroke over 30 to 33.
constexpr int32_t kWidth = 48, kHeight = 40, kEdge = 18;
constexpr int kMarksLast = 3, kStrokeFirst = 30, kStrokeLast = 33;

class AutoComplexCall : public ::testing::Test {
protected:
    void SetUp() override {
        // Two flat halves, dark and bright, meeting at column kEdge.
        pixels.assign(static_cast<std::size_t>(kWidth) * kHeight * 4, 255);
        for (int r = 0; r < kHeight; ++r)
            for (int c = 0; c < kWidth; ++c) {
                unsigned char* p = &pixels[(static_cast<std::size_t>(r) * kWidth + c) * 4];
                p[0] = p[1] = p[2] = c < kEdge ? 40 : 210;
            }
        engine = VkInit();
        ASSERT_NE(engine, nullptr);
        status = VkNewStatusImage(engine, kWidth, kHeight, kWidth * 4, VkKindRgba8, pixels.data());
        ASSERT_NE(status, nullptr);
        session = VkBeginSession(engine, kWidth, kHeight, kWidth * 4, VkKindRgba8, pixels.data());
        ASSERT_NE(session, nullptr);
    }
    void TearDown() override {
        if (engine) {
            EXPECT_EQ(VkFinish(engine), VkOk);
        }
    }

    unsigned char& at(int row, int column) {
        return status->data[static_cast<std::ptrdiff_t>(row) * status->rowBytes + column];
    }
    std::vector<unsigned char> snapshot() const {
        std::vector<unsigned char> bytes;
        for (int r = 0; r < kHeight; ++r)
            bytes.insert(bytes.end(), status->data + r * status->rowBytes,
                         status->data + r * status->rowBytes + kWidth);
        return bytes;
    }
    // An exact stroke of `cls` over columns [first, last] of every row.
    VkResult stroke(uint8_t cls, int first, int last) {
        const VkMaskRect rect{first, 0, last - first + 1, kHeight, 0, 0, nullptr};
        return VkSelect(session, status, &rect, cls, 15, VkScopeExact, 0.0f,
                        vardekProgressCallback);
    }

    test_support::ProgressRecorder progress;
    std::vector<unsigned char> pixels;
    VkEngine* engine = nullptr;
    VkImage* status = nullptr;
    VkSession* session = nullptr;
};

struct Classes {
    uint8_t marks;  // drawn first, on the dark side
    uint8_t stroke; // then the stroke, on the bright side
};

class AutoComplexBand : public AutoComplexCall, public ::testing::WithParamInterface<Classes> {};

TEST_P(AutoComplexBand, StrokeNextToOppositeMarksGetsABandAlongTheEdge) {
    const Classes k = GetParam();
    {
        ASSERT_EQ(VkAnalyseImage(session, vardekProgressCallback), VkOk);
        ASSERT_EQ(VkNewUndoGroup(session), VkOk);
        ASSERT_EQ(stroke(k.marks, 0, kMarksLast), VkOk);
        const std::vector<unsigned char> marked = snapshot();

        ASSERT_EQ(VkNewUndoGroup(session), VkOk);
        ASSERT_EQ(stroke(k.stroke, kStrokeFirst, kStrokeLast), VkOk);
        const std::vector<unsigned char> stroked = snapshot();
        ASSERT_EQ(VkAutoComplex(session, status, 1.0f, vardekProgressCallback), VkOk);
        EXPECT_EQ(progress.percents().back(), 100);

        // Blend appears, only near the edge between the halves; the marks at
        // both ends keep their classes.
        int blend = 0;
        for (int r = 0; r < kHeight; ++r)
            for (int c = 0; c < kWidth; ++c) {
                if (at(r, c) != VkStatusBlend) continue;
                ++blend;
                EXPECT_LE(std::abs(c - kEdge), 4) << r << ", " << c;
            }
        EXPECT_GE(blend, kHeight);
        for (int r = 0; r < kHeight; ++r) {
            EXPECT_EQ(at(r, 0), k.marks);
            EXPECT_EQ(at(r, kStrokeLast), k.stroke);
            EXPECT_EQ(at(r, 6), VkStatusUnassigned);
            EXPECT_EQ(at(r, kWidth - 1), VkStatusUnassigned);
        }
        // The published rectangle covers the band.
        EXPECT_LE(session->changedX, kEdge - 1);
        EXPECT_GE(session->changedX + session->changedWidth, kEdge + 1);

        // One undo takes back the stroke and the band together.
        uint32_t groups = 0;
        ASSERT_EQ(VkNumAvailableUndo(session, &groups), VkOk);
        EXPECT_EQ(groups, 2u);
        ASSERT_EQ(VkUndo(session), VkOk);
        EXPECT_EQ(snapshot(), marked);
        ASSERT_EQ(VkRedo(session), VkOk);
        EXPECT_NE(snapshot(), stroked);
    }
}

INSTANTIATE_TEST_SUITE_P(KeepAndDelete, AutoComplexBand,
                         ::testing::Values(Classes{VkStatusDelete, VkStatusKeep},
                                           Classes{VkStatusKeep, VkStatusDelete}));

TEST_F(AutoComplexCall, WithoutOppositeMarksOrBandNothingChangesAfterAnExactStroke) {
    ASSERT_EQ(VkAnalyseImage(session, vardekProgressCallback), VkOk);
    ASSERT_EQ(VkNewUndoGroup(session), VkOk);
    ASSERT_EQ(stroke(VkStatusKeep, kStrokeFirst, kStrokeLast), VkOk);
    const std::vector<unsigned char> stroked = snapshot();
    EXPECT_EQ(VkAutoComplex(session, status, 1.0f, vardekProgressCallback), VkOk);
    EXPECT_EQ(snapshot(), stroked);
    EXPECT_EQ(VkAutoComplex(session, status, 0.0f, vardekProgressCallback), VkOk);
    EXPECT_EQ(snapshot(), stroked);
}

// The number of progress calls of auto complex to let through before the
// answer 2: its first report (made as its range is set up) or a later one.
class AutoComplexCancel : public AutoComplexCall, public ::testing::WithParamInterface<int> {};

TEST_P(AutoComplexCancel, ACancelledAutoComplexKeepsTheStroke) {
    test_support::RacingClock clock; // every report calls the progress function
    ASSERT_EQ(VkAnalyseImage(session, vardekProgressCallback), VkOk);
    ASSERT_EQ(VkNewUndoGroup(session), VkOk);
    ASSERT_EQ(stroke(VkStatusDelete, 0, kMarksLast), VkOk);
    ASSERT_EQ(VkNewUndoGroup(session), VkOk);
    ASSERT_EQ(stroke(VkStatusKeep, kStrokeFirst, kStrokeLast), VkOk);
    const std::vector<unsigned char> stroked = snapshot();

    const std::size_t first = progress.calls().size() + static_cast<std::size_t>(GetParam());
    progress.answer = [first](int index, int) {
        return static_cast<std::size_t>(index) >= first ? 2 : 0;
    };
    EXPECT_EQ(VkAutoComplex(session, status, 1.0f, vardekProgressCallback), VkCancelled);
    progress.answer = nullptr;
    EXPECT_EQ(snapshot(), stroked);
    // The stroke's group stays: only the cancelled operation's work is undone.
    uint32_t groups = 0;
    ASSERT_EQ(VkNumAvailableUndo(session, &groups), VkOk);
    EXPECT_EQ(groups, 2u);
    ASSERT_EQ(VkUndo(session), VkOk);
    EXPECT_EQ(at(0, kStrokeFirst), VkStatusUnassigned);
    EXPECT_EQ(at(0, 0), VkStatusDelete);
}

INSTANTIATE_TEST_SUITE_P(AtReport, AutoComplexCancel, ::testing::Values(0, 1, 2));

} // namespace
