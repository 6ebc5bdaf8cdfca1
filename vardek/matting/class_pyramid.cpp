#include "matting/class_pyramid.h"

#include "core/status_bits.h"

#include <cmath>
#include <utility>

namespace orsine::matting {

namespace {

using classification::Box;
using classification::kClassBits;
using classification::Point;

template <typename Sample>
void buildPyramid(const classification::ByteArray& status, Box box, unsigned char classBit,
                  const blitz::Array<orsine::utility::Colour<Sample>, 2>& colourImage,
                  ClassPyramid& pyramid, ProgressRange& progress) {
    box.intersect(classification::boxOf(status));
    box.intersect(classification::boxOf(colourImage));

    Box levelBox = box.dividedBy(2);
    PyramidLevel level = classification::arrayOver<PyramidCell>(levelBox, PyramidCell(0.0f));
    std::vector<Point> touched;

    const unsigned char classMask = classBit & kClassBits;
    const auto lacksClass = [&](int r, int c) { return (status(r, c) & classMask) == 0; };
    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        for (int c = box.lower.column; c <= box.upper.column; ++c) {
            if ((status(r, c) & classMask) == 0) continue;
            const bool boundary = (r > box.lower.row && lacksClass(r - 1, c)) ||
                                  (c > box.lower.column && lacksClass(r, c - 1)) ||
                                  (r < box.upper.row && lacksClass(r + 1, c)) ||
                                  (c < box.upper.column && lacksClass(r, c + 1));
            if (!boundary) continue;
            const Point cell = Point(r, c).dividedBy(2);
            PyramidCell& sums = level(cell.row, cell.column);
            if (sums[3] == 0.0f) touched.push_back(cell);
            const orsine::utility::Colour<Sample>& colour = colourImage(r, c);
            sums[0] += static_cast<float>(colour[0]);
            sums[1] += static_cast<float>(colour[1]);
            sums[2] += static_cast<float>(colour[2]);
            sums[3] += 1.0f;
        }
    }

    progress.report(0.25f);
    if (touched.empty()) return;

    pyramid.push_back(level);
    float share = 1.0f; // of the 0.25 point in the next report; halves per level
    while (std::max(levelBox.rows(), levelBox.columns()) >= 2) {
        levelBox = levelBox.dividedBy(2);
        PyramidLevel parent = classification::arrayOver<PyramidCell>(levelBox, PyramidCell(0.0f));
        std::vector<Point> parentTouched;
        for (const Point cell : touched) {
            const Point up = cell.dividedBy(2);
            PyramidCell& sums = parent(up.row, up.column);
            if (sums[3] == 0.0f) parentTouched.push_back(up);
            sums += level(cell.row, cell.column);
        }
        pyramid.push_back(parent);
        level.reference(parent);
        touched = std::move(parentTouched);
        share *= 0.5f;
        progress.report(share * 0.25f + (1.0f - share) * 0.5f);
    }
    progress.report(1.0f);
}

} // namespace

void buildClassPyramid(const classification::ByteArray& status,
                       const classification::Box& estimationBox, unsigned char classBit,
                       const Image8& colourImage, ClassPyramid& pyramid, ProgressRange progress) {
    buildPyramid(status, estimationBox, classBit, colourImage, pyramid, progress);
}

void buildClassPyramid16(const classification::ByteArray& status,
                         const classification::Box& estimationBox, unsigned char classBit,
                         const Image16& colourImage, ClassPyramid& pyramid,
                         ProgressRange progress) {
    buildPyramid(status, estimationBox, classBit, colourImage, pyramid, progress);
}

void lookupClassColour(const ClassPyramid& pyramid, blitz::TinyVector<float, 2> position,
                       PyramidCell& accumulator) {
    accumulator = 0.0f;
    const float x = position[0], y = position[1];
    // The remainder of a by a power of two c, in double: a - trunc(a / c) x c
    // is then exact and equals fmod, without its cost.
    const auto remainder = [](double a, double c) { return a - std::trunc(a / c) * c; };
    float c = 2.0f;
    for (const PyramidLevel& level : pyramid) {
        const float inverse = 1.0f / c;
        // remainder in double of the single-precision sums
        const float fx = static_cast<float>(remainder(x + c / 2.0f, c)) * inverse;
        const float fy = static_cast<float>(remainder(y + c / 2.0f, c)) * inverse;
        Box cells(static_cast<int>(x / c - 0.5f), static_cast<int>(y / c - 0.5f),
                  static_cast<int>(x / c + 0.5f), static_cast<int>(y / c + 0.5f));
        if (cells.intersect(classification::boxOf(level))) {
            const int x0 = cells.lower.row, y0 = cells.lower.column;
            const int x1 = cells.upper.row, y1 = cells.upper.column;
            const float weight = inverse * inverse * inverse * inverse;
            const PyramidCell sum = level(x0, y0) * ((1.0f - fx) * (1.0f - fy)) +
                                    level(x1, y1) * (fx * fy) + level(x0, y1) * ((1.0f - fx) * fy) +
                                    level(x1, y0) * (fx * (1.0f - fy));
            accumulator += sum * weight;
        }
        if (accumulator[3] * c * c * c > 2.0f) break;
        c *= 2.0f;
    }
}

bool classColourAt(const ClassPyramid& pyramid, blitz::TinyVector<float, 2> position,
                   float colour[3]) {
    PyramidCell accumulator;
    lookupClassColour(pyramid, position, accumulator);
    if (!(accumulator[3] > 0.0f)) return false;
    for (int i = 0; i < 3; ++i)
        colour[i] = accumulator[i] / accumulator[3];
    return true;
}

} // namespace orsine::matting
