// Unpacking quiz packages: real archives made by an LHA tool, and hand-made hostile ones that
// must be refused whole without a byte written outside (or, when found early, inside) the folder.

#include "platform/archive.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/cp932.h"
#include "platform/files.h"
#include "test_support.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Hand-made archives. Bodies are stored (-lh0-) unless a test says otherwise.

std::uint16_t Crc16(const std::string& data) {
    std::uint16_t crc = 0;
    for (const unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    return crc;
}

std::string Le(std::uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

struct Item {
    Item(std::string folder_, std::string file_, std::string body_, std::string method_ = "-lh0-")
        : folder(std::move(folder_)),
          file(std::move(file_)),
          body(std::move(body_)),
          method(std::move(method_)) {}
    Item& Length(std::uint32_t v) { return length = v, *this; }
    Item& Perms(std::uint16_t v) { return perms = v, *this; }
    Item& Crc(std::uint16_t v) { return crc = v, *this; }

    std::string folder;  // level 0: the start of the name; level 2: the 0x02 header (0xFF between)
    std::string file;    // level 0: the rest of the name; level 2: the 0x01 header
    std::string body;
    std::string method;
    std::optional<std::uint32_t> length;  // announced; the body's size unless set
    std::optional<std::uint16_t> perms;   // a Unix mode in a 0x50 header (level 2)
    std::optional<std::uint16_t> crc;
};

std::string Level0(const Item& it) {
    const std::string name = it.folder + it.file;
    std::string h = it.method + Le(it.body.size(), 4) + Le(it.length.value_or(it.body.size()), 4) +
                    Le(0, 4) + '\x20' + '\0' + static_cast<char>(name.size()) + name +
                    Le(it.crc.value_or(Crc16(it.body)), 2);
    unsigned sum = 0;
    for (const unsigned char c : h) sum += c;
    return static_cast<char>(h.size()) + std::string(1, static_cast<char>(sum & 0xFF)) + h +
           it.body;
}

// Levels 2 and 3 keep the names in extended headers; level 3 widens every size to 4 bytes.
std::string LevelWithExtensions(const Item& it, int level) {
    const int width = level == 3 ? 4 : 2;
    std::vector<std::string> ext;
    if (!it.file.empty()) ext.push_back('\x01' + it.file);
    if (!it.folder.empty()) ext.push_back('\x02' + it.folder);
    if (it.perms) ext.push_back('\x50' + Le(*it.perms, 2));
    std::string tail;
    for (std::size_t i = 0; i < ext.size(); ++i)
        tail += ext[i] + Le(i + 1 < ext.size() ? ext[i + 1].size() + width : 0, width);
    const std::string first = Le(ext.empty() ? 0 : ext[0].size() + width, width);
    const std::size_t total = (level == 3 ? 28 : 24) + first.size() + tail.size();
    return (level == 3 ? Le(4, 2) : Le(total, 2)) + it.method + Le(it.body.size(), 4) +
           Le(it.length.value_or(it.body.size()), 4) + Le(0, 4) + '\x20' +
           static_cast<char>(level) + Le(it.crc.value_or(Crc16(it.body)), 2) + 'U' +
           (level == 3 ? Le(total, 4) : "") + first + tail + it.body;
}

std::string Level2(const Item& it) {
    return LevelWithExtensions(it, 2);
}

std::string Archive0(const std::vector<Item>& items) {
    std::string out;
    for (const auto& it : items) out += Level0(it);
    return out + '\0';
}

std::string Archive2(const std::vector<Item>& items) {
    std::string out;
    for (const auto& it : items) out += Level2(it);
    return out + '\0';
}

std::string Archive3(const std::vector<Item>& items) {
    std::string out;
    for (const auto& it : items) out += LevelWithExtensions(it, 3);
    return out + '\0';
}

// ---------------------------------------------------------------------------------------------
// A parent folder holding the archive and the empty target folder, so that anything written
// outside the target shows up next to them.

class Sandbox {
public:
    Sandbox() { fs::create_directory(folder); }
    ExtractOutcome Run(const std::string& bytes, ArchiveLimits limits = {}) {
        test::WriteFile(archive, bytes);
        return LhaArchive(limits).ExtractAll(archive, folder);
    }
    std::set<std::string> Beside() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(base.path()))
            names.insert(e.path().filename().string());
        return names;
    }
    std::set<std::string> Inside() const {
        std::set<std::string> names;
        for (const auto& e : fs::recursive_directory_iterator(folder))
            names.insert(fs::relative(e.path(), folder).string() + (e.is_directory() ? "/" : ""));
        return names;
    }
    std::string Read(const std::string& relative) const {
        return ReadWholeFile(folder + "/" + relative).value_or("<none>");
    }

    test::TempDir base;
    const std::string archive = base.Sub("quest.lzh");
    const std::string folder = base.Sub("out");
};

