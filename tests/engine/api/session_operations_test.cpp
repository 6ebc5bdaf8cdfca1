// The status operations through the call interface: select and set status
// with their checks, progress, cancel and roll-back, undo and redo, the
// published changed box, and the frames of the operations whose bodies are
// plugged in.
#include "support/progress_recorder.h"

#include "api/engine.h"
#include "api/image.h"
#include "api/session.h"
#include "api/session_operations.h"
#include "api/vardek.h"
#include "classification/status_selection.h"
#include "core/arrays.h"
#include "core/fault_injection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <new>
#include <random>
#include <string>
#include <vector>

using classification::Box;
using test_support::ManualClock;
using test_support::ProgressRecorder;
using test_support::RacingClock;

namespace {

constexpr int32_t kWidth = 40, kHeight = 30;

struct Changed {
    int32_t x, y, width, height;
    bool operator==(const Changed& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};
std::ostream& operator<<(std::ostream& out, const Changed& c) {
    return out << "{" << c.x << ", " << c.y << ", " << c.width << ", " << c.height << "}";
}

class Operations : public ::testing::Test {
protected:
    void SetUp() override {
        pixels.assign(static_cast<std::size_t>(kWidth) * kHeight * 4, 255);
        engine = VkInit();
        ASSERT_NE(engine, nullptr);
        status = VkNewStatusImage(engine, kWidth, kHeight, kWidth * 4, VkKindRgba8, pixels.data());
        ASSERT_NE(status, nullptr);
        session = VkBeginSession(engine, kWidth, kHeight, kWidth * 4, VkKindRgba8, pixels.data());
        ASSERT_NE(session, nullptr);
        progress.answer = nullptr;
    }
    void TearDown() override {
        vardek::fault::disarm();
        if (!engine) return;
        // A failed engine refuses to finish; the test releases it all the same.
        engine->failed = false;
        EXPECT_EQ(VkFinish(engine), VkOk);
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
    int count(unsigned char value) const {
        int n = 0;
        for (unsigned char b : snapshot())
            n += b == value;
        return n;
    }
    uint32_t undoCount(VkSession* s) {
        uint32_t n = 99;
        EXPECT_EQ(VkNumAvailableUndo(s, &n), VkOk);
        return n;
    }
    uint32_t redoCount(VkSession* s) {
        uint32_t n = 99;
        EXPECT_EQ(VkNumAvailableRedo(s, &n), VkOk);
        return n;
    }
    static Changed changedOf(const VkSession* s) {
        return {s->changedX, s->changedY, s->changedWidth, s->changedHeight};
    }
    VkResult keep(const VkMaskRect& stroke, int32_t scope = VkScopeExact, float tolerance = 0.0f) {
        return VkSelect(session, status, &stroke, VkStatusKeep, 15, scope, tolerance,
                        vardekProgressCallback);
    }

    // Hand-made labels and the analysed flag, as an analysis would leave them.
    void pretendAnalysed(VkSession* s, int32_t partitionLevel, int32_t groupCount,
                         int32_t (*groupOf)(int row, int column)) {
        auto& c = *inSession(s)->classification;
        const Box box(0, 0, kHeight - 1, kWidth - 1);
        c.regionLabelStorage.reference(classification::arrayOver<int32_t>(box.grown(2), -1));
        c.regionLabels.reference(classification::windowOf(c.regionLabelStorage, box));
        c.regionLabels = 0;
        c.groupLabelStorage.reference(classification::arrayOver<int32_t>(box.grown(2), -1));
        c.groupLabels.reference(classification::windowOf(c.groupLabelStorage, box));
        for (int r = 0; r < kHeight; ++r)
            for (int col = 0; col < kWidth; ++col)
                c.groupLabels(r, col) = groupOf(r, col);
        c.partitionLevel = partitionLevel;
        c.groupCount = groupCount;
        s->analysed = 1;
    }
    // Groups of vertical stripes ten columns wide: 0, 1, 0, 1.
    static int32_t stripes(int, int column) { return (column / 10) % 2; }

    ManualClock clock;
    ProgressRecorder progress;
    std::vector<unsigned char> pixels;
    VkEngine* engine = nullptr;
    VkImage* status = nullptr;
    VkSession* session = nullptr;
};

// ---------------------------------------------------------------- select

TEST_F(Operations, ExactSelectWritesTheStrokeAndPublishesItsBox) {
    // A 3 x 2 stroke at (x 5, y 4) whose mask leaves out one pixel.
    unsigned char mask[2][3] = {{1, 1, 0}, {1, 1, 1}};
    at(5, 6) = 0x21; // protected
    ASSERT_EQ(VkNewUndoGroup(session), VkOk);
    EXPECT_EQ(keep({5, 4, 3, 2, 3, 0, &mask[0][0]}), VkOk);
    EXPECT_EQ(at(4, 5), VkStatusKeep);
    EXPECT_EQ(at(4, 6), VkStatusKeep);
    EXPECT_EQ(at(4, 7), VkStatusUnassigned);
    EXPECT_EQ(at(5, 5), VkStatusKeep);
    EXPECT_EQ(at(5, 6), 0x21);
    EXPECT_EQ(at(5, 7), VkStatusKeep);
    EXPECT_EQ(count(VkStatusKeep), 4);
    EXPECT_EQ(changedOf(session), (Changed{5, 4, 3, 2}));
    EXPECT_EQ(undoCount(session), 1u);
    // The range ends at 0.95; the closing report brings the reporter to 100.
    EXPECT_EQ(progress.percents().back(), 100);

    // A stroke that changes nothing publishes an empty box.
    EXPECT_EQ(keep({6, 5, 1, 1, 1, 0, nullptr}), VkOk); // the protected pixel
    EXPECT_EQ(changedOf(session), (Changed{0, 0, 0, 0}));
}

TEST_F(Operations, StrokeWithoutDataSelectsItsRectanglePartlyOutsideTheImage) {
    EXPECT_EQ(keep({kWidth - 2, -3, 5, 5, 0, 0, nullptr}), VkOk);
    EXPECT_EQ(count(VkStatusKeep), 4);
    EXPECT_EQ(at(0, kWidth - 1), VkStatusKeep);
    EXPECT_EQ(changedOf(session), (Changed{kWidth - 2, 0, 2, 2}));
}

TEST_F(Operations, SelectChecks) {
    const VkMaskRect stroke{0, 0, 4, 4, 4, 0, nullptr};
    unsigned char bytes[16] = {};
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* name;
        const VkMaskRect* stroke;
        int32_t scope;
        float tolerance;
        VkResult result;
    };
    const VkMaskRect narrow{0, 0, 4, 4, 3, 0, bytes}; // rows shorter than the width
    const VkMaskRect negative{0, 0, 4, 4, -4, 0, bytes};
    const Case cases[] = {
        {"no stroke", nullptr, VkScopeExact, 0, VkNotSupported},
        {"tolerance not a number", &stroke, VkScopeExact, nan, VkNotSupported},
        {"tolerance not a number, local", &stroke, VkScopeLocal, nan, VkNotSupported},
        {"unknown scope", &stroke, 7, 0, VkNotSupported},
        {"negative scope", &stroke, -1, 0, VkNotSupported},
        {"row bytes below the width", &narrow, VkScopeExact, 0, VkNotSupported},
        {"negative row bytes", &negative, VkScopeExact, 0, VkNotSupported},
        {"local without segmentation", &stroke, VkScopeLocal, 0, VkNoSegmentation},
        {"global without segmentation", &stroke, VkScopeGlobal, 0, VkNoSegmentation},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(VkSelect(session, status, k.stroke, VkStatusKeep, 15, k.scope, k.tolerance,
                           vardekProgressCallback),
                  k.result)
            << k.name;
        EXPECT_EQ(count(VkStatusUnassigned), kWidth * kHeight) << k.name;
    }
    EXPECT_TRUE(progress.percents().empty()); // refused before any reporter
    EXPECT_EQ(VkSelect(session, status, &stroke, VkStatusKeep, 15, VkScopeExact, 0, nullptr), VkOk);
    EXPECT_EQ(count(VkStatusKeep), 16);
}

TEST_F(Operations, AStatusImageOfAnotherSizeIsRefused) {
    std::vector<unsigned char> small(static_cast<std::size_t>(10) * 10 * 4, 255);
    VkImage* other = VkNewStatusImage(engine, 10, 10, 40, VkKindRgba8, small.data());
    ASSERT_NE(other, nullptr);
    const VkMaskRect stroke{0, 0, 4, 4, 4, 0, nullptr};
    EXPECT_EQ(VkSelect(session, other, &stroke, VkStatusKeep, 15, VkScopeExact, 0, nullptr),
              VkNotSupported);
    EXPECT_FALSE(engine->failed);
    // Set status writes where the two meet.
    unsigned char keepBytes[4] = {2, 2, 2, 2};
    const VkMaskRect bytes{8, 8, 2, 2, 2, 0, keepBytes};
    EXPECT_EQ(VkSetStatus(session, other, &bytes), VkOk);
    EXPECT_EQ(other->data[8 * other->rowBytes + 8], VkStatusKeep);
}

TEST_F(Operations, LocalAndGlobalSelectOnHandMadeGroups) {
    pretendAnalysed(session, 0, 2, stripes);
    const VkMaskRect dot{12, 3, 1, 1, 1, 0, nullptr};
    // Tolerance 1.5: level 1, partition 0, which the groups already are.
    EXPECT_EQ(keep(dot, VkScopeLocal, 1.5f), VkOk);
    EXPECT_EQ(count(VkStatusKeep), 10 * kHeight); // the stripe of columns 10 to 19
    EXPECT_EQ(at(0, 10), VkStatusKeep);
    EXPECT_EQ(at(0, 20), VkStatusUnassigned);
    EXPECT_EQ(changedOf(session), (Changed{10, 0, 10, kHeight}));

    // Only stroke pixels that may change touch their group: the keep dot
    // touches nothing.
    EXPECT_EQ(VkSelect(session, status, &dot, VkStatusDelete, 1, VkScopeGlobal, 1.0f, nullptr),
              VkOk);
    EXPECT_EQ(count(VkStatusDelete), 0);
    // A dot in the other stripe of group 1 (columns 30 to 39) takes all of
    // it, and none of the keep stripe, which is not in the from-set.
    const VkMaskRect farDot{35, 3, 1, 1, 1, 0, nullptr};
    EXPECT_EQ(VkSelect(session, status, &farDot, VkStatusDelete, 1, VkScopeGlobal, 1.0f, nullptr),
              VkOk);
    EXPECT_EQ(count(VkStatusDelete), 10 * kHeight);
    EXPECT_EQ(at(5, 35), VkStatusDelete);
    EXPECT_EQ(changedOf(session), (Changed{30, 0, 10, kHeight}));
}

TEST_F(Operations, TolerancesAreClampedToTheLevelsThatExist) {
    pretendAnalysed(session, 6, 2, stripes);
    const VkMaskRect dot{0, 0, 1, 1, 1, 0, nullptr};
    // Any tolerance of 7 or more is level 7, whose partition (6) is there.
    for (float tolerance : {7.0f, 8.0f, 1e9f, std::numeric_limits<float>::infinity()})
        EXPECT_EQ(keep(dot, VkScopeGlobal, tolerance), VkOk) << tolerance;
    EXPECT_EQ(inSession(session)->classification->partitionLevel, 6);
    EXPECT_EQ(count(VkStatusKeep), 20 * kHeight);

    EXPECT_EQ(vardek::operations::selectLevel(-1e9f), 0);
    EXPECT_EQ(vardek::operations::selectLevel(-0.5f), 0);
    EXPECT_EQ(vardek::operations::selectLevel(2.99f), 2);
    EXPECT_EQ(vardek::operations::selectLevel(-std::numeric_limits<float>::infinity()), 0);
}

// The classification the select will use decides, not "the session or its parent".
TEST_F(Operations, SegmentationCheckLooksAtTheClassificationInUse) {
    pretendAnalysed(session, 0, 2, stripes);
    const VkMaskRect patch{8, 2, 6, 4, 6, 0, nullptr};
    VkSession* own = VkBeginSubSession(session, &patch, 1);       // its own analysis, none yet
    VkSession* borrowing = VkBeginSubSession(session, &patch, 0); // the parent's
    ASSERT_NE(own, nullptr);
    ASSERT_NE(borrowing, nullptr);
    const VkMaskRect dot{12, 3, 1, 1, 1, 0, nullptr};

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(VkSelect(own, status, &dot, VkStatusKeep, 15, VkScopeLocal, 1, nullptr),
              VkNoSegmentation);
    EXPECT_EQ(VkAutoComplex(own, status, 1.0f, nullptr), VkNoSegmentation);
    EXPECT_EQ(VkDespeckleSelection(own, status, 3), VkNoSegmentation);
    EXPECT_EQ(count(VkStatusKeep), 0);

    // The borrowing one floods the parent's stripe within its patch.
    EXPECT_EQ(VkSelect(borrowing, status, &dot, VkStatusKeep, 15, VkScopeLocal, 1, nullptr), VkOk);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(count(VkStatusKeep), 4 * 4); // columns 10 to 13, rows 2 to 5
    EXPECT_EQ(changedOf(borrowing), (Changed{10, 2, 4, 4}));
    EXPECT_EQ(undoCount(borrowing), 1u);
    EXPECT_EQ(undoCount(session), 0u);
}

TEST_F(Operations, BitEditsAreWrittenWithoutAnUndoStep) {
    const VkMaskRect area{0, 0, 3, 1, 0, 0, nullptr};
    ASSERT_EQ(VkNewUndoGroup(session), VkOk);
    // The application's protect command: new status 32 over from-set 1.
    EXPECT_EQ(VkSelect(session, status, &area, 32, 1, VkScopeExact, 0, nullptr), VkOk);
    EXPECT_EQ(count(0x21), 3);
    EXPECT_EQ(changedOf(session), (Changed{0, 0, 3, 1}));
    EXPECT_EQ(VkUndo(session), VkOk); // the command's group holds nothing
    EXPECT_EQ(count(0x21), 3);
}

// ---------------------------------------------------------------- cancel and failures

TEST_F(Operations, CancelledSelectRestoresItsBytesAndLeavesThePreviousCommand) {
    RacingClock racing; // every report calls the progress function
    const VkMaskRect first{0, 0, 4, 4, 0, 0, nullptr};
    ASSERT_EQ(VkNewUndoGroup(session), VkOk);
    ASSERT_EQ(keep(first), VkOk);
    ASSERT_EQ(VkUndo(session), VkOk);
    ASSERT_EQ(VkRedo(session), VkOk);
    const std::vector<unsigned char> before = snapshot();

    // The second command opens no group of its own: its step joins the first
    // command's group. The answer 2 comes at the last report, after the write.
    progress.answer = [](int, int percent) { return percent == 95 ? 2 : 0; };
    const VkMaskRect second{2, 2, 6, 6, 0, 0, nullptr};
    EXPECT_EQ(VkSelect(session, status, &second, VkStatusDelete, 15, VkScopeExact, 0,
                       vardekProgressCallback),
              VkCancelled);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(redoCount(session), 0u);
    EXPECT_EQ(undoCount(session), 1u);
    // The changed box covers what the select wrote and the roll-back restored.
    EXPECT_EQ(changedOf(session), (Changed{2, 2, 6, 6}));
    EXPECT_EQ(progress.percents().back(), 95); // cancelled: no closing report

    // The first command is still there to undo.
    progress.answer = nullptr;
    EXPECT_EQ(VkUndo(session), VkOk);
    EXPECT_EQ(count(VkStatusUnassigned), kWidth * kHeight);
}

// A command that opened its own group and was cancelled or ran out of memory
// leaves nothing behind: the status bytes and both counts are as before its
// group was opened, and the next Undo undoes the previous command.
TEST_F(Operations, AFailedCommandLeavesNoGroupBehind) {
    RacingClock racing;
    unsigned char bytes[9] = {4, 4, 4, 4, 4, 4, 4, 4, 4};
    struct Case {
        const char* name;
        std::function<VkResult()> command;
        VkResult result;
    };
    const std::vector<Case> cases = {
        {"cancelled select",
         [&] {
             progress.answer = [](int, int percent) { return percent == 95 ? 2 : 0; };
             return keep({10, 10, 3, 3, 0, 0, nullptr});
         },
         VkCancelled},
        {"select out of memory",
         [&] {
             vardek::fault::arm("select.filled", vardek::fault::Kind::OutOfMemory);
             return keep({10, 10, 3, 3, 0, 0, nullptr});
         },
         VkOutOfMemory},
        {"cancelled set status",
         [&] {
             progress.answer = [](int, int percent) { return percent == 100 ? 2 : 0; };
             const VkMaskRect rect{10, 10, 3, 3, 3, 0, bytes};
             return VkSetStatus(session, status, &rect);
         },
         VkCancelled},
        {"cancelled auto fill",
         [&] {
             progress.answer = [](int, int) { return 2; };
             return VkAutoFill(session, status, nullptr, 0, 0.0f);
         },
         VkCancelled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        progress.answer = nullptr;
        while (undoCount(session) > 0)
            ASSERT_EQ(VkUndo(session), VkOk);
        ASSERT_EQ(VkNewUndoGroup(session), VkOk);
        ASSERT_EQ(keep({0, 0, 4, 4, 0, 0, nullptr}), VkOk);
        ASSERT_EQ(VkNewUndoGroup(session), VkOk);
        ASSERT_EQ(keep({20, 20, 2, 2, 0, 0, nullptr}), VkOk);
        const std::vector<unsigned char> before = snapshot();
        const uint32_t undoBefore = undoCount(session), redoBefore = redoCount(session);

        ASSERT_EQ(VkNewUndoGroup(session), VkOk);
        EXPECT_EQ(c.command(), c.result);
        vardek::fault::disarm();
        progress.answer = nullptr;
        EXPECT_EQ(snapshot(), before);
        EXPECT_EQ(undoCount(session), undoBefore);
        EXPECT_EQ(redoCount(session), redoBefore);

        // The next Undo takes back the previous command, the one before it next.
        EXPECT_EQ(VkUndo(session), VkOk);
        EXPECT_EQ(count(VkStatusKeep), 16);
        EXPECT_EQ(VkUndo(session), VkOk);
        EXPECT_EQ(count(VkStatusKeep), 0);
    }
}

// Only the first operation of a command owns the command's group: when a
// later one fails, what the earlier ones did stays, and so does the group.
TEST_F(Operations, ALaterOperationOfACommandLeavesTheEarlierOnesWork) {
    RacingClock racing;
    ASSERT_EQ(VkNewUndoGroup(session), VkOk);
    ASSERT_EQ(keep({0, 0, 4, 4, 0, 0, nullptr}), VkOk);
    progress.answer = [](int, int percent) { return percent == 95 ? 2 : 0; };
    EXPECT_EQ(keep({10, 10, 3, 3, 0, 0, nullptr}), VkCancelled);
    EXPECT_EQ(count(VkStatusKeep), 16);
    EXPECT_EQ(undoCount(session), 1u);
    progress.answer = nullptr;
    EXPECT_EQ(VkUndo(session), VkOk);
    EXPECT_EQ(count(VkStatusKeep), 0);
}

TEST_F(Operations, OutOfMemoryInSelectRollsBackAndTheEngineGoesOn) {
    const VkMaskRect first{0, 0, 4, 4, 0, 0, nullptr};
    ASSERT_EQ(VkNewUndoGroup(session), VkOk);
    ASSERT_EQ(keep(first), VkOk);
    const std::vector<unsigned char> before = snapshot();

    vardek::fault::arm("select.filled", vardek::fault::Kind::OutOfMemory);
    EXPECT_EQ(keep({2, 2, 6, 6, 0, 0, nullptr}), VkOutOfMemory);
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(engine->failed);
    EXPECT_EQ(undoCount(session), 1u);
    EXPECT_EQ(keep({2, 2, 6, 6, 0, 0, nullptr}), VkOk);
    EXPECT_EQ(count(VkStatusKeep), 16 + 36 - 4);
}

TEST_F(Operations, AnUnexpectedFailureMarksTheEngineFailed) {
    vardek::fault::arm("select.filled", vardek::fault::Kind::Unexpected);
    EXPECT_EQ(keep({2, 2, 6, 6, 0, 0, nullptr}), VkFailed);
    EXPECT_TRUE(engine->failed);
    EXPECT_EQ(keep({2, 2, 6, 6, 0, 0, nullptr}), VkEngineFailed);
    EXPECT_EQ(VkUndo(session), VkEngineFailed);
    EXPECT_EQ(VkFinish(engine), VkEngineFailed);
}

// ---------------------------------------------------------------- set status, undo, redo

TEST_F(Operations, SetStatusThenUndoAndRedoRestoreEveryByte) {
    std::mt19937 random(11);
    const unsigned char values[] = {0, 1, 2, 4, 8, 0x12, 0x21};
    for (int r = 0; r < kHeight; ++r)
        for (int c = 0; c < kWidth; ++c)
            at(r, c) = values[random() % 7];
    const std::vector<unsigned char> original = snapshot();

    // 12 x 9 bytes at (x 30, y 25), rows 16 bytes apart, partly outside the image.
    std::vector<unsigned char> bytes(16 * 9);
    for (unsigned char& b : bytes)
        b = values[random() % 7];
    const VkMaskRect rect{30, 25, 12, 9, 16, 0, bytes.data()};
    ASSERT_EQ(VkNewUndoGroup(session), VkOk);
    ASSERT_EQ(VkSetStatus(session, status, &rect), VkOk);
    EXPECT_EQ(changedOf(session), (Changed{30, 25, 10, 5}));

    std::vector<unsigned char> expected = original;
    for (int r = 25; r < kHeight; ++r)
        for (int c = 30; c < kWidth; ++c) {
            const unsigned char s = bytes[(r - 25) * 16 + (c - 30)];
            unsigned char& d = expected[r * kWidth + c];
            if (s && d) d = s; // a 0 on either side changes nothing
        }
    const std::vector<unsigned char> written = snapshot();
    EXPECT_EQ(written, expected);

    EXPECT_EQ(VkUndo(session), VkOk);
    EXPECT_EQ(snapshot(), original);
    EXPECT_EQ(changedOf(session), (Changed{30, 25, 10, 5}));
    EXPECT_EQ(VkRedo(session), VkOk);
    EXPECT_EQ(snapshot(), written);
    EXPECT_EQ(changedOf(session), (Changed{30, 25, 10, 5}));
}

TEST_F(Operations, SetStatusChecksAndCancel) {
    unsigned char bytes[4] = {2, 2, 2, 2};
    EXPECT_EQ(VkSetStatus(session, status, nullptr), VkNotSupported);
    const VkMaskRect narrow{0, 0, 2, 2, 1, 0, bytes};
    EXPECT_EQ(VkSetStatus(session, status, &narrow), VkNotSupported);
    const VkMaskRect outside{kWidth, 0, 2, 2, 2, 0, bytes};
    EXPECT_EQ(VkSetStatus(session, status, &outside), VkNotSupported);
    EXPECT_EQ(undoCount(session), 0u); // nothing met: nothing recorded

    // The final report of set status comes after the write: a cancel there
    // restores the bytes.
    progress.answer = [](int, int percent) { return percent == 100 ? 2 : 0; };
    const VkMaskRect rect{1, 1, 2, 2, 2, 0, bytes};
    EXPECT_EQ(VkSetStatus(session, status, &rect), VkCancelled);
    EXPECT_EQ(count(VkStatusUnassigned), kWidth * kHeight);
    EXPECT_EQ(redoCount(session), 0u);
}

// ---------------------------------------------------------------- the other operations

TEST_F(Operations, AnalysedTwoColourImageSelectsOneSideLocally) {
    // Left half dark, right half light, with a hard edge between.
    for (int r = 0; r < kHeight; ++r)
        for (int c = 0; c < kWidth; ++c) {
            unsigned char* p = &pixels[(static_cast<std::size_t>(r) * kWidth + c) * 4];
            p[0] = p[1] = p[2] = c < kWidth / 2 ? 30 : 220;
        }
    const VkMaskRect patch{8, 2, 6, 4, 6, 0, nullptr};
    VkSession* borrowing = VkBeginSubSession(session, &patch, 0);
    EXPECT_EQ(VkAnalyseImage(borrowing, vardekProgressCallback), VkNoSegmentation);
    EXPECT_EQ(VkAnalyseImage(session, vardekProgressCallback), VkOk);
    EXPECT_EQ(session->analysed, 1u);
    EXPECT_EQ(progress.percents().back(), 100);

    ASSERT_EQ(VkNewUndoGroup(session), VkOk);
    EXPECT_EQ(keep({3, 3, 2, 2, 0, 0, nullptr}, VkScopeLocal, 1.0f), VkOk);
    EXPECT_EQ(at(kHeight - 1, 0), VkStatusKeep);
    EXPECT_EQ(at(0, kWidth - 1), VkStatusUnassigned);
    EXPECT_GT(count(VkStatusKeep), kHeight * kWidth / 4);
    EXPECT_LE(count(VkStatusKeep), kHeight * kWidth / 2 + kHeight);
    EXPECT_EQ(VkUndo(session), VkOk);
    EXPECT_EQ(count(VkStatusUnassigned), kWidth * kHeight);
}

TEST_F(Operations, AutoComplexAfterAKeepStroke) {
    EXPECT_EQ(VkAutoComplex(session, status, 1.0f, vardekProgressCallback), VkNoSegmentation);
    pretendAnalysed(session, 0, 2, stripes);
    // With nothing selected before, auto complex has nothing to work from.
    EXPECT_EQ(VkAutoComplex(session, status, 0.0f, vardekProgressCallback), VkOk);
    EXPECT_EQ(count(VkStatusUnassigned), kWidth * kHeight);
    EXPECT_EQ(changedOf(session), (Changed{0, 0, 0, 0}));
}

TEST_F(Operations, DespeckleFillsTheHoleOfTheLastStrokeAndUndoes) {
    pretendAnalysed(session, 0, 2, stripes);
    unsigned char ring[5][5];
    for (auto& row : ring)
        for (unsigned char& b : row)
            b = 1;
    ring[2][2] = 0;
    ASSERT_EQ(VkNewUndoGroup(session), VkOk);
    ASSERT_EQ(keep({10, 10, 5, 5, 5, 0, &ring[0][0]}), VkOk);
    EXPECT_EQ(at(12, 12), VkStatusUnassigned);
    ASSERT_EQ(VkNewUndoGroup(session), VkOk);
    EXPECT_EQ(VkDespeckleSelection(session, status, 3), VkOk);
    EXPECT_EQ(at(12, 12), VkStatusKeep);
    EXPECT_EQ(count(VkStatusKeep), 25);
    EXPECT_EQ(VkUndo(session), VkOk);
    EXPECT_EQ(at(12, 12), VkStatusUnassigned);
    EXPECT_EQ(count(VkStatusKeep), 24);
}

TEST_F(Operations, AutoFillChecks) {
    const VkRect rect{0, 0, 10, 10};
    EXPECT_EQ(VkAutoFill(session, status, nullptr, 8, 1.0f), VkNotSupported);
    EXPECT_EQ(VkAutoFill(session, status, nullptr, 0, 1.0f), VkNotSupported); // no marks
    EXPECT_EQ(count(VkStatusUnassigned), kWidth * kHeight);
    const VkMaskRect patch{8, 2, 6, 4, 6, 0, nullptr};
    VkSession* sub = VkBeginSubSession(session, &patch, 0);
    EXPECT_EQ(VkAutoFill(sub, status, &rect, 2, 1.0f), VkNotSupported);
    EXPECT_EQ(count(VkStatusUnassigned), kWidth * kHeight);
}

TEST_F(Operations, AutoFillFillsFromTheFirstMarkAndUndoes) {
    // A delete mark: class 0 takes its class, and the unassigned rest becomes keep.
    at(3, 3) = VkStatusDelete;
    ASSERT_EQ(VkNewUndoGroup(session), VkOk);
    EXPECT_EQ(VkAutoFill(session, status, nullptr, 0, 1.0f), VkOk);
    EXPECT_EQ(count(VkStatusKeep), kWidth * kHeight - 1);
    EXPECT_EQ(changedOf(session).width, kWidth);
    EXPECT_EQ(VkUndo(session), VkOk);
    EXPECT_EQ(count(VkStatusUnassigned), kWidth * kHeight - 1);
}

// The frame with stand-in bodies: what the frame itself guarantees.
TEST_F(Operations, FrameRollsBackWhatItsBodyWroteAndPublishes) {
    VkInSession& s = *inSession(session);
    vardek::operations::StatusFrame frame{"Auto complex", nullptr};
    frame.needsSegmentation = true;
    int ran = 0;
    const auto cancelAfterWriting = [&](vardek::operations::StatusWork& work) -> VkResult {
        ++ran;
        auto& c = work.classification;
        const classification::Selection all{classification::boxOf(work.status), {}};
        classification::selectStatus(c, all, work.status,
                                     {8, 15, 15, 63, classification::SelectScope::Exact}, 0,
                                     &c.undoQueue, nullptr, 0, 1);
        work.range.report(0.5f);
        throw VkExCancel();
    };
    EXPECT_EQ(
        vardek::operations::runStatusOperation(s, *inImage(status), frame, cancelAfterWriting),
        VkNoSegmentation);
    EXPECT_EQ(ran, 0);

    pretendAnalysed(session, 0, 2, stripes);
    ASSERT_EQ(VkNewUndoGroup(session), VkOk);
    EXPECT_EQ(
        vardek::operations::runStatusOperation(s, *inImage(status), frame, cancelAfterWriting),
        VkCancelled);
    EXPECT_EQ(count(VkStatusUnassigned), kWidth * kHeight);
    EXPECT_EQ(changedOf(session), (Changed{0, 0, kWidth, kHeight}));
    EXPECT_TRUE(s.classification->dirtyBox.isEmpty());

    const auto outOfMemory = [](vardek::operations::StatusWork&) -> VkResult {
        throw std::bad_alloc();
    };
    EXPECT_EQ(vardek::operations::runStatusOperation(s, *inImage(status), frame, outOfMemory),
              VkOutOfMemory);
    EXPECT_FALSE(engine->failed);
    const auto unexpected = [](vardek::operations::StatusWork&) -> VkResult {
        throw VkExFailure("Unhandled exception in worker thread.");
    };
    EXPECT_ANY_THROW(
        vardek::operations::runStatusOperation(s, *inImage(status), frame, unexpected));
}

TEST_F(Operations, AnalyseFramePublishesEdgesAndSharesWithSubSessions) {
    VkInSession& s = *inSession(session);
    const VkMaskRect patch{8, 2, 6, 4, 6, 0, nullptr};
    VkSession* borrowing = VkBeginSubSession(session, &patch, 0);
    int runs = 0;
    bool lastWasFull = false;
    // Stands in for the classification's analysis: two regions, left and right.
    const auto body = [&](vardek::operations::Classification& c, bool full,
                          const classification::ByteArray* mask, ProgressRange& range) {
        ++runs;
        lastWasFull = full;
        EXPECT_EQ(mask, nullptr);
        const Box box(0, 0, kHeight - 1, kWidth - 1);
        c.regionLabelStorage.reference(classification::arrayOver<int32_t>(box.grown(2), -1));
        c.regionLabels.reference(classification::windowOf(c.regionLabelStorage, box));
        for (int r = 0; r < kHeight; ++r)
            for (int col = 0; col < kWidth; ++col)
                c.regionLabels(r, col) = col < 20 ? 0 : 1;
        c.regionCount = 2;
        c.groupLabelStorage.reference(classification::arrayOver<int32_t>(box.grown(2), -1));
        c.groupLabels.reference(classification::windowOf(c.groupLabelStorage, box));
        c.groupLabels = 0;
        c.groupCount = 1;
        range.report(1.0f);
    };
    EXPECT_EQ(vardek::operations::analyse(s, vardekProgressCallback, body), VkOk);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(lastWasFull);
    EXPECT_EQ(session->analysed, 1u);
    EXPECT_GE(session->polylineCount, 1u); // the boundary between the two regions
    EXPECT_EQ(progress.percents().back(), 100);
    // The borrowing sub-session now sees the new labels.
    EXPECT_EQ(inSession(borrowing)->classification->regionLabels(3, 9), 0);

    // Nothing changed: no second analysis, only the edges again.
    EXPECT_EQ(vardek::operations::analyse(s, nullptr, body), VkOk);
    EXPECT_EQ(runs, 1);
    EXPECT_GE(session->polylineCount, 1u);
    // "imageTol" changed: a partial redo.
    ASSERT_EQ(VkSetVariable(session, "imageTol", 0.8f), VkOk);
    EXPECT_EQ(vardek::operations::analyse(s, nullptr, body), VkOk);
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(lastWasFull);
}

TEST_F(Operations, CancelledAnalyseRollsTheVariablesBack) {
    VkInSession& s = *inSession(session);
    const auto cancel = [](vardek::operations::Classification&, bool,
                           const classification::ByteArray*,
                           ProgressRange&) { throw VkExCancel(); };
    VkVariable before{};
    ASSERT_EQ(VkGetVariable(session, "imageTol", &before), VkOk);
    ASSERT_EQ(VkSetVariable(session, "imageTol", 0.9f), VkOk);
    EXPECT_EQ(vardek::operations::analyse(s, nullptr, cancel), VkCancelled);
    EXPECT_EQ(session->analysed, 0u); // cancelled in the preparation
    EXPECT_EQ(session->polylineCount, 0u);
    VkVariable after{};
    ASSERT_EQ(VkGetVariable(session, "imageTol", &after), VkOk);
    EXPECT_FLOAT_EQ(after.value, before.value);
    EXPECT_EQ(std::string(after.text).find('*'), std::string::npos);
    EXPECT_FALSE(engine->failed);
}

} // namespace
