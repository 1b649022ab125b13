#include "cli_ports.h"

namespace corvala::cli {

void CliDialogs::ShowError(int number, const std::string& text) {
    if (number_ != 0) return;
    number_ = number;
    text_ = text;
}

bool CliDialogs::Ask(const std::string&, const std::string&) {
    if (queued_.empty()) return answer_;
    const bool answer = queued_.front();
    queued_.pop_front();
    return answer;
}

std::string CliDialogs::ErrorLine() const {
    return std::to_string(number_) + " エラー: " + text_;
}

}  // namespace corvala::cli
