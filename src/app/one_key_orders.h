#pragma once
// One-key orders: a key buys at the best ask, sells short at the best bid, closes every position
// at market or cancels every pending order. Each goes through the same entry, checks and
// refusals as the order dialogs and is written to the session file as the key it was.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/order_dialogs.h"
#include "app/trading_desk.h"
#include "platform/ports.h"
#include "replay/operation_log.h"
#include "replay/services.h"
#include "replay/settings_slice.h"
#include "settings/settings.h"

namespace corvala {

class OneKeyOrders final : public SettingsSlice {
public:
    struct Options {
        std::array<std::string, kOneKeys> keys{"F6", "F7", "F8", "F9"};
        bool confirm = true;  // ask as the dialogs do
        int units = 1;        // the quantity in trading units
    };

    // An order window open: its rows and form are the user's, a key does not act over them.
    OneKeyOrders(Services& services, OperationLog& log, TradingDesk& trading, const OrderDialogs& windows);

    const Options& options() const { return options_; }
    void SetOptions(const Options& options) { options_ = options; }
    // setsim: the keys, the confirmation and the units.
    void LoadSettings(const Settings& s) override { options_ = {s.oneKeys, s.oneKeyConfirm, s.oneKeyUnits}; }
    void SaveSettings(Settings& s) const override {
        s.oneKeys = options_.keys;
        s.oneKeyConfirm = options_.confirm;
        s.oneKeyUnits = options_.units;
    }
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

    Services& services_;
    OperationLog& log_;
    TradingDesk& trading_;
    const OrderDialogs& windows_;
    Options options_;
};

}  // namespace corvala