// Refused with a message naming `mention`, the target folder empty and nothing beside it.
void ExpectRefused(const std::string& bytes, const std::string& mention,
                   ArchiveLimits limits = {}) {
    Sandbox box;
    const ExtractOutcome out = box.Run(bytes, limits);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.files, 0u);
    EXPECT_NE(out.message.find(mention), std::string::npos) << out.message;
    EXPECT_TRUE(box.Inside().empty());
    EXPECT_EQ(box.Beside(), (std::set<std::string>{"quest.lzh", "out"}));
}

const std::string kSjisQuiz = EncodeCp932("出題");
const std::string kSjisData = EncodeCp932("データ.csv");
const std::string kSjisHyo = EncodeCp932("表.csv");  // its second byte is 0x5C, a '\' on its own
const std::string kFF = "\xFF";                      // the folder separator of extended headers

// ---------------------------------------------------------------------------------------------

TEST(ArchiveTest, HandMadeCp932NamesExtractToUtf8AtEveryHeaderLevel) {
    ASSERT_EQ(kSjisHyo[1], '\\');
    const std::string day = "09:00:00,1000\r\n";
    // Level 0: '\' between folders, and a name whose second byte is also 0x5C.
    {
        Sandbox box;
        const auto out = box.Run(Archive0({{kSjisQuiz + "\\", kSjisData, "a,b\r\n"},
                                           {kSjisQuiz + "\\221104\\", kSjisHyo, day},
                                           {"", "data.txt", ""}}));
        ASSERT_TRUE(out.ok) << out.message;
        EXPECT_EQ(out.files, 3u);
        EXPECT_EQ(box.Inside(), (std::set<std::string>{"出題/", "出題/データ.csv", "出題/221104/",
                                                       "出題/221104/表.csv", "data.txt"}));
        EXPECT_EQ(box.Read("出題/データ.csv"), "a,b\r\n");
        EXPECT_EQ(box.Read("出題/221104/表.csv"), day);
        EXPECT_EQ(box.Read("data.txt"), "");
    }
    // Levels 2 and 3: 0xFF between folders in the folder header, a folder entry of its own.
    for (const auto archive : {Archive2, Archive3}) {
        Sandbox box;
        const auto out = box.Run(archive({{kSjisQuiz + "\xFF", "", "", "-lhd-"},
                                          {kSjisQuiz + kFF + "221104" + kFF, kSjisHyo, day},
                                          {kSjisQuiz, kSjisData, "x"}}));
        ASSERT_TRUE(out.ok) << out.message;
        EXPECT_EQ(out.files, 2u);
        EXPECT_EQ(box.Inside(), (std::set<std::string>{"出題/", "出題/データ.csv", "出題/221104/",
                                                       "出題/221104/表.csv"}));
        EXPECT_EQ(box.Read("出題/221104/表.csv"), day);
        EXPECT_EQ(box.Read("出題/データ.csv"), "x");
    }
}

TEST(ArchiveTest, HarmlessOddNamesStayInsideAndLaterEntriesOverwrite) {
    Sandbox box;
    const auto out = box.Run(Archive0({{"./a//", "b.csv", "first"},
                                       {"a/", "b.csv", "second"},
                                       {"dir/", "", "", "-lhd-"},
                                       {"", "...", "dots"}}));
    ASSERT_TRUE(out.ok) << out.message;
    EXPECT_EQ(out.files, 2u);  // a/b.csv named twice counts once
    EXPECT_EQ(box.Inside(), (std::set<std::string>{"a/", "a/b.csv", "dir/", "..."}));
    EXPECT_EQ(box.Read("a/b.csv"), "second");
}

