// Arguments from outside that the engine must refuse, clamp or survive: each
// is answered with a code and changes nothing on refusal, and none fails the
// engine.
#include "api/vardek.h"
#include "classification/texture_image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Four-channel 8-bit pixels: two flat halves, fully opaque.
std::vector<uint8_t> twoHalves(int width, int height) {
    std::vector<uint8_t> pixels(static_cast<std::size_t>(width) * height * 4, 255);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            uint8_t* p = &pixels[(static_cast<std::size_t>(r) * width + c) * 4];
            p[0] = c < width / 2 ? 30 : 200;
            p[1] = c < width / 2 ? 160 : 60;
            p[2] = static_cast<uint8_t>(r * 5);
        }
    return pixels;
}

// An engine with a session over a small image and its status image.
class HostileArguments : public ::testing::Test {
protected:
    static constexpr int kWidth = 24, kHeight = 16;

    void SetUp() override {
        pixels = twoHalves(kWidth, kHeight);
        engine = VkInit();
        ASSERT_NE(engine, nullptr);
        session = VkBeginSession(engine, kWidth, kHeight, kWidth * 4, VkKindRgba8, pixels.data());
        status = VkNewStatusImage(engine, kWidth, kHeight, kWidth * 4, VkKindRgba8, pixels.data());
        ASSERT_NE(session, nullptr);
        ASSERT_NE(status, nullptr);
    }
    // A failed engine refuses to finish: this also says none of the calls failed it.
    void TearDown() override { EXPECT_EQ(VkFinish(engine), VkOk); }

    std::vector<uint8_t> statusBytes() const {
        std::vector<uint8_t> bytes;
        for (int r = 0; r < status->height; ++r)
            bytes.insert(bytes.end(), status->data + r * status->rowBytes,
                         status->data + r * status->rowBytes + status->width);
        return bytes;
    }
    std::vector<std::string> variableTexts() const {
        std::vector<std::string> texts;
        for (uint32_t i = 0; i < session->variableCount; ++i)
            texts.emplace_back(session->variables[i].text);
        return texts;
    }
    std::string textOf(const char* name) const {
        VkVariable v{};
        EXPECT_EQ(VkGetVariable(session, name, &v), VkOk);
        return v.text;
    }

    std::vector<uint8_t> pixels;
    VkEngine* engine = nullptr;
    VkSession* session = nullptr;
    VkImage* status = nullptr;
};

TEST_F(HostileArguments, AnalysisOptionsOutsideTheirRangesAreRefusedAndChangeNothing) {
    const VkAnalysisOptions refused[] = {
        {0.5f, 4, 1, 156},         // no texture filter of that meaning
        {0.5f, 4, 3, 1},           // nor contrast
        {0.5f, 0, 1, 1},           // an edge width below the variable's range
        {0.5f, 33, 1, 1},          // and above it
        {0.5f, 4294967295u, 1, 1}, // and far above
        {kNaN, 4, 1, 1},           // a tolerance that is no number
        {1.5f, 4, 1, 1},           // or outside [0, 1]
        {-0.25f, 4, 1, 1},
    };
    const VkSession published = *session;
    const std::vector<std::string> texts = variableTexts();
    for (const VkAnalysisOptions& options : refused) {
        SCOPED_TRACE(::testing::Message() << options.tolerance << " " << options.edgeWidth << " "
                                          << int(options.contrast) << " " << int(options.texture));
        EXPECT_EQ(VkSetAnalysisOptions(session, options), VkNotSupported);
        EXPECT_EQ(session->edgeWidth, published.edgeWidth);
        EXPECT_EQ(session->contrast, published.contrast);
        EXPECT_EQ(session->texture, published.texture);
        EXPECT_EQ(session->tolerance, published.tolerance);
        EXPECT_EQ(variableTexts(), texts);
    }
    // The ends of the ranges are taken, and the analysis runs with them.
    ASSERT_EQ(VkSetAnalysisOptions(session, {1.0f, 32, 2, 2}), VkOk);
    EXPECT_EQ(session->edgeWidth, 32u);
    EXPECT_EQ(VkAnalyseImage(session, nullptr), VkOk);
}

