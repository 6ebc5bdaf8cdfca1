#include "api/scale_image.h"

#include "core/exceptions.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <emmintrin.h>
#include <utility>
#include <vector>

namespace vardek {
namespace {

// A window of four-byte pixels; `stride` is in bytes.
struct PixelWindow {
    unsigned char* data;
    int rows;
    int columns;
    std::ptrdiff_t stride;

    unsigned char* pixel(int r, int c) const { return data + r * stride + 4 * c; }
    PixelWindow window(int r, int c, int nRows, int nColumns) const {
        return {pixel(r, c), nRows, nColumns, stride};
    }
};

PixelWindow windowOf(const VkImage& image) {
    // Row stride in whole pixels: row bytes / 4, integer division.
    return {image.data, image.height, image.width,
            static_cast<std::ptrdiff_t>(image.rowBytes / 4) * 4};
}

// Offsets (row, column) of the samples of one f x f block; the blocks of 4
// and 8 leave out their corners so the sampled area is close to a disc.
struct Pattern {
    int count = 0;
    int rows[64];
    int columns[64];

    void add(int r, int c0, int c1) {
        for (int c = c0; c <= c1; ++c) {
            rows[count] = r;
            columns[count] = c;
            ++count;
        }
    }
};

Pattern patternFor(int f) {
    Pattern p;
    if (f == 2) {
        p.add(0, 0, 1);
        p.add(1, 0, 1);
    } else if (f == 4) {
        p.add(0, 1, 2);
        p.add(1, 0, 3);
        p.add(2, 0, 3);
        p.add(3, 1, 2);
    } else {
        p.add(0, 2, 5);
        p.add(1, 1, 6);
        for (int r = 2; r <= 5; ++r)
            p.add(r, 0, 7);
        p.add(6, 1, 6);
        p.add(7, 2, 5);
    }
    return p;
}

// median of four = (max(min(a,b), min(c,d)) + min(max(a,b), max(c,d))) / 2, rounded down
inline unsigned char medianOfFour(unsigned a, unsigned b, unsigned c, unsigned d) {
    const unsigned lower = std::max(std::min(a, b), std::min(c, d));
    const unsigned upper = std::min(std::max(a, b), std::max(c, d));
    return static_cast<unsigned char>((lower + upper) / 2);
}

void reduceBlock2(const PixelWindow& source, int i, int j, unsigned char* out) {
    const unsigned char* p = source.pixel(2 * i, 2 * j);
    const unsigned char* q = p + source.stride;
    for (int ch = 0; ch < 4; ++ch)
        out[ch] = medianOfFour(p[ch], p[4 + ch], q[ch], q[4 + ch]);
}

// Four target pixels of one row at once: the same formula on 16 bytes.
void reduceRow2(const PixelWindow& source, int i, int nColumns, unsigned char* out) {
    const unsigned char* p = source.pixel(2 * i, 0);
    const unsigned char* q = p + source.stride;
    int j = 0;
    for (; j + 4 <= nColumns; j += 4) {
        const __m128 p0 =
            _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8 * j)));
        const __m128 p1 =
            _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8 * j + 16)));
        const __m128 q0 =
            _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 8 * j)));
        const __m128 q1 =
            _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 8 * j + 16)));
        const __m128i a = _mm_castps_si128(_mm_shuffle_ps(p0, p1, _MM_SHUFFLE(2, 0, 2, 0)));
        const __m128i b = _mm_castps_si128(_mm_shuffle_ps(p0, p1, _MM_SHUFFLE(3, 1, 3, 1)));
        const __m128i c = _mm_castps_si128(_mm_shuffle_ps(q0, q1, _MM_SHUFFLE(2, 0, 2, 0)));
        const __m128i d = _mm_castps_si128(_mm_shuffle_ps(q0, q1, _MM_SHUFFLE(3, 1, 3, 1)));
        const __m128i lower = _mm_max_epu8(_mm_min_epu8(a, b), _mm_min_epu8(c, d));
        const __m128i upper = _mm_min_epu8(_mm_max_epu8(a, b), _mm_max_epu8(c, d));
        // floor((x + y) / 2) = avg(x, y) - ((x ^ y) & 1), avg rounding up
        const __m128i odd = _mm_and_si128(_mm_xor_si128(lower, upper), _mm_set1_epi8(1));
        const __m128i mean = _mm_sub_epi8(_mm_avg_epu8(lower, upper), odd);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * j), mean);
    }
    for (; j < nColumns; ++j)
        reduceBlock2(source, i, j, out + 4 * j);
}

