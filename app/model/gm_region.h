// A patch: an area of the image with its own edge-finding settings and
// engine sub-session (SegmentationStuff), its own blending (BlendingStuff)
// and an optional protection that keeps brushes from changing what lies
// under it. The concrete patches are RectRegion, PolyRegion and BrushRegion.
//
// A patch is put into the engine by submitToEngine (its sub-session, its
// own analysis when "Analyze Patch Separately" is on, its protection), put
// in again after every reshaping, and outlives its removal from the model
// until its sub-session has ended: the end-session command deletes it.
//
// Project map of the GmRegion part: "smeg_", "blendage_", "isProtected_".
// A subclass writes "type", "GmRegion" (this part's map) and its shape under
// its own key, and reads them back in a constructor from such a map.
#ifndef APP_MODEL_GM_REGION_H
#define APP_MODEL_GM_REGION_H

#include "model/arrow_target.h"
#include "model/blending_stuff.h"

#include <memory>

class SegmentationStuff;

class GmRegion : public ArrowTarget {
    Q_OBJECT
public:
    // Default settings (edge values from the image's applied ones), not protected.
    GmRegion();
    // From the GmRegion part of a project map.
    explicit GmRegion(const QVariant& map);
    ~GmRegion() override;

    SegmentationStuff& smeg() const { return *smeg_; }
    BlendingStuff& blendage() { return blendage_; }
    const BlendingStuff& blendage() const { return blendage_; }
    bool isProtected() const { return isProtected_; }
    // How often the user reshaped the patch.
    int editCount() const { return editCount_; }

    GmRegion* asRegion() override { return this; }
    ForcedEdge* asForcedEdge() override { return nullptr; }
    // Becomes the model's active patch (announcing).
    void activate() override;
    void deactivate() override;
    // A reshaped patch: its pending analysis is cancelled, its engine state
    // released, it becomes active and goes into the engine again.
    void shapeChanged() override;
    bool isActive() const override;
    // Its sub-session, its own analysis when checked, its protection.
    void submitToEngine() override;

    // Ends the patch's engine state: its object edges go, the other patches'
    // protection is laid again without its own, and its sessions end. With
    // `toDelete` (the patch itself, leaving the model) it is deleted after the
    // session ended; without, its saved pixels are dropped with the session.
    virtual void releaseEngineState(GmRegion* toDelete);
    // Whether its cut-out can be previewed (the concrete patches can).
    virtual bool canPreview() const;
    // Previews its cut-out.
    virtual void testRender();

    // Opens the patch's sub-session; `requester` (the painted stroke of a
    // brushed patch, may be null) belongs to the command from now on. A
    // patch in the model becomes active.
    void beginSubSession(QObject* requester);
    // Protection on: the patch is protected in the engine; off: the others'
    // protection is laid again. Tells the model (protectionChanged).
    void setProtected(bool on);
    // Protects the patch's area in the engine.
    void protect();

protected:
    // The GmRegion part of the project map.
    QVariant regionVariant() const;

private:
    std::unique_ptr<SegmentationStuff> smeg_;
    BlendingStuff blendage_;
    bool isProtected_ = false;
    int editCount_ = 0;
};

#endif