TEST_F(HostileArguments, VariablesAreClampedToTheEndsOfTheirRanges) {
    struct Case {
        const char* name;
        float value;
        const char* text; // after the set
    };
    const Case cases[] = {
        {"textureFilter", 100.0f, "2=coarse*"},
        {"inFocusEdgeWidth", 1e30f, "32*"},
        {"inFocusEdgeWidth", 3.0f, "32*"}, // 32768 pixels when extrapolated
        {"overlap", 1e30f, "3*"},
        {"overlap", -1e30f, "0*"},
        {"edgeContrast", -7.0f, "0=low*"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.value));
        ASSERT_EQ(VkSetVariable(session, c.name, c.value), VkOk);
        EXPECT_EQ(textOf(c.name), c.text);
    }
    EXPECT_EQ(session->edgeWidth, 32u);
    // No number is no value.
    const std::vector<std::string> texts = variableTexts();
    for (float v : {kNaN, std::numeric_limits<float>::infinity()})
        EXPECT_EQ(VkSetVariable(session, "focus", v), VkNotSupported);
    EXPECT_EQ(variableTexts(), texts);

    // The widest texture smoothing the ranges allow, over a small image.
    ASSERT_EQ(VkSetVariable(session, "#texture", 1.0f), VkOk);
    ASSERT_EQ(VkSetVariable(session, "inFocusEdgeWidth", 1.0f), VkOk);
    ASSERT_EQ(VkSetVariable(session, "overlap", 1.0f), VkOk);
    // The texture job takes no radius beyond this one: it must be the widest.
    EXPECT_EQ(textOf("#texture"), std::to_string(classification::kLargestTextureRadius + 1) + "*");
    EXPECT_EQ(VkAnalyseImage(session, nullptr), VkOk);
    EXPECT_EQ(session->analysed, 1u);
}

TEST_F(HostileArguments, RowBytesThatWrapOrSplitAPixelAreRefused) {
    std::vector<uint8_t> memory(4096, 7);
    struct Case {
        int32_t width, height, rowBytes, kind;
    };
    const Case cases[] = {
        {4, 2, -16, VkKindRgba8},           // negative row bytes
        {(1 << 30) + 1, 1, 4, VkKindRgba8}, // 4 x width wraps to 4 in 32 bits
        {4, 2, 15, VkKindRgba8},            // rows shorter than the width
        {4, 2, 18, VkKindRgba8},            // rows that split a pixel
        {4, 2, 36, VkKindRgba16},           // the same for 16-bit pixels
        {kIntMax, 1, kIntMax, VkKindRgba8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << ", row bytes "
                                          << c.rowBytes << ", kind " << c.kind);
        if (c.kind == VkKindRgba8) {
            EXPECT_EQ(VkBeginSession(engine, c.width, c.height, c.rowBytes, c.kind, memory.data()),
                      nullptr);
        }
        EXPECT_EQ(VkNewStatusImage(engine, c.width, c.height, c.rowBytes, c.kind, memory.data()),
                  nullptr);
        const VkImage view{c.width, c.height, c.rowBytes, c.kind, memory.data()};
        if (c.kind == VkKindRgba8) {
            EXPECT_EQ(VkScaleImage(view, {8, 4, 32, VkKindRgba8, memory.data() + 1024}),
                      VkNotSupported);
            EXPECT_EQ(VkScaleImage({2, 1, 8, VkKindRgba8, memory.data() + 1024}, view),
                      VkNotSupported);
        }
        const VkImage output{c.width, c.height, c.rowBytes, c.kind, memory.data() + 2048};
        EXPECT_EQ(VkGenerateMask(session, nullptr, output, view, status, nullptr, 0, 0.0f, 1.0f,
                                 nullptr, 0),
                  VkNotSupported);
    }
    EXPECT_EQ(memory, std::vector<uint8_t>(4096, 7)); // nothing written anywhere
}

