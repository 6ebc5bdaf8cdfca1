#include "model/highlight_thread.h"

#include "colour_space.h"

#include <algorithm>

namespace {

using Bx::colour::channel;

// A pixel's 8-bit value on one axis, from its packed 0xAARRGGBB value. The
// HSL values are the colour-space functions the histogram counts with, so a
// pixel in a selected bin is a pixel that lights up.
struct HueOf {
    int operator()(QRgb rgb) const { return Bx::colour::hue(rgb); }
};
struct LightnessOf {
    int operator()(QRgb rgb) const { return Bx::colour::lightness(rgb); }
};
struct SaturationOf {
    int operator()(QRgb rgb) const { return Bx::colour::saturation(rgb); }
};
struct RedOf {
    int operator()(QRgb rgb) const { return int((rgb >> 16) & 0xFFu); }
};
struct GreenOf {
    int operator()(QRgb rgb) const { return int((rgb >> 8) & 0xFFu); }
};
struct BlueOf {
    int operator()(QRgb rgb) const { return int(rgb & 0xFFu); }
};

// The tests. One that never passes (nothing selected) clears the rectangle
// without reading a pixel: the engine may be writing the statuses meanwhile
// (a bucket clears the selection right after it submitted its command).
struct NothingSelected {
    static constexpr bool kReadsPixels = false;
    bool operator()(QRgb) const { return false; }
};

template <class Value> struct OneAxisTest {
    static constexpr bool kReadsPixels = true;
    const std::uint8_t* flags;
    bool operator()(QRgb rgb) const { return flags[Value()(rgb)] != 0; }
};

template <class Horizontal, class Vertical> struct TwoAxisTest {
    static constexpr bool kReadsPixels = true;
    const std::uint8_t* pairs;
    bool operator()(QRgb rgb) const {
        return pairs[(Vertical()(rgb) << 8) | Horizontal()(rgb)] != 0;
    }
};

// Calls f(Value()) with the value of `axis`; false for an axis outside the six.
template <class F> bool withAxis(channel axis, F f) {
    switch (axis) {
    case channel::Hue:
        f(HueOf());
        return true;
    case channel::Lightness:
        f(LightnessOf());
        return true;
    case channel::Saturation:
        f(SaturationOf());
        return true;
    case channel::Red:
        f(RedOf());
        return true;
    case channel::Green:
        f(GreenOf());
        return true;
    case channel::Blue:
        f(BlueOf());
        return true;
    default:
        return false;
    }
}

bool isHsl(channel axis) {
    return axis >= channel::Hue && axis <= channel::Saturation;
}

bool isRgb(channel axis) {
    return axis >= channel::Red && axis <= channel::Blue;
}

// The twelve pairs: two different axes of one family.
bool isPair(channel horizontal, channel vertical) {
    if (horizontal == vertical) return false;
    return (isHsl(horizontal) && isHsl(vertical)) || (isRgb(horizontal) && isRgb(vertical));
}

} // namespace

HighlightThread::HighlightThread(QObject* parent) : QThread(parent) {}

HighlightThread::~HighlightThread() {
    stopAndWait();
}

void HighlightThread::startPass(QImage* output, const QImage& source, const QImage& status,
                                const QImage& patchMask, const QRect& rect,
                                VkPixelStatus statusMask) {
    // A new pass never overlaps an old one.
    waitForPass();
    // Taken here, on the user-interface thread: bits() may detach the image,
    // which the pass must never do.
    output_ = output && !output->isNull() ? output->bits() : nullptr;
    outputRowBytes_ = output ? output->bytesPerLine() : 0;
    source_ = source;
    status_ = status;
    patchMask_ = patchMask.isNull() || patchMask.depth() == 8
                     ? patchMask
                     : patchMask.convertToFormat(QImage::Format_Indexed8);
    if (!patchMask_.isNull()) patchMask_.setOffset(patchMask.offset());
    statusMask_ = statusMask;
    // Positions outside any of the images are never visited.
    rect_ = rect;
    if (output) rect_ &= output->rect();
    rect_ &= source_.rect();
    rect_ &= status_.rect();
    stop_.store(false);
    passEnded_.store(false, std::memory_order_relaxed);
    start(QThread::LowPriority);
}

void HighlightThread::stopAndWait() {
    stop_.store(true);
    waitForPass();
}

void HighlightThread::waitForPass() {
    wait();
    endPass();
}

void HighlightThread::endPass() {
    // Pairs with the worker's release in run(); false when no pass ran.
    (void)passEnded_.load(std::memory_order_acquire);
    source_ = QImage();
    status_ = QImage();
    patchMask_ = QImage();
}

