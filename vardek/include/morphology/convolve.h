// Running combination of k consecutive samples along one axis of a 2-D array,
// for any associative combining operation, at a constant cost per sample
// whatever k is. Applied along both axes it gives square-window filters:
// binary dilation, grey maximum and minimum, histogram box sums.
//
// Each line is cut into blocks of k samples. F holds the running value from
// the start of a sample's block up to the sample, G the running value from the
// sample to the end of its block. A window of k samples ending at x starts at
// s = x - k + 1 and covers the tail of one block and the head of the next, so
// its value is G(s) ⊕ F(x), or G(s) alone when s starts a block.
#ifndef VARDEK_MORPHOLOGY_CONVOLVE_H
#define VARDEK_MORPHOLOGY_CONVOLVE_H

#include "core/arrays.h"
#include "core/box.h"
#include "core/checkpoint.h"
#include "core/progress.h"

#include <blitz/array.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <type_traits>
#include <vector>

namespace morphology {

// 1 when either operand is non-zero: binary dilation of 0/1 masks.
struct LogicalOr {
    int32_t operator()(int32_t a, int32_t b) const { return (a != 0 || b != 0) ? 1 : 0; }
};

struct Maximum {
    template <typename T> T operator()(const T& a, const T& b) const { return a < b ? b : a; }
};

struct Minimum {
    template <typename T> T operator()(const T& a, const T& b) const { return b < a ? b : a; }
};

// Operations whose running values are cheap enough to keep for a whole row of
// adjacent lines at once.
template <typename Combine> constexpr bool combinesLinesTogether() {
    return std::is_same<Combine, LogicalOr>::value || std::is_same<Combine, Maximum>::value ||
           std::is_same<Combine, Minimum>::value;
}

// How many adjacent lines run together: 128 bytes of samples per row.
template <typename T> constexpr std::size_t adjacentLines() {
    return std::max<std::size_t>(8, 128 / sizeof(T));
}

// The label of the progress checkpoint at `line` of this file.
inline std::string convolveCheckpointLabel(int line) {
    return classification::checkpointLabel("vardek/include/morphology/convolve.h", line,
                                           "convolve line fast");
}

// Convolves along the first axis, one line for every index of the second
// axis: output(x, j) = input(x - k + 1, j) ⊕ ... ⊕ input(x, j). Input and output
// are in the same index space and may share memory. Returns the box of the
// output elements written: the input's box with its first-axis lower bound
// raised by k - 1, clipped to the output's box (empty when the input is shorter
// than k, or k < 1). Every 128th line reports into [start, end] of `progress`
// (may be null), which can raise VkExCancel.
template <typename T, typename Combine>
classification::Box convolveLineFast(const blitz::Array<T, 2>& input, blitz::Array<T, 2> output,
                                     int k, orsine::utility::IiUI* progress, float start, float end,
                                     Combine combine = Combine()) {
    using classification::Box;
    if (k < 1) return Box::empty();
    const Box inputBox = classification::boxOf(input);
    Box written(inputBox.lower.row + (k - 1), inputBox.lower.column, inputBox.upper.row,
                inputBox.upper.column);
    if (inputBox.isEmpty() || written.isEmpty()) return written;
    if (!written.intersect(classification::boxOf(output))) return written;

    const int lo = inputBox.lower.row;
    const std::size_t n = static_cast<std::size_t>(inputBox.rows());
    const std::ptrdiff_t inStride = input.stride(0), outStride = output.stride(0);
    const std::size_t blockLength = static_cast<std::size_t>(k);
    const int lines = written.columns();

    // Walking one line at a time along the first axis reads one sample per
    // row of memory; when neighbouring lines sit next to each other, run the
    // same recurrences over a whole row of adjacent lines at once instead.
    if constexpr (std::is_trivially_copyable<T>::value && combinesLinesTogether<Combine>()) {
        if (std::abs(input.stride(1)) < std::abs(inStride)) {
            constexpr std::size_t width = adjacentLines<T>();
            const std::ptrdiff_t inStep = input.stride(1), outStep = output.stride(1);
            std::vector<T> forward(n * width), backward(n * width);
            for (int j0 = written.lower.column; j0 <= written.upper.column;
                 j0 += static_cast<int>(width)) {
                const std::size_t w = std::min<std::size_t>(
                    width, static_cast<std::size_t>(written.upper.column - j0 + 1));
                const T* lines0 = &input(lo, j0);
                // F(i) = L(i) at a block start, else F(i - 1) ⊕ L(i)
                for (std::size_t i = 0, inBlock = 0; i < n; ++i) {
                    const T* row = lines0 + static_cast<std::ptrdiff_t>(i) * inStride;
                    T* f = &forward[i * width];
                    if (inBlock == 0) {
                        for (std::size_t c = 0; c < w; ++c)
                            f[c] = row[static_cast<std::ptrdiff_t>(c) * inStep];
                    } else {
                        const T* before = f - width;
                        for (std::size_t c = 0; c < w; ++c)
                            f[c] = combine(before[c], row[static_cast<std::ptrdiff_t>(c) * inStep]);
                    }
                    if (++inBlock == blockLength) inBlock = 0;
                }
                // G(i) = L(i) at a block end (or the line's end), else L(i) ⊕ G(i + 1)
                for (std::size_t i = n; i-- > 0;) {
                    const T* row = lines0 + static_cast<std::ptrdiff_t>(i) * inStride;
                    T* g = &backward[i * width];
                    if (i + 1 == n || (i + 1) % blockLength == 0) {
                        for (std::size_t c = 0; c < w; ++c)
                            g[c] = row[static_cast<std::ptrdiff_t>(c) * inStep];
                    } else {
                        const T* after = g + width;
                        for (std::size_t c = 0; c < w; ++c)
                            g[c] = combine(row[static_cast<std::ptrdiff_t>(c) * inStep], after[c]);
                    }
                }
                // out(x) = G(s) when s starts a block, else G(s) ⊕ F(x), with s = x - k + 1
                for (int x = written.lower.row; x <= written.upper.row; ++x) {
                    const std::size_t i = static_cast<std::size_t>(x - lo);
                    const std::size_t s = i + 1 - blockLength;
                    T* out = &output(x, j0);
                    const T* g = &backward[s * width];
                    if (s % blockLength == 0) {
                        for (std::size_t c = 0; c < w; ++c)
                            out[static_cast<std::ptrdiff_t>(c) * outStep] = g[c];
                    } else {
                        const T* f = &forward[i * width];
                        for (std::size_t c = 0; c < w; ++c)
                            out[static_cast<std::ptrdiff_t>(c) * outStep] = combine(g[c], f[c]);
                    }
                }
                for (int j = j0; j < j0 + static_cast<int>(w); ++j)
                    if (progress && j % 128 == 0) {
                        const float f = static_cast<float>(j - written.lower.column + 1) / lines;
                        progress->report((1.0f - f) * start + f * end,
                                         convolveCheckpointLabel(__LINE__));
                    }
            }
            return written;
        }
    }

    std::vector<T> forward(n), backward(n);

    for (int j = written.lower.column; j <= written.upper.column; ++j) {
        const T* line = &input(lo, j);
        // F(i) = L(i) at a block start, else F(i - 1) ⊕ L(i)
        for (std::size_t i = 0, inBlock = 0; i < n; ++i) {
            const T& sample = line[static_cast<std::ptrdiff_t>(i) * inStride];
            forward[i] = inBlock == 0 ? sample : combine(forward[i - 1], sample);
            if (++inBlock == blockLength) inBlock = 0;
        }
        // G(i) = L(i) at a block end (or the line's end), else L(i) ⊕ G(i + 1)
        // (block positions are counted rather than divided out: a division per
        // sample would cost more than the combining)
        for (std::size_t i = n, endPhase = n % blockLength; i-- > 0;) {
            // endPhase = (i + 1) mod k
            const T& sample = line[static_cast<std::ptrdiff_t>(i) * inStride];
            const bool blockEnd = i + 1 == n || endPhase == 0;
            backward[i] = blockEnd ? sample : combine(sample, backward[i + 1]);
            endPhase = endPhase == 0 ? blockLength - 1 : endPhase - 1;
        }
        // out(x) = G(s) when s starts a block, else G(s) ⊕ F(x), with s = x - k + 1
        T* out = &output(written.lower.row, j);
        const std::size_t first = static_cast<std::size_t>(written.lower.row - lo);
        const std::size_t last = static_cast<std::size_t>(written.upper.row - lo);
        for (std::size_t i = first, startPhase = (first + 1 - blockLength) % blockLength; i <= last;
             ++i, out += outStride) {
            const std::size_t s = i + 1 - blockLength; // startPhase = s mod k
            *out = startPhase == 0 ? backward[s] : combine(backward[s], forward[i]);
            if (++startPhase == blockLength) startPhase = 0;
        }
        if (progress && j % 128 == 0) {
            const float f = static_cast<float>(j - written.lower.column + 1) / lines;
            progress->report((1.0f - f) * start + f * end, convolveCheckpointLabel(__LINE__));
        }
    }
    return written;
}

// The same along the second axis.
template <typename T, typename Combine>
classification::Box convolveLineFastTransposed(const blitz::Array<T, 2>& input,
                                               blitz::Array<T, 2> output, int k,
                                               orsine::utility::IiUI* progress, float start,
                                               float end, Combine combine = Combine()) {
    classification::Box box = convolveLineFast(input.transpose(1, 0), output.transpose(1, 0), k,
                                               progress, start, end, combine);
    box.swapAxes();
    return box;
}

// The view whose element (i, j) is a's element (-i, -j), over the negated box.
template <typename T> blitz::Array<T, 2> mirrored(const blitz::Array<T, 2>& a) {
    blitz::Array<T, 2> m(a);
    if (a.numElements() == 0) return m;
    m.reverseSelf(0);
    m.reverseSelf(1);
    m.reindexSelf(blitz::TinyVector<int, 2>(-a.ubound(0), -a.ubound(1)));
    return m;
}

inline classification::Box negated(const classification::Box& box) {
    return {classification::Point() - box.upper, classification::Point() - box.lower};
}

// Mirrored forms: the window starts at the output index instead of ending
// there, output(x, j) = input(x, j) ⊕ ... ⊕ input(x + k - 1, j).
template <typename T, typename Combine>
classification::Box convolveLineFastMirrored(const blitz::Array<T, 2>& input,
                                             blitz::Array<T, 2> output, int k,
                                             orsine::utility::IiUI* progress, float start,
                                             float end, Combine combine = Combine()) {
    return negated(
        convolveLineFast(mirrored(input), mirrored(output), k, progress, start, end, combine));
}

template <typename T, typename Combine>
classification::Box convolveLineFastMirroredTransposed(const blitz::Array<T, 2>& input,
                                                       blitz::Array<T, 2> output, int k,
                                                       orsine::utility::IiUI* progress, float start,
                                                       float end, Combine combine = Combine()) {
    return negated(convolveLineFastTransposed(mirrored(input), mirrored(output), k, progress, start,
                                              end, combine));
}

} // namespace morphology

#endif
