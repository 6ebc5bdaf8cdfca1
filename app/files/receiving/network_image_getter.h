// Downloads the image behind one link: a HEAD request first, and only when
// the answer's content type names an image format this program reads, a GET
// for the image. Emits the image when it arrives, then finished() at the end
// either way; the receiver that started it connects finished() to the
// getter's deleteLater().
//
// Requests go through the program's one network access manager; the getter
// listens to the finished signal of its own replies only.
#ifndef APP_FILES_RECEIVING_NETWORK_IMAGE_GETTER_H
#define APP_FILES_RECEIVING_NETWORK_IMAGE_GETTER_H

#include "files/named_image.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QUrl>

class QNetworkReply;

class NetworkImageGetter : public QObject {
    Q_OBJECT
public:
    enum State { Created = 0, HeaderRequested = 1, ImageRequested = 2 };

    explicit NetworkImageGetter(const QUrl& url, QObject* parent = nullptr);

    // Sends the HEAD request.
    void start();

    QUrl url() const { return url_; }
    State state() const { return state_; }
    // The format named by the content type ("png", "jpeg"); empty until known.
    QByteArray format() const { return format_; }

signals:
    void imageReceived(const NamedImage& image);
    void finished();

public slots:
    void replyFinished(QNetworkReply* reply);

private:
    void send(bool headOnly);
    // The HEAD answer; true when it led to the GET.
    bool headerReceived(QNetworkReply* reply);
    void imageArrived(QNetworkReply* reply);

    QUrl url_;
    QImage image_;
    State state_ = Created;
    QByteArray format_;
};

#endif
