// The crack tracer behind traceContours, traceMaskOutline and buildPatchOutline.
#include "classification/contours.h"
#include "classification/polylines.h"

#include "core/group_by_key.h"
#include "core/worker_pool.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace classification {
namespace {

// A walking state: the crack between pixel p and its across neighbour,
// walked with p on the right-hand side.
//   d 0: down along p's right edge, 1: right along its top edge,
//     2: up along its left edge,    3: left along its bottom edge.
struct State {
    Point p;
    int d;
};

// Offsets around the state's pixel, by direction: ahead on p's side, across,
// ahead on the across side.
constexpr Point kAhead[4] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
constexpr Point kAcross[4] = {{0, 1}, {-1, 0}, {0, -1}, {1, 0}};
constexpr Point kAheadAcross[4] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};

// The far end of the crack being walked: p + (ahead across + (1, 1)) / 2.
inline Point farCorner(const State& s) {
    const Point o = kAheadAcross[s.d];
    return {s.p.row + (o.row + 1) / 2, s.p.column + (o.column + 1) / 2};
}

// Element access by absolute (row, column) through a raw pointer.
template <typename T> struct Grid {
    T* first = nullptr; // the element at `origin`
    Point origin;
    std::ptrdiff_t rowStride = 0;
    std::ptrdiff_t columnStride = 0;

    template <typename U>
    explicit Grid(const blitz::Array<U, 2>& a)
        : first(const_cast<U*>(&a(a.lbound(0), a.lbound(1)))), origin(a.lbound(0), a.lbound(1)),
          rowStride(a.stride(0)), columnStride(a.stride(1)) {}

    T& operator()(Point p) const {
        return first[(p.row - origin.row) * rowStride + (p.column - origin.column) * columnStride];
    }
};

// The tracer over one label image; Label is int32_t for labels and unsigned
// char for masks. Every crack is walked at most once from each side thanks to
// the visited flags (bit d of pixel p: state (p, d) was walked), so tracing is
// linear in the number of pixels.
template <typename Label> class CrackTracer {
public:
    CrackTracer(const blitz::Array<Label, 2>& labels, const Box& box)
        : labels_(labels), box_(box), flagStorage_(arrayOver<unsigned char>(box.grown(1), 0)),
          flags_(flagStorage_) {
        assert(boxOf(labels).contains(box.grown(1)));
    }

    // Calls `start(p, d, leftLabel)` for the first crack of every contour, in
    // scan order: column by column, each column top to bottom, one past the
    // box's last row and column so the high borders are visited too. Only a
    // pixel whose label differs from its left or upper neighbour can start
    // one; tracing never changes a label, so those pixels are listed first,
    // row by row in bands of rows on `pool`'s workers, and the scan visits
    // only them.
    template <typename Start> void scan(Start&& start, WorkerPool* pool = nullptr) {
        const Box scanned(box_.lower, box_.upper.plusScalar(1));
        const Grouped<std::vector<int32_t>> candidates = candidatesIn(scanned, pool);
        for (int c = scanned.lower.column; c <= scanned.upper.column; ++c) {
            const std::size_t column = std::size_t(c - scanned.lower.column);
            for (std::size_t i = candidates.first[column]; i < candidates.first[column + 1]; ++i) {
                const Point p(candidates.values[i], c);
                const Label here = labels_(p);
                const Point left(p.row, c - 1);
                if (here != labels_(left) && !(flags_(p) & 4) && !(flags_(left) & 1))
                    start(State{p, 2});
                const Point above(p.row - 1, c);
                if (here != labels_(above) && !(flags_(p) & 2) && !(flags_(above) & 8))
                    start(State{p, 1});
            }
        }
    }

    // Walks from `s0` appending corners; if the walk does not close, completes it
    // backwards from the other side of the start crack. True when closed.
    bool traceContour(const State& s0, IntPolyline& points) {
        if (walkContour(s0, points)) {
            points.push_back(points.front());
            return true;
        }
        std::reverse(points.begin(), points.end());
        walkContour(State{s0.p + kAcross[s0.d], (s0.d + 2) % 4}, points);
        return false;
    }

    Label label(Point p) const { return labels_(p); }

private:
    // The rows of the pixels of a box that differ from their left or upper
    // neighbour, grouped by column (counted from the box's first), each
    // column's top to bottom.
    Grouped<std::vector<int32_t>> candidatesIn(const Box& scanned, WorkerPool* pool) const {
        const int bands = rowBandCount(scanned.rows(), pool);
        const auto forEachIn = [&](int band, auto visit) {
            const Box rows = rowBand(scanned, bands, band);
            for (int r = rows.lower.row; r <= rows.upper.row; ++r)
                for (int c = scanned.lower.column; c <= scanned.upper.column; ++c) {
                    const Label here = labels_(Point(r, c));
                    if (here != labels_(Point(r, c - 1)) || here != labels_(Point(r - 1, c)))
                        visit(std::size_t(c - scanned.lower.column), int32_t(r));
                }
        };
        return groupByKey<std::vector<int32_t>>(pool, bands, std::size_t(scanned.columns()),
                                                forEachIn);
    }

    bool walkContour(State s, IntPolyline& points) {
        for (;;) {
            points.push_back(farCorner(s));
            flags_(s.p) |= static_cast<unsigned char>(1u << s.d);
            if (!stepContour(s)) return false; // a junction of three labels
            // Met the part traced from the other side: open.
            if (flags_(s.p + kAcross[s.d]) & (1u << ((s.d + 2) % 4))) return false;
            if (flags_(s.p) & (1u << s.d)) return true;
        }
    }

    // Moves to the next crack around the far corner; false at a junction.
    bool stepContour(State& s) const {
        const Label own = labels_(s.p);
        const Label across = labels_(s.p + kAcross[s.d]);
        const Point aheadPixel = s.p + kAhead[s.d];
        const Label ahead = labels_(aheadPixel);
        const Label aheadAcross = labels_(s.p + kAheadAcross[s.d]);

        const int h = aheadAcross == own ? 1 : aheadAcross == across ? 0 : 2;
        int e;
        if (ahead == own)
            e = 1;
        else if (ahead == across)
            e = (flags_(aheadPixel) & (1u << ((s.d + 1) % 4))) ? 3 : 0;
        else
            e = 2;

        enum Move { Stay, Ahead, Diagonal, Stop };
        struct Step {
            Move move;
            int turn;
        };
        // Rows h, columns e. Where the own label touches the diagonal pixel only
        // at the corner (h 1, e 0) the walk turns right around p: regions are
        // 4-connected, so two pixels meeting diagonally get separate contours.
        // Ahead already walked from below (e 3) only matters where the diagonal
        // pixel is the own label; elsewhere that crack is the other side of one
        // this walk would meet next, so the walk ends there.
        static constexpr Step table[3][4] = {
            {{Stay, 3}, {Ahead, 0}, {Stop, 0}, {Stop, 0}},
            {{Stay, 3}, {Diagonal, 1}, {Diagonal, 1}, {Diagonal, 1}},
            {{Stay, 3}, {Stop, 0}, {Stop, 0}, {Stop, 0}},
        };
        const Step step = table[h][e];
        switch (step.move) {
        case Stop:
            return false;
        case Ahead:
            s.p = aheadPixel;
            break;
        case Diagonal:
            s.p = s.p + kAheadAcross[s.d];
            break;
        case Stay:
            break;
        }
        s.d = (s.d + step.turn) % 4;
        return true;
    }

    Grid<const Label> labels_;
    Box box_;
    ByteArray flagStorage_;
    Grid<unsigned char> flags_;
};

} // namespace

