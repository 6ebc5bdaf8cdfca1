// The engine's watershed: one priority flood that grows basins from the most
// typical places (the highest values) towards the least typical ones.
//
// Elements still unlabelled (-1) are pending, sorted by their seed value,
// highest first. The flood takes the top edge of its queue while the queue
// holds an edge whose level is not below the seed value of the first pending
// element; an edge whose target is still unlabelled gives the target its
// source's label and pushes the target's edges at the edge's level. When every
// queued edge lies below the first pending element, that element starts a new
// basin. So each element is reached along the path whose lowest level is
// highest, and the floods of two basins meet along the lowest values between
// them.
//
// The graph (pixels of an image, colours of a histogram), the queue (a heap
// ordered by level, plateau count and path length, or 256 first-in first-out
// buckets for byte levels), the level of an edge and what happens when a flood
// meets another basin belong to the graph; the loop, the new basins and the
// progress rule are shared by every use.
#ifndef VARDEK_WATERSHED_WATERSHED_H
#define VARDEK_WATERSHED_WATERSHED_H

#include "core/arrays.h"
#include "core/box.h"
#include "core/checkpoint.h"
#include "core/group_by_key.h"
#include "core/large_memory.h"
#include "core/progress.h"
#include "core/worker_pool.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace watershed {

// The label of an element the flood has still to reach.
inline constexpr int32_t unlabelled = -1;

// The labels of one flood: 0, 1, 2, ... up to the cap, then the cap for every
// further basin. The colour classifier keeps one per histogram level for the
// life of the classification, so a second clustering continues the numbering.
struct LevelState {
    static constexpr int32_t defaultCap = 0x7ffffffe;
    int32_t cap = defaultCap;
    int32_t next = 0;

    int32_t newLabel() { return next <= cap ? next++ : cap; }
};

// Pixels of a flood are addressed by their offset in the label array.
using PixelOffset = uint32_t;

// The basins of a flood with, for every label, the boundary pairs (p, q) where
// a flood from p (carrying that label) met q carrying another label. New labels
// are the number of labels so far while that number is at most the cap; every
// further basin shares the cap.
class BasinTable {
public:
    using Pair = std::pair<PixelOffset, PixelOffset>;

    explicit BasinTable(int32_t cap = std::numeric_limits<int32_t>::max()) : cap_(cap) {}

    int32_t newLabel() {
        const auto count = static_cast<int64_t>(lists_.size());
        if (count > cap_) return cap_;
        lists_.emplace_back();
        return static_cast<int32_t>(count);
    }
    void addBoundary(int32_t label, PixelOffset p, PixelOffset q) {
        lists_[static_cast<std::size_t>(label)].emplace_back(p, q);
    }
    // The boundary pairs of `label`; empty for a label never given.
    const std::vector<Pair>& boundary(int32_t label) const {
        static const std::vector<Pair> none;
        if (label < 0 || static_cast<std::size_t>(label) >= lists_.size()) return none;
        return lists_[static_cast<std::size_t>(label)];
    }
    int32_t labelCount() const { return static_cast<int32_t>(lists_.size()); }
    int32_t cap() const { return cap_; }

private:
    int32_t cap_;
    std::vector<std::vector<Pair>> lists_;
};

// An edge of a heap flood: its level (the priority), and two counts that order
// edges of equal level: the plateau count (steps taken without descending)
// and the path length from the basin's start.
template <typename Element, typename Level> struct HeapEdge {
    Element from;
    Element to;
    Level level;
    int32_t plateau;
    int32_t pathLength;
};

