#pragma once
// The state behind CSongTreeCtrl (internal to the tree's sources).

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "songcore/tags/SongFileInfoManager.h"
#include "songcore/views/SongTreeNode.h"

struct CSongTreeCtrl::Impl {
    // Guards everything below except the atomics and the dispatcher.
    mutable std::recursive_mutex lock;
    songcore::SongTreeNode top;  // the level of the roots; no record
    songcore::SongTreeIndex songsByFile;
    std::vector<ISongTreeListener*> listeners;
    songcore::SongTreeNode* selected = nullptr;
    songcore::SongTreeNode* dropHighlight = nullptr;
    uint32_t count = 0;
    uint32_t imageBitmap = 0;
    int imageCx = 0;
    int imageCy = 0;
    uint32_t imageMask = 0;

    std::mutex dispatcherLock;
    songcore::ModelDispatcher dispatcher;

    CSongFileInfoManager readers;
    std::atomic<int> modified{0};
    std::atomic<int> notify{0};
    std::atomic<uint32_t> viewMethod{0};

    template <typename F>
    void Notify(F&& call) {
        for (size_t i = 0; i < listeners.size(); ++i) {
            call(listeners[i]);
        }
    }
    static HTREEITEM Handle(songcore::SongTreeNode* node, const songcore::SongTreeNode* top) {
        return node == top ? nullptr : node;
    }
    songcore::SongTreeNode* NodeOrTop(HTREEITEM item) { return item != nullptr ? item : &top; }
    const songcore::SongTreeNode* NodeOrTop(HTREEITEM item) const {
        return item != nullptr ? item : &top;
    }
};
