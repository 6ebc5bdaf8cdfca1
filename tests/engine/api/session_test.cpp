// Sessions and sub-sessions through the call interface: their records, status
// views, pull and push, variables, undo counts and the way they end.
#include "support/progress_recorder.h"

#include "api/engine.h"
#include "api/image.h"
#include "api/session.h"
#include "api/vardek.h"
#include "core/arrays.h"
#include "core/fault_injection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using test_support::ManualClock;
using test_support::ProgressRecorder;

namespace {

constexpr int32_t kWidth = 150, kHeight = 100;

class Sessions : public ::testing::Test {
protected:
    void SetUp() override {
        pixels.assign(static_cast<std::size_t>(kWidth) * kHeight * 4, 255);
        engine = VkInit();
        ASSERT_NE(engine, nullptr);
        status = VkNewStatusImage(engine, kWidth, kHeight, kWidth * 4, VkKindRgba8, pixels.data());
        ASSERT_NE(status, nullptr);
        session = VkBeginSession(engine, kWidth, kHeight, kWidth * 4, VkKindRgba8, pixels.data());
        ASSERT_NE(session, nullptr);
    }
    void TearDown() override {
        vardek::fault::disarm();
        if (engine && !engine->failed) {
            EXPECT_EQ(VkFinish(engine), VkOk);
        }
    }

    unsigned char& statusAt(int row, int column) {
        return status->data[static_cast<std::ptrdiff_t>(row) * status->rowBytes + column];
    }
    // The bytes of the sub-session's own status view (its private copy when masked).
    classification::ByteArray viewOf(VkSession* s) {
        return inSession(s)->statusView(*inImage(status));
    }
    uint32_t undoCount(VkSession* s) {
        uint32_t n = 99;
        EXPECT_EQ(VkNumAvailableUndo(s, &n), VkOk);
        return n;
    }

    ManualClock clock;
    ProgressRecorder progress;
    std::vector<unsigned char> pixels;
    VkEngine* engine = nullptr;
    VkImage* status = nullptr;
    VkSession* session = nullptr;
};

TEST_F(Sessions, SessionRecord) {
    EXPECT_EQ(session->x, 0);
    EXPECT_EQ(session->y, 0);
    EXPECT_EQ(session->width, kWidth);
    EXPECT_EQ(session->height, kHeight);
    EXPECT_EQ(session->changedX, 0);
    EXPECT_EQ(session->changedY, 0);
    EXPECT_EQ(session->changedWidth, 0);
    EXPECT_EQ(session->changedHeight, 0);
    EXPECT_NEAR(session->tolerance, 0.49f, 1e-6); // 1 - normalised "imageTol"
    EXPECT_EQ(session->edgeWidth, 2u);            // up to 724 pixels on the longer side
    EXPECT_EQ(session->contrast, 1);
    EXPECT_EQ(session->texture, 1);
    ASSERT_NE(session->variables, nullptr);
    EXPECT_EQ(session->variableCount, 22u);
    EXPECT_STREQ(session->variables[0].name, "imageTol");
    EXPECT_STREQ(session->variables[2].text, "1=medium");
    EXPECT_EQ(session->analysed, 0u);
    EXPECT_EQ(session->polylines, nullptr);
    EXPECT_EQ(session->polylineCount, 0u);
    // The variables went into the classification.
    const auto& c = *inSession(session)->classification;
    EXPECT_EQ(c.params.inFocusEdgeWidth, 2);
    EXPECT_EQ(c.params.fourthInteger, 4);
    EXPECT_EQ(c.pointVariant, 5);
    EXPECT_FLOAT_EQ(c.simplifyTolerance, 0.6f);
    EXPECT_EQ(c.source.data(), reinterpret_cast<const void*>(pixels.data()));
}

TEST_F(Sessions, LargeImagesStartWithWiderEdges) {
    std::vector<unsigned char> wide(2000 * 4, 255);
    VkSession* s = VkBeginSession(engine, 2000, 1, 2000 * 4, VkKindRgba8, wide.data());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->edgeWidth, 5u); // 2000 / 2^8.5
    EXPECT_EQ(VkEndSession(s), VkOk);
}