std::vector<ContourRecord> traceContours(const LabelArray& labels, const Box& box,
                                         unsigned workers) {
    std::vector<ContourRecord> records;
    if (box.isEmpty()) return records;
    CrackTracer<int32_t> tracer(labels, box);
    WorkerPool pool(workers);
    tracer.scan(
        [&](const State& s) {
            ContourRecord record;
            record.rightLabel = tracer.label(s.p);
            record.leftLabel = tracer.label(s.p + kAcross[s.d]);
            // An open contour was reversed and completed from the other side, so
            // its sides changed places.
            if (!tracer.traceContour(s, record.points))
                std::swap(record.rightLabel, record.leftLabel);
            records.push_back(std::move(record));
        },
        workers > 1 ? &pool : nullptr);
    return records;
}

std::vector<IntPolyline> traceMaskOutline(const ByteArray& image, const Box& box) {
    std::vector<IntPolyline> lines;
    if (box.isEmpty()) return lines;
    CrackTracer<unsigned char> tracer(image, box);
    tracer.scan([&](const State& s) {
        IntPolyline points;
        tracer.traceContour(s, points);
        lines.push_back(std::move(points));
    });
    return lines;
}

std::vector<IntPolyline> buildPatchOutline(const ByteArray& mask) {
    const Box box = boxOf(mask);
    if (box.isEmpty()) return {};
    // Inside is any non-zero byte: copy as 0 / 1, so mask values that differ
    // only in how strongly they are set give no contour between them.
    ByteArray padded = arrayOver<unsigned char>(box.grown(1), 0);
    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        const unsigned char* in = &mask(r, box.lower.column);
        unsigned char* out = &padded(r, box.lower.column);
        const std::ptrdiff_t step = mask.stride(1);
        for (int c = 0; c < box.columns(); ++c)
            out[c] = in[c * step] != 0 ? 1 : 0;
    }
    std::vector<IntPolyline> lines = traceMaskOutline(padded, box);
    simplifyPolylines(lines, 0.1f);
    return lines;
}

} // namespace classification