// The queue of a heap flood: the top is the highest level; among equal levels
// the smaller plateau count, then the smaller path length. Levels compare in
// their own type (signed for pixel values, unsigned for colour counts).
//
// Edges equal in all three come out in the order of a binary heap that takes
// its top by moving the hole down to a leaf, always to the child that comes
// out first (the right one on a tie), and then moving the last element up
// from there; a push moves the new element up. The floods' results depend on
// that order, so it is kept exactly. Each edge's priority is held as two
// unsigned keys, so that comparing two edges takes no more than two tests.
template <typename Element, typename Level> class FloodHeap {
public:
    using Edge = HeapEdge<Element, Level>;
    static constexpr bool countsIdleEdges = false;
    static_assert(sizeof(Level) == 4, "levels of 32 bits");

    bool empty() const { return heap_.empty(); }
    std::size_t size() const { return heap_.size(); }
    Level topLevel() const { return levelOf(heap_.front()); }
    void push(const Edge& edge) {
        heap_.push_back(nodeOf(edge));
        moveUp(heap_.size() - 1, heap_.back());
    }
    Edge pop() {
        const Edge top = edgeOf(heap_.front());
        const std::size_t last = heap_.size() - 1;
        if (last > 0) moveDown(last, heap_[last]);
        heap_.pop_back();
        return top;
    }

private:
    struct Node {
        uint32_t level;   // the level, its order kept as unsigned
        uint32_t plateau; // the plateau count, its order reversed
        uint32_t path;    // the path length, its order reversed
        Element from;
        Element to;
    };
    static constexpr uint32_t signBit = 0x80000000u;
    static uint32_t rising(Level level) {
        if constexpr (std::is_signed_v<Level>) return uint32_t(level) ^ signBit;
        return uint32_t(level);
    }
    static uint32_t falling(int32_t count) { return ~(uint32_t(count) ^ signBit); }
    static Node nodeOf(const Edge& e) {
        return {rising(e.level), falling(e.plateau), falling(e.pathLength), e.from, e.to};
    }
    static Level levelOf(const Node& n) {
        if constexpr (std::is_signed_v<Level>) return Level(n.level ^ signBit);
        return Level(n.level);
    }
    static Edge edgeOf(const Node& n) {
        return {n.from, n.to, levelOf(n), int32_t(~n.plateau ^ signBit),
                int32_t(~n.path ^ signBit)};
    }
    // True when a comes out after b.
    static bool later(const Node& a, const Node& b) {
        const uint64_t first = uint64_t(a.level) << 32 | a.plateau;
        const uint64_t second = uint64_t(b.level) << 32 | b.plateau;
        return first < second || (first == second && a.path < b.path);
    }

    // Moves `value` up from the hole at `hole` to where it belongs.
    void moveUp(std::size_t hole, Node value) {
        while (hole > 0) {
            const std::size_t parent = (hole - 1) / 2;
            if (!later(heap_[parent], value)) break;
            heap_[hole] = heap_[parent];
            hole = parent;
        }
        heap_[hole] = value;
    }
    // Fills the hole at the top of the first `length` elements: down to a
    // leaf along the children that come out first, then `value` up.
    void moveDown(std::size_t length, Node value) {
        std::size_t hole = 0, child = 0;
        while (child < (length - 1) / 2) {
            child = 2 * (child + 1);
            if (later(heap_[child], heap_[child - 1])) --child;
            heap_[hole] = heap_[child];
            hole = child;
        }
        if ((length & 1) == 0 && child == (length - 2) / 2) {
            child = 2 * (child + 1);
            heap_[hole] = heap_[child - 1];
            hole = child - 1;
        }
        moveUp(hole, value);
    }

    std::vector<Node> heap_;
};

// The queue of a flood whose levels are bytes: one first-in first-out bucket
// per level, so a push and a take cost constant time and edges of one level
// come out in the order they went in. An edge carries the label of its
// source instead of the source itself: labels never change once given, and
// the target's label is all a flood gives along an edge.
//
// An edge that its pusher knows to change nothing when taken (its target is
// labelled, or an edge pushed before it at a level at least its own goes to
// the same target and so is taken first) is only counted: the queue keeps
// the number of such edges in front of each stored edge, and the flood takes
// them as steps without reading anything, in the order they would have come
// out. So the flood's steps and its queue size, and with them its progress
// reports, are those of the full queue.
//
// A bucket is a chain of fixed chunks; emptied chunks are kept for reuse, so
// a flood over millions of pixels allocates only as many chunks as its
// queue holds at its fullest.
class BucketQueue {
public:
    struct Edge {
        PixelOffset to;
        int32_t label; // the source's
        uint8_t level;
    };
    // Edges that change nothing are counted, not stored.
    static constexpr bool countsIdleEdges = true;

