// Lets go of the status image: the status array stops showing it at once,
// when the command is built, so nothing paints bytes the engine is about to
// free. The engine frees the image with the engine itself; the call interface
// has no check of an image handle, so the result is 0 for a handle and 9 for none.
#ifndef APP_ENGINE_BRIDGE_VK_CMD_DELETE_STATUS_IMAGE_H
#define APP_ENGINE_BRIDGE_VK_CMD_DELETE_STATUS_IMAGE_H

#include "engine_bridge/vardek_command.h"

#include "vardek.h"

class VkCmdDeleteStatusImage : public VardekCommand {
    Q_OBJECT
public:
    explicit VkCmdDeleteStatusImage(GmModel* model);

    void execute() override;
    void finished() override;
    bool isCancellable() const override { return false; }

    int result() const { return result_; }

private:
    VkImage* image_ = nullptr;
    int result_ = 1;
};

#endif
