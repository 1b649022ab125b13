#include "platform/archive.h"

#include <fcntl.h>
#include <lhasa.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/cp932.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxNameBytes = 255;  // one component, as ext4 and most others allow
constexpr std::size_t kMaxShownBytes = 120;
const std::string kBroken = "出題ファイルが壊れています。";
const std::string kRefused = "出題ファイルを展開できません。";

// ---------------------------------------------------------------------------------------------
// Small owners of what the C calls hand out.

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }
    // Closes now, so that an error the file system reports only at close is seen.
    bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

// The archive file as liblhasa sees it. Counting what it reads tells where each header ends,
// and refusing a skip past the end tells a body cut short from a clean end.
struct Source {
    int fd = -1;
    std::uint64_t size = 0;
    std::uint64_t pos = 0;
    bool overrun = false;
};

int SourceRead(void* handle, void* buf, std::size_t len) {
    auto& s = *static_cast<Source*>(handle);
    len = std::min<std::size_t>(len, INT_MAX);
    std::size_t done = 0;
    while (done < len) {
        const ssize_t n = ::read(s.fd, static_cast<char*>(buf) + done, len - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    s.pos += done;
    return static_cast<int>(done);
}

int SourceSkip(void* handle, std::size_t bytes) {
    auto& s = *static_cast<Source*>(handle);
    if (bytes > s.size - std::min(s.pos, s.size)) {
        s.overrun = true;
        s.pos = s.size;
        return 0;
    }
    if (::lseek(s.fd, static_cast<off_t>(s.pos + bytes), SEEK_SET) < 0) return 0;
    s.pos += bytes;
    return 1;
}

const LHAInputStreamType kSourceType = {SourceRead, SourceSkip, nullptr};

class Reader {
public:
    Reader() = default;
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    ~Reader() {
        if (reader_) lha_reader_free(reader_);
        if (stream_) lha_input_stream_free(stream_);
    }
    bool Open(const std::string& path) {
        file_ = Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        struct stat st {};
        if (!file_.ok() || ::fstat(file_.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
        source_.fd = file_.get();
        source_.size = static_cast<std::uint64_t>(st.st_size);
        stream_ = lha_input_stream_new(&kSourceType, &source_);
        reader_ = stream_ ? lha_reader_new(stream_) : nullptr;
        // Directories are made here, never by the library, so none of its deferred entries.
        if (reader_) lha_reader_set_dir_policy(reader_, LHA_READER_DIR_PLAIN);
        return reader_ != nullptr;
    }
    LHAFileHeader* Next() { return lha_reader_next_file(reader_); }
    std::size_t Read(void* buf, std::size_t len) { return lha_reader_read(reader_, buf, len); }
    const Source& source() const { return source_; }
    // The byte at `offset`, or nullopt past the end.
    std::optional<unsigned char> ByteAt(std::uint64_t offset) const {
        unsigned char b = 0;
        if (::pread(file_.get(), &b, 1, static_cast<off_t>(offset)) != 1) return std::nullopt;
        return b;
    }

private:
    Fd file_;
    Source source_;
    LHAInputStream* stream_ = nullptr;
    LHAReader* reader_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Entry names. liblhasa turns every '\' of a level-0 name into '/', which cuts CP932 names whose
// second byte is 0x5C (表, ソ, 能 …), and it quietly drops ".." from folder paths, which would
// hide a hostile archive. So names are read from the raw header bytes here.

std::uint32_t Little(const std::uint8_t* p, std::size_t width) {
    std::uint32_t v = 0;
    for (std::size_t i = width; i-- > 0;) v = (v << 8) | p[i];
    return v;
}

struct StoredName {
    std::string folder;  // may end with a separator
    std::string file;
};

bool IsCp932Lead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool IsCp932Trail(unsigned char c) {
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}
bool IsSeparator(unsigned char c) {
    return c == '/' || c == '\\' || c == 0xFF;
}

// Splits `bytes` at separators that stand as characters of their own.
std::vector<std::string> SplitCp932(std::string_view bytes) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (IsCp932Lead(c) && i + 1 < bytes.size() &&
            IsCp932Trail(static_cast<unsigned char>(bytes[i + 1]))) {
            parts.back() += bytes.substr(i, 2);
            ++i;
        } else if (IsSeparator(c)) {
            parts.emplace_back();
        } else {
            parts.back() += static_cast<char>(c);
        }
    }
    return parts;
}

// The extended headers of levels 1 to 3 may replace the file name (0x01) and the folder (0x02).
bool ReadExtendedNames(const LHAFileHeader& h, std::size_t offset, std::size_t width,
                       StoredName& name) {
    const std::uint8_t* raw = h.raw_data;
    const std::size_t len = h.raw_data_len;
    while (offset + width <= len) {
        const std::size_t size = Little(raw + offset, width);
        if (size == 0) return true;
        if (size < width + 1 || size > len - offset - width) return false;
        const std::uint8_t type = raw[offset + width];
        const std::string data(reinterpret_cast<const char*>(raw + offset + width + 1),
                               size - width - 1);
        if (type == 0x01) name.file = data;
        if (type == 0x02) name.folder = data;
        offset += size;
    }
    return true;
}

std::optional<StoredName> ReadStoredName(const LHAFileHeader& h) {
    const std::uint8_t* raw = h.raw_data;
    const std::size_t len = h.raw_data_len;
    StoredName name;
    if (h.header_level <= 1) {
        if (len < 22 || 22u + raw[21] > len) return std::nullopt;
        const std::string whole(reinterpret_cast<const char*>(raw + 22), raw[21]);
        // The folder is everything up to the last separator, as later tools read level-0 names.
        std::size_t cut = 0;
        for (std::size_t i = 0; i < whole.size(); ++i) {
            const auto c = static_cast<unsigned char>(whole[i]);
            if (IsCp932Lead(c) && i + 1 < whole.size() &&
                IsCp932Trail(static_cast<unsigned char>(whole[i + 1])))
                ++i;
            else if (IsSeparator(c))
                cut = i + 1;
        }
        name.folder = whole.substr(0, cut);
        name.file = whole.substr(cut);
        if (h.header_level == 1 && !ReadExtendedNames(h, raw[0], 2, name)) return std::nullopt;
        return name;
    }
    if (h.header_level == 2 && ReadExtendedNames(h, 24, 2, name)) return name;
    if (h.header_level == 3 && ReadExtendedNames(h, 28, 4, name)) return name;
    return std::nullopt;
}

std::string Shown(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    if (text.size() <= kMaxShownBytes) return text;
    std::size_t cut = kMaxShownBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut) + "…";
}

// ---------------------------------------------------------------------------------------------
// What each header announces, checked before anything is written.

enum class Kind { kFile, kFolder };

struct Entry {
    std::string stored;              // the raw name, to see that the second pass reads the same
    std::vector<std::string> parts;  // UTF-8 components below the folder
    std::string shown;               // the name as the user is told it
    Kind kind = Kind::kFile;
    std::uint64_t length = 0;
    std::uint64_t packed = 0;
    std::uint16_t crc = 0;
    std::string method;
    bool operator==(const Entry&) const = default;
};

constexpr unsigned kTypeMask = 0170000;

// Builds the entry of header `h`, or says why it must not be extracted.
std::optional<Entry> Describe(const LHAFileHeader& h, const ArchiveLimits& limits,
                              std::string& why) {
    Entry e;
    e.method = std::string(h.compress_method, strnlen(h.compress_method, sizeof h.compress_method));
    e.kind = e.method == LHA_COMPRESS_TYPE_DIR ? Kind::kFolder : Kind::kFile;
    e.length = h.length;
    e.packed = h.compressed_length;
    e.crc = h.crc;
    const auto name = ReadStoredName(h);
    if (!name) {
        why = kBroken + "見出しの名前を読めません。";
        return std::nullopt;
    }
    std::string joined = name->folder;
    if (!joined.empty() && !name->file.empty() && !SplitCp932(joined).back().empty())
        joined += '\xFF';
    joined += name->file;
    e.stored = joined;
    const std::vector<std::string> raw = SplitCp932(joined);
    for (std::size_t i = 0; i < raw.size(); ++i) e.shown += (i ? "/" : "") + DecodeCp932(raw[i]);
    e.shown = Shown(e.shown);
    const auto refuse = [&](const std::string& detail) {
        why = kRefused + "「" + e.shown + "」" + detail;
        return std::nullopt;
    };

    const unsigned type =
        LHA_FILE_HAVE_EXTRA(&h, LHA_FILE_UNIX_PERMS) ? h.unix_perms & kTypeMask : 0;
    if (h.symlink_target != nullptr || type == 0120000) return refuse("はシンボリックリンクです。");
    if (type != 0 && type != (e.kind == Kind::kFolder ? 0040000u : 0100000u))
        return refuse("は通常のファイルでもフォルダでもありません。");
    if (raw.size() > 1 && raw.front().empty()) return refuse("は絶対パスです。");
    if (e.kind == Kind::kFile && raw.back().empty())
        return refuse("はファイルの名前がありません。");
    for (const std::string& piece : raw) {
        if (piece.empty() || piece == ".") continue;  // "a//b" and "./a" stay inside
        const std::string part = DecodeCp932(piece);
        if (part == "..") return refuse("はフォルダの外を指しています。");
        if (e.parts.empty() && part.size() >= 2 && part[1] == ':' &&
            std::isalpha(static_cast<unsigned char>(part[0])))
            return refuse("はドライブ名で始まる絶対パスです。");
        for (const char c : part)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == ':' || c == '|' ||
                c == '/')
                return refuse("には名前に使えない文字があります。");
        if (part.size() > kMaxNameBytes) return refuse("は名前が長すぎます。");
        e.parts.push_back(part);
    }
    if (e.parts.empty()) {
        why = kRefused + "名前のない項目があります。";
        return std::nullopt;
    }
    std::size_t pathBytes = e.parts.size() - 1;
    for (const auto& p : e.parts) pathBytes += p.size();
    if (pathBytes > limits.maxPathBytes)
        return refuse("は名前が長すぎます（上限 " + std::to_string(limits.maxPathBytes) +
                      " バイト）。");
    if (e.kind == Kind::kFile) {
        std::array<char, 6> method{};
        std::memcpy(method.data(), e.method.c_str(), std::min<std::size_t>(e.method.size() + 1, 6));
        if (lha_decoder_for_name(method.data()) == nullptr)
            return refuse("の圧縮方式 " + Shown(e.method) + " には対応していません。");
        if (e.length > limits.maxFileBytes)
            return refuse("が大きすぎます（" + std::to_string(e.length) + " バイト、上限 " +
                          std::to_string(limits.maxFileBytes) + " バイト）。");
    }
    return e;
}

std::string Joined(const std::vector<std::string>& parts, std::size_t count) {
    std::string path;
    for (std::size_t i = 0; i < count; ++i) path += (i ? "/" : "") + parts[i];
    return path;
}

// Reads every header, skipping the bodies, and checks the archive as a whole.
std::optional<std::string> Survey(Reader& reader, const ArchiveLimits& limits,
                                  std::vector<Entry>& entries) {
    std::map<std::string, Kind> kinds;
    std::uint64_t total = 0;
    std::uint64_t end = 0;  // where the last body ends
    while (const LHAFileHeader* h = reader.Next()) {
        if (entries.size() >= limits.maxEntries)
            return kRefused + "項目が多すぎます（上限 " + std::to_string(limits.maxEntries) +
                   " 個）。";
        std::string why;
        auto e = Describe(*h, limits, why);
        if (!e) return why;
        end = reader.source().pos + e->packed;
        for (std::size_t i = 1; i <= e->parts.size(); ++i) {
            const Kind want = i < e->parts.size() ? Kind::kFolder : e->kind;
            const auto [it, added] = kinds.emplace(Joined(e->parts, i), want);
            if (!added && it->second != want)
                return kRefused + "「" + Shown(it->first) +
                       "」がファイルとフォルダの両方に使われています。";
        }
        if (e->kind == Kind::kFile) {
            total += e->length;
            if (total > limits.maxTotalBytes)
                return kRefused + "展開後の大きさが上限（" + std::to_string(limits.maxTotalBytes) +
                       " バイト）を超えます。";
        }
        entries.push_back(std::move(*e));
    }
    if (entries.empty()) return kBroken + "書庫の見出しが見つかりません。";
    if (reader.source().overrun || end > reader.source().size)
        return kBroken + "「" + entries.back().shown + "」のデータが途中で切れています。";
    // An archive ends at its last body or with a zero byte; anything else is a header that
    // could not be read.
    if (const auto next = reader.ByteAt(end); next && *next != 0)
        return kBroken + "「" + entries.back().shown + "」の後の見出しを読めません。";
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Writing. Every folder is opened without following links, one component at a time from the
// target folder down, so nothing in the tree can point a write elsewhere.

std::uint16_t Crc16(std::uint16_t crc, const unsigned char* data, std::size_t len) {
    static const auto table = [] {
        std::array<std::uint16_t, 256> t{};
        for (unsigned i = 0; i < 256; ++i) {
            unsigned v = i;
            for (int k = 0; k < 8; ++k) v = (v & 1) ? (v >> 1) ^ 0xA001 : v >> 1;
            t[i] = static_cast<std::uint16_t>(v);
        }
        return t;
    }();
    for (std::size_t i = 0; i < len; ++i)
        crc = static_cast<std::uint16_t>((crc >> 8) ^ table[(crc ^ data[i]) & 0xFF]);
    return crc;
}

Fd OpenFolderBelow(int root, const std::vector<std::string>& parts, std::size_t count) {
    Fd dir(::fcntl(root, F_DUPFD_CLOEXEC, 0));
    for (std::size_t i = 0; i < count && dir.ok(); ++i) {
        if (::mkdirat(dir.get(), parts[i].c_str(), 0777) != 0 && errno != EEXIST) return Fd();
        dir = Fd(
            ::openat(dir.get(), parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    return dir;
}

bool WriteAll(int fd, const unsigned char* data, std::size_t len) {
    while (len > 0) {
        const ssize_t n = ::write(fd, data, len);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        len -= static_cast<std::size_t>(n);
    }
    return true;
}

// Why the system refused, in the user's words where it is one of the usual reasons.
std::string Reason(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return "ディスクの空きが足りません";
        case EACCES:
        case EPERM:
        case EROFS:
            return "書き込む権限がありません";
        case ELOOP:
            return "リンクを経由する場所には書き込みません";
        default:
            return std::strerror(error);
    }
}

std::string CannotWrite(const Entry& e) {
    const std::string reason = Reason(errno);
    return kRefused + "「" + e.shown + "」を書き込めません（" + reason + "）。";
}

std::string CannotMakeFolder(const Entry& e) {
    const std::string reason = Reason(errno);
    return kRefused + "「" + e.shown + "」のフォルダを作れません（" + reason + "）。";
}

std::optional<std::string> WriteFile(Reader& reader, const Entry& e, int root) {
    const Fd dir = OpenFolderBelow(root, e.parts, e.parts.size() - 1);
    if (!dir.ok()) return CannotMakeFolder(e);
    Fd out(::openat(dir.get(), e.parts.back().c_str(),
                    O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!out.ok()) return CannotWrite(e);
    std::vector<unsigned char> buf(64 * 1024);
    std::uint64_t written = 0;
    std::uint16_t crc = 0;
    for (;;) {
        const std::size_t n = reader.Read(buf.data(), buf.size());
        if (n == 0) break;
        if (n > e.length - written)
            return kBroken + "「" + e.shown + "」のデータが見出しの長さを超えています。";
        if (!WriteAll(out.get(), buf.data(), n)) return CannotWrite(e);
        crc = Crc16(crc, buf.data(), n);
        written += n;
    }
    if (written != e.length || reader.source().overrun)
        return kBroken + "「" + e.shown + "」のデータが途中で切れています。";
    if (crc != e.crc) return kBroken + "「" + e.shown + "」のCRCが合いません。";
    if (!out.Close()) return CannotWrite(e);
    return std::nullopt;
}

std::optional<std::string> Unpack(Reader& reader, const std::vector<Entry>& plan,
                                  const ArchiveLimits& limits, int root,
                                  std::set<std::string>& files) {
    std::size_t index = 0;
    while (const LHAFileHeader* h = reader.Next()) {
        std::string why;
        const auto e = Describe(*h, limits, why);
        if (!e || index >= plan.size() || !(*e == plan[index]))
            return kBroken + "展開中に書庫が変わりました。";
        ++index;
        if (e->kind == Kind::kFolder) {
            if (!OpenFolderBelow(root, e->parts, e->parts.size()).ok()) return CannotMakeFolder(*e);
            continue;
        }
        if (auto failed = WriteFile(reader, *e, root)) return failed;
        files.insert(Joined(e->parts, e->parts.size()));
    }
    if (index != plan.size()) return kBroken + "展開中に書庫が変わりました。";
    return std::nullopt;
}

void EmptyFolder(const std::string& folder) {
    std::error_code ec;
    std::vector<fs::path> children;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        children.push_back(it->path());
    for (const auto& child : children)
        fs::remove_all(child, ec);  // removes links, never what they point at
}

ExtractOutcome Failed(std::string message) {
    ExtractOutcome out;
    out.message = std::move(message);
    return out;
}

}  // namespace

LhaArchive::LhaArchive(ArchiveLimits limits) : limits_(limits) {}

ExtractOutcome LhaArchive::ExtractAll(const std::string& archivePath, const std::string& folder) {
    std::error_code ec;
    const bool usable = fs::is_directory(folder, ec) && !ec && fs::is_empty(folder, ec) && !ec;
    if (!usable)
        return Failed("展開先のフォルダ「" + Shown(folder) + "」がないか、空ではありません。");
    std::vector<Entry> plan;
    {
        Reader survey;
        if (!survey.Open(archivePath))
            return Failed("出題ファイル「" + Shown(archivePath) + "」を開けません。");
        if (auto refused = Survey(survey, limits_, plan)) return Failed(*refused);
    }
    const Fd root(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    Reader reader;
    if (!root.ok() || !reader.Open(archivePath))
        return Failed("出題ファイル「" + Shown(archivePath) + "」を開けません。");
    std::set<std::string> files;
    if (auto failed = Unpack(reader, plan, limits_, root.get(), files)) {
        EmptyFolder(folder);
        return Failed(*failed);
    }
    ExtractOutcome out;
    out.ok = true;
    out.files = files.size();
    return out;
}

}  // namespace corvala
