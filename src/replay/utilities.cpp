// The history folder, the picture of the window and the guide: the small utilities of the main
// window, with their file names and messages.

#include <cstdio>

#include "platform/files.h"
#include "platform/text.h"
#include "replay/simulation.h"

namespace corvala {

std::string Simulation::HistoryFolderToOpen() {
    const std::string folder = JoinPath(installFolder_, kHistoryFolder);
    if (CreateDir(folder)) return folder;
    SetMessage("　　売買履歴フォルダを作成できませんでした。" + folder);
    return {};
}

std::string Simulation::SaveFileStem() const {
    const Ymd today = ports_.clock.Today();
    const int seconds = ports_.clock.SecondsOfDay();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", today.year, today.month, today.day,
                  seconds / 3600 % 100, seconds / 60 % 60, seconds % 60);
    std::string stem = std::string("corvala_") + stamp;
    for (const std::string& box : {display_.dateText, display_.codeText})
        if (!box.empty() && IsAllDigits(box)) stem += "_" + box;
    if (replayRunning()) {
        std::string clock;
        for (const char c : display_.clockText)
            if (c >= '0' && c <= '9') clock += c;
        if (clock.size() == 6) stem += "_" + clock;
    }
    return stem;
}

std::string Simulation::PictureFilePath(const std::string& folder) const {
    return UniqueFilePath(folder, SaveFileStem(), ".png");
}

void Simulation::ReportPictureSaved(const std::string& path, bool saved) {
    SetMessage(saved ? "　　画像を保存しました。" + path : "　　画像を保存できませんでした。" + path);
}

void Simulation::ReportNotOpened(const std::string& what) { SetMessage("　　開けませんでした。" + what); }

void Simulation::SetFillSoundOption(bool on) {
    const OpScope op(recorder_, "SetFillSoundOption", {OpArg(on)});
    if (!op) return;
    display_.fillSoundOption = on;
}
// The markers show or go at once, during a replay too (the box stays usable then).
void Simulation::SetTradeMarkerOption(bool on) {
    const OpScope op(recorder_, "SetTradeMarkerOption", {OpArg(on)});
    if (!op) return;
    display_.tradeMarkerOption = on;
    chart_.MarkersChanged();
}

}  // namespace corvala