// Lower and upper middle of the gathered values, averaged and rounded down.
inline unsigned char middleMean(unsigned char* values, int n) {
    unsigned char* upper = values + n / 2;
    std::nth_element(values, upper, values + n);
    const unsigned char lower = *std::max_element(values, upper);
    return static_cast<unsigned char>((lower + *upper) / 2);
}

// The comparators of Batcher's odd-even merge sort on `wires` wires (a power
// of two): after them, in this order, every wire holds its rank's value.
std::vector<std::pair<int, int>> mergeSortNetwork(int wires) {
    std::vector<std::pair<int, int>> comparators;
    for (int p = 1; p < wires; p *= 2)
        for (int k = p; k >= 1; k /= 2)
            for (int j = k % p; j + k < wires; j += 2 * k)
                for (int i = 0; i < k && i + j + k < wires; ++i)
                    if ((i + j) / (2 * p) == (i + j + k) / (2 * p))
                        comparators.emplace_back(i + j, i + j + k);
    return comparators;
}

// The middle mean of the 4 and 8 patterns for four target pixels at once, all
// sixteen channel bytes in the lanes of one register: the pattern's samples
// padded with as many 0s as 255s to a power of two, sorted by a merge network
// of byte minima and maxima, so that the two middle samples stay the two
// middle wires.
class MiddleMeanNetwork {
public:
    explicit MiddleMeanNetwork(const Pattern& pattern) : samples_(pattern.count) {
        wires_ = 1;
        while (wires_ < samples_)
            wires_ *= 2;
        comparators_ = mergeSortNetwork(wires_);
        lowerWire_ = (wires_ - samples_) / 2 + samples_ / 2 - 1;
    }

