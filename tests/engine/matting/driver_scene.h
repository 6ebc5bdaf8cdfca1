// A small scene for mask-generation runs: an analysis image with its
// classification, a status grid, source and working output at a reduction
// factor, the session's undo queue and stand-in status preparations.
#ifndef TESTS_ENGINE_MATTING_DRIVER_SCENE_H
#define TESTS_ENGINE_MATTING_DRIVER_SCENE_H

#include "core/status_bits.h"
#include "core/undo_queue.h"
#include "matting/mask_driver.h"
#include "matting/mask_driver_parts.h"
#include "matting/mask_status.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace driver_test {

using classification::Box;
using classification::ByteArray;
using classification::UndoQueue;
using orsine::matting::Image16;
using orsine::matting::Image8;
using orsine::matting::MaskForcedEdges;
using orsine::matting::MaskPatch;
using orsine::matting::MaskPatches;
using orsine::matting::PreparedMaskStatus;
using orsine::matting::ReductionFactors;
using orsine::utility::Colour;

using classification::kBlend;
using classification::kDelete;
using classification::kKeep;
using classification::kUnassigned;

// The three sample kinds, with the run of each.
struct Kind8 : orsine::matting::Kind8 {
    static constexpr const char* name = "8-bit";
    static int run(orsine::matting::MaskRunSession& s, Image output, const Image& source,
                   ByteArray status, orsine::matting::MaskRunRequest request,
                   ProgressRange progress) {
        return orsine::matting::runMaskGeneration8(s, output, source, status, request, progress);
    }
};
struct Kind16 : orsine::matting::Kind16 {
    static constexpr const char* name = "16-bit";
    static int run(orsine::matting::MaskRunSession& s, Image output, const Image& source,
                   ByteArray status, orsine::matting::MaskRunRequest request,
                   ProgressRange progress) {
        return orsine::matting::runMaskGeneration16(s, output, source, status, request, progress);
    }
};
struct Kind15 : orsine::matting::Kind15 {
    static constexpr const char* name = "15-bit";
    static int run(orsine::matting::MaskRunSession& s, Image output, const Image& source,
                   ByteArray status, orsine::matting::MaskRunRequest request,
                   ProgressRange progress) {
        return orsine::matting::runMaskGeneration15(s, output, source, status, request, progress);
    }
};

// True when some byte of `box` has one of `bits`.
inline bool anyBits(const ByteArray& status, Box box, unsigned char bits) {
    if (!box.intersect(classification::boxOf(status))) return false;
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int c = box.lower.column; c <= box.upper.column; ++c)
            if (status(r, c) & bits) return true;
    return false;
}

// Writes `value` over the unassigned pixels of `box` as one group of `queue`.
inline void fillUnassigned(ByteArray& status, const Box& box, unsigned char value,
                           UndoQueue& queue) {
    ByteArray proposed = classification::arrayOver<unsigned char>(box);
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int c = box.lower.column; c <= box.upper.column; ++c)
            proposed(r, c) = (status(r, c) & 0x0F) == kUnassigned
                                 ? static_cast<unsigned char>((status(r, c) & 0xF0) | value)
                                 : status(r, c);
    queue.openGroup();
    queue.add(std::make_unique<classification::IiUndoModifyStatus>(box, proposed, status));
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int c = box.lower.column; c <= box.upper.column; ++c)
            status(r, c) = proposed(r, c);
}

// A grid of status bytes from rows of 'K' keep, 'D' delete, '.' unassigned,
// 'B' blend.
inline ByteArray statusOf(const std::vector<std::string>& rows) {
    ByteArray status = classification::arrayOver<unsigned char>(
        Box(0, 0, static_cast<int>(rows.size()) - 1, static_cast<int>(rows[0].size()) - 1));
    for (int r = 0; r < status.extent(0); ++r)
        for (int c = 0; c < status.extent(1); ++c) {
            const char m = rows[r][c];
            status(r, c) = m == 'K' ? kKeep : m == 'D' ? kDelete : m == 'B' ? kBlend : kUnassigned;
        }
    return status;
}