TEST(ArchiveTest, NamesLeadingOutsideAreRefusedWhole) {
    const Item good{"", "good.csv", "ok"};
    ExpectRefused(Archive0({good, {"../", "escape.csv", "x"}}), "../escape.csv");
    ExpectRefused(Archive0({good, {"a\\..\\..\\", "escape.csv", "x"}}), "フォルダの外");
    ExpectRefused(Archive2({good, {"", "..\\escape.csv", "x"}}), "フォルダの外");
    ExpectRefused(Archive2({good, {"..\xFF", "escape.csv", "x"}}), "フォルダの外");
    ExpectRefused(Archive2({good, {"sub\xFF..\xFF..\xFF", "", "", "-lhd-"}}), "フォルダの外");
    ExpectRefused(Archive2({good, {"", "..", "x"}}), "フォルダの外");
}

TEST(ArchiveTest, AbsoluteNamesAndDrivesAreRefused) {
    Sandbox probe;  // an absolute name pointing next to the archive would show up there
    const std::string inside = probe.base.Sub("abs.csv");
    ExpectRefused(Archive0({{"", inside, "x"}}), "絶対パス");
    EXPECT_FALSE(fs::exists(inside));
    ExpectRefused(Archive0({{"\\", "x.csv", "x"}}), "絶対パス");
    ExpectRefused(Archive0({{"\\\\server\\share\\", "x.csv", "x"}}), "絶対パス");
    ExpectRefused(Archive0({{"C:\\", "x.csv", "x"}}), "ドライブ");
    ExpectRefused(Archive0({{"c:", "x.csv", "x"}}), "ドライブ");
    ExpectRefused(Archive2({{kFF + "tmp" + kFF, "x.csv", "x"}}), "絶対パス");
}

TEST(ArchiveTest, LinksAndSpecialEntriesAreRefused) {
    const Item good{"", "good.csv", "ok"};
    // A Unix symbolic link as LHA stores it: a folder method, the link mode, "name|target".
    ExpectRefused(Archive2({good, Item("", "link|/etc", "", "-lhd-").Perms(0120777)}),
                  "シンボリックリンク");
    ExpectRefused(Archive2({good, {"link|target\xFF", "", "", "-lhd-"}}), "使えない文字");
    ExpectRefused(Archive2({good, Item("", "fifo", "x").Perms(0010644)}),
                  "通常のファイルでもフォルダでもありません");
    ExpectRefused(Archive2({good, Item("dev\xFF", "", "", "-lhd-").Perms(0060644)}),
                  "通常のファイルでもフォルダでもありません");
    ExpectRefused(Archive0({good, {"", std::string("a\x01.csv"), "x"}}), "使えない文字");
    ExpectRefused(Archive0({good, {"", "ab:c.csv", "x"}}), "使えない文字");
    // A stray NUL must not shorten the name to something that looks harmless.
    ExpectRefused(Archive2({good, {"", std::string("ok.csv\0/../../x", 15), "x"}}), "使えない文字");
}

TEST(ArchiveTest, NamesThatAreNothingAreRefused) {
    ExpectRefused(Archive0({{"sub\\", "", "x"}}), "ファイルの名前がありません");
    ExpectRefused(Archive2({{".\xFF", "", "", "-lhd-"}}), "名前のない項目");
    ExpectRefused(Archive0({{"", "a/", "x"}}), "ファイルの名前がありません");
}

TEST(ArchiveTest, AnEntryUsedAsFileAndFolderIsRefused) {
    ExpectRefused(Archive0({{"", "a", "x"}, {"a\\", "b.csv", "y"}}), "ファイルとフォルダの両方");
    ExpectRefused(Archive0({{"a\\", "b.csv", "y"}, {"", "a", "x"}}), "ファイルとフォルダの両方");
    ExpectRefused(Archive2({{"a\xFF", "", "", "-lhd-"}, {"", "a", "x"}}),
                  "ファイルとフォルダの両方");
}

TEST(ArchiveTest, CorruptOrCutArchivesAreRefused) {
    const Item good{"", "good.csv", "ok"};
    ExpectRefused("", "壊れています");
    ExpectRefused("plain text, not an archive at all\r\n", "壊れています");
    ExpectRefused(std::string(1, '\0'), "壊れています");
    // The header announces 1000 bytes and the file ends ten bytes into them.
    const std::size_t header = Level0({"", "cut.csv", ""}).size();
    ExpectRefused(
        Level0(good) + Level0({"", "cut.csv", std::string(1000, 'x')}).substr(0, header + 10),
        "途中で切れています");
    // The last header is cut in the middle.
    const std::string second = Level0({"", "second.csv", "x"});
    ExpectRefused(Level0(good) + second.substr(0, 15), "見出しを読めません");
    // A header checksum that does not add up.
    std::string badSum = Archive0({good, {"", "b.csv", "x"}});
    badSum[Level0(good).size() + 1] ^= 0x55;
    ExpectRefused(badSum, "見出しを読めません");
    ExpectRefused(Archive0({good, {"", "x.csv", "data", "-lh9-"}}), "圧縮方式");
}

