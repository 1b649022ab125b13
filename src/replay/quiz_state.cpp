// The quiz mode (出題) as the main window drives it: the toggle's colour, the package fetched and
// put in place, the user's own day put aside and brought back.

#include "platform/files.h"
#include "platform/text.h"
#include "replay/navigation.h"
#include "replay/simulation.h"
#include "settings/settings_files.h"
#include "screening/search_download.h"

namespace corvala {

namespace {

constexpr const char* kNoServiceTip = "（データ提供元のアドレスが設定されていないため、出題データは取得できません。）";

}  // namespace

void Simulation::ColourQuizButton() {
    const bool service = ports_.downloader && ports_.archive && !ReadDownloadAddress(installFolder_).empty();
    display_.quizChecked = quizChecked_;
    display_.quizColour = quizChecked_                     ? QuizButtonColour::Yellow
                          : newQuizAvailable_ && service ? QuizButtonColour::Orange
                                                         : QuizButtonColour::Grey;
    display_.quizTip = std::string(kQuizTip) + (service ? "" : std::string("\n") + kNoServiceTip);
    Notify();
}

void Simulation::CheckQuiz() {
    RemoveQuizTemporaries(installFolder_);
    const std::string folder = JoinPath(installFolder_, kQuizFolder);
    quiz_.reset();
    if (!DirExists(folder)) {
        newQuizAvailable_ = true;  // nothing fetched yet
    } else if (const auto bytes = ReadWholeFile(JoinPath(folder, kQuizDescriptionFile), 64 * 1024)) {
        quiz_ = ReadQuizDescription(*bytes).quiz;
    }
    ColourQuizButton();
    const std::string address = ReadDownloadAddress(installFolder_);
    if (!ports_.downloader || address.empty() || !DirExists(folder)) return;
    // The identifier on offer: a quiz other than ours lights the button.
    quizIdFetch_ = std::make_unique<QuizFetch>(*ports_.downloader, ports_.scheduler);
    quizIdFetch_->Start(QuizIdUrl(address), [this, alive = std::weak_ptr<int>(alive_)](const Downloader::Result& r) {
        if (alive.expired() || !r.ok) return;
        announcedQuizId_ = AnnouncedQuizId(r.body);
        if (!announcedQuizId_.empty() && (!quiz_ || quiz_->id != announcedQuizId_)) newQuizAvailable_ = true;
        ColourQuizButton();
    }, /*tries=*/1);
}

void Simulation::SetQuizChecked(bool on) {
    if (!on) {
        if (quizBusy()) {  // the package still on its way is not wanted any more
            quizFetch_.reset();
            ShowBusy(false);
        }
        if (quizChecked_) QuizOff();
        ColourQuizButton();
        return;
    }
    if (quizChecked_ || quizBusy() || (replayRunning() && replay_.replayReady)) return;
    const std::string address = ReadDownloadAddress(installFolder_);
    if (!ports_.downloader || !ports_.archive || address.empty()) {
        ports_.dialogs.ShowNotice("ダウンロードエラー", AddressMissingText());
        ColourQuizButton();
        return;
    }
    quizIdFetch_.reset();  // the downloader serves one fetch at a time: the package's now
    display_.startHour = "9";
    display_.startMinute = "00";
    ShowBusy(true);
    // The toggle is shown pressed while the package comes.
    display_.quizChecked = true;
    quizFetch_ = std::make_unique<QuizFetch>(*ports_.downloader, ports_.scheduler);
    quizFetch_->Start(QuizPackageUrl(address), [this, alive = std::weak_ptr<int>(alive_)](const Downloader::Result& r) {
        if (!alive.expired()) QuizPackageArrived(r);
    });
    Notify();
}

void Simulation::QuizPackageArrived(const Downloader::Result& result) {
    if (replayRunning() && replay_.replayReady) {  // a replay started meanwhile is not changed under it
        ShowBusy(false);
        ColourQuizButton();
        ports_.dialogs.ShowNotice("出題", "シミュレーション中のため、出題を取り込みませんでした。");
        return;
    }
    if (!result.ok) {
        ShowBusy(false);
        ColourQuizButton();
        ports_.dialogs.ShowNotice("ダウンロードエラー",
                                  "出題ファイルのダウンロードに失敗しました。\nしばらく時間を空けてから再度実行して下さい。");
        return;
    }
    const QuizInstallOutcome installed = InstallQuizPackage(installFolder_, result.body, *ports_.archive);
    if (!installed.ok) {
        ShowBusy(false);
        ColourQuizButton();
        ports_.dialogs.ShowNotice("出題エラー", installed.message);
        return;
    }
    if (!installed.deleteProblems.empty()) SetMessage(installed.deleteProblems);
    quiz_ = installed.quiz;
    newQuizAvailable_ = false;

    // The user's own day is put aside; the quiz's day is locked in the boxes.
    userDay_ = {display_.dateText, display_.codeText, dataFolder_, keptAsideFolder_};
    quizOwnFolder_ = DataFolderToSave(dataFolder_, keptAsideFolder_, {});
    dataFolder_ = installed.folder;
    keptAsideFolder_.reset();
    SetDateText(quiz_->date);
    SetCodeText(quiz_->code);
    display_.seriesText = std::string(kDefaultSeriesItem);
    quizChecked_ = true;
    folderBeforeDialog_ = dataFolder_;  // a settings dialog open meanwhile keeps the quiz folder
    keptAsideBeforeDialog_ = keptAsideFolder_;
    SetNavigation(kIdle);
    ShowBusy(false);

    const int n = pendingBarLength_.value_or(barLength_);
    presetStart_ = StartPosition{0, "08:59:59", false};
    if (quiz_->startBar != 0 &&
        AskQuestion("問い合わせ", "運営者指定の時間からシミュレーションしますか？\n「いいえ」の場合、朝一からのシミュレーションになります。")) {
        const int lastBar = static_cast<int>(Int(300.0 / n + 0.5)) - 1;
        presetStart_ = StartPosition{std::min(quiz_->startBar, lastBar), quiz_->startTime, true};
        const int seconds = ParseTimeOfDay(quiz_->startTime).value_or(9 * 3600);
        display_.startHour = std::to_string(seconds / 3600);
        const int minute = seconds / 60 % 60;
        display_.startMinute = (minute < 10 ? "0" : "") + std::to_string(minute);
    }
    SetSimulationChecked(true);
    ColourQuizButton();
    DisplayDay();
}

void Simulation::QuizOff() {
    quizChecked_ = false;
    dataFolder_ = userDay_.folder;
    keptAsideFolder_ = userDay_.keptAside;
    folderBeforeDialog_ = dataFolder_;  // nor does a dialog open meanwhile bring the quiz's back
    keptAsideBeforeDialog_ = keptAsideFolder_;
    quizOwnFolder_.clear();
    SetDateText(userDay_.date);
    SetCodeText(userDay_.code);
    presetStart_.reset();
    replay_.startBar = 0;
    replay_.midSessionStart = false;
    if (!replayRunning()) {
        ForgetLoadedDay();
        SetNavigation(kIdle);
    }
    ColourQuizButton();
}

}  // namespace corvala
