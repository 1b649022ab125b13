// The history folder, the picture of the window and the guide: the small utilities of the main
// window, with their file names and messages.

#include "app/displayed_day.h"

#include <cstdio>

#include "account/history.h"
#include "platform/files.h"
#include "platform/text.h"
#include "replay/replay_loop.h"

namespace corvala {

std::string DisplayedDay::HistoryFolderToOpen() {
    const std::string folder = JoinPath(installFolder_, kHistoryFolder);
    if (CreateDir(folder)) return folder;
    services_.SetMessage("　　売買履歴フォルダを作成できませんでした。" + folder);
    return {};
}

std::string DisplayedDay::SaveFileStem() const {
    const Ymd today = ports_.clock.Today();
    const int seconds = ports_.clock.SecondsOfDay();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", today.year, today.month, today.day,
                  seconds / 3600 % 100, seconds / 60 % 60, seconds % 60);
    std::string stem = std::string("corvala_") + stamp;
    for (const std::string& box : {display_.dateText, display_.codeText})
        if (!box.empty() && IsAllDigits(box)) stem += "_" + box;
    if (parts_.loop.running()) {
        std::string clock;
        for (const char c : display_.clockText)
            if (c >= '0' && c <= '9') clock += c;
        if (clock.size() == 6) stem += "_" + clock;
    }
    return stem;
}

std::string DisplayedDay::PictureFilePath(const std::string& folder) const {
    return UniqueFilePath(folder, SaveFileStem(), ".png");
}

void DisplayedDay::ReportPictureSaved(const std::string& path, bool saved) {
    services_.SetMessage(saved ? "　　画像を保存しました。" + path : "　　画像を保存できませんでした。" + path);
}

void DisplayedDay::ReportNotOpened(const std::string& what) { services_.SetMessage("　　開けませんでした。" + what); }

}  // namespace corvala
