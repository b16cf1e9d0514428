// Play lists and song databases that are damaged, cut short, saved in
// UTF-16 or claim far more entries than they hold; and the one spelling a
// scanned song is stored under.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "songcore/lists/ListEntries.h"
#include "songcore/lists/PLSFile.h"
#include "songcore/lists/SDFFile.h"
#include "songcore/settings/Ini.h"
#include "songcore/settings/ProfileDocument.h"
#include "songcore/util/Hex.h"
#include "songcore/util/Paths.h"
#include "songcore/util/Text.h"
#include "songcore/views/PlayList.h"
#include "support/TestSupport.h"

using songcore::ListEntry;
using testsupport::DataFile;
using testsupport::ReadFileBytes;
using testsupport::ReadFileText;
using testsupport::RunTunemoss;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {

void WriteText(const std::string& path, std::string_view text) {
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> Utf16(std::string_view text, bool bigEndian) {
    std::vector<uint8_t> units =
        bigEndian ? songcore::Utf8ToUtf16Be(text) : songcore::Utf8ToUtf16Le(text);
    std::vector<uint8_t> bytes =
        bigEndian ? std::vector<uint8_t>{0xFE, 0xFF} : std::vector<uint8_t>{0xFF, 0xFE};
    // Room first: GCC 12 wrongly sees the growth overrun the small vector
    // in an optimised build.
    bytes.reserve(bytes.size() + units.size());
    bytes.insert(bytes.end(), units.begin(), units.end());
    return bytes;
}

std::vector<std::string> Files(const std::string& path, bool* ok = nullptr) {
    std::vector<ListEntry> entries;
    std::string error;
    bool read = songcore::ReadListFile(path, entries, error);
    if (ok) {
        *ok = read;
    }
    std::vector<std::string> files;
    for (const ListEntry& entry : entries) {
        files.push_back(entry.artist + "|" + entry.title + "|" + entry.file);
    }
    return files;
}

// Runs a command in another current folder.
class InFolder {
public:
    explicit InFolder(const std::string& folder) : old_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~InFolder() { std::filesystem::current_path(old_); }

private:
    std::filesystem::path old_;
};

}  // namespace

TEST(ListInput, HugeCountsCostNothing) {
    TempDir dir;
    // 70 bytes that once kept a reader busy for hours.
    std::string pls = dir.file("huge.pls");
    WriteText(pls, "[playlist]\nNumberOfEntries=2000000000\nFile1=/a.mp3\nFile3=/c.mp3\n");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Files(pls),
              (std::vector<std::string>{"Unknow Artist|a|/a.mp3", "Unknow Artist|c|/c.mp3"}));
    CPlayList list;
    EXPECT_EQ(list.ReadPLSList(pls.c_str()), 2);

    // The desktop play list's count is as harmless.
    std::string pl = dir.file("qarv.pl");
    WriteText(pl,
              "[Info]\nVersion=1.0\nCount=4294967295\n[Song 1]\nArtist=B\nAlbum=\nTitle=Two\n"
              "File=/b.mp3\n[Song 0]\nArtist=A\nTitle=One\nFile=/a.mp3\n[Song 07]\nFile=/x\n");
    EXPECT_EQ(Files(pl), (std::vector<std::string>{"A|One|/a.mp3", "B|Two|/b.mp3"}));
    CPlayList desktop;
    EXPECT_EQ(desktop.LoadPlayList(pl.c_str()), 2);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST(ListInput, PlsWithoutCountIsReadByItsKeysInNumberOrder) {
    TempDir dir;
    std::string pls = dir.file("nocount.pls");
    WriteText(pls,
              "[playlist]\nFile10=/j.mp3\nFile2=/b.mp3\nTitle2=Art - Bee\nfile1=/a.mp3\n"
              "File02=/not-two.mp3\nFile1=/second-a.mp3\nLength2=7\n");
    EXPECT_EQ(Files(pls), (std::vector<std::string>{"Unknow Artist|a|/a.mp3", "Art|Bee|/b.mp3",
                                                    "Unknow Artist|j|/j.mp3"}));
    // A count below the keys still ends the list where it says.
    WriteText(pls, "[playlist]\nNumberOfEntries=1\nFile1=/a.mp3\nFile2=/b.mp3\n");
    EXPECT_EQ(Files(pls).size(), 1u);
    // A file without a list is no list of 0 songs.
    WriteText(pls, "[other]\nFile1=/a.mp3\n");
    bool ok = true;
    Files(pls, &ok);
    EXPECT_FALSE(ok);
}

TEST(ListInput, Utf16ListsInBothByteOrders) {
    TempDir dir;
    for (bool big : {false, true}) {
        std::string m3u = dir.file(big ? "be.m3u" : "le.m3u");
        WriteFileBytes(m3u, Utf16("#EXTM3U\r\n#EXTINF:5,Björk - Jóga\r\n/m/jóga.mp3\r\n", big));
        EXPECT_EQ(Files(m3u), (std::vector<std::string>{"Björk|Jóga|/m/jóga.mp3"})) << m3u;
        std::string pls = dir.file(big ? "be.pls" : "le.pls");
        WriteFileBytes(pls, Utf16("[playlist]\r\nNumberOfEntries=1\r\nFile1=/m/ö.mp3\r\n"
                                  "Title1=Ä - Ü\r\n",
                                  big));
        EXPECT_EQ(Files(pls), (std::vector<std::string>{"Ä|Ü|/m/ö.mp3"})) << pls;
    }
    // And converted, the songs arrive.
    std::string out = dir.file("out.m3u");
    auto run = RunTunemoss({"playlist", "convert", dir.file("be.pls"), out});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFileText(out), "#EXTM3U\n#EXTINF:0,Ä - Ü\n/m/ö.mp3\n");
}

