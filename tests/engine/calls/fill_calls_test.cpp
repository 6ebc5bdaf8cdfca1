// Auto fill and despeckle through the call interface: the checks, the fill
// with its blend band, the rectangle, the closing of small holes, and undo.
#include "support/progress_recorder.h"

#include "api/engine.h"
#include "api/session.h"
#include "api/vardek.h"
#include "core/arrays.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using test_support::ManualClock;
using test_support::ProgressRecorder;

namespace {

constexpr int32_t kSide = 21;

// A 21 x 21 session with its status image. The analysis is not part of these
// tests: the analysed flag and a constant edge width stand in for it.
class FillCalls : public ::testing::Test {
protected:
    void SetUp() override {
        pixels.assign(kSide * kSide * 4, 255);
        engine = VkInit();
        ASSERT_NE(engine, nullptr);
        status = VkNewStatusImage(engine, kSide, kSide, kSide * 4, VkKindRgba8, pixels.data());
        ASSERT_NE(status, nullptr);
        session = VkBeginSession(engine, kSide, kSide, kSide * 4, VkKindRgba8, pixels.data());
        ASSERT_NE(session, nullptr);
    }
    void TearDown() override {
        if (engine && !engine->failed) {
            EXPECT_EQ(VkFinish(engine), VkOk);
        }
    }

    // A fresh engine, session and status image for the next case of a table.
    void restart() {
        TearDown();
        SetUp();
    }
    void pretendAnalysed(unsigned char edgeWidth) {
        auto& c = *inSession(session)->classification;
        c.pixelScaleMap.reference(classification::arrayOver<unsigned char>(
            classification::Box(0, 0, kSide - 1, kSide - 1), edgeWidth));
        session->analysed = 1;
    }
    unsigned char& at(int row, int column) {
        return status->data[static_cast<std::ptrdiff_t>(row) * status->rowBytes + column];
    }
    std::vector<unsigned char> bytes() {
        std::vector<unsigned char> all;
        for (int r = 0; r < kSide; ++r)
            for (int c = 0; c < kSide; ++c)
                all.push_back(at(r, c));
        return all;
    }
    int count(unsigned char value) {
        int n = 0;
        for (unsigned char b : bytes())
            n += b == value;
        return n;
    }
    // A one-pixel delete ring of radius 6 round the centre.
    void deleteRing() {
        for (int r = 4; r <= 16; ++r)
            for (int c = 4; c <= 16; ++c)
                if (std::max(std::abs(r - 10), std::abs(c - 10)) == 6) at(r, c) = VkStatusDelete;
    }

