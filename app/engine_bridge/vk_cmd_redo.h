// Redoes the last undone step group of the image's session.
#ifndef APP_ENGINE_BRIDGE_VK_CMD_REDO_H
#define APP_ENGINE_BRIDGE_VK_CMD_REDO_H

#include "engine_bridge/vardek_command.h"

struct VkSession;

class VkCmdRedo : public VardekCommand {
    Q_OBJECT
public:
    explicit VkCmdRedo(GmModel* model);

    // The image's session; true when present.
    bool prepare() override;
    void execute() override;
    void finished() override;
    bool isCancellable() const override { return false; }
    bool refreshesUndoCount() const override { return true; }

    int result() const { return result_; }

private:
    VkSession* session_ = nullptr;
    int result_ = 1;
};

#endif
