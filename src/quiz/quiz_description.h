#pragma once
// The quiz folder 出題 and its description data.txt: which day and stock everyone practises on,
// and from which moment the operator suggests starting.

#include <optional>
#include <string>
#include <string_view>

namespace corvala {

inline constexpr const char* kQuizFolder = "出題";
inline constexpr const char* kQuizDescriptionFile = "data.txt";

struct QuizDescription {
    std::string id;         // line 1, trimmed
    std::string date;       // YYMMDD
    std::string code;       // four digits
    std::string startTime;  // hh:nn:ss
    int startBar = 0;       // 0: from the open, no question asked
    friend bool operator==(const QuizDescription&, const QuizDescription&) = default;
};

struct QuizDescriptionRead {
    std::optional<QuizDescription> quiz;
    std::string problem;  // Japanese, why the file cannot be used
};

// Reads the five lines of data.txt (CP932; CR LF, LF or a last line without its end). A missing
// or malformed line leaves no quiz and says which line: the date must be a real YYMMDD, the code
// four digits, the start bar a whole number 0–299, and with a start bar other than 0 the start
// time a time of the session (from the open it is not used, and not checked).
QuizDescriptionRead ReadQuizDescription(std::string_view bytes);

// The identifier of the quiz on offer, from the service's quest.txt: its first line, CP932,
// trimmed — comparable with QuizDescription::id.
std::string AnnouncedQuizId(std::string_view body);

}  // namespace corvala
