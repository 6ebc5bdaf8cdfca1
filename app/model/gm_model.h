// The one document of the process, reached through GmModel::instance().
//
// So far it holds what outlines, brush strokes and the view need: the source
// and working images, the workspace resolution factor, the registered brush
// strokes, and the signals tellImageChanged, rectDirty and brushSizeSliderMoved. Images, sessions,
// patches, forced edges and the engine's state come with the rest of the model.
//
// User-interface thread only.
#ifndef APP_MODEL_GM_MODEL_H
#define APP_MODEL_GM_MODEL_H

#include "model/dirty_hint.h"
#include "model/image_coordinates.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QRectF>

class GmBrushing;
class ZtSourceImage;

class GmModel : public QObject {
    Q_OBJECT
public:
    // The model, created on the first call; it lives until the process ends.
    static GmModel* instance();

    // The image the engine segments, or null without a document.
    ZtSourceImage* sourceImage() const { return sourceImage_; }
    // The image mask generation writes the cut-out into, or null.
    ZtSourceImage* workingImage() const { return workingImage_; }
    // 1, 2, 4 or 8: the workspace is the image divided by it.
    int resolutionFactor() const { return resolutionFactor_; }

    // The source image's workspace copy at the current factor (built when
    // needed), or a null image without a source image.
    const QImage& workspaceImage();
    // The source image's full rectangle (0, 0, width, height) in image
    // pixels, or the empty value without a source image.
    ImageRectF imageRect() const;

    // Stores the source image, and nothing more: no session is opened, no
    // signal is sent and the model does not take the image over (its caller
    // keeps it and sets null before deleting it). Opening a document builds
    // on this.
    void setSourceImage(ZtSourceImage* image);
    // Stores the working image in the same way: the pointer and nothing more.
    void setWorkingImage(ZtSourceImage* image);
    // Stores the factor, and nothing more: the workspace copy is rebuilt on
    // its next use. Only 1, 2, 4 and 8 are taken; the answer tells whether
    // the factor was. Changing the resolution of an open document builds on this.
    bool setResolutionFactor(int factor);

    // The brush strokes that exist, in the order they were made; each stroke
    // registers itself when it is made and leaves when it is destroyed.
    const QList<GmBrushing*>& brushings() const { return brushings_; }
    void addBrushing(GmBrushing* brushing);
    void removeBrushing(GmBrushing* brushing);

public slots:
    // Deletes the active patch, if there is one.
    void deleteActiveRegionSlot();

signals:
    // The document's image changed; null when the document closed.
    void tellImageChanged(const ZtSourceImage* image);
    // `rect` (image pixels) must be repainted, grown by the hint's margin;
    // a patch preview under it is dropped when asked.
    void rectDirty(const ImageRectF& rect, DirtyHint hint, PatchPreviewWanted preview);
    void rectDirty(const ImageRectF& rect, DirtyHint hint);
    // The brush-size slider is being dragged.
    void brushSizeSliderMoved();

private:
    GmModel();

    ZtSourceImage* sourceImage_ = nullptr;
    ZtSourceImage* workingImage_ = nullptr;
    int resolutionFactor_ = 1;
    QList<GmBrushing*> brushings_;
};

#endif
