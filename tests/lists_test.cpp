// M3U, PLS and song database files: what other programs write, the layout
// this library writes, and damaged input.
#include <gtest/gtest.h>

#include <filesystem>

#include "songcore/lists/ListEntries.h"
#include "songcore/lists/M3UFile.h"
#include "songcore/lists/PLSFile.h"
#include "songcore/lists/SDFFile.h"
#include "songcore/settings/PrivateProfile.h"
#include "support/TestSupport.h"

using songcore::ListEntry;
using testsupport::DataFile;
using testsupport::ReadFileBytes;
using testsupport::ReadFileText;
using testsupport::RunTunemoss;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {

struct Song {
    std::string artist, title, file;
    int length = 0;
    bool operator==(const Song&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Song& s) {
    return out << "{" << s.artist << " | " << s.title << " | " << s.file << " | " << s.length
               << "}";
}

std::vector<Song> ReadM3UText(const std::string& text, const char* listPath = "/lists/x.m3u") {
    CM3UFile list;
    EXPECT_EQ(list.OpenText(text, listPath), 1);
    std::vector<Song> songs;
    Song song;
    while (list.GetItem(song.artist, song.title, song.file, song.length)) {
        songs.push_back(song);
    }
    return songs;
}

std::vector<Song> ReadPLS(const std::string& path) {
    CPLSFile list(path.c_str());
    std::vector<Song> songs;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        Song song;
        if (list.GetItem(i, song.artist, song.title, song.file, song.length)) {
            songs.push_back(song);
        }
    }
    return songs;
}

void WriteText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string DataFolder() {
    return std::filesystem::absolute(DataFile("lists")).lexically_normal().string();
}

}  // namespace

// --- M3U ---

TEST(M3U, ExtendedEntries) {
    EXPECT_TRUE(ReadM3UText("#EXTM3U\n").empty());
    EXPECT_EQ(ReadM3UText("#EXTM3U\n#EXTINF:215,Artist - Title\n/a.mp3\n"),
              (std::vector<Song>{{"Artist", "Title", "/a.mp3", 215}}));
    EXPECT_EQ(ReadM3UText("#EXTM3U\n#EXTINF:215,Title only\n/a.mp3\n"),
              (std::vector<Song>{{"Unknow Artist", "Title only", "/a.mp3", 215}}));
    EXPECT_EQ(
        ReadM3UText("#EXTINF:-1,A - B\n/a\n#EXTINF:x,A - B\n/b\n#EXTINF: 99999999999,C\n/c"),
        (std::vector<Song>{
            {"A", "B", "/a", -1}, {"A", "B", "/b", 0}, {"Unknow Artist", "C", "/c", 2147483647}}));
    EXPECT_EQ(ReadM3UText("#EXTINF:0, - \n/music/Track 01.wma\n"),
              (std::vector<Song>{{"Unknow Artist", "Track 01", "/music/Track 01.wma", 0}}));
}

TEST(M3U, SplitsArtistAtSpacedHyphenFirst) {
    EXPECT_EQ(ReadM3UText("#EXTINF:0,Jay-Z - Song\n/j.mp3\n#EXTINF:0,A-B\n/k.mp3\n"),
              (std::vector<Song>{{"Jay-Z", "Song", "/j.mp3", 0}, {"A", "B", "/k.mp3", 0}}));
}

TEST(M3U, PlainPathsAndOddLinesAreSongs) {
    // No header at all; blank lines; a header with bare paths.
    EXPECT_EQ(ReadM3UText("/m/one.mp3\n\n/m/two.ogg\n"),
              (std::vector<Song>{{"Unknow Artist", "one", "/m/one.mp3", 0},
                                 {"Unknow Artist", "two", "/m/two.ogg", 0}}));
    // A broken information line tells nothing about the path after it; a
    // second information line replaces the first; other directives and a
    // blank line between information and path do not matter.
    EXPECT_EQ(ReadM3UText("#EXTM3U\n#EXTINF:5 A - B\n/a.mp3\n#EXTINF:1,X - Y\n"
                          "#EXTINF:2,P - Q\n#EXTGENRE:Rock\n\n/p.mp3\n"),
              (std::vector<Song>{{"Unknow Artist", "a", "/a.mp3", 0}, {"P", "Q", "/p.mp3", 2}}));
    // Windows line ends, trailing blanks, a byte order mark.
    EXPECT_EQ(ReadM3UText("\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:3,A - B \t\r\n/b.mp3  \r\n"),
              (std::vector<Song>{{"A", "B", "/b.mp3", 3}}));
    // A line with a NUL byte is no path.
    EXPECT_TRUE(ReadM3UText(std::string("/a\0b.mp3\n", 9)).empty());
}

