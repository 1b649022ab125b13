// The quiz mode (出題) as the main window drives it: the toggle's colour, the package fetched and
// put in place, the user's own day put aside and brought back.

#include "app/quiz_state.h"
#include "platform/files.h"
#include "platform/text.h"
#include "screening/search_download.h"
#include "settings/settings_files.h"

namespace corvala {

namespace {

constexpr const char* kNoServiceTip = "（データ提供元のアドレスが設定されていないため、出題データは取得できません。）";

}  // namespace

QuizMode::QuizMode(Host& host, Services& services, const ReplayClock& replay, MainDisplay& display,
                   std::string installFolder, Dialogs& dialogs, Scheduler& scheduler, Downloader* downloader,
                   Archive* archive)
    : host_(host),
      services_(services),
      replay_(replay),
      display_(display),
      installFolder_(std::move(installFolder)),
      dialogs_(dialogs),
      scheduler_(scheduler),
      downloader_(downloader),
      archive_(archive) {}

void QuizMode::Colour() {
    const bool service = downloader_ && archive_ && !ReadDownloadAddress(installFolder_).empty();
    display_.quizChecked = checked_;
    display_.quizColour = checked_                     ? QuizButtonColour::Yellow
                          : newAvailable_ && service ? QuizButtonColour::Orange
                                                         : QuizButtonColour::Grey;
    display_.quizTip = std::string(kQuizTip) + (service ? "" : std::string("\n") + kNoServiceTip);
    services_.Notify();
}

void QuizMode::Check() {
    RemoveQuizTemporaries(installFolder_);
    const std::string folder = JoinPath(installFolder_, kQuizFolder);
    quiz_.reset();
    if (!DirExists(folder)) {
        newAvailable_ = true;  // nothing fetched yet
    } else if (const auto bytes = ReadWholeFile(JoinPath(folder, kQuizDescriptionFile), 64 * 1024)) {
        quiz_ = ReadQuizDescription(*bytes).quiz;
    }
    Colour();
    const std::string address = ReadDownloadAddress(installFolder_);
    if (!downloader_ || address.empty() || !DirExists(folder)) return;
    // The identifier on offer: a quiz other than ours lights the button.
    idFetch_ = std::make_unique<QuizFetch>(*downloader_, scheduler_);
    idFetch_->Start(QuizIdUrl(address), [this, alive = std::weak_ptr<int>(alive_)](const Downloader::Result& r) {
        if (alive.expired() || !r.ok) return;
        announcedId_ = AnnouncedQuizId(r.body);
        if (!announcedId_.empty() && (!quiz_ || quiz_->id != announcedId_)) newAvailable_ = true;
        Colour();
    }, /*tries=*/1);
}

void QuizMode::SetChecked(bool on) {
    if (!on) {
        if (busy()) {  // the package still on its way is not wanted any more
            fetch_.reset();
            services_.ShowBusy(false);
        }
        if (checked_) Off();
        Colour();
        return;
    }
    if (checked_ || busy() || replay_.loaded()) return;
    const std::string address = ReadDownloadAddress(installFolder_);
    if (!downloader_ || !archive_ || address.empty()) {
        dialogs_.ShowNotice("ダウンロードエラー", AddressMissingText());
        Colour();
        return;
    }
    idFetch_.reset();  // the downloader serves one fetch at a time: the package's now
    display_.startHour = "9";
    display_.startMinute = "00";
    services_.ShowBusy(true);
    // The toggle is shown pressed while the package comes.
    display_.quizChecked = true;
    fetch_ = std::make_unique<QuizFetch>(*downloader_, scheduler_);
    fetch_->Start(QuizPackageUrl(address), [this, alive = std::weak_ptr<int>(alive_)](const Downloader::Result& r) {
        if (!alive.expired()) PackageArrived(r);
    });
    services_.Notify();
}

void QuizMode::PackageArrived(const Downloader::Result& result) {
    if (replay_.loaded()) {  // a replay started meanwhile is not changed under it
        services_.ShowBusy(false);
        Colour();
        dialogs_.ShowNotice("出題", "シミュレーション中のため、出題を取り込みませんでした。");
        return;
    }
    if (!result.ok) {
        services_.ShowBusy(false);
        Colour();
        dialogs_.ShowNotice("ダウンロードエラー",
                            "出題ファイルのダウンロードに失敗しました。\nしばらく時間を空けてから再度実行して下さい。");
        return;
    }
    const QuizInstallOutcome installed = InstallQuizPackage(installFolder_, result.body, *archive_);
    if (!installed.ok) {
        services_.ShowBusy(false);
        Colour();
        dialogs_.ShowNotice("出題エラー", installed.message);
        return;
    }
    if (!installed.deleteProblems.empty()) services_.SetMessage(installed.deleteProblems);
    quiz_ = installed.quiz;
    newAvailable_ = false;

    // The user's own day is put aside; the quiz's day is locked in the boxes.
    userDay_ = host_.EnterQuizDay(installed.folder, *quiz_);
    checked_ = true;
    host_.SettleQuizDay(installed.folder);

    const int n = host_.NextBarLength();
    StartPosition start{0, "08:59:59", false};
    if (quiz_->startBar != 0 &&
        services_.Ask("問い合わせ", "運営者指定の時間からシミュレーションしますか？\n「いいえ」の場合、朝一からのシミュレーションになります。")) {
        const int lastBar = static_cast<int>(Int(300.0 / n + 0.5)) - 1;
        start = StartPosition{std::min(quiz_->startBar, lastBar), quiz_->startTime, true};
    }
    host_.PrepareQuizDay(start);
    Colour();
    host_.DisplayQuizDay();
}

void QuizMode::Off() {
    checked_ = false;
    host_.LeaveQuizDay(userDay_);
    Colour();
}

void QuizMode::Leave() {
    if (checked_) Off();
}

}  // namespace corvala
