// Handle checks of every entry function: dead, null and failed handles give
// their codes in the documented order, and no call reads freed memory.
#include "support/progress_recorder.h"

#include "api/engine.h"
#include "api/session.h"
#include "api/vardek.h"
#include "core/fault_injection.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// A real session over a small opaque image that outlives every test.
VkInSession* beginSession(VkEngine* engine) {
    static unsigned char pixels[4 * 4 * 4] = {};
    VkSession* session = VkBeginSession(engine, 4, 4, 16, VkKindRgba8, pixels);
    EXPECT_NE(session, nullptr);
    return inSession(session);
}

VkInSession* beginSubSession(VkInSession* parent, int32_t x, int32_t y) {
    VkMaskRect rect{x, y, 2, 2, 2, VkKindStatus, nullptr};
    VkSession* child = VkBeginSubSession(parent, &rect, 0);
    EXPECT_NE(child, nullptr);
    return inSession(child);
}

using SessionCall = std::function<VkResult(VkSession*, VkImage*)>;

struct EntryCase {
    std::string name;
    bool takesImage;
    SessionCall call;
};

std::vector<EntryCase> sessionEntries() {
    static VkMaskRect rect{0, 0, 1, 1, 1, 0, nullptr};
    static VkRect box{0, 0, 1, 1};
    static uint32_t count;
    static VkVariable variable;
    const VkImage view{1, 1, 4, VkKindRgba8, nullptr};
    return {
        {"VkEndSession", false, [](VkSession* s, VkImage*) { return VkEndSession(s); }},
        {"VkSetAnalysisOptions", false,
         [](VkSession* s, VkImage*) {
             return VkSetAnalysisOptions(s, {0.5f, 4, 1, 1});
         }},
        {"VkAnalyseImage", false,
         [](VkSession* s, VkImage*) { return VkAnalyseImage(s, vardekProgressCallback); }},
        {"VkNewUndoGroup", false, [](VkSession* s, VkImage*) { return VkNewUndoGroup(s); }},
        {"VkUndo", false, [](VkSession* s, VkImage*) { return VkUndo(s); }},
        {"VkRedo", false, [](VkSession* s, VkImage*) { return VkRedo(s); }},
        {"VkNumAvailableUndo", false,
         [](VkSession* s, VkImage*) { return VkNumAvailableUndo(s, &count); }},
        {"VkNumAvailableRedo", false,
         [](VkSession* s, VkImage*) { return VkNumAvailableRedo(s, &count); }},
        {"VkSetVariable", false,
         [](VkSession* s, VkImage*) { return VkSetVariable(s, "imageTol", 0.5f); }},
        {"VkGetVariable", false,
         [](VkSession* s, VkImage*) { return VkGetVariable(s, "imageTol", &variable); }},
        {"VkSelect", true,
         [](VkSession* s, VkImage* i) {
             return VkSelect(s, i, &rect, VkStatusKeep, 0x0f, VkScopeExact, 0.0f,
                             vardekProgressCallback);
         }},
        {"VkAutoComplex", true,
         [](VkSession* s, VkImage* i) {
             return VkAutoComplex(s, i, 1.0f, vardekProgressCallback);
         }},
        {"VkDespeckleSelection", true,
         [](VkSession* s, VkImage* i) { return VkDespeckleSelection(s, i, 2); }},
        {"VkAutoFill", true,
         [](VkSession* s, VkImage* i) { return VkAutoFill(s, i, &box, 0, 1.0f); }},
        {"VkSetStatus", true, [](VkSession* s, VkImage* i) { return VkSetStatus(s, i, &rect); }},
        {"VkSubSessionPull", true, [](VkSession* s, VkImage* i) { return VkSubSessionPull(s, i); }},
        {"VkSubSessionPush", true, [](VkSession* s, VkImage* i) { return VkSubSessionPush(s, i); }},
        {"VkGenerateMask", true,
         [view](VkSession* s, VkImage* i) {
             return VkGenerateMask(s, nullptr, view, view, i, nullptr, 0, 0.0f, 1.0f, nullptr, 0);
         }},
    };
}

class EntryChecks : public ::testing::Test {
protected:
    void SetUp() override {
        engine = VkInit();
        ASSERT_NE(engine, nullptr);
        const unsigned char pixels[4] = {0, 0, 0, 255};
        image = VkNewStatusImage(engine, 1, 1, 4, VkKindRgba8, pixels);
        ASSERT_NE(image, nullptr);
    }
    void TearDown() override {
        vardek::fault::disarm();
        if (engine && !engine->failed) {
            EXPECT_EQ(VkFinish(engine), VkOk);
        }
    }

    VkEngine* engine = nullptr;
    VkImage* image = nullptr;
    test_support::ProgressRecorder progress;
};

TEST_F(EntryChecks, SessionFunctionsRejectNullAndDeadSessions) {
    VkInSession* dead = beginSession(engine);
    VkSession* deadHandle = dead;
    VkEndSession(deadHandle);
    int garbage[64] = {};
    for (const EntryCase& entry : sessionEntries()) {
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(entry.call(nullptr, image), VkBadSession);
        EXPECT_EQ(entry.call(deadHandle, image), VkBadSession);
        EXPECT_EQ(entry.call(reinterpret_cast<VkSession*>(garbage), image), VkBadSession);
    }
}

TEST_F(EntryChecks, ImageIsCheckedBeforeTheSession) {
    int garbage[16] = {};
    for (const EntryCase& entry : sessionEntries()) {
        if (!entry.takesImage) continue;
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(entry.call(nullptr, nullptr), VkBadImage);
        EXPECT_EQ(entry.call(nullptr, reinterpret_cast<VkImage*>(garbage)), VkBadImage);
    }
}

