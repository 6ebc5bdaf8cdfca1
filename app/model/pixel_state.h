// The mask of a shape in workspace pixels and, after a patch preview, the
// statuses saved under it, so that the next cut-out can keep the patch's
// earlier result when nothing under it changed.
#ifndef APP_MODEL_PIXEL_STATE_H
#define APP_MODEL_PIXEL_STATE_H

#include <QImage>
#include <QPen>
#include <QBrush>
#include <QVariant>

#include <memory>

#include "vardek.h"

class Shape;

class PixelState {
public:
    PixelState() = default;
    PixelState(const PixelState&) = delete;
    PixelState& operator=(const PixelState&) = delete;
    virtual ~PixelState();

    // Renders the shape's mask (Shape::renderMask) and keeps it, with at
    // least 9 colours so that saved statuses have entries.
    void createMask(Shape& shape, const QPen& pen, const QBrush& brush);
    // The mask (8-bit indexed, offset = top-left in workspace pixels), or null.
    QImage* mask() const { return mask_.get(); }
    // The mask as the engine reads it (offset, size, row bytes, pixels); all
    // zero without a mask.
    VkMaskRect engineMask() const;
    // Drops the mask and the saved pixels (the shape changed, or the engine
    // state is released); the next Shape::mask renders again.
    void clear();

    // Stores, under every mask pixel that is not 0, the class (low four bits)
    // of the status pixel under it, and marks the state saved. Without a mask
    // it only logs.
    void savemask(const QImage& statusImage);
    // Where this mask and `other`'s are both non-zero, takes `other`'s value.
    void mergeSavedFrom(const PixelState& other);
    // True when nothing was saved, or when a saved class no longer matches
    // the status pixel under it (or that pixel is gone).
    bool isStale(const QImage& statusImage) const;
    bool isSaved() const { return saved_; }
    // Forgets the saved pixels (the mask keeps its values until cleared).
    void clearSaved() { saved_ = false; }

    // The patch's blending options at the time of the save (a map).
    const QVariant& blendingSnapshot() const { return blendingSnapshot_; }
    void setBlendingSnapshot(const QVariant& snapshot) { blendingSnapshot_ = snapshot; }

private:
    std::unique_ptr<QImage> mask_;
    bool saved_ = false;
    QVariant blendingSnapshot_;
};

#endif
