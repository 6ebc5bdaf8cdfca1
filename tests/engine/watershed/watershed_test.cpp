// The inner watershed: flood order by level, plateau count and path length,
// new basins, boundary pairs, and a brute-force reference on random heights.
#include "core/arrays.h"
#include "watershed/watershed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <queue>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using namespace classification;
using watershed::BasinTable;
using watershed::InnerWatershed;

namespace {

// A flood over the one-row box E = (0, 0)..(0, n - 1): values and labels over
// E grown by one, the ring at value 0 and label 0.
struct RowFlood {
    explicit RowFlood(const std::vector<int>& heights)
        : box(0, 0, 0, static_cast<int>(heights.size()) - 1),
          values(arrayOver<unsigned char>(box.grown(1), 0)),
          labels(arrayOver<int32_t>(box.grown(1), 0)) {
        for (int c = 0; c < static_cast<int>(heights.size()); ++c) {
            values(0, c) = static_cast<unsigned char>(heights[static_cast<std::size_t>(c)]);
            labels(0, c) = -1;
        }
        basins.newLabel(); // 0: the ring
    }

    // Seeds of one new label at the given columns.
    int32_t seed(std::initializer_list<int> columns) {
        const int32_t label = basins.newLabel();
        for (int c : columns)
            labels(0, c) = label;
        return label;
    }

    std::vector<int32_t> run(int32_t tolerance = 0) {
        InnerWatershed flood(values, labels, basins, tolerance);
        InnerWatershed::Queue queue;
        for (int c = box.lower.column; c <= box.upper.column; ++c) {
            const auto p = flood.grid().offsetOf({0, c});
            if (labels(0, c) > 0) flood.pushPixelEdges(p, values(0, c), 0, 0, queue);
        }
        flood.run(queue, {});
        std::vector<int32_t> out;
        offsets.clear();
        for (int c = box.lower.column; c <= box.upper.column; ++c) {
            out.push_back(labels(0, c));
            offsets.push_back(flood.grid().offsetOf({0, c}));
        }
        return out;
    }

    bool met(int32_t label, int fromColumn, int toColumn) const {
        const watershed::BasinTable::Pair pair{offsets[static_cast<std::size_t>(fromColumn)],
                                               offsets[static_cast<std::size_t>(toColumn)]};
        for (const auto& recorded : basins.boundary(label))
            if (recorded == pair) return true;
        return false;
    }

