#pragma once
// SongTree: the main window's song tree. It holds the two searches aimed at
// itself: the local search inserts every file it finds (reading its tags on
// the search thread), the internet search hands every link to an insert
// thread.

#include <string>

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

private:
    class Local : public CLocalSongSearch {
    public:
        explicit Local(SongTree& tree) : tree_(tree) {}
        ~Local() override;

    protected:
        void MusicFile(const std::string& path) override { tree_.InsertSongFile(path); }

    private:
        SongTree& tree_;
    };
    class Internet : public CInternetSongSearch {
    public:
        explicit Internet(SongTree& tree) : tree_(tree) {}
        ~Internet() override;

    protected:
        void MusicFile(const std::string& link) override { tree_.InsertSongFileByThread(link); }

    private:
        SongTree& tree_;
    };

    Local local_;
    Internet internet_;
};
