#pragma once
// Test helpers for the song views: a listener that records what a tree
// tells it and checks that its structural notices agree with the tree, and
// a dispatcher that runs work on an "owner" thread of its own, as a GUI
// thread would.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "songcore/views/ModelDispatcher.h"
#include "songcore/views/SongTreeCtrl.h"

namespace testsupport {

class RecordingTreeListener : public ISongTreeListener {
public:
    struct Message {
        uint32_t message;
        std::string file;
        std::string text;
    };
    explicit RecordingTreeListener(CSongTreeCtrl& tree) : tree_(tree) {}

    void OnSongTreeMessage(uint32_t message, CSongTreeCtrl* tree, HTREEITEM item) override;
    void OnBeginInsertItem(HTREEITEM parent, int row) override;
    void OnEndInsertItem(HTREEITEM item) override;
    void OnBeginRemoveItem(HTREEITEM parent, int row, HTREEITEM item) override;
    void OnEndRemoveItem(HTREEITEM parent, int row) override;
    void OnSetRedraw(bool redraw) override { redraws.push_back(redraw); }

    // Set when a call came from another thread than the one named here.
    void ExpectThread(std::thread::id id) { expected_ = id; }

    std::vector<Message> messages;
    std::vector<bool> redraws;
    int inserts = 0;
    int removes = 0;
    std::atomic<int> wrongThread{0};
    std::atomic<int> inconsistent{0};

private:
    void CheckThread();
    CSongTreeCtrl& tree_;
    std::thread::id expected_{};
    HTREEITEM pendingParent_ = nullptr;
    int pendingRow_ = -1;
    int pendingCount_ = 0;
};

// Runs dispatched work on its own thread and waits for it; work dispatched
// from that thread runs at once. Refuse() makes it turn work away.
class OwnerThreadDispatcher {
public:
    OwnerThreadDispatcher();
    ~OwnerThreadDispatcher();
    songcore::ModelDispatcher Dispatcher();
    void Refuse() { refusing_ = true; }
    std::thread::id id() const { return thread_.get_id(); }
    int ran() const { return ran_.load(); }

private:
    struct Job {
        const std::function<void()>* work;
        bool done = false;
    };
    bool Run(const std::function<void()>& work);
    void Loop();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job*> queue_;
    bool stopping_ = false;
    std::atomic<bool> refusing_{false};
    std::atomic<int> ran_{0};
    std::thread thread_;
};

}  // namespace testsupport