TEST_F(Sessions, SubSessionRecords) {
    VkMaskRect plain{10, 20, 30, 40, 30, VkKindStatus, nullptr};
    VkSession* unmasked = VkBeginSubSession(session, &plain, 0);
    ASSERT_NE(unmasked, nullptr);
    EXPECT_EQ(unmasked->x, 10);
    EXPECT_EQ(unmasked->y, 20);
    EXPECT_EQ(unmasked->width, 30);
    EXPECT_EQ(unmasked->height, 40);
    EXPECT_EQ(unmasked->analysed, 0u);
    EXPECT_EQ(unmasked->polylines, nullptr);
    EXPECT_EQ(unmasked->polylineCount, 0u);

    // A mask that is a filled rectangle: its outline, in (x, y) corners.
    std::vector<unsigned char> mask(8 * 5, 0);
    for (int r = 1; r < 4; ++r)
        std::memset(&mask[r * 8 + 2], 1, 4);
    VkMaskRect masked{40, 50, 6, 5, 8, VkKindStatus, mask.data()};
    VkSession* patch = VkBeginSubSession(session, &masked, 1);
    ASSERT_NE(patch, nullptr);
    ASSERT_EQ(patch->polylineCount, 1u);
    const VkPolyline& outline = patch->polylines[0];
    ASSERT_EQ(outline.pointCount, 5u);
    const std::vector<float> expected = {42, 51, 46, 51, 46, 54, 42, 54, 42, 51};
    EXPECT_EQ(std::vector<float>(outline.points, outline.points + 10), expected);
    std::memset(mask.data(), 0, mask.size()); // the sub-session keeps its own copy
    EXPECT_EQ(inSession(patch)->selection->mask(52, 43), 1);

    // Begun for analysis: its own variables for its own size.
    EXPECT_EQ(patch->variableCount, 22u);
    EXPECT_NEAR(patch->tolerance, 0.49f, 1e-6);
    EXPECT_EQ(patch->edgeWidth, 2u);

    EXPECT_EQ(inSession(session)->subSessions,
              std::vector<VkInSession*>({inSession(unmasked), inSession(patch)}));
    EXPECT_EQ(VkEndSession(unmasked), VkOk);
    EXPECT_EQ(inSession(session)->subSessions, std::vector<VkInSession*>({inSession(patch)}));
}

TEST_F(Sessions, SubSessionRectanglesOutsideTheImageAreRefused) {
    unsigned char mask[4] = {1, 1, 1, 1};
    const std::vector<VkMaskRect> bad = {
        {0, 0, 0, 10, 0, 0, nullptr},                        // empty
        {0, 0, 10, -1, 10, 0, nullptr},                      // negative height
        {-1, 0, 10, 10, 10, 0, nullptr},                     // starts left of the image
        {141, 0, 10, 10, 10, 0, nullptr},                    // ends right of it
        {0, 91, 10, 10, 10, 0, nullptr},                     // ends below it
        {INT32_MAX, INT32_MAX, INT32_MAX, 2, 2, 0, nullptr}, // would overflow
        {0, 0, 2, 2, 1, 0, mask},                            // mask rows shorter than the rectangle
    };
    for (const VkMaskRect& rect : bad) {
        SCOPED_TRACE(::testing::Message()
                     << rect.x << "," << rect.y << " " << rect.width << "x" << rect.height);
        EXPECT_EQ(VkBeginSubSession(session, &rect, 0), nullptr);
    }
    EXPECT_EQ(VkBeginSubSession(session, nullptr, 0), nullptr);
    EXPECT_FALSE(engine->failed);
    EXPECT_TRUE(inSession(session)->subSessions.empty());

    VkMaskRect whole{0, 0, kWidth, kHeight, kWidth, 0, nullptr};
    VkSession* all = VkBeginSubSession(session, &whole, 0);
    ASSERT_NE(all, nullptr);
    // A sub-session of a sub-session stays inside its parent's area.
    VkMaskRect inner{5, 5, 10, 10, 10, 0, nullptr};
    VkSession* child = VkBeginSubSession(all, &inner, 0);
    ASSERT_NE(child, nullptr);
    VkMaskRect across{10, 10, 10, 10, 10, 0, nullptr};
    EXPECT_EQ(VkBeginSubSession(child, &across, 0), nullptr);
}

