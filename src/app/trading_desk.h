#pragma once
// The trading desk of a run: the market's board and tape, the user's order tables, the matching
// engine, the account, the fills and the history files. Orders come in through its operations;
// each replay step asks it to refresh the board and match; it tells its host of fills, stored
// orders and kept runs, and writes its lists and the account panel into the display model.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "account/account.h"
#include "account/history.h"
#include "app/chart_state.h"
#include "platform/ports.h"
#include "replay/display_model.h"
#include "replay/operation_log.h"
#include "replay/replay_clock.h"
#include "replay/run_parts.h"
#include "replay/services.h"
#include "replay/session_recorder.h"
#include "review/session_record.h"
#include "trading/closing_order.h"
#include "trading/matching.h"
#include "trading/new_order.h"
#include "trading/order_tables.h"

namespace corvala {

inline constexpr const char* kFillSoundFile = "約定音.mp3";
inline constexpr const char* kStopSoundFile = "逆指音.mp3";


class TradingDesk final : public RunMarket, public ChartState::RowBoard, public SessionRecorder::Host, public SettingsSlice {
public:
    // What the order windows answer.
    class OrderWatcher {
    public:
        // An order left the tables (filled, fired or withdrawn): a correction of it no longer applies.
        virtual void OrderGone(int slot, bool closing) = 0;
        // The lists were shown anew: the order buttons and the open windows follow them.
        virtual void FollowOrders() = 0;

    protected:
        ~OrderWatcher() = default;
    };

    struct Parts {
        RunForOrders& run;
        Services& services;
        OrderWatcher& orders;
        RunRecords& records;
        OperationLog& log;
        MainDisplay& display;
        const ReplayClock& replay;
        ChartState& chart;
    };
    struct Ports {
        Clock& clock;
        Random& dayRandom;  // the displayed day's draws
        Sound* sound;
    };
    TradingDesk(Parts parts, Ports ports, std::string installFolder);
    TradingDesk(const TradingDesk&) = delete;
    TradingDesk& operator=(const TradingDesk&) = delete;

    const MarketState& market() const { return market_; }
    const OrderBook& orders() const { return book_; }
    const Account& account() const { return account_; }
    // The fills of the run so far, with the numbers of the positions each opened or closed.
    struct Fill {
        Execution execution;
        std::vector<int> positionNumbers;
    };
    const std::vector<Fill>& fills() const { return fills_; }
    // The run's review: its closed trades and its result after every step.
    const SessionRecord& record() const { return record_; }
    // What the session file says at a run's end: whether it was kept, the fills and the account.
    bool RunKeptNow() const override { return record_.kept(); }
    SessionOutcome RunOutcome() const override;
    // setsim: the options of the board, the fills and the markers, and the account.
    void LoadSettings(const Settings& s) override;
    void SaveSettings(Settings& s) const override;

    // ---- Orders ----
    // 注文 in the new-order dialog: stores the order, reflects it on the board and hands it to
    // the engine's next pass. A refusal comes back with its title and message. With
    // `correctionSlot` it corrects the pending order in that slot (訂正注文), which must still be
    // pending.
    // `question`: asked as the dialog asks "表記内容で注文しますか？", asked with the order said
    // above it (a one-key order, on no form), or not asked (a one-key order so set).
    enum class Question { AsShown, SayingTheOrder, None };
    EntryOutcome PlaceNewOrder(const NewOrderForm& form, std::optional<int> correctionSlot = {},
                               Question question = Question::AsShown);
    // The closing-order dialog: a row quantity typed for position `slot`, 一括返済 for a side, and
    // 注文 with the quantities chosen.
    void SetCloseQuantity(int slot, const std::string& typed);
    void SetBulkClose(Side closingSide, bool on);
    EntryOutcome PlaceClosingOrder(const ClosingOrderForm& form, std::optional<int> correctionSlot = {},
                                   bool confirm = true);
    // 取消注文: asks "選択行の注文を取消します。" (unless `ask` is false) and withdraws the order in
    // `slot` (a new order's reservation comes back, a closing order frees its shares); true when
    // it was cancelled.
    bool CancelOrder(int slot, bool closing, bool ask = true);
    // The refusal of an order while no replay runs, or nothing when orders are taken.
    std::optional<EntryOutcome> RefusedForNoReplay() const;
    // The closing dialog's row inputs, kept on the positions they close.
    void SetCloseInput(int slot, Shares quantity);
    void ClearCloseInputs();
    // The queue ahead of each pending order, as the engine counts it, for the pending list's
    // lines in their order ("" for a market order or an unfired stop), and the board's levels
    // where the user's limit orders wait.
    std::vector<std::string> PendingQueueTexts() const;
    std::array<std::optional<QueueMark>, kBoardLevels> BoardQueueMarks() const;
    // How many of the tape's rows (oldest first) the list shows: all of them, but after ≪, while
    // the replay runs behind the tape, only those up to the clock.
    int ShownTapeRows() const;
    // The holdings are valued at the step's price, or at the last trade when the step has none.
    double ValuationPrice() const;