TEST(HostileCalls, ImagesAndSessionsOfDifferentEnginesAreRefused) {
    const std::vector<uint8_t> pixels = twoHalves(8, 6);
    VkEngine* a = VkInit();
    VkEngine* b = VkInit();
    VkImage* imageOfA = VkNewStatusImage(a, 8, 6, 32, VkKindRgba8, pixels.data());
    VkSession* sessionOfB = VkBeginSession(b, 8, 6, 32, VkKindRgba8, pixels.data());
    const VkMaskRect patch{2, 1, 4, 3, 4, VkKindStatus, nullptr};
    VkSession* subOfB = VkBeginSubSession(sessionOfB, &patch, 0);
    ASSERT_TRUE(imageOfA && sessionOfB && subOfB);
    const std::vector<uint8_t> before(imageOfA->data, imageOfA->data + 6 * imageOfA->rowBytes);

    uint8_t keep[12] = {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2};
    const VkMaskRect bytes{2, 1, 4, 3, 4, VkKindStatus, keep};
    std::vector<uint8_t> out(8 * 6 * 4, 9);
    const VkImage view{8, 6, 32, VkKindRgba8, const_cast<uint8_t*>(pixels.data())};
    const VkImage output{8, 6, 32, VkKindRgba8, out.data()};
    const std::vector<std::pair<const char*, std::function<VkResult(VkSession*)>>> calls = {
        {"VkSetStatus", [&](VkSession* s) { return VkSetStatus(s, imageOfA, &bytes); }},
        {"VkSelect",
         [&](VkSession* s) {
             return VkSelect(s, imageOfA, &bytes, VkStatusKeep, 15, VkScopeExact, 0.0f, nullptr);
         }},
        {"VkAutoComplex", [&](VkSession* s) { return VkAutoComplex(s, imageOfA, 1.0f, nullptr); }},
        {"VkDespeckleSelection",
         [&](VkSession* s) { return VkDespeckleSelection(s, imageOfA, 4); }},
        {"VkAutoFill", [&](VkSession* s) { return VkAutoFill(s, imageOfA, nullptr, 0, 1.0f); }},
        {"VkSubSessionPull", [&](VkSession* s) { return VkSubSessionPull(s, imageOfA); }},
        {"VkSubSessionPush", [&](VkSession* s) { return VkSubSessionPush(s, imageOfA); }},
        {"VkGenerateMask",
         [&](VkSession* s) {
             return VkGenerateMask(s, nullptr, output, view, imageOfA, nullptr, 0, 0.0f, 1.0f,
                                   nullptr, 0);
         }},
    };
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        EXPECT_EQ(call(sessionOfB), VkBadImage);
        EXPECT_EQ(call(subOfB), VkBadImage);
    }
    EXPECT_EQ(std::vector<uint8_t>(imageOfA->data, imageOfA->data + 6 * imageOfA->rowBytes),
              before);
    EXPECT_EQ(out, std::vector<uint8_t>(8 * 6 * 4, 9));

    // What used to free twice and read freed memory: A goes first, B's
    // sub-session keeps nothing of A's image, and both finish.
    EXPECT_EQ(VkFinish(a), VkOk);
    EXPECT_EQ(VkUndo(subOfB), VkOk);
    EXPECT_EQ(VkFinish(b), VkOk);
}

