#include "screening/screening.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/files.h"
#include "platform/text.h"

namespace corvala {

namespace {

constexpr const char* kWideSpace = "　";
constexpr const char* kDayEnd = "15:00";

// The window of a change field: where it starts and ends.
std::pair<std::string, std::string> WindowOf(const SearchLine& l, int field) {
    switch (field) {
        case 8: return {l.openTime, l.rise930End};
        case 9: return {l.openTime, l.fall930End};
        case 10: return {l.openTime, l.riseEnd};
        case 11: return {l.openTime, l.fallEnd};
        case 12: return {l.riseEnd, l.fallEnd};
        case 13: return {l.fallEnd, l.riseEnd};
        case 14: return {l.riseEnd, kDayEnd};
        case 15: return {l.fallEnd, kDayEnd};
        default: return {l.openTime, kDayEnd};  // 16: the whole day from the open
    }
}

ScreeningHit HitOf(const SearchLine& l, int field) {
    auto [start, end] = WindowOf(l, field);
    return {field, l.changes[static_cast<std::size_t>(field - 8)], std::move(start), std::move(end)};
}

float Change(const SearchLine& l, int field) { return l.changes[static_cast<std::size_t>(field - 8)]; }

// The candidate of one direction with the largest change; the first of equal ones.
std::optional<int> LargestOf(const SearchLine& l, const std::array<int, 5>& fields, const auto& passes) {
    std::optional<int> best;
    for (int field : fields) {
        if (!passes(Change(l, field))) continue;
        if (!best || std::fabs(Change(l, field)) > std::fabs(Change(l, *best))) best = field;
    }
    return best;
}

std::string Code4(int code) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04d", code);
    return buf;
}

}  // namespace

std::vector<ScreeningHit> ScreenLine(const SearchLine& l, const ScreeningConditions& c,
                                     const std::function<bool()>& riseFirst) {
    const float t = static_cast<float>(c.threshold);
    std::vector<ScreeningHit> hits;
    if (c.upTo930) {
        if (c.direction == kRise) {
            if (Change(l, 8) >= t) hits.push_back(HitOf(l, 8));
        } else if (c.direction == kFall) {
            if (Change(l, 9) <= -t) hits.push_back(HitOf(l, 9));
        } else {
            if (Change(l, 9) < -t) hits.push_back(HitOf(l, 9));
            if (Change(l, 8) > t) hits.push_back(HitOf(l, 8));
        }
        return hits;
    }
    static constexpr std::array<int, 5> kRiseFields{8, 10, 13, 15, 16};
    static constexpr std::array<int, 5> kFallFields{9, 11, 12, 14, 16};
    std::optional<int> rise, fall;
    if (c.direction == kRise) rise = LargestOf(l, kRiseFields, [t](float v) { return v >= t; });
    if (c.direction == kFall) fall = LargestOf(l, kFallFields, [t](float v) { return v <= -t; });
    if (c.direction == kBoth) {
        rise = LargestOf(l, kRiseFields, [t](float v) { return v > t; });
        fall = LargestOf(l, kFallFields, [t](float v) { return v < -t; });
    }
    if (rise && fall && !riseFirst()) std::swap(rise, fall);  // both: the coin says which comes first
    for (const auto& field : {rise, fall})
        if (field) hits.push_back(HitOf(l, *field));
    return hits;
}

