#pragma once
// File-system helpers. Paths are UTF-8 texts (native names on Linux). Files are opened, read or
// written, and closed within one call; nothing stays open.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvala {

bool FileExists(const std::string& path);  // a regular file (or anything that is not a folder)
bool DirExists(const std::string& path);
bool CreateDir(const std::string& path);   // with parents; true when it exists afterwards
std::string JoinPath(const std::string& folder, const std::string& name);

// The whole file, or nullopt when it cannot be read. Files larger than `maxBytes` are refused.
std::optional<std::string> ReadWholeFile(const std::string& path,
                                         std::uintmax_t maxBytes = 64u * 1024 * 1024);

// Writes through a temporary file renamed into place, so a failed write leaves the old file.
bool WriteFileAtomically(const std::string& path, const std::string& bytes);

// Adds `bytes` at the end of the file (created when missing). All or nothing: the old file is
// replaced by the longer one only when the whole of it was written.
bool AppendToFile(const std::string& path, const std::string& bytes);

// `folder`/`stem` + `extension`, or with "-2", "-3" … before the extension when that is taken.
std::string UniqueFilePath(const std::string& folder, const std::string& stem, const std::string& extension);

// Deletes a file; true when it is gone afterwards.
bool RemoveFile(const std::string& path);

// Deletes the folder `dir` with everything in it, sub-folders first (`onlyFiles`: only the files,
// every folder of the tree stays). Links are deleted, never followed. `message` collects a line
// "ファイル「name」が削除できませんでした" or "フォルダ「name」が削除できませんでした" for each
// that stayed, or is "指定のフォルダは存在しません。" when there is no such folder; true when it
// is empty.
bool DelDir(const std::string& dir, std::string& message, bool onlyFiles = false);

// Names of the sub-folders of `folder`, sorted; empty when it cannot be listed.
std::vector<std::string> ListSubfolders(const std::string& folder);
// Names of the regular files in `folder`, sorted; empty when it cannot be read.
std::vector<std::string> ListFiles(const std::string& folder);

// The folder that holds the running executable.
std::string ExecutableFolder();

// The user's application-data folder: APPDATA when set, else XDG_DATA_HOME, else
// ~/.local/share; "" when none can be told.
std::string AppDataFolder();

}  // namespace corvala
