#pragma once
// The broker trading station's local REST API as the recorder uses it: a token from the API
// password, the symbols registered, a stock's trading unit, the nearest futures contract and the
// board of a symbol. Each call sends one request through the HttpClient port and hands back a
// parsed answer or a classified failure.

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ports.h"

namespace corvala {

// A symbol as the API names it: "8473" on market 1 (東証), "101" (日経平均) on 1, a futures
// contract on 23 (日中).
struct ApiSymbol {
    std::string code;
    int exchange = 1;
    std::string Path() const { return code + "@" + std::to_string(exchange); }
};

enum class ApiFailure {
    None,
    NoConnection,   // no answer: the station is not running, or the line was cut
    TokenRefused,   // 401: the password (on /token) or the token (elsewhere) was refused
    LoggedOut,      // 4001007: the station runs but nobody is logged in to it
    UnknownSymbol,  // 4002001
    TooManySymbols, // 4002006: beyond the station's limit of registered symbols
    Throttled,      // 429 or 4001006: too many requests a second
    Other,
};

struct ApiError {
    ApiFailure failure = ApiFailure::None;
    int httpStatus = 0;
    int code = 0;              // the API's own error code, when it gave one
    std::string message;       // the API's message, or the network layer's words
    bool ok() const { return failure == ApiFailure::None; }
};

// Classifies an answer: a 2xx is None; otherwise the error body {"Code","Message"} decides.
ApiError ClassifyReply(const HttpClient::Reply& reply);

struct QuoteLevel {
    double price = 0, qty = 0;
};

// One board message (REST /board or a PUSH message; they have the same fields). Times are of
// the exchange (+09:00), split into the date (YYMMDD) and seconds since midnight; -1 when absent.
// The API names the best sell quote "Bid" and the best buy quote "Ask"; here they are sells and
// buys, best first.
struct BoardQuote {
    double price = 0;
    std::string priceDate;
    int priceSeconds = -1;
    double volume = 0;
    bool hasVolume = false;
    double vwap = 0, open = 0, prevClose = 0, high = 0, low = 0, change = 0;
    int highSeconds = -1, lowSeconds = -1;
    std::array<QuoteLevel, 10> sells{}, buys{};
};

// Parses a board message; false when the text is not a JSON object.
bool ParseBoardMessage(std::string_view json, BoardQuote& out);
// What makes a board no market's: a negative figure, or (`continuous`: while the stock trades
// continuously, when orders that meet trade at once) an ask below the bid. In an auction (before
// the open, 特別気配, the close) the orders waiting may cross. Empty when none.
std::string BoardProblem(const BoardQuote& q, bool continuous);

// "2022-04-04T15:00:00+09:00" read on Japan's clock: the date YYMMDD and seconds since midnight;
// false when it is not such a time.
bool ParseApiTime(std::string_view text, std::string& date, int& seconds);

// The host of an API root ("http://host:port/…"), and whether it is this computer (localhost, a
// 127.x.x.x address or ::1): elsewhere the password crosses the network in clear.
std::string ApiHost(std::string_view url);
bool LocalApi(std::string_view url);

// The calls. `base` is the API's root ("http://localhost:18080/kabusapi").
class KabuApi {
public:
    KabuApi(HttpClient& http, std::string base) : http_(http), base_(std::move(base)) {}

    void SetToken(std::string token) { token_ = std::move(token); }
    const std::string& token() const { return token_; }

    // POST /token; on success the token is kept for the calls that follow.
    void RequestToken(const std::string& password, std::function<void(ApiError)> done);
    // PUT /register with every symbol.
    void Register(const std::vector<ApiSymbol>& symbols, std::function<void(ApiError)> done);
    // GET /symbol/{symbol}: the trading unit (shares per lot).
    void TradingUnit(const ApiSymbol& symbol, std::function<void(ApiError, int unit)> done);
    // GET /symbolname/future: the code of the nearest contract of `futureCode` (NK225, …).
    void NearestFuture(const std::string& futureCode, std::function<void(ApiError, std::string code)> done);
    // GET /board/{symbol}.
    void Board(const ApiSymbol& symbol, std::function<void(ApiError, BoardQuote)> done);

private:
    void Send(const std::string& method, const std::string& path, std::string body,
              std::function<void(ApiError, const std::string& body)> done);
    HttpClient& http_;
    std::string base_;
    std::string token_;
};

}  // namespace corvala
