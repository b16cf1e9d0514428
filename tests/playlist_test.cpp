// The play list: rows and their files, searching, the player's cursor,
// adding from the song tree, its own list file, and the exports and imports
// of selected rows.
#include <gtest/gtest.h>

#include "songcore/lists/SDFFile.h"
#include "songcore/settings/Ini.h"
#include "songcore/songfile/SongType.h"
#include "songcore/views/PlayList.h"
#include "songcore/views/SongTreeCtrl.h"
#include "support/TestSupport.h"

namespace {

using testsupport::ReadFileText;
using testsupport::TempDir;

void Fill(CPlayList& list, int rows) {
    for (int i = 0; i < rows; ++i) {
        std::string n = std::to_string(i);
        list.Add(list.GetItemCount(), "Artist" + n, "Album" + n, "Title" + n, "/m/" + n + ".mp3");
    }
}

class RecordingListListener : public IPlayListListener {
public:
    void OnBeginInsertRow(int row) override { calls.push_back("+" + std::to_string(row)); }
    void OnEndRemoveRows(int first, int last) override {
        calls.push_back("-" + std::to_string(first) + ":" + std::to_string(last));
    }
    void OnRowChanged(int row, int column) override {
        calls.push_back("~" + std::to_string(row) + ":" + std::to_string(column));
    }
    std::vector<std::string> calls;
};

TEST(PlayList, RowsColumnsAndFiles) {
    CPlayList list;
    RecordingListListener listener;
    list.AddListener(&listener);
    EXPECT_EQ(CPlayList::GetHeaderText(0), "Artist");
    EXPECT_EQ(CPlayList::GetHeaderText(1), "Title");
    EXPECT_EQ(CPlayList::GetHeaderText(2), "Album");
    EXPECT_EQ(CPlayList::GetColumnWidth(1), 150);

    Fill(list, 2);
    EXPECT_EQ(list.Add(1, "Mid", "MAlb", "MTitle", "/m/mid.mp3"), 1);
    EXPECT_EQ(list.Add(-1, "a", "b", "c", "/x"), 0);
    EXPECT_EQ(list.Add(99, "Last", "", "", "/m/last.mp3"), 1);  // appended
    EXPECT_EQ(list.GetItemCount(), 4);
    EXPECT_EQ(list.GetArtist(1), "Mid");
    EXPECT_EQ(list.GetTitle(1), "MTitle");
    EXPECT_EQ(list.GetAlbum(1), "MAlb");
    EXPECT_EQ(list.GetFile(3), "/m/last.mp3");

    list.SetTitle(1, "New");
    list.SetArtist(9, "ignored");
    EXPECT_EQ(list.GetTitle(1), "New");
    EXPECT_EQ(list.SetFile(1, "/m/renamed.mp3"), 1);
    EXPECT_EQ(list.SetFile(4, "/x"), 0);
    EXPECT_EQ(list.FindSong("/m/renamed.mp3"), 1);
    EXPECT_EQ(list.FindSong("/m/mid.mp3"), -1);
    // Files are compared exactly.
    EXPECT_EQ(list.FindSong("/M/0.MP3"), -1);
    list.Remove("/m/renamed.mp3");
    list.Remove("/m/none.mp3");
    EXPECT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.FindSong("/m/last.mp3"), 2);
    EXPECT_EQ(listener.calls,
              (std::vector<std::string>{"+0", "+1", "+1", "+3", "~1:1", "~1:-1", "-1:1"}));
    list.RemoveAll();
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.FindSong("/m/last.mp3"), -1);
}

TEST(PlayList, FindTextLooksInEveryColumnFromStartOnly) {
    CPlayList list;
    Fill(list, 6);
    list.SetAlbum(1, "abc");
    list.SetTitle(4, "xxABCxx");
    list.SetArtist(5, "Ünïcödé");
    EXPECT_EQ(list.FindTextA("abc", 0), 1);
    EXPECT_EQ(list.FindTextA("abc", 3), 4);
    EXPECT_EQ(list.FindTextA("abc", 5), -1);
    EXPECT_EQ(list.FindTextA("abc", 6), -1);
    EXPECT_EQ(list.FindTextA("ÜNÏCÖDÉ", 0), 5);
}

