#include "model/highlight_thread.h"

HighlightThread::HighlightThread(QObject* parent) : QThread(parent) {}

HighlightThread::~HighlightThread() {
    stopAndWait();
}

void HighlightThread::startPass(QImage* output, const QImage* source, const QImage* status,
                                const QImage& patchMask, const QRect& rect,
                                VkPixelStatus statusMask) {
    // Taken here, on the user-interface thread: bits() may detach the image,
    // which the pass must never do.
    output_ = output && !output->isNull() ? output->bits() : nullptr;
    outputRowBytes_ = output ? output->bytesPerLine() : 0;
    source_ = source;
    status_ = status;
    patchMask_ = patchMask;
    statusMask_ = statusMask;
    // Positions outside any of the images are never visited.
    rect_ = rect;
    if (output) rect_ &= output->rect();
    if (source) rect_ &= source->rect();
    if (status) rect_ &= status->rect();
    stop_.store(false);
    start(QThread::LowPriority);
}

void HighlightThread::stopAndWait() {
    stop_.store(true);
    wait();
}

void HighlightThread::run() {
    try {
        walk();
    } catch (const AbortException&) {
    }
    patchMask_ = QImage();
}

void HighlightThread::walk() {
    if (!output_ || !source_ || !status_ || rect_.isEmpty()) return;
    if (source_->depth() != 32 || status_->depth() != 8) return;
    const QPoint maskOffset = patchMask_.isNull() ? QPoint() : patchMask_.offset();
    const QRect maskRect(maskOffset, patchMask_.size());
    for (int y = rect_.top(); y <= rect_.bottom(); ++y) {
        const QRgb* sourceLine = reinterpret_cast<const QRgb*>(source_->constScanLine(y));
        const uchar* statusLine = status_->constScanLine(y);
        uchar* outputLine = output_ + static_cast<qptrdiff>(y) * outputRowBytes_;
        const uchar* maskLine = patchMask_.isNull() || y < maskRect.top() || y > maskRect.bottom()
                                    ? nullptr
                                    : patchMask_.constScanLine(y - maskOffset.y());
        if (!patchMask_.isNull() && !maskLine) continue;
        for (int x = rect_.left(); x <= rect_.right(); ++x) {
            if (maskLine) {
                if (x < maskRect.left() || x > maskRect.right()) continue;
                if (maskLine[x - maskOffset.x()] == 0) continue;
            }
            if (stop_.load(std::memory_order_relaxed)) throw AbortException();
            const bool on = (statusLine[x] & statusMask_) != 0 && matches(sourceLine[x]);
            // Format_Mono: the most significant bit is the leftmost pixel.
            const uchar bit = uchar(0x80 >> (x & 7));
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
}

bool Set1DThread::matches(QRgb) const {
    // The axis values and their tests come with the colour workspace.
    return false;
}

void Set2DThread::setSelection(const QImage& selection, Bx::colour::channel horizontal,
                               Bx::colour::channel vertical) {
    selection_ = selection;
    horizontal_ = horizontal;
    vertical_ = vertical;
}

bool Set2DThread::matches(QRgb) const {
    // The axis values and their tests come with the colour workspace.
    return false;
}
