#pragma once
// Which folder is the install folder, the writable home of the stock lists, setsim, 売買履歴,
// 検索データ, 出題, 日中データ and the sounds. A build tree or a portable copy uses the
// program's own folder; an installed package keeps a read-only template in
// <prefix>/share/corvala/skel that is copied into a folder of the user's own.

#include <string>
#include <vector>

namespace corvala {

inline constexpr const char* kUserInstallSubfolder = "Corvala";

struct InstallPlaces {
    std::string executableFolder;  // the running program's folder
    std::string sharedFolder;      // the package's read-only template
    std::string userFolder;        // the per-user install folder
    std::string guideFile;         // the user guide (guide.md beside its pictures)
};

// The places of the running program: its folder, <its folder>/../share/corvala/skel, and
// $XDG_DATA_HOME/Corvala (a relative XDG_DATA_HOME is ignored, as the XDG rules ask) or
// ~/.local/share/Corvala ("" when no home folder can be told); the guide as GuideFile finds it.
InstallPlaces DefaultInstallPlaces();

// The user guide of the program in `executableFolder`: beside it (<folder>/guide/guide.md, as in
// a build tree or a program folder copied elsewhere), else where the package puts it
// (<folder>/../share/corvala/guide/guide.md, also the answer when neither is there).
std::string GuideFile(const std::string& executableFolder);

struct SeedResult {
    int copied = 0;                   // files added to the destination
    std::vector<std::string> failed;  // "<relative path>: <reason>" of each file that could not be
};

// Copies every regular file and folder of `from` that `to` lacks, depth first; `to` is created.
// Nothing in `to` is ever overwritten, links are neither followed nor copied, and each file is
// written to a hidden temporary beside it and then linked under its name, so an interrupted copy
// never leaves a truncated file under its real name. A part of `from` that cannot be read is a
// failure too.
SeedResult SeedFolder(const std::string& from, const std::string& to);

struct InstallFolderChoice {
    std::string folder;   // the install folder to use
    bool perUser = false;  // the per-user folder (seeded) rather than the program's own
    int copied = 0;        // files added to the per-user folder by this start
    std::string problem;   // Japanese text when the per-user folder could not be made whole, or ""
};

// The program's own folder when it holds 銘柄リスト.csv and can be written; otherwise the per-user
// folder. That is filled with what it lacks from the template (the shared folder, else a read-only
// program folder that holds the stock list) at the first start of each version of the template
// only, so files the user deleted later stay deleted until an upgrade; a copy that failed is
// tried again at the next start. Two programs starting at once copy one after the other. With no template and no usable per-user folder the program's own folder is
// returned, and the missing stock list is reported by the start-up.
InstallFolderChoice ChooseInstallFolder(const InstallPlaces& places, const std::string& version);

// The file in the per-user folder that holds the version whose template was copied, and the one
// in the template that names its version (the package's; `version` when it has none).
inline constexpr const char* kSeededVersionFile = ".corvala-version";
inline constexpr const char* kTemplateVersionFile = ".corvala-template";

}  // namespace corvala
