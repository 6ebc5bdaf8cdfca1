// What the engine commands share: handing a command to the engine thread,
// the engine's record of a mask image, the whole-session selection, and the
// refresh every command does when it finished.
#ifndef APP_ENGINE_BRIDGE_COMMAND_SUPPORT_H
#define APP_ENGINE_BRIDGE_COMMAND_SUPPORT_H

#include <QImage>

#include "vardek.h"

class GmModel;
class VardekCommand;

namespace command_support {

// Submits `command` to the engine thread (ordinary mode); without a thread
// the command is thrown away.
void submit(VardekCommand* command);

// The engine's record of an 8-bit mask image placed at its offset (workspace
// pixels); all zero for a null image. The engine only reads the pixels, so
// they are taken without detaching the image.
VkMaskRect maskRectOf(const QImage& mask);

// A record with no pixels over the session's own rectangle: the whole
// session area.
VkMaskRect wholeSessionRect(const VkSession* session);

// After a command changed statuses: the status array reads the statuses
// present again and the whole image is repainted (keeping the patch preview).
void refreshStatuses(GmModel* model);

} // namespace command_support

#endif