TEST(PlayList, PlayerCursorStopsAtTheEnd) {
    CPlayList list;
    Fill(list, 2);
    EXPECT_EQ(list.GetPlayerCurrentIndex(), -1);
    EXPECT_EQ(list.GetPlayerCurrentSong(), "");
    EXPECT_EQ(list.GetPlayerNextSong(), "/m/0.mp3");
    EXPECT_EQ(list.GetPlayerCurrentArtist(), "Artist0");
    EXPECT_EQ(list.GetPlayerCurrentAblum(), "Album0");
    EXPECT_EQ(list.GetPlayerNextSong(), "/m/1.mp3");
    EXPECT_EQ(list.GetPlayerNextSong(), "");
    EXPECT_EQ(list.GetPlayerCurrentIndex(), -1);
    EXPECT_EQ(list.GetPlayerNextSong(), "/m/0.mp3");
    list.SetPlayerCurrentIndex(2);
    EXPECT_EQ(list.GetPlayerCurrentSong(), "");
    EXPECT_EQ(list.GetPlayerCurrentTitle(), "");
    // An index set out of range, either way, never reaches a missing row.
    list.SetPlayerCurrentIndex(-7);
    EXPECT_EQ(list.GetPlayerNextSong(), "/m/0.mp3");
    list.SetPlayerCurrentIndex(INT32_MAX);
    EXPECT_EQ(list.GetPlayerNextSong(), "");
    EXPECT_EQ(list.GetPlayerCurrentIndex(), -1);
}

TEST(PlayList, RemovingRowsKeepsThePlayerOnItsSong) {
    CPlayList list;
    Fill(list, 4);  // A B C D, B playing
    list.SetPlayerCurrentIndex(1);
    list.DeleteItem(0);
    EXPECT_EQ(list.GetPlayerCurrentSong(), "/m/1.mp3");
    list.DeleteItem(2);  // below the playing song: nothing moves
    EXPECT_EQ(list.GetPlayerCurrentSong(), "/m/1.mp3");
    // The playing song itself goes: the song after it plays next.
    list.DeleteItem(0);
    EXPECT_EQ(list.GetPlayerCurrentSong(), "");
    EXPECT_EQ(list.GetPlayerNextSong(), "/m/2.mp3");
    // Nothing is playing: removing rows leaves it so.
    list.SetPlayerCurrentIndex(-1);
    list.DeleteItem(0);
    EXPECT_EQ(list.GetPlayerCurrentIndex(), -1);
}

TEST(PlayList, AddingFromTheTreeSkipsSongsAlreadyListed) {
    CSongTreeCtrl tree;
    const uint32_t mp3 = SONG_TYPE_LOCAL | SONG_TYPE_MPA;
    tree.InsertItem("/m/a.mp3", mp3, "X", "AlbA", "", "A");
    tree.InsertItem("/m/b.mp3", mp3, "X", "", "", "B");
    tree.InsertItem("/m/c.mp3", mp3, "Y", "", "", "C");
    tree.InsertItem("/m/d.ogg", SONG_TYPE_LOCAL | SONG_TYPE_OGG, "Z", "", "", "D");
    CPlayList list;
    list.Add(tree.GetRootItem(), 0);  // nothing without a tree
    EXPECT_EQ(list.GetItemCount(), 0);
    list.SetSongTreeCtrl(&tree);

    HTREEITEM mp3Group = tree.FindTextInTree("mp3", tree.GetRootItem());
    list.Add(mp3Group, 0);
    ASSERT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.GetArtist(0), "X");
    EXPECT_EQ(list.GetAlbum(0), "AlbA");
    EXPECT_EQ(list.GetTitle(2), "C");
    list.Add(mp3Group, 0);
    EXPECT_EQ(list.GetItemCount(), 3);
    // With siblings the ogg group follows; the whole tree adds only d.ogg now.
    list.Add(mp3Group, 1);
    EXPECT_EQ(list.GetItemCount(), 4);
    EXPECT_EQ(list.GetFile(3), "/m/d.ogg");
}

