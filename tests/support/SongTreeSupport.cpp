#include "support/SongTreeSupport.h"

namespace testsupport {

void RecordingTreeListener::CheckThread() {
    if (expected_ != std::thread::id() && std::this_thread::get_id() != expected_) {
        ++wrongThread;
    }
}

void RecordingTreeListener::OnSongTreeMessage(uint32_t message, CSongTreeCtrl* tree,
                                              HTREEITEM item) {
    CheckThread();
    if (tree != &tree_) {
        ++inconsistent;
    }
    messages.push_back({message, tree->GetSongFile(item), tree->GetItemText(item)});
}

void RecordingTreeListener::OnBeginInsertItem(HTREEITEM parent, int row) {
    CheckThread();
    // A new item always becomes the parent's last child.
    if (row != tree_.GetChildCount(parent)) {
        ++inconsistent;
    }
    pendingParent_ = parent;
    pendingRow_ = row;
    pendingCount_ = tree_.GetChildCount(parent);
}

void RecordingTreeListener::OnEndInsertItem(HTREEITEM item) {
    CheckThread();
    ++inserts;
    if (tree_.GetParentItem(item) != pendingParent_ || tree_.GetItemRow(item) != pendingRow_ ||
        tree_.GetChildCount(pendingParent_) != pendingCount_ + 1 ||
        tree_.GetChildAt(pendingParent_, pendingRow_) != item) {
        ++inconsistent;
    }
}

void RecordingTreeListener::OnBeginRemoveItem(HTREEITEM parent, int row, HTREEITEM item) {
    CheckThread();
    if (tree_.GetChildAt(parent, row) != item) {
        ++inconsistent;
    }
    pendingParent_ = parent;
    pendingCount_ = tree_.GetChildCount(parent);
}

void RecordingTreeListener::OnEndRemoveItem(HTREEITEM parent, int row) {
    CheckThread();
    (void)row;
    ++removes;
    if (parent != pendingParent_ || tree_.GetChildCount(parent) != pendingCount_ - 1) {
        ++inconsistent;
    }
}

OwnerThreadDispatcher::OwnerThreadDispatcher() : thread_([this] { Loop(); }) {}

OwnerThreadDispatcher::~OwnerThreadDispatcher() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

songcore::ModelDispatcher OwnerThreadDispatcher::Dispatcher() {
    return [this](const std::function<void()>& work) { return Run(work); };
}

bool OwnerThreadDispatcher::Run(const std::function<void()>& work) {
    if (refusing_) {
        return false;
    }
    if (std::this_thread::get_id() == thread_.get_id()) {
        work();
        ++ran_;
        return true;
    }
    Job job{&work};
    std::unique_lock<std::mutex> lock(mutex_);
    if (stopping_) {
        return false;
    }
    queue_.push_back(&job);
    changed_.notify_all();
    changed_.wait(lock, [&] { return job.done; });
    return true;
}

void OwnerThreadDispatcher::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) {
            return;
        }
        Job* job = queue_.front();
        queue_.pop_front();
        lock.unlock();
        (*job->work)();
        ++ran_;
        lock.lock();
        job->done = true;
        changed_.notify_all();
    }
}

}  // namespace testsupport
