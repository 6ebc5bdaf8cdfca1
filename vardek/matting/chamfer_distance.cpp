// Exact geodesic distances by a bucketed Dijkstra: the distance values
// themselves are the bucket keys, so the queue holds two entries (one per step
// kind) per distinct distance, not one per pixel.
#include "matting/chamfer_distance.h"

#include "core/status_bits.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <queue>
#include <unordered_map>
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

// The pixels one step from a mark of one class, in row order: axial steps
// first, diagonal steps where no axial neighbour is such a mark.
struct Seeds {
    std::vector<std::ptrdiff_t> axial;
    std::vector<std::ptrdiff_t> diagonal;
};

// One component of the transform over a rows x columns grid stored row-major
// with a stride of 2 floats (the other component sits in between), its seeds
// already written.
class ComponentRun {
public:
    ComponentRun(int rows, int columns, float* values)
        : rows_(rows), columns_(columns), values_(values) {}

    void run(Seeds seeds) {
        buckets_[keyOf(kAxialStep)] = std::move(seeds.axial);
        buckets_[keyOf(kDiagonalStep)] = std::move(seeds.diagonal);
        queue_.push({kAxialStep, kAxialStep});
        queue_.push({kAxialStep, kDiagonalStep});
        queue_.push({kDiagonalStep, kAxialStep});
        queue_.push({kDiagonalStep, kDiagonalStep});
        propagate();
    }

private:
    float& value(std::ptrdiff_t i) { return values_[2 * i]; }

    // Buckets are found by the bits of their distance: only equal sums share
    // one, and no order among them is needed (the queue gives it).
    static uint32_t keyOf(float distance) {
        uint32_t bits;
        std::memcpy(&bits, &distance, sizeof bits);
        return bits;
    }

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

    // A bucket's pixel list, reusing the storage of finished buckets.
    std::vector<std::ptrdiff_t> freshList() {
        if (spare_.empty()) return {};
        std::vector<std::ptrdiff_t> list = std::move(spare_.back());
        spare_.pop_back();
        list.clear();
        return list;
    }

    // Popped sums never decrease and every new distance exceeds the popped sum,
    // so a pixel is first reached with its least distance and written once.
    void propagate() {
        std::ptrdiff_t neighbours[4];
        while (!queue_.empty()) {
            const Expansion top = queue_.top();
            queue_.pop();
            const auto bucket = buckets_.find(keyOf(top.distance));
            if (bucket != buckets_.end() && !bucket->second.empty()) {
                // References to the table's lists outlive its growing.
                const std::vector<std::ptrdiff_t>& source = bucket->second;
                const float next = top.distance + top.step;
                auto target = buckets_.find(keyOf(next));
                if (target == buckets_.end()) {
                    target = buckets_.emplace(keyOf(next), freshList()).first;
                    queue_.push({next, kAxialStep});
                    queue_.push({next, kDiagonalStep});
                }
                std::vector<std::ptrdiff_t>& reached = target->second;
                const bool axial = top.step == kAxialStep;
                for (const std::ptrdiff_t i : source) {
                    const int r = static_cast<int>(i / columns_);
                    const int c = static_cast<int>(i % columns_);
                    const int n = axial ? axialNeighbours(r, c, neighbours)
                                        : diagonalNeighbours(r, c, neighbours);
                    for (int k = 0; k < n; ++k) {
                        if (value(neighbours[k]) == kUnreached) {
                            value(neighbours[k]) = next;
                            reached.push_back(neighbours[k]);
                        }
                    }
                }
            }
            // The axial pair of a bucket always leaves the queue before its
            // diagonal pair, so the bucket is done after the diagonal one.
            if (top.step == kDiagonalStep) {
                const auto done = buckets_.find(keyOf(top.distance));
                if (done != buckets_.end()) {
                    spare_.push_back(std::move(done->second));
                    buckets_.erase(done);
                }
            }
        }
    }

    int rows_;
    int columns_;
    float* values_;
    std::unordered_map<uint32_t, std::vector<std::ptrdiff_t>> buckets_;
    std::vector<std::vector<std::ptrdiff_t>> spare_;
    std::priority_queue<Expansion, std::vector<Expansion>, LargerSum> queue_;
};

// The start value of an unmarked pixel for one class, from the class bits
// of its axial and diagonal neighbours; a seed is listed in `seeds`.
float seedValue(unsigned char axial, unsigned char diagonal, unsigned char classMask,
                std::ptrdiff_t i, Seeds& seeds) {
    if (axial & classMask) {
        seeds.axial.push_back(i);
        return kAxialStep;
    }
    if (diagonal & classMask) {
        seeds.diagonal.push_back(i);
        return kDiagonalStep;
    }
    return kUnreached;
}

} // namespace

DistanceArray chamferDistanceTransform(const classification::ByteArray& status) {
    const classification::Box box = classification::boxOf(status);
    DistanceArray distances = classification::arrayOver<DistancePair>(box);
    if (box.isEmpty()) return distances;

    const int rows = box.rows(), columns = box.columns();
    // The class bits of the status, compact and zero-based.
    std::vector<unsigned char> marks(static_cast<std::size_t>(rows) * columns);
    const std::ptrdiff_t stride = status.stride(1);
    for (int r = 0; r < rows; ++r) {
        const unsigned char* in = &status(box.lower.row + r, box.lower.column);
        unsigned char* out = &marks[static_cast<std::size_t>(r) * columns];
        for (int c = 0; c < columns; ++c)
            out[c] = in[c * stride] & (kKeep | kDelete);
    }

    // One pass writes every start value: 0 on marks, one step next to a mark
    // of the class (axial before diagonal), unreached elsewhere.
    float* values = &distances(box.lower.row, box.lower.column)[0];
    Seeds keep, remove;
    for (int r = 0; r < rows; ++r) {
        const unsigned char* row = &marks[static_cast<std::size_t>(r) * columns];
        const unsigned char* above = r > 0 ? row - columns : nullptr;
        const unsigned char* below = r + 1 < rows ? row + columns : nullptr;
        for (int c = 0; c < columns; ++c) {
            const std::ptrdiff_t i = static_cast<std::ptrdiff_t>(r) * columns + c;
            float* pair = values + 2 * i;
            if (row[c]) {
                pair[0] = pair[1] = 0.0f;
                continue;
            }
            const bool left = c > 0, right = c + 1 < columns;
            unsigned char axial = 0, diagonal = 0;
            if (above) {
                axial |= above[c];
                if (left) diagonal |= above[c - 1];
                if (right) diagonal |= above[c + 1];
            }
            if (below) {
                axial |= below[c];
                if (left) diagonal |= below[c - 1];
                if (right) diagonal |= below[c + 1];
            }
            if (left) axial |= row[c - 1];
            if (right) axial |= row[c + 1];
            pair[0] = seedValue(axial, diagonal, kKeep, i, keep);
            pair[1] = seedValue(axial, diagonal, kDelete, i, remove);
        }
    }

    ComponentRun(rows, columns, values).run(std::move(keep));
    ComponentRun(rows, columns, values + 1).run(std::move(remove));
    return distances;
}

} // namespace orsine::matting
