#pragma once
// What the three order dialogs show, as data: the new-order and closing-order forms with their
// visible parts, captions and colours, the spins and the filtered number texts, the holdings list
// of the closing dialog and the list of the correct/cancel dialog.

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "platform/rgb.h"
#include "trading/closing_order.h"
#include "trading/new_order.h"

namespace corvala {

inline constexpr Rgb kBuySideColour{255, 192, 255};
inline constexpr Rgb kSellSideColour{128, 255, 255};
inline constexpr int kCloseRows = 8;  // row-quantity boxes beside the holdings list
inline constexpr int kBoardClickKeepMs = 30'000;

inline constexpr const char* kHoldingsHeader =
    "コード　　　銘柄名　　　　　売買　 数 量 発注数量　約定単価   時 価　 評価損益　　 返済数量";
inline constexpr const char* kCorrectCancelHeader =
    "コード　　　  銘柄名　　　　取引　売買　  数量　　 単価  　　　　　　　　逆指値条件";

// The order part shared by both dialogs: which pieces show for the order type.
struct OrderPartView {
    bool stopPartVisible = false;
    bool priceVisible = true;       // the normal part's price (hidden for 逆指値注文)
    bool marketChoiceEnabled = true; // 成行 in the normal part (only 通常注文)
    std::string closingWords;       // "に訂正する" / "で執行する"
};
OrderPartView ViewOrderPart(const NewOrderForm& form);
// A change of order type: 逆指値付通常注文 and 逆指値注文 force 指値 in the normal part.
void SetOrderKind(NewOrderForm& form, OrderKind kind);

// The side options and the side label.
struct SideView {
    std::string firstCaption;   // 買建 / 買付, or 売埋 / 売付
    std::string secondCaption;  // 売建, or 買埋
    bool choiceVisible = true;  // hidden in cash-only mode
    std::string label;
    Rgb labelBackground = kBuySideColour;
};
SideView ViewNewOrderSide(const NewOrderForm& form);
SideView ViewClosingSide(Side closingSide);

// A number box's text after an edit: "e", "E", "-", "/" and "&" removed.
std::string CleanNumberText(std::string_view typed);
// The quantity spin: whole trading units, at least one; a text that is no number becomes one
// unit. A unit of 0 leaves the text as it is.
std::string SpinQuantity(const std::string& text, int tradingUnit, bool up);
// A price spin: one price step up or down (not below one step); empty text stays empty.
std::string SpinPrice(const std::string& text, bool up, bool decimalPrices, bool fineTickMode);
// A price as the dialogs write it: "0.0" with decimal prices, else "#".
std::string DialogPriceText(double price, bool decimalPrices);

// The stock name in 10 characters, centred with full-width spaces when it has 8 or fewer.
std::string CentredName(std::string_view name);

// One line of the closing dialog's holdings list; the slot trails beyond the visible part.
std::string HoldingLine(const Position& p, const std::string& code, const std::string& name, double currentPrice,
                        bool decimalPrices, int slot);
// The positions the closing dialog lists for its side (1 売埋, 2 買埋, 3 売付), in slot order.
std::vector<int> ListedPositions(const OrderBook& book, Side closingSide);
// The positions a pending closing order closes and the shares it takes from each, in slot order;
// entries naming no position in use are left out.
std::vector<std::pair<int, Shares>> AllocatedPositions(const OrderBook& book, const ClosingOrder& order);

// One line of the correct/cancel list; the slot trails after the last full-width space.
std::string CorrectCancelLine(const Order& o, bool closing, const std::string& code, const std::string& name,
                              bool decimalPrices, int slot);

// A line of a list read back: the slot at its end (after the last space of either width); -1
// when it cannot be read.
int TrailingSlot(std::string_view line);

}  // namespace corvala
