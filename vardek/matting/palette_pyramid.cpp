// Palette pyramids: level 0 from the selected pixels, the levels above by
// merging and refining 2 x 2 blocks, and the palette of a pixel.
#include "matting/palette_pyramid.h"

#include "core/status_bits.h"

#include <stdexcept>
#include <utility>

namespace orsine::matting {

using classification::Box;
using classification::kPassMark;

namespace {

// Floor division by 2^k (pixel coordinates are normally non-negative).
int floorShift(int v, int k) {
    return v >= 0 ? v >> k : -((-v - 1) >> k) - 1;
}

Box halved(const Box& box) {
    return {floorShift(box.lower.row, 1), floorShift(box.lower.column, 1),
            floorShift(box.upper.row, 1), floorShift(box.upper.column, 1)};
}

} // namespace

template <class Types> std::size_t Quadrant<Types>::sampleCount() const {
    std::size_t n = 0;
    for (const Cluster<Types>& c : clusters)
        n += c.size();
    return n;
}

template <class Types> Cluster<Types>& Quadrant<Types>::firstCluster() {
    if (clusters.empty()) clusters.emplace_back();
    return clusters.front();
}

template <class Types>
PaletteLevel<Types>::PaletteLevel(const Box& box)
    : box_(box), blocks_(static_cast<std::size_t>(box.area())) {}

SampleSelector::SampleSelector(const classification::ByteArray& status,
                               blitz::TinyVector<float, 2> scale, unsigned char classMask)
    : status_(status), inverse_{1.0f / scale[0], 1.0f / scale[1]}, classMask_(classMask) {}

int SampleSelector::statusIndex(int dimension, int x) const {
    const float u = static_cast<float>(x) * inverse_[dimension];
    const int lo = status_.lbound(dimension), hi = status_.ubound(dimension);
    // Compared as a float first, so that a far-off position cannot overflow the cast.
    if (!(u > lo - 1.0f && u < hi + 1.0f)) return -1;
    const int s = static_cast<int>(u);
    return s >= lo && s <= hi ? s : -1;
}

bool SampleSelector::accepts(int i, int j) const {
    const int r = statusIndex(0, i), c = statusIndex(1, j);
    if (r < 0 || c < 0) return false;
    const unsigned char b = status_(r, c);
    return (b & kPassMark) != 0 && (b & classMask_) != 0;
}

template <class Types>
PaletteLevel<Types> buildFirstLevel(const SourceView<Types>& source,
                                    const SampleSelector& selector) {
    const Box sourceBox = classification::boxOf(source);
    PaletteLevel<Types> level(halved(sourceBox));
    if (sourceBox.isEmpty()) return level;

    // The selector's test with the status positions of the columns worked out once.
    const classification::ByteArray& status = selector.status();
    const unsigned char wanted = selector.classMask();
    const int first = sourceBox.lower.column, last = sourceBox.upper.column;
    std::vector<int> statusColumn(static_cast<std::size_t>(last - first + 1));
    for (int j = first; j <= last; ++j)
        statusColumn[static_cast<std::size_t>(j - first)] = selector.statusIndex(1, j);

    using Sample = typename Cluster<Types>::Sample;
    for (int i = sourceBox.lower.row; i <= sourceBox.upper.row; ++i) {
        const int r = selector.statusIndex(0, i);
        if (r < 0) continue;
        for (int j = first; j <= last; ++j) {
            const int c = statusColumn[static_cast<std::size_t>(j - first)];
            if (c < 0) continue;
            const unsigned char b = status(r, c);
            if ((b & kPassMark) == 0 || (b & wanted) == 0) continue;
            const auto& pixel = source(i, j);
            level.at(floorShift(i, 1), floorShift(j, 1))
                .firstCluster()
                .add(Sample{pixel[0], pixel[1], pixel[2]});
        }
    }
    for (Quadrant<Types>& q : level.blocks())
        if (!q.clusters.empty()) q.clusters.front().updateStatistics();
    return level;
}

template <class Types> PaletteLevel<Types> buildNextLevel(PaletteLevel<Types>& level) {
    const Box box = level.box();
    PaletteLevel<Types> next(halved(box));
    for (int a = box.lower.row; a <= box.upper.row; ++a) {
        for (int b = box.lower.column; b <= box.upper.column; ++b) {
            Quadrant<Types>& child = level.at(a, b);
            Quadrant<Types>& parent = next.at(floorShift(a, 1), floorShift(b, 1));
            child.parent = &parent;
            if (child.sampleCount() == 0) continue;
            Cluster<Types>& target = parent.firstCluster();
            for (const Cluster<Types>& c : child.clusters)
                for (const auto& s : c.samples())
                    target.add(s);
        }
    }
    for (Quadrant<Types>& q : next.blocks())
        if (!q.clusters.empty()) q.clusters.front().updateStatistics();
    return next;
}

template <class Types> void refineLevel(PaletteLevel<Types>& level, double threshold) {
    for (Quadrant<Types>& q : level.blocks()) {
        if (q.sampleCount() == 0) continue;
        splitClusters<Types>(q.clusters, 27, threshold);
        compactClusters<Types>(q.clusters, 27, threshold * 0.5);
    }
}

template <class Types>
void buildPalettePyramid(PalettePyramid<Types>& pyramid, const SourceView<Types>& source,
                         const SampleSelector& selector, double threshold, ProgressRange progress) {
    pyramid.levels.push_back(buildFirstLevel<Types>(source, selector));
    progress.report(0.5f);
    float f = 0.5f, step = 0.25f;
    // An empty source leaves a single empty level.
    while (pyramid.levels.back().box().area() > 1) {
        PaletteLevel<Types> next = buildNextLevel<Types>(pyramid.levels.back());
        refineLevel<Types>(next, threshold);
        pyramid.levels.push_back(std::move(next));
        f += step;
        step *= 0.5f;
        progress.report(f);
    }
}

template <class Types>
PaletteAt<Types> paletteAt(const PalettePyramid<Types>& pyramid, int row, int column, int level) {
    if (level < 0 || level > pyramid.topLevel())
        throw std::out_of_range("palette level outside the pyramid");
    const PaletteLevel<Types>& start = pyramid.levels[static_cast<std::size_t>(level)];
    const classification::Point block(floorShift(row, level + 1), floorShift(column, level + 1));
    if (!start.box().contains(block)) throw std::out_of_range("pixel outside the palette pyramid");

    PaletteAt<Types> found;
    found.level = level;
    for (const Quadrant<Types>* q = &start.at(block.row, block.column); q; q = q->parent) {
        // Refined blocks hold no empty cluster, so the first one usually tells.
        if (!q->clusters.empty() && (!q->clusters.front().empty() || q->sampleCount() > 0)) {
            found.clusters = &q->clusters;
            return found;
        }
        ++found.level;
    }
    found.level = pyramid.topLevel();
    return found;
}

#define VARDEK_PYRAMID_INSTANCES(T)                                                                \
    template struct Quadrant<T>;                                                                   \
    template class PaletteLevel<T>;                                                                \
    template PaletteLevel<T> buildFirstLevel<T>(const SourceView<T>&, const SampleSelector&);      \
    template PaletteLevel<T> buildNextLevel<T>(PaletteLevel<T>&);                                  \
    template void refineLevel<T>(PaletteLevel<T>&, double);                                        \
    template void buildPalettePyramid<T>(PalettePyramid<T>&, const SourceView<T>&,                 \
                                         const SampleSelector&, double, ProgressRange);            \
    template PaletteAt<T> paletteAt<T>(const PalettePyramid<T>&, int, int, int);

VARDEK_PYRAMID_INSTANCES(cbb8)
VARDEK_PYRAMID_INSTANCES(cbb16)

#undef VARDEK_PYRAMID_INSTANCES

} // namespace orsine::matting
