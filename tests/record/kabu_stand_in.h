#pragma once
// A stand-in for the trading station's local REST API on 127.0.0.1, with the endpoints and the
// message fields of its published reference: POST /token, PUT /register, GET /symbol/{symbol},
// GET /symbolname/future and GET /board/{symbol}. It plays a scripted day: the board of a symbol
// at a moment is the last scripted message at or before it, on the clock the test gives it.

#include <QTcpServer>
#include <array>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "record/kabu_api.h"

namespace corvala::test {

struct ScriptedQuote {
    int seconds = 0;  // the exchange's time of the message (CurrentPriceTime)
    double price = 0, volume = 0, vwap = 0, high = 0, low = 0;
    int highSeconds = 0, lowSeconds = 0;
    std::array<QuoteLevel, 10> sells{}, buys{};
};

struct ScriptedSymbol {
    std::string symbol;  // "8473@1"
    std::string name;
    double tradingUnit = 100;
    double prevClose = 0;
    bool index = false;  // no volume and no board fields
    std::vector<ScriptedQuote> quotes;  // in time order; the first holds the open
};

class KabuStandIn {
public:
    // `date` as the API writes it ("2026-12-09"); `now` the test's clock in seconds of the day.
    KabuStandIn(std::string password, std::string date, std::function<int()> now,
                std::vector<ScriptedSymbol> symbols, int maxRequests = 100'000);
    ~KabuStandIn();
    KabuStandIn(const KabuStandIn&) = delete;
    KabuStandIn& operator=(const KabuStandIn&) = delete;

    std::string Base() const;  // http://127.0.0.1:<port>/kabusapi

    // Requests that come in [from, to) are cut without an answer, as when the station is gone.
    void AddDownWindow(int from, int to) { down_.push_back({from, to}); }
    // Boards asked in [from, to) come without the price and the volume (null), as after a hiccup.
    void AddBlankWindow(int from, int to) { blank_.push_back({from, to}); }
    // At `seconds` the station restarts: the tokens issued before are refused from then on.
    void ForgetTokensAt(int seconds) { forgetAt_ = seconds; }
    // The next `n` requests are refused with 429, as beyond the station's rate.
    void ThrottleNext(int n) { throttle_ = n; }
    // Symbols another tool registered.
    void RegisterOthers(int n) {
        for (int i = 0; i < n; ++i) registered_.insert("other" + std::to_string(i) + "@1");
    }
    // The futures' nearest contract that /symbolname/future names.
    static constexpr const char* kFutureSymbol = "166120019";

    // The message a board request at `seconds` gets; null before the first.
    const ScriptedQuote* QuoteAt(const std::string& symbol, int seconds) const;
    const ScriptedSymbol* Find(const std::string& symbol) const;
    // How many requests had a path starting with `prefix` ("/kabusapi/board").
    int Requests(const std::string& prefix) const;

private:
    struct Answer {
        int status = 200;
        std::string body;
        bool cut = false;
    };
    void Serve(QTcpSocket* socket);
    Answer Route(const std::string& method, const std::string& target, const std::string& token,
                 const std::string& body);
    std::string BoardJson(const ScriptedSymbol& s, int seconds) const;
    static bool Within(const std::vector<std::pair<int, int>>& windows, int seconds);

    QTcpServer server_;
    std::string password_, date_;
    std::function<int()> now_;
    std::map<std::string, ScriptedSymbol> symbols_;
    int maxRequests_;
    std::vector<std::pair<int, int>> down_, blank_;
    int forgetAt_ = -1;
    int throttle_ = 0;
    int tokenSerial_ = 0;
    std::string token_;
    int tokenIssuedAt_ = -1;
    std::set<std::string> registered_;
    std::map<std::string, int> requests_;
    int served_ = 0;
    std::map<QTcpSocket*, QByteArray> buffers_;
};

// The error body of the API.
std::string ApiErrorJson(int code, const std::string& message);

}  // namespace corvala::test
