#include "support/loopback_http_server.h"

#include <QTcpSocket>

namespace test_support {

LoopbackHttpServer::LoopbackHttpServer() {
    server_.listen(QHostAddress::LocalHost, 0);
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
    QByteArray response = "HTTP/1.1 " + QByteArray::number(route.status) +
                          (route.status == 200 ? " OK" : " Not Found") + "\r\n";
    if (!route.contentType.isEmpty()) response += "Content-Type: " + route.contentType + "\r\n";
    response += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
    response += "Connection: close\r\n\r\n";
    if (!head) response += route.body;
    socket->write(response);
    socket->disconnectFromHost();
}

} // namespace test_support
