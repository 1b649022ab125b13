#pragma once
// What every component of the program may use, built before them all: the loaded day, the
// message line and the busy notice, the questions that hold the replay still while they are open,
// and the notice that the display changed outside a user action. No component relays these for
// another.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "data/day_series.h"
#include "data/stock_list.h"
#include "platform/ports.h"
#include "replay/display_model.h"

namespace corvala {

class SessionRecorder;

inline constexpr int kFlashMs = 800;

class Services {
public:
    // `recorder` none: nothing is recorded and every question is put to the user.
    Services(MainDisplay& display, Dialogs& dialogs, Scheduler& scheduler, SessionRecorder* recorder = nullptr);
    Services(const Services&) = delete;
    Services& operator=(const Services&) = delete;

    // ---- The loaded day: the stock list, the four series, the date and the stock shown ----
    const StockList& stocks() const { return stocks_; }
    StockList& stocks() { return stocks_; }
    const DayData& day() const { return *day_; }
    DayData& day() { return *day_; }
    int stockCode() const { return stockCode_; }
    const std::string& chosenDate() const { return chosenDate_; }
    const std::string& stockName() const { return stocks_.Name(stockCode_); }
    void SetChosenDate(std::string date) { chosenDate_ = std::move(date); }
    void SetStockCode(int code) { stockCode_ = code; }

    // ---- The display changed outside a user action's return ----
    void SetChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }
    void Notify() {
        if (listener_) listener_();
    }

    // ---- The message line and the busy notice ----
    // A text that flashes, the flash alone, a timer that clears the line.
    void SetMessage(const std::string& text);
    void FlashMessage();
    // A flash that the caller ends (a later flash owns the line meanwhile): its generation, and
    // its end, which leaves the line to a later flash.
    unsigned BeginFlash();
    bool EndFlash(unsigned generation);
    void StartMessageTimer(int ms);
    void ShowBusy(bool visible);
    // The notice in the busy notice's place that asks for the orders before the open or the
    // afternoon.
    void ShowRequest(const std::string& text);

    // ---- Questions ----
    // The boxes of the user's actions: the replay holds still while one is open, and a played
    // session answers them as it was answered.
    Dialogs& questions() { return held_; }
    bool Ask(const std::string& title, const std::string& text) { return held_.Ask(title, text); }
    // A box of the front end's own (a price typed in): held as the program's questions are.
    void HoldWhile(const std::function<void()>& shown);
    bool questionOpen() const { return openQuestions_ > 0; }
    // Called when the last open question was answered.
    void WhenQuestionsAnswered(std::function<void()> callback) { answered_ = std::move(callback); }

    // What the scheduler runs after `ms` is the program's own doing, never an operation of the
    // user; dropped when the services are gone.
    void Later(int ms, std::function<void()> callback);

private:
    class HeldDialogs final : public Dialogs {
    public:
        explicit HeldDialogs(Services& s) : s_(s) {}
        void ShowError(int number, const std::string& text) override;
        bool Ask(const std::string& title, const std::string& text) override;
        // Not recorded: a キャンセル leaves nothing to play again.
        std::optional<bool> AskOrCancel(const std::string& title, const std::string& text) override;
        void ShowNotice(const std::string& title, const std::string& text) override;

    private:
        template <class Show>
        void Held(Show show);
        Services& s_;
    };
    bool playing() const;
    void BeginQuestion() { ++openQuestions_; }
    void EndQuestion();

    MainDisplay& display_;
    Dialogs& dialogs_;
    Scheduler& scheduler_;
    SessionRecorder* recorder_;
    HeldDialogs held_{*this};
    StockList stocks_;
    std::unique_ptr<DayData> day_ = std::make_unique<DayData>();
    int stockCode_ = 8473;
    std::string chosenDate_;
    std::function<void()> listener_;
    std::function<void()> answered_;
    int openQuestions_ = 0;
    unsigned flashGeneration_ = 0;
    unsigned messageTimerGeneration_ = 0;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // scheduled callbacks check it
};

}  // namespace corvala
