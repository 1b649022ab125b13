#pragma once
// Shared fixtures: temporary folders, scripted ports and a builder for day files.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/drives.h"
#include "platform/ports.h"

namespace corvala::test {

// A fresh folder, removed with everything in it when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string Sub(const std::string& name) const;

private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);

// Runs `write` with the file-size limit at `bytes`, as on a disk with that much space left: a
// longer write fails (the signal it raises is ignored meanwhile).
bool WithDiskSpace(std::size_t bytes, const std::function<bool()>& write);
// Runs `action` in a child process that cannot write into folders of mode 0555 (as root it
// becomes the user nobody first); its result comes back, false when the child failed.
bool InProcessWithoutWriteAccess(const std::function<bool()>& action);

// An LHA archive of the folder `item` inside `from` (its path kept, names in CP932, lh5 bodies,
// header level `level`), made with the lha tool as a package maker would. False when it failed.
bool MakeLhaArchive(const std::string& from, const std::string& item, const std::string& archive, int level = 2);

// Removable drives as a test says they are: paths under `removableRoots` are removable, and the
// search answers `found`.
class FakeDrives final : public RemovableDrives {
public:
    std::vector<std::string> removableRoots;
    std::string found;
    bool IsRemovableDrive(const std::string& path) const override {
        for (const auto& root : removableRoots)
            if (path.rfind(root, 0) == 0) return true;
        return false;
    }
    std::string FindDataFolderOnRemovableDrives() const override { return found; }
};

struct RecordedError {
    int number;
    std::string text;
};

class ScriptedDialogs final : public Dialogs {
public:
    void ShowError(int number, const std::string& text) override { errors.push_back({number, text}); }
    bool Ask(const std::string& title, const std::string& text) override {
        questions.emplace_back(title, text);
        if (whileAsking) whileAsking();  // what goes on while the box is open
        const bool answer = answers.empty() ? false : answers.front();
        if (!answers.empty()) answers.erase(answers.begin());
        return answer;
    }
    std::optional<bool> AskOrCancel(const std::string& title, const std::string& text) override {
        if (cancels == 0) return Ask(title, text);
        questions.emplace_back(title, text);
        --cancels;
        return std::nullopt;
    }
    void ShowNotice(const std::string& title, const std::string& text) override { notices.emplace_back(title, text); }
    int cancels = 0;  // the next Yes/No/Cancel questions answered キャンセル
    std::vector<RecordedError> errors;
    std::vector<std::pair<std::string, std::string>> notices;
    std::vector<std::pair<std::string, std::string>> questions;
    std::vector<bool> answers;
    std::function<void()> whileAsking;
};

class FixedClock final : public Clock {
public:
    explicit FixedClock(Ymd today = {2022, 11, 1}) : today_(today) {}
    Ymd Today() const override { return today_; }
    int SecondsOfDay() const override { return secondsOfDay; }
    std::int64_t NowMs() const override { return nowMs; }
    int secondsOfDay = 0;
    std::int64_t nowMs = 0;

private:
    Ymd today_;
};

class FixedRandom final : public Random {
public:
    double Next() override { return 0.5; }
};

// A day file of `rows` snapshot lines plus the 15:00:00 closing line, every field set to a
// plausible value that a test then overrides. Row r is the r-th five-second step.
class DayFileBuilder {
public:
    explicit DayFileBuilder(int rows = 3600, int fields = 36);
    // Sets column `col` of line `line` (the closing line is line rows()).
    DayFileBuilder& Set(int line, int col, const std::string& value);
    // Sets column `col` on every line.
    DayFileBuilder& SetAll(int col, const std::string& value);
    std::vector<std::string>& Line(int line) { return lines_.at(static_cast<std::size_t>(line)); }
    int lines() const { return static_cast<int>(lines_.size()); }
    int closingLine() const { return lines() - 1; }
    std::string Bytes() const;  // CP932, CR LF

    static std::string TimeOfRow(int row);

private:
    std::vector<std::vector<std::string>> lines_;
};

}  // namespace corvala::test