TEST_F(Sessions, ProgressOfBeginAndEnd) {
    VkSession* s = VkBeginSession(engine, kWidth, kHeight, kWidth * 4, VkKindRgba8, pixels.data());
    EXPECT_TRUE(progress.calls().empty()); // "Begin Session" reports nothing in time to call
    VkMaskRect rect{0, 0, 4, 4, 4, 0, nullptr};
    VkSession* sub = VkBeginSubSession(s, &rect, 0);
    EXPECT_EQ(progress.percents(), std::vector<int>({100})); // "Begin sub-session" ends at 1.0
    EXPECT_EQ(VkEndSession(sub), VkOk);
    // The session's own reporter closes, then the "End Session" one.
    EXPECT_EQ(progress.percents(), std::vector<int>({100, 100, 100}));
    EXPECT_EQ(VkEndSession(s), VkOk);
    EXPECT_EQ(progress.percents().size(), 5u);
    for (const test_support::ProgressCall& call : progress.calls())
        EXPECT_EQ(call.userData, 0);
}

TEST_F(Sessions, CancelWhileBeginningASubSessionGivesNull) {
    progress.answer = [](int, int) { return 2; };
    VkMaskRect rect{0, 0, 4, 4, 4, 0, nullptr};
    EXPECT_EQ(VkBeginSubSession(session, &rect, 1), nullptr);
    EXPECT_FALSE(engine->failed);
    EXPECT_TRUE(inSession(session)->subSessions.empty());
}

struct ConstructionFault {
    const char* site;
    vardek::fault::Kind kind;
    bool marksFailed;
};

TEST_F(Sessions, FailuresWhileBuildingUnwindAndGiveNull) {
    const std::vector<ConstructionFault> faults = {
        {"subsession.construct", vardek::fault::Kind::Cancel, false},
        {"subsession.built", vardek::fault::Kind::Cancel, false},
        {"subsession.built", vardek::fault::Kind::OutOfMemory, true},
        {"subsession.built", vardek::fault::Kind::Unexpected, true},
    };
    unsigned char mask[16];
    std::memset(mask, 1, sizeof mask);
    for (const ConstructionFault& f : faults) {
        SCOPED_TRACE(f.site);
        VkEngine* other = VkInit();
        VkSession* parent =
            VkBeginSession(other, kWidth, kHeight, kWidth * 4, VkKindRgba8, pixels.data());
        ASSERT_NE(parent, nullptr);
        vardek::fault::arm(f.site, f.kind);
        VkMaskRect rect{1, 1, 4, 4, 4, 0, mask};
        EXPECT_EQ(VkBeginSubSession(parent, &rect, 1), nullptr);
        vardek::fault::disarm();
        EXPECT_EQ(other->failed, f.marksFailed);
        EXPECT_TRUE(inSession(parent)->subSessions.empty());
        EXPECT_EQ(other->sessions.size(), 1u);
        if (other->failed) {
            delete other; // a failed engine refuses VkFinish
        } else {
            EXPECT_EQ(VkFinish(other), VkOk);
        }
    }

    vardek::fault::arm("session.built", vardek::fault::Kind::OutOfMemory);
    EXPECT_EQ(VkBeginSession(engine, kWidth, kHeight, kWidth * 4, VkKindRgba8, pixels.data()),
              nullptr);
    EXPECT_TRUE(engine->failed);
    EXPECT_EQ(engine->sessions.size(), 1u);
    delete engine;
    engine = nullptr;
}

TEST_F(Sessions, StatusViewsWriteTheirLinesToStandardError) {
    VkMaskRect rect{10, 20, 30, 40, 30, 0, nullptr};
    VkSession* sub = VkBeginSubSession(session, &rect, 0);
    ASSERT_NE(sub, nullptr);
    const std::string lines = "status array's dimensions: [[0,0], [39,29]]\n"
                              "Reindexing from [0,0] to [20,10]\n";
    for (auto call : {VkSubSessionPull, VkSubSessionPush}) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(call(sub, status), VkOk);
        // Once, for the sub-session's view; the parent's view of a whole image writes nothing.
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), lines);
    }
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(VkSubSessionPull(session, status), VkBadSession); // not a sub-session
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(Sessions, UnmaskedSubSessionWritesThroughToTheImage) {
    VkMaskRect rect{10, 20, 30, 40, 30, 0, nullptr};
    VkSession* sub = VkBeginSubSession(session, &rect, 0);
    ::testing::internal::CaptureStderr();
    classification::ByteArray view = viewOf(sub);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(classification::boxOf(view), classification::Box(20, 10, 59, 39));
    view(25, 12) = VkStatusKeep;
    EXPECT_EQ(statusAt(25, 12), VkStatusKeep); // the same bytes
}