    // Target pixels j to j + 3 of a row; `blocks` is the source pixel at the
    // top-left of pixel j's block, `offsets` the samples' byte offsets in it.
    void reduceFour(const unsigned char* blocks, std::ptrdiff_t blockBytes,
                    const std::ptrdiff_t* offsets, unsigned char* out) const {
        __m128i w[64];
        const int pad = (wires_ - samples_) / 2;
        for (int k = 0; k < pad; ++k) {
            w[k] = _mm_setzero_si128();
            w[wires_ - 1 - k] = _mm_set1_epi8(char(0xff));
        }
        for (int k = 0; k < samples_; ++k) {
            const unsigned char* s = blocks + offsets[k];
            w[pad + k] = _mm_setr_epi32(load(s), load(s + blockBytes), load(s + 2 * blockBytes),
                                        load(s + 3 * blockBytes));
        }
        for (const std::pair<int, int>& c : comparators_) {
            const __m128i a = w[c.first], b = w[c.second];
            w[c.first] = _mm_min_epu8(a, b);
            w[c.second] = _mm_max_epu8(a, b);
        }
        const __m128i lower = w[lowerWire_], upper = w[lowerWire_ + 1];
        // floor((x + y) / 2) = avg(x, y) - ((x ^ y) & 1), avg rounding up
        const __m128i odd = _mm_and_si128(_mm_xor_si128(lower, upper), _mm_set1_epi8(1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                         _mm_sub_epi8(_mm_avg_epu8(lower, upper), odd));
    }

private:
    static int load(const unsigned char* p) {
        int v;
        std::memcpy(&v, p, 4);
        return v;
    }

    int samples_;
    int wires_;
    int lowerWire_;
    std::vector<std::pair<int, int>> comparators_;
};

void reduceBlocks(const PixelWindow& target, const PixelWindow& source, int f,
                  const Pattern& pattern) {
    const int nR = source.rows / f;
    const int nC = source.columns / f;
    if (nR == 0 || nC == 0) throw VkExFailure("Image too small");

    if (f == 2) {
        for (int i = 0; i < nR; ++i)
            reduceRow2(source, i, nC, target.pixel(i, 0));
    } else {
        unsigned char values[4][64];
        std::ptrdiff_t offsets[64];
        for (int k = 0; k < pattern.count; ++k)
            offsets[k] = pattern.rows[k] * source.stride + 4 * pattern.columns[k];
        const MiddleMeanNetwork network(pattern);
        for (int i = 0; i < nR; ++i) {
            unsigned char* out = target.pixel(i, 0);
            int j = 0;
            for (; j + 4 <= nC; j += 4, out += 16)
                network.reduceFour(source.pixel(f * i, f * j), 4 * f, offsets, out);
            for (; j < nC; ++j, out += 4) {
                const unsigned char* block = source.pixel(f * i, f * j);
                for (int k = 0; k < pattern.count; ++k) {
                    const unsigned char* s = block + offsets[k];
                    values[0][k] = s[0];
                    values[1][k] = s[1];
                    values[2][k] = s[2];
                    values[3][k] = s[3];
                }
                for (int ch = 0; ch < 4; ++ch)
                    out[ch] = middleMean(values[ch], pattern.count);
            }
        }
    }

    // Leftover rows and columns: the last f rows (columns) of the source reduce
    // into the target's last row (column), so the bottom-right target pixel
    // comes from the source's last f x f block.
    if (source.rows != f * nR)
        reduceBlocks(target.window(target.rows - 1, 0, 1, target.columns),
                     source.window(source.rows - f, 0, f, source.columns), f, pattern);
    if (source.columns != f * nC)
        reduceBlocks(target.window(0, target.columns - 1, target.rows, 1),
                     source.window(0, source.columns - f, source.rows, f), f, pattern);
}

// A source lower or narrower than one block, continued to a whole block by
// repeating its last row and column (as though its edge pixels went on), in
// `storage`: a target of ceil(size / f) asks for one output row or column
// from it (1 x 100 into 1 x 25 at factor 4).
PixelWindow extendedToBlock(const PixelWindow& source, int f, std::vector<unsigned char>& storage) {
    const int rows = std::max(source.rows, f), columns = std::max(source.columns, f);
    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(columns) * 4;
    storage.resize(static_cast<std::size_t>(stride) * static_cast<std::size_t>(rows));
    const PixelWindow extended{storage.data(), rows, columns, stride};
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            std::memcpy(extended.pixel(r, c),
                        source.pixel(std::min(r, source.rows - 1), std::min(c, source.columns - 1)),
                        4);
    return extended;
}

void copyPixels(const PixelWindow& target, const PixelWindow& source) {
    const int rows = std::min(target.rows, source.rows);
    const int columns = std::min(target.columns, source.columns);
    for (int r = 0; r < rows; ++r)
        std::memcpy(target.pixel(r, 0), source.pixel(r, 0), static_cast<std::size_t>(columns) * 4);
}

} // namespace

int scaleFactor(const VkImage& target, const VkImage& source) {
    if (target.width <= 0 || target.height <= 0 || source.width <= 0 || source.height <= 0)
        return 0;
    const float rows =
        std::ceil(static_cast<float>(source.height) / static_cast<float>(target.height));
    const float columns =
        std::ceil(static_cast<float>(source.width) / static_cast<float>(target.width));
    const float k = std::max(rows, columns);
    if (k > 64.0f) return 64; // far beyond any supported factor
    int factor = static_cast<int>(k);
    if (factor == 3) factor = 4;
    if (factor == 7) factor = 8;
    return factor;
}

void scaleImage(const VkImage& target, const VkImage& source, int factor) {
    const PixelWindow to = windowOf(target);
    const PixelWindow from = windowOf(source);
    if (factor == 1) {
        copyPixels(to, from);
        return;
    }
    if (from.rows < factor || from.columns < factor) {
        std::vector<unsigned char> storage;
        reduceBlocks(to, extendedToBlock(from, factor, storage), factor, patternFor(factor));
        return;
    }
    reduceBlocks(to, from, factor, patternFor(factor));
}

} // namespace vardek
