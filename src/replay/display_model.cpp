#include "replay/display_model.h"

#include <cmath>

#include "platform/text.h"

namespace corvala {

void ShowQuote(MainDisplay& display, double price, double prevClose, bool decimals) {
    display.priceLabel = Format(price, decimals ? "###,###.0" : "###,###");
    if (prevClose == 0) {
        display.changeLabel.clear();
        display.changePercentLabel.clear();
        return;
    }
    const double change = price - prevClose;
    display.changeLabel = (change > 0 ? "+" : "") + Format(change, decimals ? "###,##0.0" : "###,##0");
    // Floored to hundredths of a percent; the tiny offset keeps 1.2 from reading as 1.19.
    const double percent = std::floor(change / prevClose * 10000 + 1e-7) / 100;
    display.changePercentLabel = Format(percent, "0.00") + "%";
}

}  // namespace corvala
