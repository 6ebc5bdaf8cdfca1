// The generate-mask call through the call interface: its checks, the
// reduction factor and work box, the clamped blend ratio, the records, the
// working copy written back only on success, and the session operation's
// progress, cancel and changed rectangle.
#include "support/progress_recorder.h"

#include "api/engine.h"
#include "api/vardek.h"
#include "core/fault_injection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

using test_support::ProgressRecorder;
using test_support::RacingClock;

namespace {

constexpr int32_t kStatusColumns = 12, kStatusRows = 11;

// A session over a 12 x 11 workspace image with its status image, and a
// source and output at a chosen size. The analysis is not part of these
// tests: the session's analysed flag stands in for it.
class GenerateMask : public ::testing::Test {
protected:
    void SetUp() override {
        workspace.assign(kStatusColumns * kStatusRows * 4, 255);
        engine = VkInit();
        ASSERT_NE(engine, nullptr);
        status = VkNewStatusImage(engine, kStatusColumns, kStatusRows, kStatusColumns * 4,
                                  VkKindRgba8, workspace.data());
        ASSERT_NE(status, nullptr);
        session = VkBeginSession(engine, kStatusColumns, kStatusRows, kStatusColumns * 4,
                                 VkKindRgba8, workspace.data());
        ASSERT_NE(session, nullptr);
        session->analysed = 1;
        images(kStatusRows, kStatusColumns);
    }
    void TearDown() override {
        vardek::fault::disarm();
        if (engine && engine->failed) {
            delete engine; // a failed engine refuses VkFinish
        } else if (engine) {
            EXPECT_EQ(VkFinish(engine), VkOk);
        }
    }

    // Source pixels that differ everywhere; output pixels all 7.
    void images(int rows, int columns) {
        outputRows = rows;
        outputColumns = columns;
        sourcePixels.assign(static_cast<std::size_t>(rows) * columns * 4, 0);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                unsigned char* p = &sourcePixels[(static_cast<std::size_t>(r) * columns + c) * 4];
                p[0] = static_cast<unsigned char>(r * 3);
                p[1] = static_cast<unsigned char>(c * 5);
                p[2] = static_cast<unsigned char>(r + c);
                p[3] = 255;
            }
        outputPixels.assign(sourcePixels.size(), 7);
    }
    VkImage source(int32_t kind = VkKindRgba8) {
        return {outputColumns, outputRows, outputColumns * 4, kind, sourcePixels.data()};
    }
    VkImage output() {
        return {outputColumns, outputRows, outputColumns * 4, VkKindRgba8, outputPixels.data()};
    }
    unsigned char& statusAt(int row, int column) {
        return status->data[static_cast<std::ptrdiff_t>(row) * status->rowBytes + column];
    }
    void paintStatus(unsigned char value) {
        for (int r = 0; r < kStatusRows; ++r)
            for (int c = 0; c < kStatusColumns; ++c)
                statusAt(r, c) = value;
    }
    std::vector<unsigned char> statusBytes() {
        std::vector<unsigned char> bytes;
        for (int r = 0; r < kStatusRows; ++r)
            for (int c = 0; c < kStatusColumns; ++c)
                bytes.push_back(statusAt(r, c));
        return bytes;
    }
    VkResult generate(const VkRect* rect, float blendRatio = 1.0f,
                      const VkForcedEdgeRecord* edges = nullptr, uint32_t edgeCount = 0,
                      const VkPatchRecord* patches = nullptr, uint32_t patchCount = 0,
                      int32_t kind = VkKindRgba8) {
        return VkGenerateMask(session, rect, output(), source(kind), status, edges, edgeCount, 0.0f,
                              blendRatio, patches, patchCount);
    }
    // The box of output pixels that now hold the source pixel; every other
    // pixel must still be 7.
    std::optional<std::string> checkCopied(int firstRow, int firstColumn, int lastRow,
                                           int lastColumn) {
        for (int r = 0; r < outputRows; ++r)
            for (int c = 0; c < outputColumns; ++c)
                for (int k = 0; k < 4; ++k) {
                    const std::size_t i = (static_cast<std::size_t>(r) * outputColumns + c) * 4 + k;
                    const bool inside =
                        r >= firstRow && r <= lastRow && c >= firstColumn && c <= lastColumn;
                    if (outputPixels[i] != (inside ? sourcePixels[i] : 7))
                        return "pixel " + std::to_string(r) + "," + std::to_string(c);
                }
        return std::nullopt;
    }

