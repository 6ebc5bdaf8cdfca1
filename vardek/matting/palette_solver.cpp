// The palette matting solver: palettes, per-pixel pair search, median
// smoothing of the estimates, and the final colour and alpha.
#include "matting/palette_solver.h"

#include "core/status_bits.h"
#include "matting/colour_pair_search.h"

#include <algorithm>
#include <cmath>

namespace orsine::matting {

using classification::Box;
using classification::ByteArray;
using classification::kDelete;
using classification::kKeep;
using classification::Point;

namespace solver {

namespace {

// Output index x lies at status position (x + 0.5) / k - 0.5.
float statusPosition(int x, float k) {
    return (static_cast<float>(x) + 0.5f) / k - 0.5f;
}

int floorToInt(float v) {
    return static_cast<int>(std::floor(v));
}

template <class Kind> typename Kind::Sample storeSample(float v) {
    // Truncated toward zero; kept inside the kind's range so that the medians'
    // histograms are never indexed past their end.
    const float t = std::trunc(v);
    return static_cast<typename Kind::Sample>(
        std::clamp(t, 0.0f, static_cast<float>(Kind::fullScale)));
}

// The two status pixels around output index x along one axis and the weight
// of the lower one.
struct AxisWeights {
    int lower;
    int upper;
    float weight;
};
AxisWeights axisWeights(int x, float k, int lo, int hi) {
    const float centre = (static_cast<float>(x) + 0.5f) / k;
    const float u = centre - 0.5f;
    AxisWeights a;
    a.lower = std::clamp(floorToInt(u), lo, hi);
    a.upper = std::clamp(floorToInt(u + 1.0f), lo, hi);
    a.weight = a.lower == a.upper ? 1.0f : static_cast<float>(a.upper) + 0.5f - centre;
    return a;
}

bool anySolved(const ByteArray& status, const Box& box) {
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int c = box.lower.column; c <= box.upper.column; ++c)
            if (isSolved(status(r, c))) return true;
    return false;
}

template <class Types> bool isEmptyPyramid(const PalettePyramid<Types>& pyramid) {
    return pyramid.levels.empty() || pyramid.levels.back().box().isEmpty() ||
           pyramid.levels.back().blocks().front().sampleCount() == 0;
}

// The status byte the keep border reads for output pixel q.
unsigned char keepBorderStatus(const Frame& frame, const ByteArray& status, Point q) {
    const int sr = static_cast<int>((static_cast<float>(q.row) + 0.5f) / frame.scale[0]);
    const int sc = static_cast<int>((static_cast<float>(q.column) + 0.5f) / frame.scale[1]);
    const Point s = clampToBox(Point(sr, sc), frame.statusBox);
    return status(s.row, s.column);
}

const Point neighbourOffsets[8] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1},
                                   {0, 1},   {1, -1}, {1, 0},  {1, 1}};

// The keep border: every keep pixel p of the output box, in raster order,
// calls `take(p, q)` with q its first neighbour (clamped into the box) that is
// not keep. Taking in place lets a value taken earlier travel on.
template <typename Take>
void walkKeepBorder(const Frame& frame, const ByteArray& status, Take take) {
    const Box& r = frame.outputBox;
    for (int i = r.lower.row; i <= r.upper.row; ++i) {
        for (int j = r.lower.column; j <= r.upper.column; ++j) {
            const Point sp = frame.statusPixel(i, j);
            if ((status(sp.row, sp.column) & kKeep) == 0) continue;
            for (const Point& offset : neighbourOffsets) {
                const Point q = clampToBox(Point(i, j) + offset, r);
                if ((keepBorderStatus(frame, status, q) & kKeep) == 0) {
                    take(Point(i, j), q);
                    break;
                }
            }
        }
    }
}

void reportRow(ProgressRange& progress, int i, const Box& r) {
    progress.report(static_cast<float>(i - r.lower.row) / static_cast<float>(r.rows()));
}

