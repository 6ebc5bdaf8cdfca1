// A selection: the engine writes a new status into the status image where
// the old one is in the from-status set, within a mask, the regions it
// touches or the regions of like colour (exact, local or global scope).
// Three kinds:
//   - a patch's area or, without a patch, the whole session ("Making
//     Selection..."), e.g. erasing a patch's marks or clearing a mark
//     bit over the image;
//   - a brush stroke ("Brushing..."), which the command owns, in the active
//     patch or the image; after keep painted while delete marks exist (or
//     delete while keep marks exist) the engine's auto complex marks blend
//     where the two meet;
//   - a forced edge ("Creating Forced Edge..."): its polyline, one workspace
//     pixel wide, becomes forced-edge marks (0x10).
// The command copies the mask it hands the engine, so a patch, stroke or
// forced edge deleted while it runs takes nothing from under the engine.
#ifndef APP_ENGINE_BRIDGE_VK_CMD_SELECT_H
#define APP_ENGINE_BRIDGE_VK_CMD_SELECT_H

#include "engine_bridge/vardek_command.h"

#include <QImage>
#include <QPointer>

#include <memory>

#include "vardek.h"

class ForcedEdge;
class GmBrushing;
class GmRegion;
class SegmentationStuff;

class VkCmdSelect : public VardekCommand {
    Q_OBJECT
public:
    enum Target { WholeImage, Patch, Stroke, Edge };

    // A patch's area, or the whole session for a null patch; exact scope, no
    // auto complex. The last argument is not used.
    VkCmdSelect(GmModel* model, GmRegion* patch, int fromStatus, int toStatus, int unused = 0);
    // A brush stroke, owned by the command from now on; `scope` 0 exact, 1
    // local, 2 global; `skipAutoComplex` non-zero keeps auto complex from running.
    VkCmdSelect(GmModel* model, GmBrushing* stroke, int fromStatus, int toStatus, int scope,
                int skipAutoComplex);
    // A forced edge's polyline, from unassigned to forced edge.
    VkCmdSelect(GmModel* model, ForcedEdge* edge);
    ~VkCmdSelect() override;

    // The session used.
    QString parameterText() const override;
    // Only for the process-wide model: takes the image's session and status
    // image and the session of the target; true when both are there.
    bool prepare() override;
    void execute() override;
    void finished() override;
    bool refreshesUndoCount() const override { return true; }

    Target target() const { return target_; }
    int fromStatus() const { return from_; }
    int toStatus() const { return to_; }
    int scope() const { return scope_; }
    float strength() const { return strength_; }
    float blendWidth() const { return blendWidth_; }
    GmRegion* patch() const;
    ForcedEdge* edge() const;
    int result() const { return result_; }

private:
    VkCmdSelect(GmModel* model, const QString& description, Target target, int fromStatus,
                int toStatus, int scope);

    Target target_;
    int from_;
    int to_;
    int scope_;
    bool skipAutoComplex_ = true;
    float strength_ = 0.0f;
    float blendWidth_ = -1.0f;
    QPointer<GmRegion> patch_;
    QPointer<SegmentationStuff> record_;
    QPointer<ForcedEdge> edge_;
    std::unique_ptr<GmBrushing> stroke_;
    QImage mask_;

    // Taken by prepare for the worker.
    VkSession* imageSession_ = nullptr;
    VkSession* session_ = nullptr;
    VkImage* statusImage_ = nullptr;
    VkMaskRect selection_{0, 0, 0, 0, 0, 0, nullptr};
    VkPixelStatus statusesPresent_ = 0;
    bool inSubSession_ = false;
    int result_ = 0;
};

#endif
