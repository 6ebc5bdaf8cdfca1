// The one document of the process, reached through GmModel::instance(): the
// source image and the working image that receives the cut-out, the
// workspace resolution factor, the status array, the patches and forced
// edges with the active one of each, the blending and edge-finding settings
// of the whole image, the engine handle and the undo counts. It submits
// engine commands for the user's actions and turns their results into the
// signals the canvas, the panels and the main window listen to.
//
// The engine starts per image: setImages submits the engine's start, and
// openSession the status image, the session and every patch and forced edge.
// Reopening (a new resolution) first lets the engine thread drain; the window
// shows itself busy meanwhile through files/main_window_hooks.h.
//
// The model makes no widgets; the seven patch actions are QActions (Qt 5
// keeps them in its widget library). User-interface thread only.
#ifndef APP_MODEL_GM_MODEL_H
#define APP_MODEL_GM_MODEL_H

#include "model/dirty_hint.h"
#include "model/gm_session.h"
#include "model/image_coordinates.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QVariant>

#include <cstdint>

#include "vardek.h"

class ArrowTarget;
class BlendingStuff;
class ForcedEdge;
class GmBrushing;
class GmRegion;
class GmStatusArray;
class GmTool;
class QAction;
class QCursor;
class SegmentationStuff;
class ZtSourceImage;
namespace zt {
class Rectangle;
}

class GmModel : public QObject {
    Q_OBJECT
public:
    // Document states: what isUnmodified compares the undo counts with.
    enum SessionState { NoDocument = 0, OpenedFromImage = 1, OpenedFromProject = 2 };

    // The model, created on the first call; it lives until the process ends.
    static GmModel* instance();

    // ----- Images and sessions -----

    // The image the engine segments, or null without a document.
    ZtSourceImage* sourceImage() const { return sourceImage_; }
    // The copy of the source that receives the cut-out, or null.
    ZtSourceImage* workingImage() const { return workingImage_; }
    // The source image's workspace copy at the current factor (built when
    // needed), or a null image without a source image.
    const QImage& workspaceImage();
    // The workspace copy as the engine reads it (kind 1), built when needed;
    // all zero without a source image.
    VkImage workspaceEngineView();
    // The source image's full rectangle (0, 0, width, height) in image
    // pixels, or the empty value without a source image.
    ImageRectF imageRect() const;
    // Stores the source image, and nothing more: no session is opened, no
    // signal is sent and the model does not take the image over. For tests
    // of shapes and strokes.
    void setSourceImage(ZtSourceImage* image);
    // Stores the working image in the same way: the pointer and nothing more.
    void setWorkingImage(ZtSourceImage* image);

    // Opens a document: `source` (with `working`, or a copy of the source
    // when null) becomes the model's unless it already has a source; the
    // engine is started and a session opened (with `preservation`, see
    // GmSession). False, with both images null, when an image is missing or
    // not valid; the caller keeps what it passed then. From now on the model
    // owns the images until closeImage hands them over.
    bool setImages(int preservation, int sessionState, ZtSourceImage* source,
                   ZtSourceImage* working);
    // Called by the begin-session command: the engine's suggested edge values
    // become the image's defaults (and, for a new image without persisted
    // options, its current values); all are applied and stored; sessionHasBegun().
    void sessionBegun(const VkAnalysisOptions& options, int preservation);
    // The preservation last given to openSession while the engine thread was open.
    int sessionPreservation() const { return sessionPreservation_; }
    // Called by the status-image commands: the status array shows `handle`.
    void setStatusImage(VkImage* handle);
    // Ends the engine state of the document: commands are cancelled, patches
    // and forced edges release theirs, the image's session ends and the
    // status image goes. `source` and `working`, when given, are deleted once
    // the session has ended.
    void closeSession(ZtSourceImage* source, ZtSourceImage* working);
    // Drops the document (patches, forced edges, session, engine). In
    // standalone mode the images are deleted; in the other modes they belong
    // to the application and stay. Always true.
    bool closeImage();
    // Nothing would be lost by closing: no patch or forced edge, and no step
    // beyond how the document was opened.
    bool isUnmodified() const;
    // Revert Mask: the working image takes the source's pixels again and
    // every patch forgets its saved preview state.
    void revertOutputImage();
    // The colour of the workspace copy at an image point; black without an
    // image or outside it.
    QColor workingPixelColour(double x, double y);
    int sessionState() const { return sessionState_; }

    // ----- Resolution and coordinates -----

