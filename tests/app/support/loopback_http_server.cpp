#include "support/loopback_http_server.h"

#include <QTcpSocket>

namespace test_support {

namespace {

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return status < 400 ? "OK" : "Not Found";
    }
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer(quint16 port) {
    server_.listen(QHostAddress::LocalHost, port);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
            connect(socket, &QTcpSocket::disconnected, this,
                    [this, socket] { buffers_.remove(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

void LoopbackHttpServer::serve(const QString& path, const QByteArray& contentType,
                               const QByteArray& body, int status) {
    Route& route = routes_[path];
    route.status = status;
    route.contentType = contentType;
    route.body = body;
    route.location.clear();
}

void LoopbackHttpServer::redirect(const QString& path, const QUrl& location, int status) {
    Route& route = routes_[path];
    route.status = status;
    route.contentType.clear();
    route.body.clear();
    route.location = location.toEncoded();
}

void LoopbackHttpServer::hold(const QString& path) {
    routes_[path].held = true;
}

void LoopbackHttpServer::release(const QString& path) {
    routes_[path].held = false;
    const QList<Pending> waiting = pending_;
    pending_.clear();
    for (const Pending& request : waiting) {
        if (request.path == path) {
            if (request.socket) answer(request.socket, request.path, request.head);
        } else {
            pending_.append(request);
        }
    }
}

QUrl LoopbackHttpServer::url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
}

void LoopbackHttpServer::readRequest(QTcpSocket* socket) {
    QByteArray& buffer = buffers_[socket];
    buffer += socket->readAll();
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0) return;
    const QList<QByteArray> words = buffer.left(buffer.indexOf("\r\n")).split(' ');
    buffers_.remove(socket);
    if (words.size() < 2) {
        socket->disconnectFromHost();
        return;
    }
    const QString method = QString::fromLatin1(words[0]);
    const QString target = QString::fromLatin1(words[1]);
    requests_ << method + QLatin1Char(' ') + target;
    const QString path = target.section(QLatin1Char('?'), 0, 0);
    const bool head = method == QLatin1String("HEAD");
    if (routes_.value(path).held) {
        pending_.append(Pending{socket, path, head});
        return;
    }
    answer(socket, path, head);
}

void LoopbackHttpServer::answer(QTcpSocket* socket, const QString& path, bool head) {
    const Route route = routes_.value(path);
    QByteArray response =
        "HTTP/1.1 " + QByteArray::number(route.status) + ' ' + reasonPhrase(route.status) + "\r\n";
    if (!route.contentType.isEmpty()) response += "Content-Type: " + route.contentType + "\r\n";
    if (!route.location.isEmpty()) response += "Location: " + route.location + "\r\n";
    response += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
    response += "Connection: close\r\n\r\n";
    if (!head) response += route.body;
    socket->write(response);
    socket->disconnectFromHost();
}

} // namespace test_support