    BucketQueue() = default;
    BucketQueue(const BucketQueue&) = delete;
    BucketQueue& operator=(const BucketQueue&) = delete;
    ~BucketQueue() {
        for (Bucket& b : buckets_)
            release(b.head);
        release(spare_);
    }

    // Counting the idle edges.
    bool empty() const { return count_ == 0; }
    std::size_t size() const { return count_; }
    // The highest level that holds edges; 0 when the queue is empty.
    uint8_t topLevel() const { return static_cast<uint8_t>(current_); }

    // The edges of one level come from all over the image, so what a flood
    // reads around the target of each edge it takes is rarely in the cache.
    // Given the labels and two byte planes of the pixels (and the distance
    // between two rows), every take starts fetching the rows around the
    // target of the edge `takeAhead` places further on in its bucket.
    static constexpr uint32_t takeAhead = 10;
    void fetchAhead(const int32_t* labels, const uint8_t* plane, const uint8_t* second,
                    std::ptrdiff_t rowStride) {
        labels_ = labels;
        plane_ = plane;
        second_ = second;
        rowStride_ = rowStride;
    }

    void push(const Edge& edge) {
        Bucket& b = buckets_[edge.level];
        if (!b.tail || b.end == chunkEntries) {
            Chunk* chunk = takeChunk();
            if (b.tail)
                b.tail->next = chunk;
            else
                b.head = chunk;
            b.tail = chunk;
            b.end = 0;
        }
        b.tail->entries[b.end++] = {edge.to, edge.label, b.idle};
        b.idle = 0;
        raise(edge.level);
    }
    // An edge that changes nothing when taken. (Stored all the same should
    // its bucket's count run out.)
    void pushIdle(const Edge& edge) {
        Bucket& b = buckets_[edge.level];
        if (b.idle == std::numeric_limits<uint32_t>::max()) return push(edge);
        ++b.idle;
        raise(edge.level);
    }

    // The idle edges at the front of the top bucket: those before its first
    // stored edge, or all of its edges when it stores none.
    std::size_t idleInFront() const {
        const Bucket& b = buckets_[static_cast<std::size_t>(current_)];
        return b.head ? b.head->entries[b.first].idleBefore : b.idle;
    }
    // Takes the idle edges at the front of the top bucket.
    void dropIdleInFront() {
        Bucket& b = buckets_[static_cast<std::size_t>(current_)];
        if (b.head) {
            count_ -= b.head->entries[b.first].idleBefore;
            b.head->entries[b.first].idleBefore = 0;
        } else {
            count_ -= b.idle;
            b.idle = 0;
            lower();
        }
    }
    // Takes the front edge of the top bucket, which must be a stored one (no
    // idle edges in front).
    Edge pop() {
        Bucket& b = buckets_[static_cast<std::size_t>(current_)];
        const Entry front = b.head->entries[b.first++];
        const Edge edge{front.to, front.label, static_cast<uint8_t>(current_)};
        if (labels_ && b.first + takeAhead < (b.head == b.tail ? b.end : chunkEntries)) {
            const PixelOffset ahead = b.head->entries[b.first + takeAhead].to;
            for (std::ptrdiff_t row : {-rowStride_, std::ptrdiff_t(0), rowStride_}) {
                __builtin_prefetch(labels_ + ahead + row);
                __builtin_prefetch(plane_ + ahead + row);
                __builtin_prefetch(second_ + ahead + row);
            }
        }
        if (b.head == b.tail && b.first == b.end) {
            giveChunk(b.head);
            b.head = b.tail = nullptr;
            b.first = b.end = 0;
        } else if (b.first == chunkEntries) {
            Chunk* done = b.head;
            b.head = done->next;
            b.first = 0;
            giveChunk(done);
        }
        --count_;
        lower();
        return edge;
    }

private:
    struct Entry {
        PixelOffset to;
        int32_t label;
        uint32_t idleBefore; // idle edges pushed to the bucket just before this one
    };
    static constexpr uint32_t chunkEntries = 4096;
    struct Chunk {
        Entry entries[chunkEntries];
        Chunk* next = nullptr;
    };
    // Stored entries first .. end - 1 of the chain head .. tail (first in the
    // head chunk, end in the tail chunk; no chunk when none), then `idle`
    // idle edges pushed after the last of them.
    struct Bucket {
        Chunk* head = nullptr;
        Chunk* tail = nullptr;
        uint32_t first = 0;
        uint32_t end = 0;
        uint32_t idle = 0;
    };