    ProgressRecorder progress;
    std::vector<unsigned char> workspace, sourcePixels, outputPixels;
    int outputRows = 0, outputColumns = 0;
    VkEngine* engine = nullptr;
    VkImage* status = nullptr;
    VkSession* session = nullptr;
};

// With keep marks only, a run copies the source into the output's work box:
// which pixels change shows the reduction factor and the work box.
TEST_F(GenerateMask, FactorAndWorkBoxFromHeightsAndRectangle) {
    struct Case {
        const char* name;
        int rows, columns;
        std::optional<VkRect> rect;
        VkResult result;
        int firstRow, firstColumn, lastRow, lastColumn; // the work box; empty when reversed
    };
    const Case cases[] = {
        {"same height, whole image", 11, 12, std::nullopt, VkOk, 0, 0, 10, 11},
        {"same height, rectangle", 11, 12, VkRect{1, 2, 3, 4}, VkOk, 2, 1, 5, 3},
        {"ratio 2", 21, 24, VkRect{1, 2, 3, 4}, VkOk, 4, 2, 11, 7},
        {"ratio 4", 41, 48, VkRect{1, 2, 3, 4}, VkOk, 8, 4, 23, 15},
        {"ratio 3 gives 8", 31, 36, VkRect{1, 2, 3, 4}, VkOk, 16, 8, 30, 31},
        {"ratio 2.2 gives 8", 23, 26, VkRect{1, 2, 3, 4}, VkOk, 16, 8, 22, 25},
        {"whole output whatever the size", 31, 36, std::nullopt, VkOk, 0, 0, 30, 35},
        {"rectangle over the corner", 11, 12, VkRect{10, 9, 5, 5}, VkOk, 9, 10, 10, 11},
        {"rectangle wholly outside", 11, 12, VkRect{20, 0, 5, 5}, VkNotSupported, 0, 0, -1, -1},
        {"rectangle of no width", 11, 12, VkRect{3, 3, 0, 5}, VkNotSupported, 0, 0, -1, -1},
        {"width overflowing 32 bits", 11, 12, VkRect{5, 0, INT32_MAX, INT32_MAX}, VkOk, 0, 5, 10,
         11},
    };
    for (const Case& c : cases) {
        paintStatus(VkStatusKeep);
        images(c.rows, c.columns);
        EXPECT_EQ(generate(c.rect ? &*c.rect : nullptr), c.result) << c.name;
        EXPECT_EQ(checkCopied(c.firstRow, c.firstColumn, c.lastRow, c.lastColumn), std::nullopt)
            << c.name;
    }
}

