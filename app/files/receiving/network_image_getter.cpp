#include "files/receiving/network_image_getter.h"

#include "files/checked_image.h"
#include "shell/services/logger.h"
#include "shell/services/network_access.h"

#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

NetworkImageGetter::NetworkImageGetter(const QUrl& url, QObject* parent)
    : QObject(parent), url_(url) {}

void NetworkImageGetter::start() {
    state_ = HeaderRequested;
    send(true);
}

void NetworkImageGetter::send(bool headOnly) {
    QNetworkAccessManager* manager = networkAccessManager();
    if (!manager) {
        emit finished();
        return;
    }
    QNetworkRequest request(url_);
    // Image hosts often answer an address with a redirect to the file itself;
    // a redirect from https down to http is not followed.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = headOnly ? manager->head(request) : manager->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { replyFinished(reply); });
}

void NetworkImageGetter::replyFinished(QNetworkReply* reply) {
    reply->deleteLater();
    bool imageRequested = false;
    if (reply->error() == QNetworkReply::NoError) {
        if (state_ == HeaderRequested)
            imageRequested = headerReceived(reply);
        else if (state_ == ImageRequested)
            imageArrived(reply);
    }
    if (!imageRequested) emit finished();
}

bool NetworkImageGetter::headerReceived(QNetworkReply* reply) {
    const QString contentType = reply->header(QNetworkRequest::ContentTypeHeader).toString();
    const QString lowerType = contentType.toLower();
    if (!lowerType.contains(QLatin1String("image"))) return false;
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    for (const QByteArray& name : formats) {
        if (lowerType.contains(QString::fromLatin1(name.toLower()))) {
            format_ = name;
            break;
        }
    }
    if (format_.isEmpty()) {
        logStream() << "NetworkImageGetter: Failed to load image" << url_.toString()
                    << "Unsupported content type: " << contentType << endLogLine;
        return false;
    }
    state_ = ImageRequested;
    send(false);
    return true;
}

void NetworkImageGetter::imageArrived(QNetworkReply* reply) {
    // Checked before it is decoded, as every picture from outside is.
    QString error;
    bool read = false;
    try {
        read = checked_image::readData(reply->readAll(), format_, &image_, &error);
    } catch (const std::bad_alloc&) {
        error = QStringLiteral("out of memory");
    }
    if (read) {
        emit imageReceived(NamedImage(image_, url_));
    } else {
        logStream() << "NetworkImageGetter: Failed to load image" << url_.toString()
                    << ", format: " << QString::fromLatin1(format_) << endLogLine;
    }
}