    Box box;
    ByteArray values;
    LabelArray labels;
    BasinTable basins{3};
    std::vector<watershed::PixelOffset> offsets;
};

TEST(InnerWatershed, BasinLabelsStopAtTheCap) {
    BasinTable table(3);
    std::vector<int32_t> given;
    for (int i = 0; i < 6; ++i)
        given.push_back(table.newLabel());
    EXPECT_EQ(given, (std::vector<int32_t>{0, 1, 2, 3, 3, 3}));
    EXPECT_EQ(table.labelCount(), 4);
    EXPECT_TRUE(table.boundary(7).empty());

    watershed::LevelState state;
    state.cap = 2;
    EXPECT_EQ(state.newLabel(), 0);
    EXPECT_EQ(state.newLabel(), 1);
    EXPECT_EQ(state.newLabel(), 2);
    EXPECT_EQ(state.newLabel(), 2);
    EXPECT_EQ(state.next, 3);
}

TEST(InnerWatershed, PlateauCountDecidesBeforePathLength) {
    // A high shelf (100) falls onto a long plateau (50) that B holds at its far
    // end. On the plateau both floods advance by plateau count: A's counts
    // restart at 0 where it descends, so A reaches further than half-way in
    // steps from its seed (path length alone would meet at column 6 or 7).
    RowFlood f({100, 100, 100, 100, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50});
    const int32_t a = f.seed({0});
    const int32_t b = f.seed({13});
    const std::vector<int32_t> labels = f.run();
    for (int c = 0; c <= 8; ++c)
        EXPECT_EQ(labels[static_cast<std::size_t>(c)], a) << "column " << c;
    for (int c = 9; c <= 13; ++c)
        EXPECT_EQ(labels[static_cast<std::size_t>(c)], b) << "column " << c;
}

TEST(InnerWatershed, FlatRowIsSplitInTheMiddle) {
    RowFlood f(std::vector<int>(10, 70));
    const int32_t a = f.seed({0});
    const int32_t b = f.seed({9});
    EXPECT_EQ(f.run(), (std::vector<int32_t>{a, a, a, a, a, b, b, b, b, b}));
    // The floods met between columns 4 and 5, each recorded by its own label.
    EXPECT_TRUE(f.met(a, 4, 5));
    EXPECT_TRUE(f.met(b, 5, 4));
    EXPECT_FALSE(f.met(a, 3, 4));
}

TEST(InnerWatershed, HighPendingPixelStartsABasinAndTiesGoToTheShorterPath) {
    // Column 3 (160) is above every level the seeds can reach, so it starts a
    // basin (label 3 with the cap) and takes column 2; B takes column 5 at
    // level 90; at level 20 the shorter path wins: column 1 to A, column 4 to
    // the new basin.
    RowFlood f({90, 20, 150, 160, 20, 90, 90});
    const int32_t a = f.seed({0});
    const int32_t b = f.seed({6});
    EXPECT_EQ(f.run(), (std::vector<int32_t>{a, a, 3, 3, 3, b, b}));
}

TEST(InnerWatershed, ToleranceLetsAFloodClimbOverLowValues) {
    // Without tolerance the low value at column 1 holds A back, and B floods
    // down to it. A tolerance of 70 lifts every value to at least the seeds'
    // level, so the row is one plateau and the floods meet half-way.
    const std::vector<int> heights{100, 30, 60, 90, 90, 100};
    RowFlood without(heights);
    int32_t a = without.seed({0});
    int32_t b = without.seed({5});
    EXPECT_EQ(without.run(0), (std::vector<int32_t>{a, a, b, b, b, b}));

    RowFlood with(heights);
    a = with.seed({0});
    b = with.seed({5});
    EXPECT_EQ(with.run(70), (std::vector<int32_t>{a, a, a, b, b, b}));
}

// The flood written out directly over a (rows x columns) grid whose outer ring
// is the border: every step scans all queued edges for the best one. Sets
// `ambiguous` when the outcome may depend on how ties are broken: the best
// edge ties with an edge of another label to the same unlabelled pixel, or a
// new basin could have started at another pixel of the same value.
std::vector<int32_t> referenceFlood(const std::vector<int>& v, std::vector<int32_t> label,
                                    int columns, int tolerance, int32_t labelsGiven,
                                    bool& ambiguous) {
    struct Edge {
        int from, to, level, plateau, path;
    };
    const auto key = [](const Edge& e) { return std::make_tuple(e.level, -e.plateau, -e.path); };
    const auto at = [](auto& array, int p) -> auto& {
        return array[static_cast<std::size_t>(p)];
    };
    std::vector<Edge> queue;
    const int steps[4] = {-columns, columns, -1, 1};
    const auto push = [&](int q, int d, int e, int f) {
        for (int step : steps) {
            const int s = q + step;
            if (at(label, s) == at(label, q)) continue;
            const int reach = at(v, s) + tolerance;
            queue.push_back({q, s, std::min(d, reach), reach < d ? 0 : e + 1, f + 1});
        }
    };
    const int rows = static_cast<int>(v.size()) / columns;
    std::vector<int> pending;
    for (int r = 1; r < rows - 1; ++r)
        for (int c = 1; c < columns - 1; ++c) {
            const int p = r * columns + c;
            if (at(label, p) > 0) push(p, at(v, p), 0, 0);
            if (at(label, p) == -1) pending.push_back(p);
        }
    std::stable_sort(pending.begin(), pending.end(),
                     [&](int a, int b) { return at(v, a) > at(v, b); });
    std::size_t front = 0;
    const auto drop = [&] {
        while (front < pending.size() && at(label, pending[front]) != -1)
            ++front;
    };
    ambiguous = false;
    for (;;) {
        while (!queue.empty()) {
            std::size_t best = 0;
            for (std::size_t i = 1; i < queue.size(); ++i)
                if (key(queue[i]) > key(queue[best])) best = i;
            if (front < pending.size() && queue[best].level < at(v, pending[front])) break;
            const Edge e = queue[best];
            queue.erase(queue.begin() + static_cast<std::ptrdiff_t>(best));
            if (at(label, e.to) == -1) {
                for (const Edge& other : queue)
                    if (other.to == e.to && key(other) == key(e) &&
                        at(label, other.from) != at(label, e.from))
                        ambiguous = true;
                at(label, e.to) = at(label, e.from);
                push(e.to, e.level, e.plateau, e.path);
            }
            drop();
        }
        if (front >= pending.size()) break;
        const int first = pending[front];
        for (std::size_t i = front + 1; i < pending.size() && at(v, pending[i]) == at(v, first);
             ++i)
            if (at(label, pending[i]) == -1) ambiguous = true;
        at(label, first) = std::min(labelsGiven, 3);
        ++labelsGiven;
        push(first, at(v, first), 0, 0);
        drop();
    }
    return label;
}

TEST(InnerWatershed, AgreesWithADirectFloodOnRandomHeights) {
    std::mt19937 random(8);
    const int rows = 6, columns = 8; // E is the 4 x 6 interior
    int compared = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        // Coarse heights make plateaus and ties; fine ones make long descents.
        const int levels = trial % 3 == 0 ? 16 : 256;
        std::vector<int> v(static_cast<std::size_t>(rows * columns));
        for (int& x : v)
            x = static_cast<int>(random() % static_cast<unsigned>(levels)) * (256 / levels);
        std::vector<int32_t> label(v.size(), 0);
        for (int r = 1; r < rows - 1; ++r)
            for (int c = 1; c < columns - 1; ++c)
                label[static_cast<std::size_t>(r * columns + c)] = -1;
        const auto somewhere = [&] {
            return static_cast<std::size_t>((1 + static_cast<int>(random() % (rows - 2))) *
                                                columns +
                                            1 + static_cast<int>(random() % (columns - 2)));
        };
        for (int i = 0; i < 2; ++i)
            label[somewhere()] = 0;
        for (int i = 0; i < 2; ++i)
            label[somewhere()] = 1;
        label[somewhere()] = 2;
        const int tolerance = trial % 4 == 1 ? 30 : 0;

        // Only outcomes that do not depend on how ties are broken can be compared.
        bool ambiguous = false;
        const std::vector<int32_t> first =
            referenceFlood(v, label, columns, tolerance, 3, ambiguous);
        if (ambiguous) continue;
        ++compared;

        const Box grown(0, 0, rows - 1, columns - 1);
        ByteArray values = arrayOver<unsigned char>(grown);
        LabelArray labels = arrayOver<int32_t>(grown);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                values(r, c) =
                    static_cast<unsigned char>(v[static_cast<std::size_t>(r * columns + c)]);
                labels(r, c) = label[static_cast<std::size_t>(r * columns + c)];
            }
        BasinTable basins(3);
        for (int i = 0; i < 3; ++i)
            basins.newLabel();
        InnerWatershed flood(values, labels, basins, tolerance);
        InnerWatershed::Queue queue;
        for (int r = 1; r < rows - 1; ++r)
            for (int c = 1; c < columns - 1; ++c)
                if (labels(r, c) > 0)
                    flood.pushPixelEdges(flood.grid().offsetOf({r, c}), values(r, c), 0, 0, queue);
        flood.run(queue, {});
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                ASSERT_EQ(labels(r, c), first[static_cast<std::size_t>(r * columns + c)])
                    << "trial " << trial << " at " << Point(r, c);
    }
    EXPECT_GE(compared, 300);
}