TEST_F(HostileArguments, RectanglesAreTakenInSixtyFourBitsAndMustMeetTheImage) {
    uint8_t bytes[5 * 5];
    std::fill(std::begin(bytes), std::end(bytes), VkStatusKeep);
    const VkMaskRect missing[] = {
        {kIntMin, 0, 5, 1, 5, VkKindStatus, bytes},
        {kIntMax - 3, 0, 5, 1, 5, VkKindStatus, bytes},
        {0, kIntMin, 1, 5, 1, VkKindStatus, bytes},
        {0, kIntMax - 3, 1, 5, 1, VkKindStatus, bytes},
        {kWidth, 0, 5, 1, 5, VkKindStatus, bytes},
        {-5, 3, 5, 1, 5, VkKindStatus, bytes},
        {3, 3, 0, 1, 5, VkKindStatus, bytes},
        {3, 3, -2, 1, 5, VkKindStatus, bytes},
        {kIntMin, kIntMin, kIntMax, kIntMax, 0, VkKindStatus, nullptr},
    };
    const std::vector<uint8_t> before = statusBytes();
    for (const VkMaskRect& rect : missing) {
        SCOPED_TRACE(::testing::Message()
                     << rect.x << ", " << rect.y << ", " << rect.width << " x " << rect.height);
        EXPECT_EQ(VkSelect(session, status, &rect, VkStatusKeep, 15, VkScopeExact, 0.0f, nullptr),
                  VkNotSupported);
        if (rect.data) {
            EXPECT_EQ(VkSetStatus(session, status, &rect), VkNotSupported);
        }
    }
    // Scopes other than exact, local and global.
    const VkMaskRect inside{2, 2, 3, 3, 5, VkKindStatus, bytes};
    for (int32_t scope : {3, -1, kIntMax})
        EXPECT_EQ(VkSelect(session, status, &inside, VkStatusKeep, 15, scope, 0.0f, nullptr),
                  VkNotSupported);
    EXPECT_EQ(statusBytes(), before);

    // Across the image's first column only the part inside is written, read
    // from the right bytes of the caller's rows.
    uint8_t stroke[2 * 6] = {1, 1, 1, 1, 0, 1, //
                             1, 1, 1, 0, 1, 1};
    const VkMaskRect across{-3, 4, 6, 2, 6, VkKindStatus, stroke};
    ASSERT_EQ(VkSelect(session, status, &across, VkStatusKeep, 15, VkScopeExact, 0.0f, nullptr),
              VkOk);
    std::vector<uint8_t> expected = before;
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            if (stroke[r * 6 + 3 + c]) expected[(4 + r) * kWidth + c] = VkStatusKeep;
    EXPECT_EQ(statusBytes(), expected);
    EXPECT_EQ(session->changedX, 0);
    EXPECT_EQ(session->changedWidth, 3);
}

TEST_F(HostileArguments, SetStatusTakesNoTemporaryMarksOfMaskGeneration) {
    const std::vector<uint8_t> before = statusBytes();
    for (uint8_t mark : {VkStatusTempDone, VkStatusTempWork}) {
        uint8_t bytes[4] = {VkStatusKeep, VkStatusKeep, static_cast<uint8_t>(VkStatusKeep | mark),
                            VkStatusKeep};
        const VkMaskRect rect{1, 1, 2, 2, 2, VkKindStatus, bytes};
        EXPECT_EQ(VkSetStatus(session, status, &rect), VkNotSupported);
        // Where it lies outside the image the mark is not taken either, nor looked at.
        const VkMaskRect beyond{-1, 1, 2, 2, 2, VkKindStatus, bytes};
        EXPECT_EQ(VkSetStatus(session, status, &beyond), VkOk);
    }
    std::vector<uint8_t> expected = before;
    expected[1 * kWidth] = expected[2 * kWidth] = VkStatusKeep;
    EXPECT_EQ(statusBytes(), expected);
}

