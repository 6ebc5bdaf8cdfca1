// The region flood: stage 5 of the segmentation.
#include "classification/region_flood.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace classification {

namespace {

using watershed::BucketQueue;
using watershed::PixelOffset;

// The pixels of the edge planes as a flood graph: seed value channel 0, the 8
// neighbours, edge level min(d, max(channel 1 of q, channel 1 of s) + t); a
// flood that meets another region does nothing.
class RegionGraph {
public:
    using Queue = BucketQueue;
    using Edge = Queue::Edge;

    RegionGraph(const RegionFloodPlanes& planes, LabelArray& labels, watershed::LevelState& state,
                int32_t tolerance, WorkerPool& pool)
        : grid_(labels), state_(state), tolerance_(tolerance), pool_(pool) {
        const Box covered = boxOf(planes);
        seed_ = grid_.plane(
            covered, [&planes](int r, int c) { return planes(r, c)[0]; }, &pool);
        edge_ = grid_.plane(
            covered, [&planes](int r, int c) { return planes(r, c)[1]; }, &pool);
        // All 0: a plane over no pixel.
        reached_ = grid_.plane(
            Box::empty(), [](int, int) { return uint8_t(0); }, &pool);
        // -1 and +1 along the second axis, -1 and +1 along the first, then the
        // diagonals (+1, -1), (+1, +1), (-1, -1), (-1, +1).
        steps_ = {grid_.step(0, -1), grid_.step(0, 1), grid_.step(-1, 0),  grid_.step(1, 0),
                  grid_.step(1, -1), grid_.step(1, 1), grid_.step(-1, -1), grid_.step(-1, 1)};
    }

    int32_t& label(PixelOffset p) { return grid_.label(p); }
    int32_t sourceLabel(const Edge& e) const { return e.label; }
    uint8_t seed(PixelOffset p) const { return seed_[p]; }

    void spread(const Edge& e, Queue& queue) { push(e.to, e.level, queue); }
    void startBasin(PixelOffset p, Queue& queue) { push(p, seed_[p], queue); }
    void meet(const Edge&) {}
    int32_t newLabel() { return state_.newLabel(); }

    void run(Queue& queue, const watershed::FloodReport& where) {
        queue.fetchAhead(&grid_.label(0), edge_.data(), reached_.data(), grid_.rowStride());
        watershed::priorityFlood(*this, queue, grid_.pending(seed_, &pool_), where);
    }

private:
    // An edge to a labelled pixel changes nothing when taken; nor does one
    // whose target an earlier edge of at least its level goes to, as that
    // edge is taken first. Such edges are only counted.
    void push(PixelOffset q, int d, Queue& queue) {
        const int32_t own = grid_.label(q);
        const int edgeOfQ = edge_[q];
        for (std::ptrdiff_t step : steps_) {
            const auto s = static_cast<PixelOffset>(static_cast<std::ptrdiff_t>(q) + step);
            const int32_t there = grid_.label(s);
            if (there == own) continue;
            const int level = std::min(d, std::max(edgeOfQ, int(edge_[s])) + tolerance_);
            const Edge edge{s, own, static_cast<uint8_t>(level)};
            if (there != watershed::unlabelled || level < reached_[s]) {
                queue.pushIdle(edge);
            } else {
                queue.push(edge);
                reached_[s] = static_cast<uint8_t>(std::min(level + 1, 255));
            }
        }
    }

    watershed::PixelGrid grid_;
    watershed::LevelState& state_;
    int32_t tolerance_;
    watershed::BytePlane seed_;
    watershed::BytePlane edge_;
    // 1 + the highest level of an edge pushed to each pixel (at most 255), 0
    // for none.
    watershed::BytePlane reached_;
    std::array<std::ptrdiff_t, 8> steps_{};
    WorkerPool& pool_;
};

} // namespace

int32_t regionTolerance(float planeScale, float regionScale) {
    return watershed::floodTolerance(planeScale * std::log(regionScale));
}

void floodRegions(const RegionFloodPlanes& planes, LabelArray& labels, watershed::LevelState& state,
                  watershed::BucketQueue& queue, int32_t tolerance, ProgressRange& range,
                  unsigned workers) {
    WorkerPool pool(workers);
    RegionGraph graph(planes, labels, state, std::clamp(tolerance, 0, 255), pool);
    graph.run(queue, {range.parent(), range.valueAt(range.current()), range.end(), 0.0f});
}

bool updateRegions(bool force, const SegmentationParams& lastCompleted,
                   const SegmentationParams& current, const RegionFloodPlanes& planes,
                   const Box& domain, float planeScale, RegionLabels& regions, ProgressRange& range,
                   unsigned workers) {
    // Not-a-number compares unequal, so such a scale always floods again.
    if (!force && lastCompleted.regionScale == current.regionScale &&
        lastCompleted.inFocusEdgeWidth == current.inFocusEdgeWidth)
        return false;

    if (!(current.regionScale > 1.0f) || domain.isEmpty()) {
        regions.storage.free();
        regions.labels.free();
        regions.count = -1;
        return true;
    }

    // The old labels go first, so that they are not held beside the new
    // ones; should the flood fail, there are no regions.
    regions.storage.free();
    regions.labels.free();
    regions.count = -1;

    // -1 over the domain, 0 on the ring around it (the border's label) and
    // on the outer ring, which no flood reaches.
    LabelArray storage = arrayOver<int32_t>(domain.grown(2), 0);
    LabelArray labels = windowOf(storage, domain);
    labels = watershed::unlabelled;
    watershed::LevelState state;
    state.newLabel(); // 0: the border

    watershed::BucketQueue queue;
    floodRegions(planes, storage, state, queue, regionTolerance(planeScale, current.regionScale),
                 range, workers);

    regions.storage.reference(storage);
    regions.labels.reference(labels);
    regions.count = state.next;
    return true;
}

} // namespace classification