    void raise(int level) {
        current_ = std::max(current_, level);
        ++count_;
    }
    // Moves the top level down past empty buckets.
    void lower() {
        while (current_ > 0 && !buckets_[static_cast<std::size_t>(current_)].head &&
               buckets_[static_cast<std::size_t>(current_)].idle == 0)
            --current_;
    }
    Chunk* takeChunk() {
        Chunk* chunk = spare_;
        if (chunk)
            spare_ = chunk->next;
        else
            chunk = new Chunk;
        chunk->next = nullptr;
        return chunk;
    }
    void giveChunk(Chunk* chunk) {
        chunk->next = spare_;
        spare_ = chunk;
    }
    static void release(Chunk* chain) {
        while (chain) {
            Chunk* next = chain->next;
            delete chain;
            chain = next;
        }
    }

    std::array<Bucket, 256> buckets_;
    Chunk* spare_ = nullptr;
    const int32_t* labels_ = nullptr;
    const uint8_t* plane_ = nullptr;
    const uint8_t* second_ = nullptr;
    std::ptrdiff_t rowStride_ = 0;
    int current_ = 0;
    std::size_t count_ = 0;
};

// Where a flood reports: nowhere when `progress` is null. The flood reports
// into [(1 - weight) start + weight end, 0.05 start + 0.95 end].
struct FloodReport {
    orsine::utility::IiUI* progress = nullptr;
    float start = 0.0f;
    float end = 1.0f;
    float weight = 0.0f;
};

// The label of the flood's reports: the source, the line of the report, and
// the stage "Watershed inner".
inline std::string innerCheckpoint(int line) {
    return classification::checkpointLabel("vardek/include/watershed/Watershed.h", line,
                                           "Watershed inner");
}

// Steps between two progress reports of a flood.
inline constexpr uint64_t floodReportInterval = 32768;

