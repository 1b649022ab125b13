#pragma once
// The state of the three order dialogs as their windows show it. The Simulation changes it; the
// dialogs copy it onto their controls and forward what the user does.

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "trading/order_forms.h"

namespace corvala {

// 新規注文 / 訂正注文.
struct NewOrderDialogModel {
    bool visible = false;
    bool correctionMode = false;
    int correctionSlot = 0;
    std::string caption = "新規注文";
    NewOrderForm form;
    std::string capacityText;  // the buying power when the dialog opened and after each order
    bool lowSpeedBefore = false;
    bool alertAtPrice = false;  // 到達で一時停止: the stored limit also sets a price alert
};

// 返済注文 / 訂正返済注文.
struct ClosingDialogModel {
    bool visible = false;
    bool correctionMode = false;
    int correctionSlot = 0;
    std::string caption = "返済注文";
    Side side = kSideMarginBuy;  // 1 売埋, 2 買埋, 3 売付
    NewOrderForm order;           // type, prices and stop; quantity is the sum of the rows
    bool bulkMode = false;
    std::vector<std::string> lines;   // the holdings list
    std::vector<int> listedSlots;     // the position behind each line
    std::array<std::string, kCloseRows> rowTexts{};
    bool lowSpeedBefore = false;
    const char* BulkCaption() const { return bulkMode ? "一括解除" : "一括返済"; }
};

// 訂正取消.
struct CorrectCancelDialogModel {
    bool visible = false;
    std::vector<std::string> lines;
    std::vector<std::pair<int, bool>> entries;  // slot and closing for each line
    int selected = -1;
    bool lowSpeedBefore = false;
};

// Which text box of an order form.
enum class OrderField { Quantity, Price, Trigger, StopPrice };

}  // namespace corvala