// A 3 x 3 median of every channel of `image` over its box.
template <class Kind>
void median(ColourImage<typename Kind::Sample> image, ColourImage<typename Kind::Sample> padded,
            ColourImage<typename Kind::Sample> filtered, ProgressRange& progress, float base) {
    const Box r = classification::boxOf(image);
    for (int i = r.lower.row; i <= r.upper.row; ++i)
        for (int j = r.lower.column; j <= r.upper.column; ++j)
            padded(i, j) = image(i, j);
    replicateBorder(padded, r);
    classification::LabelArray element(blitz::Range(-1, 1), blitz::Range(-1, 1));
    element = 1;
    for (int channel = 0; channel < 3; ++channel) {
        rankFilterChannel(padded, filtered, channel, element, 0.5f, 0, Kind::fullScale,
                          ProgressRange(nullptr));
        progress.report(base + 0.1f * static_cast<float>(channel + 1));
    }
    for (int i = r.lower.row; i <= r.upper.row; ++i)
        for (int j = r.lower.column; j <= r.upper.column; ++j)
            image(i, j) = filtered(i, j);
    progress.report(base + 0.4f);
}

} // namespace

Point Frame::statusPixel(int i, int j) const {
    return {std::clamp(floorToInt(statusPosition(i, scale[0])), statusBox.lower.row,
                       statusBox.upper.row),
            std::clamp(floorToInt(statusPosition(j, scale[1])), statusBox.lower.column,
                       statusBox.upper.column)};
}

// Per axis: lo = trunc(box.lo k), hi = trunc((box.hi + 1) k - 1).
Frame frameOf(const Box& box, blitz::TinyVector<float, 2> scale, const Box& statusView,
              const Box& outputView) {
    Frame frame;
    frame.scale = scale;
    // Only status pixels that exist are ever read.
    frame.statusBox = Box::intersection(box, statusView);
    if (frame.statusBox.isEmpty()) return frame; // outputBox stays empty
    int lo[2], hi[2];
    const int boxLo[2] = {frame.statusBox.lower.row, frame.statusBox.lower.column};
    const int boxHi[2] = {frame.statusBox.upper.row, frame.statusBox.upper.column};
    for (int d = 0; d < 2; ++d) {
        lo[d] = static_cast<int>(static_cast<float>(boxLo[d]) * scale[d]);
        hi[d] = static_cast<int>(static_cast<float>(boxHi[d] + 1) * scale[d] - 1.0);
        if (lo[d] > hi[d]) std::swap(lo[d], hi[d]);
    }
    frame.outputBox = Box::intersection(Box(lo[0], lo[1], hi[0], hi[1]), outputView);
    return frame;
}

// (1 - s)^p in single precision, 5 + 215 x that in double, rounded to single.
double keepThreshold(float size) {
    return static_cast<float>(5.0 + 215.0 * static_cast<double>(std::pow(1.0f - size, 5.0f)));
}
double deleteThreshold(float size) {
    return static_cast<float>(5.0 + 215.0 * static_cast<double>(std::pow(1.0f - size, 3.0f)));
}

// Per axis: lower = max(floor(u), lo), upper = min(floor(u + 1), hi), and the
// weight of lower is upper + 0.5 - (x + 0.5) / k (1 when they coincide).
Shares sharesAt(const Frame& frame, const ByteArray& status, int i, int j) {
    const Box& sb = frame.statusBox;
    const AxisWeights rows = axisWeights(i, frame.scale[0], sb.lower.row, sb.upper.row);
    const AxisWeights cols = axisWeights(j, frame.scale[1], sb.lower.column, sb.upper.column);
    const float wr = rows.weight, wc = cols.weight;
    const int r0 = rows.lower, r1 = rows.upper, c0 = cols.lower, c1 = cols.upper;
    const auto share = [&](unsigned char bit) {
        const auto has = [&](int row, int column) {
            return (status(row, column) & bit) != 0 ? 1.0f : 0.0f;
        };
        return wr * wc * has(r0, c0) + (1 - wr) * wc * has(r1, c0) + wr * (1 - wc) * has(r0, c1) +
               (1 - wr) * (1 - wc) * has(r1, c1);
    };
    return {share(kKeep), share(kDelete)};
}

bool isBlended(const Frame& frame, const ByteArray& status, int i, int j) {
    const Point sp = frame.statusPixel(i, j);
    if (!isSolved(status(sp.row, sp.column))) return false;
    const Shares s = sharesAt(frame, status, i, j);
    return !(s.keep > 0.99) && !(s.remove > 0.99);
}