TEST(M3U, RelativePathsAndFileLocations) {
    EXPECT_EQ(ReadM3UText("sub/a.mp3\n./b.mp3\n../c.mp3\nfile:///x/y%20z.mp3\n"
                          "file://localhost/l.mp3\nhttp://h/s.mp3\nC:\\w\\v.mp3\n",
                          "/lists/x.m3u")[0]
                  .file,
              "/lists/sub/a.mp3");
    std::vector<Song> songs = ReadM3UText(
        "sub/a.mp3\n./b.mp3\n../c.mp3\nfile:///x/y%20z.mp3\nfile://localhost/l.mp3\n"
        "http://h/s.mp3\nC:\\w\\v.mp3\n",
        "/lists/x.m3u");
    ASSERT_EQ(songs.size(), 7u);
    EXPECT_EQ(songs[1].file, "/lists/b.mp3");
    EXPECT_EQ(songs[2].file, "/lists/../c.mp3");
    EXPECT_EQ(songs[3].file, "/x/y z.mp3");
    EXPECT_EQ(songs[3].title, "y z");
    EXPECT_EQ(songs[4].file, "/l.mp3");
    EXPECT_EQ(songs[5].file, "http://h/s.mp3");
    EXPECT_EQ(songs[6].file, "C:\\w\\v.mp3");
}

TEST(M3U, ListsWrittenByOtherPrograms) {
    std::string folder = DataFolder();
    CM3UFile vlc;
    ASSERT_EQ(vlc.Open(DataFile("lists/vlc.m3u8").c_str(), 1), 1);
    std::vector<Song> songs;
    Song song;
    while (vlc.GetItem(song.artist, song.title, song.file, song.length)) {
        songs.push_back(song);
    }
    EXPECT_EQ(songs,
              (std::vector<Song>{{"Jay-Z", "Song", folder + "/Music/Jay-Z - Song.mp3", 215},
                                 {"Björk", "Jóga", folder + "/../Other/Jóga.flac", -1},
                                 {"Unknow Artist", "Spaced Out", "/srv/music/Spaced Out.ogg", 12},
                                 {"Radio", "Stream", "http://radio.example/stream.mp3", 0}}));

    std::vector<ListEntry> entries;
    std::string error;
    ASSERT_TRUE(songcore::ReadListFile(DataFile("lists/winamp.m3u"), entries, error));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].file, "C:\\Music\\a.mp3");
    EXPECT_EQ(entries[0].length, 200);
    EXPECT_EQ(entries[1].artist, "AC-DC");
    EXPECT_EQ(entries[1].file, folder + "/thunder.mp3");

    ASSERT_TRUE(songcore::ReadListFile(DataFile("lists/plain.m3u"), entries, error));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].file, folder + "/one.mp3");
    EXPECT_EQ(entries[0].title, "one");
    EXPECT_EQ(entries[1].file, "/abs/two.ogg");
    EXPECT_EQ(entries[2].file, folder + "/sub/three.flac");
}

TEST(M3U, WritesTheExtendedLayout) {
    TempDir dir;
    std::string path = dir.file("out.m3u8");
    CM3UFile list;
    ASSERT_EQ(list.Open(path.c_str(), 0), 1);
    ASSERT_EQ(list.WriteItem("A", "B", "C:\\b.mp3", 0), 1);
    ASSERT_EQ(list.WriteItem("Jay-Z", "Two\nLines", "rel/c.mp3", -1), 1);
    ASSERT_EQ(list.Commit(), 1);
    EXPECT_EQ(ReadFileText(path),
              "#EXTM3U\n#EXTINF:0,A - B\nC:\\b.mp3\n#EXTINF:-1,Jay-Z - Two Lines\nrel/c.mp3\n");
    // And reads back the same (relative paths now resolved).
    CM3UFile back;
    ASSERT_EQ(back.Open(path.c_str(), 1), 1);
    Song song;
    ASSERT_EQ(back.GetItem(song.artist, song.title, song.file, song.length), 1);
    ASSERT_EQ(back.GetItem(song.artist, song.title, song.file, song.length), 1);
    EXPECT_EQ(song, (Song{"Jay-Z", "Two Lines", dir.path() + "/rel/c.mp3", -1}));
}

