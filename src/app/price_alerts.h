#pragma once
// The price alerts of the day shown: up to ten prices at which the replay is to pause. The
// replay loop asks after each pass of the tape which of them its prints reached; each alert
// reached fires once and is gone. Setting and removing them are the user's actions, written to
// the session file like every other.

#include <cstdint>
#include <string>
#include <vector>

#include "replay/operation_log.h"
#include "replay/run_parts.h"

namespace corvala {

class PriceAlerts final : public RunAlerts {
public:
    static constexpr std::size_t kMax = 10;

    explicit PriceAlerts(OperationLog& log) : log_(log) {}
    PriceAlerts(const PriceAlerts&) = delete;
    PriceAlerts& operator=(const PriceAlerts&) = delete;

    // False when ten are set, the price is not above 0 or is set already.
    bool Add(double price);
    // A price typed by the user: set when it is a number on the price grid; otherwise, or when
    // it cannot be set, why not ("" when it was set).
    std::string AddTyped(const std::string& typed, bool fineTickMode);
    void Remove(double price);
    void Clear();
    // Another day is shown: its alerts go (not a user's action).
    void Forget();
    // The alerts a played session's run began with (not a user's action).
    void Restore(const std::vector<double>& prices);

    const std::vector<double>& prices() const { return prices_; }
    // Changes with every change of the prices (for a picture drawn from them).
    std::uint64_t version() const { return version_; }

    // The alerts that prints from `low` to `high`, after a print at `from` (0: none), reached,
    // lowest first; they are taken off. A print touches an alert, or the prices cross it on their
    // way from `from`; `from` itself was reached before.
    std::vector<double> TakeReached(double from, double low, double high) override;

private:
    OperationLog& log_;
    std::vector<double> prices_;  // in the order set
    std::uint64_t version_ = 0;
};

}  // namespace corvala
