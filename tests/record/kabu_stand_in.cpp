#include "tests/record/kabu_stand_in.h"

#include <QTcpSocket>
#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace corvala::test {
namespace {

using Json = nlohmann::ordered_json;

std::string Reason(int status) {
    switch (status) {
        case 200: return "OK";
        case 400: return "Bad Request";
        case 401: return "Unauthorized";
        case 404: return "Not Found";
        default: return "Error";
    }
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::string ApiErrorJson(int code, const std::string& message) {
    return Json{{"Code", code}, {"Message", message}}.dump();
}

KabuStandIn::KabuStandIn(std::string password, std::string date, std::function<int()> now,
                         std::vector<ScriptedSymbol> symbols, int maxRequests)
    : password_(std::move(password)), date_(std::move(date)), now_(std::move(now)), maxRequests_(maxRequests) {
    for (ScriptedSymbol& s : symbols) symbols_[s.symbol] = std::move(s);
    server_.listen(QHostAddress(QHostAddress::LocalHost), 0);
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            socket->setParent(&server_);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { Serve(socket); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                buffers_.erase(socket);
                socket->deleteLater();
            });
        }
    });
}

KabuStandIn::~KabuStandIn() {
    // The sockets go with the server after our members: they must not call back into them.
    for (QTcpSocket* socket : server_.findChildren<QTcpSocket*>()) socket->disconnect();
    server_.close();
}

std::string KabuStandIn::Base() const {
    return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + "/kabusapi";
}

const ScriptedSymbol* KabuStandIn::Find(const std::string& symbol) const {
    const auto it = symbols_.find(symbol);
    return it == symbols_.end() ? nullptr : &it->second;
}

const ScriptedQuote* KabuStandIn::QuoteAt(const std::string& symbol, int seconds) const {
    const ScriptedSymbol* s = Find(symbol);
    if (!s) return nullptr;
    const auto it = std::upper_bound(s->quotes.begin(), s->quotes.end(), seconds,
                                     [](int t, const ScriptedQuote& q) { return t < q.seconds; });
    return it == s->quotes.begin() ? nullptr : &*(it - 1);
}

int KabuStandIn::Requests(const std::string& prefix) const {
    int n = 0;
    for (const auto& [path, count] : requests_)
        if (path.rfind(prefix, 0) == 0) n += count;
    return n;
}

bool KabuStandIn::Within(const std::vector<std::pair<int, int>>& windows, int seconds) {
    return std::any_of(windows.begin(), windows.end(), [&](const auto& w) { return seconds >= w.first && seconds < w.second; });
}

void KabuStandIn::Serve(QTcpSocket* socket) {
    QByteArray& buffer = buffers_[socket];
    buffer += socket->readAll();
    for (;;) {
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0) break;
        const std::string head = buffer.left(headEnd).toStdString();
        std::size_t length = 0;
        std::string token;
        std::size_t pos = head.find("\r\n");
        const std::string requestLine = head.substr(0, pos);
        while (pos != std::string::npos && pos < head.size()) {
            const std::size_t next = head.find("\r\n", pos + 2);
            const std::string line = head.substr(pos + 2, next == std::string::npos ? std::string::npos : next - pos - 2);
            const std::size_t colon = line.find(':');
            if (colon != std::string::npos) {
                const std::string name = Lower(line.substr(0, colon));
                std::string value = line.substr(colon + 1);
                while (!value.empty() && value.front() == ' ') value.erase(0, 1);
                if (name == "content-length") length = std::stoul(value);
                if (name == "x-api-key") token = value;
            }
            pos = next;
        }
        if (buffer.size() < headEnd + 4 + static_cast<qsizetype>(length)) break;
        const std::string body = buffer.mid(headEnd + 4, static_cast<qsizetype>(length)).toStdString();
        buffer.remove(0, headEnd + 4 + static_cast<qsizetype>(length));

        const std::size_t sp1 = requestLine.find(' '), sp2 = requestLine.find(' ', sp1 + 1);
        const std::string method = requestLine.substr(0, sp1), target = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
        if (++served_ > maxRequests_) {  // a test never asks this much: stop serving
            server_.close();
            socket->abort();
            return;
        }
        ++requests_[target.substr(0, target.find('?'))];
        const Answer a = Route(method, target, token, body);
        if (a.cut) {
            buffers_.erase(socket);
            socket->abort();
            return;
        }
        const std::string reply = "HTTP/1.1 " + std::to_string(a.status) + " " + Reason(a.status) +
                                  "\r\nContent-Type: application/json; charset=utf-8\r\nServer: Microsoft-HTTPAPI/2.0\r\n"
                                  "Content-Length: " + std::to_string(a.body.size()) + "\r\n\r\n" + a.body;
        socket->write(reply.data(), static_cast<qint64>(reply.size()));
    }
}