TEST(ArchiveTest, ABodyThatFailsItsCrcUndoesWhatWasAlreadyWritten) {
    std::string bytes =
        Archive0({{kSjisQuiz + "\\", "good.csv", "written first"}, {"", "bad.csv", "0123456789"}});
    bytes[bytes.size() - 4] ^= 1;  // inside the second body
    ExpectRefused(bytes, "CRC");
    // A header CRC that does not match stored data.
    ExpectRefused(
        Archive2({{"", "good.csv", "written first"}, Item("", "x.csv", "abc").Crc(0x1234)}), "CRC");
}

TEST(ArchiveTest, AWriteThatFailsMidwayUndoesEverything) {
    Sandbox box;
    test::WriteFile(box.archive,
                    Archive0({{kSjisQuiz + "\\", "first.csv", std::string(500, 'a')},
                              {kSjisQuiz + "\\", "second.csv", std::string(5000, 'b')}}));
    ExtractOutcome out;
    test::WithDiskSpace(1000, [&] {
        out = LhaArchive().ExtractAll(box.archive, box.folder);
        return out.ok;
    });
    EXPECT_FALSE(out.ok);
    EXPECT_NE(out.message.find("second.csv」を書き込めません（ディスクの空きが足りません）"),
              std::string::npos)
        << out.message;
    EXPECT_TRUE(box.Inside().empty());
}

TEST(ArchiveTest, SizesAndCountsAreCheckedAgainstTheLimits) {
    // A header announcing a 4 GiB file is refused before anything is unpacked.
    ExpectRefused(Archive2({Item("", "huge.csv", "x", "-lh5-").Length(0xFFFFFFFFu)}),
                  "大きすぎます");

    ArchiveLimits small;
    small.maxFileBytes = 60;
    small.maxTotalBytes = 100;
    small.maxEntries = 3;
    small.maxPathBytes = 12;
    const std::string s60(60, 's');
    const std::string s40(40, 't');
    // Exactly at each limit passes: 100 bytes in all, three entries, a 12-byte path.
    {
        Sandbox box;
        const auto out = box.Run(
            Archive0({{"", "a", s60}, {"dir\\", "12345678", s40}, {"d\\", "", "", "-lhd-"}}),
            small);
        ASSERT_TRUE(out.ok) << out.message;
        EXPECT_EQ(box.Read("dir/12345678"), s40);
    }
    ExpectRefused(Archive0({{"", "a", s60 + "x"}}), "大きすぎます", small);
    ExpectRefused(Archive0({{"", "a", s60}, {"", "b", s40 + "x"}}), "上限（100 バイト）", small);
    ExpectRefused(Archive0({{"", "a", "1"}, {"", "b", "2"}, {"", "c", "3"}, {"", "d", "4"}}),
                  "項目が多すぎます", small);
    ExpectRefused(Archive0({{"dir\\", "123456789", "x"}}), "名前が長すぎます", small);
    ExpectRefused(Archive2({{"", std::string(256, 'n'), "x"}}), "名前が長すぎます");
}

