#include "matting/first_matting_pass.h"

#include "core/status_bits.h"
#include "matting/class_pyramid.h"
#include "matting/nearest_colour.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace orsine::matting {

namespace {

using classification::Box;
using classification::ByteArray;

using classification::kDelete;
using classification::kDoneMark;
using classification::kKeep;
using classification::kPassMark;
using classification::kStatusBits;

// The bilinear corners of an output row (or column) in status coordinates,
// their weights, and the nearest status row (or column).
struct Corners {
    int lower, upper, nearest;
    float lowerWeight, upperWeight;
};

Corners cornersAt(int index, float factor, int first, int last) {
    const float u = (static_cast<float>(index) + 0.5f) / factor;
    const auto clampFloor = [&](float v) {
        return static_cast<int>(
            std::clamp(std::floor(v), static_cast<float>(first), static_cast<float>(last)));
    };
    Corners c;
    c.lower = clampFloor(u - 0.5f);
    c.upper = clampFloor(u + 0.5f);
    c.nearest = clampFloor(u);
    c.lowerWeight = c.lower != c.upper ? static_cast<float>(c.upper) + 0.5f - u : 1.0f;
    c.upperWeight = 1.0f - c.lowerWeight;
    return c;
}

// A status coordinate scaled to output pixels, truncated and kept in int range.
int scaledIndex(float value) {
    return static_cast<int>(std::clamp(value, -1.0e9f, 1.0e9f));
}

template <class Kind> typename Kind::Sample toSample(float value) {
    if (!(value > 0.0f)) return 0;
    if (value >= Kind::fullScale) return static_cast<typename Kind::Sample>(Kind::fullScale);
    return static_cast<typename Kind::Sample>(value);
}

// The median of five values by selection: {f, g} are the middle two of the
// first four, and the median of all five is the median of those two and the
// fifth.
float median5(const float v[5]) {
    const float f = std::max(std::min(v[0], v[1]), std::min(v[2], v[3]));
    const float g = std::min(std::max(v[0], v[1]), std::max(v[2], v[3]));
    return std::max(std::min(f, g), std::min(std::max(f, g), v[4]));
}

void buildPyramid(const ByteArray& status, const Box& box, unsigned char classBit,
                  const Image8& colours, ClassPyramid& pyramid, ProgressRange progress) {
    buildClassPyramid(status, box, classBit, colours, pyramid, progress);
}
void buildPyramid(const ByteArray& status, const Box& box, unsigned char classBit,
                  const Image16& colours, ClassPyramid& pyramid, ProgressRange progress) {
    buildClassPyramid16(status, box, classBit, colours, pyramid, progress);
}

template <class Kind> class FirstPass {
public:
    using Image = typename Kind::Image;
    using Sample = typename Kind::Sample;

    FirstPass(const MattingClassification& classification, Image output, const Image& source,
              const FirstPassRequest& request)
        : classification_(classification), output_(output), source_(source),
          status_(request.status), plane_(request.blendRatioPlane), distances_(request.distances),
          membrane_(request.blendKind == kMembraneBlend) {}

    void run(const Image& colourImage, const FirstPassRequest& request, ProgressRange progress) {
        const Box& box = request.box;
        const ReductionFactors factors = request.factors;
        // Every status pixel the pass reads through the box must exist.
        Box estimation = Box::intersection(request.estimationBox, classification::boxOf(status_));
        estimation.intersect(membrane_ ? classification::boxOf(classification_.analysisImage)
                                       : classification::boxOf(colourImage));
        area_ = box;
        area_.intersect(classification::boxOf(status_));
        area_.intersect(classification::boxOf(plane_));
        area_.intersect(classification::boxOf(distances_));
        if (membrane_) area_.intersect(estimation);
        if (area_.isEmpty()) return;

        processing_ =
            Box(scaledIndex(static_cast<float>(area_.lower.row) * factors[0]),
                scaledIndex(static_cast<float>(area_.lower.column) * factors[1]),
                scaledIndex(factors[0] * static_cast<float>(area_.upper.row + 1) - 1.0f),
                scaledIndex(factors[1] * static_cast<float>(area_.upper.column + 1) - 1.0f));
        if (processing_.lower.row > processing_.upper.row)
            std::swap(processing_.lower.row, processing_.upper.row);
        if (processing_.lower.column > processing_.upper.column)
            std::swap(processing_.lower.column, processing_.upper.column);
        processing_.intersect(classification::boxOf(output_));
        processing_.intersect(classification::boxOf(source_));

        if (membrane_) {
            const ByteArray estimationStatus = boxView(status_, estimation);
            const Image8& analysis = classification_.analysisImage;
            const MaskPatch& patch = *request.patch;
            keepImage_.reference(
                firstPassStage(analysis, estimationStatus, kKeep, patch, progress.subRange(0.3f)));
            deleteImage_.reference(firstPassStage(analysis, estimationStatus, kDelete, patch,
                                                  progress.subRange(0.4f)));
        } else {
            buildPyramid(status_, estimation, kKeep, colourImage, keepPyramid_,
                         progress.subRange(0.3f));
            buildPyramid(status_, estimation, kDelete, colourImage, deletePyramid_,
                         progress.subRange(0.4f));
        }
        ProgressRange rows = progress.subRange(1.0f);

        std::vector<Corners> columns;
        for (int c = processing_.lower.column; c <= processing_.upper.column; ++c) {
            columns.push_back(cornersAt(c, factors[1], area_.lower.column, area_.upper.column));
        }

        int statusRowSeen = area_.lower.row;
        for (int r = processing_.lower.row; r <= processing_.upper.row; ++r) {
            const Corners row = cornersAt(r, factors[0], area_.lower.row, area_.upper.row);
            // Output rows only move down the status rows, so a status row left
            // behind is done.
            if (row.lower != statusRowSeen) {
                markRowDone(statusRowSeen, false);
                statusRowSeen = row.lower;
            }
            for (int c = processing_.lower.column; c <= processing_.upper.column; ++c) {
                handlePixel(r, c, row, columns[c - processing_.lower.column]);
            }
            if ((r & 15) == 0) {
                rows.report(static_cast<float>(r - source_.lbound(0) + 1) /
                            static_cast<float>(output_.extent(0)));
            }
        }
        markRowDone(statusRowSeen, true);
    }

private:
    // The pass mark 0x80 gains the done mark 0x40; at the end it is replaced by it.
    void markRowDone(int r, bool final) {
        if (r < area_.lower.row || r > area_.upper.row) return;
        for (int c = area_.lower.column; c <= area_.upper.column; ++c) {
            unsigned char& s = status_(r, c);
            if (!(s & kPassMark)) continue;
            s = final ? static_cast<unsigned char>((s & kStatusBits) | kDoneMark)
                      : static_cast<unsigned char>(s | kDoneMark);
        }
    }

    void handlePixel(int r, int c, const Corners& row, const Corners& column) {
        const orsine::utility::Colour<Sample>& source = source_(r, c);
        if (static_cast<float>(source[3]) < classification_.opacityThreshold * Kind::fullScale)
            return;
        if ((status_(row.nearest, column.nearest) & (kPassMark | kDoneMark)) != kPassMark) return;

        const unsigned char corner[4] = {
            status_(row.lower, column.lower), status_(row.lower, column.upper),
            status_(row.upper, column.lower), status_(row.upper, column.upper)};
        const float weight[4] = {
            row.lowerWeight * column.lowerWeight, row.lowerWeight * column.upperWeight,
            row.upperWeight * column.lowerWeight, row.upperWeight * column.upperWeight};
        float keep = 0.0f, del = 0.0f;
        for (int i = 0; i < 4; ++i) {
            keep += corner[i] & kKeep ? weight[i] : 0.0f;
            del += corner[i] & kDelete ? weight[i] : 0.0f;
        }

        orsine::utility::Colour<Sample>& out = output_(r, c);
        if (static_cast<double>(keep) > 0.99) {
            out = source;
            out[3] = static_cast<Sample>(Kind::fullScale);
        } else if (static_cast<double>(del) > 0.99) {
            out = static_cast<Sample>(0);
        } else {
            mixedPixel(r, c, row, column, corner, weight, keep, del, out);
        }
    }

    void estimates(const Corners& row, const Corners& column, const float weight[4],
                   const float pixel[3], float f[3], float b[3]) const {
        if (membrane_) {
            const int rs[4] = {row.lower, row.lower, row.upper, row.upper};
            const int cs[4] = {column.lower, column.upper, column.lower, column.upper};
            for (int ch = 0; ch < 3; ++ch) {
                float fs = 0.0f, bs = 0.0f;
                for (int i = 0; i < 4; ++i) {
                    fs += weight[i] * static_cast<float>(keepImage_(rs[i], cs[i])[ch]);
                    bs += weight[i] * static_cast<float>(deleteImage_(rs[i], cs[i])[ch]);
                }
                f[ch] = fs * Kind::estimateScale;
                b[ch] = bs * Kind::estimateScale;
            }
            return;
        }
        // A class without a boundary pixel to average gives no estimate; the
        // pixel's own colour stands in for it.
        const blitz::TinyVector<float, 2> at(static_cast<float>(row.nearest),
                                             static_cast<float>(column.nearest));
        if (!classColourAt(keepPyramid_, at, f)) std::copy(pixel, pixel + 3, f);
        if (!classColourAt(deletePyramid_, at, b)) std::copy(pixel, pixel + 3, b);
    }

    void mixedPixel(int r, int c, const Corners& row, const Corners& column,
                    const unsigned char corner[4], const float weight[4], float keep, float del,
                    orsine::utility::Colour<Sample>& out) const {
        const orsine::utility::Colour<Sample>& source = source_(r, c);
        float pixel[3];
        for (int ch = 0; ch < 3; ++ch)
            pixel[ch] = static_cast<float>(source[ch]);
        float f[3], b[3];
        estimates(row, column, weight, pixel, f, b);

        // Per-channel median of the pixel and its four axial neighbours, the
        // neighbours clamped into the processing box.
        const orsine::utility::Colour<Sample>* around[5] = {
            &source, &source_(std::max(r - 1, processing_.lower.row), c),
            &source_(std::min(r + 1, processing_.upper.row), c),
            &source_(r, std::max(c - 1, processing_.lower.column)),
            &source_(r, std::min(c + 1, processing_.upper.column))};
        float median[3];
        for (int ch = 0; ch < 3; ++ch) {
            float v[5];
            for (int i = 0; i < 5; ++i)
                v[i] = static_cast<float>((*around[i])[ch]);
            median[ch] = median5(v);
        }

        // Estimates pulled toward the pixel by the certainty of the marks; D
        // runs from the foreground to the background estimate.
        float fg[3], bg[3], d[3];
        double squared = 0.0;
        for (int ch = 0; ch < 3; ++ch) {
            fg[ch] = keep * pixel[ch] + (1.0f - keep) * f[ch];
            bg[ch] = del * pixel[ch] + (1.0f - del) * b[ch];
            d[ch] = bg[ch] - fg[ch];
            squared += static_cast<double>(d[ch]) * d[ch];
        }
        const float l2 = static_cast<float>(squared);
        const float length = std::sqrt(l2);

        // Confidence in the colours: distance between the estimates against a
        // threshold that grows with the blend ratio, lowered again for ratios
        // above a third.
        float ratio = 0.0f;
        for (int i = 0; i < 4; ++i) {
            ratio += weight[i] * static_cast<float>(plane_(i < 2 ? row.lower : row.upper,
                                                           i % 2 ? column.upper : column.lower));
        }
        ratio *= 1.0f / 255.0f;
        const float m = 3.0f * ratio < 1.0f ? 3.0f * ratio : 1.0f;
        const float n = std::max((ratio - 1.0f / 3.0f) * 1.5f, 0.0f);
        const float threshold = m * 33.936f + 11.312f;
        const float e = std::clamp((length - threshold) / threshold, 0.0f, 1.0f);
        const float confidence = (1.0f - n) * e;

        float share = 0.0f; // of the background in the pixel
        if (confidence != 1.0f) {
            // Smooth step of the keep-to-delete distance ratio.
            float z = 0.0f;
            const int rs[4] = {row.lower, row.lower, row.upper, row.upper};
            const int cs[4] = {column.lower, column.upper, column.lower, column.upper};
            for (int i = 0; i < 4; ++i) {
                float q;
                if (corner[i] & kKeep) {
                    q = 0.0f;
                } else if (corner[i] & kDelete) {
                    q = 1.0f;
                } else {
                    const DistancePair& dist = distances_(rs[i], cs[i]);
                    const float total = dist[1] + dist[0];
                    q = total > 0.0f ? dist[0] / total : 0.5f;
                }
                z += weight[i] * q;
            }
            share = ((6.0f * z - 15.0f) * z + 10.0f) * z * z * z * (1.0f - confidence);
        }
        if (confidence != 0.0f) {
            // Where the neighbourhood median lies on the line from fg to bg
            // (confidence is above 0 only when that line is long).
            float tm = 0.0f, ti = 0.0f;
            for (int ch = 0; ch < 3; ++ch) {
                tm += (median[ch] - fg[ch]) * d[ch];
                ti += (pixel[ch] - fg[ch]) * d[ch];
            }
            tm /= l2;
            ti /= l2;
            const float s = std::clamp(tm * (ti + 1.0f - tm), 0.0f, 1.0f);
            share += confidence * s;
        }

        // Un-mixed foreground: I - b x D.
        for (int ch = 0; ch < 3; ++ch)
            out[ch] = toSample<Kind>(pixel[ch] - share * d[ch]);
        out[3] = toSample<Kind>((1.0f - share) * Kind::firstPassAlphaFactor);
    }

    const MattingClassification& classification_;
    Image output_;
    Image source_;
    ByteArray status_;
    ByteArray plane_;
    DistanceArray distances_;
    bool membrane_;
    Box area_;
    Box processing_;
    Rgb8Array keepImage_, deleteImage_;
    ClassPyramid keepPyramid_, deletePyramid_;
};

// The 8-bit colour image widened to a 16-bit full scale, truncated.
Image16 widened(const Image8& colours, float scale) {
    Image16 wide = classification::arrayOver<orsine::utility::Colour<unsigned short>>(
        classification::boxOf(colours));
    for (int r = colours.lbound(0); r <= colours.ubound(0); ++r) {
        for (int c = colours.lbound(1); c <= colours.ubound(1); ++c) {
            for (int ch = 0; ch < 4; ++ch) {
                wide(r, c)[ch] =
                    static_cast<unsigned short>(static_cast<float>(colours(r, c)[ch]) * scale);
            }
        }
    }
    return wide;
}

} // namespace

