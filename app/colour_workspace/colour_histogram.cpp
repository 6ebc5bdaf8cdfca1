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

// How one axis pair turns a pixel into a key and sums. For an HSL pair,
// `horizontal` and `vertical` are positions in the converted triple (0 hue,
// 1 lightness, 2 saturation); for an RGB pair they and `third` are the
// bytes' shifts in the packed value.
struct PairPlan {
    bool hsl;
    int horizontal;
    int vertical;
    int third;
};

bool planFor(Bx::colour::channel h, Bx::colour::channel v, PairPlan* plan) {
    if (h == v) return false;
    if (isHsl(h) && isHsl(v)) {
        *plan = {true, int(h), int(v), 0};
        return true;
    }
    if (isRgb(h) && isRgb(v)) {
        // The component that is neither axis: its shift is the one of 16, 8
        // and 0 that is left (they add up to 24).
        *plan = {false, byteShift(h), byteShift(v), 24 - byteShift(h) - byteShift(v)};
        return true;
    }
    return false;
}

// One pass over `rect`, rows from the top, columns from the left. The key of
// the previous counted pixel is reused when its colour repeats, as it does
// across a plain backdrop.
template <bool Hsl>
void accumulate(const QImage& source, const QImage& status, const QImage* mask, const QRect& rect,
                const PairPlan& plan, VkPixelStatus statusMask, int shift, int colourBits,
                ColourBin* bins) {
    const QPoint maskOffset = mask ? mask->offset() : QPoint();
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        const QRgb* sourceLine = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        const uchar* statusLine = status.constScanLine(y);
        const uchar* maskLine = mask ? mask->constScanLine(y - maskOffset.y()) : nullptr;
        QRgb lastRgb = 0;
        int lastIndex = -1;
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (maskLine && maskLine[x - maskOffset.x()] == 0) continue;
            if ((statusLine[x] & statusMask) == 0) continue;
            const QRgb rgb = sourceLine[x] & 0x00FFFFFFu;
            if (rgb != lastRgb || lastIndex < 0) {
                int h, v;
                if (Hsl) {
                    unsigned char hls[3] = {uchar(rgb >> 16), uchar(rgb >> 8), uchar(rgb)};
                    Bx::colour::rgbToHls(hls);
                    h = hls[plan.horizontal];
                    v = hls[plan.vertical];
                } else {
                    h = (rgb >> plan.horizontal) & 0xFF;
                    v = (rgb >> plan.vertical) & 0xFF;
                }
                lastIndex = ((h >> shift) << colourBits) | (v >> shift);
                lastRgb = rgb;
            }
            ColourBin& bin = bins[lastIndex];
            ++bin.count;
            if (Hsl) {
                bin.sum1 += (rgb >> 16) & 0xFF;
                bin.sum2 += (rgb >> 8) & 0xFF;
                bin.sum3 += rgb & 0xFF;
            } else {
                bin.sum1 += (rgb >> plan.third) & 0xFF;
            }
        }
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
    PairPlan plan;
    if (!planFor(horizontal_, vertical_, &plan)) return;

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

    ColourBin* bins = bins_.data();
    const QImage* maskImage = patchMask ? &mask : nullptr;
    if (plan.hsl)
        accumulate<true>(pixels, status, maskImage, rect, plan, statusMask_, shift_, colourBits_,
                         bins);
    else
        accumulate<false>(pixels, status, maskImage, rect, plan, statusMask_, shift_, colourBits_,
                          bins);

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
    if (!isRgb(horizontal_) || !isRgb(vertical_) || horizontal_ == vertical_) return qRgb(0, 0, 0);
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
