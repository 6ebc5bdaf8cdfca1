// The first matting pass: certain and mixed pixels, done marks, progress, and a
// soft synthetic edge at 8 and 16 bits.
#include "support/recording_progress.h"
#include "values.h"

#include "matting/chamfer_distance.h"
#include "matting/first_matting_pass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using classification::Box;
using classification::ByteArray;
using orsine::utility::Colour;
using namespace orsine::matting;

enum class Kind { Bits8, Bits16, Bits15 };

struct KindCase {
    const char* name;
    Kind kind;
    float fullScale;
    float scale; // of 8-bit colours
};
const KindCase kKinds[] = {{"8-bit", Kind::Bits8, 255.0f, 1.0f},
                           {"16-bit", Kind::Bits16, 65535.0f, 257.0f},
                           {"15-bit", Kind::Bits15, 32768.0f, 128.50197f}};

// An image of either sample size; 8-bit kinds use `narrow`, the others `wide`.
struct Picture {
    Image8 narrow;
    Image16 wide;

    Picture(const KindCase& k, int rows, int columns) {
        if (k.kind == Kind::Bits8)
            narrow.resize(rows, columns);
        else
            wide.resize(rows, columns);
    }
    Picture copy() const {
        Picture p = *this;
        if (narrow.size()) p.narrow.reference(narrow.copy());
        if (wide.size()) p.wide.reference(wide.copy());
        return p;
    }
    void set(int r, int c, float b, float g, float red, float a) {
        if (narrow.size())
            narrow(r, c) = Colour<unsigned char>(b, g, red, a);
        else
            wide(r, c) = Colour<unsigned short>(b, g, red, a);
    }
    float get(int r, int c, int ch) const {
        return narrow.size() ? narrow(r, c)[ch] : wide(r, c)[ch];
    }
};

// Everything the pass reads, at factor 1 unless said otherwise.
struct Scene {
    KindCase kind;
    int factor = 1;
    ByteArray status;
    ByteArray plane;
    Picture source, output;
    MattingClassification classification;
    MaskPatch patch;

    Scene(const KindCase& k, int statusRows, int statusColumns, int factor = 1)
        : kind(k), factor(factor), status(statusRows, statusColumns),
          plane(statusRows, statusColumns), source(k, statusRows * factor, statusColumns * factor),
          output(k, statusRows * factor, statusColumns * factor) {
        plane = 0;
        classification.analysisImage.resize(statusRows, statusColumns);
        patch.membrane = true;
        patch.membraneValue = 0.5f;
    }

    // 'K' keep, 'D' delete, '.' unassigned, all marked for the pass (0x80).
    void marks(const std::vector<std::string>& rows) {
        for (int r = 0; r < status.extent(0); ++r)
            for (int c = 0; c < status.extent(1); ++c)
                status(r, c) = rows[r][c] == 'K' ? 0x82 : rows[r][c] == 'D' ? 0x84 : 0x81;
    }

    // The 8-bit analysis image: the source narrowed to 8 bits and averaged
    // over each status pixel.
    void analyse() {
        for (int r = 0; r < status.extent(0); ++r) {
            for (int c = 0; c < status.extent(1); ++c) {
                Colour<unsigned char> a(0, 0, 0, 255);
                for (int ch = 0; ch < 3; ++ch) {
                    float sum = 0;
                    for (int i = 0; i < factor; ++i)
                        for (int j = 0; j < factor; ++j)
                            sum += source.get(r * factor + i, c * factor + j, ch) / kind.scale;
                    a[ch] = static_cast<unsigned char>(std::lround(sum / (factor * factor)));
                }
                classification.analysisImage(r, c) = a;
            }
        }
    }