// Runs the flood. `pending` lists the elements whose label is -1, sorted by
// seed value, highest first (anything with size() and operator[]). The graph
// provides:
//   int32_t& label(Element)
//   int32_t sourceLabel(const Edge&): the label of the edge's source
//   seed(Element), comparable with the queue's levels
//   void spread(const Edge&, Queue&): push the edges of the target (just
//       labelled) at the edge's level with the edge's counts
//   void startBasin(Element, Queue&): push the edges of a new basin's first
//       element at its own seed value with counts 0
//   void meet(const Edge&): the target carries another label
//   int32_t newLabel()
template <typename Graph, typename Queue, typename Pending>
void priorityFlood(Graph& graph, Queue& queue, const Pending& pending,
                   const FloodReport& where = {}) {
    const float rangeStart = (1.0f - where.weight) * where.start + where.weight * where.end;
    const float rangeEnd = 0.05f * where.start + 0.95f * where.end;
    float done = 0.0f;
    uint64_t steps = 0;
    double peak = 1.0;
    const auto report = [&](std::size_t queued) {
        done = std::max(done, static_cast<float>(1.0 - queued / peak));
        where.progress->report((1.0f - done) * rangeStart + done * rangeEnd,
                               innerCheckpoint(__LINE__));
    };

    // The first pending element that may still be unlabelled. It moves on
    // only when the flood asks for the first unlabelled element: the seeds
    // fall along the list, so a labelled element at the front has a seed at
    // least that of the first unlabelled one, and a queue that reaches it
    // reaches the first unlabelled one too. Moving on reads the labels of the
    // elements passed, scattered over the graph, so they are fetched ahead.
    std::size_t front = 0;
    const std::size_t count = pending.size();
    const auto dropLabelled = [&] {
        constexpr std::size_t ahead = 16;
        for (; front < count; ++front) {
            if (front + ahead < count) __builtin_prefetch(&graph.label(pending[front + ahead]));
            if (graph.label(pending[front]) == unlabelled) break;
        }
    };
    // Whether the first unlabelled element lies above every queued level.
    const auto firstAboveQueue = [&] {
        if (front >= count || !(queue.topLevel() < graph.seed(pending[front]))) return false;
        dropLabelled();
        return front < count && queue.topLevel() < graph.seed(pending[front]);
    };

    for (;;) {
        while (!queue.empty()) {
            if (firstAboveQueue()) break;
            if constexpr (Queue::countsIdleEdges) {
                if (const std::size_t idle = queue.idleInFront()) {
                    // Taking an idle edge changes nothing but the step count and
                    // the queue size; between them they hold `peak` still.
                    const std::size_t queued = queue.size();
                    queue.dropIdleInFront();
                    peak = std::max(peak,
                                    static_cast<double>(queued - 1) + static_cast<double>(steps));
                    if (where.progress)
                        for (uint64_t at = (steps / floodReportInterval + 1) * floodReportInterval;
                             at <= steps + idle; at += floodReportInterval)
                            report(queued - static_cast<std::size_t>(at - steps));
                    steps += idle;
                    continue;
                }
            }
            const auto edge = queue.pop();
            int32_t& target = graph.label(edge.to);
            const int32_t source = graph.sourceLabel(edge);
            if (target == unlabelled) {
                target = source;
                graph.spread(edge, queue);
            } else if (target != source) {
                graph.meet(edge);
            }

            peak = std::max(peak, static_cast<double>(queue.size()) + static_cast<double>(steps));
            ++steps;
            if (steps % floodReportInterval == 0 && where.progress) report(queue.size());
        }
        dropLabelled();
        if (front >= count) return; // and the queue is empty
        const auto first = pending[front];
        graph.label(first) = graph.newLabel();
        graph.startBasin(first, queue);
    }
}

// A fixed number of plain values (uninitialised when made), in memory
// advised for huge pages: the per-pixel working arrays of a flood.
template <typename T> class LargeList {
public:
    explicit LargeList(std::size_t count = 0)
        : values_(classification::largeBuffer<T>(count)), count_(count) {}
    std::size_t size() const { return count_; }
    T* data() { return values_.get(); }
    T& operator[](std::size_t i) { return values_[i]; }
    const T& operator[](std::size_t i) const { return values_[i]; }

private:
    std::unique_ptr<T[]> values_;
    std::size_t count_;
};
using PixelList = LargeList<PixelOffset>;
using BytePlane = LargeList<uint8_t>;

// The pixels of a label array (over a box, stored row by row with consecutive
// columns) addressed by their offset from the box's first pixel, with dense
// copies of the value planes a flood reads in the same layout, so that a
// neighbour is one offset step away in every array. No flood may leave the
// box: the outermost ring is never flooded, and a -1 there is taken as 0.
class PixelGrid {
public:
    explicit PixelGrid(classification::LabelArray& labels) : box_(classification::boxOf(labels)) {
        if (labels.size() == 0) return;
        if (labels.stride(1) != 1)
            throw std::invalid_argument("watershed: labels must be stored row by row");
        rowStride_ = labels.stride(0);
        size_ = static_cast<std::size_t>((box_.rows() - 1) * rowStride_ + box_.columns());
        if (size_ > std::numeric_limits<PixelOffset>::max()) throw std::bad_alloc();
        labels_ = &labels(box_.lower.index());
        const auto ring = [&labels](int r, int c) {
            if (labels(r, c) == unlabelled) labels(r, c) = 0;
        };
        for (int c = box_.lower.column; c <= box_.upper.column; ++c) {
            ring(box_.lower.row, c);
            ring(box_.upper.row, c);
        }
        for (int r = box_.lower.row; r <= box_.upper.row; ++r) {
            ring(r, box_.lower.column);
            ring(r, box_.upper.column);
        }
    }

