// Writes a whole status image's bytes (statuses read from a project) into
// the engine's status image, as one undoable step. When they cannot be
// written (the engine refuses them, or there is no session) the user is told
// that the project's masks were not restored.
#ifndef APP_ENGINE_BRIDGE_VK_CMD_SET_STATUS_H
#define APP_ENGINE_BRIDGE_VK_CMD_SET_STATUS_H

#include "engine_bridge/vardek_command.h"

#include <QImage>

#include "vardek.h"

class VkCmdSetStatus : public VardekCommand {
    Q_OBJECT
public:
    // `statuses`: 8 bits a pixel, the status image's size; the command keeps its own copy.
    VkCmdSetStatus(GmModel* model, const QImage& statuses);

    // The image's session and status image; true when there is a session.
    bool prepare() override;
    void execute() override;
    void finished() override;
    bool isCancellable() const override { return false; }
    bool countsAsChange() const override { return false; }
    bool refreshesUndoCount() const override { return true; }

    int result() const { return result_; }

private:
    QImage statuses_;
    VkSession* session_ = nullptr;
    VkImage* statusImage_ = nullptr;
    VkMaskRect bytes_{0, 0, 0, 0, 0, 0, nullptr};
    int result_ = 1;
};

#endif