ByteArray searchMask(const Frame& frame, const ByteArray& status) {
    const Box& r = frame.outputBox;
    ByteArray wanted = classification::arrayOver<unsigned char>(r, 0);
    if (r.isEmpty()) return wanted;
    // Where the keep border takes each background estimate from, following
    // the in-place loop of the smoothing stage step by step.
    blitz::Array<Point, 2> origin = classification::arrayOver<Point>(r);
    for (int i = r.lower.row; i <= r.upper.row; ++i)
        for (int j = r.lower.column; j <= r.upper.column; ++j)
            origin(i, j) = Point(i, j);
    walkKeepBorder(frame, status, [&origin](Point p, Point q) {
        origin(p.row, p.column) = origin(q.row, q.column);
    });
    // The medians of a blended pixel read its 3 x 3 neighbourhood, clamped
    // into the box as the replicated border is.
    for (int i = r.lower.row; i <= r.upper.row; ++i) {
        for (int j = r.lower.column; j <= r.upper.column; ++j) {
            if (!isBlended(frame, status, i, j)) continue;
            for (int di = -1; di <= 1; ++di) {
                for (int dj = -1; dj <= 1; ++dj) {
                    const Point q = clampToBox(Point(i + di, j + dj), r);
                    wanted(q.row, q.column) = 1;
                    const Point o = origin(q.row, q.column);
                    wanted(o.row, o.column) = 1;
                }
            }
        }
    }
    return wanted;
}

template <class Kind>
bool estimateColours(const Frame& frame, const PixelView<typename Kind::Sample>& source,
                     const ByteArray& status,
                     const PalettePyramid<typename Kind::Types>& foreground,
                     const PalettePyramid<typename Kind::Types>& background,
                     ColourImage<typename Kind::Sample> foregroundColours,
                     ColourImage<typename Kind::Sample> backgroundColours, ProgressRange progress,
                     const ByteArray* wanted) {
    const Box& r = frame.outputBox;
    // The search fails at the first solved pixel when a class has no colour
    // at all; decided up front, since the pixels searched may be fewer.
    if (isEmptyPyramid(foreground) || isEmptyPyramid(background)) {
        for (int i = r.lower.row; i <= r.upper.row; ++i)
            for (int j = r.lower.column; j <= r.upper.column; ++j) {
                const Point sp = frame.statusPixel(i, j);
                if (isSolved(status(sp.row, sp.column))) return false;
            }
        return true;
    }
    PaletteCache<typename Kind::Types> palettes;
    for (int i = r.lower.row; i <= r.upper.row; ++i) {
        for (int j = r.lower.column; j <= r.upper.column; ++j) {
            if (wanted && (*wanted)(i, j) == 0) continue;
            const Point sp = frame.statusPixel(i, j);
            if (!isSolved(status(sp.row, sp.column))) continue;
            const auto& pixel = source(i, j);
            const Colour3 c{static_cast<float>(pixel[0]), static_cast<float>(pixel[1]),
                            static_cast<float>(pixel[2])};
            ColourPair pair;
            try {
                pair = findColourPair<typename Kind::Types>(i, j, foreground, background, c, 0, 0,
                                                            -0.01f, &palettes);
            } catch (...) {
                return false; // an empty palette: give up on the patch
            }
            for (int k = 0; k < 3; ++k) {
                foregroundColours(i, j)[k] = storeSample<Kind>(pair.foreground[k]);
                backgroundColours(i, j)[k] = storeSample<Kind>(pair.background[k]);
            }
        }
        if (i % 2 == 0) reportRow(progress, i, r);
    }
    return true;
}

template <class Kind>
void smoothEstimates(const Frame& frame, const ByteArray& status,
                     ColourImage<typename Kind::Sample> foregroundColours,
                     ColourImage<typename Kind::Sample> backgroundColours, ProgressRange progress) {
    const Box& r = frame.outputBox;
    if (r.isEmpty()) return;
    using Triple = ColourTriple<typename Kind::Sample>;
    ColourImage<typename Kind::Sample> padded = classification::arrayOver<Triple>(r.grown(1));
    ColourImage<typename Kind::Sample> filtered = classification::arrayOver<Triple>(r.grown(1));

    median<Kind>(foregroundColours, padded, filtered, progress, 0.0f);

    // Keep pixels have no background of their own: each takes the estimate of
    // its first neighbour that is not keep.
    walkKeepBorder(frame, status, [&backgroundColours](Point p, Point q) {
        backgroundColours(p.row, p.column) = backgroundColours(q.row, q.column);
    });
    progress.report(0.5f);

    median<Kind>(backgroundColours, padded, filtered, progress, 0.5f);
}

