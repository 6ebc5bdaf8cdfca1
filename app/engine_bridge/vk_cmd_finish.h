// Destroys the document's engine, with its sessions and status images.
#ifndef APP_ENGINE_BRIDGE_VK_CMD_FINISH_H
#define APP_ENGINE_BRIDGE_VK_CMD_FINISH_H

#include "engine_bridge/vardek_command.h"

struct VkEngine;

class VkCmdFinish : public VardekCommand {
    Q_OBJECT
public:
    explicit VkCmdFinish(GmModel* model);

    // The model's engine; false without one.
    bool prepare() override;
    void execute() override;
    void finished() override;
    bool isCancellable() const override { return false; }

    int result() const { return result_; }

private:
    VkEngine* engine_ = nullptr;
    int result_ = 1;
};

#endif
