// corvala-cli quiz: the 出 題 toggle's fetch without windows — the package downloaded (with its
// waits and tries) or taken from a file, unpacked in place of the old quiz folder, and read.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "day_options.h"
#include "download_wait.h"
#include "platform/archive.h"
#include "platform/files.h"
#include "platform/qt/qt_downloader.h"
#include "quiz/quiz_package.h"

namespace corvala::cli {

namespace {

struct QuizArgs {
    std::string install, url, package;
};

const char* const kQuizText =
    "      Fetches the quiz package as the 出 題 toggle does: from URL (the package itself when it\n"
    "      ends in .lzh, else the data service's address, whose quest.lzh is fetched), waiting a\n"
    "      second first and trying up to three times three seconds apart; or takes FILE. Unpacks\n"
    "      it in place of DIR/出題 and reads its data.txt. Prints {\"id\",\"date\",\"code\",\n"
    "      \"startTime\",\"startBar\",\"folder\",\"files\"} (\"files\": the day files of the quiz).\n"
    "      A failure exits with status 2 and the message the window shows; DIR is left as it was.\n";

using json = nlohmann::ordered_json;

bool Fail(const std::string& text) {
    std::fprintf(stderr, "corvala-cli quiz: %s\n", text.c_str());
    return false;
}

// The waits between tries on the event loop's clock.
class LoopTimers final : public Scheduler {
public:
    LoopTimers() { clock_.start(); }
    void After(int ms, std::function<void()> callback) override {
        QTimer::singleShot(ms, Qt::PreciseTimer, &context_, std::move(callback));
    }
    std::int64_t NowMs() const override { return clock_.elapsed(); }

private:
    QObject context_;
    QElapsedTimer clock_;
};

Downloader::Result FetchAndWait(const std::string& url) {
    const std::unique_ptr<QCoreApplication> app = EnsureCoreApplication();  // goes after the downloader
    QtDownloader downloader;
    LoopTimers timers;
    QuizFetch fetch(downloader, timers);
    QEventLoop loop;
    Downloader::Result result;
    bool ended = false;
    fetch.Start(url, [&](const Downloader::Result& r) {
        result = r;
        ended = true;
        loop.quit();
    });
    if (!ended) loop.exec();
    return result;
}


int RunQuiz(QuizArgs a) {
    std::string& install = a.install;
    const std::string& url = a.url;
    const std::string& package = a.package;
    if (url.empty() == package.empty()) return Fail("one of --url or --package is required"), 1;
    if (install.empty()) install = ProgramInstallFolder();
    if (!DirExists(install)) return Fail("--install " + install + " is not a folder"), 1;

    std::string bytes;
    if (!package.empty()) {
        const std::optional<std::string> read = ReadWholeFile(package, 256u * 1024 * 1024);
        if (!read) {
            std::cerr << "出題ファイルを読み込めません。\n" << package << "\n";
            return 2;
        }
        bytes = *read;
    } else {
        const Downloader::Result got = FetchAndWait(url.ends_with(".lzh") ? url : QuizPackageUrl(url));
        if (!got.ok) {
            std::cerr << "出題ファイルのダウンロードに失敗しました。\nしばらく時間を空けてから再度実行して下さい。\n"
                      << got.error << "\n";
            return 2;
        }
        bytes = got.body;
    }
    LhaArchive archive;
    const QuizInstallOutcome installed = InstallQuizPackage(install, bytes, archive);
    if (!installed.ok) {
        std::cerr << installed.message << "\n";
        return 2;
    }
    const QuizDescription& q = *installed.quiz;
    json out;
    out["id"] = q.id;
    out["date"] = q.date;
    out["code"] = q.code;
    out["startTime"] = q.startTime;
    out["startBar"] = q.startBar;
    out["folder"] = installed.folder;
    out["files"] = installed.files;
    std::cout << out.dump() << "\n";
    return 0;
}

}  // namespace

void AddQuizCommand(Program& program) {
    auto a = std::make_shared<QuizArgs>();
    CLI::App& command = program.AddCommand("quiz", kQuizText, [a] { return RunQuiz(*a); });
    AddInstallOption(command, a->install);
    CLI::Option* url = command.add_option("--url", a->url, "the package's address, or the data service's")->type_name("URL");
    command.add_option("--package", a->package, "the package file")->type_name("FILE")->excludes(url);
}

}  // namespace corvala::cli
