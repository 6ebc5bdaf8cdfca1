#include "engine_bridge/command_support.h"

#include "engine_bridge/vardek_command.h"
#include "engine_bridge/vardek_thread.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "shell/services/logger.h"

namespace command_support {

void submit(VardekCommand* command) {
    if (VardekThread* thread = VardekThread::instance()) {
        thread->submit(command);
        return;
    }
    logStream() << "No engine thread for " << command->description() << endLogLine;
    command->deleteLater();
}

VkMaskRect maskRectOf(const QImage& mask) {
    if (mask.isNull()) return VkMaskRect{0, 0, 0, 0, 0, 0, nullptr};
    return VkMaskRect{mask.offset().x(),
                      mask.offset().y(),
                      mask.width(),
                      mask.height(),
                      mask.bytesPerLine(),
                      VkKindStatus,
                      const_cast<unsigned char*>(mask.constBits())};
}

VkMaskRect wholeSessionRect(const VkSession* session) {
    if (!session) return VkMaskRect{0, 0, 0, 0, 0, 0, nullptr};
    return VkMaskRect{session->x, session->y, session->width, session->height, 0, 0, nullptr};
}

void refreshStatuses(GmModel* model) {
    if (!model) return;
    model->statusArray()->updateStatusesPresent();
    model->signalDirtyImageSlot(KeepPatchPreview);
}

} // namespace command_support