TEST_F(Sessions, MaskedSubSessionChangesTheParentOnlyOnPush) {
    // A 4 x 3 patch at (x 30, y 10); the mask leaves out its first column.
    unsigned char mask[3][4] = {{0, 1, 1, 1}, {0, 1, 1, 1}, {0, 1, 1, 1}};
    VkMaskRect rect{30, 10, 4, 3, 4, 0, &mask[0][0]};
    VkSession* sub = VkBeginSubSession(session, &rect, 0);
    ASSERT_NE(sub, nullptr);
    statusAt(11, 30) = VkStatusDelete; // outside the mask
    statusAt(11, 31) = VkStatusDelete;

    ::testing::internal::CaptureStderr();
    classification::ByteArray copy = viewOf(sub);
    EXPECT_EQ(copy(11, 30), 0); // no class outside the mask
    EXPECT_EQ(copy(11, 31), VkStatusDelete);
    copy(11, 31) = VkStatusKeep;
    copy(12, 33) = VkStatusBlend;
    EXPECT_EQ(statusAt(11, 31), VkStatusDelete); // the parent is untouched
    EXPECT_EQ(statusAt(12, 33), VkStatusUnassigned);

    ASSERT_EQ(VkNewUndoGroup(session), VkOk);
    EXPECT_EQ(VkSubSessionPush(sub, status), VkOk);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(statusAt(11, 31), VkStatusKeep);
    EXPECT_EQ(statusAt(12, 33), VkStatusBlend);
    EXPECT_EQ(statusAt(11, 30), VkStatusDelete); // outside the mask: never written back
    EXPECT_EQ(statusAt(10, 34), VkStatusUnassigned);
    // The parent publishes the box it changed and records one undo group.
    EXPECT_EQ(session->changedX, 30);
    EXPECT_EQ(session->changedY, 10);
    EXPECT_EQ(session->changedWidth, 4);
    EXPECT_EQ(session->changedHeight, 3);
    EXPECT_EQ(undoCount(session), 1u);
    EXPECT_EQ(undoCount(sub), 0u);

    EXPECT_EQ(VkUndo(session), VkOk);
    EXPECT_EQ(statusAt(11, 31), VkStatusDelete);
    EXPECT_EQ(statusAt(12, 33), VkStatusUnassigned);
    EXPECT_EQ(session->changedWidth, 4);
    EXPECT_EQ(VkRedo(session), VkOk);
    EXPECT_EQ(statusAt(11, 31), VkStatusKeep);
}

TEST_F(Sessions, PullCopiesTheParentsStatusIntoThePrivateCopy) {
    unsigned char mask[2][3] = {{1, 1, 0}, {1, 1, 1}};
    VkMaskRect rect{5, 6, 3, 2, 3, 0, &mask[0][0]};
    VkSession* sub = VkBeginSubSession(session, &rect, 0);
    ::testing::internal::CaptureStderr();
    classification::ByteArray copy = viewOf(sub); // made now, from the image as it is
    statusAt(6, 5) = VkStatusKeep;
    statusAt(6, 7) = VkStatusKeep; // outside the mask
    statusAt(7, 7) = 0;            // no class in the parent
    EXPECT_EQ(copy(6, 5), VkStatusUnassigned);

    EXPECT_EQ(VkSubSessionPull(sub, status), VkOk);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(copy(6, 5), VkStatusKeep);
    EXPECT_EQ(copy(6, 7), 0);                  // stays outside
    EXPECT_EQ(copy(7, 7), VkStatusUnassigned); // a 0 is never written
    EXPECT_EQ(sub->changedX, 5);
    EXPECT_EQ(sub->changedY, 6);
    EXPECT_EQ(sub->changedWidth, 3);
    EXPECT_EQ(sub->changedHeight, 2);
    EXPECT_EQ(undoCount(sub), 1u); // recorded in the sub-session's own queue

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(VkUndo(sub), VkOk);
    EXPECT_EQ(copy(6, 5), VkStatusUnassigned);
    EXPECT_EQ(VkRedo(sub), VkOk);
    EXPECT_EQ(copy(6, 5), VkStatusKeep);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), ""); // undo and redo take no view
}

