// Whole cut-outs through the call interface: a real photograph analysed,
// keep and delete strokes, then VkGenerateMask over the whole image and over
// a rectangle, with the status image at the photograph's size (factor 1) and
// at half its size (factor 2), for 8-bit samples and both 16-bit kinds.
#include "support/photo.h"
#include "support/progress_recorder.h"

#include "api/vardek.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct KindCase {
    const char* name;
    int32_t kind;
    int fullScale;
};
const KindCase kKinds[] = {
    {"8-bit", VkKindRgba8, 255}, {"16-bit", VkKindRgba16, 65535}, {"15-bit", VkKindRgba15, 32768}};

int answerNothing(unsigned char, int) {
    return 0;
}

// A photograph in one of the three sample kinds (alpha at full scale).
struct Pixels {
    int32_t kind = VkKindRgba8;
    int width = 0, height = 0;
    std::vector<uint8_t> bytes8;
    std::vector<uint16_t> bytes16;

    Pixels(const test_support::Photo& photo, const KindCase& k)
        : kind(k.kind), width(photo.width), height(photo.height) {
        if (kind == VkKindRgba8) {
            bytes8 = photo.bgra;
            return;
        }
        bytes16.resize(photo.bgra.size());
        for (std::size_t i = 0; i < photo.bgra.size(); ++i)
            bytes16[i] = static_cast<uint16_t>(std::lround(photo.bgra[i] * (k.fullScale / 255.0)));
    }
    int bytesPerPixel() const { return kind == VkKindRgba8 ? 4 : 8; }
    VkImage view() {
        unsigned char* data =
            kind == VkKindRgba8 ? bytes8.data() : reinterpret_cast<unsigned char*>(bytes16.data());
        return VkImage{width, height, width * bytesPerPixel(), kind, data};
    }
    // Every sample set to `value`: an output that no pass would leave as it is.
    void fill(uint16_t value) {
        std::fill(bytes8.begin(), bytes8.end(), static_cast<uint8_t>(value));
        std::fill(bytes16.begin(), bytes16.end(), value);
    }
    int at(int r, int c, int ch) const {
        const std::size_t i = (static_cast<std::size_t>(r) * width + c) * 4 + ch;
        return kind == VkKindRgba8 ? bytes8[i] : bytes16[i];
    }
};

// Engine, session over the workspace image (the photograph, or its half),
// status image, analysis and two local strokes: keep over the cat's face,
// delete over the background at the top left.
class Cutout {
public:
    Cutout(const test_support::Photo& photo, int factor, bool withDelete = true)
        : photo_(photo), factor_(factor) {
        engine_ = VkInit();
        workspace_ = photo.bgra;
        width_ = photo.width;
        height_ = photo.height;
        if (factor == 2) {
            width_ = (photo.width + 1) / 2;
            height_ = (photo.height + 1) / 2;
            workspace_.assign(static_cast<std::size_t>(width_) * height_ * 4, 0);
            VkImage target{width_, height_, width_ * 4, VkKindRgba8, workspace_.data()};
            VkImage source{photo.width, photo.height, photo.rowBytes(), VkKindRgba8,
                           const_cast<uint8_t*>(photo.bgra.data())};
            EXPECT_EQ(VkScaleImage(target, source), VkOk);
        }
        session_ =
            VkBeginSession(engine_, width_, height_, width_ * 4, VkKindRgba8, workspace_.data());
        status_ =
            VkNewStatusImage(engine_, width_, height_, width_ * 4, VkKindRgba8, workspace_.data());
        EXPECT_EQ(VkAnalyseImage(session_, answerNothing), VkOk);
        stroke(keepStroke(), VkStatusKeep);
        if (withDelete) stroke(deleteStroke(), VkStatusDelete);
    }
    ~Cutout() { VkFinish(engine_); }

    // Boxes of the strokes in workspace pixels: x, y, width, height.
    VkRect keepStroke() const { return scaled({190, 110, 60, 30}); }
    VkRect deleteStroke() const { return scaled({10, 10, 60, 30}); }

