// Creates the engine's status image over the source image's workspace copy
// (unassigned where a pixel is opaque) and has the status array show it.
#ifndef APP_ENGINE_BRIDGE_VK_CMD_NEW_STATUS_IMAGE_H
#define APP_ENGINE_BRIDGE_VK_CMD_NEW_STATUS_IMAGE_H

#include "engine_bridge/vardek_command.h"

#include "vardek.h"

class VkCmdNewStatusImage : public VardekCommand {
    Q_OBJECT
public:
    explicit VkCmdNewStatusImage(GmModel* model);

    // The engine and the workspace copy (built when missing); always true.
    bool prepare() override;
    void execute() override;
    void finished() override;
    bool isCancellable() const override { return false; }

private:
    VkEngine* engine_ = nullptr;
    VkImage view_{0, 0, 0, 0, nullptr};
    VkImage* image_ = nullptr;
};

#endif
