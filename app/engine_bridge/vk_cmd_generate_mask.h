// Mask generation: the marks become the cut-out, written by the engine into
// the working image, for the whole image ("Create Cut-out", "Save and
// Apply"), a rectangle (the cut-out preview tool) or one patch ("Preview
// Cut-out in Patch").
//
// The engine gets the source and working images, the status image, one
// record per forced edge (its points in workspace pixels and its feather
// width) and one record per patch (its mask and blending). Patches whose
// statuses and blending are unchanged since their last preview are marked
// 0x40 in the status image first, so that the engine keeps their earlier
// result; after a patch preview the patch's statuses are remembered for that
// (GmModel::snapshotRegionPixels).
//
// Every execute first sets the process-wide last-cut-out change count to 1;
// only a successful whole-image generation sets it to the engine thread's
// change count as it was when the command was submitted, which tells "Save
// and Apply" that the working image holds the cut-out of the current marks
// (unless something was submitted since).
//
// The views, handles and blending values are taken when the command is
// built, the records in prepare; the command owns copies of the forced
// edges' points and of the patch masks, so a forced edge or patch deleted or
// reshaped while the engine works takes nothing from under it.
#ifndef APP_ENGINE_BRIDGE_VK_CMD_GENERATE_MASK_H
#define APP_ENGINE_BRIDGE_VK_CMD_GENERATE_MASK_H

#include "engine_bridge/vardek_command.h"
#include "model/image_coordinates.h"

#include <QImage>
#include <QPointer>

#include <vector>

#include "vardek.h"

class BlendingOptions;
class GmRegion;

class VkCmdGenerateMask : public VardekCommand {
    Q_OBJECT
public:
    // The cut-out inside `patch` (a patch preview).
    VkCmdGenerateMask(GmModel* model, GmRegion* patch);
    // The cut-out inside `rectangle` (workspace pixels, each field rounded to
    // the nearest integer), or of the whole image when it is null.
    VkCmdGenerateMask(GmModel* model, const ImageRectF* rectangle);
    ~VkCmdGenerateMask() override;

    // The image must have a segmentation (or its analysis be pending) and keep
    // or delete marks; a patch preview needs its patch and the patch a mask.
    // Only then are the records built and unchanged patches marked 0x40.
    bool prepare() override;
    void execute() override;
    // Takes every temporary mark off the status image, reports fatal results,
    // repaints the working image (cutoutChanged), keeps the change count of a
    // whole-image success, remembers the statuses of a previewed patch, and
    // refreshes the statuses.
    void finished() override;
    bool refreshesUndoCount() const override { return true; }

    bool isWholeImage() const { return wholeImage_; }
    bool isPatchPreview() const { return isPatchPreview_; }
    // In workspace pixels; width and height 0 for none.
    const VkRect& rectangle() const { return rect_; }
    float blendWidth() const { return autoBlueWidth_; }
    float blendRatio() const { return blendRatio_; }
    // The records handed to the engine, built by prepare.
    const std::vector<VkForcedEdgeRecord>& forcedEdgeRecords() const { return edgeRecords_; }
    const std::vector<VkPatchRecord>& patchRecords() const { return patchRecords_; }
    int result() const { return result_; }

public slots:
    // Repaints the working image and tells its listeners (cutoutChanged).
    void refreshOutputTab();

private:
    VkCmdGenerateMask(GmModel* model, GmRegion* patch, bool isPatchPreview);
    void buildForcedEdgeRecords();
    void buildPatchRecords();

    QPointer<GmRegion> patch_;
    bool isPatchPreview_;
    // The previewed patch's reshapings when the command was built: a patch
    // reshaped meanwhile has no preview to remember.
    int patchEditCount_ = 0;
    VkSession* session_ = nullptr;
    VkRect rect_{0, 0, 0, 0};
    VkImage output_{0, 0, 0, 0, nullptr};
    VkImage source_{0, 0, 0, 0, nullptr};
    VkImage* statusImage_ = nullptr;
    std::vector<std::vector<float>> edgePoints_;
    std::vector<VkForcedEdgeRecord> edgeRecords_;
    float autoBlueWidth_ = 0.0f;
    float blendRatio_ = 0.0f;
    std::vector<QImage> patchMasks_;
    std::vector<VkPatchRecord> patchRecords_;
    bool wholeImage_ = false;
    // prepare succeeded: unchanged patches may carry marks.
    bool prepared_ = false;
    int result_ = 1;
};

// The engine's record of one patch: its mask (null pixels for a null image)
// and its blending. The blend mode is 3 with membrane blending, else 1 with
// choices blending, else 0; the blend ratio is 0 in modes 1 and 3; the first
// parameter is the first choice value in mode 1 and the membrane value in
// mode 3, the second the second choice value in mode 1; override colours go
// as blue, green, red.
VkPatchRecord patchRecordOf(const BlendingOptions& options, const QImage& mask, bool previewed);

#endif
