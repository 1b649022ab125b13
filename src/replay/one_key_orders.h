#pragma once
// One-key orders: a key buys at the best ask, sells short at the best bid, closes every position
// at market or cancels every pending order. Each goes through the same entry, checks and
// refusals as the order dialogs and is written to the session file as the key it was.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ports.h"
#include "replay/operation_log.h"
#include "replay/trading_desk.h"
#include "settings/settings.h"

namespace corvala {

class OneKeyOrders {
public:
    class Host {
    public:
        virtual const DayData& LoadedDay() const = 0;
        // An order dialog is open: its rows and form are the user's, a key does not act over them.
        virtual bool OrderDialogOpen() const = 0;
        virtual void Notify() = 0;

    protected:
        ~Host() = default;
    };

    struct Options {
        std::array<std::string, kOneKeys> keys{"F6", "F7", "F8", "F9"};
        bool confirm = true;  // ask as the dialogs do
        int units = 1;        // the quantity in trading units
    };

    OneKeyOrders(Host& host, OperationLog& log, TradingDesk& trading, Dialogs& dialogs);

    const Options& options() const { return options_; }
    void SetOptions(const Options& options) { options_ = options; }
    // The one-key order a key ("F6") is set to, if any.
    std::optional<OneKey> KeyFor(std::string_view keyName) const;
    // The default quantity: the set number of trading units of the day shown.
    std::string DefaultQuantity() const;

    // The key pressed, with `quantity` shares ("" for the default) and the confirmation as set.
    // A refusal is shown in a box, as the dialogs show theirs, and its text returned ("" when the
    // key's orders went through or a question was answered No).
    std::string Press(OneKey key, const std::string& quantity = {});
    // The same with the confirmation given (a session file says how it was pressed).
    std::string Press(OneKey key, const std::string& quantity, bool confirm);

    // The names the session file and corvala-cli use: "buyAtAsk", "sellAtBid", "closeAll", "cancelAll".
    static const char* Name(OneKey key);
    static std::optional<OneKey> FromName(std::string_view name);

private:
    std::string Refuse(const std::string& title, const std::string& message);
    std::string OrderAtBest(bool sell, const std::string& quantity, bool confirm);
    std::string CloseAll(bool confirm);
    std::string CancelAll(bool confirm);

    Host& host_;
    OperationLog& log_;
    TradingDesk& trading_;
    Dialogs& dialogs_;
    Options options_;
};

}  // namespace corvala
