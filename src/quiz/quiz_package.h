#pragma once
// The quiz package quest.lzh: where the data service keeps it, fetching it with the tries the
// service's hiccups call for, and putting its 出題 folder in place of the old one.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ports.h"
#include "quiz/quiz_description.h"

namespace corvala {

class Archive;

inline constexpr const char* kQuizPackageFile = "quest.lzh";
inline constexpr const char* kQuizIdFile = "quest.txt";  // the identifier of the quiz on offer
inline constexpr const char* kQuizTemporaryPrefix = ".出題.new-";
inline constexpr int kQuizFetchTries = 3;
inline constexpr int kQuizWaitBeforeFetchMs = 1000;
inline constexpr int kQuizWaitBetweenTriesMs = 3000;

// The package's and the announced identifier's addresses on the data service, next to its
// search files: the configured address up to its last "/" (a "/" added when it has none).
std::string QuizPackageUrl(const std::string& address);
std::string QuizIdUrl(const std::string& address);

// Fetches `url` through `downloader`, waiting on `scheduler` before the first try and between
// tries, up to kQuizFetchTries tries (the service's cache may answer with an error at first). `done` gets the last result. Dropping the object drops a
// fetch in progress (its `done` is not called).
class QuizFetch {
public:
    QuizFetch(Downloader& downloader, Scheduler& scheduler) : downloader_(downloader), scheduler_(scheduler) {}
    ~QuizFetch();
    QuizFetch(const QuizFetch&) = delete;
    QuizFetch& operator=(const QuizFetch&) = delete;
    // False when a fetch is running already. `tries` 1 asks once, at once.
    bool Start(const std::string& url, std::function<void(const Downloader::Result&)> done,
               int tries = kQuizFetchTries);
    bool running() const { return running_; }
    int tries() const { return tries_; }

private:
    void Try();

    Downloader& downloader_;
    Scheduler& scheduler_;
    std::shared_ptr<QuizFetch*> self_ = std::make_shared<QuizFetch*>(this);
    std::string url_;
    std::function<void(const Downloader::Result&)> done_;
    bool running_ = false;
    int tries_ = 0;
    int maxTries_ = kQuizFetchTries;
};

struct QuizInstallOutcome {
    bool ok = false;
    std::string message;  // Japanese, for a box, when !ok
    std::optional<QuizDescription> quiz;
    std::string folder;   // installFolder/出題/
    std::size_t files = 0;  // day files in the new quiz folder
    std::string deleteProblems;  // what of the old folder could not be deleted
};

// Unpacks `package` in a new temporary folder of `installFolder` and, only when that holds a
// usable 出題/data.txt, replaces the old 出題 (renamed 出題1 and deleted) with it and keeps the
// package as quest.lzh. A failure leaves the old quiz folder and package as they were and no
// temporary behind.
QuizInstallOutcome InstallQuizPackage(const std::string& installFolder, const std::string& package, Archive& archive);
// What an interrupted install left in `installFolder`.
void RemoveQuizTemporaries(const std::string& installFolder);

}  // namespace corvala
