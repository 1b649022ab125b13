#include "replay/session_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "account/history.h"
#include "data/series_table.h"
#include "platform/files.h"
#include "replay/display_model.h"
#include "replay/session_ops.h"

namespace corvala {
namespace {

using json = nlohmann::ordered_json;

// ASCII only: every other character is written as \uXXXX; bytes that are no UTF-8 (a folder
// name from elsewhere) become U+FFFD, and such a folder is then not found when played.
std::string Dump(const json& j) { return j.dump(-1, ' ', true, json::error_handler_t::replace) + "\n"; }

json Stamp(const std::string& at, int step) { return json{{"at", at}, {"step", step}}; }

// By PlaybackIndex; the two back buttons have no caption in a script and are named by their tips.
constexpr std::array<const char*, 8> kCaptions = {"||", "■", "≪", "1分前", "5秒前", "→", ">", "≫"};

std::string ArgText(const json& v) {
    if (v.is_string()) return v.get<std::string>();
    if (v.is_boolean()) return v.get<bool>() ? "true" : "false";
    if (v.is_number_integer()) return std::to_string(v.get<long long>());
    if (v.is_number()) return v.dump();
    return {};
}

json ArgJson(const std::string& text) {
    if (text == "true" || text == "false") return text == "true";
    return text;
}

std::optional<SessionWallClock> ParseWallClock(const std::string& text) {
    // "YYYY/MM/DD hh:nn:ss"
    if (text.size() != 19 || text[4] != '/' || text[7] != '/' || text[10] != ' ') return std::nullopt;
    const std::string digits = text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2);
    if (!IsAllDigits(digits)) return std::nullopt;
    const auto seconds = ParseTimeOfDay(text.substr(11));
    if (!seconds) return std::nullopt;
    return SessionWallClock{{std::stoi(digits.substr(0, 4)), std::stoi(digits.substr(4, 2)), std::stoi(digits.substr(6, 2))},
                            *seconds};
}

json StartJson(const SessionStart& s) {
    json start{{"dataFolder", s.dataFolder},
               {"date", s.date},
               {"code", s.code},
               {"series", s.series},
               {"name", s.name},
               {"barLength", s.barLength},
               {"startBar", s.startBar},
               {"startTime", s.startTime},
               {"midSessionStart", s.midSessionStart},
               {"seed", std::to_string(s.seed)},
               {"investment", s.investment},
               {"profitTotal", s.profitTotal},
               {"lossTotal", s.lossTotal},
               {"cashOnly", s.cashOnly},
               {"boardOption", s.boardOption},
               {"hideBoardAndTape", s.hideBoardAndTape},
               {"fillSound", s.fillSound},
               {"tradeMarker", s.tradeMarker},
               {"clickedPrice", s.clickedPrice.yen()}};
    if (!s.givenTape.empty()) start["tape"] = s.givenTape;
    if (!s.alerts.empty()) start["alerts"] = s.alerts;
    return start;
}

json FilesJson(const SessionStart& s) {
    json files = json::array();
    for (const SessionDataFile& f : s.files) files.push_back({{"name", f.name}, {"size", f.size}, {"fnv1a64", f.fnv1a64}});
    return files;
}

json OutcomeJson(const SessionOutcome& o) {
    json fills = json::array();
    for (const SessionFill& f : o.fills)
        fills.push_back({{"at", f.at}, {"closing", f.closing}, {"side", f.side}, {"qty", f.quantity}, {"price", f.price}, {"order", f.order}});
    const SessionAccount& a = o.account;
    return json{{"fills", fills},
                {"account", {{"investment", a.investment}, {"profitTotal", a.profitTotal}, {"lossTotal", a.lossTotal},
                             // written as the numbers with a point they always were
                             {"buyingPower", static_cast<double>(a.buyingPower)}, {"runPnl", static_cast<double>(a.runPnl)},
                             {"cashOnly", a.cashOnly}}}};
}

// A figure of the account as a file holds it, in whole yen (one beyond any account is none).
Yen WholeYen(double v) { return std::fabs(v) < 1e18 ? static_cast<Yen>(std::llround(v)) : 0; }

std::optional<SessionOutcome> ReadOutcome(const json& j) {
    if (!j.is_object() || !j.contains("fills") || !j["fills"].is_array() || !j.contains("account") ||
        !j["account"].is_object())
        return std::nullopt;
    const auto number = [](const json& o, const char* key) { return o.contains(key) && o[key].is_number(); };
    SessionOutcome out;
    for (const json& f : j["fills"]) {
        if (!f.is_object() || !f.contains("at") || !f["at"].is_string() || !f.contains("closing") ||
            !f["closing"].is_boolean() || !number(f, "side") || !number(f, "qty") || !number(f, "price") || !number(f, "order"))
            return std::nullopt;
        out.fills.push_back({f["at"].get<std::string>(), f["closing"].get<bool>(), f["side"].get<double>(),
                             f["qty"].get<double>(), f["price"].get<double>(), f["order"].get<double>()});
    }
    const json& a = j["account"];
    for (const char* key : {"investment", "profitTotal", "lossTotal"})
        if (!a.contains(key) || !a[key].is_number_integer()) return std::nullopt;
    if (!number(a, "buyingPower") || !number(a, "runPnl") || !a.contains("cashOnly") || !a["cashOnly"].is_boolean())
        return std::nullopt;
    out.account = {a["investment"].get<std::int64_t>(), a["profitTotal"].get<std::int64_t>(), a["lossTotal"].get<std::int64_t>(),
                   WholeYen(a["buyingPower"].get<double>()), WholeYen(a["runPnl"].get<double>()), a["cashOnly"].get<bool>()};
    return out;
}

bool ReadStart(const json& j, SessionStart& s, std::string& why) {
    const json* start = j.contains("start") && j["start"].is_object() ? &j["start"] : nullptr;
    if (!start || !j.contains("files") || !j["files"].is_array()) {
        why = "開始時の設定がありません。";
        return false;
    }
    const json& st = *start;
    const auto text = [&](const char* key, std::string& out) {
        if (st.contains(key) && st[key].is_string()) out = st[key].get<std::string>();
        else why = std::string("\"") + key + "\" がありません。";
    };
    const auto number = [&](const char* key, auto& out) {
        if (st.contains(key) && st[key].is_number_integer()) out = st[key].get<std::remove_reference_t<decltype(out)>>();
        else why = std::string("\"") + key + "\" がありません。";
    };
    const auto flag = [&](const char* key, bool& out) {
        if (st.contains(key) && st[key].is_boolean()) out = st[key].get<bool>();
        else why = std::string("\"") + key + "\" がありません。";
    };
    text("dataFolder", s.dataFolder);
    text("date", s.date);
    text("code", s.code);
    text("series", s.series);
    number("barLength", s.barLength);
    number("startBar", s.startBar);
    text("startTime", s.startTime);
    flag("midSessionStart", s.midSessionStart);
    std::string seed;
    text("seed", seed);  // as text: a JSON number loses the low bits of a 64-bit seed elsewhere
    number("investment", s.investment);
    number("profitTotal", s.profitTotal);
    number("lossTotal", s.lossTotal);
    flag("cashOnly", s.cashOnly);
    flag("boardOption", s.boardOption);
    flag("hideBoardAndTape", s.hideBoardAndTape);
    flag("fillSound", s.fillSound);
    flag("tradeMarker", s.tradeMarker);
    if (st.contains("name") && st["name"].is_string()) s.name = st["name"].get<std::string>();
    if (st.contains("clickedPrice") && st["clickedPrice"].is_number()) s.clickedPrice = Price::Nearest(st["clickedPrice"].get<double>());
    if (st.contains("alerts") && st["alerts"].is_array())
        for (const json& a : st["alerts"])
            if (a.is_number() && a.get<double>() > 0 && s.alerts.size() < 10) s.alerts.push_back(a.get<double>());
    if (!why.empty()) return false;
    if (s.startBar < 0 || s.startBar > 400 || !ParseTimeOfDay(s.startTime)) {
        why = "開始の位置が正しくありません。";
        return false;
    }
    if (seed.empty() || seed.size() > 20 || !IsAllDigits(seed)) {
        why = "\"seed\" が数字ではありません。";
        return false;
    }
    s.seed = std::strtoull(seed.c_str(), nullptr, 10);
    if (st.contains("tape")) {
        if (!st["tape"].is_array()) {
            why = "\"tape\" が一覧ではありません。";
            return false;
        }
        for (const json& line : st["tape"]) s.givenTape.push_back(ArgText(line));
    }
    for (const json& f : j["files"]) {
        if (!f.is_object() || !f.contains("name") || !f["name"].is_string() || !f.contains("size") ||
            !f["size"].is_number_unsigned() || !f.contains("fnv1a64") || !f["fnv1a64"].is_string()) {
            why = "データファイルの記録が読めません。";
            return false;
        }
        const std::string name = f["name"].get<std::string>();
        // Only files under the data folder: a name climbing out of it is not one this program wrote.
        if (name.empty() || name.front() == '/' || name.find("..") != std::string::npos) {
            why = "データファイルの名前が正しくありません。";
            return false;
        }
        s.files.push_back({name, f["size"].get<std::uint64_t>(), f["fnv1a64"].get<std::string>()});
    }
    return true;
}

bool ReadLine(const json& j, SessionFile& out, int lineNo, std::string& why) {
    if (j.contains("answer")) {
        if (j["answer"] != "はい" && j["answer"] != "いいえ") {
            why = "\"answer\" は はい か いいえ です。";
            return false;
        }
        out.answers.push_back(j["answer"] == "はい");
        return true;
    }
    if (j.contains("clock")) {
        const auto clock = j["clock"].is_string() ? ParseWallClock(j["clock"].get<std::string>()) : std::nullopt;
        if (!clock) {
            why = "\"clock\" は YYYY/MM/DD hh:nn:ss です。";
            return false;
        }
        out.clockReadings.push_back(*clock);
        return true;
    }
    if (j.contains("boardClick")) {
        if (!j["boardClick"].is_boolean()) {
            why = "\"boardClick\" は true か false です。";
            return false;
        }
        out.boardClicks.push_back(j["boardClick"].get<bool>());
        return true;
    }
    if (j.contains("end")) {
        out.end = ArgText(j["end"]);
        out.endStep = j.contains("step") && j["step"].is_number_integer() ? j["step"].get<int>() : -1;
        out.endKept = j.contains("kept") && j["kept"] == true;
        if (out.version >= 2) {
            out.outcome = j.contains("outcome") ? ReadOutcome(j["outcome"]) : std::nullopt;
            if (!out.outcome) {
                why = "終わりの行に実行結果(\"outcome\")がありません。";
                return false;
            }
        }
        return true;
    }
    SessionAction a;
    a.line = lineNo;
    if (!j.contains("step") || !j["step"].is_number_integer() || j["step"].get<long long>() < 0 ||
        j["step"].get<long long>() > 100'000'000) {
        why = "\"step\" がありません。";
        return false;
    }
    a.step = j["step"].get<int>();
    if (!out.actions.empty() && a.step < out.actions.back().step) {
        why = "\"step\" が前の行より小さくなっています。";
        return false;
    }
    a.at = j.contains("at") ? ArgText(j["at"]) : "";
    if (j.contains("press")) {
        const int index = PlaybackButtonOf(ArgText(j["press"]));
        if (index < 0) {
            why = "\"press\" のボタンがわかりません。";
            return false;
        }
        a.op = SessionOpName(SessionOp::PressPlayback);
        a.args = {std::to_string(index)};
    } else if (j.contains("speed")) {
        if (!j["speed"].is_number_integer() || j["speed"].get<int>() < 1 || j["speed"].get<int>() > 30) {
            why = "\"speed\" は 1 から 30 です。";
            return false;
        }
        a.op = SessionOpName(SessionOp::SetSpeedScroll);
        a.args = {std::to_string(31 - j["speed"].get<int>())};
    } else if (j.contains("lowSpeed")) {
        if (!j["lowSpeed"].is_boolean()) {
            why = "\"lowSpeed\" は true か false です。";
            return false;
        }
        a.op = SessionOpName(SessionOp::SetLowSpeed);
        a.args = {ArgText(j["lowSpeed"])};
    } else if (j.contains("op") && j["op"].is_string()) {
        a.op = j["op"].get<std::string>();
        if (j.contains("args")) {
            if (!j["args"].is_array()) {
                why = "\"args\" が一覧ではありません。";
                return false;
            }
            for (const json& v : j["args"]) a.args.push_back(ArgText(v));
        }
    } else {
        why = "操作がわかりません。";
        return false;
    }
    out.actions.push_back(std::move(a));
    return true;
}

}  // namespace

