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
// four digits, the start time a time of the session, the start bar a whole number 0–299.
QuizDescriptionRead ReadQuizDescription(std::string_view bytes);

}  // namespace corvala
