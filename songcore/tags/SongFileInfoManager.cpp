#include "songcore/tags/SongFileInfoManager.h"

#include <new>

CSongFileInfoManager::CSongFileInfoManager() = default;

CSongFileInfoManager::~CSongFileInfoManager() {
    // Records still listed belong to threads that have been stopped; they are
    // cancelled first so that nothing is destroyed under a running read.
    TerminateAll();
}

CSongFileInfo* CSongFileInfoManager::New() {
    std::lock_guard lock(mutex_);
    try {
        records_.push_back(std::make_unique<CSongFileInfo>());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    count_.store(static_cast<int>(records_.size()));
    return records_.back().get();
}

void CSongFileInfoManager::Delete(CSongFileInfo* record, int keep) {
    std::unique_ptr<CSongFileInfo> taken;
    {
        std::lock_guard lock(mutex_);
        for (auto it = records_.begin(); it != records_.end();) {
            if (it->get() == record) {
                taken = std::move(*it);
                it = records_.erase(it);
            } else {
                ++it;
            }
        }
        count_.store(static_cast<int>(records_.size()));
    }
    if (taken && keep) {
        // The caller keeps the record alive and owns it from now on.
        (void)taken.release();
    }
    // Otherwise the record is closed and destroyed here, outside the lock.
}

void CSongFileInfoManager::TerminateAll() {
    std::lock_guard lock(mutex_);
    for (auto& record : records_) {
        record->Terminate();
    }
}