TEST(PlayList, ListFileLayoutAndRoundTrip) {
    TempDir dir;
    std::string path = dir.file("qarv.pl");
    CPlayList list;
    Fill(list, 2);
    ASSERT_EQ(list.SavePlayList(path.c_str()), 1);
    EXPECT_EQ(ReadFileText(path),
              "[Info]\nVersion=1.0\nCount=2\n\n[Song 0]\nArtist=Artist0\nAlbum=Album0\n"
              "Title=Title0\nFile=/m/0.mp3\n\n[Song 1]\nArtist=Artist1\nAlbum=Album1\n"
              "Title=Title1\nFile=/m/1.mp3\n");
    CPlayList loaded;
    Fill(loaded, 1);
    // Rows are appended, duplicates included.
    EXPECT_EQ(loaded.LoadPlayList(path.c_str()), 2);
    ASSERT_EQ(loaded.GetItemCount(), 3);
    EXPECT_EQ(loaded.GetFile(1), "/m/0.mp3");
    EXPECT_EQ(loaded.GetTitle(2), "Title1");
}

TEST(PlayList, SavingOverALongerListLeavesOnlyTheCurrentRows) {
    TempDir dir;
    std::string path = dir.file("qarv.pl");
    CIni ini(path.c_str());
    ini.WriteString("Other", "Keep", "yes");
    CPlayList longer;
    Fill(longer, 5);
    ASSERT_EQ(longer.SavePlayList(path.c_str()), 1);
    CPlayList shorter;
    Fill(shorter, 2);
    ASSERT_EQ(shorter.SavePlayList(path.c_str()), 1);
    EXPECT_EQ(ini.GetString("Info", "Count", ""), "2");
    EXPECT_TRUE(ini.IsSectionExist("Song 1"));
    EXPECT_FALSE(ini.IsSectionExist("Song 2"));
    EXPECT_FALSE(ini.IsSectionExist("Song 4"));
    EXPECT_EQ(ini.GetString("Other", "Keep", ""), "yes");
    CPlayList loaded;
    EXPECT_EQ(loaded.LoadPlayList(path.c_str()), 2);
}

TEST(PlayList, LoadingDamagedOrForeignListFiles) {
    TempDir dir;
    auto load = [&](const std::string& text) {
        std::string path = dir.file("t.pl");
        testsupport::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
        CPlayList list;
        list.LoadPlayList(path.c_str());
        return list.GetItemCount() == 0
                   ? std::string()
                   : list.GetArtist(0) + "|" + list.GetAlbum(0) + "|" + list.GetTitle(0) + "|" +
                         list.GetFile(0) + "|" + std::to_string(list.GetItemCount());
    };
    EXPECT_EQ(load("[Info]\nVersion=1.00\nCount=1\n[Song 0]\nFile=/a\n"), "");
    EXPECT_EQ(load("[Info]\nCount=1\n[Song 0]\nFile=/a\n"), "");
    EXPECT_EQ(load("[Info]\nVersion=1.0\nCount=0\n[Song 0]\nFile=/a\n"), "");
    // Empty or missing files are skipped, later sections still load, and
    // missing texts read "Unknow" / "unknow".
    EXPECT_EQ(load("[Info]\nVersion=1.0\nCount=3\n[Song 0]\nFile=\nTitle=x\n[Song 1]\nTitle=y\n"
                   "[Song 2]\nFile=/c.mp3\n"),
              "Unknow|Unknow|unknow|/c.mp3|1");
    // Sections past the count are not read; a huge count costs nothing.
    EXPECT_EQ(load("[Info]\nVersion=1.0\nCount=1\n[Song 0]\nFile=/a\n[Song 1]\nFile=/b\n"),
              "Unknow|Unknow|unknow|/a|1");
    EXPECT_EQ(load("[info]\nversion=1.0\ncount=4294967295\n[song 1]\nFile=/b\n"),
              "Unknow|Unknow|unknow|/b|1");
    CPlayList list;
    EXPECT_EQ(list.LoadPlayList(dir.file("missing.pl").c_str()), 0);
}

