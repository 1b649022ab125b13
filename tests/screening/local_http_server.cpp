#include "local_http_server.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>
#include <stdexcept>

namespace corvala::test {

namespace {

std::string Head(int code, const std::string& reason) {
    return "HTTP/1.1 " + std::to_string(code) + " " + reason + "\r\nConnection: close\r\n";
}

}  // namespace

LocalHttpServer::Response LocalHttpServer::Ok(const std::string& body, bool withLength) {
    Response r{Head(200, "OK") + "Content-Type: text/plain\r\n", body};
    if (withLength) r.head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return r;
}

LocalHttpServer::Response LocalHttpServer::Status(int code, const std::string& reason,
                                                  const std::string& body) {
    return {Head(code, reason) + "Content-Type: text/html\r\nContent-Length: " +
                std::to_string(body.size()) + "\r\n",
            body};
}

LocalHttpServer::Response LocalHttpServer::Redirect(const std::string& location) {
    return {Head(302, "Found") + "Location: " + location + "\r\nContent-Length: 0\r\n", {}};
}

LocalHttpServer::Response LocalHttpServer::Partial(const std::string& body, std::size_t announced,
                                                   After after) {
    return {Head(200, "OK") +
                "Content-Type: text/plain\r\nContent-Length: " + std::to_string(announced) + "\r\n",
            body, after, announced};
}

LocalHttpServer::LocalHttpServer(std::vector<Response> responses)
    : responses_(std::move(responses)) {
    if (!server_.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("the test server cannot listen on 127.0.0.1");
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            if (next_ >= responses_.size()) {
                socket->abort();
                continue;
            }
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [this, socket] { Serve(socket); });
        }
    });
}

LocalHttpServer::~LocalHttpServer() {
    server_.close();
    // The sockets are children of the server and go with it; held ones are cut here.
    for (QTcpSocket* socket : server_.findChildren<QTcpSocket*>()) socket->abort();
}

std::string LocalHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + path;
}

void LocalHttpServer::Serve(QTcpSocket* socket) {
    // The request head is left in the socket until all of it is there; ours are GETs, no body.
    if (!socket->peek(socket->bytesAvailable()).contains("\r\n\r\n")) return;
    const QByteArray request = socket->readAll();
    QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
    const QList<QByteArray> requestLine = request.left(request.indexOf("\r\n")).split(' ');
    targets_.push_back(requestLine.size() > 1 ? requestLine[1].toStdString() : std::string());
    if (next_ >= responses_.size()) {
        socket->abort();
        return;
    }
    const Response& response = responses_[next_++];
    if (next_ == responses_.size()) server_.close();
    const std::string bytes = response.head + "\r\n" + response.body;
    socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
    switch (response.after) {
        case After::Close:
            socket->disconnectFromHost();  // after sending what is written
            break;
        case After::Stall:
            break;
        case After::Trickle:
            Trickle(socket, response.body.size(), response.announced);
            break;
    }
}

void LocalHttpServer::Trickle(QTcpSocket* socket, std::size_t sent, std::size_t announced) {
    if (sent + 1 >= announced) return;  // never the last byte: the body stays unfinished
    // The socket is the timer's context: a connection the client dropped stops the trickle.
    QTimer::singleShot(5, socket, [this, socket, sent, announced] {
        if (socket->state() != QAbstractSocket::ConnectedState) return;
        socket->write("x", 1);
        Trickle(socket, sent + 1, announced);
    });
}

}  // namespace corvala::test