ScreeningRow MakeScreeningRow(const SearchLine& line, const ScreeningHit& hit, int number, std::string_view name,
                              bool available, const ScreeningConditions& c) {
    ScreeningRow r;
    r.code = line.code;
    r.change = hit.change;
    r.absChange = std::fabs(hit.change);
    r.number = number;
    r.name = LeftChars(ToHalfWidth(name), kScreeningNameChars);
    r.date = line.date;
    r.open = Int(line.open);
    r.openTime = line.openTime;
    r.start = hit.start;
    r.end = hit.end;
    r.capped = line.volume.size() > 7;
    r.volume = r.capped ? std::to_string(kMaxShownVolume) : line.volume;
    r.available = available;
    r.startHidden = c.hideStartTime;
    r.endHidden = c.hideEndTime;

    std::string paddedName = r.name;
    for (std::size_t n = CharCount(r.name); n < kScreeningNameChars; ++n) paddedName += kWideSpace;
    const std::string hidden5 = "     ";
    std::string& t = r.text;
    t = Code4(r.code) + kWideSpace + (available ? "○" : "×") + paddedName;
    t += kWideSpace + ("20" + r.date.substr(0, 2) + "/" + r.date.substr(2, 2) + "/" + r.date.substr(4, 2));
    t += kWideSpace + RightAlign(std::to_string(r.open), 6);
    t += std::string(kWideSpace) + "±" + RightAlign(Format(r.absChange, "0.0"), 4) + "%　　";
    t += r.openTime + "　　";
    t += (c.hideStartTime ? hidden5 : r.start) + "　　";
    t += (c.hideEndTime ? hidden5 : r.end) + kWideSpace;
    t += RightAlign(r.volume, 7);
    // Beyond the list's width: what the hand-over needs.
    t += r.capped ? "*" + std::string(10, ' ') : std::string(9, ' ');
    t += "@@" + r.date + "@@" + r.start + "@@" + std::to_string(number);
    return r;
}

void ScreeningSearch::Reset() {
    lines_.clear();
    bytes_.clear();
    next_ = 0;
    dayFiles_.clear();
    rows_.clear();
    skipped_ = 0;
    stopped_ = false;
    finished_ = true;
}

void ScreeningSearch::Begin(std::string bytes, const ScreeningConditions& c, const StockList& names,
                            std::string dataFolder, Random& random) {
    bytes_ = std::move(bytes);
    lines_ = SplitSearchLines(bytes_);
    next_ = 0;
    conditions_ = c;
    names_ = &names;
    random_ = &random;
    dataFolder_ = std::move(dataFolder);
    dayFiles_.clear();
    rows_.clear();
    skipped_ = 0;
    stopped_ = false;
    finished_ = false;
}

bool ScreeningSearch::Continue(int lines) {
    SearchLine line;
    for (int n = 0; n < lines && !finished_; ++n) {
        if (stopped_ || rows_.size() >= kMaxScreeningRows || next_ >= lines_.size()) {
            finished_ = true;
            break;
        }
        const SearchLineKind kind = ReadSearchLine(lines_[next_++], line);
        if (kind == SearchLineKind::Malformed) ++skipped_;
        if (kind != SearchLineKind::Used) continue;
        for (const ScreeningHit& hit : ScreenLine(line, conditions_, [this] { return random_->Next() < 0.5; })) {
            if (rows_.size() >= kMaxScreeningRows) break;
            rows_.push_back(MakeScreeningRow(line, hit, static_cast<int>(rows_.size()), names_->Name(line.code),
                                             DayFileExists(line.date, line.code), conditions_));
        }
    }
    if (!finished_ && (stopped_ || rows_.size() >= kMaxScreeningRows || next_ >= lines_.size())) finished_ = true;
    if (finished_) {  // the file's bytes are not needed any longer
        lines_.clear();
        bytes_.clear();
        bytes_.shrink_to_fit();
    }
    return !finished_;
}

// A date's folder is listed once: a month lists thousands of rows of a few dozen dates.
bool ScreeningSearch::DayFileExists(const std::string& date, int code) {
    if (dataFolder_.empty()) return false;  // no folder yet: nothing can be replayed
    auto found = dayFiles_.find(date);
    if (found == dayFiles_.end()) {
        std::unordered_set<int> codes;
        for (const std::string& file : ListFiles(JoinPath(dataFolder_, date)))
            if (file.size() == 8 && file.ends_with(".csv") && IsAllDigits(file.substr(0, 4)))
                codes.insert(std::stoi(file.substr(0, 4)));
        found = dayFiles_.emplace(date, std::move(codes)).first;
    }
    return found->second.contains(code);
}

void ScreeningOrder::Reset(std::size_t rows) {
    for (auto& order : order_) {
        order.resize(rows);
        for (std::size_t i = 0; i < rows; ++i) order[i] = static_cast<int>(i);
    }
    descending_ = {true, false};
}

