#pragma once
// The HttpClient port over Qt Network, for talking to a local API (no proxy, no redirects).
// Needs a running event loop in the thread that created it.

#include <QObject>
#include <memory>

#include "platform/ports.h"

class QNetworkAccessManager;

namespace corvala {

class QtHttpClient final : public HttpClient {
public:
    QtHttpClient();
    // Requests still running are dropped without calling their `done`.
    ~QtHttpClient() override;
    QtHttpClient(const QtHttpClient&) = delete;
    QtHttpClient& operator=(const QtHttpClient&) = delete;

    void Send(const Request& request, std::function<void(Reply)> done) override;

private:
    std::unique_ptr<QNetworkAccessManager> manager_;
    QObject context_;  // receiver of the replies' signals
};

}  // namespace corvala