// Records every report of a flood.
struct Reports : orsine::utility::IiUI {
    std::vector<std::pair<float, std::string>> seen;
    void report(float fraction, const std::string& label) override {
        seen.emplace_back(fraction, label);
    }
};

TEST(InnerWatershed, ReportsEvery32768StepsWithItsCheckpointLabel) {
    // 200 x 200 flat pixels flooded from one corner: two to three edges a pixel.
    const Box e(0, 0, 199, 199);
    ByteArray values = arrayOver<unsigned char>(e.grown(1), 40);
    LabelArray labels = arrayOver<int32_t>(e.grown(1), 0);
    windowOf(labels, e) = -1;
    labels(0, 0) = 1;
    BasinTable basins(3);
    basins.newLabel();
    basins.newLabel();
    InnerWatershed flood(values, labels, basins, 0);
    InnerWatershed::Queue queue;
    flood.pushPixelEdges(flood.grid().offsetOf({0, 0}), 40, 0, 0, queue);
    Reports reports;
    flood.run(queue, {&reports, 0.2f, 0.6f, 0.0f});

    ASSERT_GE(reports.seen.size(), 2u);
    float previous = 0.2f;
    for (const auto& [fraction, label] : reports.seen) {
        EXPECT_GE(fraction, previous);
        EXPECT_LE(fraction, 0.05f * 0.2f + 0.95f * 0.6f + 1e-6f);
        previous = fraction;
        EXPECT_EQ(label.rfind("vardek/include/watershed/Watershed.h: ", 0), 0u) << label;
        EXPECT_NE(label.find(":\n(before [Watershed inner]): "), std::string::npos) << label;
    }
    for (int r = 0; r <= 199; ++r)
        for (int c = 0; c <= 199; ++c)
            ASSERT_EQ(labels(r, c), 1);
}

} // namespace