const std::vector<int>& ScreeningOrder::Sort(const std::vector<ScreeningRow>& rows, ScreeningSortKey key) {
    const auto k = static_cast<std::size_t>(key);
    std::vector<int>& order = order_[k];
    if (order.size() != rows.size()) Reset(rows.size());
    const bool descending = descending_[k];
    auto value = [&](int i) {
        const ScreeningRow& r = rows[static_cast<std::size_t>(i)];
        return key == ScreeningSortKey::Change ? static_cast<double>(r.absChange) : static_cast<double>(r.code);
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return descending ? value(a) > value(b) : value(a) < value(b); });
    descending_[k] = !descending;
    return order;
}

std::optional<ScreeningPick> ReadScreeningRowText(std::string_view text) {
    // The tail is the last three "@@" marks: a name may hold "@@" too (ＡＢ＠＠ turns half-width).
    const std::size_t at3 = text.rfind("@@");
    if (at3 == std::string_view::npos || at3 < 2) return std::nullopt;
    const std::size_t at2 = text.rfind("@@", at3 - 2);
    if (at2 == std::string_view::npos || at2 < 2) return std::nullopt;
    const std::size_t at1 = text.rfind("@@", at2 - 2);
    if (at1 == std::string_view::npos) return std::nullopt;
    ScreeningPick pick;
    pick.date = std::string(text.substr(at1 + 2, at2 - at1 - 2));
    pick.moveStart = std::string(text.substr(at2 + 2, at3 - at2 - 2));
    pick.code = std::string(text.substr(0, std::min<std::size_t>(4, text.size())));
    if (!ParseYymmdd(pick.date) || pick.code.size() != 4 || !IsAllDigits(pick.code) ||
        !ParseTimeOfDay(pick.moveStart) || !IsAllDigits(text.substr(at3 + 2)))
        return std::nullopt;
    return pick;
}

std::pair<int, int> ScreeningLeadRange(int barLength) {
    switch (barLength) {
        case 1: return {8, 15};
        case 2: return {4, 7};
        case 3: return {3, 5};
        case 4: return {2, 4};
        case 10: return {1, 2};
        default: return {2, 3};
    }
}

int DrawScreeningLead(int barLength, Random& random) {
    const auto [lo, hi] = ScreeningLeadRange(barLength);
    return lo + static_cast<int>(std::clamp<long long>(Int(random.Next() * (hi - lo + 1)), 0, hi - lo));
}

ScreeningStart StartBeforeMove(std::string_view moveStart, int barLength, int lead) {
    ScreeningStart out;
    out.lead = lead;
    const std::optional<int> at = ParseTimeOfDay(moveStart);
    if (!at || barLength < 1) return out;
    const int hour = *at / 3600;
    int seconds = *at - 32'400;
    if (hour >= 12) seconds -= 3600;  // the lunch break
    const int lastBar = static_cast<int>(Int(300.0 / barLength + 0.5)) - 1;
    const long long bar = Int(static_cast<double>(seconds) / (barLength * 60)) - lead;
    out.startBar = static_cast<int>(std::clamp<long long>(bar, 0, lastBar));
    const int minutes = out.startBar * barLength;
    out.startTime = FormatTimeOfDay(9 * 3600 + minutes * 60 + (minutes >= 150 ? 3600 : 0));
    out.midSessionStart = out.startBar != 0;
    return out;
}

ScreeningHandOver HandOverOf(const ScreeningPick& pick, bool nearStart, int barLength, Random& random) {
    ScreeningHandOver h;
    h.pick = pick;
    h.nearStart = nearStart;
    if (nearStart) h.start = StartBeforeMove(pick.moveStart, barLength, DrawScreeningLead(barLength, random));
    return h;
}

int ScreeningThreshold(std::string_view typed) {
    const std::string halfWidth = ToHalfWidth(typed);  // digits typed with the input method on
    const std::string_view text = Trim(halfWidth);
    if (!IsNumeric(text)) return 5;
    return static_cast<int>(std::clamp<long long>(Int(LeadingNumber(text)), 1, 255));
}

}  // namespace corvala