    const classification::Box& box() const { return box_; }
    std::ptrdiff_t rowStride() const { return rowStride_; }
    int32_t& label(PixelOffset p) const { return labels_[p]; }

    PixelOffset offsetOf(classification::Point p) const {
        return static_cast<PixelOffset>((p.row - box_.lower.row) * rowStride_ +
                                        (p.column - box_.lower.column));
    }
    classification::Point pointOf(PixelOffset offset) const {
        const auto o = static_cast<std::ptrdiff_t>(offset);
        return {box_.lower.row + static_cast<int>(o / rowStride_),
                box_.lower.column + static_cast<int>(o % rowStride_)};
    }
    // The offset step to the neighbour (dr, dc).
    std::ptrdiff_t step(int dr, int dc) const { return dr * rowStride_ + dc; }

    // A dense copy of valueAt(row, column) over the box where `covered` holds
    // (0 elsewhere), in bands of rows on `pool`'s workers when one is given.
    template <typename ValueAt>
    BytePlane plane(const classification::Box& covered, ValueAt valueAt,
                    classification::WorkerPool* pool = nullptr) const {
        BytePlane values(size_);
        const classification::Box part = classification::Box::intersection(box_, covered);
        const int bands = bandCount(pool);
        classification::runJobs(pool, bands, [&](int b) {
            const classification::Box band = classification::rowBand(box_, bands, b);
            const int firstRow = band.lower.row, lastRow = band.upper.row;
            // The band's rows, with the gap after each row but the last.
            const std::size_t begin = offsetOf({firstRow, box_.lower.column});
            const std::size_t end = lastRow == box_.upper.row
                                        ? size_
                                        : std::size_t(offsetOf({lastRow + 1, box_.lower.column}));
            std::fill(values.data() + begin, values.data() + end, uint8_t(0));
            for (int r = std::max(firstRow, part.lower.row); r <= std::min(lastRow, part.upper.row);
                 ++r) {
                uint8_t* row = &values[offsetOf({r, part.lower.column})];
                for (int c = part.lower.column; c <= part.upper.column; ++c)
                    *row++ = valueAt(r, c);
            }
        });
        return values;
    }

    // The pixels inside the ring labelled -1, sorted by `seed`, highest first;
    // pixels of equal seed in storage order. A counting sort, each band of
    // rows counted and placed on a worker when a pool is given.
    template <typename Seeds>
    PixelList pending(const Seeds& seed, classification::WorkerPool* pool = nullptr) const {
        const int bands = bandCount(pool);
        const auto forEachIn = [&](int b, auto visit) {
            forEachInside(classification::rowBand(box_, bands, b), [&](PixelOffset p) {
                if (labels_[p] == unlabelled) visit(std::size_t(255 - seed[p]), p);
            });
        };
        return classification::groupByKey<PixelList>(pool, bands, 256, forEachIn).values;
    }

private:
    // How many bands of rows the box is cut into: a few per worker of `pool`
    // and at least 64 rows each; one without a pool.
    int bandCount(const classification::WorkerPool* pool) const {
        return classification::rowBandCount(box_.rows(), pool);
    }

    // Visits the offsets of the pixels inside the ring in storage order, on
    // the rows of `rows`.
    template <typename Visit>
    void forEachInside(const classification::Box& rows, Visit visit) const {
        for (int r = std::max(rows.lower.row, box_.lower.row + 1);
             r <= std::min(rows.upper.row, box_.upper.row - 1); ++r) {
            const PixelOffset first = offsetOf({r, box_.lower.column + 1});
            const PixelOffset end = offsetOf({r, box_.upper.column});
            for (PixelOffset p = first; p < end; ++p)
                visit(p);
        }
    }