TEST(M3U, AListAppearsWholeOrNotAtAll) {
    TempDir dir;
    std::string path = dir.file("list.m3u");
    WriteText(path, "old list\n");
    {
        CM3UFile list;
        ASSERT_EQ(list.Open(path.c_str(), 0), 1);
        list.WriteItem("A", "B", "/b.mp3", 0);
        EXPECT_EQ(ReadFileText(path), "old list\n");
    }
    EXPECT_EQ(ReadFileText(path), "#EXTM3U\n#EXTINF:0,A - B\n/b.mp3\n");
    CM3UFile nowhere;
    EXPECT_EQ(nowhere.Open(dir.file("missing/x.m3u").c_str(), 0), 0);
    EXPECT_EQ(nowhere.WriteItem("A", "B", "/c", 0), 0);
    EXPECT_EQ(nowhere.Open(dir.file("missing.m3u").c_str(), 1), 0);
    EXPECT_FALSE(nowhere.GetErrorMessage().empty());
}

// --- PLS ---

TEST(PLS, EntriesAsOtherPlayersWriteThem) {
    TempDir dir;
    std::string path = dir.file("a.pls");
    WriteText(path,
              "[PLAYLIST]\nNumberOfEntries=5\nFile1=/a.mp3\nTitle1=Artist - Song\nLength1=200\n"
              "File2=/b.mp3\nTitle2=Other - Tune\nFile3=/music/Track 01.wma\nTitle3= - \n"
              "Length3=-1\nFile4=/d.mp3\nTitle4=AC-DC - Thunder\nLength4=abc\n"
              "File5=  \nTitle5=X - Y\nFile6=/beyond.mp3\n");
    EXPECT_EQ(ReadPLS(path),
              (std::vector<Song>{{"Artist", "Song", "/a.mp3", 200},
                                 {"Other", "Tune", "/b.mp3", 0},
                                 {"Unknow Artist", "Track 01", "/music/Track 01.wma", -1},
                                 {"AC-DC", "Thunder", "/d.mp3", 0}}));
    EXPECT_EQ(CPLSFile(path.c_str()).GetVersion(), 2u);
    EXPECT_EQ(CPLSFile(dir.file("none.pls").c_str()).GetItemCount(), 0);
}

TEST(PLS, EntriesWithoutTitlesAreSongs) {
    std::string folder = DataFolder();
    EXPECT_EQ(ReadPLS(DataFile("lists/notitle.pls")),
              (std::vector<Song>{{"Unknow Artist", "one", folder + "/one.mp3", -1},
                                 {"Unknow Artist", "two", "/abs/two.ogg", 30}}));
    EXPECT_EQ(ReadPLS(DataFile("lists/winamp.pls")),
              (std::vector<Song>{{"Artist", "Song", "C:\\Music\\a.mp3", 200},
                                 {"AC-DC", "Thunder", folder + "/b.mp3", 0}}));
    TempDir dir;
    std::string path = dir.file("t.pls");
    WriteText(path, "[playlist]\nNumberOfEntries=1\nFile1=/x/a.mp3\nTitle1=Just a title\n");
    EXPECT_EQ(ReadPLS(path), (std::vector<Song>{{"Unknow Artist", "Just a title", "/x/a.mp3", 0}}));
    // An empty artist or title survives the blanks the INI reader trims.
    CPLSFile list(path.c_str());
    ASSERT_TRUE(list.WriteItem(0, "", "B", "/x/b.mp3", 0));
    ASSERT_TRUE(list.WriteItem(1, "A", "", "/x/Name.mp3", 0));
    ASSERT_TRUE(list.WriteItemCount(2));
    EXPECT_EQ(ReadPLS(path), (std::vector<Song>{{"Unknow Artist", "B", "/x/b.mp3", 0},
                                                {"A", "Name", "/x/Name.mp3", 0}}));
}

