#pragma once
// Where the settings live and how they are read at start-up and written back: setsim in the
// install folder, its factory copy setsim(初期), the one-time hand-over file setfolder in the
// application-data folder, and the marker R of a data folder on a removable drive.

#include <optional>
#include <string>

#include "platform/drives.h"
#include "settings/settings.h"

namespace corvala {

inline constexpr const char* kHandOverFile = "setfolder";
inline constexpr const char* kAppDataSubfolder = "Corvala";
inline constexpr const char* kRemovableMarker = "R";

struct SettingsPlace {
    std::string installFolder;
    std::string appDataFolder;  // "": no hand-over is looked for
    const RemovableDrives& drives;
};

struct LoadedSettings {
    Settings settings;     // with the data folder as start-up resolves it
    std::string handOver;  // the hand-over path taken, "" when none was
    std::string problem;   // why setsim could not be read (the factory settings were used), or ""
    std::string notice;    // what of setsim was read otherwise than it stands, for the message line, or ""
};

// Start-up: copies setsim(初期) to a missing setsim, consumes setfolder, reads setsim (the
// values of setsim(初期) where it is missing or unreadable, for the lines it lacks and for the
// amounts it cannot hold), and settles
// the data folder: an empty one takes the hand-over path (and the marker follows it); with R
// present, one that no longer exists is looked for on the removable drives.
LoadedSettings LoadSettings(const SettingsPlace& place);

// Writes setsim through a temporary file renamed into place, two programs one after the other:
// on failure (a read-only folder, a full disk, another program saving for seconds) false, and
// the old file is left as it was.
bool SaveSettingsFile(const std::string& installFolder, const Settings& settings);
// Start-up: removes the temporaries of a save that a kill cut short.
void RemoveLeftSettingsTemporaries(const std::string& installFolder);

// Line 15 as it is saved: while the install folder's 日中データ stands in for a configured folder
// that was missing at start-up, that configured value (`keptAside`); the quiz folder gives way
// to the user's own (`quizOwnFolder`, "" when the quiz mode keeps none); a lone separator is
// written as "".
std::string DataFolderToSave(const std::string& dataFolder, const std::optional<std::string>& keptAside,
                             const std::string& quizOwnFolder);

// A data folder set from the folder picker or a hand-over: R goes, and comes back when the
// folder lies on a removable drive.
void UpdateRemovableMarker(const std::string& installFolder, const std::string& dataFolder,
                           const RemovableDrives& drives);

}  // namespace corvala
