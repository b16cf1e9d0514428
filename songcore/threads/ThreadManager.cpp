#include "songcore/threads/ThreadManager.h"

#include <algorithm>

CThreadManager::~CThreadManager() {
    std::unique_lock lock(lock_);
    closing_ = true;
    for (auto it = threads_.rbegin(); it != threads_.rend(); ++it) {
        (*it)->Stop();
    }
    changed_.notify_all();
    // Creators blocked on a slot must have left before the lock goes away.
    changed_.wait(lock, [this] { return threads_.empty() && waitingCreators_ == 0; });
    JoinEnded();
}

int CThreadManager::CreateThread(AFX_THREADPROC fn, std::unique_ptr<THREAD_PARAM> param) {
    std::unique_lock lock(lock_);
    JoinEnded();
    if (closing_) {
        return 0;
    }
    if (maxThreadCount_ > 0) {
        // A hard bound: a creator that wakes goes on only when a slot is free.
        ++waitingCreators_;
        changed_.wait(lock, [this] {
            return closing_ || maxThreadCount_ <= 0 ||
                   threads_.size() < static_cast<size_t>(maxThreadCount_);
        });
        --waitingCreators_;
        if (closing_) {
            changed_.notify_all();
            return 0;
        }
    }
    return CThread::Start(fn, std::move(param), this);
}

void CThreadManager::Add(CThread* thread) {
    std::lock_guard guard(lock_);
    threads_.push_back(thread);
    UpdateCount();
}

void CThreadManager::Remove(CThread* thread) {
    std::lock_guard guard(lock_);
    auto it = std::find(threads_.begin(), threads_.end(), thread);
    if (it != threads_.end()) {
        threads_.erase(it);
        UpdateCount();
    }
    changed_.notify_all();
}

void CThreadManager::Retire(CThread* thread, std::thread handle) {
    std::lock_guard guard(lock_);
    if (handle.joinable()) {
        ended_.push_back(std::move(handle));
    }
    Remove(thread);
}

void CThreadManager::JoinEnded() {
    // These threads are past their last use of the manager; joining only
    // waits for them to return, which they do without taking the lock.
    for (std::thread& thread : ended_) {
        thread.join();
    }
    ended_.clear();
}

void CThreadManager::Terminate(CThread* thread) {
    std::lock_guard guard(lock_);
    // Only a registered thread still exists; any other pointer may dangle.
    if (std::find(threads_.begin(), threads_.end(), thread) != threads_.end()) {
        thread->Stop();
    }
}

void CThreadManager::TerminateAll() {
    std::lock_guard guard(lock_);
    for (auto it = threads_.rbegin(); it != threads_.rend(); ++it) {
        (*it)->Stop();
    }
}

void CThreadManager::SetMaxThreadCount(int count) {
    std::lock_guard guard(lock_);
    maxThreadCount_ = count;
    changed_.notify_all();
}

int CThreadManager::GetWaitingCreatorCount() const {
    std::lock_guard guard(lock_);
    return waitingCreators_;
}

void CThreadManager::Wait() {
    std::unique_lock lock(lock_);
    changed_.wait(lock, [this] { return threads_.empty(); });
    JoinEnded();
}
