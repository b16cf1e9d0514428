// The song tree: grouping in both orders, find-or-insert, removal with
// pruning, searches, notices to listeners, and the mirror handlers.
#include <gtest/gtest.h>

#include "songcore/songfile/SongType.h"
#include "songcore/views/SongTreeCtrl.h"
#include "support/SongTreeSupport.h"
#include "support/TestSupport.h"

namespace {

using testsupport::RecordingTreeListener;

const uint32_t kMp3 = SONG_TYPE_LOCAL | SONG_TYPE_MPA;

// The texts from the first root down to item.
std::vector<std::string> PathOf(const CSongTreeCtrl& tree, HTREEITEM item) {
    std::vector<std::string> path;
    for (; item != nullptr; item = tree.GetParentItem(item)) {
        path.insert(path.begin(), tree.GetItemText(item));
    }
    return path;
}

TEST(SongTree, GroupsByTypeThenArtistOrArtistThenType) {
    for (uint32_t view : {0u, 1u}) {
        CSongTreeCtrl tree;
        tree.SetViewMethod(view, 0);
        ASSERT_EQ(tree.InsertItem("/music/a.mp3", kMp3, "X", "Alb", "", "T"), 1);
        HTREEITEM song = tree.FindPathInTree("/music/a.mp3", tree.GetRootItem());
        ASSERT_NE(song, nullptr);
        std::vector<std::string> expected =
            view == 0 ? std::vector<std::string>{"My Computer's Songs", "mp3", "X", "T"}
                      : std::vector<std::string>{"My Computer's Songs", "X", "mp3", "T"};
        EXPECT_EQ(PathOf(tree, song), expected);
        EXPECT_EQ(tree.GetItemType(song), kMp3 | SONG_TREE_TYPE_SONG);
        EXPECT_EQ(tree.GetSongArtist(song), "X");
        EXPECT_EQ(tree.GetSongAlbum(song), "Alb");
        EXPECT_EQ(tree.GetCount(), 4u);
        EXPECT_EQ(tree.IsModified(), 1);
    }
}

TEST(SongTree, MissingTagsAndInternetSongs) {
    CSongTreeCtrl tree;
    // No artist, no title, no extension.
    tree.InsertItem("/music/noext", SONG_TYPE_LOCAL, "", "", "", "");
    HTREEITEM song = tree.FindPathInTree("/music/noext", tree.GetRootItem());
    EXPECT_EQ(PathOf(tree, song), (std::vector<std::string>{"My Computer's Songs", "Unknow",
                                                            "Unknow Artist", "noext"}));
    // Only formats with readable tags keep their bit in the song's type word.
    EXPECT_EQ(tree.GetItemType(song), SONG_TYPE_LOCAL | SONG_TREE_TYPE_SONG);

    tree.InsertItem("http://radio.example/s.mp3", GetSongType("http://radio.example/s.mp3"), "R",
                    "", "", "S");
    HTREEITEM web = tree.FindPathInTree("http://radio.example/s.mp3", tree.GetRootItem());
    EXPECT_EQ(PathOf(tree, web)[0], "Intetnet's Songs");
    EXPECT_EQ(tree.GetChildCount(nullptr), 2);
    EXPECT_EQ(tree.GetItemKind(tree.GetParentItem(tree.GetParentItem(tree.GetParentItem(web)))),
              CSongTreeCtrl::KIND_INTERNET_ROOT);
    int image = -1, selected = -1;
    tree.GetItemImage(tree.GetChildAt(nullptr, 1), image, selected);
    EXPECT_EQ(image, 2);
    tree.GetItemImage(web, image, selected);
    EXPECT_EQ(image, 10);
}

TEST(SongTree, FindOrInsertKeepsOneItemPerFileAndGroup) {
    CSongTreeCtrl tree;
    RecordingTreeListener listener(tree);
    tree.AddListener(&listener);
    tree.SetNotifyChangedMsg(1);
    tree.InsertItem("/m/a.mp3", kMp3, "X", "", "", "T");
    tree.SetModified(0);
    listener.messages.clear();

    // The same file under the same groups: nothing changes, nothing is said.
    EXPECT_EQ(tree.InsertItem("/m/a.mp3", kMp3, "X", "", "", "Other"), 1);
    EXPECT_EQ(tree.GetCount(), 4u);
    EXPECT_EQ(tree.IsModified(), 0);
    EXPECT_TRUE(listener.messages.empty());

    // Another artist: a second item for the same file.
    tree.InsertItem("/m/a.mp3", kMp3, "Y", "", "", "T");
    EXPECT_EQ(tree.GetCount(), 6u);
    ASSERT_EQ(listener.messages.size(), 1u);
    EXPECT_EQ(listener.messages[0].message, WM_SONG_ITEM_INSERTED);
    EXPECT_EQ(listener.messages[0].file, "/m/a.mp3");

    // Groups match without regard to case, Unicode included; the first
    // spelling names the group.
    tree.InsertItem("/m/b.MP3", kMp3, "ÄBBA", "", "", "B");
    tree.InsertItem("/m/c.mp3", kMp3, "äbba", "", "", "C");
    HTREEITEM type = tree.GetRootItem();
    type = tree.GetChildItem(type);
    EXPECT_EQ(tree.GetChildCount(tree.GetRootItem()), 1);
    EXPECT_EQ(tree.GetItemText(tree.FindTextInTree("Äbba", type)), "ÄBBA");
    EXPECT_EQ(tree.FindTextInTree("abba", type), nullptr);
    EXPECT_EQ(tree.GetChildCount(tree.FindTextInTree("äBBA", type)), 2);

    // Files are told apart exactly, as the file system does.
    tree.InsertItem("/m/A.mp3", kMp3, "X", "", "", "Upper");
    EXPECT_NE(tree.FindPathInTree("/m/A.mp3", tree.GetRootItem()),
              tree.FindPathInTree("/m/a.mp3", tree.GetRootItem()));
    EXPECT_EQ(listener.inconsistent.load(), 0);
}

TEST(SongTree, RemovalPrunesEmptiedGroupsAndReportsEverySong) {
    CSongTreeCtrl tree;
    RecordingTreeListener listener(tree);
    tree.AddListener(&listener);
    tree.InsertItem("/m/a.mp3", kMp3, "X", "", "", "A");
    tree.InsertItem("/m/b.ogg", SONG_TYPE_LOCAL | SONG_TYPE_OGG, "X", "", "", "B");
    tree.InsertItem("/m/c.ogg", SONG_TYPE_LOCAL | SONG_TYPE_OGG, "Y", "", "", "C");
    tree.SetNotifyChangedMsg(1);
    tree.SetModified(0);

    // The last song of an artist takes the artist group, and the type group
    // when that empties, but not the root while it still has children.
    EXPECT_EQ(tree.RemoveItem(tree.FindPathInTree("/m/a.mp3", tree.GetRootItem())), 1);
    EXPECT_EQ(tree.FindTextInTree("mp3", tree.GetRootItem()), nullptr);
    EXPECT_EQ(tree.GetCount(), 6u);
    EXPECT_EQ(tree.IsModified(), 1);

    // A group goes with its whole subtree; each song is reported while valid.
    listener.messages.clear();
    HTREEITEM ogg = tree.FindTextInTree("ogg", tree.GetRootItem());
    EXPECT_EQ(tree.RemoveItem(ogg), 0);  // the root went too, and no root is left
    EXPECT_EQ(tree.GetCount(), 0u);
    EXPECT_EQ(tree.GetRootItem(), nullptr);
    ASSERT_EQ(listener.messages.size(), 2u);
    EXPECT_EQ(listener.messages[0].message, WM_SONG_ITEM_DELETED);
    EXPECT_EQ(listener.messages[0].text, "B");
    EXPECT_EQ(listener.messages[1].file, "/m/c.ogg");
    EXPECT_EQ(tree.RemoveItem(nullptr), 0);
    EXPECT_EQ(listener.inconsistent.load(), 0);

    // Removing one root leaves the other: result 1.
    tree.InsertItem("/m/a.mp3", kMp3, "X", "", "", "A");
    tree.InsertItem("http://h/x.mp3", SONG_TYPE_INTERNET | SONG_TYPE_MPA, "X", "", "", "W");
    EXPECT_EQ(tree.RemoveItem(tree.GetRootItem()), 1);
    EXPECT_EQ(tree.GetItemText(tree.GetRootItem()), "Intetnet's Songs");
    // Removed songs are no longer found by path, and the index has no stale entry.
    EXPECT_EQ(tree.FindPathInTree("/m/a.mp3", tree.GetRootItem()), nullptr);
}

TEST(SongTree, FindTextSteppingThroughMatchesWithoutWrapping) {
    CSongTreeCtrl tree;
    tree.InsertItem("/m/1.mp3", kMp3, "X", "", "", "The Beatles - Help");
    tree.InsertItem("/m/2.mp3", kMp3, "X", "", "", "Other");
    tree.InsertItem("/m/3.mp3", kMp3, "Beatles", "", "", "Yesterday");
    tree.InsertItem("/m/4.mp3", kMp3, "Y", "", "", "crème brûlée");

    HTREEITEM first = tree.FindTextA("BEATLES", tree.GetRootItem());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(tree.GetItemText(first), "The Beatles - Help");
    HTREEITEM second = tree.FindTextA("BEATLES", tree.GetNextItemInOrder(first));
    EXPECT_EQ(tree.GetItemText(second), "Beatles");
    EXPECT_EQ(tree.FindTextA("BEATLES", tree.GetNextItemInOrder(second)), nullptr);
    // Upper-casing is Unicode-aware.
    EXPECT_NE(tree.FindTextA("CRÈME BRÛLÉE", tree.GetRootItem()), nullptr);
    EXPECT_EQ(tree.FindTextA(nullptr, tree.GetRootItem()), nullptr);
    EXPECT_EQ(tree.FindTextA("x", nullptr), nullptr);
}

TEST(SongTree, AttributesAndSelection) {
    CSongTreeCtrl tree;
    tree.InsertItem("/m/a.mp3", kMp3, "X", "Alb", "", "T");
    HTREEITEM song = tree.FindPathInTree("/m/a.mp3", tree.GetRootItem());
    HTREEITEM artist = tree.GetParentItem(song);
    EXPECT_EQ(tree.GetSongAlbum(nullptr), "Unknow");
    EXPECT_EQ(tree.GetSongTitle(artist), "");
    EXPECT_EQ(tree.GetSongFile(artist), "");
    EXPECT_EQ(tree.GetItemType(nullptr), 0u);

    std::string text = "untouched";
    tree.SelectItem(artist);
    EXPECT_EQ(tree.GetSelectedSongArtist(text), nullptr);
    EXPECT_EQ(text, "untouched");
    tree.SelectItem(song);
    EXPECT_EQ(tree.GetSelectedSongArtist(text), artist);
    EXPECT_EQ(text, "X");
    EXPECT_EQ(tree.GetSelectedSongFile(text), song);
    EXPECT_EQ(text, "/m/a.mp3");
    EXPECT_EQ(tree.GetSelectedSongAlbum(text), song);
    EXPECT_EQ(text, "Alb");

    // Renaming a song's file: found by the new path only; modified untouched.
    tree.SetModified(0);
    EXPECT_EQ(tree.SetSongFile(song, "/m/b.mp3"), 1);
    EXPECT_EQ(tree.SetSongFile(artist, "/m/c.mp3"), 0);
    EXPECT_EQ(tree.FindPathInTree("/m/a.mp3", tree.GetRootItem()), nullptr);
    EXPECT_EQ(tree.FindPathInTree("/m/b.mp3", tree.GetRootItem()), song);
    EXPECT_EQ(tree.FindSongInChildItem("/m/b.mp3", artist), song);
    EXPECT_EQ(tree.IsModified(), 0);

    // Rename As tells the listeners the old and the new name.
    struct RenameListener : ISongTreeListener {
        std::string seen;
        void OnSongFileRenamed(CSongTreeCtrl*, const std::string& from,
                               const std::string& to) override {
            seen = from + ">" + to;
        }
    } renames;
    tree.AddListener(&renames);
    EXPECT_EQ(tree.RenameSongFile(song, "/m/d.mp3"), 1);
    EXPECT_EQ(renames.seen, "/m/b.mp3>/m/d.mp3");
    EXPECT_EQ(tree.RenameSongFile(artist, "/m/e.mp3"), 0);
    tree.RemoveListener(&renames);

    // Removing the selected song clears the selection.
    tree.RemoveItem(song);
    EXPECT_EQ(tree.GetSelectedItem(), nullptr);
}

TEST(SongTree, RetitlingNotifiesAndRenamedGroupsAreFoundByTheirNewText) {
    CSongTreeCtrl tree;
    RecordingTreeListener listener(tree);
    tree.AddListener(&listener);
    tree.InsertItem("/m/a.mp3", kMp3, "X", "", "", "T");
    HTREEITEM song = tree.FindPathInTree("/m/a.mp3", tree.GetRootItem());
    tree.SetModified(0);
    EXPECT_EQ(tree.SetItemText(song, "New"), 1);
    EXPECT_TRUE(listener.messages.empty());  // notices are off
    tree.SetNotifyChangedMsg(1);
    EXPECT_EQ(tree.SetItemText(song, "Newer"), 1);
    ASSERT_EQ(listener.messages.size(), 1u);
    EXPECT_EQ(listener.messages[0].message, WM_SONG_ITEM_RETITLED);
    EXPECT_EQ(listener.messages[0].text, "Newer");
    EXPECT_EQ(tree.IsModified(), 0);

    HTREEITEM artist = tree.GetParentItem(song);
    tree.SetItemText(artist, "Z");
    EXPECT_EQ(listener.messages.size(), 1u);  // groups are not reported
    tree.InsertItem("/m/b.mp3", kMp3, "z", "", "", "B");
    EXPECT_EQ(tree.GetChildCount(artist), 2);
    EXPECT_EQ(tree.SetItemText(nullptr, "x"), 0);
    // Song texts are found too, first in row order.
    EXPECT_EQ(tree.FindTextInTree("NEWER", artist), song);
}

TEST(SongTree, ExpandingASubtreeSetsStateAndImages) {
    CSongTreeCtrl tree;
    tree.InsertItem("/m/a.mp3", kMp3, "X", "", "", "T");
    HTREEITEM root = tree.GetRootItem();
    HTREEITEM song = tree.FindPathInTree("/m/a.mp3", root);
    EXPECT_EQ(tree.ExpandItem(nullptr, TVE_EXPAND), 0);
    EXPECT_EQ(tree.ExpandItem(song, TVE_EXPAND), 1);
    EXPECT_EQ(tree.ExpandItem(root, TVE_EXPAND), 1);
    HTREEITEM artist = tree.GetParentItem(song);
    int image = 0, selected = 0;
    tree.GetItemImage(artist, image, selected);
    EXPECT_TRUE(tree.IsExpanded(artist));
    EXPECT_EQ(image, 7);
    EXPECT_EQ(tree.ExpandItem(root, TVE_TOGGLE), 1);
    tree.GetItemImage(root, image, selected);
    // A toggle that collapses shows the collapsed image.
    EXPECT_FALSE(tree.IsExpanded(root));
    EXPECT_EQ(image, 0);
    EXPECT_FALSE(tree.IsExpanded(artist));
}

TEST(SongTree, MirrorHandlersFollowAnotherTree) {
    CSongTreeCtrl source, mirror;
    source.InsertItem("/m/a.mp3", kMp3, "X", "Alb", "", "T");
    HTREEITEM item = source.FindPathInTree("/m/a.mp3", source.GetRootItem());
    EXPECT_EQ(mirror.OnInsertItemMsg(&mirror, item), 0);  // own notices are ignored
    EXPECT_EQ(mirror.GetCount(), 0u);
    mirror.OnInsertItemMsg(&source, item);
    HTREEITEM copy = mirror.FindPathInTree("/m/a.mp3", mirror.GetRootItem());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(mirror.GetSongArtist(copy), "X");
    EXPECT_EQ(mirror.GetSongAlbum(copy), "");
    EXPECT_EQ(mirror.GetNotifyChangedMsg(), 1);

    source.SetItemText(item, "Retitled");
    mirror.OnSetItemTextMsg(&source, item);
    EXPECT_EQ(mirror.GetItemText(copy), "Retitled");
    mirror.OnDeleteItemMsg(&source, item);
    EXPECT_EQ(mirror.GetCount(), 0u);
}

TEST(SongTree, InsertSongFileReadsTags) {
    testsupport::TempDir dir;
    std::string tagged = testsupport::CopyDataFile(dir, "mp4/tagged_end.m4a");
    std::string wave = dir.file("noise.mid");
    testsupport::WriteFileBytes(wave, {'M', 'T', 'h', 'd'});
    CSongTreeCtrl tree;
    EXPECT_EQ(tree.InsertSongFile(tagged), 1);
    HTREEITEM song = tree.FindPathInTree(tagged, tree.GetRootItem());
    EXPECT_EQ(tree.GetSongArtist(song), "Fixture Artist");
    EXPECT_EQ(tree.GetItemText(song), "Fixture Song");
    // A format without a tag reader is inserted without reading it.
    EXPECT_EQ(tree.InsertSongFile(wave), 1);
    EXPECT_EQ(tree.GetItemText(tree.FindPathInTree(wave, tree.GetRootItem())), "noise");
    // A song that cannot be opened is not inserted.
    EXPECT_EQ(tree.InsertSongFile(dir.file("missing.mp3")), 0);
    EXPECT_EQ(tree.IsDoing(), 0);

    EXPECT_EQ(tree.InsertSongFileByThread(tagged), 1);
    tree.Wait();
    EXPECT_EQ(tree.GetInsertThreadCount(), 0);
}

TEST(SongTree, DraggingAGroupOffersItsSongsAsUris) {
    CSongTreeCtrl tree;
    tree.InsertItem("/m/a b.mp3", kMp3, "X", "", "", "A");
    tree.InsertItem("/m/c.mp3", kMp3, "X", "", "", "C");
    tree.InsertItem("/m/d.ogg", SONG_TYPE_LOCAL | SONG_TYPE_OGG, "X", "", "", "D");
    std::vector<std::string> dragged;
    std::string payload;
    tree.SetDragHook([&](const songcore::DropPayload& p, const std::vector<std::string>& files) {
        payload = p.data;
        dragged = files;
    });
    HTREEITEM mp3 = tree.FindTextInTree("mp3", tree.GetRootItem());
    tree.OnBegindrag(mp3);
    EXPECT_EQ(dragged, (std::vector<std::string>{"/m/a b.mp3", "/m/c.mp3"}));
    EXPECT_EQ(payload, "file:///m/a%20b.mp3\r\nfile:///m/c.mp3\r\n");
    EXPECT_EQ(tree.GetSelectedItem(), mp3);
    EXPECT_EQ(tree.GetDragFileCount(), 0);
    // With siblings: the ogg group too.
    tree.AddDragFiles(mp3, 1);
    EXPECT_EQ(tree.GetDragFileCount(), 3);
}

}  // namespace

namespace {

// The indexes key each entry by a view of one item's own text; when that
// item leaves the entry, the key must come to view another item's.
TEST(SongTree, AnIndexEntryOutlivesTheItemWhoseTextItsKeyViewed) {
    CSongTreeCtrl tree;
    ASSERT_EQ(tree.InsertItem("/music/same.mp3", kMp3, "First", "", "", "T"), 1);
    ASSERT_EQ(tree.InsertItem("/music/same.mp3", kMp3, "Second", "", "", "T"), 1);
    HTREEITEM first = tree.FindPathInTree("/music/same.mp3", tree.GetRootItem());
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(tree.SetSongFile(first, "/music/other-name-long-enough-to-leave-the-buffer.mp3"), 1);
    HTREEITEM second = tree.FindPathInTree("/music/same.mp3", tree.GetRootItem());
    ASSERT_NE(second, nullptr) << "the song still holding the file is found";
    EXPECT_NE(second, first);
    EXPECT_EQ(tree.FindPathInTree("/music/other-name-long-enough-to-leave-the-buffer.mp3",
                                  tree.GetRootItem()),
              first);
}

}  // namespace