    VkSession* session() { return session_; }
    VkImage* status() { return status_; }
    // The status bytes, row padding included (the engine never writes it).
    std::vector<uint8_t> statusBytes() const {
        return std::vector<uint8_t>(status_->data, status_->data + status_->rowBytes * height_);
    }
    uint32_t undoGroups() {
        uint32_t n = 0;
        VkNumAvailableUndo(session_, &n);
        return n;
    }

private:
    VkRect scaled(VkRect r) const {
        return {r.x / factor_, r.y / factor_, r.width / factor_, r.height / factor_};
    }
    void stroke(const VkRect& box, uint8_t status) {
        std::vector<uint8_t> mask(static_cast<std::size_t>(box.width) * box.height, 1);
        VkMaskRect rect{box.x, box.y, box.width, box.height, box.width, 0, mask.data()};
        ASSERT_EQ(VkNewUndoGroup(session_), VkOk);
        ASSERT_EQ(
            VkSelect(session_, status_, &rect, status, 0x0f, VkScopeLocal, 0.0f, answerNothing),
            VkOk);
    }

    const test_support::Photo& photo_;
    int factor_;
    std::vector<uint8_t> workspace_;
    int width_ = 0, height_ = 0;
    VkEngine* engine_ = nullptr;
    VkSession* session_ = nullptr;
    VkImage* status_ = nullptr;
};

const test_support::Photo& photo() {
    static const test_support::Photo p = test_support::readPng(CUTOUT_TEST_DATA "/chelsea.png");
    return p;
}

bool anyTemporaryMark(const VkImage& status) {
    for (int r = 0; r < status.height; ++r)
        for (int c = 0; c < status.width; ++c)
            if (status.data[r * status.rowBytes + c] & (VkStatusTempDone | VkStatusTempWork))
                return true;
    return false;
}

TEST(Cutout, WholeImageKeepsTheKeepStrokeAndDropsTheDeleteStroke) {
    ASSERT_GT(photo().width, 0);
    test_support::ProgressRecorder recorder;
    for (const int factor : {1, 2}) {
        Cutout cut(photo(), factor);
        for (const KindCase& k : kKinds) {
            Pixels source(photo(), k);
            Pixels output = source;
            const uint32_t groups = cut.undoGroups();
            ::testing::internal::CaptureStdout();
            ASSERT_EQ(VkGenerateMask(cut.session(), nullptr, output.view(), source.view(),
                                     cut.status(), nullptr, 0, 0.0f, 0.0f, nullptr, 0),
                      VkOk)
                << k.name << " factor " << factor;
            EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
            EXPECT_LE(cut.undoGroups(), groups + 1);
            EXPECT_FALSE(anyTemporaryMark(*cut.status()));

            // Output pixels whose status pixel and its eight neighbours all
            // carry the same class are certain.
            const std::vector<uint8_t> status = cut.statusBytes();
            const int32_t stride = cut.status()->rowBytes;
            const auto certain = [&](int row, int column) -> uint8_t {
                const int sr = row / factor, sc = column / factor;
                if (sr < 1 || sc < 1 || sr + 1 >= cut.status()->height ||
                    sc + 1 >= cut.status()->width)
                    return 0;
                const uint8_t cls = status[sr * stride + sc] & VkStatusClassMask;
                for (int i = -1; i <= 1; ++i)
                    for (int j = -1; j <= 1; ++j)
                        if ((status[(sr + i) * stride + sc + j] & VkStatusClassMask) != cls)
                            return 0;
                return cls;
            };
            int kept = 0, dropped = 0, soft = 0;
            for (int r = 0; r < output.height; ++r)
                for (int c = 0; c < output.width; ++c) {
                    const int alpha = output.at(r, c, 3);
                    const uint8_t cls = certain(r, c);
                    if (cls == VkStatusKeep) {
                        ASSERT_EQ(alpha, k.fullScale) << k.name << " " << r << "," << c;
                        ASSERT_EQ(output.at(r, c, 1), source.at(r, c, 1));
                        ++kept;
                    } else if (cls == VkStatusDelete) {
                        ASSERT_EQ(alpha, 0) << k.name << " " << r << "," << c;
                        ++dropped;
                    }
                    soft += alpha > 0 && alpha < k.fullScale;
                }
            EXPECT_GT(kept, 0);
            EXPECT_GT(dropped, 0);
            EXPECT_GT(soft, 0) << k.name << ": a cut-out with a soft edge somewhere";
        }
    }
}