TEST(HostileCalls, GenerateMaskWithAnOutputBoxEmptyAlongOneAxisAnswersOne) {
    // A status image 3 rows high under an output 12 rows high gives the ratio
    // 11 / 2, so factor 8: its last row lies below the output. A one-row
    // status image always gives factor 8: its second column lies beyond a
    // five-pixel output.
    struct Case {
        int statusWidth, statusHeight, outputWidth, outputHeight;
        VkRect rect;
    };
    const Case cases[] = {
        {7, 3, 28, 12, {0, 2, 7, 1}},
        {5, 1, 5, 1, {1, 0, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.statusWidth << " x " << c.statusHeight);
        const std::vector<uint8_t> small = twoHalves(c.statusWidth, c.statusHeight);
        std::vector<uint8_t> source = twoHalves(c.outputWidth, c.outputHeight);
        std::vector<uint8_t> out(source.size(), 9);
        VkEngine* engine = VkInit();
        VkSession* session = VkBeginSession(engine, c.statusWidth, c.statusHeight,
                                            c.statusWidth * 4, VkKindRgba8, small.data());
        VkImage* status = VkNewStatusImage(engine, c.statusWidth, c.statusHeight, c.statusWidth * 4,
                                           VkKindRgba8, small.data());
        ASSERT_TRUE(session && status);
        ASSERT_EQ(VkAnalyseImage(session, nullptr), VkOk);
        // Keep and delete marks, so that a run would reach the passes.
        std::vector<uint8_t> marks(static_cast<std::size_t>(c.statusWidth) * c.statusHeight);
        for (std::size_t i = 0; i < marks.size(); ++i)
            marks[i] = i % c.statusWidth < 2 ? VkStatusKeep : VkStatusDelete;
        const VkMaskRect all{
            0, 0, c.statusWidth, c.statusHeight, c.statusWidth, VkKindStatus, marks.data()};
        ASSERT_EQ(VkSetStatus(session, status, &all), VkOk);

        const VkImage from{c.outputWidth, c.outputHeight, c.outputWidth * 4, VkKindRgba8,
                           source.data()};
        const VkImage to{c.outputWidth, c.outputHeight, c.outputWidth * 4, VkKindRgba8, out.data()};
        EXPECT_EQ(
            VkGenerateMask(session, &c.rect, to, from, status, nullptr, 0, 0.0f, 1.0f, nullptr, 0),
            VkNotSupported);
        EXPECT_EQ(out, std::vector<uint8_t>(source.size(), 9));
        EXPECT_EQ(VkFinish(engine), VkOk);
    }
}

TEST_F(HostileArguments, AMembranePatchOfAHugeValueRunsTheLargestSmoothing) {
    // Keep on the left, delete on the right, a band of unassigned pixels between.
    std::vector<uint8_t> marks(kWidth * kHeight);
    for (int r = 0; r < kHeight; ++r)
        for (int c = 0; c < kWidth; ++c)
            marks[r * kWidth + c] = c < 8     ? VkStatusKeep
                                    : c >= 16 ? VkStatusDelete
                                              : VkStatusUnassigned;
    const VkMaskRect all{0, 0, kWidth, kHeight, kWidth, VkKindStatus, marks.data()};
    ASSERT_EQ(VkSetStatus(session, status, &all), VkOk);
    ASSERT_EQ(VkAnalyseImage(session, nullptr), VkOk);

    VkPatchRecord membrane{};
    membrane.maskWidth = kWidth;
    membrane.maskHeight = kHeight;
    membrane.blendMode = VkBlendMembrane;
    membrane.param1 = 1e30f; // about two billion smoothing passes, taken as the largest
    std::vector<uint8_t> out(pixels.size(), 9);
    const VkImage source{kWidth, kHeight, kWidth * 4, VkKindRgba8, pixels.data()};
    const VkImage output{kWidth, kHeight, kWidth * 4, VkKindRgba8, out.data()};
    const std::vector<uint8_t> before = statusBytes();
    EXPECT_EQ(VkGenerateMask(session, nullptr, output, source, status, nullptr, 0, 0.0f, 1.0f,
                             &membrane, 1),
              VkOk);
    EXPECT_NE(out, std::vector<uint8_t>(pixels.size(), 9));
    EXPECT_EQ(statusBytes(), before);
}

} // namespace
