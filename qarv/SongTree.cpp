#include "qarv/SongTree.h"

SongTree::Local::~Local() {
    Stop();
    Wait();
}

SongTree::Internet::~Internet() {
    Stop();
    Wait();
}

SongTree::SongTree() : local_(*this), internet_(*this) {}

SongTree::~SongTree() {
    StopAll();
    WaitAll();
}

bool SongTree::IsBusy() const {
    return local_.IsSearching() || internet_.IsSearching() || IsDoing() ||
           GetInsertThreadCount() > 0;
}

void SongTree::StopAll() {
    local_.Stop();
    internet_.Stop();
    Stop();
}

void SongTree::WaitAll() {
    local_.Wait();
    internet_.Wait();
    // The internet search may have started insert threads until it ended.
    Stop();
    Wait();
}

SongTree::SearchProgress SongTree::GetSearchProgress() const {
    std::lock_guard lock(foundLock_);
    return {foundCount_.load(), folder_};
}

void SongTree::ResetSearchProgress() {
    std::lock_guard lock(foundLock_);
    foundCount_ = 0;
    folder_.clear();
}

void SongTree::QueueFound(const std::string& path) {
    std::vector<std::string> batch;
    {
        std::lock_guard lock(foundLock_);
        if (found_.empty()) {
            lastBatch_ = std::chrono::steady_clock::now();
        }
        found_.push_back(path);
        ++foundCount_;
        if (found_.size() >= kInsertBatch ||
            std::chrono::steady_clock::now() - lastBatch_ >= kInsertBatchAge) {
            batch.swap(found_);
        }
    }
    // Outside the lock: the tags are read here, and the other walks go on.
    if (!batch.empty()) {
        InsertSongFiles(batch);
    }
}

void SongTree::NoteFolder(const std::string& folder) {
    std::lock_guard lock(foundLock_);
    folder_ = folder;
}

void SongTree::FlushFound(bool dropped) {
    std::vector<std::string> batch;
    {
        std::lock_guard lock(foundLock_);
        batch.swap(found_);
        if (dropped) {
            foundCount_ -= batch.size();  // a stopped search inserts no more
            batch.clear();
        }
    }
    if (!batch.empty()) {
        InsertSongFiles(batch);
    }
}
