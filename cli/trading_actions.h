#pragma once
// The trading lines of a replay script (orders, closes, corrections, cancellations and the
// account panel's actions) and the trading part of the replay's JSON report.

#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "app/simulation.h"

namespace corvala::cli {

struct TradingAction {
    enum class Kind { New, Close, Cancel, Correct, OneKey, CashOnly, Investment, Reset } kind = Kind::New;
    nlohmann::ordered_json fields;  // the order fields as written
    Side closeSide = Side::None;    // 売埋 1, 買埋 2, 売付 3
    bool closeAll = false;
    std::map<int, std::string> closeQuantities;  // position number → shares (−1: none could be)
    int orderNumber = 0;            // cancel, correct
    bool flag = false;              // cashOnly
    std::string investment;
    OneKey key = OneKey::BuyAtAsk;  // a one-key order
    std::string keyQuantity;        // its "qty"; "" for the set default
    // Acts on the idle window's account panel rather than on the replay.
    bool OnAccountPanel() const { return kind == Kind::CashOnly || kind == Kind::Investment || kind == Kind::Reset; }
};

// Reads the trading action of a script line. Nothing (and "" in `error`) when the line holds
// none; `error` says what is wrong with one that does.
std::optional<TradingAction> ParseTradingAction(const nlohmann::ordered_json& line, std::string& error);

// Carries the action out as the user would through the dialogs, every question answered Yes.
// A refusal comes back as its message ("" when it went through).
std::string ApplyTradingAction(Simulation& sim, const TradingAction& action);

// "executions", "pendingOrders", "positions" and "account" as the window shows them.
void AddTradingReport(const Simulation& sim, nlohmann::ordered_json& out);

}  // namespace corvala::cli