void HighlightThread::run() {
    try {
        pass();
    } catch (const AbortException&) {
    }
    passEnded_.store(true, std::memory_order_release);
}

template <class Test> void HighlightThread::walk(const Test& test) {
    if (!output_ || rect_.isEmpty()) return;
    if (source_.depth() != 32 || status_.depth() != 8) return;
    const bool masked = !patchMask_.isNull();
    const QRect maskRect(masked ? patchMask_.offset() : QPoint(), patchMask_.size());
    const VkPixelStatus statusMask = statusMask_;
    for (int y = rect_.top(); y <= rect_.bottom(); ++y) {
        const uchar* maskLine = nullptr;
        if (masked) {
            if (y < maskRect.top() || y > maskRect.bottom()) continue;
            maskLine = patchMask_.constScanLine(y - maskRect.top());
        }
        const QRgb* sourceLine = reinterpret_cast<const QRgb*>(source_.constScanLine(y));
        const uchar* statusLine = status_.constScanLine(y);
        (void)sourceLine;
        (void)statusLine;
        uchar* outputLine = output_ + static_cast<qptrdiff>(y) * outputRowBytes_;
        for (int x = rect_.left(); x <= rect_.right(); ++x) {
            if (maskLine) {
                if (x < maskRect.left() || x > maskRect.right()) continue;
                if (maskLine[x - maskRect.left()] == 0) continue;
            }
            bool on = false;
            if constexpr (Test::kReadsPixels) {
                const QRgb rgb = sourceLine[x];
                const uchar status = statusLine[x];
                if (stop_.load(std::memory_order_relaxed)) throw AbortException();
                on = (status & statusMask) != 0 && test(rgb);
            } else {
                if (stop_.load(std::memory_order_relaxed)) throw AbortException();
            }
            // Format_Mono: the most significant bit is the leftmost pixel.
            const uchar bit = uchar(0x80u >> (x & 7));
            if (on)
                outputLine[x >> 3] |= bit;
            else
                outputLine[x >> 3] &= uchar(~bit);
        }
    }
}

void Set1DThread::setSelection(const std::vector<bool>& selection, Bx::colour::channel axis) {
    selection_ = selection;
    axis_ = axis;
    empty_ = true;
    for (std::size_t v = 0; v < flags_.size(); ++v) {
        flags_[v] = v < selection_.size() && selection_[v] ? 1 : 0;
        if (flags_[v]) empty_ = false;
    }
}

void Set1DThread::pass() {
    if (empty_) {
        // Only over the axes that are visited at all.
        if (withAxis(axis_, [](auto) {})) walk(NothingSelected());
        return;
    }
    const std::uint8_t* flags = flags_.data();
    withAxis(axis_, [this, flags](auto value) { walk(OneAxisTest<decltype(value)>{flags}); });
}

void Set2DThread::setSelection(const QImage& selection, Bx::colour::channel horizontal,
                               Bx::colour::channel vertical) {
    selection_ = selection;
    horizontal_ = horizontal;
    vertical_ = vertical;
    std::fill(pairs_.begin(), pairs_.end(), std::uint8_t(0));
    empty_ = true;
    if (selection.isNull()) return;
    const QImage map =
        selection.depth() == 1 ? selection : selection.convertToFormat(QImage::Format_Mono);
    const bool lsb = map.format() == QImage::Format_MonoLSB;
    const int width = std::min(map.width(), 256);
    for (int y = 0; y < std::min(map.height(), 256); ++y) {
        const uchar* line = map.constScanLine(y);
        std::uint8_t* pairs = pairs_.data() + std::size_t(y) * 256;
        // Byte by byte: most of a map is empty.
        for (int x0 = 0; x0 < width; x0 += 8) {
            const uchar byte = line[x0 >> 3];
            if (!byte) continue;
            for (int x = x0; x < std::min(x0 + 8, width); ++x) {
                const uchar bit = lsb ? uchar(1u << (x & 7)) : uchar(0x80u >> (x & 7));
                if (byte & bit) {
                    pairs[x] = 1;
                    empty_ = false;
                }
            }
        }
    }
}

void Set2DThread::pass() {
    if (!isPair(horizontal_, vertical_)) return;
    if (empty_) {
        walk(NothingSelected());
        return;
    }
    const std::uint8_t* pairs = pairs_.data();
    withAxis(horizontal_, [this, pairs](auto horizontal) {
        withAxis(vertical_, [this, pairs](auto vertical) {
            walk(TwoAxisTest<decltype(horizontal), decltype(vertical)>{pairs});
        });
    });
}
