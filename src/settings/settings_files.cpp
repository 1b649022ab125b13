#include "settings/settings_files.h"

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/text.h"

namespace corvala {
namespace {

constexpr std::uintmax_t kMaxSettingsBytes = 1024 * 1024;
constexpr int kSettingsLockWaitMs = 3000;

// The first line of the hand-over file, which is deleted once read: it hands the folder over
// once. A path that names no folder is dropped.
std::string TakeHandOver(const std::string& appDataFolder) {
    if (appDataFolder.empty()) return {};
    for (const std::string& folder : {appDataFolder, JoinPath(appDataFolder, kAppDataSubfolder)}) {
        const std::string file = JoinPath(folder, kHandOverFile);
        if (!FileExists(file)) continue;
        const auto bytes = ReadWholeFile(file, kMaxSettingsBytes);
        RemoveFile(file);
        if (!bytes) return {};
        const std::string text = DecodeCp932(*bytes);
        const std::string path(Trim(std::string_view(text).substr(0, text.find_first_of("\r\n"))));
        return DirExists(path) ? path : std::string();
    }
    return {};
}

}  // namespace

LoadedSettings LoadSettings(const SettingsPlace& place) {
    LoadedSettings out;
    const std::string file = JoinPath(place.installFolder, kSettingsFile);
    // The factory file's values stand for the lines setsim lacks and the values it cannot hold;
    // without one, the built-in defaults, which are the same values.
    const auto factoryBytes = ReadWholeFile(JoinPath(place.installFolder, kFactorySettingsFile), kMaxSettingsBytes);
    const Settings factory = factoryBytes ? ReadSettings(*factoryBytes) : FactorySettings();
    if (!FileExists(file) && factoryBytes) WriteFileAtomically(file, *factoryBytes);
    out.handOver = TakeHandOver(place.appDataFolder);

    const auto bytes = ReadWholeFile(file, kMaxSettingsBytes);
    if (bytes) {
        SettingsReadNotes notes;
        out.settings = ReadSettings(*bytes, factory, &notes);
        out.notice = SettingsNotice(notes);
    } else {
        out.settings = factory;  // (a copy that could not be written: the same values)
        if (FileExists(file) || DirExists(file)) out.problem = "設定ファイル(" + std::string(kSettingsFile) + ")を読み込めません。";
    }

    std::string& folder = out.settings.dataFolder;
    if (folder.empty() && !out.handOver.empty()) {
        folder = out.handOver;
        UpdateRemovableMarker(place.installFolder, folder, place.drives);
    }
    if (FileExists(JoinPath(place.installFolder, kRemovableMarker)) && !folder.empty() && !DirExists(folder)) {
        if (std::string found = place.drives.FindDataFolderOnRemovableDrives(); !found.empty()) folder = found;
    }
    folder = std::string(Trim(folder));
    return out;
}

bool SaveSettingsFile(const std::string& installFolder, const Settings& settings) {
    const WriterLock lock(installFolder, kSettingsLockWaitMs);
    if (lock.state() == WriterLock::State::Busy) return false;
    return WriteFileAtomically(JoinPath(installFolder, kSettingsFile), WriteSettings(settings));
}

void RemoveLeftSettingsTemporaries(const std::string& installFolder) {
    const WriterLock lock(installFolder, 0);  // a save going on now keeps its temporary
    if (lock.state() == WriterLock::State::Held) RemoveLeftTemporaries(JoinPath(installFolder, kSettingsFile));
}

std::string DataFolderToSave(const std::string& dataFolder, const std::optional<std::string>& keptAside,
                             const std::string& quizOwnFolder) {
    std::string folder = keptAside ? *keptAside : dataFolder;
    if (folder == "/" || folder == "\\") folder.clear();
    if (folder.find("出題") != std::string::npos && !quizOwnFolder.empty()) folder = quizOwnFolder;
    return folder;
}

void UpdateRemovableMarker(const std::string& installFolder, const std::string& dataFolder,
                           const RemovableDrives& drives) {
    const std::string marker = JoinPath(installFolder, kRemovableMarker);
    RemoveFile(marker);
    if (drives.IsRemovableDrive(dataFolder)) WriteFileAtomically(marker, std::string());
}

}  // namespace corvala
