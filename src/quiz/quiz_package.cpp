#include "quiz/quiz_package.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/archive.h"
#include "platform/files.h"

namespace corvala {

namespace {

namespace fs = std::filesystem;

std::string ServiceFolder(const std::string& address) {
    if (address.empty()) return {};
    const std::size_t scheme = address.find("://");
    const std::size_t host = scheme == std::string::npos ? 0 : scheme + 3;
    const std::size_t slash = address.rfind('/');
    if (slash == std::string::npos || slash < host) return address + "/";
    return address.substr(0, slash + 1);
}

std::size_t CountDayFiles(const std::string& quizFolder) {
    std::size_t files = 0;
    for (const std::string& date : ListSubfolders(quizFolder))
        for (const std::string& file : ListFiles(JoinPath(quizFolder, date)))
            if (file.ends_with(".csv")) ++files;
    return files;
}

QuizInstallOutcome Failed(const std::string& message, const std::string& temporary = {}) {
    if (!temporary.empty()) {
        std::error_code ec;
        fs::remove_all(temporary, ec);
    }
    QuizInstallOutcome out;
    out.message = message;
    return out;
}

}  // namespace

std::string QuizPackageUrl(const std::string& address) {
    return address.empty() ? std::string() : ServiceFolder(address) + kQuizPackageFile;
}

std::string QuizIdUrl(const std::string& address) {
    return address.empty() ? std::string() : ServiceFolder(address) + kQuizIdFile;
}

QuizFetch::~QuizFetch() {
    if (running_) downloader_.Cancel();
}

bool QuizFetch::Start(const std::string& url, std::function<void(const Downloader::Result&)> done, int tries) {
    if (running_) return false;
    running_ = true;
    tries_ = 0;
    maxTries_ = std::max(1, tries);
    url_ = url;
    done_ = std::move(done);
    std::weak_ptr<QuizFetch*> self = self_;
    scheduler_.After(maxTries_ > 1 ? kQuizWaitBeforeFetchMs : 0, [self] {
        if (const auto alive = self.lock()) (*alive)->Try();
    });
    return true;
}

void QuizFetch::Try() {
    ++tries_;
    std::weak_ptr<QuizFetch*> self = self_;
    downloader_.Fetch(url_, {}, [self](Downloader::Result result) {
        const auto alive = self.lock();
        if (!alive) return;
        QuizFetch& f = **alive;
        if (!result.ok && !result.cancelled && f.tries_ < f.maxTries_) {
            f.scheduler_.After(kQuizWaitBetweenTriesMs, [self] {
                if (const auto again = self.lock()) (*again)->Try();
            });
            return;
        }
        f.running_ = false;
        const auto done = std::move(f.done_);
        done(result);
    });
}

QuizInstallOutcome InstallQuizPackage(const std::string& installFolder, const std::string& package, Archive& archive) {
    // Everything is unpacked beside the quiz folder first, so that a bad package changes nothing.
    std::string pattern = JoinPath(installFolder, std::string(kQuizTemporaryPrefix) + "XXXXXX");
    if (!::mkdtemp(pattern.data())) return Failed("出題ファイルを展開するフォルダを作れませんでした。\n" + installFolder);
    const std::string temporary = pattern;
    const std::string packagePath = JoinPath(temporary, kQuizPackageFile);
    const std::string unpackInto = JoinPath(temporary, "out");
    if (!WriteFileAtomically(packagePath, package) || !CreateDir(unpackInto))
        return Failed("出題ファイルを保存できませんでした。\n" + installFolder, temporary);
    const ExtractOutcome extracted = archive.ExtractAll(packagePath, unpackInto);
    if (!extracted.ok) return Failed(extracted.message, temporary);
    const std::string unpacked = JoinPath(unpackInto, kQuizFolder);
    const std::optional<std::string> description = ReadWholeFile(JoinPath(unpacked, kQuizDescriptionFile), 64 * 1024);
    if (!DirExists(unpacked) || !description)
        return Failed("出題ファイルに出題データ(出題/data.txt)がありません。", temporary);
    QuizDescriptionRead read = ReadQuizDescription(*description);
    if (!read.quiz) return Failed(read.problem, temporary);

    QuizInstallOutcome out;
    const std::string quizFolder = JoinPath(installFolder, kQuizFolder);
    if (DirExists(quizFolder)) {
        std::string old = JoinPath(installFolder, std::string(kQuizFolder) + "1");
        std::string left;
        if (DirExists(old)) DelDir(old, left);  // left over from an earlier deletion
        if (DirExists(old)) {
            // What could not be deleted then must not block the quiz now: the old folder goes
            // to a name of its own (an empty folder made for it, which the rename replaces).
            std::string unique = old + ".XXXXXX";
            if (::mkdtemp(unique.data())) old = unique;
        }
        std::error_code ec;
        fs::rename(quizFolder, old, ec);
        if (ec) return Failed("前回の出題フォルダを置き換えられませんでした。\n" + quizFolder, temporary);
        DelDir(old, out.deleteProblems);
    }
    std::error_code ec;
    fs::rename(unpacked, quizFolder, ec);
    if (ec) return Failed("出題フォルダを置けませんでした。\n" + quizFolder, temporary);
    fs::rename(packagePath, JoinPath(installFolder, kQuizPackageFile), ec);  // kept, as fetched
    fs::remove_all(temporary, ec);
    out.ok = true;
    out.quiz = std::move(read.quiz);
    out.folder = quizFolder + "/";
    out.files = CountDayFiles(quizFolder);
    return out;
}

void RemoveQuizTemporaries(const std::string& installFolder) {
    for (const std::string& name : ListSubfolders(installFolder)) {
        if (!name.starts_with(kQuizTemporaryPrefix)) continue;
        std::error_code ec;
        fs::remove_all(JoinPath(installFolder, name), ec);
    }
}

}  // namespace corvala