    // How resting limit orders fill (the described queue unless a kept run is played under
    // another assumption).
    void SetFillRule(FillRule rule) { engine_.SetFillRule(rule); }
    FillRule fillRule() const { return engine_.fillRule(); }

    // ---- The account panel ----
    // A click on 現物のみ; the change-of-investment box (checked unlocks the 投資金額 field,
    // cleared applies what was typed into it); the field's text while unlocked; リセット. Each
    // acts only while the idle window's inputs accept input.
    void SetCashOnly(bool checked);
    // The account as saved settings give it: 投資金額 follows, below 300,000 yen cash only.
    void RestoreAccount(std::int64_t baseInvestment, std::int64_t profitTotal, std::int64_t lossTotal, bool cashOnly);
    void SetInvestmentEditing(bool on);
    void SetInvestmentText(const std::string& typed);
    void PressResetTotals();
    // A kept run that is not in the history files yet (it waits in the pending file, in the
    // journal or only here), and why; the pending file that holds it ("" when none does).
    bool historyPending() const override { return !historyProblem_.empty(); }
    const std::string& historyProblem() const override { return historyProblem_; }
    const std::string& historyPendingFile() const { return pendingFile_; }
    // What was said when rows that had waited from before went in first ("" when none did).
    const std::string& historyCarried() const { return historyCarried_; }
    // At exit: rows that only this program holds are offered again until they are written or
    // the user ends without them.
    void KeepHistoryAtExit();
    // The totals the settings file holds; `keep`: each kept run's totals go with its rows (and
    // reach the settings at the next start should the program end before it saves them).
    void SetSavedTotals(std::function<std::pair<std::int64_t, std::int64_t>()> saved) { savedTotals_ = std::move(saved); }
    void KeepTotalsWithHistory(bool keep) { keepTotals_ = keep; }
    // Start-up: a run a killed program left half appended is completed, rows that waited are
    // appended, and the totals the last kept run left are taken when the settings file still
    // holds those from before it.
    void RecoverHistoryAtStart();
    // Told (besides the message line) before the history waits for another program's lock.
    void SetLockWaitListener(std::function<void(const std::string&)> listener) { lockWaitListener_ = std::move(listener); }

    // ---- The options of the board, the tape and the fills ----
    // 板 (show the board), 板・歩み値表示なし (hide board and tape), 約定音 and 売買位置 (the markers
    // show or go at once, during a replay too).
    void SetBoardOption(bool on);
    void SetHideBoardAndTape(bool on);
    void SetFillSoundOption(bool on);
    void SetTradeMarkerOption(bool on);

    // ---- What the replay asks of it ----
    // Every display starts a run: empty tables, fresh numbers, the totals a discarded run
    // returns to.
    void ResetForDisplay() override;
    // A day was loaded: its limits from its previous close, its prices for the review.
    void NewDay(const DayData& day);
    // The whole day's tape, estimated once (or `given`) so that the replay only reads finished
    // lines; `stop` ends the estimate early.
    void BuildDayTape(const std::vector<std::string>& given, bool& stop);
    void BuildInitialBoard(int row) override;
    // The step's board: the recording with the user's orders; the board's total quantity.
    std::int32_t RefreshBoard(int row) override;
    void AddTapeLinesBefore(const std::string& time) override;
    // One pass of the engine over the pending orders at sub-step `subStep` (1–kSubSteps, or
    // kSubSteps for a step run in one pass); true when a stop fired and its sound wants a short wait.
    bool MatchPendingOrders(int subStep) override;
    // Orders stored while the replay holds still meet the board on screen at once.
    void MatchNewOrdersNow() override;
    // The market's prints since the last call.
    MarketState::PrintSpan TakePrintSpan() override { return market_.TakePrintSpan(); }
    // An alert reached: the stop sound, when 約定音 is on.
    void PlayAlertSound() override;
    // The market has got to `seconds` (a jump back replays nothing it has spent).
    void CatchUpEngineClock(int seconds) override;
    void RevaluePositions(double price) override;
    // The run's result at the end of step `row`: realised plus the open positions' value.
    void RecordEquity(int row) override;
    void ResetBoardHighlights() override;
    void ClearBoardLabels();
    void ClearTapeList();
    // The quote's labels, the tape and the order lists go empty.
    void ClearLists() override;
    // A readout of the chart at `row`: the board of that row, the tape at its time.
    void ShowRowOnBoard(int row, std::optional<int> seconds) override;
    // The lists and the account panel as the tables stand.
    void RefreshDisplay();
    // The run's end: whether anything is held or was traded, and what a stop settles at.
    bool HoldingsOpen() override;
    bool AnyTradeMade() const override { return !history_.executions.empty(); }
    double SettlementPrice() const override;
    // Pending orders withdrawn, every position closed at `price`, the run recorded and kept.
    void SettleAll(double price) override;
    // The run is not kept: its orders and holdings go with it.
    void DiscardRun() override;
    // Orders and positions of a run that ended without settling them leave the tables.
    void EmptyTables() override;
    void PlayPendingFillSound();

private:
    // The questions of an order entered without asking: each is taken as Yes; notices are shown.
    class AnswerYes final : public Dialogs {
    public:
        explicit AnswerYes(Dialogs& shown) : shown_(shown) {}
        void ShowError(int number, const std::string& text) override { shown_.ShowError(number, text); }
        bool Ask(const std::string&, const std::string&) override { return true; }
        void ShowNotice(const std::string& title, const std::string& text) override { shown_.ShowNotice(title, text); }