TEST(Cutout, ARectangleLeavesTheStatusAndTheRestOfTheOutputAlone) {
    ASSERT_GT(photo().width, 0);
    test_support::ProgressRecorder recorder;
    for (const int factor : {1, 2}) {
        Cutout cut(photo(), factor);
        for (const KindCase& k : kKinds) {
            Pixels source(photo(), k);
            Pixels output = source;
            output.fill(3);
            const Pixels before = output;
            const std::vector<uint8_t> status = cut.statusBytes();
            const uint32_t groups = cut.undoGroups();
            const VkRect rect{100 / factor, 60 / factor, 200 / factor, 120 / factor};
            ::testing::internal::CaptureStdout();
            ASSERT_EQ(VkGenerateMask(cut.session(), &rect, output.view(), source.view(),
                                     cut.status(), nullptr, 0, 1.0f, 0.0f, nullptr, 0),
                      VkOk)
                << k.name << " factor " << factor;
            const std::string trace = ::testing::internal::GetCapturedStdout();
            EXPECT_EQ(trace.rfind("nUndo ", 0), 0u) << trace;
            EXPECT_TRUE(cut.statusBytes() == status) << k.name;
            EXPECT_EQ(cut.undoGroups(), groups);
            int changed = 0;
            for (int r = 0; r < output.height; ++r)
                for (int c = 0; c < output.width; ++c) {
                    const bool inBox = c >= rect.x * factor && c < (rect.x + rect.width) * factor &&
                                       r >= rect.y * factor && r < (rect.y + rect.height) * factor;
                    for (int ch = 0; ch < 4; ++ch) {
                        if (!inBox)
                            ASSERT_EQ(output.at(r, c, ch), before.at(r, c, ch)) << r << "," << c;
                        else
                            changed += output.at(r, c, ch) != before.at(r, c, ch);
                    }
                }
            EXPECT_GT(changed, 0);
        }
    }
}

TEST(Cutout, ACancelLeavesOutputStatusAndUndoAsTheyWere) {
    ASSERT_GT(photo().width, 0);
    test_support::RacingClock clock; // every report reaches the progress function
    for (const int factor : {1, 2}) {
        // Keep marks only: the whole-image run fills the rest with delete first.
        Cutout cut(photo(), factor, false);
        for (const KindCase& k : kKinds) {
            for (const int cancelAt :
                 {1, 20, 60}) { // percent: in the fill, the distances, the pass
                test_support::ProgressRecorder recorder;
                recorder.answer = [&](int, int percent) { return percent >= cancelAt ? 2 : 0; };
                Pixels source(photo(), k);
                Pixels output = source;
                output.fill(3);
                const Pixels before = output;
                const std::vector<uint8_t> status = cut.statusBytes();
                const uint32_t groups = cut.undoGroups();
                EXPECT_EQ(VkGenerateMask(cut.session(), nullptr, output.view(), source.view(),
                                         cut.status(), nullptr, 0, 1.0f, 0.0f, nullptr, 0),
                          VkCancelled)
                    << k.name << " factor " << factor << " at " << cancelAt;
                EXPECT_TRUE(cut.statusBytes() == status) << k.name << " at " << cancelAt;
                EXPECT_EQ(cut.undoGroups(), groups);
                EXPECT_TRUE(output.bytes8 == before.bytes8 && output.bytes16 == before.bytes16);
            }
        }
    }
}

} // namespace
