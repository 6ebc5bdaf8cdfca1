#include "files/receiving/image_receiver.h"

#include "files/checked_image.h"
#include "files/image_limits.h"
#include "files/main_window_hooks.h"
#include "files/upright_image.h"
#include "shell/services/logger.h"
#include "shell/services/prompt_service.h"

#include <QMimeData>
#include <QProgressDialog>
#include <QUrlQuery>

#include <new>

namespace {

// A local file read as File Open reads it (checked, and turned upright by
// its JPEG orientation); a null image when it cannot be read.
QImage readLocalFile(const QString& fileName) {
    QImage image;
    QString error;
    try {
        if (!readUprightImage(fileName, &image, &error))
            logStream() << "Dropped file " << fileName << ": " << error << endLogLine;
    } catch (const std::bad_alloc&) {
        image = QImage();
    }
    return image;
}

// Encoded picture data of a drop (another program's), decoded through the
// checked reader; a null image when it cannot be read.
QImage readDroppedData(const QByteArray& bytes, const QString& mimeType) {
    QImage image;
    QString error;
    try {
        if (!checked_image::readData(bytes, QByteArray(), &image, &error))
            logStream() << "Dropped " << mimeType << " data: " << error << endLogLine;
    } catch (const std::bad_alloc&) {
        image = QImage();
    }
    return image;
}

} // namespace

ImageReceiver::ImageReceiver(const QMimeData* mimeData, QObject* parent) : QObject(parent) {
    // Another program hands its picture over encoded ("image/png" and the
    // like), which Qt would decode whole, whatever size it announces: each
    // is decoded here through the checked reader instead. A picture dragged
    // within the program is handed over as an image, decoded already.
    bool encoded = false;
    const QStringList formats = mimeData->formats();
    for (const QString& format : formats) {
        if (!format.startsWith(QLatin1String("image/"))) continue;
        encoded = true;
        imageReceivedSlot(NamedImage(readDroppedData(mimeData->data(format), format), QUrl()));
    }
    if (!encoded && mimeData->hasImage())
        imageReceivedSlot(NamedImage(qvariant_cast<QImage>(mimeData->imageData()), QUrl()));
    if (mimeData->hasText()) addUrl(QUrl(mimeData->text(), QUrl::TolerantMode));
    const QList<QUrl> urls = mimeData->urls();
    for (const QUrl& url : urls)
        addUrl(url);
}

ImageReceiver::~ImageReceiver() {
    if (dialog_) {
        dialog_->disconnect(this);
        delete dialog_;
    }
}

void ImageReceiver::addUrl(const QUrl& url) {
    if (!url.isValid()) return;
    // A drop of links usually carries them as text too; each address is
    // fetched or read once (a second copy could never win: ties keep the first).
    if (addedUrls_.contains(url)) return;
    addedUrls_.insert(url);

    const QList<QPair<QString, QString>> items = QUrlQuery(url).queryItems();
    if (!items.isEmpty()) {
        // A search result's link: the page itself is no image, but a value
        // of its query may be the full image's address.
        for (const auto& item : items) {
            const QString& value = item.second;
            if (value.contains(QLatin1Char('.')) && value.contains(QLatin1Char(':')))
                addUrl(QUrl::fromEncoded(value.toUtf8(), QUrl::TolerantMode));
        }
        return;
    }

    const QString scheme = url.scheme();
    if (!url.host().isEmpty() &&
        (scheme == QLatin1String("http") || scheme == QLatin1String("ftp"))) {
        const QUrl decoded(QUrl::fromPercentEncoding(url.toString().toUtf8()), QUrl::TolerantMode);
        auto* getter = new NetworkImageGetter(decoded);
        getters_.append(getter);
        connect(getter, &NetworkImageGetter::imageReceived, this,
                &ImageReceiver::imageReceivedSlot);
        connect(getter, &NetworkImageGetter::finished, getter, &QObject::deleteLater);
        connect(getter, &QObject::destroyed, this, &ImageReceiver::possiblyFinished);
        getter->start();
        return;
    }

    const QString localFile = url.toLocalFile();
    if (!localFile.isEmpty()) imageReceivedSlot(NamedImage(readLocalFile(localFile), url));
}

void ImageReceiver::start() {
    if (!getters_.isEmpty()) {
        const QString label = best_.isNull() ? tr("Loading images from the Internet")
                                             : tr("Searching for larger image");
        dialog_ = new QProgressDialog(label, tr("Cancel"), 0, getters_.size());
        connect(dialog_, &QProgressDialog::canceled, this, &ImageReceiver::cancelSlot);
    }
    possiblyFinished();
}

void ImageReceiver::imageReceivedSlot(const NamedImage& image) {
    if (image.isNull()) return;
    if (!image_limits::fitsPixelLimit(image.width(), image.height())) {
        logStream() << "Received image of " << image.width() << " x " << image.height()
                    << " pixels is beyond the limit" << endLogLine;
        return;
    }
    const qint64 pixels = qint64(image.width()) * image.height();
    const qint64 bestPixels = best_.isNull() ? 0 : qint64(best_.width()) * best_.height();
    if (pixels > bestPixels) best_ = image;
}

void ImageReceiver::possiblyFinished() {
    int gone = 0;
    for (const QPointer<NetworkImageGetter>& getter : getters_)
        if (!getter) ++gone;
    if (dialog_) dialog_->setValue(gone);
    if (gone == getters_.size()) {
        report();
        emit finished();
    }
}

void ImageReceiver::cancelSlot() {
    report();
}

void ImageReceiver::report() {
    if (best_.isNull()) {
        promptService()->message(dialogParent(), PromptService::Kind::Warning,
                                 tr("Image dropped", "Title of dialogue box"),
                                 tr("Image could not be opened", "Message in a dialogue box"),
                                 PromptService::Ok);
        return;
    }
    if (emitted_) return;
    emitted_ = true;
    emit bestImage(best_);
}
