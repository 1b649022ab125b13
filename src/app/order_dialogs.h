#pragma once
// The three order dialogs (新規注文, 返済注文, 訂正取消): their models, the replay slowed down while
// one is open, their forms handed to the trading desk, and the board price clicked for them. They
// close themselves when their order is stored, filled or gone.

#include <cstdint>
#include <string>
#include <utility>

#include "app/order_dialog_models.h"
#include "app/price_alerts.h"
#include "app/trading_desk.h"
#include "platform/ports.h"
#include "replay/display_model.h"
#include "replay/operation_log.h"
#include "replay/playback_speed.h"
#include "replay/replay_clock.h"
#include "replay/services.h"
#include "replay/session_recorder.h"

namespace corvala {

class OrderDialogs final : public RunOrderWindows, public TradingDesk::OrderWatcher {
public:
    struct Parts {
        Services& services;
        SessionRecorder& recorder;
        PlaybackSpeed& speed;
        PriceAlerts& alerts;
        MainDisplay& display;
        const ReplayClock& replay;
        TradingDesk& trading;
        Clock& clock;
    };
    explicit OrderDialogs(Parts parts);

    const NewOrderDialogModel& newOrderDialog() const { return newDialog_; }
    const ClosingDialogModel& closingDialog() const { return closeDialog_; }
    const CorrectCancelDialogModel& correctCancelDialog() const { return listDialog_; }
    // 新規注文: the dialog opens with the replay slowed down (低速), the capacity copied and a
    // board price clicked in the last 30 seconds in the price box. Ignored while the button is
    // disabled.
    void OpenNewOrderDialog();
    // The dialog becomes the active window again: a board price clicked in the last 30 seconds
    // is written into its price box (not while correcting).
    void ActivateNewOrderDialog();
    // The form of the new-order dialog (closing false) or of the closing-order dialog (true):
    // order type, the 指値/成行 and 以上/以下 options, a text box typed into, a spin pressed.
    enum class OrderOption { NormalMarket, TriggerBelow, StopMarket };
    void SetOrderKind(bool closing, OrderKind kind);
    void SetOrderOption(bool closing, OrderOption option, bool on);
    void EditOrderText(bool closing, OrderField field, const std::string& typed);
    void SpinOrderField(bool closing, OrderField field, bool up);
    void SetNewOrderSell(bool sell);
    // 到達で一時停止: the limit price of the order stored also becomes a price alert.
    void SetOrderAlert(bool on);
    // 注文: refusals are shown in boxes (a missing field, "資金が足りません。"); a stored order
    // closes the dialog. キャンセル closes it; 指定速度に戻す clears 低速.
    EntryOutcome SubmitNewOrderDialog();
    void CancelNewOrderDialog();
    void RestoreChosenSpeed();
    // 返済注文, or a double click on holding-summary line `summaryLine` (0 long, 1 short), which
    // chooses the side.
    void OpenClosingDialog(int summaryLine = -1);
    void SetClosingSide(Side side);
    // A row-quantity box left after typing, its toggle button, 一括返済 / 一括解除.
    void EditCloseRow(int row, const std::string& typed);
    void ToggleCloseRow(int row);
    void ToggleBulkClose();
    EntryOutcome SubmitClosingDialog();
    void CancelClosingDialog();
    // 訂正取消, or a double click on line `pendingLine` of the pending-order list, which selects
    // that order in the dialog.
    void OpenCorrectCancelDialog(int pendingLine = -1);
    void SelectCorrectCancelLine(int index);
    // 取消注文 (asks first) and 訂正注文 (opens the order's dialog in correction mode).
    void CancelSelectedOrder();
    void CorrectSelectedOrder();
    void CloseCorrectCancelDialog();

    // A click on board price cell `level` (0–9): the price and the moment are kept for the
    // new-order dialog, and an open order dialog takes it as its price.
    void ClickBoardPrice(int level);
    Price clickedBoardPrice() const { return clickedPrice_; }

    // The board price a session file starts with.
    void RestoreClickedPrice(Price price) { clickedPrice_ = price; }

    // ---- What the run tells them ----
    bool anyOpen() const override { return newDialog_.visible || closeDialog_.visible || listDialog_.visible; }
    // An entry dialog (新規注文 or 返済注文) is open.
    bool entryOpen() const override { return newDialog_.visible || closeDialog_.visible; }
    // The run ended: every dialog closes.
    void CloseAll() override;
    // An order filled, fired or cancelled: a correction of it ends, and the lists that show it follow.
    void OrderGone(int slot, bool closing) override;
    // The trading lists were shown anew: the order buttons and the open dialogs follow them.
    void FollowOrders() override;

private:
    void CloseNewOrderDialog();
    void LeaveNewOrderDialog();
    void LeaveClosingDialog();
    template <typename Model>
    void LeaveDialog(Model& model, void (OrderDialogs::*close)());
    void FinishSubmit(const EntryOutcome& out, void (OrderDialogs::*leave)());
    void ShowCorrectCancelDialog(bool lowSpeedBefore);
    void CloseClosingDialog();
    void HideCorrectCancelDialog(bool restoreSpeed);
    void RebuildHoldingsList();
    void RebuildCorrectCancelList();
    void RestoreLowSpeed(bool before);
    NewOrderForm& FormOf(bool closing) { return closing ? closeDialog_.order : newDialog_.form; }

    Services& services_;
    SessionRecorder& recorder_;
    PlaybackSpeed& speed_;
    PriceAlerts& alerts_;
    OperationLog& log_;
    MainDisplay& display_;
    const ReplayClock& replay_;
    TradingDesk& trading_;
    Clock& clock_;
    NewOrderDialogModel newDialog_;
    ClosingDialogModel closeDialog_;
    CorrectCancelDialogModel listDialog_;
    std::pair<int, bool> rememberedOrder_{100, false};  // slot (100: none) and closing, from a double click
    Price clickedPrice_;
    std::int64_t clickedAtMs_ = 0;
};

}  // namespace corvala
