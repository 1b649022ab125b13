#pragma once
// Unpacking the LHA archive that brings a quiz package (出題/data.txt and the date folders of
// day files). The archive comes from the network, so it is treated as hostile: it is checked
// whole before anything is written, and it never writes outside the folder it is given.

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvala {

// What one archive may hold. A quiz package is a few MB in a few hundred files, so the defaults
// leave a hundredfold headroom while keeping a hostile archive from filling the disk:
// 256 MiB unpacked in all, 64 MiB for one file (the largest the readers accept), 20,000 entries,
// and 1,024 bytes of UTF-8 for the path of an entry inside the folder.
struct ArchiveLimits {
    std::uint64_t maxTotalBytes = 256ull << 20;
    std::uint64_t maxFileBytes = 64ull << 20;
    std::size_t maxEntries = 20'000;
    std::size_t maxPathBytes = 1024;
};

struct ExtractOutcome {
    bool ok = false;
    std::string
        message;  // for the user, in Japanese, when !ok: what was wrong and with which entry
    std::size_t files = 0;  // regular files written (an entry named twice counts once)
};

class Archive {
  public:
    virtual ~Archive() = default;
    // Extracts every entry of `archivePath` into `folder`, which must exist and be empty, keeping
    // the entries' folder paths and overwriting nothing outside `folder`. All or nothing: on
    // failure `folder` is left empty again (a folder that was not empty is refused untouched).
    virtual ExtractOutcome ExtractAll(const std::string& archivePath,
                                      const std::string& folder) = 0;
};

// Reads LHA archives (header levels 0 to 3, the methods liblhasa decodes) whose names are CP932
// with '\', '/' or 0xFF between folders. Refused whole, before anything is written: absolute
// names, drive letters, ".." anywhere, symbolic links and other special entries, names with
// control characters, ':' or '|', an entry both file and folder, an unknown method, a header or
// body cut short, and anything beyond `limits`. A CRC error or a body that unpacks to another
// length is found while writing and undoes the whole extraction.
class LhaArchive final : public Archive {
  public:
    explicit LhaArchive(ArchiveLimits limits = {});
    ExtractOutcome ExtractAll(const std::string& archivePath, const std::string& folder) override;

  private:
    ArchiveLimits limits_;
};

}  // namespace corvala