TEST_F(EntryChecks, SessionOfADeadEngineGivesBadEngine) {
    // The engine object dies while the session record still resolves.
    VkInSession* session = beginSession(engine);
    engine->sessions.erase(session);
    ASSERT_EQ(VkFinish(engine), VkOk);
    engine = nullptr;
    for (const EntryCase& entry : sessionEntries()) {
        if (entry.name == "VkEndSession") continue; // would free the session kept above
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(entry.call(session, nullptr), entry.takesImage ? VkBadImage : VkBadEngine);
    }
    session->engine = nullptr;
    delete session;
}

TEST_F(EntryChecks, FailedEngineAnswersFiveToEverything) {
    VkInSession* session = beginSession(engine);
    vardek::fault::arm("session.construct", vardek::fault::Kind::Unexpected);
    const unsigned char pixels[16] = {};
    EXPECT_EQ(VkBeginSession(engine, 2, 2, 8, VkKindRgba8, pixels), nullptr);
    ASSERT_TRUE(engine->failed);

    for (const EntryCase& entry : sessionEntries()) {
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(entry.call(session, image), VkEngineFailed);
    }
    EXPECT_EQ(VkFinish(engine), VkEngineFailed);
    EXPECT_EQ(VkNewStatusImage(engine, 1, 1, 4, VkKindRgba8, pixels), nullptr);
    EXPECT_EQ(VkBeginSession(engine, 2, 2, 8, VkKindRgba8, pixels), nullptr);
    EXPECT_EQ(VkBeginSubSession(session, nullptr, 0), nullptr);
    // A failed engine is never destroyed by VkFinish; release it here.
    delete engine;
    engine = nullptr;
}

TEST_F(EntryChecks, EngineHandles) {
    EXPECT_EQ(VkFinish(nullptr), VkBadEngine);
    int garbage[16] = {};
    EXPECT_EQ(VkFinish(reinterpret_cast<VkEngine*>(garbage)), VkBadEngine);

    VkEngine* other = VkInit();
    ASSERT_EQ(VkFinish(other), VkOk);
    EXPECT_EQ(VkFinish(other), VkBadEngine); // destroyed: rejected without reading it
    const unsigned char pixels[4] = {0, 0, 0, 255};
    EXPECT_EQ(VkNewStatusImage(other, 1, 1, 4, VkKindRgba8, pixels), nullptr);
    EXPECT_EQ(VkBeginSession(other, 1, 1, 4, VkKindRgba8, pixels), nullptr);
}

TEST_F(EntryChecks, FinishDestroysItsImages) {
    VkEngine* other = VkInit();
    const unsigned char pixels[4] = {0, 0, 0, 255};
    VkImage* status = VkNewStatusImage(other, 1, 1, 4, VkKindRgba8, pixels);
    ASSERT_NE(status, nullptr);
    ASSERT_EQ(VkFinish(other), VkOk);
    EXPECT_EQ(VkSetStatus(nullptr, status, nullptr), VkBadImage);
}

TEST_F(EntryChecks, FinishEndsSubSessionsBeforeTheirParents) {
    VkInSession* parent = beginSession(engine);
    // Children at lower and higher addresses than their parent, with children of their own.
    for (int i = 0; i < 4; ++i) {
        VkInSession* child = beginSubSession(parent, i % 3, i / 3);
        ASSERT_NE(child, nullptr);
        ASSERT_NE(beginSubSession(child, i % 3, i / 3), nullptr);
    }
    EXPECT_EQ(parent->subSessions.size(), 4u);
    EXPECT_EQ(VkFinish(engine), VkOk); // the address sanitizer build catches a use after free
    engine = nullptr;
}

TEST_F(EntryChecks, BeginSessionRefusesBadImages) {
    const unsigned char pixels[64] = {};
    EXPECT_EQ(VkBeginSession(engine, 4, 2, 15, VkKindRgba8, pixels), nullptr); // row bytes 4w - 1
    EXPECT_EQ(VkBeginSession(engine, 2, 2, 16, VkKindRgba16, pixels), nullptr);
    EXPECT_EQ(VkBeginSession(engine, 0, 2, 16, VkKindRgba8, pixels), nullptr);
    EXPECT_EQ(VkBeginSession(engine, 2, 2, 16, VkKindRgba8, nullptr), nullptr);
    EXPECT_FALSE(engine->failed);
}

TEST_F(EntryChecks, AllocationFailureHandlerIsRestoredOnEveryPath) {
    static int calls = 0;
    std::new_handler mine = [] {
        ++calls;
        throw std::bad_alloc();
    };
    std::set_new_handler(mine);
    VkFinish(nullptr);
    VkSelect(nullptr, nullptr, nullptr, 0, 0, 0, 0.0f, nullptr);
    VkEngine* other = VkInit();
    VkFinish(other);
    const unsigned char pixels[4] = {0, 0, 0, 255};
    VkNewStatusImage(engine, 1, 1, 4, VkKindRgba8, pixels);
    EXPECT_EQ(std::get_new_handler(), mine);
    std::set_new_handler(nullptr);
}

TEST_F(EntryChecks, ScaleImageLeavesTheHandlerAlone) {
    std::new_handler mine = [] { throw std::bad_alloc(); };
    std::set_new_handler(mine);
    unsigned char pixels[16] = {};
    VkScaleImage({1, 1, 4, VkKindRgba8, pixels}, {2, 2, 8, VkKindRgba8, pixels});
    EXPECT_EQ(std::get_new_handler(), mine);
    std::set_new_handler(nullptr);
}

} // namespace