TEST_F(Sessions, PullAndPushOverASmallerStatusImageStayInsideIt) {
    const std::vector<unsigned char> small(20 * 10 * 4, 255);
    VkImage* tiny = VkNewStatusImage(engine, 20, 10, 80, VkKindRgba8, small.data());
    ASSERT_NE(tiny, nullptr);
    unsigned char mask[16];
    std::memset(mask, 1, sizeof mask);
    VkMaskRect rect{18, 8, 4, 4, 4, 0, mask};
    VkSession* sub = VkBeginSubSession(session, &rect, 0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(VkSubSessionPull(sub, tiny), VkOk);
    EXPECT_EQ(VkSubSessionPush(sub, tiny), VkOk);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("[[0,0], [1,1]]"), std::string::npos) << err; // only where they meet
    EXPECT_EQ(session->changedWidth, 2);
    EXPECT_EQ(session->changedHeight, 2);
}

TEST_F(Sessions, AnalysisOptionsAndVariables) {
    EXPECT_EQ(VkSetAnalysisOptions(session, {0.25f, 7, 2, 0}), VkOk);
    EXPECT_FLOAT_EQ(session->tolerance, 0.25f);
    EXPECT_EQ(session->edgeWidth, 7u);
    EXPECT_EQ(session->contrast, 2);
    EXPECT_EQ(session->texture, 0);
    VkVariable v{};
    ASSERT_EQ(VkGetVariable(session, "imageTol", &v), VkOk);
    EXPECT_FLOAT_EQ(v.value, 0.75f);
    ASSERT_EQ(VkGetVariable(session, "edgeContrast", &v), VkOk);
    EXPECT_STREQ(v.text, "2=high*");
    ASSERT_EQ(VkGetVariable(session, "inFocusEdgeWidth", &v), VkOk);
    EXPECT_STREQ(v.text, "7*");

    EXPECT_EQ(VkSetVariable(session, "imageTol", 0.2f), VkOk);
    EXPECT_FLOAT_EQ(session->tolerance, 0.8f);
    EXPECT_EQ(VkSetVariable(session, "textureFilter", 1.0f), VkOk);
    EXPECT_EQ(session->texture, 2);
    ASSERT_EQ(VkGetVariable(session, "textureFilter", &v), VkOk);
    EXPECT_STREQ(v.text, "2=coarse*");

    const std::string before = session->variables[3].text;
    EXPECT_EQ(VkSetVariable(session, "noSuchName", 0.5f), VkNotSupported);
    EXPECT_EQ(VkGetVariable(session, "noSuchName", &v), VkNotSupported);
    EXPECT_EQ(VkSetVariable(session, nullptr, 0.5f), VkNotSupported);
    EXPECT_EQ(VkGetVariable(session, "imageTol", nullptr), VkNotSupported);
    EXPECT_EQ(before, session->variables[3].text);
    EXPECT_FALSE(engine->failed);
}

TEST_F(Sessions, SubSessionsReadButDoNotSetVariables) {
    VkMaskRect rect{0, 0, 8, 8, 8, 0, nullptr};
    VkSession* sub = VkBeginSubSession(session, &rect, 0);
    EXPECT_EQ(VkSetVariable(sub, "imageTol", 0.5f), VkNotSupported);
    EXPECT_EQ(VkSetVariable(sub, "noSuchName", 0.5f), VkNotSupported);
    VkVariable v{};
    EXPECT_EQ(VkGetVariable(sub, "edgeContrast", &v), VkOk);
    EXPECT_STREQ(v.name, "edgeContrast");
}

