// What the canvas does with a drop: images, image files and links become one
// image (see ImageReceiver), which goes to the handler the main window
// installs; text alone is accepted and does nothing.
#ifndef APP_FILES_RECEIVING_ACCEPT_IMAGE_DROP_H
#define APP_FILES_RECEIVING_ACCEPT_IMAGE_DROP_H

#include "files/named_image.h"

#include <functional>

class QDropEvent;
class QMimeData;

// Whether a drag carrying `data` is taken: URLs, an image (also encoded
// picture data, "image/png" and the like) or text. The canvas asks it when a
// drag enters, acceptImageDrop when it is dropped.
bool isTakenDrop(const QMimeData* data);

// Leaves a drop without URLs, image or text alone (not accepted); accepts
// any other with its proposed action and, when it carries URLs or an image,
// starts an ImageReceiver on it.
void acceptImageDrop(QDropEvent* event);

// Receives the image a drop turned into; the main window installs its
// receivedImageSlot here. Without one, the image is only logged.
void setReceivedImageHandler(std::function<void(const NamedImage&)> handler);

#endif
