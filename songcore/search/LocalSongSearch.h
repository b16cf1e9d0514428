#pragma once
// Finds song files below a folder on a worker thread and reports each one
// whose name ends in a listed extension through MusicFile, which a user of
// the class overrides.

#include <cstdint>
#include <string>

#include "songcore/threads/ThreadManager.h"

class CLocalSongSearch {
public:
    CLocalSongSearch();
    // Stops and waits for every search thread. A derived class whose
    // MusicFile uses its own members must call Stop and Wait in its own
    // destructor, before those members go away.
    virtual ~CLocalSongSearch();
    CLocalSongSearch(const CLocalSongSearch&) = delete;
    CLocalSongSearch& operator=(const CLocalSongSearch&) = delete;

    // Starts a walk of folder (or the one file it names) for names ending in
    // "." and one of the ";"-separated extensions (any case); returns at once.
    // A walk already running goes on beside the new one.
    void Search(const std::string& extensions, const std::string& folder);
    // Requests stop of every walk; returns at once.
    void Stop();
    // Blocks until every walk has ended.
    void Wait();
    int IsSearching() const { return threads_.GetCount() > 0 ? 1 : 0; }
    // The folder as given to the last Search.
    std::string GetFolder() const { return folder_; }
    // The extension list of the last Search, in lower case.
    std::string GetSongExt() const { return extensions_; }

protected:
    // Called on the search thread for every matching file, with its path as
    // the file system spells it. The walk goes on when it returns.
    virtual void MusicFile(const std::string& path);
    // Called on the search thread as the walk enters each folder.
    virtual void FolderEntered(const std::string& folder) { (void)folder; }
    // Called on the search thread when a walk has ended; stopped when Stop
    // cut it short.
    virtual void WalkEnded(bool stopped) { (void)stopped; }

    static uint32_t SearchThread(THREAD_PARAM* param);
    static uint32_t SearchMusicFile(CThread* thread, CLocalSongSearch* search,
                                    const std::string& extensions, const std::string& path);

private:
    std::string extensions_;
    std::string folder_;
    // Last, so that it is destroyed (and the walks have ended) first.
    CThreadManager threads_;
};