    classification::Box box_;
    std::ptrdiff_t rowStride_ = 0;
    std::size_t size_ = 0;
    int32_t* labels_ = nullptr;
};

// The tolerance of a flood from a float: truncated toward zero and clamped to
// 0 to 255. Levels never exceed 255, so a larger tolerance changes nothing,
// and the truncation of a huge or undefined value must not be left to chance.
inline int32_t floodTolerance(float value) {
    if (!(value > 0.0f)) return 0;
    if (value >= 255.0f) return 255;
    return static_cast<int32_t>(value);
}

// The inner watershed over a box E of pixels, for auto complex. `labels`
// covers E grown by one pixel (see PixelGrid) and `values` (the flood values
// V) at least that box. Labels are -1 where the flood must reach and any other
// label elsewhere, 0 on the ring. An edge from q to a 4-neighbour s at level d
// has the level min(d, V[s] + t) and the counts (0 when V[s] + t < d, else the
// plateau count + 1; path length + 1). Where a flood meets another label the
// pair is recorded in the basin table.
//
// The caller labels its seeds and pushes their edges with `pushPixelEdges`,
// then `run` floods every pixel still labelled -1.
class InnerWatershed {
public:
    using Queue = FloodHeap<PixelOffset, int32_t>;
    using Edge = Queue::Edge;

    InnerWatershed(const classification::ByteArray& values, classification::LabelArray& labels,
                   BasinTable& basins, int32_t tolerance)
        : grid_(labels), basins_(basins), tolerance_(tolerance) {
        values_ = grid_.plane(classification::boxOf(values),
                              [&values](int r, int c) { return values(r, c); });
        steps_ = {grid_.step(-1, 0), grid_.step(1, 0), grid_.step(0, -1), grid_.step(0, 1)};
    }

    const PixelGrid& grid() const { return grid_; }
    int32_t& label(PixelOffset p) { return grid_.label(p); }
    int32_t sourceLabel(const Edge& e) { return grid_.label(e.from); }
    int32_t seed(PixelOffset p) const { return values_[p]; }

    // Pushes the edges of q at level d with counts (plateau, pathLength) to
    // every 4-neighbour whose label differs from q's: minus and plus one along
    // the first axis, then along the second.
    void pushPixelEdges(PixelOffset q, int32_t d, int32_t plateau, int32_t pathLength,
                        Queue& queue) {
        const int32_t own = grid_.label(q);
        for (std::ptrdiff_t step : steps_) {
            const auto s = static_cast<PixelOffset>(static_cast<std::ptrdiff_t>(q) + step);
            if (grid_.label(s) == own) continue;
            const int32_t reach = values_[s] + tolerance_;
            queue.push({q, s, std::min(d, reach), reach < d ? 0 : plateau + 1, pathLength + 1});
        }
    }

    // The flood's graph operations.
    void spread(const Edge& e, Queue& queue) {
        pushPixelEdges(e.to, e.level, e.plateau, e.pathLength, queue);
    }
    void startBasin(PixelOffset p, Queue& queue) { pushPixelEdges(p, values_[p], 0, 0, queue); }
    void meet(const Edge& e) { basins_.addBoundary(grid_.label(e.from), e.from, e.to); }
    int32_t newLabel() { return basins_.newLabel(); }

    // Floods every pixel still labelled -1, reporting every 32768 steps into
    // the range of `where` (a report may raise VkExCancel).
    void run(Queue& queue, const FloodReport& where) {
        priorityFlood(*this, queue, grid_.pending(values_), where);
    }

private:
    PixelGrid grid_;
    BytePlane values_;
    std::array<std::ptrdiff_t, 4> steps_{};
    BasinTable& basins_;
    int32_t tolerance_;
};

} // namespace watershed

#endif