    private:
        Dialogs& shown_;
    };
    Dialogs& EntryDialogs(bool confirm) { return confirm ? services_.questions() : answerYes_; }

    class EngineEvents final : public MatchingListener {
    public:
        explicit EngineEvents(TradingDesk& desk) : desk_(desk) {}
        void OnExecution(const Execution& fill, const OrderBook& book) override { desk_.RecordExecution(fill, book); }
        void OnStopFired(int slot, bool closing) override;
        void OnOrderRemoved(int slot, bool closing) override { desk_.watcher_.OrderGone(slot, closing); }
        void OnPositionTableFull() override { desk_.SayPositionTableFull(); }
        void OnHeldBack(int number) override { desk_.SayHeldBack(number); }
        void OnAwaitingCounterparty(int number) override { desk_.SayAwaitingCounterparty(number); }
        void OnRefusedByLimits(int number, bool closing, PriceBand limits) override {
            desk_.SayRefusedByLimits(number, closing, limits);
        }

    private:
        TradingDesk& desk_;
    };

    void RecordExecution(const Execution& fill, const OrderBook& book);
    void SayPositionTableFull();
    void SayHeldBack(int orderNumber);
    void SayAwaitingCounterparty(int orderNumber);
    bool AfterPass();  // sounds and lists after a pass; true when a stop fired
    void SayRefusedByLimits(int orderNumber, bool closing, PriceBand limits);
    OrderEntryContext EntryContext(std::optional<int> correctionSlot) const;
    MatchContext StepContext() const;
    bool TradingOpen(EntryOutcome& out) const;
    void AfterOrderStored();
    void ShowOrdersOnBoard(bool highlightChanges);
    void ShowTapeCounter();
    double OpenResult(double price) const;
    double OpenResultNow() const;
    void WriteHistory();
    void AppendToHistory(const HistoryAppend& text);
    // How long the next history operation waits for the lock (once another program kept it
    // for a whole wait, not again until it is free), and what it says before it waits.
    AppendHooks HistoryLockHooks();
    std::string HistoryFolder() const;
    void ShowAccountPanel();
    void AppendResetMarkerToHistory();
    void PlaySound(const char* file);

    RunForOrders& run_;
    Services& services_;
    OrderWatcher& watcher_;
    RunRecords& records_;
    OperationLog& log_;
    MainDisplay& display_;
    const ReplayClock& replay_;
    ChartState& chart_;
    Ports ports_;
    std::string installFolder_;

    MarketState market_;
    OrderBook book_;
    MatchingEngine engine_{market_, book_};
    Account account_;
    OrderCounters counters_;
    HistoryBuffers history_;
    SessionRecord record_;  // the run's closed trades and its result step by step
    std::vector<Fill> fills_;
    HistoryAppend unwrittenHistory_;  // kept runs and markers whose append failed, held only here
    std::string historyProblem_;      // what the failed append said
    std::string pendingFile_;         // where the rows that failed wait
    std::string historyCarried_;
    std::function<std::pair<std::int64_t, std::int64_t>()> savedTotals_;
    bool keepTotals_ = true;
    bool lockWaitedOut_ = false;  // another program kept the history's lock for a whole wait
    std::function<void(const std::string&)> lockWaitListener_;
    EngineEvents engineEvents_{*this};
    AnswerYes answerYes_{services_.questions()};
    bool dirty_ = false;  // a fill or a fired stop changed the lists since they were shown
    bool fillSoundPending_ = false;
    bool stopFiredSoundDue_ = false;  // a stop fired in this pass: its sound and a short wait
};

}  // namespace corvala
