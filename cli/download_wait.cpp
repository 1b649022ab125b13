#include "download_wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <memory>

#include "platform/qt/qt_downloader.h"
#include "screening/search_data.h"

namespace corvala::cli {

std::unique_ptr<QCoreApplication> EnsureCoreApplication() {
    // Qt keeps references to argc and argv for the application's lifetime.
    static int argc = 1;
    static char name[] = "corvala-cli";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance()) return nullptr;
    return std::make_unique<QCoreApplication>(argc, argv);
}

DownloadOutcome DownloadSearchMonthAndWait(
    const std::string& installFolder, const std::string& address, const std::string& month,
    const std::function<void(std::int64_t, std::int64_t)>& progress) {
    // Declared before the downloader so that it goes after it.
    const std::unique_ptr<QCoreApplication> app = EnsureCoreApplication();

    QtDownloader downloader;
    SearchDownload download(downloader);
    QEventLoop loop;
    DownloadOutcome outcome;
    bool ended = false;
    const bool started = download.Start(
        installFolder, month,
        [&progress](std::int64_t received, std::int64_t total) {
            if (progress) progress(received, total);
        },
        [&](const DownloadOutcome& result) {
            outcome = result;
            ended = true;
            loop.quit();
        },
        address);
    if (!started) {
        outcome.message = download.refusal();
        outcome.path = IsSearchMonth(month) ? SearchFilePath(installFolder, month) : std::string();
        return outcome;
    }
    if (!ended) loop.exec();
    return outcome;
}

}  // namespace corvala::cli
