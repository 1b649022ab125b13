#pragma once
// The quiz mode (出題): the toggle and its colour, the package fetched and put in place, the
// user's own day put aside while the quiz's day is in the boxes. It asks its host to swap the
// days and to display the quiz's, and tells the display model how the toggle looks.

#include <memory>
#include <optional>
#include <string>

#include "platform/archive.h"
#include "platform/ports.h"
#include "quiz/quiz_package.h"
#include "replay/display_model.h"
#include "replay/replay_clock.h"
#include "replay/run_parts.h"
#include "replay/services.h"

namespace corvala {

class QuizMode final : public RunQuiz {
public:
    // What the quiz mode put aside: the user's own date, code and data folder.
    struct UserDay {
        std::string date, code, folder;
        std::optional<std::string> keptAside;
    };

    class Host {
    public:
        // N for the next display (the one chosen during a replay, else the current one).
        virtual int NextBarLength() const = 0;
        // The quiz's day in `folder` goes into the boxes (the user's own is returned, to come back
        // with LeaveQuizDay); once the quiz mode is on, the day settles: a dialog open meanwhile
        // keeps the quiz folder, the controls rest, the busy notice goes, the start is the open.
        virtual UserDay EnterQuizDay(const std::string& folder, const QuizDescription& quiz) = 0;
        virtual void SettleQuizDay(const std::string& folder) = 0;
        virtual void LeaveQuizDay(const UserDay& day) = 0;
        // The quiz's day is set to start from `start` in simulation mode, and then displayed.
        virtual void PrepareQuizDay(const StartPosition& start) = 0;
        virtual void DisplayQuizDay() = 0;

    protected:
        ~Host() = default;
    };

    // `dialogs`: its download errors are told even while a session plays.
    QuizMode(Host& host, Services& services, const ReplayClock& replay, MainDisplay& display, std::string installFolder,
             Dialogs& dialogs, Scheduler& scheduler, Downloader* downloader, Archive* archive);

    // Start-up: the toggle's colour from the quiz folder and the identifier the data service
    // announces (fetched in the background).
    void Check();
    // The toggle. On: the package is fetched (a second, then up to three tries three seconds
    // apart), unpacked in place of the old quiz folder, and its day displayed, from the
    // operator's time when the user agrees; a failure is told and changes nothing. Off: the
    // user's own folder, date and code come back.
    void SetChecked(bool on);
    // Leaves the quiz mode when it is on.
    void Leave() override;
    bool on() const override { return checked_; }
    bool busy() const { return fetch_ && fetch_->running(); }
    const std::optional<QuizDescription>& description() const { return quiz_; }
    // The user's own day while the quiz mode is on.
    const UserDay& userDay() const { return userDay_; }

private:
    void PackageArrived(const Downloader::Result& result);
    void Off();
    void Colour();

    Host& host_;
    Services& services_;
    const ReplayClock& replay_;
    MainDisplay& display_;
    std::string installFolder_;
    Dialogs& dialogs_;
    Scheduler& scheduler_;
    Downloader* downloader_;
    Archive* archive_;
    std::unique_ptr<QuizFetch> fetch_;
    std::unique_ptr<QuizFetch> idFetch_;
    std::optional<QuizDescription> quiz_;
    std::string announcedId_;
    bool newAvailable_ = false;
    bool checked_ = false;
    UserDay userDay_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // the fetches' callbacks check it
};

}  // namespace corvala
