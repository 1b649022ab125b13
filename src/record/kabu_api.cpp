#include "record/kabu_api.h"

#include <cctype>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace corvala {
namespace {

using Json = nlohmann::json;

// The number under `key`, or 0 when it is missing or null (the API leaves what it lacks null).
double Number(const Json& object, const char* key) {
    const auto it = object.find(key);
    return it != object.end() && it->is_number() ? it->get<double>() : 0.0;
}

std::string Text(const Json& object, const char* key) {
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

int Seconds(const Json& object, const char* key) {
    std::string date;
    int seconds = -1;
    return ParseApiTime(Text(object, key), date, seconds) ? seconds : -1;
}

int Digits(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) return -1;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

std::string ApiHost(std::string_view url) {
    if (const auto scheme = url.find("://"); scheme != std::string_view::npos) url.remove_prefix(scheme + 3);
    url = url.substr(0, url.find_first_of("/?#"));
    if (const auto at = url.rfind('@'); at != std::string_view::npos) url.remove_prefix(at + 1);
    if (!url.empty() && url.front() == '[') return std::string(url.substr(1, url.find(']') - 1));  // [::1]:port
    return std::string(url.substr(0, url.find(':')));
}

bool LocalApi(std::string_view url) {
    std::string host = ApiHost(url);
    for (char& c : host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

bool ParseApiTime(std::string_view t, std::string& date, int& seconds) {
    // yyyy-mm-ddThh:mm:ss, then optional fractions, then Z, ±hh:mm or nothing (Japan's clock).
    const int y = Digits(t, 0, 4), mo = Digits(t, 5, 2), d = Digits(t, 8, 2);
    const int h = Digits(t, 11, 2), mi = Digits(t, 14, 2), s = Digits(t, 17, 2);
    if (y < 0 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 60 ||
        t[4] != '-' || t[7] != '-' || (t[10] != 'T' && t[10] != ' ') || t[13] != ':' || t[16] != ':')
        return false;
    std::size_t at = 19;
    if (at < t.size() && t[at] == '.') {
        ++at;
        while (at < t.size() && t[at] >= '0' && t[at] <= '9') ++at;
    }
    int offsetMinutes = 9 * 60;
    if (at < t.size()) {
        if (t[at] == 'Z' && at + 1 == t.size()) {
            offsetMinutes = 0;
        } else if ((t[at] == '+' || t[at] == '-') && at + 6 == t.size() && t[at + 3] == ':') {
            const int oh = Digits(t, at + 1, 2), om = Digits(t, at + 4, 2);
            if (oh < 0 || om < 0) return false;
            offsetMinutes = (t[at] == '-' ? -1 : 1) * (oh * 60 + om);
        } else {
            return false;
        }
    }
    Ymd day{y, mo, d};
    int sec = h * 3600 + mi * 60 + s + (9 * 60 - offsetMinutes) * 60;
    while (sec < 0) sec += 86400, day = AddDays(day, -1);
    while (sec >= 86400) sec -= 86400, day = AddDays(day, 1);
    date = FormatYymmdd(day);
    seconds = sec;
    return true;
}

ApiError ClassifyReply(const HttpClient::Reply& reply) {
    ApiError e;
    e.httpStatus = reply.status;
    if (reply.status >= 200 && reply.status < 300) return e;
    if (reply.status == 0) {
        // An answer too large came from a station that is there: a bad answer, not a lost line.
        e.failure = reply.tooLarge ? ApiFailure::Other : ApiFailure::NoConnection;
        e.message = reply.error;
        return e;
    }
    const Json body = Json::parse(reply.body, nullptr, false);
    if (body.is_object()) {
        e.code = static_cast<int>(Number(body, "Code"));
        e.message = Text(body, "Message");
    }
    if (e.message.empty()) e.message = "HTTP " + std::to_string(reply.status);
    if (e.code == 4002001)
        e.failure = ApiFailure::UnknownSymbol;
    else if (e.code == 4002006)
        e.failure = ApiFailure::TooManySymbols;
    else if (e.code == 4001007)
        e.failure = ApiFailure::LoggedOut;
    else if (reply.status == 429 || e.code == 4001006)
        e.failure = ApiFailure::Throttled;
    else if (reply.status == 401)
        e.failure = ApiFailure::TokenRefused;
    else
        e.failure = ApiFailure::Other;
    return e;
}

std::string BoardProblem(const BoardQuote& q, bool continuous) {
    bool negative = q.price < 0 || q.volume < 0 || q.vwap < 0 || q.open < 0 || q.high < 0 || q.low < 0;
    for (const auto* side : {&q.sells, &q.buys})
        for (const QuoteLevel& l : *side) negative = negative || l.price < 0 || l.qty < 0;
    if (negative) return "板情報に負の値があります";
    if (continuous && q.sells[0].price > 0 && q.buys[0].price > 0 && q.sells[0].price < q.buys[0].price)
        return "売り気配が買い気配より安い板です";
    return {};
}

bool ParseBoardMessage(std::string_view json, BoardQuote& q) {
    const Json b = Json::parse(json, nullptr, false);
    if (!b.is_object()) return false;
    q = BoardQuote{};
    q.price = Number(b, "CurrentPrice");
    if (!ParseApiTime(Text(b, "CurrentPriceTime"), q.priceDate, q.priceSeconds)) q.priceSeconds = -1;
    const auto volume = b.find("TradingVolume");
    q.hasVolume = volume != b.end() && volume->is_number();
    q.volume = Number(b, "TradingVolume");
    q.vwap = Number(b, "VWAP");
    q.open = Number(b, "OpeningPrice");
    q.prevClose = Number(b, "PreviousClose");
    q.high = Number(b, "HighPrice");
    q.low = Number(b, "LowPrice");
    q.change = Number(b, "ChangePreviousClose");
    q.highSeconds = Seconds(b, "HighPriceTime");
    q.lowSeconds = Seconds(b, "LowPriceTime");
    for (std::size_t i = 0; i < 10; ++i) {
        const std::string n = std::to_string(i + 1);
        for (auto [key, level] : {std::pair{"Sell" + n, &q.sells[i]}, std::pair{"Buy" + n, &q.buys[i]}}) {
            const auto it = b.find(key);
            if (it == b.end() || !it->is_object()) continue;
            level->price = Number(*it, "Price");
            level->qty = Number(*it, "Qty");
        }
    }
    return true;
}

void KabuApi::Send(const std::string& method, const std::string& path, std::string body,
                   std::function<void(ApiError, const std::string&)> done) {
    HttpClient::Request r;
    r.method = method;
    r.url = base_ + path;
    r.body = std::move(body);
    // A board is wanted within its step; the calls before the first row may take a while (a symbol
    // registered first).
    r.timeoutMs = path.rfind("/board/", 0) == 0 ? 4000 : 15000;
    if (!token_.empty() && path != "/token") r.headers.emplace_back("X-API-KEY", token_);
    http_.Send(r, [done = std::move(done)](HttpClient::Reply reply) { done(ClassifyReply(reply), reply.body); });
}

void KabuApi::RequestToken(const std::string& password, std::function<void(ApiError)> done) {
    Send("POST", "/token", Json{{"APIPassword", password}}.dump(),
         [this, done = std::move(done)](ApiError e, const std::string& body) {
             if (e.ok()) {
                 const Json b = Json::parse(body, nullptr, false);
                 const std::string token = b.is_object() ? Text(b, "Token") : std::string();
                 if (token.empty() || Number(b, "ResultCode") != 0) {
                     e.failure = ApiFailure::Other;
                     e.message = "トークンが返されませんでした";
                 } else {
                     token_ = token;
                 }
             }
             done(e);
         });
}

void KabuApi::Register(const std::vector<ApiSymbol>& symbols, std::function<void(ApiError)> done) {
    Json list = Json::array();
    for (const ApiSymbol& s : symbols) list.push_back({{"Symbol", s.code}, {"Exchange", s.exchange}});
    Send("PUT", "/register", Json{{"Symbols", list}}.dump(),
         [done = std::move(done)](ApiError e, const std::string&) { done(e); });
}

void KabuApi::TradingUnit(const ApiSymbol& symbol, std::function<void(ApiError, int)> done) {
    Send("GET", "/symbol/" + symbol.Path() + "?addinfo=false", {},
         [done = std::move(done)](ApiError e, const std::string& body) {
             int unit = 0;
             if (e.ok()) {
                 const Json b = Json::parse(body, nullptr, false);
                 unit = b.is_object() ? static_cast<int>(Number(b, "TradingUnit")) : 0;
             }
             done(e, unit);
         });
}

void KabuApi::NearestFuture(const std::string& futureCode, std::function<void(ApiError, std::string)> done) {
    Send("GET", "/symbolname/future?FutureCode=" + futureCode + "&DerivMonth=0", {},
         [done = std::move(done)](ApiError e, const std::string& body) {
             std::string code;
             if (e.ok()) {
                 const Json b = Json::parse(body, nullptr, false);
                 if (b.is_object()) code = Text(b, "Symbol");
                 if (code.empty()) {
                     e.failure = ApiFailure::UnknownSymbol;
                     e.message = "先物の限月が返されませんでした";
                 }
             }
             done(e, code);
         });
}

void KabuApi::Board(const ApiSymbol& symbol, std::function<void(ApiError, BoardQuote)> done) {
    Send("GET", "/board/" + symbol.Path(), {}, [done = std::move(done)](ApiError e, const std::string& body) {
        BoardQuote q;
        if (e.ok() && !ParseBoardMessage(body, q)) {
            e.failure = ApiFailure::Other;
            e.message = "板情報を読めませんでした";
        } else if (const std::string problem = e.ok() ? BoardProblem(q, false) : ""; !problem.empty()) {
            e.failure = ApiFailure::Other;  // a bad answer: the row before stands
            e.message = problem;
        }
        done(e, q);
    });
}

}  // namespace corvala