    // Runs the pass over the whole status image the way the driver does: the
    // source itself as colour image when it has the status image's size, else
    // the analysis image through the OnArray entry.
    void run(int blendKind, ProgressRange progress = ProgressRange(nullptr),
             Box box = Box::empty()) {
        const Box all = classification::boxOf(status);
        if (box.isEmpty()) box = all;
        const DistanceArray distances = chamferDistanceTransform(status);
        const ReductionFactors factors(factor, factor);
        const Image8& analysis = classification.analysisImage;
        const bool direct = factor == 1;
        const FirstPassRequest request{status, box,       all,       factors,
                                       plane,  distances, blendKind, &patch};
        switch (kind.kind) {
        case Kind::Bits8:
            if (direct)
                firstMattingPass8(classification, output.narrow, source.narrow, source.narrow,
                                  request, progress);
            else
                firstMattingPassOnArray(classification, output.narrow, source.narrow, analysis,
                                        request, progress);
            break;
        case Kind::Bits16:
            if (direct)
                firstMattingPass16(classification, output.wide, source.wide, source.wide, request,
                                   progress);
            else
                firstMattingPassOnArray16(classification, output.wide, source.wide, analysis,
                                          request, progress);
            break;
        case Kind::Bits15:
            if (direct)
                firstMattingPass15(classification, output.wide, source.wide, source.wide, request,
                                   progress);
            else
                firstMattingPassOnArray15(classification, output.wide, source.wide, analysis,
                                          request, progress);
            break;
        }
    }

    // Output pixels the pass must not touch read (1, 2, 3, 4).
    void fillOutput() {
        for (int r = 0; r < source.narrow.extent(0) + source.wide.extent(0); ++r)
            for (int c = 0; c < source.narrow.extent(1) + source.wide.extent(1); ++c)
                output.set(r, c, 1, 2, 3, 4);
    }
};

// A soft vertical edge: foreground on the left, background on the right, alpha
// falling linearly over 16 output pixels.
struct SoftEdge {
    static constexpr int rows = 20, columns = 64;
    static float alpha(int column) {
        return std::clamp((40.0f - (column + 0.5f)) / 16.0f, 0.0f, 1.0f);
    }
    static constexpr float fg[3] = {30, 90, 210};
    static constexpr float bg[3] = {200, 170, 40};
};

float sampleOf(const KindCase& k, float eightBit) {
    return std::trunc(eightBit * k.scale);
}

// The soft edge at the kind's scale, marked keep where every covered output
// pixel is opaque, delete where every one is transparent, unassigned between.
Scene softEdgeScene(const KindCase& k, int factor) {
    Scene s(k, SoftEdge::rows / factor, SoftEdge::columns / factor, factor);
    for (int r = 0; r < SoftEdge::rows; ++r) {
        for (int c = 0; c < SoftEdge::columns; ++c) {
            const float a = SoftEdge::alpha(c);
            float v[3];
            for (int ch = 0; ch < 3; ++ch)
                v[ch] = std::round(a * sampleOf(k, SoftEdge::fg[ch]) +
                                   (1 - a) * sampleOf(k, SoftEdge::bg[ch]));
            s.source.set(r, c, v[0], v[1], v[2], k.fullScale);
        }
    }
    for (int r = 0; r < s.status.extent(0); ++r) {
        for (int c = 0; c < s.status.extent(1); ++c) {
            float lo = 1, hi = 0;
            for (int j = 0; j < factor; ++j) {
                lo = std::min(lo, SoftEdge::alpha(c * factor + j));
                hi = std::max(hi, SoftEdge::alpha(c * factor + j));
            }
            s.status(r, c) = lo == 1 ? 0x82 : hi == 0 ? 0x84 : 0x81;
        }
    }
    s.analyse();
    s.fillOutput();
    return s;
}

