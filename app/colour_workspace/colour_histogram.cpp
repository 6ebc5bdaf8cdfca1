#include "colour_workspace/colour_histogram.h"

#include "colour_workspace/colour_quantisation.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/gm_status_array.h"
#include "model/shape.h"

#include <QBrush>
#include <QPen>
#include <QRect>

#include "colour_space.h"

#include <algorithm>

namespace {

bool isHsl(Bx::colour::channel c) {
    return c >= Bx::colour::Hue && c <= Bx::colour::Saturation;
}

bool isRgb(Bx::colour::channel c) {
    return c >= Bx::colour::Red && c <= Bx::colour::Blue;
}

// Two different axes of one family: the twelve pairs the histogram counts.
bool isAxisPair(Bx::colour::channel h, Bx::colour::channel v) {
    return h != v && ((isHsl(h) && isHsl(v)) || (isRgb(h) && isRgb(v)));
}

// Where an RGB axis's byte sits in a packed 0xAARRGGBB value.
int byteShift(Bx::colour::channel c) {
    switch (c) {
    case Bx::colour::Red:
        return 16;
    case Bx::colour::Green:
        return 8;
    default:
        return 0;
    }
}

// What one pass reads and writes.
struct Pass {
    const QImage* source; // 32-bit
    const QImage* status; // 8-bit
    const QImage* mask;   // 8-bit with its offset, or null
    QRect rect;           // within all of them
    VkPixelStatus statusMask;
    int shift;
    int colourBits;
    ColourBin* bins;
};

// The value of a pixel on an HSL axis. The histogram asks only for the two
// values it keys by; they are the values of rgbToHls (the conversion tests
// hold the packed functions to it over every colour).
template <int Axis> int hslValue(QRgb rgb) {
    if (Axis == Bx::colour::Hue) return Bx::colour::hue(rgb);
    if (Axis == Bx::colour::Lightness) return Bx::colour::lightness(rgb);
    return Bx::colour::saturation(rgb);
}

// An HSL pair: the key from the two converted values, sums red, green, blue.
template <int Horizontal, int Vertical> struct HslPair {
    int index(QRgb rgb, int shift, int colourBits) const {
        return ((hslValue<Horizontal>(rgb) >> shift) << colourBits) |
               (hslValue<Vertical>(rgb) >> shift);
    }
    static void add(ColourBin& bin, QRgb rgb) {
        bin.sum1 += (rgb >> 16) & 0xFF;
        bin.sum2 += (rgb >> 8) & 0xFF;
        bin.sum3 += rgb & 0xFF;
    }
};

// An RGB pair: the key from two bytes, sum 1 the third.
struct RgbPair {
    int horizontal, vertical, third; // the bytes' shifts in the packed value
    int index(QRgb rgb, int shift, int colourBits) const {
        return ((((rgb >> horizontal) & 0xFF) >> shift) << colourBits) |
               (((rgb >> vertical) & 0xFF) >> shift);
    }
    void add(ColourBin& bin, QRgb rgb) const { bin.sum1 += (rgb >> third) & 0xFF; }
};

// One pass over the rectangle, rows from the top, columns from the left. The
// bin of the previous counted pixel is reused while its colour repeats, as
// it does across a plain backdrop.
template <class Pair> void accumulate(const Pass& pass, const Pair& pair) {
    const QPoint maskOffset = pass.mask ? pass.mask->offset() : QPoint();
    for (int y = pass.rect.top(); y <= pass.rect.bottom(); ++y) {
        const QRgb* sourceLine = reinterpret_cast<const QRgb*>(pass.source->constScanLine(y));
        const uchar* statusLine = pass.status->constScanLine(y);
        const uchar* maskLine = pass.mask ? pass.mask->constScanLine(y - maskOffset.y()) : nullptr;
        QRgb lastRgb = 0;
        int lastIndex = -1;
        for (int x = pass.rect.left(); x <= pass.rect.right(); ++x) {
            if (maskLine && maskLine[x - maskOffset.x()] == 0) continue;
            if ((statusLine[x] & pass.statusMask) == 0) continue;
            const QRgb rgb = sourceLine[x] & 0x00FFFFFFu;
            if (rgb != lastRgb || lastIndex < 0) {
                lastIndex = pair.index(rgb, pass.shift, pass.colourBits);
                lastRgb = rgb;
            }
            ColourBin& bin = pass.bins[lastIndex];
            ++bin.count;
            pair.add(bin, rgb);
        }
    }
}

// The pass for one of the twelve axis pairs.
void accumulateFor(Bx::colour::channel h, Bx::colour::channel v, const Pass& pass) {
    using namespace Bx::colour;
    if (isRgb(h)) {
        // The third component's shift is the one of 16, 8 and 0 left over.
        accumulate(pass, RgbPair{byteShift(h), byteShift(v), 24 - byteShift(h) - byteShift(v)});
        return;
    }
    switch (h * 8 + v) {
    case Hue * 8 + Lightness:
        accumulate(pass, HslPair<Hue, Lightness>());
        break;
    case Hue * 8 + Saturation:
        accumulate(pass, HslPair<Hue, Saturation>());
        break;
    case Lightness * 8 + Hue:
        accumulate(pass, HslPair<Lightness, Hue>());
        break;
    case Lightness * 8 + Saturation:
        accumulate(pass, HslPair<Lightness, Saturation>());
        break;
    case Saturation * 8 + Hue:
        accumulate(pass, HslPair<Saturation, Hue>());
        break;
    case Saturation * 8 + Lightness:
        accumulate(pass, HslPair<Saturation, Lightness>());
        break;
    default:
        break;
    }
}

} // namespace