    ManualClock clock;
    ProgressRecorder progress;
    std::vector<unsigned char> pixels;
    VkEngine* engine = nullptr;
    VkImage* status = nullptr;
    VkSession* session = nullptr;
};

TEST_F(FillCalls, AutoFillRefusesWhatItCannotDo) {
    deleteRing();
    const std::vector<unsigned char> before = bytes();
    const VkRect outside{30, 0, 5, 5}, empty{3, 3, 0, 4}, inside{0, 0, 3, 3};
    const VkMaskRect patch{2, 2, 6, 6, 6, 0, nullptr};
    VkSession* sub = VkBeginSubSession(session, &patch, 0);
    ASSERT_NE(sub, nullptr);
    struct Case {
        const char* name;
        VkSession* session;
        const VkRect* rect;
        uint8_t seed;
    };
    const Case cases[] = {
        {"seed class 8", session, nullptr, 8},
        {"seed class 1", session, nullptr, 1},
        {"rectangle outside the image", session, &outside, 4},
        {"rectangle of no width", session, &empty, 4},
        {"rectangle on a sub-session", sub, &inside, 4},
        {"class 0 and no mark in the rectangle", session, &inside, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VkAutoFill(c.session, status, c.rect, c.seed, 1.0f), VkNotSupported) << c.name;
        EXPECT_EQ(bytes(), before) << c.name;
    }
    EXPECT_FALSE(engine->failed);
}

TEST_F(FillCalls, DeleteRingFillsWithKeepAndABlendBandAndUndoes) {
    struct Case {
        const char* name;
        float radiusFactor;
        bool analysed;
        int blendAt; // how far out from the ring the band reaches along a side
    };
    for (const Case& c : {Case{"band", 1.0f, true, 3}, Case{"radius factor 0", 0.0f, true, 0},
                          Case{"not analysed", 1.0f, false, 0}}) {
        restart();
        if (c.analysed) pretendAnalysed(4); // disks of radius 2.49
        deleteRing();
        const std::vector<unsigned char> before = bytes();
        ASSERT_EQ(VkNewUndoGroup(session), VkOk);
        EXPECT_EQ(VkAutoFill(session, status, nullptr, 4, c.radiusFactor), VkOk) << c.name;
        EXPECT_EQ(count(VkStatusUnassigned), 0) << c.name;
        for (int r = 0; r <= 10; ++r) {
            const int distance = std::abs(r - 4);
            const unsigned char expected = distance <= c.blendAt && c.blendAt > 0 ? VkStatusBlend
                                           : r == 4                               ? VkStatusDelete
                                                                                  : VkStatusKeep;
            EXPECT_EQ(at(r, 10), expected) << c.name << " row " << r;
        }
        EXPECT_EQ(session->changedWidth, kSide) << c.name;
        EXPECT_EQ(VkUndo(session), VkOk);
        EXPECT_EQ(bytes(), before) << c.name;
    }
}

TEST_F(FillCalls, ProtectedPixelSuppressesItsDisksAndStays) {
    pretendAnalysed(4);
    deleteRing();
    at(2, 10) = VkStatusUnassigned | VkStatusPatchProtection;
    EXPECT_EQ(VkAutoFill(session, status, nullptr, 4, 1.0f), VkOk);
    EXPECT_EQ(at(2, 10), VkStatusUnassigned | VkStatusPatchProtection);
    EXPECT_EQ(at(3, 10), VkStatusKeep);
    EXPECT_EQ(at(4, 10), VkStatusDelete);
    EXPECT_EQ(at(6, 10), VkStatusKeep);
    EXPECT_EQ(at(2, 3), VkStatusBlend); // disks far from it are drawn
}

TEST_F(FillCalls, RectangleFillsOnlyInsideItAndPicksTheFirstMark) {
    at(5, 5) = VkStatusKeep; // the first mark inside the rectangle: fill with delete
    at(0, 0) = VkStatusDelete;
    const VkRect rect{3, 4, 6, 5};
    EXPECT_EQ(VkAutoFill(session, status, &rect, 0, 1.0f), VkOk);
    for (int r = 0; r < kSide; ++r)
        for (int c = 0; c < kSide; ++c) {
            const bool inside = r >= 4 && r <= 8 && c >= 3 && c <= 8;
            const unsigned char expected = r == 5 && c == 5   ? VkStatusKeep
                                           : r == 0 && c == 0 ? VkStatusDelete
                                           : inside           ? VkStatusDelete
                                                              : VkStatusUnassigned;
            ASSERT_EQ(at(r, c), expected) << r << "," << c;
        }
    EXPECT_EQ(session->changedX, 3);
    EXPECT_EQ(session->changedY, 4);
    EXPECT_EQ(session->changedWidth, 6);
    EXPECT_EQ(session->changedHeight, 5);
}

// A keep ring three pixels wide round a 2 x 2 hole, drawn as one exact keep
// stroke, then despeckled.
TEST_F(FillCalls, DespeckleClosesSmallHolesOnlyAndUndoes) {
    struct Case {
        const char* name;
        uint8_t size;
        bool gap;       // a slot from the hole to the ring's outer edge
        bool protect;   // one hole pixel protected
        int holeFilled; // hole pixels that become keep
    };
    const Case cases[] = {
        {"size 1", 1, false, false, 0},         {"size 2", 2, false, false, 4},
        {"size 3", 3, false, false, 4},         {"gap to the outside", 3, true, false, 0},
        {"protected pixel", 3, false, true, 3},
    };
    for (const Case& c : cases) {
        restart();
        pretendAnalysed(4);
        unsigned char ring[8][8];
        std::memset(ring, 1, sizeof ring);
        for (int r = 3; r <= 4; ++r)
            for (int col = 3; col <= 4; ++col)
                ring[r][col] = 0;
        if (c.gap)
            for (int r = 5; r <= 7; ++r)
                ring[r][3] = 0;
        if (c.protect) at(8, 8) = VkStatusUnassigned | VkStatusPatchProtection;
        const VkMaskRect stroke{5, 5, 8, 8, 8, 0, &ring[0][0]};
        ASSERT_EQ(VkNewUndoGroup(session), VkOk);
        ASSERT_EQ(VkSelect(session, status, &stroke, VkStatusKeep, 15, VkScopeExact, 0.0f, nullptr),
                  VkOk);
        const std::vector<unsigned char> afterStroke = bytes();
        ASSERT_EQ(VkNewUndoGroup(session), VkOk);
        EXPECT_EQ(VkDespeckleSelection(session, status, c.size), VkOk) << c.name;
        int filled = 0;
        for (int r = 8; r <= 9; ++r)
            for (int col = 8; col <= 9; ++col)
                filled += at(r, col) == VkStatusKeep;
        EXPECT_EQ(filled, c.holeFilled) << c.name;
        if (c.protect) {
            EXPECT_EQ(at(8, 8), VkStatusUnassigned | VkStatusPatchProtection);
        }
        if (c.gap) {
            EXPECT_EQ(at(10, 8), VkStatusUnassigned) << c.name;
        }
        EXPECT_EQ(VkUndo(session), VkOk);
        EXPECT_EQ(bytes(), afterStroke) << c.name;
    }
}

TEST_F(FillCalls, DespeckleNeedsASegmentation) {
    EXPECT_EQ(VkDespeckleSelection(session, status, 3), VkNoSegmentation);
}

} // namespace
