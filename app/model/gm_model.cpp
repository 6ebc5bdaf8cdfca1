#include "model/gm_model.h"

#include "files/zt_source_image.h"

GmModel* GmModel::instance() {
    // Never deleted: objects destroyed late at exit (strokes, patches) still
    // tell the model what to repaint.
    static GmModel* const model = new GmModel;
    return model;
}

GmModel::GmModel() {
    qRegisterMetaType<ImageRectF>("ImageRectF");
    qRegisterMetaType<DirtyHint>("DirtyHint");
    qRegisterMetaType<PatchPreviewWanted>("PatchPreviewWanted");
}

const QImage& GmModel::workspaceImage() {
    static const QImage none;
    if (!sourceImage_) return none;
    return sourceImage_->image(resolutionFactor_);
}

ImageRectF GmModel::imageRect() const {
    if (!sourceImage_) return ImageRectF::empty();
    return ImageRectF(0, 0, sourceImage_->width(), sourceImage_->height());
}

void GmModel::setSourceImage(ZtSourceImage* image) {
    sourceImage_ = image;
}

void GmModel::setWorkingImage(ZtSourceImage* image) {
    workingImage_ = image;
}

bool GmModel::setResolutionFactor(int factor) {
    if (factor != 1 && factor != 2 && factor != 4 && factor != 8) return false;
    resolutionFactor_ = factor;
    return true;
}

void GmModel::addBrushing(GmBrushing* brushing) {
    if (brushing && !brushings_.contains(brushing)) brushings_.append(brushing);
}

void GmModel::removeBrushing(GmBrushing* brushing) {
    brushings_.removeAll(brushing);
}

void GmModel::deleteActiveRegionSlot() {
    // Patches come with the rest of the model; until then there is never an
    // active one to delete.
}