TEST(ListInput, ByteOrderMarksReadBackTheSame) {
    std::string twice = "\xEF\xBB\xBF\xEF\xBB\xBF[PlayList]\nFile1=/a.mp3\n";
    songcore::ProfileDocument doc = songcore::ProfileDocument::Parse(twice);
    EXPECT_EQ(doc.Get("playlist", "File1"), "/a.mp3");
    std::string once = doc.Serialize();
    songcore::ProfileDocument again = songcore::ProfileDocument::Parse(once);
    EXPECT_EQ(again.Serialize(), once);
    EXPECT_EQ(again.SectionNames(), doc.SectionNames());
    // A UTF-16 file behind a UTF-8 mark, and a UTF-8 mark inside UTF-16.
    std::vector<uint8_t> mixed = Utf16("\xEF\xBB\xBF[A]\nk=v\n", false);
    mixed.insert(mixed.begin(), {0xEF, 0xBB, 0xBF});
    doc = songcore::ProfileDocument::Parse(std::string(mixed.begin(), mixed.end()));
    EXPECT_EQ(doc.Get("a", "k"), "v");
    EXPECT_EQ(songcore::ProfileDocument::Parse(doc.Serialize()).Serialize(), doc.Serialize());
}

TEST(ListInput, DamagedSongDatabasesFailAndAreNeverSavedOver) {
    TempDir dir;
    std::string whole = dir.file("whole.sdf");
    std::vector<ListEntry> songs;
    for (int i = 0; i < 6; ++i) {
        ListEntry entry;
        entry.artist = "A";
        entry.title = "S" + std::to_string(i);
        entry.file = "/m/" + std::to_string(i) + ".mp3";
        songs.push_back(entry);
    }
    std::string error;
    ASSERT_TRUE(songcore::WriteListFile(whole, songs, error)) << error;
    std::vector<uint8_t> bytes = ReadFileBytes(whole);
    size_t record = (bytes.size() - 7) / 6;
    bytes.resize(7 + 4 * record + record / 2);
    std::string cut = dir.file("cut.sdf");
    WriteFileBytes(cut, bytes);

    auto show = RunTunemoss({"playlist", "show", cut});
    EXPECT_EQ(show.status, 1);
    EXPECT_NE(show.err.find(cut), std::string::npos) << show.err;
    EXPECT_NE(show.err.find("cut short after 4 songs"), std::string::npos) << show.err;

    auto tree = RunTunemoss({"tree", cut});
    EXPECT_EQ(tree.status, 1);
    EXPECT_NE(tree.err.find("cut short"), std::string::npos) << tree.err;

    auto scan = RunTunemoss({"scan", "--db", cut, dir.file("")});
    EXPECT_EQ(scan.status, 1);
    EXPECT_NE(scan.err.find("cut short"), std::string::npos) << scan.err;
    EXPECT_EQ(ReadFileBytes(cut), bytes);

    // A damaged list is not converted, and what was at the target stays.
    WriteText(dir.file("keep.m3u"), "keep");
    auto convert = RunTunemoss({"playlist", "convert", cut, dir.file("keep.m3u")});
    EXPECT_EQ(convert.status, 1);
    EXPECT_EQ(ReadFileText(dir.file("keep.m3u")), "keep");
    EXPECT_EQ(songcore::SongDatabaseDamage(whole), "");
}

