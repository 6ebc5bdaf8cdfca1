// Palette pyramids: the colours of the selected pixels of one class, as colour
// clusters in square blocks. Level 0 has one block per 2 x 2 pixels; each level
// above has one block per 2 x 2 blocks below, up to one block for the whole
// view. Above level 0 every block holds at most 27 clusters of at most 27
// representative colours, so merging four children stays cheap at any size.
#ifndef VARDEK_MATTING_PALETTE_PYRAMID_H
#define VARDEK_MATTING_PALETTE_PYRAMID_H

#include "core/arrays.h"
#include "core/box.h"
#include "core/colour.h"
#include "core/progress.h"
#include "matting/colour_cluster.h"

#include <blitz/array.h>

#include <cstddef>
#include <vector>

namespace orsine::matting {

// One block of a level. A new block stands for a single empty cluster; the
// cluster is created when the block receives its first sample, so that the
// many unselected blocks of level 0 cost no allocation.
template <class Types> struct Quadrant {
    ClusterList<Types> clusters;
    // The block of the next level that covers this one; none at the top.
    Quadrant* parent = nullptr;

    std::size_t sampleCount() const;
    // The first cluster, created when the block has none yet.
    Cluster<Types>& firstCluster();
};

// The blocks of one level over an absolute index box: block (a, b) of level L
// covers the pixels (x, y) with x div 2^(L+1) = a and y div 2^(L+1) = b.
// Blocks never move once the level exists, so parent references stay valid
// while the level is moved into its pyramid.
template <class Types> class PaletteLevel {
public:
    explicit PaletteLevel(const classification::Box& box);

    const classification::Box& box() const { return box_; }
    Quadrant<Types>& at(int a, int b) { return blocks_[offset(a, b)]; }
    const Quadrant<Types>& at(int a, int b) const { return blocks_[offset(a, b)]; }
    // In storage order: rows of blocks, first index outer.
    std::vector<Quadrant<Types>>& blocks() { return blocks_; }
    const std::vector<Quadrant<Types>>& blocks() const { return blocks_; }

private:
    std::size_t offset(int a, int b) const {
        return static_cast<std::size_t>(a - box_.lower.row) * box_.columns() +
               static_cast<std::size_t>(b - box_.lower.column);
    }

    classification::Box box_;
    std::vector<Quadrant<Types>> blocks_;
};

// Level 0 first, the single top block last.
template <class Types> struct PalettePyramid {
    std::vector<PaletteLevel<Types>> levels;

    int topLevel() const { return static_cast<int>(levels.size()) - 1; }
};

// Which source pixels feed a pyramid: those whose status byte carries the
// solving mark 0x80 and the class bit (2 keep, 4 delete).
class SampleSelector {
public:
    // `scale` is the number of output pixels per status pixel, rows then columns.
    SampleSelector(const classification::ByteArray& status, blitz::TinyVector<float, 2> scale,
                   unsigned char classMask);

    // The status pixel of output pixel (i, j) is (trunc(i / scale0),
    // trunc(j / scale1)); a position outside the status view is never selected.
    bool accepts(int i, int j) const;
    // The status row (dimension 0) or column (1) of output index x, or -1
    // when it lies outside the status view.
    int statusIndex(int dimension, int x) const;

    const classification::ByteArray& status() const { return status_; }
    float inverseScale(int dimension) const { return inverse_[dimension]; }
    unsigned char classMask() const { return classMask_; }

private:
    classification::ByteArray status_;
    float inverse_[2];
    unsigned char classMask_;
};

template <class Types>
using SourceView = blitz::Array<orsine::utility::Colour<typename Types::SampleType>, 2>;

template <class Types>
PaletteLevel<Types> buildFirstLevel(const SourceView<Types>& source,
                                    const SampleSelector& selector);
// The level above `level`; sets the parent references of `level`.
template <class Types> PaletteLevel<Types> buildNextLevel(PaletteLevel<Types>& level);
// Splits (at most 27 clusters) and compacts (at most 27 colours each, with
// half the threshold) the clusters of every block that holds samples.
template <class Types> void refineLevel(PaletteLevel<Types>& level, double threshold);

// Fills the empty pyramid over the source's whole box. Reports 0.5 after
// level 0 and then 0.75, 0.875, ... after each level above.
template <class Types>
void buildPalettePyramid(PalettePyramid<Types>& pyramid, const SourceView<Types>& source,
                         const SampleSelector& selector, double threshold, ProgressRange progress);

// The palette of pixel (row, column) from level `level` up: the clusters of
// the first block with samples (read in place; null when none up to the top)
// and the level it was found at. Throws std::out_of_range for a pixel or level
// outside the pyramid.
template <class Types> struct PaletteAt {
    const ClusterList<Types>* clusters = nullptr;
    int level = 0;
};
template <class Types>
PaletteAt<Types> paletteAt(const PalettePyramid<Types>& pyramid, int row, int column, int level);

} // namespace orsine::matting

#endif
