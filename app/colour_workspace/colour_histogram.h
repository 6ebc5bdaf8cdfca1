// The colours of the workspace image (or of the active patch) binned over two
// colour axes: the table the colour display draws as a 1-D histogram or a
// 2-D colour map.
//
// A bin's key is the pair of bin indices (horizontal, vertical), each the
// pixel's 8-bit value on that axis shifted right by the shift (8 - colour
// bits). Only pixels whose status shares a class bit with the status mask
// are counted. Besides the count, a bin holds the average colour the display
// paints it with: for the HSL axis pairs the average red, green and blue; for
// the RGB pairs the average of the one component that is neither axis (blue
// for red and green, green for red and blue, red for green and blue).
//
// The bins are a dense n x n table (n = bins per axis) walked in key order:
// by horizontal index, then vertical index, which is the order the 1-D view
// stacks its column segments in. An axis paired with itself, or axes of two
// families, give no bins.
//
// The display rebuilds the table lazily in its paint (rebuild needed), on
// the user-interface thread. The highlight threads read the same images at
// the same time; neither side writes them.
#ifndef APP_COLOUR_WORKSPACE_COLOUR_HISTOGRAM_H
#define APP_COLOUR_WORKSPACE_COLOUR_HISTOGRAM_H

#include "colour_channel.h"

#include <QColor>
#include <QImage>

#include <cstdint>
#include <vector>

#include "vardek.h"

// One bin. While the table is built the sums add up the pixels' components;
// after the build each holds its truncated average. The sums are 64-bit: a
// plain backdrop of a large photograph puts more than 16.8 million pixels
// (2^32 / 255) into one bin.
struct ColourBin {
    std::uint64_t sum1 = 0; // the third RGB component, or red for HSL pairs
    std::uint32_t count = 0;
    std::uint64_t sum2 = 0; // green for HSL pairs, else 0
    std::uint64_t sum3 = 0; // blue for HSL pairs, else 0
};

class ColourHistogram {
public:
    ColourHistogram();

    // Empties the table and builds it from the model's workspace image, its
    // status image and the active patch's mask (the whole image without a
    // patch or when the patch has no mask). No source image, no workspace
    // image or no status image leave it empty. Clears rebuild needed and
    // marks the map image out of date.
    void rebuild();
    // The same from given images: `source` the workspace image (any format,
    // read as 32-bit), `status` the 8-bit status image of the same size,
    // `patchMask` an 8-bit indexed mask whose offset is its top-left corner
    // (index 0 outside), or null for the whole image. Positions outside
    // either image are not counted.
    void rebuildFrom(const QImage& source, const QImage& status, const QImage* patchMask);

    Bx::colour::channel horizontalAxis() const { return horizontal_; }
    Bx::colour::channel verticalAxis() const { return vertical_; }
    // Each setter below marks a rebuild needed when it changes something.
    void setAxes(Bx::colour::channel horizontal, Bx::colour::channel vertical);
    int colourBits() const { return colourBits_; }
    int shift() const { return shift_; }
    // Colour bits 4 to 8 (others are brought into that range). A change
    // empties the table until the next rebuild.
    void setColourBits(int colourBits);
    VkPixelStatus statusMask() const { return statusMask_; }
    void setStatusMask(VkPixelStatus mask);

    bool rebuildNeeded() const { return rebuildNeeded_; }
    void setRebuildNeeded(bool needed) { rebuildNeeded_ = needed; }
    // Changes whenever the table is emptied or built again: whoever draws the
    // bins knows by it when to draw them again.
    std::uint64_t generation() const { return generation_; }

    // Bins per axis: 256 >> shift.
    int binsPerAxis() const;
    // The number of bins holding pixels.
    int binCount() const { return binCount_; }
    // The bin with key (horizontal, vertical), or null when it holds no pixel.
    const ColourBin* bin(int horizontal, int vertical) const;
    // Calls f(horizontal, vertical, bin) for every bin holding pixels, in
    // key order.
    template <class F> void forEachBin(F f) const;

    // For every horizontal index the sum of its bins' counts; the largest,
    // or 0 without bins. The 1-D view scales its columns by its square root.
    std::uint64_t largestColumnTotal() const;

    // The colour a bin is painted in, opaque: for an RGB pair the two axis
    // components are the bin indices replicated to 8 bits and the third the
    // bin's average; for an HSL pair the bin's average colour.
    QRgb binColour(int horizontal, int vertical, const ColourBin& bin) const;

    // The 2-D map, 256 x 256 (premultiplied ARGB): filled with `background`,
    // the bin (h, v) at pixel (h, n - 1 - v), so only the top-left n x n
    // square is used. Rendered again only after a rebuild or when the
    // background changes.
    const QImage& mapImage(const QColor& background);
    bool mapImageOutOfDate() const { return mapImageOutOfDate_; }

private:
    void clearBins();

    std::vector<ColourBin> bins_; // binsPerAxis()^2, index horizontal * n + vertical
    int binCount_ = 0;
    std::uint64_t generation_ = 0;
    Bx::colour::channel horizontal_ = Bx::colour::Hue;
    Bx::colour::channel vertical_ = Bx::colour::Lightness;
    int colourBits_;
    int shift_;
    VkPixelStatus statusMask_ = 15;
    QImage mapImage_;
    bool mapImageOutOfDate_ = true;
    QColor background_;
    bool rebuildNeeded_ = false;
};

template <class F> void ColourHistogram::forEachBin(F f) const {
    if (binCount_ == 0) return;
    const int n = binsPerAxis();
    const ColourBin* bin = bins_.data();
    for (int h = 0; h < n; ++h)
        for (int v = 0; v < n; ++v, ++bin)
            if (bin->count != 0) f(h, v, *bin);
}

#endif
