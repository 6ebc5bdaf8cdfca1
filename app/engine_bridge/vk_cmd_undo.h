// Undoes the last step group of the image's session.
#ifndef APP_ENGINE_BRIDGE_VK_CMD_UNDO_H
#define APP_ENGINE_BRIDGE_VK_CMD_UNDO_H

#include "engine_bridge/vardek_command.h"

struct VkSession;

class VkCmdUndo : public VardekCommand {
    Q_OBJECT
public:
    explicit VkCmdUndo(GmModel* model);

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
