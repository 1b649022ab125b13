#pragma once
// Port adapters for the headless front end: dialogs that print instead of asking.

#include <deque>
#include <string>
#include <vector>

#include "platform/ports.h"

namespace corvala::cli {

// Keeps the first error so the command can end with it; questions get the fixed answer.
class CliDialogs final : public Dialogs {
public:
    explicit CliDialogs(bool answer = false) : answer_(answer) {}
    // The next questions get these answers, in order, before the fixed one again.
    void QueueAnswers(const std::vector<bool>& answers) { queued_.insert(queued_.end(), answers.begin(), answers.end()); }
    void ShowError(int number, const std::string& text) override;
    bool Ask(const std::string& title, const std::string& text) override;
    // The command reports refusals itself, from the entry's outcome.
    void ShowNotice(const std::string&, const std::string&) override {}

    bool hasError() const { return number_ != 0; }
    int errorNumber() const { return number_; }
    // "1014 エラー: 設定された日付の…"
    std::string ErrorLine() const;

private:
    bool answer_;
    std::deque<bool> queued_;
    int number_ = 0;
    std::string text_;
};

}  // namespace corvala::cli
