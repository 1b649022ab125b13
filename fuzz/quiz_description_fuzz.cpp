// data.txt against arbitrary bytes: either a quiz whose fields are all usable, or a reason.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/text.h"
#include "quiz/quiz_description.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvala;
    const QuizDescriptionRead r = ReadQuizDescription(std::string_view(reinterpret_cast<const char*>(data), size));
    if (r.quiz.has_value() == !r.problem.empty()) std::abort();
    if (r.quiz) {
        const QuizDescription& q = *r.quiz;
        if (q.id.empty() || !ParseYymmdd(q.date) || q.code.size() != 4 || !IsAllDigits(q.code) ||
            q.startBar < 0 || q.startBar > 299)
            std::abort();
        // From the open the operator's time is never used; from a later bar it must be a time.
        if (q.startBar != 0 && !ParseTimeOfDay(q.startTime))
            std::abort();
    }
    return 0;
}
