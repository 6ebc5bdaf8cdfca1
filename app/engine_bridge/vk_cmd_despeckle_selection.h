// Cleans small specks: of the last selection, or of the marks of the given
// classes (keep 2, delete 4, blend 8 combined), each selected whole and
// despeckled in turn. The clean strength is read when the command is built.
#ifndef APP_ENGINE_BRIDGE_VK_CMD_DESPECKLE_SELECTION_H
#define APP_ENGINE_BRIDGE_VK_CMD_DESPECKLE_SELECTION_H

#include "engine_bridge/vardek_command.h"

#include "vardek.h"

class VkCmdDespeckleSelection : public VardekCommand {
    Q_OBJECT
public:
    // `statuses` 0 cleans the last selection.
    VkCmdDespeckleSelection(GmModel* model, int statuses);

    // The image's session (true when present) and the status image.
    bool prepare() override;
    void execute() override;
    void finished() override;
    bool refreshesUndoCount() const override { return true; }

    // The classes cleaned, 0 for the last selection.
    int statuses() const { return statuses_; }
    int strength() const { return strength_; }
    int result() const { return result_; }

private:
    int statuses_;
    int strength_;
    VkSession* session_ = nullptr;
    VkImage* statusImage_ = nullptr;
    VkMaskRect whole_{0, 0, 0, 0, 0, 0, nullptr};
    int result_ = 1;
};

#endif
