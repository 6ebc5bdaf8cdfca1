// Protects a patch's area: the patch-protection mark (0x20) goes on the
// unassigned pixels under the patch's mask, so brushes leave them alone.
#ifndef APP_ENGINE_BRIDGE_VK_CMD_PROTECT_H
#define APP_ENGINE_BRIDGE_VK_CMD_PROTECT_H

#include "engine_bridge/vardek_command.h"

#include <QImage>
#include <QPointer>

#include "vardek.h"

class GmRegion;

class VkCmdProtect : public VardekCommand {
    Q_OBJECT
public:
    // Copies the patch's mask.
    VkCmdProtect(GmModel* model, GmRegion* patch);

    // Only for the process-wide model: the patch must still exist; the
    // image's session, the status image and the mask must all be there.
    bool prepare() override;
    void execute() override;
    void finished() override;

    GmRegion* patch() const;
    int result() const { return result_; }

private:
    QPointer<GmRegion> patch_;
    QImage mask_;
    VkSession* session_ = nullptr;
    VkImage* statusImage_ = nullptr;
    VkMaskRect selection_{0, 0, 0, 0, 0, 0, nullptr};
    int result_ = 1;
};

#endif
