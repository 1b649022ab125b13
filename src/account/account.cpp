#include "account/account.h"

#include <algorithm>
#include <cmath>

#include "platform/text.h"

namespace corvala {
namespace {

// An amount of money the account holds: whole yen, never negative, at most kMaxYen.
std::int64_t ToYen(double v) {
    const double r = RoundHalfEven(v);
    if (!(r > 0)) return 0;
    return r >= static_cast<double>(kMaxYen) ? kMaxYen : static_cast<std::int64_t>(r);
}

}  // namespace

double Account::NetAfterTax() const {
    const double net = static_cast<double>(Net());
    return net <= 0 ? net : net * kAfterTaxPercent / 100;
}

double Account::Tax() const {
    const double net = static_cast<double>(Net());
    return net > 0 ? net * kTaxPercent / 100 : 0;
}

Yen Account::InvestmentField() const { return AsShownYen(static_cast<double>(baseInvestment) + NetAfterTax()); }

Yen AsShownYen(double value) {
    if (!(std::fabs(value) < 1e18)) return 0;  // no figure the account could hold
    return static_cast<Yen>(ReadFormattedNumber(Format(value, "###,###")));
}

double Equity(const Account& a, double openResult) {
    return static_cast<double>(a.InvestmentField()) + std::min(openResult, 0.0);
}

// An account under water keeps its running figure (every fill and order still moves it as
// before) but may commit nothing; leverage on a debt is no capacity, so not even a negative one.
Yen ShownBuyingPower(const Account& a, double openResult) {
    return Equity(a, openResult) > 0 ? a.buyingPower : 0;
}

AccountTexts ShowAccount(const Account& a, double openResult) {
    AccountTexts t;
    t.investment = Format(static_cast<double>(a.InvestmentField()), "###,###");
    t.buyingPower = Format(static_cast<double>(ShownBuyingPower(a, openResult)), "###,###");
    t.buyingPowerCaption = a.cashOnly ? "買付可能額" : "新規建余力";
    t.runPnl = Format(static_cast<double>(a.runPnl), "###,##0");
    t.netPnl = Format(a.Net(), "###,##0");
    t.netPnlAfterTax = Format(a.NetAfterTax(), "###,##0");
    t.netPnlTooltip = "利益分： " + Format(a.profitTotal, "###,##0") + "円 　  損失分： " +
                      Format(a.lossTotal, "###,##0") + "円";
    t.netPnlAfterTaxTooltip = "税金分： " + (a.Net() > 0 ? Format(a.Tax(), "###,##0") : std::string("0")) + "円";
    return t;
}

Yen RestingBuyingPower(const Account& a) { return std::max<Yen>(0, a.InvestmentField() * a.Leverage()); }

void ResetBuyingPower(Account& a) { a.buyingPower = RestingBuyingPower(a); }

void AdjustBuyingPower(Account& a, double delta) { a.buyingPower = AsShownYen(static_cast<double>(a.buyingPower) + delta); }

std::string ApplyCashOnlyRule(Account& a) {
    if (a.InvestmentField() >= kCashOnlyBelow) return {};
    a.cashOnly = true;
    return "投資金額が30万円を割っていますので、現物取引のみとなります。";
}

bool ToggleCashOnly(Account& a, bool checked) {
    if (!checked && a.InvestmentField() < kCashOnlyBelow) {
        a.cashOnly = true;  // margin trading needs 300,000 yen
        return true;
    }
    a.cashOnly = checked;
    ResetBuyingPower(a);
    return checked;
}

Yen CreditResult(Account& a, double pnl) {
    std::int64_t& total = pnl >= 0 ? a.profitTotal : a.lossTotal;
    total = std::clamp<std::int64_t>(total, 0, kMaxYen);  // a total read from elsewhere, kept in range
    const double size = RoundHalfEven(std::fabs(pnl));
    // Beyond what the total can hold, it takes what fits.
    const bool capped = !(size <= static_cast<double>(kMaxYen - total));
    const Yen yen = capped ? kMaxYen - total : static_cast<Yen>(size);
    a.totalsCapped = a.totalsCapped || capped;
    total += yen;
    a.runPnl += pnl >= 0 ? yen : -yen;
    return pnl >= 0 ? yen : -yen;
}

bool ChangeInvestment(Account& a, const std::string& typed, Dialogs& dialogs, std::string& message) {
    message.clear();
    std::string plain;
    for (char c : Trim(typed))
        if (c != ',') plain += c;
    // An amount the account cannot hold (below 0, beyond kMaxYen) is no amount either.
    double value = IsNumeric(plain) ? LeadingNumber(plain) : -1;
    if (value > static_cast<double>(kMaxInvestment)) {
        message = "投資金額は" + Format(static_cast<double>(kMaxInvestment), "###,###") + "円までです。";
        value = static_cast<double>(a.baseInvestment);  // refused: the field keeps the old amount
    }
    if (!(value >= 0 && value <= static_cast<double>(kMaxYen))) value = static_cast<double>(kDefaultInvestment);
    bool changed = false;
    if (value != static_cast<double>(a.baseInvestment) &&
        dialogs.Ask("問い合わせ", "投資金額を変更しますか？\n変更の場合、今回の損益や全損益はリセットされます。")) {
        a.baseInvestment = ToYen(value);
        a.profitTotal = a.lossTotal = 0;
        a.totalsCapped = false;
        message = ApplyCashOnlyRule(a);
        changed = true;
    }
    // A refused change leaves the field at the old amount.
    a.buyingPower = std::max<Yen>(0, AsShownYen((static_cast<double>(a.baseInvestment) + a.NetAfterTax()) * a.Leverage()));
    return changed;
}

bool ResetTotals(Account& a, Dialogs& dialogs) {
    if (a.Net() == 0 && AsShownYen(a.NetAfterTax()) == 0) return false;
    if (!dialogs.Ask("問い合わせ", "全損益がリセットされますが、宜しいですか？\n投資金額も当初設定の" +
                                       Format(a.baseInvestment, "###,###") + "に戻ります。"))
        return false;
    a.profitTotal = a.lossTotal = 0;
    a.totalsCapped = false;
    ResetBuyingPower(a);
    return true;
}

void SnapshotTotals(Account& a) { a.totalsSnapshot = {a.profitTotal, a.lossTotal}; }

void DiscardRun(Account& a) {
    a.profitTotal = a.totalsSnapshot[0];
    a.lossTotal = a.totalsSnapshot[1];
    a.runPnl = 0;
    ResetBuyingPower(a);
}

std::string ResetMarkerLine(const Ymd& today) {
    return "******************************   " + Format(today.year, "0000") + "/" + Format(today.month, "00") +
           "/" + Format(today.day, "00") + "全損益をリセットしました   ******************************";
}

}  // namespace corvala