TEST(FirstMattingPass, SoftEdgeIsRecovered) {
    // Blend ratio 0: the colours decide; blend ratio 1: the distances alone give
    // a smooth profile, less exact but still monotone.
    const struct {
        unsigned char plane;
        float pixelError, meanError;
        bool colours;
    } trust[] = {{0, 0.03f, 0.005f, true}, {255, 0.15f, 0.05f, false}};
    for (const KindCase& k : kKinds) {
        for (const int factor : {1, 2}) {
            for (const int blendKind : {kMembraneBlend, kDefaultBlend}) {
                for (const auto& t : trust) {
                    SCOPED_TRACE(::testing::Message()
                                 << k.name << " factor " << factor << " blend kind " << blendKind
                                 << " plane " << int(t.plane));
                    Scene s = softEdgeScene(k, factor);
                    s.plane = t.plane;
                    s.run(blendKind);

                    double totalError = 0;
                    for (int r = 0; r < SoftEdge::rows; ++r) {
                        float previous = k.fullScale;
                        for (int c = 0; c < SoftEdge::columns; ++c) {
                            const float a = s.output.get(r, c, 3);
                            ASSERT_LE(a, previous) << "alpha rises at " << r << "," << c;
                            previous = a;
                            const float truth = SoftEdge::alpha(c);
                            // At factor 2 the outer half of a marked status pixel
                            // is mixed; without trusted colours it is only close.
                            const bool exactEnds = t.colours || factor == 1;
                            if (exactEnds && truth == 1) {
                                EXPECT_EQ(a, k.fullScale) << c;
                            }
                            if (exactEnds && truth == 0) {
                                EXPECT_EQ(a, 0) << c;
                            }
                            const float error = std::abs(a / k.fullScale - truth);
                            totalError += error;
                            EXPECT_LT(error, t.pixelError) << r << "," << c;
                            if (t.colours && a > 0.5f * k.fullScale) {
                                for (int ch = 0; ch < 3; ++ch) {
                                    EXPECT_NEAR(s.output.get(r, c, ch),
                                                sampleOf(k, SoftEdge::fg[ch]), 0.02f * k.fullScale)
                                        << r << "," << c << " channel " << ch;
                                }
                            }
                        }
                    }
                    EXPECT_LT(totalError / (SoftEdge::rows * SoftEdge::columns), t.meanError);
                }
            }
        }
    }
}

TEST(FirstMattingPass, CertainPixelsAndPixelsLeftAlone) {
    for (const KindCase& k : kKinds) {
        SCOPED_TRACE(k.name);
        Scene s(k, 1, 7);
        s.marks({"KKK.DDD"});
        for (int c = 0; c < 7; ++c)
            s.source.set(0, c, 10 * c, 20, 30, k.fullScale);
        s.source.set(0, 0, 50, 60, 70, k.fullScale - 1); // not fully opaque
        s.status(0, 1) |= 0x40;                          // already done
        s.status(0, 5) &= 0x7F;                          // not in this pass
        s.analyse();
        s.fillOutput();
        s.run(kDefaultBlend);
        const auto pixel = [&](int c) {
            return std::vector<float>{s.output.get(0, c, 0), s.output.get(0, c, 1),
                                      s.output.get(0, c, 2), s.output.get(0, c, 3)};
        };
        const std::vector<float> untouched{1, 2, 3, 4};
        EXPECT_EQ(pixel(0), untouched);
        EXPECT_EQ(pixel(1), untouched);
        EXPECT_EQ(pixel(2), std::vector<float>({20, 20, 30, k.fullScale}));
        EXPECT_NE(pixel(3), untouched); // mixed
        EXPECT_EQ(pixel(4), std::vector<float>({0, 0, 0, 0}));
        EXPECT_EQ(pixel(5), untouched);
        EXPECT_EQ(pixel(6), std::vector<float>({0, 0, 0, 0}));
    }
}