    // 1, 2, 4 or 8: the workspace is the image divided by it.
    int resolutionFactor() const { return resolutionFactor_; }
    // Stores the factor, and nothing more (1, 2, 4 and 8 only; the answer
    // tells whether it was taken). For tests of shapes and strokes.
    bool setResolutionFactor(int factor);
    // The factor for an image of `pixelCount` pixels: the smallest of 1, 2, 4
    // and 8 that brings the count to at most 4,000,000 (8 at most); emits
    // resolutionChanged(old, new). Counted in 64 bits: an image's width times
    // its height may not fit in 32.
    void chooseResolution(quint64 pixelCount);
    // The user changes the factor: with masks present only after a Yes to the
    // question; the session is reopened at the new factor. resolutionChanged
    // tells the factor in effect afterwards.
    void setResolution(int factor);

    // ----- Brush strokes -----

    // The brush strokes that exist, in the order they were made; each stroke
    // registers itself when it is made and leaves when it is destroyed.
    const QList<GmBrushing*>& brushings() const { return brushings_; }
    void addBrushing(GmBrushing* brushing);
    void removeBrushing(GmBrushing* brushing);

    // ----- Patches and forced edges -----

    // Every patch in drawing order (the active one last), every forced edge.
    const QList<ArrowTarget*>& regions() const { return regions_; }
    const QList<ArrowTarget*>& forcedEdges() const { return forcedEdges_; }
    // Appended by their constructors (drawn ones) or by the project loader.
    void appendRegion(GmRegion* region);
    void appendForcedEdge(ForcedEdge* edge);
    // A target being destroyed leaves the lists (and stops being active).
    void forgetArrowTarget(ArrowTarget* target);
    GmRegion* activeRegion() const;
    ForcedEdge* activeForcedEdge() const;
    // All patches followed by all forced edges.
    QList<ArrowTarget*> allArrowTargets() const;
    // Makes `region` (or nothing) the active patch, clearing the active
    // forced edge; the active patch moves to the end of the list. With
    // `announce` 1, deactivating announces activeRegionReady(null).
    void setActiveRegion(GmRegion* region, int announce);
    // Makes `edge` (or nothing) the active forced edge, clearing the active patch.
    void setActiveForcedEdge(ForcedEdge* edge);
    void announceActiveRegionReady(GmRegion* region);
    // Takes the patch out of the list and ends its engine state; it is
    // deleted once its sub-session has ended. Nothing for a patch not in the list.
    void deleteRegion(GmRegion* region);
    // Takes the forced edge out of the list and deletes it.
    void deleteForcedEdge(ForcedEdge* edge);
    void deleteAllArrowTargets();
    // Every target releases its engine state; brushed patches go.
    void resetArrowTargets();
    bool containsRegion(ArrowTarget* target) const;
    // The patch actions' enabled and checked states for `region`.
    void updatePatchActions(GmRegion* region);
    // The Delete key goes to Delete Patch or Delete Forced Edge.
    void updateDeleteShortcuts(ArrowTarget* target);
    // Lays the protection of every protected patch again: protection cleared
    // over the image, then each protected patch protected in list order.
    void reprotectAll();
    // Every forced-edge mark back to unassigned, then each forced edge laid again.
    void resubmitForcedEdges();
    // The cut-out preview rectangle and the zoom tool's rubber band (owned).
    zt::Rectangle* previewRectangle() const { return previewRectangle_; }
    void setPreviewRectangle(const QPointF& anchor);
    void clearPreviewRectangle();
    zt::Rectangle* zoomRectangle() const { return zoomRectangle_; }
    void setZoomRectangle(const QPointF& anchor);
    void clearZoomRectangle();
    // Despeckle the marks of `statuses` (2, 4, 8 combined), or the last selection.
    void cleanAllSelection(int statuses);
    void cleanLastSelection();
    // After a patch's cut-out preview: the patch remembers the statuses under
    // it and its blending, so that later cut-outs keep its result while both
    // stay the same; the other patches take the new statuses where they overlap it.
    void snapshotRegionPixels(GmRegion* patch);

    // The seven patch actions (owned by the model).
    QAction* deletePatchAction() const { return deletePatchAction_; }
    QAction* deleteForcedEdgeAction() const { return deleteForcedEdgeAction_; }
    QAction* eraseMaskInPatchAction() const { return eraseMaskAction_; }
    QAction* protectPatchAction() const { return protectPatchAction_; }
    QAction* autoFillKeepAction() const { return autoFillKeepAction_; }
    QAction* autoFillDeleteAction() const { return autoFillDeleteAction_; }
    QAction* previewPatchAction() const { return previewAction_; }

    // ----- Engine state -----

