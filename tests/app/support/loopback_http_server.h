// A small HTTP server on 127.0.0.1 for tests of the program's network code:
// it answers GET and HEAD for the paths a test gives it and records every
// request. A held path answers only when the test releases it, so a test can
// act while a download is still running. One request per connection.
#ifndef TESTS_APP_SUPPORT_LOOPBACK_HTTP_SERVER_H
#define TESTS_APP_SUPPORT_LOOPBACK_HTTP_SERVER_H

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

namespace test_support {

class LoopbackHttpServer : public QObject {
    Q_OBJECT
public:
    // Listens on a free port of 127.0.0.1, or on `port` when one is given
    // (a test that starts a server where a request failed to connect).
    explicit LoopbackHttpServer(quint16 port = 0);
    bool isListening() const { return server_.isListening(); }

    // Answers `path` (with any query) with `status`, the content type and the body.
    void serve(const QString& path, const QByteArray& contentType, const QByteArray& body,
               int status = 200);
    // Answers `path` with a redirect (301 Moved Permanently unless `status`
    // says otherwise) whose Location header is `location`, and no body.
    void redirect(const QString& path, const QUrl& location, int status = 301);
    // Keeps the answers to `path` back until release(path).
    void hold(const QString& path);
    void release(const QString& path);

    // http://127.0.0.1:<port><path>
    QUrl url(const QString& path) const;
    quint16 port() const { return server_.serverPort(); }

    // "HEAD /a.png", "GET /a.png?x=1", in the order they came.
    QStringList requests() const { return requests_; }

private:
    struct Route {
        int status = 404;
        QByteArray contentType;
        QByteArray body;
        QByteArray location;
        bool held = false;
    };
    struct Pending {
        QPointer<QTcpSocket> socket;
        QString path;
        bool head = false;
    };

    void readRequest(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const QString& path, bool head);

    QTcpServer server_;
    QHash<QString, Route> routes_;
    QHash<QTcpSocket*, QByteArray> buffers_;
    QList<Pending> pending_;
    QStringList requests_;
};

} // namespace test_support

#endif