template <class Kind>
void composeOutput(const Frame& frame, const PixelView<typename Kind::Sample>& source,
                   const ByteArray& status,
                   const ColourImage<typename Kind::Sample>& foregroundColours,
                   const ColourImage<typename Kind::Sample>& backgroundColours,
                   PixelView<typename Kind::Sample> output, ProgressRange progress) {
    using Sample = typename Kind::Sample;
    const Box& r = frame.outputBox;
    for (int i = r.lower.row; i <= r.upper.row; ++i) {
        for (int j = r.lower.column; j <= r.upper.column; ++j) {
            const Point sp = frame.statusPixel(i, j);
            if (!isSolved(status(sp.row, sp.column))) continue;
            const Shares shares = sharesAt(frame, status, i, j);
            const float kp = shares.keep, dp = shares.remove;
            const auto& pixel = source(i, j);
            auto& out = output(i, j);
            if (kp > 0.99) {
                out = orsine::utility::Colour<Sample>(pixel[0], pixel[1], pixel[2],
                                                      static_cast<Sample>(Kind::fullScale));
                continue;
            }
            if (dp > 0.99) {
                out = orsine::utility::Colour<Sample>(0, 0, 0, 0);
                continue;
            }
            // F' and B' lean towards the pixel by the keep and delete shares;
            // J, the background's share of the pixel, is the projection of
            // c - F' on D = B' - F', trusted only as far as D is long.
            float c[3], f[3], d[3];
            double lengthSquared = 0.0;
            for (int k = 0; k < 3; ++k) {
                c[k] = static_cast<float>(pixel[k]);
                f[k] = (1 - kp) * static_cast<float>(foregroundColours(i, j)[k]) + kp * c[k];
                const float b =
                    (1 - dp) * static_cast<float>(backgroundColours(i, j)[k]) + dp * c[k];
                d[k] = b - f[k];
                lengthSquared += static_cast<double>(d[k]) * d[k];
            }
            const float d2 = static_cast<float>(lengthSquared);
            const float length = std::sqrt(d2);
            const float confidence = std::clamp((length - 11.312f) * 0.0884017f, 0.0f, 1.0f);
            float share = 0.0f;
            if (confidence != 0.0f) {
                const float projection =
                    ((c[0] - f[0]) * d[0] + (c[1] - f[1]) * d[1] + (c[2] - f[2]) * d[2]) / d2;
                share = confidence * std::clamp(projection, 0.0f, 1.0f);
            }
            for (int k = 0; k < 3; ++k)
                out[k] = storeSample<Kind>(c[k] - share * d[k]);
            // The mean of J and the smootherstep 6J^5 - 15J^4 + 10J^3.
            const float s =
                (share + share * share * share * (10.0f + share * (6.0f * share - 15.0f))) * 0.5f;
            out[3] = static_cast<Sample>(static_cast<int>((1.0f - s) * Kind::solverAlphaFactor));
        }
        if (i % 16 == 0) reportRow(progress, i, r);
    }
}

} // namespace solver

template <class Kind>
int32_t solveMatting(const PixelView<typename Kind::Sample>& source, const ByteArray& status,
                     PixelView<typename Kind::Sample> output, const Box& box,
                     blitz::TinyVector<float, 2> scale, const MaskPatch& patch,
                     ProgressRange progress) {
    using Sample = typename Kind::Sample;
    using Types = typename Kind::Types;
    // The source and the output cover the same pixels; a smaller source would
    // be read past its end.
    const solver::Frame frame = solver::frameOf(
        box, scale, classification::boxOf(status),
        Box::intersection(classification::boxOf(output), classification::boxOf(source)));
    const Box& r = frame.outputBox;

    ColourImage<Sample> foregroundColours = classification::arrayOver<ColourTriple<Sample>>(r);
    ColourImage<Sample> backgroundColours = classification::arrayOver<ColourTriple<Sample>>(r);
    for (int i = r.lower.row; i <= r.upper.row; ++i) {
        for (int j = r.lower.column; j <= r.upper.column; ++j) {
            const auto& pixel = source(i, j);
            for (int k = 0; k < 3; ++k)
                foregroundColours(i, j)[k] = solver::storeSample<Kind>(pixel[k]);
            backgroundColours(i, j) = foregroundColours(i, j);
        }
    }
    progress.report(0.05f);

    const double keepThreshold = solver::keepThreshold(patch.choice1);
    const double deleteThreshold = solver::deleteThreshold(patch.choice2);
    if (!solver::anySolved(status, frame.statusBox)) return kPassDone;

    PalettePyramid<Types> foreground, background;
    buildPalettePyramid<Types>(foreground, source, SampleSelector(status, scale, kKeep),
                               keepThreshold, progress.subRange(0.1f));
    buildPalettePyramid<Types>(background, source, SampleSelector(status, scale, kDelete),
                               deleteThreshold, progress.subRange(0.2f));

    const ByteArray wanted = solver::searchMask(frame, status);
    if (!solver::estimateColours<Kind>(frame, source, status, foreground, background,
                                       foregroundColours, backgroundColours,
                                       progress.subRange(0.6f), &wanted))
        return kPassGaveUp;
    solver::smoothEstimates<Kind>(frame, status, foregroundColours, backgroundColours,
                                  progress.subRange(0.75f));
    solver::composeOutput<Kind>(frame, source, status, foregroundColours, backgroundColours, output,
                                progress.subRange(0.95f));
    progress.report(0.98f);
    return kPassDone;
}