KabuStandIn::Answer KabuStandIn::Route(const std::string& method, const std::string& target, const std::string& token,
                                       const std::string& body) {
    const int now = now_();
    if (Within(down_, now)) return {0, {}, true};
    if (throttle_ > 0) {
        --throttle_;
        return {429, ApiErrorJson(4001006, "API実行回数エラー")};
    }
    if (forgetAt_ >= 0 && now >= forgetAt_ && tokenIssuedAt_ < forgetAt_) {
        token_.clear();  // the station restarted: its registrations go too
        registered_.clear();
    }
    const std::string root = "/kabusapi";
    if (target.rfind(root, 0) != 0) return {404, ApiErrorJson(4001001, "URL不正")};
    const std::string path = target.substr(root.size());
    if (path == "/token" && method == "POST") {
        const Json b = Json::parse(body, nullptr, false);
        if (!b.is_object() || !b.contains("APIPassword") || b["APIPassword"] != password_)
            return {401, ApiErrorJson(4001013, "トークン取得失敗")};
        token_ = "stand-in-token-" + std::to_string(++tokenSerial_);
        tokenIssuedAt_ = now;
        return {200, Json{{"ResultCode", 0}, {"Token", token_}}.dump()};
    }
    if (token_.empty() || token != token_) return {401, ApiErrorJson(4001009, "APIキー不一致")};
    const auto known = [&](const std::string& symbol) { return symbols_.count(symbol) || symbol == std::string(kFutureSymbol) + "@23"; };
    if (path == "/register" && method == "PUT") {
        const Json b = Json::parse(body, nullptr, false);
        std::set<std::string> next = registered_;
        if (b.is_object() && b.contains("Symbols"))
            for (const auto& s : b["Symbols"]) {
                const std::string symbol = s.value("Symbol", "") + "@" + std::to_string(s.value("Exchange", 0));
                if (!known(symbol)) return {400, ApiErrorJson(4001018, "銘柄が登録できませんでした")};
                next.insert(symbol);
            }
        if (next.size() > 50) return {400, ApiErrorJson(4002006, "レジスト数エラー")};
        registered_ = next;
        Json list = Json::array();
        for (const std::string& s : registered_) {
            const std::size_t at = s.find('@');
            list.push_back({{"Symbol", s.substr(0, at)}, {"Exchange", std::stoi(s.substr(at + 1))}});
        }
        return {200, Json{{"RegistList", list}}.dump()};
    }
    if (path.rfind("/symbolname/future", 0) == 0 && method == "GET")
        return {200, Json{{"Symbol", kFutureSymbol}, {"SymbolName", "日経平均先物 26/12"}}.dump()};
    for (const char* prefix : {"/symbol/", "/board/"}) {
        if (path.rfind(prefix, 0) != 0 || method != "GET") continue;
        std::string symbol = path.substr(std::string(prefix).size());
        symbol = symbol.substr(0, symbol.find('?'));
        const ScriptedSymbol* s = Find(symbol);
        if (!s) return {400, ApiErrorJson(4002001, "銘柄が見つからない")};
        if (std::string(prefix) == "/symbol/")
            return {200, Json{{"Symbol", symbol.substr(0, symbol.find('@'))}, {"SymbolName", s->name},
                              {"TradingUnit", s->tradingUnit}, {"PriceRangeGroup", "10000"},
                              {"UpperLimit", s->prevClose * 1.2}, {"LowerLimit", s->prevClose * 0.8}}.dump()};
        // A board asked for registers its symbol, within the limit.
        if (!registered_.count(symbol) && registered_.size() >= 50) return {400, ApiErrorJson(4002006, "レジスト数エラー")};
        registered_.insert(symbol);
        return {200, BoardJson(*s, now)};
    }
    return {404, ApiErrorJson(4001001, "URL不正")};
}