TEST_F(Sessions, UndoCountsAndEmptyUndo) {
    EXPECT_EQ(undoCount(session), 0u);
    EXPECT_EQ(VkUndo(session), VkOk); // nothing to undo
    EXPECT_EQ(progress.percents(), std::vector<int>({100}));
    EXPECT_EQ(VkNewUndoGroup(session), VkOk);
    EXPECT_EQ(VkNewUndoGroup(session), VkOk);
    EXPECT_EQ(undoCount(session), 2u);
    EXPECT_EQ(VkUndo(session), VkOk);
    uint32_t redo = 0;
    EXPECT_EQ(VkNumAvailableRedo(session, &redo), VkOk);
    EXPECT_EQ(redo, 1u);
    EXPECT_EQ(VkNumAvailableRedo(session, nullptr), VkNotSupported);
    EXPECT_EQ(session->changedWidth, 0); // an empty group changes nothing
}

// A parent with hand-made analysis results, so sub-sessions share its arrays.
void pretendAnalysed(VkSession* s) {
    auto& c = *inSession(s)->classification;
    const classification::Box box(0, 0, kHeight - 1, kWidth - 1);
    c.regionLabelStorage.reference(classification::arrayOver<int32_t>(box.grown(2), 3));
    c.regionLabels.reference(classification::windowOf(c.regionLabelStorage, box));
    c.groupLabelStorage.reference(classification::arrayOver<int32_t>(box.grown(2), 4));
    c.groupLabels.reference(classification::windowOf(c.groupLabelStorage, box));
    s->analysed = 1;
}

TEST_F(Sessions, SubSessionWithoutAnalysisBorrowsTheParentsLabels) {
    pretendAnalysed(session);
    VkMaskRect rect{10, 20, 5, 5, 5, 0, nullptr};
    VkSession* borrowing = VkBeginSubSession(session, &rect, 0);
    VkSession* own = VkBeginSubSession(session, &rect, 1);
    const auto& parent = *inSession(session)->classification;
    const auto& b = *inSession(borrowing)->classification;
    EXPECT_EQ(classification::boxOf(b.regionLabels), classification::Box(20, 10, 24, 14));
    EXPECT_EQ(&b.regionLabels(22, 12), &parent.regionLabels(22, 12));
    EXPECT_EQ(&b.groupLabels(20, 10), &parent.groupLabels(20, 10));
    EXPECT_EQ(inSession(own)->classification->regionLabels.size(), 0);
    EXPECT_FALSE(inSession(own)->classification->parent == nullptr);
}

TEST_F(Sessions, EndingAParentFirstDetachesItsChildren) {
    pretendAnalysed(session);
    VkMaskRect rect{10, 20, 5, 5, 5, 0, nullptr};
    VkSession* child = VkBeginSubSession(session, &rect, 0);
    VkSession* grandChild = VkBeginSubSession(child, &rect, 0);
    ASSERT_NE(grandChild, nullptr);
    EXPECT_EQ(VkEndSession(session), VkOk);
    session = nullptr;

    EXPECT_EQ(inSession(child)->parent, nullptr);
    EXPECT_EQ(inSession(child)->classification->parent, nullptr);
    // The windows it borrowed keep the parent's arrays alive.
    EXPECT_EQ(inSession(child)->classification->regionLabels(22, 12), 3);
    EXPECT_EQ(VkSubSessionPull(child, status), VkBadSession);
    EXPECT_EQ(VkSubSessionPush(child, status), VkBadSession);
    EXPECT_EQ(VkSetVariable(child, "imageTol", 0.5f), VkNotSupported); // still a sub-session
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(VkSubSessionPull(grandChild, status), VkOk); // its own parent is alive
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(VkEndSession(child), VkOk);
    EXPECT_EQ(inSession(grandChild)->parent, nullptr);
}

TEST_F(Sessions, FinishWithLiveParentAndChildren) {
    // Run under the address sanitizer: nothing may be read after it was freed.
    pretendAnalysed(session);
    unsigned char mask[25];
    std::memset(mask, 1, sizeof mask);
    VkMaskRect rect{10, 20, 5, 5, 5, 0, mask};
    VkSession* child = VkBeginSubSession(session, &rect, 0);
    VkSession* grandChild = VkBeginSubSession(child, &rect, 0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(VkSubSessionPull(child, status), VkOk); // both hold status views now
    EXPECT_EQ(VkSubSessionPull(grandChild, status), VkOk);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(engine->images.size(), 3u); // the status image and two aliases
    EXPECT_EQ(VkFinish(engine), VkOk);
    engine = nullptr;
}

} // namespace