// Everything a run needs, with the session's status preparation unless a
// test replaces it. The source is filled by `paint` (colour channels
// at output resolution, in [0, 1]; alpha full); the analysis image is the
// source averaged over each status pixel in 8 bits; the output starts as
// `outputFill` everywhere.
template <class Kind> struct Scene {
    using Sample = typename Kind::Sample;
    using Image = typename Kind::Image;

    int factor;
    ByteArray status;
    Image8 analysis;
    Image source, output;
    std::unique_ptr<classification::Segmentation<6, 0>> classification;
    UndoQueue sessionQueue{200};
    orsine::matting::MaskStatusPreparation prepare = orsine::matting::prepareMaskStatus;

    Scene(ByteArray grid, int reduction,
          const std::function<void(int row, int column, float rgb[3])>& paint,
          Sample outputFill = 7)
        : factor(reduction), status(grid) {
        const int rows = status.extent(0), columns = status.extent(1);
        source.resize(rows * factor, columns * factor);
        output.resize(rows * factor, columns * factor);
        for (int r = 0; r < rows * factor; ++r)
            for (int c = 0; c < columns * factor; ++c) {
                float rgb[3];
                paint(r, c, rgb);
                for (int ch = 0; ch < 3; ++ch)
                    source(r, c)[ch] = static_cast<Sample>(std::lround(rgb[ch] * Kind::fullScale));
                source(r, c)[3] = static_cast<Sample>(Kind::fullScale);
                output(r, c) = outputFill;
            }
        analysis.resize(rows, columns);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                analysis(r, c)[3] = 255;
                for (int ch = 0; ch < 3; ++ch) {
                    float sum = 0.0f;
                    for (int i = 0; i < factor; ++i)
                        for (int j = 0; j < factor; ++j)
                            sum += source(r * factor + i, c * factor + j)[ch];
                    analysis(r, c)[ch] = static_cast<unsigned char>(
                        std::lround(sum / (factor * factor) * 255.0f / Kind::fullScale));
                }
            }
        classification =
            std::make_unique<classification::Segmentation<6, 0>>(nullptr, true, analysis);
    }

    int run(const std::optional<Box>& box = std::nullopt, MaskPatches patches = {},
            MaskForcedEdges edges = MaskForcedEdges(),
            ProgressRange progress = ProgressRange(nullptr), float blendRatio = 0.0f) {
        orsine::matting::MaskRunSession session{*classification, sessionQueue, prepare};
        const ReductionFactors factors(static_cast<float>(factor), static_cast<float>(factor));
        return Kind::run(session, output, source, status,
                         {box, factors, edges, 0.0f, blendRatio, patches}, progress);
    }

    Box statusBox() const { return classification::boxOf(status); }
};

template <class Image> Image copyOf(const Image& a) {
    Image b(a.shape());
    b.reindexSelf(a.base());
    b = a;
    return b;
}

inline ByteArray copyOf(const ByteArray& a) {
    ByteArray b(a.shape());
    b.reindexSelf(a.base());
    b = a;
    return b;
}

template <typename Sample>
bool sameArrays(const blitz::Array<Colour<Sample>, 2>& a,
                const blitz::Array<Colour<Sample>, 2>& b) {
    if (classification::boxOf(a) != classification::boxOf(b)) return false;
    for (int r = a.lbound(0); r <= a.ubound(0); ++r)
        for (int c = a.lbound(1); c <= a.ubound(1); ++c)
            for (int ch = 0; ch < 4; ++ch)
                if (a(r, c)[ch] != b(r, c)[ch]) return false;
    return true;
}

inline bool sameArrays(const ByteArray& a, const ByteArray& b) {
    if (classification::boxOf(a) != classification::boxOf(b)) return false;
    for (int r = a.lbound(0); r <= a.ubound(0); ++r)
        for (int c = a.lbound(1); c <= a.ubound(1); ++c)
            if (a(r, c) != b(r, c)) return false;
    return true;
}

} // namespace driver_test

#endif
