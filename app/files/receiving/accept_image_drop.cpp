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

// Encoded picture data ("image/png" and the like) count as an image: the
// receiver decodes them through the checked reader.
bool carriesImage(const QMimeData* data) {
    const QStringList formats = data->formats();
    return data->hasImage() ||
           std::any_of(formats.begin(), formats.end(), [](const QString& format) {
               return format.startsWith(QLatin1String("image/"));
           });
}

} // namespace

void setReceivedImageHandler(std::function<void(const NamedImage&)> handler) {
    receivedImageHandler() = std::move(handler);
}

bool isTakenDrop(const QMimeData* data) {
    return data && (data->hasUrls() || carriesImage(data) || data->hasText());
}

void acceptImageDrop(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (!isTakenDrop(data)) return;
    event->acceptProposedAction();
    if (!data->hasUrls() && !carriesImage(data)) return;

    auto* receiver = new ImageReceiver(data);
    QObject::connect(receiver, &ImageReceiver::bestImage, receiver, &deliver);
    QObject::connect(receiver, &ImageReceiver::finished, receiver, &QObject::deleteLater);
    receiver->start();
}