int PlaybackButtonOf(const std::string& caption) {
    if (caption == "＞") return kPlayPause;  // the play button's other caption
    for (std::size_t i = 0; i < kCaptions.size(); ++i)
        if (caption == kCaptions[i]) return static_cast<int>(i);
    return -1;
}

std::string PlaybackCaptionOf(int index) {
    return index >= 0 && index < static_cast<int>(kCaptions.size()) ? kCaptions[static_cast<std::size_t>(index)] : "";
}

std::string Fnv1a64(std::string_view bytes) {
    std::uint64_t h = 14695981039346656037ull;
    for (const unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

std::optional<SessionDataFile> DescribeDataFile(const std::string& dataFolder, const std::string& name) {
    const auto bytes = ReadWholeFile(JoinPath(dataFolder, name));
    if (!bytes) return std::nullopt;
    return SessionDataFile{name, bytes->size(), Fnv1a64(*bytes)};
}

std::string CheckSessionData(const SessionStart& start) {
    if (!DirExists(start.dataFolder)) return "記録したときのデータフォルダ " + start.dataFolder + " がありません。";
    for (const SessionDataFile& f : start.files) {
        const auto now = DescribeDataFile(start.dataFolder, f.name);
        if (!now) return "記録したときのデータファイル " + f.name + " がありません。";
        if (now->size != f.size || now->fnv1a64 != f.fnv1a64)
            return "データファイル " + f.name + " が記録したときから変わっています。同じ再生にならないため、このセッションは再生できません。";
    }
    return {};
}

std::string CheckSessionHeader(const SessionStart& s) {
    const std::string series = SeriesCodeFor(s.series);
    const auto named = [&](const std::string& day, const std::string& file) {
        return std::any_of(s.files.begin(), s.files.end(), [&](const SessionDataFile& f) { return f.name == day + "/" + file + ".csv"; });
    };
    std::string earlier;
    bool agrees = !series.empty() && named(s.date, s.code) && named(s.date, series);
    for (const SessionDataFile& f : s.files) {
        const std::string day = f.name.substr(0, f.name.find('/'));
        const std::string file = f.name.substr(std::min(f.name.size(), day.size() + 1));
        if (day != s.date && earlier.empty()) earlier = day;
        agrees = agrees && (day == s.date || (day == earlier && day < s.date)) &&
                 (file == s.code + ".csv" || file == series + ".csv");
    }
    if (agrees && s.files.size() <= 4) return {};
    return "セッションファイルの開始の記録(" + s.date + "・" + s.code + "・" + s.series +
           ")と、記録したデータファイルが合いません。このセッションは再生できません。";
}

std::string SessionHeaderFingerprint(const SessionStart& s) {
    json start = StartJson(s);
    start.erase("dataFolder");  // where the files are, not what they are: a folder may move
    return Fnv1a64(Dump(json{{"start", start}, {"files", FilesJson(s)}}));
}

std::string SessionHeaderLine(const SessionStart& s) {
    return Dump(json{{"session", kSessionVersion},
                     {"start", StartJson(s)},
                     {"files", FilesJson(s)},
                     {"fingerprint", SessionHeaderFingerprint(s)}});
}

std::string SessionActionLine(const SessionAction& a) {
    json j = Stamp(a.at, a.step);
    // The script's short lines where they say exactly the same.
    const bool oneArg = a.args.size() == 1;
    const int number = oneArg ? std::atoi(a.args[0].c_str()) : -1;
    const bool whole = oneArg && a.args[0] == std::to_string(number);
    const std::optional<SessionOp> op = SessionOpFromName(a.op);
    if (op == SessionOp::PressPlayback && whole && !PlaybackCaptionOf(number).empty()) {
        j["press"] = PlaybackCaptionOf(number);
    } else if (op == SessionOp::SetSpeedScroll && whole && number >= 1 && number <= 30) {
        j["speed"] = 31 - number;
    } else if (op == SessionOp::SetLowSpeed && oneArg && (a.args[0] == "true" || a.args[0] == "false")) {
        j["lowSpeed"] = a.args[0] == "true";
    } else {
        j["op"] = a.op;
        json args = json::array();
        for (const std::string& v : a.args) args.push_back(ArgJson(v));
        j["args"] = args;
    }
    return Dump(j);
}

std::string SessionAnswerLine(const std::string& at, int step, bool yes) {
    json j = Stamp(at, step);
    j["answer"] = yes ? "はい" : "いいえ";
    return Dump(j);
}

std::string SessionClockLine(const SessionWallClock& c) { return Dump(json{{"clock", RecordedAtText(c.date, c.seconds)}}); }

std::string SessionBoardClickLine(bool fresh) { return Dump(json{{"boardClick", fresh}}); }

std::string SessionEndLine(const std::string& at, int step, const std::string& how, bool kept,
                           const SessionOutcome& outcome) {
    json j = Stamp(at, step);
    j["end"] = how;
    j["kept"] = kept;
    j["outcome"] = OutcomeJson(outcome);
    return Dump(j);
}

std::optional<SessionFile> ParseSession(std::string_view text, std::string& error) {
    SessionFile out;
    bool headerRead = false;
    int lineNo = 0;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        const bool lastCut = nl == std::string_view::npos;
        const std::string_view line = Trim(text.substr(0, nl));
        text = lastCut ? std::string_view() : text.substr(nl + 1);
        ++lineNo;
        if (line.empty()) continue;
        const std::string where = std::to_string(lineNo) + " 行目: ";
        const json j = json::parse(line, nullptr, false);
        if (j.is_discarded() || !j.is_object()) {
            if (lastCut && headerRead) break;  // written when the program ended
            error = where + "JSON の行ではありません。";
            return std::nullopt;
        }
        std::string why;
        if (!headerRead) {
            if (!j.contains("session")) {
                error = "セッションファイルではありません。";
                return std::nullopt;
            }
            if (!j["session"].is_number_integer() || j["session"] < 1 || j["session"] > kSessionVersion) {
                error = "このプログラムでは読めない版のセッションファイルです。";
                return std::nullopt;
            }
            out.version = j["session"].get<int>();
            if (!ReadStart(j, out.start, why)) {
                error = where + why;
                return std::nullopt;
            }
            // The start and the data it names go together: an edited date, code or file list is
            // another session than the one written.
            if (out.version >= 2 && (!j.contains("fingerprint") || j["fingerprint"] != SessionHeaderFingerprint(out.start))) {
                error = where + "開始の記録(日付・銘柄・データファイルなど)が、書き込まれたときから書き換えられています。";
                return std::nullopt;
            }
            headerRead = true;
            continue;
        }
        if (!ReadLine(j, out, lineNo, why)) {
            error = where + why;
            return std::nullopt;
        }
    }
    if (!headerRead) {
        error = "セッションファイルではありません。";
        return std::nullopt;
    }
    return out;
}

std::optional<SessionFile> ReadSession(const std::string& path, std::string& error) {
    const auto bytes = ReadWholeFile(path);
    if (!bytes) {
        error = path + " を読めません。";
        return std::nullopt;
    }
    return ParseSession(*bytes, error);
}

void SessionWriter::Add(const std::string& line) {
    if (streaming_)
        Write(line);
    else
        waiting_ += line;
}

void SessionWriter::Keep() {
    if (streaming_) return;
    streaming_ = true;
    Write(std::exchange(waiting_, {}));
}

void SessionWriter::Write(const std::string& text) {
    if (text.empty() || !problem_.empty()) return;  // after a failure the file stays as it was
    std::FILE* f = nullptr;
    if (path_.empty()) {
        // Created, never opened: another program may have taken the name meanwhile.
        for (int tries = 0; tries < 100 && !f; ++tries) {
            path_ = UniqueFilePath(folder_, stem_, kSessionExtension);
            f = std::fopen(path_.c_str(), "wbx");
            if (!f && errno != EEXIST) break;
        }
    } else {
        f = std::fopen(path_.c_str(), "ab");
    }
    const bool written = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f && std::fclose(f) != 0) f = nullptr;
    if (!written || !f) problem_ = "セッションファイル " + (path_.empty() ? JoinPath(folder_, stem_) : path_) + " に書き込めません。";
}

}  // namespace corvala