TEST(PLS, WritingReplacesTheOldList) {
    TempDir dir;
    std::string path = dir.file("out.pls");
    WriteText(path, "[Other]\nkeep=1\n[playlist]\nFile4=/old4\nFile5=/old5\nNumberOfEntries=5\n");
    {
        songcore::ProfileWriteBatch batch(path);
        CPLSFile list(path.c_str());
        list.RemoveAll();
        ASSERT_TRUE(list.WriteItem(0, "A", "B", "C:\\b.mp3", 0));
        ASSERT_TRUE(list.WriteItemCount(1));
        ASSERT_TRUE(list.WriteVersion(2));
        ASSERT_TRUE(batch.Commit());
    }
    EXPECT_EQ(ReadFileText(path),
              "[Other]\nkeep=1\n[playlist]\nFile1=C:\\b.mp3\nTitle1=A - B\nLength1=0\n"
              "NumberOfEntries=1\nVersion=2\n");
}

// --- song database ---

TEST(SDF, RecordLayout) {
    TempDir dir;
    std::string path = dir.file("a.sdf");
    CSDFFile out;
    ASSERT_TRUE(out.Open(path.c_str(), 0));
    ASSERT_EQ(out.WriteVersion(1), 1);
    ASSERT_EQ(out.WriteItem("A", "", "Song", "C:\\s.mp3", 0xC1), 1);
    ASSERT_EQ(out.WriteItem("", "", "", "/p", 0x41), 1);
    ASSERT_EQ(out.Commit(), 1);
    std::vector<uint8_t> expected = {
        'S', 'D', 'F', 1,   0, 0, 0, 4, 0, 0, 0, 'S', 'o', 'n', 'g',  0xC1, 0,   0,   0,   1,
        0,   0,   0,   'A', 0, 0, 0, 0, 8, 0, 0, 0,   'C', ':', '\\', 's',  '.', 'm', 'p', '3'};
    // An empty record: three zero lengths, the type, the path.
    std::vector<uint8_t> empty = {0, 0, 0, 0, 0x41, 0, 0, 0, 0, 0,   0,
                                  0, 0, 0, 0, 0,    2, 0, 0, 0, '/', 'p'};
    expected.insert(expected.end(), empty.begin(), empty.end());
    EXPECT_EQ(ReadFileBytes(path), expected);

    CSDFFile in;
    ASSERT_TRUE(in.Open(path.c_str(), 1));
    uint32_t version = 0;
    ASSERT_EQ(in.ReadVersion(version), 1);
    EXPECT_EQ(version, 1u);
    std::string artist, album, title, file;
    uint32_t type = 0;
    ASSERT_EQ(in.ReadItem(artist, album, title, file, type), 1);
    EXPECT_EQ(title, "Song");
    EXPECT_EQ(type, 0xC1u);
    ASSERT_EQ(in.ReadItem(artist, album, title, file, type), 1);
    EXPECT_EQ(file, "/p");
    EXPECT_EQ(in.ReadItem(artist, album, title, file, type), 0);
}

