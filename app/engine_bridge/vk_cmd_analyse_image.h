// The engine's edge analysis of the whole image or of a patch analysed on
// its own, with the edge values applied when the command was built. A patch
// without an analysis session gets one first (a sub-session over its mask
// that may be analysed). A failed, cancelled or discarded analysis puts the
// applied values back to what they were before, while it is still the
// record's latest (a newer Apply that cancelled it keeps its own values).
#ifndef APP_ENGINE_BRIDGE_VK_CMD_ANALYSE_IMAGE_H
#define APP_ENGINE_BRIDGE_VK_CMD_ANALYSE_IMAGE_H

#include "engine_bridge/vardek_command.h"

#include <QImage>
#include <QPointer>

#include "vardek.h"

class GmRegion;
class SegmentationStuff;

class VkCmdAnalyseImage : public VardekCommand {
    Q_OBJECT
public:
    // The values are `record`'s applied ones; `owner` is its patch or null.
    VkCmdAnalyseImage(GmModel* model, GmRegion* owner, SegmentationStuff* record);

    // The patch.
    QString parameterText() const override;
    // The record (and its patch) must exist; it needs its segmentation
    // session, or the image's session and the patch's mask to open one. The
    // record's object edges go and the image is repainted.
    bool prepare() override;
    void execute() override;
    void finished() override;
    void discarded() override;
    bool countsAsChange() const override { return false; }

    // The options handed to the engine.
    const VkAnalysisOptions& options() const { return options_; }
    int result() const { return result_; }

private:
    QPointer<GmRegion> owner_;
    bool hasOwner_;
    QPointer<SegmentationStuff> record_;
    VkAnalysisOptions options_;
    VkSession* segmentationSession_ = nullptr;
    VkSession* imageSession_ = nullptr;
    QImage mask_;
    VkMaskRect selection_{0, 0, 0, 0, 0, 0, nullptr};
    VkSession* opened_ = nullptr;
    int result_ = 1;
};

#endif