    GmStatusArray* statusArray() const { return statusArray_; }
    VkEngine* engine() const { return engine_; }
    void setEngine(VkEngine* engine) { engine_ = engine; }
    BlendingStuff* imageBlendage() const { return imageBlendage_; }
    SegmentationStuff* imageSmeg() const { return imageSmeg_; }
    // The image's session, or null.
    VkSession* imageSession() const;
    uint32_t undoCount() const { return undoCount_; }
    uint32_t redoCount() const { return redoCount_; }
    // Stores the engine's counts and emits vkUndoStackChanged.
    void setUndoCounts(uint32_t undos, uint32_t redos);

    // ----- Project -----

    // "segImg_", "blendImg_", "statusArray_", "imageSmeg_", "imageBlendage_",
    // "resolution_" and "arrowTargetList".
    QVariant toVariant() const;
    // Rebuilds the document from such a map and starts its engine.
    void fromVariant(const QVariant& map);

signals:
    void tellImageChanged(const ZtSourceImage* image);
    void statusImageChanged(const QImage* image);
    // `rect` (image pixels) must be repainted, grown by the hint's margin;
    // a patch preview under it is dropped when asked.
    void rectDirty(const ImageRectF& rect, DirtyHint hint, PatchPreviewWanted preview);
    void rectDirty(const ImageRectF& rect, DirtyHint hint);
    void toolChanged(const GmTool* tool);
    void cursorChanged(const QCursor* cursor);
    void activeRegionChanged(GmRegion* region);
    void activeRegionReady(GmRegion* region);
    void resolutionChanged(int oldRes, int newRes);
    void smegChanged();
    void vkVariableChanged(QString name);
    void vkUndoStackChanged(uint32_t numUndos, uint32_t numRedos);
    void ownSmegStatusChanged(GmRegion* region);
    void sessionHasBegun();
    void imageBlendRatioChanged(float ratio);
    void protectionChanged(GmRegion* region);
    void imageAnalysisHasBegun();
    void brushSizeSliderMoved();
    void patchPreviewAvailable(const GmRegion* r);
    void cutoutChanged(QImage cutout);
    void hintOpacityChanged();
    void showOriginal();
    void changeBackgroundColour();

public slots:
    void deleteActiveRegionSlot();
    void deleteActiveForcedEdgeSlot();
    void clearMaskInActiveRegionSlot();
    void protectActiveRegionSlot();
    void signalDirtyImageSlot(PatchPreviewWanted preview);
    void signalDirtyImageSlot();
    void signalDirtyOutputImageSlot();
    void autoFillImageSlot();
    void autoFillImageWithKeepSlot();
    void autoFillWithKeepSlot();
    void autoFillImageWithDeleteSlot();
    void autoFillWithDeleteSlot();
    void testRenderActiveRegionSlot();
    // Create Cut-out: shows the Cut-out tab and generates the whole image's cut-out.
    void generateMaskSlot();
    void dirtyRectSlot(ImageRectF r);
    // Closes the engine thread, waits for it to drain (the window busy), then
    // opens it again and submits the status image, the session and every
    // patch and forced edge.
    void openSession(GmSession::SettingsPreservation preservation);
    void openSession();

private:
    GmModel();
    void createActions();
    void submitAutoFill(GmRegion* region, int boundingClass);
    // Repaints the bounds of two targets' shapes: one after the other when
    // apart, their union when they meet.
    void dirtyBounds(const ImageRectF& oldBounds, const ImageRectF& newBounds);
    void forgetImages();

    ZtSourceImage* sourceImage_ = nullptr;
    ZtSourceImage* workingImage_ = nullptr;
    int resolutionFactor_ = 1;
    QList<GmBrushing*> brushings_;
    QList<ArrowTarget*> regions_;
    QList<ArrowTarget*> forcedEdges_;
    QPointer<GmRegion> activeRegion_;
    QPointer<ForcedEdge> activeForcedEdge_;
    zt::Rectangle* previewRectangle_ = nullptr;
    zt::Rectangle* zoomRectangle_ = nullptr;
    QAction* deletePatchAction_ = nullptr;
    QAction* deleteForcedEdgeAction_ = nullptr;
    QAction* eraseMaskAction_ = nullptr;
    QAction* protectPatchAction_ = nullptr;
    QAction* autoFillKeepAction_ = nullptr;
    QAction* autoFillDeleteAction_ = nullptr;
    QAction* previewAction_ = nullptr;
    GmStatusArray* statusArray_ = nullptr;
    VkEngine* engine_ = nullptr;
    BlendingStuff* imageBlendage_ = nullptr;
    SegmentationStuff* imageSmeg_ = nullptr;
    int sessionState_ = NoDocument;
    uint32_t undoCount_ = 0;
    uint32_t redoCount_ = 0;
    int sessionPreservation_ = GmSession::SettingsForNewImage;
    // openSession waits for the engine thread through this connection.
    QMetaObject::Connection resumeConnection_;
};

#endif