TEST(SDF, DamagedFilesEndTheListQuietly) {
    auto readAll = [](std::vector<uint8_t> bytes, int* records) {
        CSDFFile in;
        in.OpenBytes(std::move(bytes));
        uint32_t version = 0;
        *records = 0;
        if (!in.ReadVersion(version) || version != 1) {
            return false;
        }
        std::string a, b, c, d;
        uint32_t type;
        while (in.ReadItem(a, b, c, d, type)) {
            ++*records;
        }
        return true;
    };
    int records = 0;
    EXPECT_TRUE(readAll({'S', 'D', 'F', 1, 0, 0, 0}, &records));
    EXPECT_EQ(records, 0);
    EXPECT_FALSE(readAll({'s', 'd', 'f', 1, 0, 0, 0}, &records));
    EXPECT_FALSE(readAll({'S', 'D', 'F', 1, 0, 0}, &records));
    EXPECT_FALSE(readAll({'S', 'D', 'F', 2, 0, 0, 0}, &records));
    // A negative length, and a length far beyond the file, end the list.
    EXPECT_TRUE(readAll({'S', 'D', 'F', 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, &records));
    EXPECT_EQ(records, 0);
    EXPECT_TRUE(readAll({'S', 'D', 'F', 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 'x'}, &records));
    EXPECT_EQ(records, 0);

    std::vector<ListEntry> entries;
    std::string error;
    // The second record is cut short: the list is damaged, not one song long,
    // though the song before the damage was seen.
    EXPECT_FALSE(songcore::ReadListFile(DataFile("lists/two.sdf"), entries, error));
    EXPECT_EQ(error, "the song database is damaged or cut short after 1 song");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].title, "Song");
    EXPECT_EQ(entries[0].artist, "A");
    EXPECT_EQ(entries[0].file, "/m/s.mp3");

    TempDir dir;
    CSDFFile out;
    EXPECT_EQ(out.Open(dir.file("no/folder.sdf").c_str(), 0), 0);
}

// --- tunemoss playlist ---

TEST(PlaylistCommand, ShowsAndConvertsEveryKind) {
    auto shown = RunTunemoss({"playlist", "show", DataFile("lists/winamp.pls")});
    ASSERT_EQ(shown.status, 0) << shown.err;
    // Text is shown escaped, a backslash as two, so a tab or a line break in
    // a tag cannot pass for the separators.
    EXPECT_EQ(shown.out,
              "Artist - Song\tC:\\\\Music\\\\a.mp3\nAC-DC - Thunder\t" + DataFolder() + "/b.mp3\n");

    TempDir dir;
    testsupport::WriteFileBytes(dir.file("forged.m3u"),
                                {'#', 'E', 'X',  'T', 'I',  'N', 'F', ':', '1',  ',', 'A', ' ', '-',
                                 ' ', 'T', '\t', 'x', 0x1B, '[', '2', 'J', '\n', '/', 'f', '\n'});
    auto forged = RunTunemoss({"playlist", "show", dir.file("forged.m3u")});
    EXPECT_EQ(forged.out, "A - T\\tx\\e[2J\t/f\n");
    std::string pls = dir.file("a.pls"), sdf = dir.file("b.sdf"), m3u = dir.file("c.m3u");
    ASSERT_EQ(RunTunemoss({"playlist", "convert", DataFile("lists/vlc.m3u8"), pls}).status, 0);
    ASSERT_EQ(RunTunemoss({"playlist", "convert", pls, sdf}).status, 0);
    ASSERT_EQ(RunTunemoss({"playlist", "convert", sdf, m3u}).status, 0);
    auto original = RunTunemoss({"playlist", "show", DataFile("lists/vlc.m3u8")});
    auto converted = RunTunemoss({"playlist", "show", m3u});
    EXPECT_EQ(converted.out, original.out);
    EXPECT_NE(converted.out.find("Björk - Jóga"), std::string::npos);

    std::vector<ListEntry> entries;
    std::string error;
    ASSERT_TRUE(songcore::ReadListFile(sdf, entries, error));
    EXPECT_EQ(entries[0].type, 0xC1u);  // local, MPEG audio, song

    auto json = RunTunemoss({"playlist", "show", "--json", DataFile("lists/notitle.pls")});
    EXPECT_NE(json.out.find("\"artist\": \"Unknow Artist\""), std::string::npos);
}

TEST(PlaylistCommand, ReportsFailures) {
    TempDir dir;
    EXPECT_EQ(RunTunemoss({"playlist", "show", dir.file("none.m3u")}).status, 1);
    EXPECT_EQ(RunTunemoss({"playlist", "show", dir.file("x.txt")}).status, 1);
    EXPECT_EQ(RunTunemoss({"playlist", "convert", DataFile("lists/plain.m3u"), "x.txt"}).status, 2);
    auto result = RunTunemoss(
        {"playlist", "convert", DataFile("lists/plain.m3u"), dir.file("no/such/dir.pls")});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("dir.pls"), std::string::npos);
    EXPECT_EQ(RunTunemoss({"playlist", "play"}).status, 2);
}
