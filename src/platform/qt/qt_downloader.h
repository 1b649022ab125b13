#pragma once
// The Downloader port over Qt Network, for the window and for corvala-cli (which runs a
// QCoreApplication for it). Needs a running event loop in the thread that created it.

#include <QObject>
#include <cstdint>
#include <memory>

#include "platform/ports.h"

class QNetworkAccessManager;

namespace corvala {

class QtDownloader final : public Downloader {
public:
    static constexpr int kDefaultStallTimeoutMs = 30'000;
    // Larger than any month of search data by far; a body beyond it is not what we asked for.
    static constexpr std::int64_t kDefaultMaxBytes = std::int64_t{512} * 1024 * 1024;

    // A fetch fails when no data arrives for `stallTimeoutMs`, or when its body grows beyond
    // `maxBytes`.
    explicit QtDownloader(int stallTimeoutMs = kDefaultStallTimeoutMs,
                          std::int64_t maxBytes = kDefaultMaxBytes);
    // A fetch still running is dropped without calling its `done`.
    ~QtDownloader() override;
    QtDownloader(const QtDownloader&) = delete;
    QtDownloader& operator=(const QtDownloader&) = delete;

    // Follows redirects that do not go from HTTPS to HTTP. `done` always comes from the event
    // loop, never from inside Fetch or Cancel. A Fetch while another runs fails at once with an
    // error and leaves the running one alone.
    void Fetch(const std::string& url, std::function<void(std::int64_t, std::int64_t)> progress,
               std::function<void(Result)> done) override;
    void Cancel() override;

private:
    struct Transfer;
    void Finish(Result result);
    void Deliver(std::function<void(Result)> done, Result result,
                 std::shared_ptr<Transfer> ended = nullptr);

    const int stallTimeoutMs_;
    const std::int64_t maxBytes_;
    // Declared first so it goes last: replies are its children.
    std::unique_ptr<QNetworkAccessManager> manager_;
    std::unique_ptr<Transfer> transfer_;
    // Receiver of the queued deliveries of `done`, so that none runs after we are gone.
    QObject context_;
};

}  // namespace corvala