TEST(FirstMattingPass, HalfwayInDistanceWithFullBlendRatioIsHalfTransparent) {
    const float halfAlpha[] = {127, 32767, 16384}; // trunc(0.5 x (S + 0.99))
    for (int i = 0; i < 3; ++i) {
        const KindCase& k = kKinds[i];
        SCOPED_TRACE(k.name);
        Scene s(k, 1, 3);
        s.marks({"K.D"});
        s.plane = 255; // blend ratio 1: the colours are not trusted
        const float keep[3] = {100, 110, 120}, mid[3] = {90, 100, 110}, del[3] = {80, 90, 100};
        s.source.set(0, 0, sampleOf(k, keep[0]), sampleOf(k, keep[1]), sampleOf(k, keep[2]),
                     k.fullScale);
        s.source.set(0, 1, sampleOf(k, mid[0]), sampleOf(k, mid[1]), sampleOf(k, mid[2]),
                     k.fullScale);
        s.source.set(0, 2, sampleOf(k, del[0]), sampleOf(k, del[1]), sampleOf(k, del[2]),
                     k.fullScale);
        s.analyse();
        s.run(kDefaultBlend);
        EXPECT_EQ(s.output.get(0, 1, 3), halfAlpha[i]);
        for (int ch = 0; ch < 3; ++ch) {
            // I - 0.5 x (B - F), F and B the class boundary colours.
            const float expected = std::trunc(
                sampleOf(k, mid[ch]) - 0.5f * (sampleOf(k, del[ch]) - sampleOf(k, keep[ch])));
            EXPECT_EQ(s.output.get(0, 1, ch), expected) << ch;
        }
    }
}

TEST(FirstMattingPass, MissingClassColourFallsBackToThePixel) {
    // Only one class in the estimation box: its pyramid of the other class is
    // empty, and the pixel's own colour stands in for the missing estimate.
    const struct {
        const char* marks;
        float alpha;
    } cases[] = {{"KK...", 255}, {"DD...", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.marks);
        Scene s(kKinds[0], 1, 5);
        s.marks({c.marks});
        for (int col = 0; col < 5; ++col)
            s.source.set(0, col, 40, 50, 60, 255);
        s.analyse();
        s.run(kDefaultBlend);
        for (int col = 2; col < 5; ++col) {
            EXPECT_EQ(s.output.get(0, col, 3), c.alpha) << col;
            EXPECT_EQ(s.output.get(0, col, 0), 40) << col;
            EXPECT_EQ(s.output.get(0, col, 2), 60) << col;
        }
    }
}

TEST(FirstMattingPass, RowsLeftBehindAreMarkedDoneAndNotVisitedAgain) {
    Scene s(kKinds[0], 3, 4, 2);
    s.marks({"K..D", "K..D", "K..D"});
    s.status(1, 1) = 0x01; // outside this pass
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 8; ++c)
            s.source.set(r, c, 20 * c, 100, 200 - 20 * c, 255);
    s.analyse();
    s.fillOutput();
    s.run(kDefaultBlend);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            const unsigned char b = s.status(r, c);
            if (r == 1 && c == 1) {
                EXPECT_EQ(b, 0x01);
            } else if (r < 2) {
                EXPECT_EQ(b & 0xC0, 0xC0) << r << "," << c; // done, pass mark still on
            } else {
                EXPECT_EQ(b & 0xC0, 0x40) << r << "," << c; // last row: replaced
            }
        }
    }
    // The pixels of status (1,1) were left alone.
    EXPECT_EQ(s.output.get(2, 2, 3), 4);
    EXPECT_EQ(s.output.get(3, 3, 3), 4);

    s.output.narrow(blitz::Range::all(), blitz::Range::all()) = Colour<unsigned char>(9, 9, 9, 9);
    const Image8 sentinel = s.output.narrow.copy();
    s.run(kDefaultBlend);
    EXPECT_TRUE(sameImages(s.output.narrow, sentinel)) << "a second pass wrote pixels";
}

TEST(FirstMattingPass, BoxOutsideTheOutputVisitsNothingButMarksItsFirstRow) {
    Scene s(kKinds[0], 6, 3);
    s.marks({"K.D", "K.D", "K.D", "K.D", "K.D", "K.D"});
    // Output and source cover status rows 0 to 1 only.
    s.source.narrow.resize(2, 3);
    s.output.narrow.resize(2, 3);
    s.source.narrow = Colour<unsigned char>(5, 5, 5, 255);
    s.output.narrow = Colour<unsigned char>(1, 2, 3, 4);
    s.classification.analysisImage = Colour<unsigned char>(5, 5, 5, 255);
    s.run(kDefaultBlend, ProgressRange(nullptr), Box(3, 0, 5, 2));
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(s.status(3, c) & 0xC0, 0x40);
        EXPECT_EQ(s.status(4, c) & 0xC0, 0x80);
        EXPECT_EQ(s.status(0, c) & 0xC0, 0x80);
    }
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(values(s.output.narrow(r, c)), std::vector<int>({1, 2, 3, 4}));
}

