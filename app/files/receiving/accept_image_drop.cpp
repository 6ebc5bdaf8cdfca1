#include "files/receiving/accept_image_drop.h"

#include "files/receiving/image_receiver.h"
#include "shell/services/logger.h"

#include <QDropEvent>
#include <QMimeData>

#include <algorithm>

namespace {

std::function<void(const NamedImage&)>& receivedImageHandler() {
    static std::function<void(const NamedImage&)> handler;
    return handler;
}

void deliver(const NamedImage& image) {
    if (receivedImageHandler()) {
        receivedImageHandler()(image);
        return;
    }
    logStream() << "Dropped image " << image.name() << " (" << image.width() << " x "
                << image.height() << ") has no receiver" << endLogLine;
}

} // namespace

void setReceivedImageHandler(std::function<void(const NamedImage&)> handler) {
    receivedImageHandler() = std::move(handler);
}

void acceptImageDrop(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (!data) return;
    const bool hasUrls = data->hasUrls();
    // Encoded picture data ("image/png" and the like) count as an image: the
    // receiver decodes them through the checked reader.
    const QStringList formats = data->formats();
    const bool hasImage =
        data->hasImage() || std::any_of(formats.begin(), formats.end(), [](const QString& format) {
            return format.startsWith(QLatin1String("image/"));
        });
    if (!hasUrls && !hasImage && !data->hasText()) return;
    event->acceptProposedAction();
    if (!hasUrls && !hasImage) return;

    auto* receiver = new ImageReceiver(data);
    QObject::connect(receiver, &ImageReceiver::bestImage, receiver, &deliver);
    QObject::connect(receiver, &ImageReceiver::finished, receiver, &QObject::deleteLater);
    receiver->start();
}
