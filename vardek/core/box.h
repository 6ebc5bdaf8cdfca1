// Integer points and boxes of the engine. A Box has a lower and an upper
// corner, both inclusive on both axes, and is empty when lower exceeds upper on
// either axis. Coordinates are (row, column).
#ifndef VARDEK_CORE_BOX_H
#define VARDEK_CORE_BOX_H

#include <blitz/array.h>

#include <algorithm>
#include <cstdint>
#include <ostream>

namespace classification {

struct Point {
    int row = 0;
    int column = 0;

    constexpr Point() = default;
    constexpr Point(int r, int c) : row(r), column(c) {}

    static constexpr Point max(Point a, Point b) {
        return {std::max(a.row, b.row), std::max(a.column, b.column)};
    }
    static constexpr Point min(Point a, Point b) {
        return {std::min(a.row, b.row), std::min(a.column, b.column)};
    }
    constexpr Point operator+(Point o) const { return {row + o.row, column + o.column}; }
    constexpr Point operator-(Point o) const { return {row - o.row, column - o.column}; }
    constexpr Point operator*(int k) const { return {row * k, column * k}; }
    constexpr Point minusScalar(int k) const { return {row - k, column - k}; }
    constexpr Point plusScalar(int k) const { return {row + k, column + k}; }
    // Each coordinate divided by k, truncated toward zero.
    constexpr Point dividedBy(int k) const { return {row / k, column / k}; }
    constexpr bool operator==(Point o) const { return row == o.row && column == o.column; }
    constexpr bool operator!=(Point o) const { return !(*this == o); }

    blitz::TinyVector<int, 2> index() const { return {row, column}; }
};

inline int64_t squaredDistance(Point a, Point b) {
    const int64_t dr = a.row - b.row, dc = a.column - b.column;
    return dr * dr + dc * dc;
}

struct Box {
    Point lower;
    Point upper{-1, -1};

    constexpr Box() = default;
    constexpr Box(Point lo, Point hi) : lower(lo), upper(hi) {}
    constexpr Box(int firstRow, int firstColumn, int lastRow, int lastColumn)
        : lower(firstRow, firstColumn), upper(lastRow, lastColumn) {}

    static constexpr Box empty() { return Box(); }
    // The box of a rectangle given by its first pixel and size; 64-bit so that
    // x + width - 1 cannot overflow.
    static Box fromRect(int64_t x, int64_t y, int64_t width, int64_t height) {
        const auto clampInt = [](int64_t v) {
            return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
        };
        return Box(clampInt(y), clampInt(x), clampInt(y + height - 1), clampInt(x + width - 1));
    }

    constexpr bool isEmpty() const { return lower.row > upper.row || lower.column > upper.column; }
    constexpr int rows() const { return isEmpty() ? 0 : upper.row - lower.row + 1; }
    constexpr int columns() const { return isEmpty() ? 0 : upper.column - lower.column + 1; }
    int64_t area() const { return static_cast<int64_t>(rows()) * columns(); }
    constexpr bool contains(Point p) const {
        return p.row >= lower.row && p.row <= upper.row && p.column >= lower.column &&
               p.column <= upper.column;
    }
    constexpr bool contains(const Box& b) const {
        return b.isEmpty() || (contains(b.lower) && contains(b.upper));
    }

    static constexpr Box intersection(const Box& a, const Box& b) {
        return {Point::max(a.lower, b.lower), Point::min(a.upper, b.upper)};
    }
    // Clips this box to `other`; true when the result is not empty.
    bool intersect(const Box& other) {
        *this = intersection(*this, other);
        return !isEmpty();
    }
    // Grows to contain p; an empty box becomes that single point.
    void include(Point p) {
        if (isEmpty()) {
            lower = upper = p;
        } else {
            lower = Point::min(lower, p);
            upper = Point::max(upper, p);
        }
    }
    // Grows to contain another box (an empty one adds nothing).
    void unite(const Box& other) {
        if (other.isEmpty()) return;
        if (isEmpty()) {
            *this = other;
        } else {
            lower = Point::min(lower, other.lower);
            upper = Point::max(upper, other.upper);
        }
    }
    void swapAxes() {
        std::swap(lower.row, lower.column);
        std::swap(upper.row, upper.column);
    }
    Box grown(int k) const { return {lower.minusScalar(k), upper.plusScalar(k)}; }
    Box shifted(Point by) const { return {lower + by, upper + by}; }
    constexpr Box dividedBy(int k) const { return {lower.dividedBy(k), upper.dividedBy(k)}; }

    constexpr bool operator==(const Box& o) const { return lower == o.lower && upper == o.upper; }
    constexpr bool operator!=(const Box& o) const { return !(*this == o); }

    blitz::RectDomain<2> domain() const { return {lower.index(), upper.index()}; }
};

// "[r,c]" and "[[r0,c0], [r1,c1]]".
inline std::ostream& operator<<(std::ostream& out, Point p) {
    return out << "[" << p.row << "," << p.column << "]";
}
inline std::ostream& operator<<(std::ostream& out, const Box& b) {
    return out << "[" << b.lower << ", " << b.upper << "]";
}

// Floor of a float by the 2^23 trick; magnitudes of 2^23 or more are returned unchanged.
inline float fastFloor(float x) {
    const float two23 = 8388608.0f;
    if (!(std::abs(x) < two23)) return x;
    const float magic = x < 0.0f ? -two23 : two23;
    float r = (x + magic) - magic;
    if (r > x) r -= 1.0f;
    return r;
}

} // namespace classification

#endif
