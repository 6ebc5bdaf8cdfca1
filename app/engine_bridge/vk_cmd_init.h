// Starts an engine for the document: the model's engine handle is the result.
#ifndef APP_ENGINE_BRIDGE_VK_CMD_INIT_H
#define APP_ENGINE_BRIDGE_VK_CMD_INIT_H

#include "engine_bridge/vardek_command.h"

struct VkEngine;

class VkCmdInit : public VardekCommand {
    Q_OBJECT
public:
    explicit VkCmdInit(GmModel* model);

    void execute() override;
    void finished() override;
    bool isCancellable() const override { return false; }

private:
    VkEngine* engine_ = nullptr;
};

#endif
