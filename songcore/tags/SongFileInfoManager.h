#pragma once
// The locked list through which worker threads own their song information
// records, so that a stop request can cancel every read in flight.

#include <atomic>
#include <list>
#include <memory>
#include <mutex>

#include "songcore/tags/SongFileInfo.h"

class CSongFileInfoManager {
public:
    CSongFileInfoManager();
    ~CSongFileInfoManager();
    CSongFileInfoManager(const CSongFileInfoManager&) = delete;
    CSongFileInfoManager& operator=(const CSongFileInfoManager&) = delete;

    // A new record owned by the manager until Delete; null when none can be made.
    CSongFileInfo* New();
    // Takes the record back; with keep 0 it is closed and destroyed, otherwise
    // it is handed to the caller, who then owns it.
    void Delete(CSongFileInfo* record, int keep);
    int GetCount() const { return count_.load(); }
    void TerminateAll();

private:
    mutable std::mutex mutex_;
    std::list<std::unique_ptr<CSongFileInfo>> records_;
    std::atomic<int> count_{0};
};