int32_t solveMatting8(const PixelView<uint8_t>& source, const ByteArray& status,
                      PixelView<uint8_t> output, const Box& box, blitz::TinyVector<float, 2> scale,
                      const MaskPatch& patch, ProgressRange progress) {
    return solveMatting<Kind8>(source, status, output, box, scale, patch, progress);
}
int32_t solveMatting16(const PixelView<uint16_t>& source, const ByteArray& status,
                       PixelView<uint16_t> output, const Box& box,
                       blitz::TinyVector<float, 2> scale, const MaskPatch& patch,
                       ProgressRange progress) {
    return solveMatting<Kind16>(source, status, output, box, scale, patch, progress);
}
int32_t solveMatting15(const PixelView<uint16_t>& source, const ByteArray& status,
                       PixelView<uint16_t> output, const Box& box,
                       blitz::TinyVector<float, 2> scale, const MaskPatch& patch,
                       ProgressRange progress) {
    return solveMatting<Kind15>(source, status, output, box, scale, patch, progress);
}

int32_t solveMattingOnArray(const PixelView<uint8_t>& source, const ByteArray& status,
                            PixelView<uint8_t> output, const Box& box,
                            blitz::TinyVector<float, 2> scale, const MaskPatch& patch,
                            ProgressRange progress) {
    return solveMatting8(source, status, output, box, scale, patch, progress);
}
int32_t solveMatting16OnArray(const PixelView<uint16_t>& source, const ByteArray& status,
                              PixelView<uint16_t> output, const Box& box,
                              blitz::TinyVector<float, 2> scale, const MaskPatch& patch,
                              ProgressRange progress) {
    return solveMatting16(source, status, output, box, scale, patch, progress);
}
int32_t solveMatting15OnArray(const PixelView<uint16_t>& source, const ByteArray& status,
                              PixelView<uint16_t> output, const Box& box,
                              blitz::TinyVector<float, 2> scale, const MaskPatch& patch,
                              ProgressRange progress) {
    return solveMatting15(source, status, output, box, scale, patch, progress);
}

#define VARDEK_SOLVER_STAGES(K)                                                                    \
    template int32_t solveMatting<K>(                                                              \
        const PixelView<K::Sample>&, const ByteArray&, PixelView<K::Sample>, const Box&,           \
        blitz::TinyVector<float, 2>, const MaskPatch&, ProgressRange);                             \
    template bool solver::estimateColours<K>(                                                      \
        const solver::Frame&, const PixelView<K::Sample>&, const ByteArray&,                       \
        const PalettePyramid<K::Types>&, const PalettePyramid<K::Types>&, ColourImage<K::Sample>,  \
        ColourImage<K::Sample>, ProgressRange, const ByteArray*);                                  \
    template void solver::smoothEstimates<K>(const solver::Frame&, const ByteArray&,               \
                                             ColourImage<K::Sample>, ColourImage<K::Sample>,       \
                                             ProgressRange);                                       \
    template void solver::composeOutput<K>(const solver::Frame&, const PixelView<K::Sample>&,      \
                                           const ByteArray&, const ColourImage<K::Sample>&,        \
                                           const ColourImage<K::Sample>&, PixelView<K::Sample>,    \
                                           ProgressRange);

VARDEK_SOLVER_STAGES(Kind8)
VARDEK_SOLVER_STAGES(Kind16)
VARDEK_SOLVER_STAGES(Kind15)

#undef VARDEK_SOLVER_STAGES

} // namespace orsine::matting
