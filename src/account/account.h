#pragma once
// The money side of a run: the investment amount, the buying power every new order is checked
// against, cash-only mode, the realised results of the run and of all runs, and the tax on them.
// The figures are kept as the numbers their labels would read back.

#include <array>
#include <cstdint>
#include <string>

#include "base/values.h"
#include "platform/ports.h"

namespace corvala {

inline constexpr double kTaxPercent = 20.315;
inline constexpr double kAfterTaxPercent = 79.685;
inline constexpr double kCashOnlyBelow = 300'000;
inline constexpr std::int64_t kDefaultInvestment = 1'000'000;
// The largest amount of money the account keeps (just under 10^15 yen): three times it and the
// sums of a day's trading stay whole in a double, and what is saved can be read back.
inline constexpr std::int64_t kMaxYen = 999'999'999'999'999;
// The largest investment taken (one trillion yen): with the leverage and the day's limits, the
// totals stay far below kMaxYen for hundreds of runs at the worst.
inline constexpr std::int64_t kMaxInvestment = 1'000'000'000'000;

struct Account {
    std::int64_t baseInvestment = kDefaultInvestment;  // 当初設定
    std::int64_t profitTotal = 0;  // 利益分
    std::int64_t lossTotal = 0;    // 損失分
    std::array<std::int64_t, 2> totalsSnapshot{};  // the totals when the day was displayed
    bool cashOnly = false;
    Yen buyingPower = 0;  // whole yen, as its "###,###" label reads back
    Yen runPnl = 0;       // 今回の損益: each result credited in whole yen, as the totals take it
    bool totalsCapped = false;  // a total reached kMaxYen: what went beyond it is not in it

    int Leverage() const { return cashOnly ? 1 : 3; }
    std::int64_t Net() const { return profitTotal - lossTotal; }
    // 全損益(税考慮): the net total less 20.315 % tax when it is positive.
    double NetAfterTax() const;
    double Tax() const;
    // The 投資金額 field: the base amount plus the after-tax total, as its label reads back.
    Yen InvestmentField() const;
};

// What the account is worth: the 投資金額 field (the realised results of the run are in it) plus
// `openResult`, the open positions' result at the current price, when it is a loss.
double Equity(const Account& a, double openResult);
// The buying power shown and checked: the running figure, but 0 while the account is worth
// nothing (Equity at or below 0).
Yen ShownBuyingPower(const Account& a, double openResult);

// What the account panel shows, with the open positions' result at the current price.
struct AccountTexts {
    std::string investment, buyingPower, buyingPowerCaption, runPnl, netPnl, netPnlAfterTax;
    std::string netPnlTooltip, netPnlAfterTaxTooltip;
};
AccountTexts ShowAccount(const Account& a, double openResult = 0);

// A figure as its "###,###" label would read it back: whole yen, a half away from zero.
Yen AsShownYen(double value);

// buyingPower := investment field × leverage.
// The buying power of an account at rest (no order, no position): the 投資金額 field times the
// leverage, and 0 when the field is at or below 0, as a loss beyond the investment leaves it.
Yen RestingBuyingPower(const Account& a);
void ResetBuyingPower(Account& a);
// buyingPower := buyingPower + delta, through its label.
void AdjustBuyingPower(Account& a, double delta);
// Below 300,000 yen only cash trading: sets cash-only and returns the message to show, else "".
std::string ApplyCashOnlyRule(Account& a);
// A click on 現物のみ; returns the box's state afterwards (it re-checks itself below 300,000 yen).
bool ToggleCashOnly(Account& a, bool checked);

// A realised result (exact, in tenths of a yen) credited in whole yen, a half to even, to the
// run's result and to the totals: a gain to profitTotal, a loss to lossTotal. A total that would
// pass kMaxYen stays at it, `totalsCapped` says so, and the run's result moves only as far as the
// total did. Returns the yen credited.
Yen CreditResult(Account& a, double pnl);

// The change-of-investment box cleared with `typed` in the field. Asks through `dialogs` when the
// amount differs; true when it changed (the totals were wiped and a reset marker is due). An amount
// beyond kMaxInvestment is refused, and `message` says why.
bool ChangeInvestment(Account& a, const std::string& typed, Dialogs& dialogs, std::string& message);
// リセット: asks and wipes the totals; true when they were wiped (a reset marker is due).
bool ResetTotals(Account& a, Dialogs& dialogs);

// At every display of a day: the totals a discarded run goes back to.
void SnapshotTotals(Account& a);
// The run is not kept: totals from the snapshot, no run result, buying power anew.
void DiscardRun(Account& a);

// The reset marker line of the realised-P&L history, for `today`.
std::string ResetMarkerLine(const Ymd& today);

}  // namespace corvala
