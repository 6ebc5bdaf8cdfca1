// Exact geodesic distances by a bucketed Dijkstra: the distance values
// themselves are the bucket keys, so the queue holds two entries (one per step
// kind) per distinct distance, not one per pixel.
#include "matting/chamfer_distance.h"

#include "core/status_bits.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <queue>
#include <utility>
#include <vector>

namespace orsine::matting {

namespace {

using classification::kDelete;
using classification::kKeep;

// A pending expansion: the pixels of bucket `distance`, one step of cost `step`.
struct Expansion {
    float distance;
    float step;
};

// Smallest single-precision sum on top.
struct LargerSum {
    bool operator()(const Expansion& a, const Expansion& b) const {
        return a.distance + a.step > b.distance + b.step;
    }
};

// One component of the transform over a rows x columns grid stored row-major
// with a stride of 2 floats (the other component sits in between).
class ComponentRun {
public:
    ComponentRun(const std::vector<unsigned char>& marks, int rows, int columns, float* values)
        : marks_(marks), rows_(rows), columns_(columns), values_(values) {}

    void run(unsigned char classMask) {
        buckets_[kAxialStep];
        buckets_[kDiagonalStep];
        queue_.push({kAxialStep, kAxialStep});
        queue_.push({kAxialStep, kDiagonalStep});
        queue_.push({kDiagonalStep, kAxialStep});
        queue_.push({kDiagonalStep, kDiagonalStep});
        seed(classMask);
        propagate();
    }

private:
    float& value(std::ptrdiff_t i) { return values_[2 * i]; }

    // The in-bounds axial neighbours in the order up, left, down, right.
    int axialNeighbours(int r, int c, std::ptrdiff_t* out) const {
        const std::ptrdiff_t i = static_cast<std::ptrdiff_t>(r) * columns_ + c;
        int n = 0;
        if (r > 0) out[n++] = i - columns_;
        if (c > 0) out[n++] = i - 1;
        if (r + 1 < rows_) out[n++] = i + columns_;
        if (c + 1 < columns_) out[n++] = i + 1;
        return n;
    }
    // The in-bounds diagonal neighbours in the order (-1,-1), (-1,+1), (+1,-1), (+1,+1).
    int diagonalNeighbours(int r, int c, std::ptrdiff_t* out) const {
        const std::ptrdiff_t i = static_cast<std::ptrdiff_t>(r) * columns_ + c;
        int n = 0;
        if (r > 0 && c > 0) out[n++] = i - columns_ - 1;
        if (r > 0 && c + 1 < columns_) out[n++] = i - columns_ + 1;
        if (r + 1 < rows_ && c > 0) out[n++] = i + columns_ - 1;
        if (r + 1 < rows_ && c + 1 < columns_) out[n++] = i + columns_ + 1;
        return n;
    }

    // Unmarked pixels touching a mark of the class get one step; the test reads
    // the neighbour's status, so the visiting order does not matter.
    void seed(unsigned char classMask) {
        std::ptrdiff_t neighbours[4];
        std::vector<std::ptrdiff_t>& axial = buckets_[kAxialStep];
        std::vector<std::ptrdiff_t>& diagonal = buckets_[kDiagonalStep];
        for (int r = 0; r < rows_; ++r) {
            for (int c = 0; c < columns_; ++c) {
                const std::ptrdiff_t i = static_cast<std::ptrdiff_t>(r) * columns_ + c;
                if (value(i) != kUnreached) continue;
                if (touches(neighbours, axialNeighbours(r, c, neighbours), classMask)) {
                    value(i) = kAxialStep;
                    axial.push_back(i);
                } else if (touches(neighbours, diagonalNeighbours(r, c, neighbours), classMask)) {
                    value(i) = kDiagonalStep;
                    diagonal.push_back(i);
                }
            }
        }
    }

    bool touches(const std::ptrdiff_t* neighbours, int count, unsigned char classMask) const {
        for (int k = 0; k < count; ++k) {
            if (marks_[neighbours[k]] & classMask) return true;
        }
        return false;
    }

    // Popped sums never decrease and every new distance exceeds the popped sum,
    // so a pixel is first reached with its least distance and written once.
    void propagate() {
        std::ptrdiff_t neighbours[4];
        while (!queue_.empty()) {
            const Expansion top = queue_.top();
            queue_.pop();
            const auto bucket = buckets_.find(top.distance);
            if (bucket != buckets_.end() && !bucket->second.empty()) {
                const float next = top.distance + top.step;
                const auto inserted = buckets_.try_emplace(next);
                if (inserted.second) {
                    queue_.push({next, kAxialStep});
                    queue_.push({next, kDiagonalStep});
                }
                std::vector<std::ptrdiff_t>& target = inserted.first->second;
                const bool axial = top.step == kAxialStep;
                for (const std::ptrdiff_t i : bucket->second) {
                    const int r = static_cast<int>(i / columns_);
                    const int c = static_cast<int>(i % columns_);
                    const int n = axial ? axialNeighbours(r, c, neighbours)
                                        : diagonalNeighbours(r, c, neighbours);
                    for (int k = 0; k < n; ++k) {
                        if (value(neighbours[k]) == kUnreached) {
                            value(neighbours[k]) = next;
                            target.push_back(neighbours[k]);
                        }
                    }
                }
            }
            // The axial pair of a bucket always leaves the queue before its
            // diagonal pair, so the bucket is done after the diagonal one.
            if (top.step == kDiagonalStep && bucket != buckets_.end()) buckets_.erase(bucket);
        }
    }

    const std::vector<unsigned char>& marks_;
    int rows_;
    int columns_;
    float* values_;
    std::map<float, std::vector<std::ptrdiff_t>> buckets_;
    std::priority_queue<Expansion, std::vector<Expansion>, LargerSum> queue_;
};

} // namespace

DistanceArray chamferDistanceTransform(const classification::ByteArray& status) {
    const classification::Box box = classification::boxOf(status);
    DistanceArray distances = classification::arrayOver<DistancePair>(box);
    if (box.isEmpty()) return distances;

    const int rows = box.rows(), columns = box.columns();
    // The class bits of the status, compact and zero-based.
    std::vector<unsigned char> marks(static_cast<std::size_t>(rows) * columns);
    float* values = &distances(box.lower.row, box.lower.column)[0];
    for (int r = 0; r < rows; ++r) {
        const unsigned char* in = &status(box.lower.row + r, box.lower.column);
        const std::ptrdiff_t stride = status.stride(1);
        for (int c = 0; c < columns; ++c) {
            const std::size_t i = static_cast<std::size_t>(r) * columns + c;
            marks[i] = in[c * stride] & (kKeep | kDelete);
            const float start = marks[i] ? 0.0f : kUnreached;
            values[2 * i] = start;
            values[2 * i + 1] = start;
        }
    }

    ComponentRun(marks, rows, columns, values).run(kKeep);
    ComponentRun(marks, rows, columns, values + 1).run(kDelete);
    return distances;
}

} // namespace orsine::matting
