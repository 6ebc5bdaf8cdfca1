// Opens a patch's sub-session over its mask. When it finished, the session is
// the patch's and its shape takes the session's outline; a patch whose
// sub-session could not be opened is deleted from the model.
#ifndef APP_ENGINE_BRIDGE_VK_CMD_BEGIN_SUB_SESSION_H
#define APP_ENGINE_BRIDGE_VK_CMD_BEGIN_SUB_SESSION_H

#include "engine_bridge/vardek_command.h"

#include <QImage>
#include <QPointer>

#include <memory>

#include "vardek.h"

class GmRegion;

class VkCmdBeginSubSession : public VardekCommand {
    Q_OBJECT
public:
    // `owned` (may be null; the painted stroke of a brushed patch) is deleted
    // with the command.
    VkCmdBeginSubSession(GmModel* model, GmRegion* patch, QObject* owned);
    ~VkCmdBeginSubSession() override;

    // The patch.
    QString parameterText() const override;
    // The patch must exist; the image's session and the patch's mask (copied).
    bool prepare() override;
    void execute() override;
    void finished() override;
    bool isCancellable() const override { return false; }

    GmRegion* patch() const;
    VkSession* session() const { return session_; }

private:
    QPointer<GmRegion> patch_;
    std::unique_ptr<QObject> owned_;
    QImage mask_;
    VkSession* imageSession_ = nullptr;
    VkMaskRect selection_{0, 0, 0, 0, 0, 0, nullptr};
    VkSession* session_ = nullptr;
};

#endif