std::string KabuStandIn::BoardJson(const ScriptedSymbol& s, int seconds) const {
    const auto time = [&](int t) {
        char out[48];
        std::snprintf(out, sizeof out, "%sT%02d:%02d:%02d+09:00", date_.c_str(), t / 3600, t / 60 % 60, t % 60);
        return std::string(out);
    };
    const ScriptedQuote* q = QuoteAt(s.symbol, seconds);
    // Before the first trade the station shows the pre-open quotes and no price of the day.
    const ScriptedQuote& shown = q ? *q : s.quotes.front();
    const std::size_t at = s.symbol.find('@');
    Json b;
    b["Symbol"] = s.symbol.substr(0, at);
    b["SymbolName"] = s.name;
    b["Exchange"] = std::stoi(s.symbol.substr(at + 1));
    b["ExchangeName"] = s.index ? "" : "東証プ";
    b["CurrentPrice"] = q ? Json(q->price) : Json(nullptr);
    b["CurrentPriceTime"] = q ? Json(time(q->seconds)) : Json(nullptr);
    b["CurrentPriceChangeStatus"] = "0000";
    b["CurrentPriceStatus"] = 1;
    b["CalcPrice"] = q ? q->price : s.prevClose;
    b["PreviousClose"] = s.prevClose;
    b["PreviousCloseTime"] = date_ + "T00:00:00+09:00";
    b["ChangePreviousClose"] = q ? Json(q->price - s.prevClose) : Json(nullptr);
    b["ChangePreviousClosePer"] = q ? Json((q->price - s.prevClose) / s.prevClose * 100) : Json(nullptr);
    b["OpeningPrice"] = q ? Json(s.quotes.front().price) : Json(nullptr);
    b["OpeningPriceTime"] = q ? Json(time(s.quotes.front().seconds)) : Json(nullptr);
    b["HighPrice"] = q ? Json(q->high) : Json(nullptr);
    b["HighPriceTime"] = q ? Json(time(q->highSeconds)) : Json(nullptr);
    b["LowPrice"] = q ? Json(q->low) : Json(nullptr);
    b["LowPriceTime"] = q ? Json(time(q->lowSeconds)) : Json(nullptr);
    if (!s.index) {
        b["TradingVolume"] = q ? q->volume : 0.0;
        b["TradingVolumeTime"] = q ? Json(time(q->seconds)) : Json(nullptr);
        b["VWAP"] = q ? q->vwap : 0.0;
        b["TradingValue"] = q ? q->vwap * q->volume : 0.0;
        // The station's "Bid" is the best sell quote and its "Ask" the best buy quote.
        b["BidQty"] = shown.sells[0].qty;
        b["BidPrice"] = shown.sells[0].price;
        b["BidTime"] = time(shown.seconds);
        b["BidSign"] = q ? "0101" : "0107";
        b["MarketOrderSellQty"] = 0.0;
        for (int side = 0; side < 2; ++side) {
            const auto& levels = side == 0 ? shown.sells : shown.buys;
            for (std::size_t i = 0; i < 10; ++i) {
                Json level;
                if (i == 0) level["Time"] = time(shown.seconds), level["Sign"] = q ? "0101" : "0107";
                level["Price"] = levels[i].price;
                level["Qty"] = levels[i].qty;
                b[(side == 0 ? "Sell" : "Buy") + std::to_string(i + 1)] = level;
            }
            if (side == 0) {
                b["AskQty"] = shown.buys[0].qty;
                b["AskPrice"] = shown.buys[0].price;
                b["AskTime"] = time(shown.seconds);
                b["AskSign"] = q ? "0101" : "0107";
                b["MarketOrderBuyQty"] = 0.0;
            }
        }
        b["OverSellQty"] = 100000.0;
        b["UnderBuyQty"] = 90000.0;
        b["TotalMarketValue"] = 1.0e12;
    }
    b["SecurityType"] = s.index ? 0 : (s.symbol.find("@23") != std::string::npos ? 101 : 1);
    if (Within(blank_, seconds)) b["CurrentPrice"] = b["CurrentPriceTime"] = b["TradingVolume"] = nullptr;
    return b.dump();
}

}  // namespace corvala::test
