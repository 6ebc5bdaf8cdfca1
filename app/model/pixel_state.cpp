#include "model/pixel_state.h"

#include "model/shape.h"
#include "shell/services/logger.h"

#include <algorithm>

PixelState::~PixelState() = default;

void PixelState::createMask(Shape& shape, const QPen& pen, const QBrush& brush) {
    QImage rendered = shape.renderMask(pen, brush);
    if (rendered.isNull()) {
        mask_.reset();
        return;
    }
    // Saved statuses go up to 8.
    if (rendered.colorCount() < 9) rendered.setColorCount(9);
    mask_ = std::make_unique<QImage>(std::move(rendered));
}

VkMaskRect PixelState::engineMask() const {
    if (!mask_) return VkMaskRect{0, 0, 0, 0, 0, 0, nullptr};
    return VkMaskRect{mask_->offset().x(),   mask_->offset().y(), mask_->width(), mask_->height(),
                      mask_->bytesPerLine(), VkKindStatus,        mask_->bits()};
}

void PixelState::clear() {
    mask_.reset();
    saved_ = false;
}

void PixelState::savemask(const QImage& statusImage) {
    if (!mask_) {
        logStream() << "Caught (and avoided) crash in PixelState::savemask (bug 1196)"
                    << endLogLine;
        return;
    }
    if (statusImage.depth() != 8) return; // not a status image
    saved_ = true;
    const QPoint offset = mask_->offset();
    const QRect status = statusImage.rect();
    for (int y = 0; y < mask_->height(); ++y) {
        const int sy = y + offset.y();
        if (sy < status.top() || sy > status.bottom()) continue;
        uchar* line = mask_->scanLine(y);
        const uchar* statusLine = statusImage.constScanLine(sy);
        for (int x = 0; x < mask_->width(); ++x) {
            const int sx = x + offset.x();
            if (line[x] != 0 && sx >= status.left() && sx <= status.right())
                line[x] = statusLine[sx] & VkStatusClassMask;
        }
    }
}

void PixelState::mergeSavedFrom(const PixelState& other) {
    if (!mask_ || !other.mask_ || mask_.get() == other.mask_.get()) return;
    const QRect mine(mask_->offset(), mask_->size());
    const QRect theirs(other.mask_->offset(), other.mask_->size());
    const QRect common = mine & theirs;
    for (int y = common.top(); y <= common.bottom(); ++y) {
        uchar* line = mask_->scanLine(y - mine.top());
        const uchar* otherLine = other.mask_->constScanLine(y - theirs.top());
        for (int x = common.left(); x <= common.right(); ++x) {
            uchar& pixel = line[x - mine.left()];
            const uchar otherPixel = otherLine[x - theirs.left()];
            if (pixel != 0 && otherPixel != 0) pixel = otherPixel;
        }
    }
}

bool PixelState::isStale(const QImage& statusImage) const {
    if (!saved_ || !mask_ || statusImage.depth() != 8) return true;
    const QPoint offset = mask_->offset();
    const QRect status = statusImage.rect();
    for (int y = 0; y < mask_->height(); ++y) {
        const uchar* line = mask_->constScanLine(y);
        const int sy = y + offset.y();
        for (int x = 0; x < mask_->width(); ++x) {
            if (line[x] == 0) continue;
            const int sx = x + offset.x();
            if (!status.contains(sx, sy)) return true;
            if (line[x] != (statusImage.constScanLine(sy)[sx] & VkStatusClassMask)) return true;
        }
    }
    return false;
}
