// Downloads over real HTTP from servers that each test starts on 127.0.0.1: the Qt adapter of the
// Downloader port on its own, and SearchDownload driving it into an install folder.

#include "platform/qt/qt_downloader.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTcpServer>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "download_wait.h"
#include "local_http_server.h"
#include "platform/files.h"
#include "screening/search_data.h"
#include "screening/search_download.h"
#include "search_fixtures.h"
#include "test_support.h"

namespace corvala {
namespace {

using test::LocalHttpServer;
using test::SearchFileBytes;
using test::TempDir;

// Runs the event loop until End() or a generous guard; the guard only keeps a broken build from
// hanging the suite.
class Waiter {
public:
    void End() {
        ++ends_;
        loop_.quit();
    }
    bool Wait() {
        if (ends_ == 0) {
            QTimer guard;
            guard.setSingleShot(true);
            QObject::connect(&guard, &QTimer::timeout, &loop_, &QEventLoop::quit);
            guard.start(15'000);
            loop_.exec();
        }
        return ends_ > 0;
    }
    int ends() const { return ends_; }

private:
    QEventLoop loop_;
    int ends_ = 0;
};

// A port on 127.0.0.1 where nothing listens: taken from the system, then given back.
quint16 ClosedPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

// ---- the adapter -------------------------------------------------------------------------------

struct Fetched {
    Downloader::Result result;
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;
};

Fetched FetchAndWait(QtDownloader& downloader, const std::string& url) {
    Fetched f;
    Waiter waiter;
    downloader.Fetch(
        url, [&](std::int64_t r, std::int64_t t) { f.progress.emplace_back(r, t); },
        [&](Downloader::Result r) {
            f.result = std::move(r);
            waiter.End();
        });
    EXPECT_TRUE(waiter.Wait());
    return f;
}

TEST(QtDownloaderTest, TheWholeBodyArrivesWithProgressUpToTheTotal) {
    const std::string body = SearchFileBytes(3000);  // large enough to come in pieces
    LocalHttpServer server({LocalHttpServer::Ok(body)});
    QtDownloader downloader;
    const Fetched f = FetchAndWait(downloader, server.Url("/a.txt"));
    EXPECT_TRUE(f.result.ok) << f.result.error;
    EXPECT_EQ(f.result.httpStatus, 200);
    EXPECT_EQ(f.result.body, body);
    ASSERT_FALSE(f.progress.empty());
    const auto size = static_cast<std::int64_t>(body.size());
    EXPECT_EQ(f.progress.back(), std::make_pair(size, size));
    for (std::size_t i = 1; i < f.progress.size(); ++i) {
        EXPECT_LE(f.progress[i - 1].first, f.progress[i].first);
        EXPECT_EQ(f.progress[i].second, size);
    }
}

TEST(QtDownloaderTest, ABodyEndedByTheConnectionIsCompleteWithoutALength) {
    const std::string body = SearchFileBytes(10);
    LocalHttpServer server({LocalHttpServer::Ok(body, false)});
    QtDownloader downloader;
    const Fetched f = FetchAndWait(downloader, server.Url("/a.txt"));
    EXPECT_TRUE(f.result.ok) << f.result.error;
    EXPECT_EQ(f.result.body, body);
    ASSERT_FALSE(f.progress.empty());
    EXPECT_EQ(f.progress.back().first, static_cast<std::int64_t>(body.size()));
}

TEST(QtDownloaderTest, AChunkedBodyIsCompleteWhateverAStrayLengthSays) {
    // Chunks decide where such a body ends; some servers still add the length of something else.
    const std::string body = SearchFileBytes(10);
    char size[16];
    std::snprintf(size, sizeof size, "%zx", body.size());
    LocalHttpServer::Response r = LocalHttpServer::Ok("", false);
    r.head += "Transfer-Encoding: chunked\r\nContent-Length: 7\r\n";
    r.body = std::string(size) + "\r\n" + body + "\r\n0\r\n\r\n";
    LocalHttpServer server({r});
    QtDownloader downloader;
    const Fetched f = FetchAndWait(downloader, server.Url("/a.txt"));
    EXPECT_TRUE(f.result.ok) << f.result.error;
    EXPECT_EQ(f.result.body, body);
}

TEST(QtDownloaderTest, FollowsARedirect) {
    const std::string body = SearchFileBytes(5);
    LocalHttpServer server({LocalHttpServer::Redirect("/moved/b.txt"), LocalHttpServer::Ok(body)});
    QtDownloader downloader;
    const Fetched f = FetchAndWait(downloader, server.Url("/a.txt"));
    EXPECT_TRUE(f.result.ok) << f.result.error;
    EXPECT_EQ(f.result.body, body);
    EXPECT_EQ(server.targets(), (std::vector<std::string>{"/a.txt", "/moved/b.txt"}));
}

TEST(QtDownloaderTest, ABodyCutShortIsAFailure) {
    LocalHttpServer server(
        {LocalHttpServer::Partial(std::string(1000, 'x'), 5000, LocalHttpServer::After::Close)});
    QtDownloader downloader;
    const Fetched f = FetchAndWait(downloader, server.Url("/a.txt"));
    EXPECT_FALSE(f.result.ok);
    EXPECT_FALSE(f.result.cancelled);
    EXPECT_NE(f.result.error, "");
}

TEST(QtDownloaderTest, AnHttpErrorKeepsItsStatus) {
    LocalHttpServer server({LocalHttpServer::Status(404, "Not Found", "<html>gone</html>")});
    QtDownloader downloader;
    const Fetched f = FetchAndWait(downloader, server.Url("/a.txt"));
    EXPECT_FALSE(f.result.ok);
    EXPECT_EQ(f.result.httpStatus, 404);
}

TEST(QtDownloaderTest, NoServerMeansNoStatusAndAReason) {
    const quint16 port = ClosedPort();
    ASSERT_NE(port, 0);
    QtDownloader downloader;
    const Fetched f =
        FetchAndWait(downloader, "http://127.0.0.1:" + std::to_string(port) + "/a.txt");
    EXPECT_FALSE(f.result.ok);
    EXPECT_EQ(f.result.httpStatus, 0);
    EXPECT_NE(f.result.error, "");
}

TEST(QtDownloaderTest, AStalledTransferFailsAfterTheTimeout) {
    LocalHttpServer server({LocalHttpServer::Partial("abc", 100, LocalHttpServer::After::Stall)});
    QtDownloader downloader(200);
    const Fetched f = FetchAndWait(downloader, server.Url("/a.txt"));
    EXPECT_FALSE(f.result.ok);
    EXPECT_FALSE(f.result.cancelled);
    EXPECT_NE(f.result.error.find("データが届かなかった"), std::string::npos) << f.result.error;
}

TEST(QtDownloaderTest, ABodyBeyondTheLimitIsRefused) {
    LocalHttpServer server({LocalHttpServer::Ok(std::string(5000, 'x'), false)});
    QtDownloader downloader(QtDownloader::kDefaultStallTimeoutMs, 1000);
    const Fetched f = FetchAndWait(downloader, server.Url("/a.txt"));
    EXPECT_FALSE(f.result.ok);
    EXPECT_LE(f.result.body.size(), 1000u);
}

TEST(QtDownloaderTest, DoneNeverRunsInsideFetchOrCancel) {
    QtDownloader downloader;
    Waiter waiter;
    Downloader::Result bad;
    downloader.Fetch("::not an address::", nullptr, [&](Downloader::Result r) {
        bad = std::move(r);
        waiter.End();
    });
    EXPECT_EQ(waiter.ends(), 0);
    ASSERT_TRUE(waiter.Wait());
    EXPECT_FALSE(bad.ok);
    EXPECT_NE(bad.error, "");

    LocalHttpServer server({LocalHttpServer::Partial("abc", 100, LocalHttpServer::After::Trickle)});
    Waiter cancelled;
    Downloader::Result result;
    downloader.Fetch(server.Url("/a.txt"), nullptr, [&](Downloader::Result r) {
        result = std::move(r);
        cancelled.End();
    });
    downloader.Cancel();
    EXPECT_EQ(cancelled.ends(), 0);
    ASSERT_TRUE(cancelled.Wait());
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.ok);
}

TEST(QtDownloaderTest, ASecondFetchFailsAndLeavesTheRunningOneAlone) {
    const std::string body = SearchFileBytes(5);
    LocalHttpServer server({LocalHttpServer::Ok(body)});
    QtDownloader downloader;
    Waiter first, second;
    Downloader::Result a, b;
    downloader.Fetch(server.Url("/a.txt"), nullptr, [&](Downloader::Result r) {
        a = std::move(r);
        first.End();
    });
    downloader.Fetch(server.Url("/b.txt"), nullptr, [&](Downloader::Result r) {
        b = std::move(r);
        second.End();
    });
    ASSERT_TRUE(second.Wait());
    ASSERT_TRUE(first.Wait());
    EXPECT_FALSE(b.ok);
    EXPECT_NE(b.error, "");
    EXPECT_TRUE(a.ok) << a.error;
    EXPECT_EQ(a.body, body);
    EXPECT_EQ(server.targets(), std::vector<std::string>{"/a.txt"});
}

TEST(QtDownloaderTest, GoingAwayMidTransferReportsNothing) {
    LocalHttpServer server({LocalHttpServer::Partial("abc", 100, LocalHttpServer::After::Trickle)});
    int reports = 0;
    {
        QtDownloader downloader;
        Waiter started;
        downloader.Fetch(
            server.Url("/a.txt"),
            [&](std::int64_t, std::int64_t) {
                ++reports;
                started.End();
            },
            [&](Downloader::Result) { ++reports; });
        ASSERT_TRUE(started.Wait());
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(reports, 1);
}

TEST(QtDownloaderTest, ReadsALocalFileByItsAddress) {
    TempDir dir;
    const std::string path = dir.Sub("local.txt");
    test::WriteFile(path, SearchFileBytes(4));
    QtDownloader downloader;
    const Fetched f = FetchAndWait(downloader, "file://" + path);
    EXPECT_TRUE(f.result.ok) << f.result.error;
    EXPECT_EQ(f.result.body, SearchFileBytes(4));
}

// ---- SearchDownload over HTTP ------------------------------------------------------------------

class SearchDownloadHttpTest : public ::testing::Test {
protected:
    std::string Path() const { return SearchFilePath(dir.path(), "202211"); }
    std::string Folder() const { return JoinPath(dir.path(), kSearchDataFolder); }
    void WriteEarlierFile() { test::WriteFile(Path(), kEarlier); }
    std::optional<std::string> Saved() const { return ReadWholeFile(Path()); }
    // Only the month's file, whatever happened: nothing temporary is left behind.
    std::vector<std::string> OnlyTheMonth() const { return {SearchFileName("202211")}; }

    // Downloads November from `server` (its address configured in the install folder); the
    // progress callback may act in the middle, as a cancel button would.
    DownloadOutcome Run(const LocalHttpServer& server,
                        const std::function<void(std::int64_t, std::int64_t)>& onProgress = {}) {
        test::WriteFile(JoinPath(dir.path(), kDownloadAddressFile), server.Url("/data") + "\r\n");
        DownloadOutcome outcome;
        Waiter waiter;
        const bool started = download.Start(
            dir.path(), "202211",
            [&](std::int64_t r, std::int64_t t) {
                progress.emplace_back(r, t);
                if (onProgress) onProgress(r, t);
            },
            [&](const DownloadOutcome& o) {
                outcome = o;
                waiter.End();
            });
        EXPECT_TRUE(started) << download.refusal();
        if (started) {
            EXPECT_TRUE(waiter.Wait());
        }
        QCoreApplication::processEvents();  // a second report would come through the loop
        EXPECT_LE(waiter.ends(), 1);
        EXPECT_FALSE(download.running());
        return outcome;
    }

    static constexpr const char* kEarlier = "earlier file of the month\r\n";
    TempDir dir;
    QtDownloader downloader;
    SearchDownload download{downloader};
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;
};

TEST_F(SearchDownloadHttpTest, TheMonthsFileLandsInTheFolderByteForByte) {
    WriteEarlierFile();
    const std::string body = SearchFileBytes(2500);
    LocalHttpServer server({LocalHttpServer::Ok(body)});
    const DownloadOutcome outcome = Run(server);
    EXPECT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(outcome.message, "検索データ(2022/11)をダウンロードしました。");
    EXPECT_EQ(outcome.path, Path());
    EXPECT_EQ(Saved(), body);
    EXPECT_EQ(ListFiles(Folder()), OnlyTheMonth());
    EXPECT_EQ(
        server.targets(),
        std::vector<std::string>{"/data/%E6%A4%9C%E7%B4%A2%E3%83%87%E3%83%BC%E3%82%BF_202211.txt"});
    ASSERT_FALSE(progress.empty());
    const auto size = static_cast<std::int64_t>(body.size());
    EXPECT_EQ(progress.back(), std::make_pair(size, size));
}

TEST_F(SearchDownloadHttpTest, NotFoundNamesTheStatusAndKeepsTheEarlierFile) {
    WriteEarlierFile();
    LocalHttpServer server({LocalHttpServer::Status(404, "Not Found", "<html>404</html>")});
    const DownloadOutcome outcome = Run(server);
    EXPECT_FALSE(outcome.ok);
    EXPECT_FALSE(outcome.cancelled);
    EXPECT_NE(outcome.message.find("(HTTP 404)"), std::string::npos) << outcome.message;
    EXPECT_EQ(Saved(), kEarlier);
    EXPECT_EQ(ListFiles(Folder()), OnlyTheMonth());
}

TEST_F(SearchDownloadHttpTest, AConnectionCutMidBodyKeepsTheEarlierFile) {
    WriteEarlierFile();
    const std::string body = SearchFileBytes(100);
    LocalHttpServer server({LocalHttpServer::Partial(body.substr(0, body.size() / 2), body.size(),
                                                     LocalHttpServer::After::Close)});
    const DownloadOutcome outcome = Run(server);
    EXPECT_FALSE(outcome.ok);
    EXPECT_FALSE(outcome.cancelled);
    EXPECT_EQ(outcome.message.rfind("ダウンロードできませんでした。\n", 0), 0u) << outcome.message;
    EXPECT_EQ(Saved(), kEarlier);
    EXPECT_EQ(ListFiles(Folder()), OnlyTheMonth());
}

TEST_F(SearchDownloadHttpTest, AnHtmlPageIsRefusedAsNotSearchData) {
    WriteEarlierFile();
    LocalHttpServer server({LocalHttpServer::Ok(
        "<!DOCTYPE html>\r\n<html><body>ただいまメンテナンス中です</body></html>\r\n")});
    const DownloadOutcome outcome = Run(server);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message.rfind("ダウンロードしたデータが検索データの形式ではありません。", 0),
              0u)
        << outcome.message;
    EXPECT_EQ(Saved(), kEarlier);
    EXPECT_EQ(ListFiles(Folder()), OnlyTheMonth());
}

TEST_F(SearchDownloadHttpTest, ACancelWhileTheServerIsSendingWritesNothing) {
    WriteEarlierFile();
    const std::string body = SearchFileBytes(100);
    LocalHttpServer server({LocalHttpServer::Partial(body.substr(0, 1000), body.size(),
                                                     LocalHttpServer::After::Trickle)});
    const DownloadOutcome outcome =
        Run(server, [this](std::int64_t, std::int64_t) { download.Cancel(); });
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "ダウンロードを中止しました。");
    EXPECT_EQ(Saved(), kEarlier);
    EXPECT_EQ(ListFiles(Folder()), OnlyTheMonth());
}

TEST_F(SearchDownloadHttpTest, StartIsRefusedWhileOneRunsAndWithoutAnAddress) {
    EXPECT_FALSE(download.Start(dir.path(), "202211", nullptr, [](const DownloadOutcome&) {
        ADD_FAILURE() << "a refused start reported";
    }));
    EXPECT_EQ(download.refusal(), AddressMissingText());

    LocalHttpServer server(
        {LocalHttpServer::Partial("221104", 1000, LocalHttpServer::After::Trickle)});
    bool refusedWhileRunning = false;
    const DownloadOutcome outcome = Run(server, [&](std::int64_t, std::int64_t) {
        if (refusedWhileRunning) return;
        refusedWhileRunning = !download.Start(dir.path(), "202212", nullptr, nullptr);
        download.Cancel();
    });
    EXPECT_TRUE(refusedWhileRunning);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(server.targets().size(), 1u);
    EXPECT_FALSE(FileExists(SearchFilePath(dir.path(), "202212")));
}

TEST(DownloadSearchMonthAndWaitTest, BlocksUntilTheFileIsSavedFromTheGivenAddress) {
    TempDir dir;
    test::WriteFile(JoinPath(dir.path(), kDownloadAddressFile), "http://127.0.0.1:1/never\r\n");
    const std::string body = SearchFileBytes(20);
    LocalHttpServer server({LocalHttpServer::Ok(body)});
    std::int64_t last = 0;
    const DownloadOutcome outcome = cli::DownloadSearchMonthAndWait(
        dir.path(), server.Url("/m/{YYYYMM}.txt"), "202211",
        [&](std::int64_t received, std::int64_t) { last = received; });
    EXPECT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(ReadWholeFile(SearchFilePath(dir.path(), "202211")), body);
    EXPECT_EQ(server.targets(), std::vector<std::string>{"/m/202211.txt"});
    EXPECT_EQ(last, static_cast<std::int64_t>(body.size()));
}

TEST(DownloadSearchMonthAndWaitTest, ARefusedStartComesBackWithItsReason) {
    TempDir dir;
    const DownloadOutcome outcome = cli::DownloadSearchMonthAndWait(dir.path(), "", "202211");
    EXPECT_FALSE(outcome.ok);
    EXPECT_FALSE(outcome.cancelled);
    EXPECT_EQ(outcome.message, AddressMissingText());
    EXPECT_FALSE(DirExists(JoinPath(dir.path(), kSearchDataFolder)));
}

}  // namespace
}  // namespace corvala