TEST(PlayList, ExportsOfTheSelectedRowsAndImports) {
    TempDir dir;
    CPlayList list;
    Fill(list, 4);
    std::string sdf = dir.file("x.sdf"), m3u = dir.file("x.m3u"), pls = dir.file("x.pls");

    // Nothing selected: SDF gets only its header, M3U no entry, PLS is left alone.
    testsupport::WriteFileBytes(pls, {'k', 'e', 'e', 'p'});
    EXPECT_EQ(list.WriteToSDF(sdf.c_str()), 1);
    EXPECT_EQ(testsupport::ReadFileBytes(sdf).size(), 7u);
    EXPECT_EQ(list.WriteM3UList(m3u.c_str()), 1);
    EXPECT_EQ(ReadFileText(m3u), "#EXTM3U\n");
    EXPECT_EQ(list.WritePLSList(pls.c_str()), 1);
    EXPECT_EQ(ReadFileText(pls), "keep");

    list.SetSelected(3, true);
    list.SetSelected(1, true);
    EXPECT_EQ(list.GetSelectedRows(), (std::vector<int>{1, 3}));
    ASSERT_EQ(list.WriteToSDF(sdf.c_str()), 1);
    ASSERT_EQ(list.WriteM3UList(m3u.c_str()), 1);
    EXPECT_EQ(ReadFileText(m3u),
              "#EXTM3U\n#EXTINF:0,Artist1 - Title1\n/m/1.mp3\n#EXTINF:0,Artist3 - Title3\n"
              "/m/3.mp3\n");
    ::unlink(pls.c_str());
    ASSERT_EQ(list.WritePLSList(pls.c_str()), 1);
    CIni ini(pls.c_str());
    EXPECT_EQ(ini.GetString("playlist", "File2", ""), "/m/3.mp3");
    EXPECT_EQ(ini.GetString("playlist", "NumberOfEntries", ""), "2");

    // The song database keeps the album and a song's type word.
    CSDFFile file;
    ASSERT_EQ(file.Open(sdf.c_str(), 1), 1);
    uint32_t version = 0, type = 0;
    std::string artist, album, title, song;
    file.ReadVersion(version);
    ASSERT_EQ(file.ReadItem(artist, album, title, song, type), 1);
    EXPECT_EQ(album, "Album1");
    EXPECT_EQ(type, SONG_TYPE_LOCAL | SONG_TYPE_MPA | SONG_TREE_TYPE_SONG);

    CPlayList back;
    EXPECT_EQ(back.ReadFromSDF(sdf.c_str()), 2);
    EXPECT_EQ(back.GetAlbum(1), "Album3");
    EXPECT_EQ(back.ReadM3UList(m3u.c_str()), 2);
    EXPECT_EQ(back.GetAlbum(2), "");
    EXPECT_EQ(back.GetArtist(2), "Artist1");
    EXPECT_EQ(back.ReadPLSList(pls.c_str()), 2);
    EXPECT_EQ(back.GetItemCount(), 6);
    EXPECT_EQ(back.ReadFromSDF(dir.file("missing.sdf").c_str()), 0);

    // A song database written by the play list loads into the tree.
    CSongTreeCtrl tree;
    ASSERT_EQ(tree.LoadFromFile(sdf), 1);
    HTREEITEM item = tree.FindPathInTree("/m/3.mp3", tree.GetRootItem());
    EXPECT_EQ(tree.GetSongArtist(item), "Artist3");
    EXPECT_EQ(tree.GetSongAlbum(item), "Album3");
}

TEST(PlayList, DraggingTheSelectedRows) {
    CPlayList list;
    Fill(list, 3);
    list.SetSelected(2, true);
    list.SetSelected(0, true);
    std::vector<std::string> dragged;
    list.SetDragHook([&](const songcore::DropPayload&, const std::vector<std::string>& files) {
        dragged = files;
    });
    list.OnBegindrag();
    EXPECT_EQ(dragged, (std::vector<std::string>{"/m/0.mp3", "/m/2.mp3"}));
    EXPECT_EQ(list.GetDragFileCount(), 0);
    list.DeleteItem(0);
    EXPECT_EQ(list.GetSelectedRows(), (std::vector<int>{1}));
}

TEST(PlayList, MovingRowsUpKeepsTheirSelection) {
    // Move Up of rows 2 and 3 in five: old row 1 goes after old row 3.
    CPlayList list;
    Fill(list, 5);
    list.SetSelected(2, true);
    list.SetSelected(3, true);
    ASSERT_EQ(list.MoveItem(1, 3), 1);
    EXPECT_EQ(list.GetFile(1), "/m/2.mp3");
    EXPECT_EQ(list.GetFile(2), "/m/3.mp3");
    EXPECT_EQ(list.GetFile(3), "/m/1.mp3");
    EXPECT_EQ(list.GetSelectedRows(), (std::vector<int>{1, 2}));
    EXPECT_EQ(list.MoveItem(0, 5), 0);
    EXPECT_EQ(list.FindSong("/m/1.mp3"), 3);
}

}  // namespace
