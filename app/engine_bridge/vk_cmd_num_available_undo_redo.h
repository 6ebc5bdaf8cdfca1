// Reads the engine's undo and redo counts of the image's session into the
// model (vkUndoStackChanged). The engine thread runs it inline after every
// command that changes the undo stack.
#ifndef APP_ENGINE_BRIDGE_VK_CMD_NUM_AVAILABLE_UNDO_REDO_H
#define APP_ENGINE_BRIDGE_VK_CMD_NUM_AVAILABLE_UNDO_REDO_H

#include "engine_bridge/vardek_command.h"

#include <cstdint>

struct VkSession;

class VkCmdNumAvailableUndoRedo : public VardekCommand {
    Q_OBJECT
public:
    explicit VkCmdNumAvailableUndoRedo(GmModel* model);

    // The image's session; false without one (the counts stay).
    bool prepare() override;
    // A count that cannot be read is 0.
    void execute() override;
    void finished() override;

private:
    VkSession* session_ = nullptr;
    uint32_t undos_ = 0;
    uint32_t redos_ = 0;
};

#endif