TEST(ArchiveTest, EverythingIsCheckedBeforeTheFirstWrite) {
    // In a folder nobody may write to, a hostile last entry must be what is reported: had the
    // first file been written before the names were checked, the write would fail first.
    Sandbox box;
    test::WriteFile(box.archive, Archive0({{"", "first.csv", "x"}, {"../", "escape.csv", "y"}}));
    fs::permissions(box.base.path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(box.archive,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    fs::permissions(box.folder, fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    const std::string archive = box.archive;
    const std::string folder = box.folder;
    EXPECT_TRUE(test::InProcessWithoutWriteAccess([&] {
        const ExtractOutcome out = LhaArchive().ExtractAll(archive, folder);
        return !out.ok && out.message.find("フォルダの外") != std::string::npos;
    }));
    // The same archive with a good second entry does fail on the write, so the check above bites.
    test::WriteFile(box.archive, Archive0({{"", "first.csv", "x"}, {"", "second.csv", "y"}}));
    EXPECT_TRUE(test::InProcessWithoutWriteAccess([&] {
        const ExtractOutcome out = LhaArchive().ExtractAll(archive, folder);
        return !out.ok && out.message.find("書き込めません") != std::string::npos;
    }));
    fs::permissions(box.folder, fs::perms::owner_all);
}

TEST(ArchiveTest, TheTargetMustBeAnEmptyFolderAndIsLeftAloneOtherwise) {
    Sandbox box;
    test::WriteFile(box.folder + "/keep.txt", "mine");
    const auto out = box.Run(Archive0({{"", "keep.txt", "theirs"}}));
    EXPECT_FALSE(out.ok);
    EXPECT_FALSE(out.message.empty());
    EXPECT_EQ(box.Read("keep.txt"), "mine");

    Sandbox missing;
    fs::remove(missing.folder);
    EXPECT_FALSE(missing.Run(Archive0({{"", "a", "x"}})).ok);
    EXPECT_FALSE(fs::exists(missing.folder));

    Sandbox noArchive;
    const auto none = LhaArchive().ExtractAll(noArchive.base.Sub("absent.lzh"), noArchive.folder);
    EXPECT_FALSE(none.ok);
    EXPECT_NE(none.message.find("開けません"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// Archives made by the LHA tool, the way a package is made: CP932 names, lh5 bodies.

TEST(ArchiveTest, PackagesMadeByTheLhaToolExtractByteForByte) {
    ASSERT_EQ(std::system("command -v lha >/dev/null 2>&1"), 0)
        << "lha (jlha-utils) must be installed";
    test::TempDir source;
    std::string day;
    for (int i = 0; i < 3000; ++i)
        day += std::to_string(32400 + 5 * i) + "," + std::to_string(1000 + i % 17) + ",300\r\n";
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) >> 3);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"出題/data.txt", EncodeCp932("出題：221104 8473 東証プライム\r\n")},
        {"出題/221104/8473.csv", day},
        {"出題/221104/表.csv", binary},
        {"出題/221104/empty.csv", ""},
    };
    for (const auto& [name, bytes] : files) test::WriteFile(source.Sub(name), bytes);

    for (const int level : {0, 1, 2}) {
        SCOPED_TRACE("header level " + std::to_string(level));
        Sandbox box;
        ASSERT_TRUE(test::MakeLhaArchive(source.path(), "出題", box.archive, level));
        const std::string packed = ReadWholeFile(box.archive).value_or("");
        ASSERT_NE(packed.find("-lh5-"), std::string::npos);    // the day file really is compressed
        ASSERT_NE(packed.find(kSjisQuiz), std::string::npos);  // and the names really are CP932
        const auto out = LhaArchive().ExtractAll(box.archive, box.folder);
        ASSERT_TRUE(out.ok) << out.message;
        EXPECT_EQ(out.files, files.size());
        std::size_t found = 0;
        for (const auto& e : fs::recursive_directory_iterator(box.folder))
            found += e.is_regular_file();
        EXPECT_EQ(found, files.size());
        for (const auto& [name, bytes] : files) EXPECT_TRUE(box.Read(name) == bytes) << name;
        EXPECT_EQ(box.Beside(), (std::set<std::string>{"quest.lzh", "out"}));
    }
}

TEST(ArchiveTest, AToolMadePackageWithOneFlippedByteLeavesNothing) {
    ASSERT_EQ(std::system("command -v lha >/dev/null 2>&1"), 0)
        << "lha (jlha-utils) must be installed";
    test::TempDir source;
    std::string day;
    for (int i = 0; i < 2000; ++i) day += std::to_string(i) + ",1234,5678\r\n";
    test::WriteFile(source.Sub("出題/data.txt"), "a,b\r\n");
    test::WriteFile(source.Sub("出題/221104/8473.csv"), day);
    Sandbox box;
    ASSERT_TRUE(test::MakeLhaArchive(source.path(), "出題", box.archive, 2));
    std::string bytes = ReadWholeFile(box.archive).value_or("");
    ASSERT_GT(bytes.size(), 400u);
    bytes[bytes.size() - 200] ^= 0x10;  // deep in the compressed day file
    ExpectRefused(bytes, "壊れています");
}

}  // namespace
}  // namespace corvala
