#pragma once
// SongTree: the main window's song tree. It holds the two searches aimed at
// itself: the local search inserts the files it finds in batches (reading
// their tags on the search thread, one trip to the GUI thread per batch), the
// internet search hands every link to an insert thread.

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "songcore/search/InternetSongSearch.h"
#include "songcore/search/LocalSongSearch.h"
#include "songcore/views/SongTreeCtrl.h"

class SongTree : public CSongTreeCtrl {
public:
    SongTree();
    // Stops both searches and the insert threads and waits for them. The
    // owner closes the dispatcher first.
    ~SongTree() override;

    CLocalSongSearch& LocalSearch() { return local_; }
    CInternetSongSearch& InternetSearch() { return internet_; }
    // A search, an insert thread or a tag read is under way.
    bool IsBusy() const;
    // Asks every search, insert thread and tag read to stop; returns at once.
    void StopAll();
    // Blocks until all of them have ended (not while the dispatcher still
    // hands work to this thread).
    void WaitAll();

    // How far the searches are: songs found (on the web too) since the last
    // ResetSearchProgress, and the folder being walked now.
    struct SearchProgress {
        uint64_t found = 0;
        std::string folder;
    };
    SearchProgress GetSearchProgress() const;
    void ResetSearchProgress();

    // A batch is inserted when it holds this many songs, or when this long
    // has passed since the last one, so a slow disk still shows progress.
    static constexpr size_t kInsertBatch = 100;
    static constexpr std::chrono::milliseconds kInsertBatchAge{300};

private:
    class Local : public CLocalSongSearch {
    public:
        explicit Local(SongTree& tree) : tree_(tree) {}
        ~Local() override;

    protected:
        void MusicFile(const std::string& path) override { tree_.QueueFound(path); }
        void FolderEntered(const std::string& folder) override { tree_.NoteFolder(folder); }
        void WalkEnded(bool stopped) override { tree_.FlushFound(stopped); }

    private:
        SongTree& tree_;
    };
    class Internet : public CInternetSongSearch {
    public:
        explicit Internet(SongTree& tree) : tree_(tree) {}
        ~Internet() override;

    protected:
        void MusicFile(const std::string& link) override {
            // Counted as the walk's songs are, for the status bar.
            ++tree_.foundCount_;
            tree_.InsertSongFileByThread(link);
        }

    private:
        SongTree& tree_;
    };

    // From the search threads.
    void QueueFound(const std::string& path);
    void NoteFolder(const std::string& folder);
    void FlushFound(bool dropped);

    mutable std::mutex foundLock_;
    std::vector<std::string> found_;
    std::string folder_;
    std::chrono::steady_clock::time_point lastBatch_;
    std::atomic<uint64_t> foundCount_{0};

    Local local_;
    Internet internet_;
};