TEST(ListInput, DesktopPlayListIsShownByExtensionOrContent) {
    TempDir dir;
    std::string text =
        "[Info]\nVersion=1.0\nCount=1\n[Song 0]\nArtist=A\nAlbum=L\nTitle=T\n"
        "File=/m/t.mp3\n";
    WriteText(dir.file("qarv.pl"), text);
    WriteText(dir.file("saved-list"), text);
    for (const char* name : {"qarv.pl", "saved-list"}) {
        auto run = RunTunemoss({"playlist", "show", dir.file(name)});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "A - T\t/m/t.mp3\n") << name;
    }
    auto convert = RunTunemoss({"playlist", "convert", dir.file("qarv.pl"), dir.file("o.pls")});
    ASSERT_EQ(convert.status, 0) << convert.err;
    EXPECT_EQ(Files(dir.file("o.pls")), (std::vector<std::string>{"A|T|/m/t.mp3"}));
    WriteText(dir.file("other.pl"), "print 1;\n");
    EXPECT_EQ(RunTunemoss({"playlist", "show", dir.file("other.pl")}).status, 1);
}

TEST(ListInput, PlsWriterKeepsOtherSectionsAndTheOldFileOnFailure) {
    TempDir dir;
    std::string path = dir.file("out.pls");
    WriteText(path, "[Other]\nkeep=1\n[playlist]\nFile4=/old4\nNumberOfEntries=4\n[More]\nx=2\n");
    {
        songcore::PlsWriter writer;
        ASSERT_TRUE(writer.Open(path));
        ASSERT_TRUE(writer.Add("A", "B\nC", " /b.mp3 ", 3));
        // Not committed: the old file stays.
    }
    EXPECT_NE(ReadFileText(path).find("File4=/old4"), std::string::npos);
    songcore::PlsWriter writer;
    ASSERT_TRUE(writer.Open(path));
    ASSERT_TRUE(writer.Add("A", "B\nC", " /b.mp3 ", 3));
    ASSERT_TRUE(writer.Commit());
    EXPECT_EQ(ReadFileText(path),
              "[Other]\nkeep=1\n[More]\nx=2\n[PlayList]\nFile1=/b.mp3\nTitle1=A - B C\n"
              "Length1=3\nNumberOfEntries=1\nVersion=2\n");
    CIni ini(path.c_str());
    EXPECT_EQ(ini.GetString("other", "keep", ""), "1");
    EXPECT_EQ(ini.GetString("playlist", "Title1", ""), "A - B C");
}

TEST(ListInput, ScanStoresOneNormalPathPerSong) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("scan/A"));
    std::filesystem::copy_file(DataFile("id3v1/v11.mp3"), dir.file("scan/A/song.mp3"));
    std::string db = dir.file("songs.sdf");
    {
        InFolder here(dir.file(""));
        for (const char* folder : {"./scan/A", "scan/A", "scan//A/", "scan/A/../A"}) {
            auto run = RunTunemoss({"scan", "--db", "songs.sdf", folder});
            ASSERT_EQ(run.status, 0) << folder << ": " << run.err;
        }
    }
    std::vector<std::string> files = Files(db);
    ASSERT_EQ(files.size(), 1u);
    std::string expected = songcore::NormalLocalPath(dir.file("scan/A/song.mp3"));
    EXPECT_EQ(files[0].substr(files[0].rfind('|') + 1), expected);
}

TEST(Paths, NormalLocalPathsAndHexDigits) {
    const std::pair<const char*, const char*> kCases[] = {{"/a/./b//c/../d/", "/a/b/d"},
                                                          {"//a/b", "/a/b"},
                                                          {"/", "/"},
                                                          {"/a/.", "/a"},
                                                          {"/a/b/..", "/a"},
                                                          {"/a//b", "/a/b"},
                                                          {"/a/b/", "/a/b"},
                                                          {"/.a/..b/c.", "/.a/..b/c."},
                                                          {"http://h/./x.mp3", "http://h/./x.mp3"}};
    for (const auto& [path, normal] : kCases) {
        EXPECT_EQ(songcore::NormalLocalPath(path), normal) << path;
    }
    std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(songcore::NormalLocalPath("./x/../y.mp3"), (cwd == "/" ? "" : cwd) + "/y.mp3");
    EXPECT_EQ(songcore::FileUriToPath("file:///a%20b%2Fc%zz"), "/a b/c%zz");
    std::string hex;
    songcore::AppendHexByte(hex, 0xA5);
    songcore::AppendHexByte(hex, 0x0F);
    EXPECT_EQ(hex, "A50F");
    EXPECT_EQ(songcore::HexDigitValue('f'), 15);
    EXPECT_EQ(songcore::HexDigitValue('G'), -1);
}
