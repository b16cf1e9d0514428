// The song tree's files: song database round trips in both orders, M3U and
// PLS export and import, the default file and the view rebuild through it.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "songcore/edit/SongEdit.h"
#include "songcore/lists/SDFFile.h"
#include "songcore/settings/Ini.h"
#include "songcore/songfile/SongType.h"
#include "songcore/views/SongTreeCtrl.h"
#include "support/SongTreeSupport.h"
#include "support/TestSupport.h"

namespace {

using testsupport::ReadFileText;
using testsupport::TempDir;

const uint32_t kMp3 = SONG_TYPE_LOCAL | SONG_TYPE_MPA;
const uint32_t kOgg = SONG_TYPE_LOCAL | SONG_TYPE_OGG;

void Fill(CSongTreeCtrl& tree) {
    tree.InsertItem("/m/a.mp3", kMp3, "X", "Alb", "", "A");
    tree.InsertItem("/m/b.ogg", kOgg, "Y", "", "", "B");
    tree.InsertItem("/m/c.mp3", kMp3, "Y", "Alb2", "", "C");
    tree.InsertItem("http://h/w.mp3", SONG_TYPE_INTERNET | SONG_TYPE_MPA, "W", "", "", "Web");
}

// Points $XDG_DATA_HOME at a folder for one test.
class DataHome {
public:
    explicit DataHome(const std::string& path) { ::setenv("XDG_DATA_HOME", path.c_str(), 1); }
    ~DataHome() { ::unsetenv("XDG_DATA_HOME"); }
};

TEST(SongTreeFiles, SongDatabaseRoundTripsInBothOrders) {
    TempDir dir;
    for (uint32_t view : {0u, 1u}) {
        CSongTreeCtrl tree;
        tree.SetViewMethod(view, 0);
        Fill(tree);
        std::string path = dir.file("t" + std::to_string(view) + ".sdf");
        ASSERT_EQ(tree.SaveToFile(path), 1);

        CSongTreeCtrl loaded;
        loaded.SetViewMethod(view, 0);
        testsupport::RecordingTreeListener listener(loaded);
        loaded.AddListener(&listener);
        ASSERT_EQ(loaded.LoadFromFile(path), 1);
        EXPECT_EQ(loaded.GetOutline(), tree.GetOutline());
        EXPECT_EQ(loaded.GetSongAlbum(loaded.FindPathInTree("/m/c.mp3", loaded.GetRootItem())),
                  "Alb2");
        EXPECT_EQ(loaded.IsModified(), 1);
        // Redrawing is off for the whole load.
        EXPECT_EQ(listener.redraws, (std::vector<bool>{false, true}));
        // A second load finds every song again.
        uint32_t count = loaded.GetCount();
        ASSERT_EQ(loaded.LoadFromFile(path), 1);
        EXPECT_EQ(loaded.GetCount(), count);
    }
    // Loading into the other order regroups the songs.
    CSongTreeCtrl other;
    other.SetViewMethod(1, 0);
    other.LoadFromFile(dir.file("t0.sdf"));
    HTREEITEM song = other.FindPathInTree("/m/a.mp3", other.GetRootItem());
    EXPECT_EQ(other.GetItemText(other.GetParentItem(song)), "mp3");
}

// The type word of each record of a song database, in file order.
std::vector<uint32_t> RecordTypes(const std::string& path) {
    CSDFFile file;
    uint32_t version = 0;
    EXPECT_TRUE(file.Open(path.c_str(), 1) && file.ReadVersion(version));
    std::vector<uint32_t> types;
    std::string artist, album, title, song;
    uint32_t type = 0;
    while (file.ReadItem(artist, album, title, song, type)) {
        types.push_back(type);
    }
    return types;
}

TEST(SongTreeFiles, EachFormatKeepsItsTypeThroughTheSongDatabase) {
    TempDir dir;
    // Today's types are stored as they always were.
    CSongTreeCtrl old;
    Fill(old);
    ASSERT_EQ(old.SaveToFile(dir.file("old.sdf")), 1);
    std::vector<uint32_t> oldTypes = RecordTypes(dir.file("old.sdf"));
    std::sort(oldTypes.begin(), oldTypes.end());
    EXPECT_EQ(oldTypes, (std::vector<uint32_t>{0xC1, 0xC1, 0xC2, 0x141}));

    CSongTreeCtrl tree;
    const char* const songs[] = {"/m/a.wav", "/m/b.aiff", "/m/c.aifc", "/m/d.dsf",
                                 "/m/e.wv",  "/m/f.mka",  "/m/g.webm"};
    const uint32_t formats[] = {SONG_TYPE_WAV,     SONG_TYPE_AIFF,    SONG_TYPE_AIFF,
                                SONG_TYPE_DSF,     SONG_TYPE_WAVPACK, SONG_TYPE_MATROSKA,
                                SONG_TYPE_MATROSKA};
    for (const char* song : songs) {
        tree.InsertItem(song, GetSongType(song), "Artist", "", "", song + 3);
    }
    ASSERT_EQ(tree.SaveToFile(dir.file("new.sdf")), 1);
    CSongTreeCtrl loaded;
    ASSERT_EQ(loaded.LoadFromFile(dir.file("new.sdf")), 1);
    EXPECT_EQ(loaded.GetOutline(), tree.GetOutline());
    for (size_t i = 0; i < std::size(songs); ++i) {
        HTREEITEM item = loaded.FindPathInTree(songs[i], loaded.GetRootItem());
        ASSERT_NE(item, nullptr) << songs[i];
        EXPECT_EQ(loaded.GetItemType(item), SONG_TYPE_LOCAL | SONG_TREE_TYPE_SONG | formats[i])
            << songs[i];
    }
}

TEST(SongTreeFiles, BadSongDatabasesLeaveTheTreeAlone) {
    TempDir dir;
    CSongTreeCtrl tree;
    Fill(tree);
    std::string outline = tree.GetOutline();
    EXPECT_EQ(tree.LoadFromFile(dir.file("missing.sdf")), 0);
    testsupport::WriteFileBytes(dir.file("bad.sdf"), {'S', 'D', 'F', 2, 0, 0, 0});
    EXPECT_EQ(tree.LoadFromFile(dir.file("bad.sdf")), 0);
    EXPECT_EQ(tree.GetOutline(), outline);
    EXPECT_EQ(tree.SaveToFile(dir.file("no/such/folder/x.sdf")), 0);

    // A file that lost its end loads nothing: a tree holding only the songs
    // before the cut would be saved over the file that still has the rest.
    ASSERT_EQ(tree.SaveToFile(dir.file("t.sdf")), 1);
    std::vector<uint8_t> bytes = testsupport::ReadFileBytes(dir.file("t.sdf"));
    bytes.resize(bytes.size() - 3);
    testsupport::WriteFileBytes(dir.file("cut.sdf"), bytes);
    CSongTreeCtrl cut;
    EXPECT_EQ(cut.LoadFromFile(dir.file("cut.sdf")), 0);
    EXPECT_EQ(cut.FindPathInTree("/m/c.mp3", cut.GetRootItem()), nullptr);
    EXPECT_EQ(cut.GetCount(), 0u);
    // Whole again, it loads.
    testsupport::WriteFileBytes(dir.file("cut.sdf"), testsupport::ReadFileBytes(dir.file("t.sdf")));
    EXPECT_EQ(cut.LoadFromFile(dir.file("cut.sdf")), 1);
    EXPECT_NE(cut.FindPathInTree("/m/c.mp3", cut.GetRootItem()), nullptr);
}

TEST(SongTreeFiles, M3UExportOfAGroupAndImport) {
    TempDir dir;
    for (uint32_t view : {0u, 1u}) {
        CSongTreeCtrl tree;
        tree.SetViewMethod(view, 0);
        Fill(tree);
        // The group holding a.mp3's group: its first child and on.
        HTREEITEM group = tree.GetParentItem(tree.FindPathInTree("/m/a.mp3", tree.GetRootItem()));
        std::string path = dir.file("g.m3u");
        ASSERT_EQ(tree.WriteM3UList(path.c_str(), tree.GetChildItem(group)), 1);
        EXPECT_EQ(ReadFileText(path), "#EXTM3U\n#EXTINF:0,X - A\n/m/a.mp3\n");
    }
    std::string list = dir.file("in.m3u");
    testsupport::WriteFileBytes(list, {});
    {
        std::string text =
            "#EXTM3U\n#EXTINF:0,R - Stream\nhttp://radio.example/s.mp3\n"
            "#EXTINF:0,L - Local\n/m/l.flac\n";
        testsupport::WriteFileBytes(list, std::vector<uint8_t>(text.begin(), text.end()));
    }
    CSongTreeCtrl tree;
    tree.ReadM3UList(list.c_str());
    HTREEITEM web = tree.FindPathInTree("http://radio.example/s.mp3", tree.GetRootItem());
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(tree.GetItemText(tree.GetRootItem()), "Intetnet's Songs");
    EXPECT_EQ(tree.GetSongArtist(web), "R");
    EXPECT_NE(tree.FindPathInTree("/m/l.flac", tree.GetRootItem()), nullptr);
}

TEST(SongTreeFiles, PLSExportNumbersFromOneAndReadsBack) {
    TempDir dir;
    CSongTreeCtrl tree;
    Fill(tree);
    std::string path = dir.file("all.pls");
    // A longer list was there before: none of its entries may stay.
    {
        CIni old(path.c_str());
        for (int i = 1; i <= 6; ++i) {
            old.WriteString("playlist", ("File" + std::to_string(i)).c_str(), "/old.mp3");
        }
    }
    ASSERT_EQ(tree.WritePLSList(path.c_str(), tree.GetRootItem()), 1);
    CIni ini(path.c_str());
    EXPECT_EQ(ini.GetString("playlist", "File1", ""), "/m/a.mp3");
    EXPECT_EQ(ini.GetString("playlist", "Title1", ""), "X - A");
    EXPECT_EQ(ini.GetString("playlist", "Length4", ""), "0");
    EXPECT_EQ(ini.GetString("playlist", "NumberOfEntries", ""), "4");
    EXPECT_EQ(ini.GetString("playlist", "Version", ""), "2");
    EXPECT_FALSE(ini.IsKeyExist("playlist", "File5"));

    CSongTreeCtrl back;
    back.ReadPLSList(path.c_str());
    EXPECT_EQ(back.GetOutline(), tree.GetOutline());
    EXPECT_EQ(tree.WritePLSList(dir.file("none.pls").c_str(), nullptr), 0);

    // A damaged count does not make the reader walk two billion entries.
    CIni damaged(path.c_str());
    damaged.WriteString("playlist", "NumberOfEntries", "2000000000");
    CSongTreeCtrl again;
    again.ReadPLSList(path.c_str());
    EXPECT_EQ(again.GetCount(), back.GetCount());
}

TEST(SongTreeFiles, DefaultFileAndViewRebuild) {
    TempDir dir;
    DataHome home(dir.file("data"));
    CSongTreeCtrl tree;
    EXPECT_EQ(tree.GetDefaultSDFFile(), dir.file("data") + "/Tunemoss/default.sdf");
    Fill(tree);
    HTREEITEM selected = tree.FindPathInTree("/m/c.mp3", tree.GetRootItem());
    tree.SelectItem(selected);

    // Without rebuild only the method changes.
    tree.SetViewMethod(1, 0);
    EXPECT_EQ(tree.GetViewMethod(), 1u);
    HTREEITEM song = tree.FindPathInTree("/m/c.mp3", tree.GetRootItem());
    EXPECT_EQ(tree.GetItemText(tree.GetParentItem(song)), "Y");  // still type, artist, song

    // The rebuild saves the modified tree to the default file and reloads it.
    tree.SetViewMethod(0, 0);
    tree.SetViewMethod(1, 1);
    song = tree.FindPathInTree("/m/c.mp3", tree.GetRootItem());
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(tree.GetItemText(tree.GetParentItem(song)), "mp3");
    EXPECT_EQ(tree.GetSelectedItem(), song);
    EXPECT_EQ(tree.GetCount(), 13u);
    CSongTreeCtrl saved;
    EXPECT_EQ(saved.LoadFromFile(tree.GetDefaultSDFFile()), 1);
}

TEST(SongTreeFiles, ViewRebuildKeepsTheSongsWhenTheDefaultFileCannotBeWritten) {
    TempDir dir;
    testsupport::WriteFileBytes(dir.file("blocker"), {'x'});
    DataHome home(dir.file("blocker"));  // a file where the folder would be
    CSongTreeCtrl tree;
    Fill(tree);
    tree.SetViewMethod(1, 1);
    EXPECT_EQ(tree.GetCount(), 13u);
    HTREEITEM song = tree.FindPathInTree("/m/c.mp3", tree.GetRootItem());
    EXPECT_EQ(tree.GetItemText(tree.GetParentItem(song)), "mp3");
}

TEST(SongTreeFiles, ScanAndTreeCommands) {
    TempDir dir;
    std::string music = dir.file("music");
    ASSERT_EQ(::mkdir(music.c_str(), 0755), 0);
    std::string tagged = testsupport::CopyDataFile(dir, "mp4/tagged_end.m4a", "music/t.m4a");
    std::string db = dir.file("songs.sdf");

    auto scan = testsupport::RunTunemoss({"scan", "--view", "1", "--db", db, music});
    ASSERT_EQ(scan.status, 0) << scan.err;
    EXPECT_EQ(scan.out, "My Computer's Songs\n  Fixture Artist\n    m4a\n      Fixture Song  (" +
                            tagged + ")\n");
    EXPECT_EQ(scan.err, "") << "no progress line where there is no terminal";
    // On a terminal the walk says how far it has got, and clears that line
    // before the tree is printed.
    auto terminal =
        testsupport::Run({"script", "-q", "-e", "-c",
                          std::string(TUNEMOSS_CLI_PATH) + " scan " + music, "/dev/null"});
    ASSERT_EQ(terminal.status, 0) << terminal.err;
    size_t progress = terminal.out.find("scanning: ");
    ASSERT_NE(progress, std::string::npos) << terminal.out;
    EXPECT_LT(progress, terminal.out.find("\r\x1b[KMy Computer's Songs"));
    // A rescan loads the database first and adds only what is new.
    testsupport::CopyDataFile(dir, "ogg/plain.ogg", "music/p.ogg");
    scan = testsupport::RunTunemoss({"scan", "--db", db, music});
    ASSERT_EQ(scan.status, 0) << scan.err;
    auto tree = testsupport::RunTunemoss({"tree", db});
    ASSERT_EQ(tree.status, 0) << tree.err;
    EXPECT_EQ(tree.out, scan.out);
    EXPECT_NE(tree.out.find("  ogg\n    Plain Artist\n"), std::string::npos);
    EXPECT_EQ(tree.out.find("Fixture Song"), tree.out.rfind("Fixture Song"));

    // Not a song database: reported, and not overwritten by a scan.
    testsupport::WriteFileBytes(dir.file("x.sdf"), {'n', 'o'});
    auto bad = testsupport::RunTunemoss({"tree", dir.file("x.sdf")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("x.sdf: not a song database file"), std::string::npos);
    bad = testsupport::RunTunemoss({"scan", "--db", dir.file("x.sdf"), music});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(testsupport::ReadFileBytes(dir.file("x.sdf")), (std::vector<uint8_t>{'n', 'o'}));
    EXPECT_EQ(testsupport::RunTunemoss({"tree", "--view", "2", db}).status, 2);
    EXPECT_EQ(testsupport::RunTunemoss({"scan"}).status, 2);
    EXPECT_EQ(testsupport::RunTunemoss({"scan", dir.file("nothing")}).status, 1);
}

}  // namespace

TEST(SongTreeFiles, ARefreshedSongFollowsItsNewTags) {
    TempDir dir;
    for (uint32_t view : {0u, 1u}) {
        CSongTreeCtrl tree;
        tree.SetViewMethod(view, 0);
        std::string path = testsupport::CopyDataFile(dir, "files/silence.mp3");
        ASSERT_TRUE(songcore::EditSong(path, {{songcore::SongField::Artist, "Nina"},
                                              {songcore::SongField::Title, "Stay"}})
                        .ok);
        tree.InsertItem("/m/other.mp3", kMp3, "Nina", "", "", "Other");
        ASSERT_EQ(tree.InsertSongFile(path), 1);
        HTREEITEM item = tree.FindPathInTree(path, tree.GetRootItem());

        // Same artist in another case: the item stays and is retitled.
        ASSERT_TRUE(songcore::EditSong(path, {{songcore::SongField::Artist, "NINA"},
                                              {songcore::SongField::Title, "Go"},
                                              {songcore::SongField::Album, "Blue"}})
                        .ok);
        EXPECT_EQ(tree.RefreshSongItem(item), item);
        EXPECT_EQ(tree.GetItemText(item), "Go");
        EXPECT_EQ(tree.GetSongAlbum(item), "Blue");

        // A new artist files the song again; the old group keeps its other song.
        ASSERT_TRUE(songcore::EditSong(path, {{songcore::SongField::Artist, "Tom"}}).ok);
        HTREEITEM moved = tree.RefreshSongItem(item);
        ASSERT_NE(moved, nullptr);
        EXPECT_EQ(tree.GetSongArtist(moved), "Tom");
        EXPECT_EQ(tree.GetItemText(moved), "Go");
        EXPECT_NE(tree.FindPathInTree("/m/other.mp3", tree.GetRootItem()), nullptr);
        EXPECT_EQ(tree.GetSongArtist(tree.FindPathInTree("/m/other.mp3", tree.GetRootItem())),
                  "Nina");

        // A song that can no longer be read leaves the tree.
        ASSERT_EQ(::unlink(path.c_str()), 0);
        EXPECT_EQ(tree.RefreshSongItem(moved), nullptr);
        EXPECT_EQ(tree.FindPathInTree(path, tree.GetRootItem()), nullptr);
    }
}
