#pragma once
// A scripted HTTP server on 127.0.0.1 for the download tests. It answers one request per
// connection with the next scripted response and, once every response is used, stops listening,
// so a test never serves more requests than it planned.

#include <QTcpServer>
#include <string>
#include <vector>

namespace corvala::test {

class LocalHttpServer {
public:
    // What the connection does after the body: close; stay open and silent; or stay open and
    // send one more byte of the announced length every few milliseconds, as a slow server does
    // (a client may leave the bytes that came with the head unread until more arrive).
    enum class After { Close, Stall, Trickle };
    struct Response {
        std::string head;  // status line and header lines, each ending in CR LF
        std::string body;
        After after = After::Close;
        std::size_t announced = 0;  // the Content-Length that a trickle works towards
    };
    // 200 with the body; `withLength` false leaves the end of the body to the closing connection.
    static Response Ok(const std::string& body, bool withLength = true);
    static Response Status(int code, const std::string& reason, const std::string& body = {});
    static Response Redirect(const std::string& location);
    // Announces `announced` bytes, sends `body` and then does `after`.
    static Response Partial(const std::string& body, std::size_t announced, After after);

    explicit LocalHttpServer(std::vector<Response> responses);
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    // "http://127.0.0.1:<port>" followed by `path`.
    std::string Url(const std::string& path) const;
    // The targets of the requests served so far ("/data/x.txt"), in order.
    const std::vector<std::string>& targets() const { return targets_; }

private:
    void Serve(QTcpSocket* socket);
    void Trickle(QTcpSocket* socket, std::size_t sent, std::size_t announced);

    QTcpServer server_;
    std::vector<Response> responses_;
    std::size_t next_ = 0;
    std::vector<std::string> targets_;
};

}  // namespace corvala::test
