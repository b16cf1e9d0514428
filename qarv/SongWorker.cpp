#include "qarv/SongWorker.h"

#include <QMetaObject>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "songcore/tags/SongFileInfo.h"

struct SongWorker::State {
    mutable std::mutex lock;
    std::condition_variable wake;
    std::deque<QString> queue;
    bool stop = false;
    bool busy = false;
    // The song being read, so that a cancel can cut its download off.
    CSongFileInfo* current = nullptr;
    std::thread thread;
};

SongWorker::SongWorker(QObject* receiver, Job job) : state_(std::make_unique<State>()) {
    state_->thread = std::thread([state = state_.get(), receiver, job = std::move(job)] {
        std::unique_lock guard(state->lock);
        for (;;) {
            state->wake.wait(guard, [state] { return state->stop || !state->queue.empty(); });
            if (state->stop) {
                return;
            }
            QString path = state->queue.front();
            state->queue.pop_front();
            state->busy = true;
            CSongFileInfo song;
            state->current = &song;
            guard.unlock();

            Reply reply = job(song, path);

            guard.lock();
            state->current = nullptr;
            state->busy = false;
            if (state->stop) {
                return;  // the receiver is going away: nobody to tell
            }
            // Posted while the lock is held, so the destructor (which takes
            // it first) cannot run between the check and the post.
            if (reply) {
                QMetaObject::invokeMethod(receiver, std::move(reply), Qt::QueuedConnection);
            }
        }
    });
}

SongWorker::~SongWorker() {
    {
        std::lock_guard guard(state_->lock);
        state_->stop = true;
        if (state_->current != nullptr) {
            state_->current->Terminate();
        }
    }
    state_->wake.notify_all();
    state_->thread.join();
}

void SongWorker::Read(const QStringList& paths) {
    {
        std::lock_guard guard(state_->lock);
        state_->queue.insert(state_->queue.end(), paths.begin(), paths.end());
    }
    state_->wake.notify_all();
}

bool SongWorker::IsReading() const {
    std::lock_guard guard(state_->lock);
    return state_->busy || !state_->queue.empty();
}
