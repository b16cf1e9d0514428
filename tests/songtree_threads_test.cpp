// The song tree under concurrent insertion and removal: insert threads, a
// local search and removals at once, with the tree changes running on an
// owner thread through a dispatcher, and inline without one. Run under
// ThreadSanitizer as well.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include <sys/stat.h>

#include "songcore/search/LocalSongSearch.h"
#include "songcore/songfile/SongType.h"
#include "songcore/views/SongTreeCtrl.h"
#include "support/SongTreeSupport.h"
#include "support/TestSupport.h"

namespace {

using testsupport::OwnerThreadDispatcher;
using testsupport::RecordingTreeListener;
using testsupport::TempDir;

class TreeSearch : public CLocalSongSearch {
public:
    explicit TreeSearch(CSongTreeCtrl& tree) : tree_(tree) {}
    ~TreeSearch() override {
        Stop();
        Wait();
    }

protected:
    void MusicFile(const std::string& path) override { tree_.InsertSongFile(path); }

private:
    CSongTreeCtrl& tree_;
};

// Song files in two folders: "threads" for insert threads, "walk" for the
// local search. Tagged files, so that every insertion reads tags.
struct Collection {
    TempDir dir;
    std::vector<std::string> threadFiles;
    std::vector<std::string> walkFiles;
    explicit Collection(int each) {
        ::mkdir(dir.file("threads").c_str(), 0755);
        ::mkdir(dir.file("walk").c_str(), 0755);
        std::vector<uint8_t> song =
            testsupport::ReadFileBytes(testsupport::DataFile("mp4/tagged_end.m4a"));
        std::vector<uint8_t> plain =
            testsupport::ReadFileBytes(testsupport::DataFile("ogg/plain.ogg"));
        for (int i = 0; i < each; ++i) {
            threadFiles.push_back(dir.file("threads/s" + std::to_string(i) + ".m4a"));
            testsupport::WriteFileBytes(threadFiles.back(), song);
            walkFiles.push_back(dir.file("walk/w" + std::to_string(i) + ".ogg"));
            testsupport::WriteFileBytes(walkFiles.back(), plain);
        }
    }
};

// Inserts everything at once, from insert threads and a local search, while
// another thread inserts and removes songs of its own.
void InsertAndRemoveAtOnce(CSongTreeCtrl& tree, Collection& songs) {
    std::atomic<bool> done{false};
    std::thread remover([&] {
        int round = 0;
        while (!done.load()) {
            std::string file = "/churn/" + std::to_string(round % 7) + ".mp3";
            tree.InsertItem(file, SONG_TYPE_LOCAL | SONG_TYPE_MPA, "Churn", "", "", "");
            tree.RemoveSongFile(file);
            ++round;
        }
    });
    {
        TreeSearch search(tree);
        search.Search("OGG", songs.dir.file("walk"));
        for (const std::string& file : songs.threadFiles) {
            ASSERT_EQ(tree.InsertSongFileByThread(file), 1);
            EXPECT_LE(tree.GetInsertThreadCount(), CSongTreeCtrl::kMaxInsertThreads);
        }
        search.Wait();
        tree.Wait();
    }
    done = true;
    remover.join();
}

void ExpectEverySong(CSongTreeCtrl& tree, const Collection& songs) {
    for (const auto* list : {&songs.threadFiles, &songs.walkFiles}) {
        for (const std::string& file : *list) {
            EXPECT_NE(tree.FindPathInTree(file, tree.GetRootItem()), nullptr) << file;
        }
    }
    // One group per type and artist however the threads interleaved.
    HTREEITEM root = tree.GetRootItem();
    EXPECT_EQ(tree.GetChildCount(root), 2);
    EXPECT_EQ(tree.GetChildCount(tree.FindTextInTree("m4a", root)), 1);
    EXPECT_EQ(tree.GetChildCount(tree.FindTextInTree("ogg", root)), 1);
    EXPECT_EQ(tree.GetCount(), 5u + songs.threadFiles.size() + songs.walkFiles.size());
}

TEST(SongTreeThreads, ChangesRunOnTheOwnerThreadThroughTheDispatcher) {
    Collection songs(60);
    OwnerThreadDispatcher owner;
    CSongTreeCtrl tree;
    RecordingTreeListener listener(tree);
    listener.ExpectThread(owner.id());
    tree.SetDispatcher(owner.Dispatcher());
    tree.AddListener(&listener);
    tree.SetNotifyChangedMsg(1);

    InsertAndRemoveAtOnce(tree, songs);
    EXPECT_GT(owner.ran(), 120);
    EXPECT_EQ(listener.wrongThread.load(), 0);
    EXPECT_EQ(listener.inconsistent.load(), 0);
    EXPECT_EQ(tree.IsDoing(), 0);
    tree.RemoveListener(&listener);
    ExpectEverySong(tree, songs);

    // An owner that refuses work (shutting down) gets none, and nothing hangs.
    owner.Refuse();
    EXPECT_EQ(tree.InsertItem("/late.mp3", SONG_TYPE_LOCAL, "", "", "", ""), 0);
    EXPECT_EQ(tree.InsertSongFileByThread(songs.walkFiles[0]), 1);
    tree.Wait();
    EXPECT_EQ(tree.FindPathInTree("/late.mp3", tree.GetRootItem()), nullptr);
}

TEST(SongTreeThreads, ChangesRunInlineWithoutADispatcher) {
    Collection songs(60);
    CSongTreeCtrl tree;
    RecordingTreeListener listener(tree);
    tree.AddListener(&listener);
    InsertAndRemoveAtOnce(tree, songs);
    EXPECT_EQ(listener.inconsistent.load(), 0);
    tree.RemoveListener(&listener);
    ExpectEverySong(tree, songs);
}

// A batch reads every file's tags on the calling thread and makes one trip
// to the owner for all of them; a file that cannot be read is left out alone.
TEST(SongTreeThreads, ABatchOfSongsTakesOneTripToTheOwner) {
    Collection songs(5);
    OwnerThreadDispatcher owner;
    CSongTreeCtrl tree;
    RecordingTreeListener listener(tree);
    listener.ExpectThread(owner.id());
    tree.SetDispatcher(owner.Dispatcher());
    tree.AddListener(&listener);
    tree.SetNotifyChangedMsg(1);

    std::vector<std::string> batch = songs.threadFiles;
    batch.insert(batch.begin() + 2, songs.dir.file("missing.m4a"));
    batch.push_back(songs.walkFiles[0]);
    int before = owner.ran();
    std::vector<int> inserted = tree.InsertSongFiles(batch);
    EXPECT_EQ(owner.ran() - before, 1);
    EXPECT_EQ(inserted, (std::vector<int>{1, 1, 0, 1, 1, 1, 1}));
    EXPECT_EQ(listener.wrongThread.load(), 0);
    EXPECT_EQ(listener.inconsistent.load(), 0);
    tree.RemoveListener(&listener);
    for (size_t i = 0; i < batch.size(); ++i) {
        EXPECT_EQ(tree.FindPathInTree(batch[i], tree.GetRootItem()) != nullptr, inserted[i] == 1);
    }
    // The tags were read: the songs sit under their artist, not "unknown".
    EXPECT_EQ(tree.FindTextInTree(CSongTreeCtrl::kUnknownArtist,
                                  tree.FindTextInTree("m4a", tree.GetRootItem())),
              nullptr);
    EXPECT_TRUE(tree.InsertSongFiles({}).empty());

    owner.Refuse();
    EXPECT_EQ(tree.InsertSongFiles({songs.walkFiles[1]}), std::vector<int>{0});
}

TEST(SongTreeThreads, StopEndsTheInsertThreads) {
    Collection songs(40);
    CSongTreeCtrl tree;
    for (const std::string& file : songs.threadFiles) {
        tree.InsertSongFileByThread(file);
    }
    tree.Stop();
    tree.Wait();
    EXPECT_EQ(tree.GetInsertThreadCount(), 0);
    EXPECT_EQ(tree.IsDoing(), 0);
    // Whatever went in before the stop is whole: one group per level.
    if (tree.GetRootItem() != nullptr) {
        EXPECT_EQ(tree.GetChildCount(tree.GetRootItem()), 1);
    }
    // A destroyed tree waits for its threads first.
    {
        CSongTreeCtrl shortLived;
        for (const std::string& file : songs.walkFiles) {
            shortLived.InsertSongFileByThread(file);
        }
    }
}

}  // namespace