TEST(FirstMattingPass, ProgressAfterEverySixteenthRow) {
    // The membrane estimates report into the first 40 percent (their smoothing
    // iterations), the rows into the rest.
    const struct {
        Box box;
        std::vector<float> rows; // fractions of the rows' range
    } cases[] = {
        {Box(0, 0, 40, 2), {1.0f / 41, 17.0f / 41, 33.0f / 41}},
        {Box(5, 0, 14, 2), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.box);
        Scene s(kKinds[0], 41, 3);
        std::vector<std::string> rows(41, "K.D");
        s.marks(rows);
        s.source.narrow = Colour<unsigned char>(5, 5, 5, 255);
        s.analyse();
        RecordingProgress parent;
        s.run(kMembraneBlend, ProgressRange(&parent), c.box);
        const std::vector<float>& f = parent.fractions;
        ASSERT_GT(f.size(), c.rows.size() + 1);
        EXPECT_FLOAT_EQ(f.front(), 0.0f);
        const std::size_t firstRow = f.size() - c.rows.size();
        EXPECT_FLOAT_EQ(f[firstRow - 1], 0.4f); // the estimates are complete
        for (std::size_t i = 1; i < firstRow; ++i)
            EXPECT_GE(f[i], f[i - 1]);
        for (std::size_t i = 0; i < c.rows.size(); ++i)
            EXPECT_FLOAT_EQ(f[firstRow + i], 0.4f + 0.6f * c.rows[i]);
    }
}

TEST(FirstMattingPass, SixteenBitEntriesWidenTheAnalysisImage) {
    const struct {
        KindCase kind;
        float scale;
    } cases[] = {{kKinds[1], 257.0f}, {kKinds[2], 128.50197f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind.name);
        Scene s(c.kind, 4, 8, 2);
        s.marks({"KK..DDDD", "KKK..DDD", "KKK...DD", "KKKK..DD"});
        for (int r = 0; r < 8; ++r)
            for (int col = 0; col < 16; ++col)
                s.source.set(r, col, 3000 * (col % 7), 1000 * r, 40000 - 2000 * col,
                             c.kind.fullScale);
        s.analyse();
        s.fillOutput();
        Scene widened = s;
        widened.status.reference(s.status.copy());
        widened.output = s.output.copy();

        s.run(kDefaultBlend); // through the OnArray entry at factor 2

        const Image8& narrow = s.classification.analysisImage;
        Image16 wide(narrow.shape());
        for (int r = 0; r < 4; ++r)
            for (int col = 0; col < 8; ++col)
                for (int ch = 0; ch < 4; ++ch)
                    wide(r, col)[ch] = static_cast<unsigned short>(narrow(r, col)[ch] * c.scale);
        const DistanceArray distances = chamferDistanceTransform(widened.status);
        const Box all(0, 0, 3, 7);
        const FirstPassRequest request{widened.status,         all,           all,
                                       ReductionFactors(2, 2), widened.plane, distances,
                                       kDefaultBlend,          &widened.patch};
        if (c.kind.kind == Kind::Bits16) {
            firstMattingPass16(widened.classification, widened.output.wide, widened.source.wide,
                               wide, request, ProgressRange(nullptr));
        } else {
            firstMattingPass15(widened.classification, widened.output.wide, widened.source.wide,
                               wide, request, ProgressRange(nullptr));
        }
        EXPECT_TRUE(sameImages(s.output.wide, widened.output.wide));
        EXPECT_EQ(wide(0, 0)[3], static_cast<unsigned short>(c.kind.fullScale)); // 255 widened
    }
}

} // namespace