template <class Kind>
int firstMattingPass(const MattingClassification& classification, typename Kind::Image output,
                     const typename Kind::Image& source, const typename Kind::Image& colourImage,
                     const FirstPassRequest& request, ProgressRange progress) {
    FirstPass<Kind>(classification, output, source, request).run(colourImage, request, progress);
    return kPassDone;
}

template <class Kind>
int firstMattingPassOnAnalysis(const MattingClassification& classification,
                               typename Kind::Image output, const typename Kind::Image& source,
                               const Image8& colourImage, const FirstPassRequest& request,
                               ProgressRange progress) {
    if constexpr (std::is_same_v<typename Kind::Image, Image8>) {
        return firstMattingPass<Kind>(classification, output, source, colourImage, request,
                                      progress);
    } else {
        return firstMattingPass<Kind>(classification, output, source,
                                      widened(colourImage, Kind::estimateScale), request, progress);
    }
}

#define VARDEK_FIRST_PASS_KIND(K)                                                                  \
    template int firstMattingPass<K>(const MattingClassification&, K::Image, const K::Image&,      \
                                     const K::Image&, const FirstPassRequest&, ProgressRange);     \
    template int firstMattingPassOnAnalysis<K>(const MattingClassification&, K::Image,             \
                                               const K::Image&, const Image8&,                     \
                                               const FirstPassRequest&, ProgressRange);

