#include "quiz/quiz_description.h"

#include <vector>

#include "data/csv.h"
#include "platform/cp932.h"
#include "platform/text.h"

namespace corvala {

namespace {

constexpr int kMaxStartBar = 299;  // the last bar of one-minute bars

QuizDescriptionRead Refused(int line, const std::string& why) {
    return {std::nullopt, "出題データ(data.txt)の" + std::to_string(line) + "行目" + why};
}

}  // namespace

QuizDescriptionRead ReadQuizDescription(std::string_view bytes) {
    std::vector<std::string> lines;
    ForEachLine(bytes, [&](std::string_view line) {
        if (lines.size() < 5) lines.emplace_back(Trim(DecodeCp932(line)));
    });
    if (lines.size() < 5) return {std::nullopt, "出題データ(data.txt)の行が足りません。"};
    QuizDescription q;
    q.id = lines[0];
    q.date = lines[1];
    q.code = lines[2];
    q.startTime = lines[3];
    if (q.id.empty()) return Refused(1, "(出題番号)がありません。");
    if (!ParseYymmdd(q.date)) return Refused(2, "の日付が正しくありません。");
    if (q.code.size() != 4 || !IsAllDigits(q.code)) return Refused(3, "の銘柄コードが正しくありません。");
    if (!IsAllDigits(lines[4]) || lines[4].size() > 3 || std::stoi(lines[4]) > kMaxStartBar)
        return Refused(5, "の開始位置が正しくありません。");
    q.startBar = std::stoi(lines[4]);
    // The operator's time counts only with a start bar: from the open it is never used.
    const std::optional<int> at = ParseTimeOfDay(q.startTime);
    if (q.startBar != 0 && (!at || q.startTime.size() != 8 || *at < 9 * 3600 || *at > 15 * 3600))
        return Refused(4, "の開始時刻が正しくありません。");
    return {q, {}};
}

std::string AnnouncedQuizId(std::string_view body) {
    return std::string(Trim(DecodeCp932(body.substr(0, body.find_first_of("\r\n")))));
}

}  // namespace corvala
