#include "matting/nearest_colour.h"

#include "core/status_bits.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace orsine::matting {

namespace {

using classification::Box;
using classification::kPassMark;
using classification::kTemporaryMarks;

enum Label : unsigned char { kBand = 0, kClass = 1, kExcluded = 2 };

// The working planes over the estimation box grown by a 2-pixel frame, all with
// the same row-major layout, so one linear index addresses all three.
struct Planes {
    Box grown;
    std::ptrdiff_t stride; // elements from one row to the next
    blitz::Array<unsigned char, 2> labels;
    blitz::Array<int32_t, 2> distance;
    Rgb8Array colour;

    std::ptrdiff_t index(int r, int c) const {
        return (r - grown.lower.row) * stride + (c - grown.lower.column);
    }
};

struct Step {
    int row, column;
    int32_t weight;
};

// The forward scan's neighbours in the order they are tried; the backward scan
// uses their mirror images in the same order.
constexpr Step kForward[8] = {
    {0, -1, kNearestAxial},   {-1, -2, kNearestKnight},  {-1, -1, kNearestDiagonal},
    {-1, 0, kNearestAxial},   {-1, 1, kNearestDiagonal}, {-1, 2, kNearestKnight},
    {-2, -1, kNearestKnight}, {-2, 1, kNearestKnight},
};

void scan(Planes& p, const Box& box, bool forward) {
    std::ptrdiff_t offsets[8];
    for (int k = 0; k < 8; ++k) {
        const int sign = forward ? 1 : -1;
        offsets[k] = sign * (kForward[k].row * p.stride + kForward[k].column);
    }
    int32_t* distance = p.distance.data();
    Rgb8* colour = p.colour.data();
    const int rows = box.rows(), columns = box.columns();
    for (int i = 0; i < rows; ++i) {
        const int r = forward ? box.lower.row + i : box.upper.row - i;
        for (int j = 0; j < columns; ++j) {
            const int c = forward ? box.lower.column + j : box.upper.column - j;
            const std::ptrdiff_t to = p.index(r, c);
            for (int k = 0; k < 8; ++k) {
                propagateNearestColour(distance, colour, to + offsets[k], to, kForward[k].weight);
            }
        }
    }
}

void smooth(Planes& p, const Box& box, int iterations, ProgressRange& progress) {
    if (iterations <= 0) return;
    // The band pixels in row order, so that updating them in this order is the
    // in-place raster sweep: a pixel sees the values already updated in this
    // iteration. Only band pixels change, so the rest of the box is not visited.
    const unsigned char* labels = p.labels.data();
    std::vector<std::ptrdiff_t> band;
    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        for (int c = box.lower.column; c <= box.upper.column; ++c) {
            if (labels[p.index(r, c)] == kBand) band.push_back(p.index(r, c));
        }
    }
    Rgb8* colour = p.colour.data();
    const std::ptrdiff_t neighbours[4] = {-p.stride, p.stride, -1, 1};
    for (int iteration = 0; iteration < iterations; ++iteration) {
        for (const std::ptrdiff_t i : band) {
            int sum[3] = {0, 0, 0};
            int count = 0;
            for (const std::ptrdiff_t n : neighbours) {
                if (labels[i + n] == kExcluded) continue;
                for (int ch = 0; ch < 3; ++ch)
                    sum[ch] += colour[i + n][ch];
                ++count;
            }
            for (int ch = 0; ch < 3; ++ch)
                colour[i][ch] = membraneStep(colour[i][ch], sum[ch], count);
        }
        progress.report(static_cast<float>(iteration + 1) / static_cast<float>(iterations));
    }
}

} // namespace

int membraneIterations(float membraneValue) {
    if (std::isnan(membraneValue)) return 0;
    // The value means 0 to 1, that is 1 to 100 iterations; a larger one asks
    // for no stiffer a membrane and stops at 100. Far below 0 it is kept
    // inside the int range (it runs none either way).
    const float value = std::clamp(membraneValue, -1.0e6f, 1.0f);
    // 1 - trunc(value x -99)
    return 1 - static_cast<int>(std::trunc(value * -99.0f));
}

Rgb8Array firstPassStage(const Image8& analysisImage, const classification::ByteArray& status,
                         unsigned char classBit, const MaskPatch& patch, ProgressRange progress) {
    const Box box = classification::boxOf(status);
    if (box.isEmpty()) return Rgb8Array();

    Planes p;
    p.grown = box.grown(2);
    p.labels.reference(classification::arrayOver<unsigned char>(p.grown, kExcluded));
    p.distance.reference(classification::arrayOver<int32_t>(p.grown, kNearestFar));
    p.colour.reference(classification::arrayOver<Rgb8>(p.grown, Rgb8(0, 0, 0)));
    p.stride = p.grown.columns();

    unsigned char* labels = p.labels.data();
    int32_t* distance = p.distance.data();
    Rgb8* colour = p.colour.data();
    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        const unsigned char* statusRow = &status(r, box.lower.column);
        const std::ptrdiff_t statusStep = status.stride(1);
        const orsine::utility::Colour<unsigned char>* analysisRow =
            &analysisImage(r, box.lower.column);
        const std::ptrdiff_t analysisStep = analysisImage.stride(1);
        const std::ptrdiff_t first = p.index(r, box.lower.column);
        for (int j = 0; j < box.columns(); ++j) {
            const unsigned char s = statusRow[j * statusStep];
            const std::ptrdiff_t i = first + j;
            if (s & classBit) {
                labels[i] = kClass;
                distance[i] = 0;
            } else if ((s & kTemporaryMarks) == kPassMark) {
                labels[i] = kBand;
            }
            const orsine::utility::Colour<unsigned char>& a = analysisRow[j * analysisStep];
            colour[i] = Rgb8(a[0], a[1], a[2]);
        }
    }

    // The frame keeps the far distance and is never improved, so no colour is
    // ever taken from outside the box.
    scan(p, box, true);
    scan(p, box, false);
    smooth(p, box, membraneIterations(patch.membraneValue), progress);

    return boxView(p.colour, box);
}

} // namespace orsine::matting
