// Auto fill: every unassigned pixel of an area gets the class opposite to the
// marks the user drew, with a band of blend pixels along the border between
// those marks and the filled area.
#ifndef VARDEK_CLASSIFICATION_AUTO_FILL_H
#define VARDEK_CLASSIFICATION_AUTO_FILL_H

#include "classification/segmentation.h"
#include "core/arrays.h"
#include "core/box.h"
#include "core/progress.h"
#include "core/undo_queue.h"

#include <cstdint>
#include <optional>

namespace classification {

// True when some element of `view` has one of `bits`.
bool scanByteArray2D(const ByteArray& view, unsigned char bits);

// The class the fill gives for the source flags F: delete when F names keep
// marks without the forced-edge or protection bit, otherwise keep.
uint8_t autoFillClass(int flags);

// The first half of an auto fill: puts the blend band and the fill into the
// classification's selection map over `box` (already clipped to `status`), sets
// `dirtyBox` to `box` and the select parameters to a write of the fill class.
// A pixel is a mark when its class is among the class bits of `flags` and it
// carries the forced-edge (kForcedEdge) or protection (kProtected) bit only
// when `flags` has it too; it is free when it is unassigned without either
// bit. Seeds lie on both sides of every border between marks and free pixels;
// each draws a blend disk of radius 0.5 pixelScaleMap * bandFactor + 0.49
// unless its box holds a forced-edge or protected pixel. Free pixels outside
// the band get the fill class. Only a positive `bandFactor` draws a band, and
// only where `pixelScaleMap` knows the edge width.
void stageAutoFill(Segmentation<6, 0>& classification, const ByteArray& status, const Box& box,
                   int flags, float bandFactor);

// Auto fill over `status`, clipped to `rect` when given: stages the fill and
// writes it as one undo step in `queue` (may be null). Nothing happens, and
// no step is recorded, when `flags` names neither kKeep nor kDelete or the box
// is empty. Reports into [start, end] of `progress` (may be null), which may
// raise VkExCancel.
void autoFillRegions(Segmentation<6, 0>& classification, ByteArray& status,
                     const std::optional<Box>& rect, int flags, float bandFactor, UndoQueue* queue,
                     orsine::utility::IiUI* progress, float start, float end);

} // namespace classification

#endif
