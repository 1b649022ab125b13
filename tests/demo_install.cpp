#include "demo_install.h"

#include <cstdlib>
#include <exception>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "demo_data/demo_data.h"
#include "platform/files.h"

namespace corvala {

// The manifest's JSON, every member by name (found by argument-dependent lookup, hence here).
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(DemoDayFile, path, dateFolder, code, isStock, lineCount, high, low, firstPrice,
                                   open, close, prevClose, finalVolume, tradingUnit, hasVwapColumn, decimalPrices,
                                   offStandardGridAbove3000)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(DemoStock, code, market, name)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(DemoManifest, ok, error, installFolder, dataFolder, dateFolders, markerFolder,
                                   missingDate, missingCode, limitUpDate, limitUpCode, lateOpenCode, stocks,
                                   stockList, oldStockList, oldOnlyCode, files, searchDataPath, searchDataLines,
                                   totalBytes)

namespace test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kInstallSubfolder = "install";
constexpr const char* kManifestFile = "manifest.json";

// The manifest's paths moved from one install folder to another; false when one lies outside.
bool MovePaths(DemoManifest& m, const std::string& to) {
    const std::string from = m.installFolder;
    bool inside = true;
    auto move = [&](std::string& path) {
        if (path == from || path.rfind(from + "/", 0) == 0)
            path = to + path.substr(from.size());
        else
            inside = false;
    };
    move(m.installFolder);
    move(m.dataFolder);
    move(m.searchDataPath);
    for (DemoDayFile& f : m.files) move(f.path);
    return inside;
}

DemoManifest Failed(const std::string& error) {
    DemoManifest m;
    m.error = error;
    return m;
}

}  // namespace

std::string DemoTemplateFolder() {
    const char* folder = std::getenv(kDemoTemplateVariable);
    return folder ? folder : "";
}

DemoManifest WriteDemoTemplate(const std::string& folder) {
    std::error_code ec;
    fs::remove_all(folder, ec);
    if (ec) return Failed("cannot empty " + folder + ": " + ec.message());
    DemoManifest m = GenerateDemoData(JoinPath(folder, kInstallSubfolder));
    if (!m.ok) return m;
    // Kept relative to the install, which the copies move.
    DemoManifest relative = m;
    if (!MovePaths(relative, ".")) return Failed("the generator wrote outside " + m.installFolder);
    if (!WriteFileAtomically(JoinPath(folder, kManifestFile), nlohmann::json(relative).dump(1))) {
        m.ok = false;
        m.error = "cannot write the manifest into " + folder;
    }
    return m;
}

DemoManifest CopyDemoTemplate(const std::string& templateFolder, const std::string& installFolder) {
    std::error_code ec;
    if (fs::exists(installFolder, ec)) return Failed(installFolder + " exists already");
    if (ec) return Failed("cannot tell whether " + installFolder + " exists: " + ec.message());
    const std::string manifestPath = JoinPath(templateFolder, kManifestFile);
    const std::optional<std::string> text = ReadWholeFile(manifestPath);
    if (!text) return Failed(manifestPath + " cannot be read: no demo template was written there");
    DemoManifest m;
    try {
        nlohmann::json::parse(*text).get_to(m);
    } catch (const std::exception& e) {
        return Failed(manifestPath + " is no manifest: " + e.what());
    }
    if (!m.ok || m.installFolder != ".") return Failed(manifestPath + " is no manifest of a written template");
    // Made with its parents, as the generator would.
    fs::create_directories(fs::path(installFolder).parent_path(), ec);
    if (!ec) fs::copy(JoinPath(templateFolder, kInstallSubfolder), installFolder, fs::copy_options::recursive, ec);
    if (ec) return Failed("cannot copy the demo template to " + installFolder + ": " + ec.message());
    MovePaths(m, installFolder);
    return m;
}

DemoManifest MakeDemoInstall(const std::string& installFolder) {
    const std::string from = DemoTemplateFolder();
    return from.empty() ? GenerateDemoData(installFolder) : CopyDemoTemplate(from, installFolder);
}

}  // namespace test
}  // namespace corvala
