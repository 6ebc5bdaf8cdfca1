// Opens the engine session over the source image's workspace copy. When it
// finished, the session is the image's session and segmentation session,
// and the model takes the engine's suggested edge values (GmModel::sessionBegun).
// A session the image still held (one begun for a resolution closed while it
// began) is ended then.
#ifndef APP_ENGINE_BRIDGE_VK_CMD_BEGIN_SESSION_H
#define APP_ENGINE_BRIDGE_VK_CMD_BEGIN_SESSION_H

#include "engine_bridge/vardek_command.h"

#include <QPointer>

#include "vardek.h"

class SegmentationStuff;

class VkCmdBeginSession : public VardekCommand {
    Q_OBJECT
public:
    // Takes the session preservation last given to GmModel::openSession.
    explicit VkCmdBeginSession(GmModel* model);

    // The session handle.
    QString parameterText() const override;
    // The engine, the workspace copy (built when missing) and the image's
    // settings record; always true.
    bool prepare() override;
    void execute() override;
    void finished() override;
    bool isCancellable() const override { return false; }

    VkSession* session() const { return session_; }

private:
    int preservation_;
    VkEngine* engine_ = nullptr;
    VkImage view_{0, 0, 0, 0, nullptr};
    QPointer<SegmentationStuff> target_;
    bool targetExists_ = false;
    VkSession* session_ = nullptr;
    VkAnalysisOptions options_{0.0f, 0, 0, 0};
};

#endif