VARDEK_FIRST_PASS_KIND(Kind8)
VARDEK_FIRST_PASS_KIND(Kind16)
VARDEK_FIRST_PASS_KIND(Kind15)

#undef VARDEK_FIRST_PASS_KIND

int firstMattingPass8(const MattingClassification& classification, Image8 output,
                      const Image8& source, const Image8& colourImage,
                      const FirstPassRequest& request, ProgressRange progress) {
    return firstMattingPass<Kind8>(classification, output, source, colourImage, request, progress);
}

int firstMattingPass16(const MattingClassification& classification, Image16 output,
                       const Image16& source, const Image16& colourImage,
                       const FirstPassRequest& request, ProgressRange progress) {
    return firstMattingPass<Kind16>(classification, output, source, colourImage, request, progress);
}

int firstMattingPass15(const MattingClassification& classification, Image16 output,
                       const Image16& source, const Image16& colourImage,
                       const FirstPassRequest& request, ProgressRange progress) {
    return firstMattingPass<Kind15>(classification, output, source, colourImage, request, progress);
}

int firstMattingPassOnArray(const MattingClassification& classification, Image8 output,
                            const Image8& source, const Image8& colourImage,
                            const FirstPassRequest& request, ProgressRange progress) {
    return firstMattingPassOnAnalysis<Kind8>(classification, output, source, colourImage, request,
                                             progress);
}

int firstMattingPassOnArray16(const MattingClassification& classification, Image16 output,
                              const Image16& source, const Image8& colourImage,
                              const FirstPassRequest& request, ProgressRange progress) {
    return firstMattingPassOnAnalysis<Kind16>(classification, output, source, colourImage, request,
                                              progress);
}

int firstMattingPassOnArray15(const MattingClassification& classification, Image16 output,
                              const Image16& source, const Image8& colourImage,
                              const FirstPassRequest& request, ProgressRange progress) {
    return firstMattingPassOnAnalysis<Kind15>(classification, output, source, colourImage, request,
                                              progress);
}

} // namespace orsine::matting