TEST_F(GenerateMask, ChecksComeFirstAndLeaveTheOutputAlone) {
    paintStatus(VkStatusKeep);
    VkImage bad = *status;
    EXPECT_EQ(VkGenerateMask(session, nullptr, output(), source(), nullptr, nullptr, 0, 0.0f, 1.0f,
                             nullptr, 0),
              VkBadImage);
    EXPECT_EQ(VkGenerateMask(nullptr, nullptr, output(), source(), status, nullptr, 0, 0.0f, 1.0f,
                             nullptr, 0),
              VkBadSession);
    EXPECT_EQ(VkGenerateMask(session, nullptr, output(), source(), &bad, nullptr, 0, 0.0f, 1.0f,
                             nullptr, 0),
              VkBadImage);
    EXPECT_EQ(generate(nullptr, 1.0f, nullptr, 0, nullptr, 0, 4), VkNotSupported);
    EXPECT_EQ(generate(nullptr, 1.0f, nullptr, 0, nullptr, 0, VkKindStatus), VkNotSupported);
    // Views that cannot be read as the source's kind.
    VkImage shortRows = source();
    shortRows.rowBytes = outputColumns * 4 - 1;
    EXPECT_EQ(VkGenerateMask(session, nullptr, output(), shortRows, status, nullptr, 0, 0.0f, 1.0f,
                             nullptr, 0),
              VkNotSupported);
    VkImage smaller = output();
    smaller.height -= 1;
    EXPECT_EQ(VkGenerateMask(session, nullptr, smaller, source(), status, nullptr, 0, 0.0f, 1.0f,
                             nullptr, 0),
              VkNotSupported);
    EXPECT_EQ(checkCopied(0, 0, -1, -1), std::nullopt);
    EXPECT_FALSE(engine->failed);

    // A session that may be analysed and has not been.
    session->analysed = 0;
    EXPECT_EQ(generate(nullptr), VkNoSegmentation);
    EXPECT_EQ(checkCopied(0, 0, -1, -1), std::nullopt);
    // The kind is checked before the analysis.
    EXPECT_EQ(generate(nullptr, 1.0f, nullptr, 0, nullptr, 0, 4), VkNotSupported);
}

// Keep on the left, blend in the middle, delete on the right: the first pass
// mixes the middle by the blend ratio. A ratio outside [0, 1] acts as the
// nearer end, one that is not a number as 1.
TEST_F(GenerateMask, BlendRatioIsClampedOnEntry) {
    const auto runWith = [&](float ratio) {
        for (int r = 0; r < kStatusRows; ++r)
            for (int c = 0; c < kStatusColumns; ++c)
                statusAt(r, c) = c < 4 ? VkStatusKeep : c < 8 ? VkStatusBlend : VkStatusDelete;
        images(kStatusRows, kStatusColumns);
        EXPECT_EQ(generate(nullptr, ratio), VkOk) << ratio;
        return outputPixels;
    };
    const std::vector<unsigned char> none = runWith(0.0f), full = runWith(1.0f);
    ASSERT_NE(none, full);
    EXPECT_EQ(runWith(-0.5f), none);
    EXPECT_EQ(runWith(1.7f), full);
    EXPECT_EQ(runWith(std::nanf("")), full);
    EXPECT_EQ(runWith(std::numeric_limits<float>::infinity()), full);
}

TEST_F(GenerateMask, RecordsWithRepeatedOrNonFinitePointsAndStrayPatches) {
    paintStatus(VkStatusKeep);
    const float nan = std::nanf("");
    const float single[] = {2, 3};
    const float repeated[] = {1, 1, 1, 1, 1, 1};
    const float broken[] = {nan, 1, 2, nan};
    const VkForcedEdgeRecord edges[] = {
        {single, 1, 2.0f}, {repeated, 3, 2.0f}, {broken, 2, 2.0f}, {nullptr, 5, 1.0f}};
    // A patch far outside the status image, with a mask whose rows are short.
    const unsigned char mask[4] = {1, 1, 1, 1};
    VkPatchRecord patches[2] = {};
    patches[0].maskX = 1000;
    patches[0].maskY = 1000;
    patches[0].maskWidth = 4;
    patches[0].maskHeight = 4;
    patches[0].maskRowBytes = 4;
    patches[1].maskWidth = 4;
    patches[1].maskHeight = 1;
    patches[1].maskRowBytes = 2;
    patches[1].maskData = mask;
    EXPECT_EQ(generate(nullptr, 1.0f, edges, 4, patches, 2), VkOk);
    EXPECT_EQ(checkCopied(0, 0, 10, 11), std::nullopt);
}

