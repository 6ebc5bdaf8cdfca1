#include "core/sliding_histogram.h"

#include <algorithm>
#include <cmath>

namespace orsine::matting {

using classification::Box;
using classification::LabelArray;
using classification::Point;

RankPosition rankPosition(uint32_t members, float quantile) {
    // A quantile outside [0, 1] would ask for a rank the window does not have.
    const float q = quantile >= 0.0f ? std::min(quantile, 1.0f) : 0.0f;
    const uint32_t n = members == 0 ? 1 : members;
    const float r = static_cast<float>(n - 1) * q + 1.0f;
    const auto low = static_cast<uint32_t>(std::floor(r + 0.001f));
    const auto high = static_cast<uint32_t>(std::ceil(r - 0.001f));
    return {low, high, r - static_cast<float>(low)};
}

namespace detail {

WindowCells windowCells(const LabelArray& element, int sign) {
    WindowCells cells;
    const Box box = classification::boxOf(element);
    if (box.isEmpty()) return cells;
    for (int i = box.lower.row; i <= box.upper.row; ++i)
        for (int j = box.lower.column; j <= box.upper.column; ++j)
            if (element(i, j) != 0) cells.all.push_back(Point(i * sign, j * sign));

    // A cell at offset d is in the window when it is a member of the (possibly
    // reflected) element.
    const auto member = [&](Point d) {
        const Point o(d.row * sign, d.column * sign);
        return box.contains(o) && element(o.row, o.column) != 0;
    };
    // Moving by e = (0, 1): d enters when d + e was not in the window before
    // the move, and the cell at d - e (seen from the new position) leaves when
    // d - e is no longer in it.
    const Point e(0, 1);
    for (const Point& d : cells.all) {
        if (!member(d + e)) cells.entering.push_back(d);
        if (!member(d - e)) cells.leaving.push_back(d - e);
    }
    return cells;
}

} // namespace detail

} // namespace orsine::matting
