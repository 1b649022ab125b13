// The HTTP client the recorder talks to its station with, against a server on 127.0.0.1: an
// answer without end (too large, or trickling for ever) is cut and counts as none.

#include "platform/qt/qt_http_client.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <optional>

#include "local_http_server.h"

namespace corvala {
namespace {

using test::LocalHttpServer;

TEST(QtHttpClientTest, AnAnswerTooLargeOrWithoutEndIsCutAndCountsAsNone) {
    LocalHttpServer server({LocalHttpServer::Ok(std::string(300'000, 'x')),
                            LocalHttpServer::Partial("{", 1'000'000, LocalHttpServer::After::Trickle),
                            LocalHttpServer::Ok("{}")});
    QtHttpClient http;
    const auto send = [&](const std::string& path, int timeoutMs, std::size_t maxBytes) {
        HttpClient::Request r;
        r.url = server.Url(path);
        r.timeoutMs = timeoutMs;
        r.maxBytes = maxBytes;
        std::optional<HttpClient::Reply> got;
        QEventLoop loop;
        http.Send(r, [&](HttpClient::Reply reply) {
            got = std::move(reply);
            loop.quit();
        });
        QTimer guard;  // only keeps a broken build from hanging the suite
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
        guard.start(15'000);
        if (!got) loop.exec();
        return got.value_or(HttpClient::Reply{-1, "", "no answer at all"});
    };
    const HttpClient::Reply big = send("/big", 4000, 100'000);
    EXPECT_EQ(big.status, 0);
    EXPECT_EQ(big.error, "応答が大きすぎます");
    EXPECT_TRUE(big.body.empty());
    EXPECT_TRUE(big.tooLarge);
    // A byte every few milliseconds keeps a transfer alive; the whole exchange still has its time.
    const HttpClient::Reply slow = send("/slow", 300, 1 << 20);
    EXPECT_EQ(slow.status, 0);
    EXPECT_EQ(slow.error, "応答が時間内に終わりませんでした");
    EXPECT_FALSE(slow.tooLarge);
    const HttpClient::Reply ok = send("/ok", 4000, 1 << 20);
    EXPECT_EQ(ok.status, 200);
    EXPECT_EQ(ok.body, "{}");
    EXPECT_EQ(server.targets(), (std::vector<std::string>{"/big", "/slow", "/ok"}));
}

}  // namespace
}  // namespace corvala
