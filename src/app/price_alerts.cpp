#include "app/price_alerts.h"

#include <algorithm>
#include <cmath>

#include "base/price_rules.h"
#include "platform/text.h"

namespace corvala {
namespace {

// Prices are read from texts and boards as floats: equal within a thousandth of a yen.
bool Same(double a, double b) { return std::fabs(a - b) < 1e-3; }

}  // namespace

bool PriceAlerts::Add(double price) {
    const OpScope op(log_, SessionOp::AddAlert, {OpArg(static_cast<float>(price))});
    if (!op || !(price > 0) || prices_.size() >= kMax) return false;
    if (std::any_of(prices_.begin(), prices_.end(), [&](double p) { return Same(p, price); })) return false;
    prices_.push_back(price);
    ++version_;
    return true;
}

std::string PriceAlerts::AddTyped(const std::string& typed, bool fineTickMode) {
    if (!IsNumeric(typed) || !(ReadFormattedNumber(typed) > 0)) return "アラートの価格は0より大きい数字で入力して下さい。";
    const double price = ReadFormattedNumber(typed);
    if (!OnPriceGrid(price, fineTickMode))
        return FormatPrice(price, false, true) + "円は呼値の単位（" + FormatPrice(PriceStep(price, fineTickMode), false, true) + "円）に合っていません。";
    if (prices_.size() >= kMax) return "アラートは10件までです。";
    if (!Add(price)) return FormatPrice(price, false, true) + "円のアラートはすでにあります。";
    return {};
}

void PriceAlerts::Remove(double price) {
    const OpScope op(log_, SessionOp::RemoveAlert, {OpArg(static_cast<float>(price))});
    if (!op) return;
    const auto gone = std::remove_if(prices_.begin(), prices_.end(), [&](double p) { return Same(p, price); });
    if (gone == prices_.end()) return;
    prices_.erase(gone, prices_.end());
    ++version_;
}

void PriceAlerts::Clear() {
    const OpScope op(log_, SessionOp::ClearAlerts, {});
    if (!op) return;
    Forget();
}

void PriceAlerts::Forget() {
    if (prices_.empty()) return;
    prices_.clear();
    ++version_;
}

void PriceAlerts::Restore(const std::vector<double>& prices) {
    prices_.clear();
    for (double p : prices)
        if (p > 0 && prices_.size() < kMax && std::none_of(prices_.begin(), prices_.end(), [&](double q) { return Same(p, q); }))
            prices_.push_back(p);
    ++version_;
}

std::vector<double> PriceAlerts::TakeReached(double from, double low, double high) {
    std::vector<double> reached;
    if (!(low > 0) || high < low) return reached;
    const auto hit = [&](double p) {
        if (p >= low - 1e-3 && p <= high + 1e-3) return true;  // touched
        return from > 0 && ((p > from + 1e-3 && p < low) || (p < from - 1e-3 && p > high));  // crossed
    };
    for (double p : prices_)
        if (hit(p)) reached.push_back(p);
    if (reached.empty()) return reached;
    prices_.erase(std::remove_if(prices_.begin(), prices_.end(), hit), prices_.end());
    ++version_;
    std::sort(reached.begin(), reached.end());
    return reached;
}

}  // namespace corvala
