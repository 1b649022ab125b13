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

// Adds `bytes` at the end of the file in place (created when missing) and flushes them to the
// disk. A write that fails is taken back: the file is cut to its old length, or removed when this
// call created it. A program killed meanwhile can leave a part of `bytes` at the end.
bool AppendToFile(const std::string& path, const std::string& bytes);
// Cuts the file to its first `size` bytes and flushes it; false when it cannot.
bool TruncateFile(const std::string& path, std::uintmax_t size);
// Flushes the folder's entries (a file created, renamed or removed in it) to the disk.
void SyncFolder(const std::string& folder);

// Removes the temporaries a program killed inside WriteFileAtomically(`path`) left beside it;
// returns how many went. Call it only while no other program can be writing `path`.
int RemoveLeftTemporaries(const std::string& path);

// An exclusive lock on a folder itself (no file is added to it), held while the object lives, so
// that programs writing into the folder take turns. A lock another program holds is waited for,
// at most `waitMs`.
class WriterLock {
public:
    enum class State {
        Held,
        Busy,         // another program kept it for the whole wait
        Unavailable,  // the folder cannot be opened or locked here (missing, a network share)
    };
    WriterLock(const std::string& folder, int waitMs);
    ~WriterLock();
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
    State state() const { return state_; }

private:
    int fd_ = -1;
    State state_ = State::Unavailable;
};

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