ColourHistogram::ColourHistogram()
    : colourBits_(kDefaultColourBits), shift_(shiftForColourBits(kDefaultColourBits)),
      mapImage_(256, 256, QImage::Format_ARGB32_Premultiplied) {}

int ColourHistogram::binsPerAxis() const {
    return ::binsPerAxis(shift_);
}

void ColourHistogram::setAxes(Bx::colour::channel horizontal, Bx::colour::channel vertical) {
    if (horizontal == horizontal_ && vertical == vertical_) return;
    horizontal_ = horizontal;
    vertical_ = vertical;
    rebuildNeeded_ = true;
}

void ColourHistogram::setColourBits(int colourBits) {
    colourBits = std::clamp(colourBits, kMinColourBits, kMaxColourBits);
    if (colourBits == colourBits_) return;
    colourBits_ = colourBits;
    shift_ = shiftForColourBits(colourBits);
    // The table is laid out by the bins per axis: the old one means nothing now.
    clearBins();
    mapImageOutOfDate_ = true;
    rebuildNeeded_ = true;
}

void ColourHistogram::setStatusMask(VkPixelStatus mask) {
    if (mask == statusMask_) return;
    statusMask_ = mask;
    rebuildNeeded_ = true;
}

void ColourHistogram::clearBins() {
    const std::size_t size = std::size_t(binsPerAxis()) * std::size_t(binsPerAxis());
    bins_.assign(size, ColourBin());
    binCount_ = 0;
    ++generation_;
}

void ColourHistogram::rebuild() {
    GmModel* model = GmModel::instance();
    if (!model->sourceImage()) {
        rebuildFrom(QImage(), QImage(), nullptr);
        return;
    }
    const QImage source = model->workspaceImage();
    const QImage* mask = nullptr;
    if (GmRegion* patch = model->activeRegion()) {
        if (Shape* shape = patch->shape()) mask = shape->mask(QPen(Qt::NoPen), QBrush(Qt::color1));
        if (mask && mask->isNull()) mask = nullptr;
    }
    rebuildFrom(source, model->statusArray()->statusImage(), mask);
}

void ColourHistogram::rebuildFrom(const QImage& source, const QImage& status,
                                  const QImage* patchMask) {
    rebuildNeeded_ = false;
    mapImageOutOfDate_ = true;
    clearBins();
    if (source.isNull() || status.isNull() || status.depth() != 8) return;
    if (!isAxisPair(horizontal_, vertical_)) return;

    // The pixels as QImage::pixel gives them, read through scan lines.
    QImage pixels = source;
    if (pixels.format() != QImage::Format_ARGB32 && pixels.format() != QImage::Format_RGB32)
        pixels = pixels.convertToFormat(QImage::Format_ARGB32);
    QImage mask;
    QRect rect = pixels.rect() & status.rect();
    if (patchMask) {
        mask = patchMask->depth() == 8 ? *patchMask
                                       : patchMask->convertToFormat(QImage::Format_Indexed8);
        mask.setOffset(patchMask->offset());
        rect &= QRect(mask.offset(), mask.size());
    }
    if (rect.isEmpty()) return;

    const Pass pass{&pixels,     &status,     patchMask ? &mask : nullptr,
                    rect,        statusMask_, shift_,
                    colourBits_, bins_.data()};
    accumulateFor(horizontal_, vertical_, pass);

    for (ColourBin& bin : bins_) {
        if (bin.count == 0) continue;
        ++binCount_;
        bin.sum1 /= bin.count;
        bin.sum2 /= bin.count;
        bin.sum3 /= bin.count;
    }
}

const ColourBin* ColourHistogram::bin(int horizontal, int vertical) const {
    const int n = binsPerAxis();
    if (horizontal < 0 || horizontal >= n || vertical < 0 || vertical >= n) return nullptr;
    const std::size_t index = std::size_t(horizontal) * std::size_t(n) + std::size_t(vertical);
    if (index >= bins_.size() || bins_[index].count == 0) return nullptr;
    return &bins_[index];
}

std::uint64_t ColourHistogram::largestColumnTotal() const {
    if (binCount_ == 0) return 0;
    const int n = binsPerAxis();
    std::uint64_t largest = 0;
    const ColourBin* bin = bins_.data();
    for (int h = 0; h < n; ++h) {
        std::uint64_t total = 0;
        for (int v = 0; v < n; ++v, ++bin)
            total += bin->count;
        largest = std::max(largest, total);
    }
    return largest;
}

QRgb ColourHistogram::binColour(int horizontal, int vertical, const ColourBin& bin) const {
    if (isHsl(horizontal_) && isHsl(vertical_))
        return qRgb(int(bin.sum1), int(bin.sum2), int(bin.sum3));
    if (!isAxisPair(horizontal_, vertical_)) return qRgb(0, 0, 0);
    // Each axis's component is its replicated index, the third the average.
    int component[3] = {int(bin.sum1), int(bin.sum1), int(bin.sum1)}; // red, green, blue
    component[horizontal_ - Bx::colour::Red] = replicateBits(horizontal, shift_);
    component[vertical_ - Bx::colour::Red] = replicateBits(vertical, shift_);
    return qRgb(component[0], component[1], component[2]);
}

const QImage& ColourHistogram::mapImage(const QColor& background) {
    if (background != background_) {
        background_ = background;
        mapImageOutOfDate_ = true;
    }
    if (!mapImageOutOfDate_) return mapImage_;
    mapImageOutOfDate_ = false;
    mapImage_.fill(background_);
    const int n = binsPerAxis();
    forEachBin([&](int h, int v, const ColourBin& bin) {
        mapImage_.setPixel(h, n - 1 - v, binColour(h, v, bin));
    });
    return mapImage_;
}
