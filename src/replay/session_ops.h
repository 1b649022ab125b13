#pragma once
// The user's operations as session files name them, and the order form as an operation's
// arguments: written by the recorder and read back by the player through this one table, so that
// a new operation gets a name and a player's case (a switch over SessionOp without a default
// lets the compiler find the missed case).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "trading/new_order.h"

namespace corvala {

// Each operation once: its name in the file is its identifier here. A name is part of the file
// format; an operation is never renamed, only added.
#define CORVALA_SESSION_OPS(X)                                                                    \
    X(PressPlayback) X(SetSpeedScroll) X(ClickSpeedGauge) X(ClickSlowestLabel) X(SetLowSpeed)     \
    X(RestoreChosenSpeed) X(OpenNewOrderDialog) X(ActivateNewOrderDialog) X(SetOrderKind)         \
    X(SetOrderOption) X(EditOrderText) X(SpinOrderField) X(SetNewOrderSell) X(SetOrderAlert)      \
    X(SubmitNewOrderDialog) X(CancelNewOrderDialog) X(OpenClosingDialog) X(SetClosingSide)        \
    X(EditCloseRow) X(ToggleCloseRow) X(ToggleBulkClose) X(SubmitClosingDialog)                   \
    X(CancelClosingDialog) X(OpenCorrectCancelDialog) X(SelectCorrectCancelLine)                  \
    X(CancelSelectedOrder) X(CorrectSelectedOrder) X(CloseCorrectCancelDialog) X(ClickBoardPrice) \
    X(PlaceNewOrder) X(PlaceClosingOrder) X(SetCloseQuantity) X(SetBulkClose) X(CancelOrder)      \
    X(SetSimulationChecked) X(RequestClose) X(SetHideBoardAndTape) X(SetBoardOption)              \
    X(SetTapeOption) X(SetFillSoundOption) X(SetTradeMarkerOption) X(AddAlert) X(RemoveAlert)     \
    X(ClearAlerts) X(OneKeyOrder)

#define CORVALA_SESSION_OP_ENUMERATOR(name) name,
enum class SessionOp { CORVALA_SESSION_OPS(CORVALA_SESSION_OP_ENUMERATOR) };
#undef CORVALA_SESSION_OP_ENUMERATOR

#define CORVALA_SESSION_OP_COUNT(name) +1
inline constexpr std::size_t kSessionOpCount = 0 CORVALA_SESSION_OPS(CORVALA_SESSION_OP_COUNT);
#undef CORVALA_SESSION_OP_COUNT

// The name a session file holds ("PlaceNewOrder").
const char* SessionOpName(SessionOp op);
// The operation a file's name stands for; none for a name this program does not know.
std::optional<SessionOp> SessionOpFromName(std::string_view name);

// An argument read back as the operation wrote it (OpArg); an empty or missing one is 0 or false.
int OpArgInt(const std::string& text);
float OpArgReal(const std::string& text);
bool OpArgFlag(const std::string& text);

// The order form as PlaceNewOrder and PlaceClosingOrder write it: kind, sell, cash caption,
// quantity, price, trigger, stop price, market, trigger below, stop market.
inline constexpr std::size_t kOrderFormArgs = 10;
std::vector<std::string> OrderFormArgs(const NewOrderForm& form);
// The form from `args` starting at `first`; a missing argument reads as empty (false, 0).
NewOrderForm OrderFormFromArgs(const std::vector<std::string>& args, std::size_t first);

}  // namespace corvala