TEST_F(GenerateMask, WholeImageRunKeepsItsFillAndPublishesIt) {
    paintStatus(VkStatusUnassigned);
    for (int r = 0; r < kStatusRows; ++r)
        statusAt(r, 0) = VkStatusKeep;
    const std::vector<unsigned char> before = statusBytes();
    EXPECT_EQ(generate(nullptr), VkOk);
    EXPECT_EQ(statusAt(5, 6), VkStatusDelete);
    EXPECT_EQ(session->changedX, 0);
    EXPECT_EQ(session->changedY, 0);
    EXPECT_EQ(session->changedWidth, kStatusColumns);
    EXPECT_EQ(session->changedHeight, kStatusRows);
    uint32_t groups = 0;
    EXPECT_EQ(VkNumAvailableUndo(session, &groups), VkOk);
    EXPECT_EQ(groups, 1u);
    EXPECT_EQ(VkUndo(session), VkOk);
    EXPECT_EQ(statusBytes(), before);
    // The run's reporter: "Generate mask" ends at 100 percent.
    ASSERT_FALSE(progress.percents().empty());
    EXPECT_EQ(progress.percents().back(), 100);
}

TEST_F(GenerateMask, RectangleRunLeavesTheStatusAsItWas) {
    paintStatus(VkStatusUnassigned);
    statusAt(3, 3) = VkStatusKeep;
    statusAt(9, 10) = VkStatusDelete;
    const std::vector<unsigned char> before = statusBytes();
    const VkRect rect{2, 2, 4, 4};
    testing::internal::CaptureStdout();
    EXPECT_EQ(generate(&rect), VkOk);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "nUndo 1\n");
    EXPECT_EQ(statusBytes(), before);
    uint32_t groups = 9;
    EXPECT_EQ(VkNumAvailableUndo(session, &groups), VkOk);
    EXPECT_EQ(groups, 0u);
}

TEST_F(GenerateMask, CancelGivesTwoAndChangesNothing) {
    RacingClock clock; // every report reaches the progress function
    paintStatus(VkStatusUnassigned);
    for (int r = 0; r < kStatusRows; ++r)
        statusAt(r, 0) = VkStatusKeep;
    const std::vector<unsigned char> before = statusBytes();
    for (int cancelAt = 1; cancelAt <= 3; ++cancelAt) {
        progress.answer = [cancelAt](int index, int) { return index == cancelAt ? 2 : 0; };
        images(kStatusRows, kStatusColumns);
        EXPECT_EQ(generate(nullptr), VkCancelled) << cancelAt;
        EXPECT_EQ(statusBytes(), before) << cancelAt;
        EXPECT_EQ(checkCopied(0, 0, -1, -1), std::nullopt) << cancelAt;
        uint32_t groups = 9;
        EXPECT_EQ(VkNumAvailableUndo(session, &groups), VkOk);
        EXPECT_EQ(groups, 0u) << cancelAt;
        EXPECT_FALSE(engine->failed);
    }
}

TEST_F(GenerateMask, FailuresInsideTheRunGiveTheirCodes) {
    // A whole-image run that fills the unassigned pixels with delete and then
    // fails in its first pass: out of memory gives 3 and takes the fill back;
    // anything else gives 4 and marks the engine failed.
    using vardek::fault::Kind;
    paintStatus(VkStatusUnassigned);
    for (int r = 0; r < kStatusRows; ++r)
        statusAt(r, 0) = VkStatusKeep;
    const std::vector<unsigned char> before = statusBytes();

    vardek::fault::arm("generateMask.pass", Kind::OutOfMemory);
    EXPECT_EQ(generate(nullptr), VkOutOfMemory);
    EXPECT_EQ(statusBytes(), before);
    EXPECT_EQ(checkCopied(0, 0, -1, -1), std::nullopt);
    EXPECT_EQ(session->changedWidth, kStatusColumns); // the fill and its roll-back
    uint32_t groups = 9;
    EXPECT_EQ(VkNumAvailableUndo(session, &groups), VkOk);
    EXPECT_EQ(groups, 0u);
    EXPECT_FALSE(engine->failed);

    vardek::fault::arm("generateMask.pass", Kind::Unexpected);
    EXPECT_EQ(generate(nullptr), VkFailed);
    EXPECT_EQ(checkCopied(0, 0, -1, -1), std::nullopt);
    EXPECT_TRUE(engine->failed);
    EXPECT_EQ(generate(nullptr), VkEngineFailed);
}

} // namespace