namespace {

// Pushes and takes the same edges on a flood heap and on the standard
// library's priority queue ordered as the heap documents: the edges must come
// out identical, ties in all three counts included.
template <typename Level> void expectTheStandardHeapsOrder(unsigned seed) {
    using Heap = watershed::FloodHeap<uint32_t, Level>;
    using Edge = typename Heap::Edge;
    struct Later {
        bool operator()(const Edge& a, const Edge& b) const {
            if (a.level != b.level) return a.level < b.level;
            if (a.plateau != b.plateau) return a.plateau > b.plateau;
            return a.pathLength > b.pathLength;
        }
    };
    std::priority_queue<Edge, std::vector<Edge>, Later> reference;
    Heap heap;
    std::mt19937 random(seed);
    // Few distinct counts, so that most edges tie with many others; levels
    // on both sides of 0 and far apart, and counts past 2^31 - 1 nowhere.
    const Level levels[] = {Level(0), Level(3), Level(-2), Level(1) << 30, Level(7)};
    const int32_t counts[] = {0, 1, 2, 1 << 30, 5};
    uint32_t next = 0;
    for (int step = 0; step < 20000; ++step) {
        if (reference.empty() || random() % 5 < 3) {
            const Edge e{next, next * 7, levels[random() % 5], counts[random() % 5],
                         counts[random() % 5]};
            ++next;
            reference.push(e);
            heap.push(e);
        } else {
            ASSERT_EQ(heap.topLevel(), reference.top().level);
            const Edge want = reference.top();
            reference.pop();
            const Edge got = heap.pop();
            ASSERT_EQ(got.from, want.from) << step;
            ASSERT_EQ(got.to, want.to);
            ASSERT_EQ(got.level, want.level);
            ASSERT_EQ(got.plateau, want.plateau);
            ASSERT_EQ(got.pathLength, want.pathLength);
        }
        ASSERT_EQ(heap.size(), reference.size());
    }
}

TEST(FloodHeap, EdgesComeOutInTheStandardBinaryHeapsOrder) {
    for (unsigned seed : {1u, 2u, 3u}) {
        expectTheStandardHeapsOrder<int32_t>(seed);
        expectTheStandardHeapsOrder<uint32_t>(seed);
    }
}

} // namespace
