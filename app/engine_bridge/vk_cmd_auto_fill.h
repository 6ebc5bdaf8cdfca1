// Auto fill: the unassigned area not connected to the marks of the bounding
// class is filled with the other of keep and delete (bounding class 2 fills
// with delete, 4 with keep, 0 takes the class of the first mark found), in
// the image or in a patch, with a blend band of the image's auto blend width.
#ifndef APP_ENGINE_BRIDGE_VK_CMD_AUTO_FILL_H
#define APP_ENGINE_BRIDGE_VK_CMD_AUTO_FILL_H

#include "engine_bridge/vardek_command.h"

#include <QPointer>

#include "vardek.h"

class GmRegion;

class VkCmdAutoFill : public VardekCommand {
    Q_OBJECT
public:
    // `patch` null fills in the whole image; `boundingClass` 0, 2 or 4.
    VkCmdAutoFill(GmModel* model, GmRegion* patch, int boundingClass);

    // The session filled in.
    QString parameterText() const override;
    // The image's session and status image; for a patch (which must still
    // exist) its segmentation session, else its session.
    bool prepare() override;
    void execute() override;
    void finished() override;
    bool refreshesUndoCount() const override { return true; }

    int boundingClass() const { return boundingClass_; }
    float blendWidth() const { return blendWidth_; }
    int result() const { return result_; }

private:
    QPointer<GmRegion> patch_;
    bool hasPatch_;
    int boundingClass_;
    float blendWidth_ = 0.0f;
    VkSession* imageSession_ = nullptr;
    VkSession* session_ = nullptr;
    VkImage* statusImage_ = nullptr;
    int result_ = 1;
};

#endif
