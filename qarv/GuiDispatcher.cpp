#include "qarv/GuiDispatcher.h"

#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <algorithm>
#include <condition_variable>
#include <list>
#include <mutex>

namespace {

struct Task {
    const std::function<void()>* work = nullptr;
    bool done = false;
};

}  // namespace

struct GuiDispatcher::State {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = true;
    QPointer<QObject> context;
    QThread* thread = nullptr;
    // Work handed over and not yet started; a closed dispatcher empties it,
    // so work that was never started is never started later.
    std::list<std::shared_ptr<Task>> pending;

    void Run(const std::shared_ptr<Task>& task) {
        {
            std::lock_guard lock(mutex);
            auto found = std::find(pending.begin(), pending.end(), task);
            if (found == pending.end()) {
                return;
            }
            pending.erase(found);
        }
        (*task->work)();
        std::lock_guard lock(mutex);
        task->done = true;
        changed.notify_all();
    }

    bool Dispatch(const std::shared_ptr<State>& self, const std::function<void()>& work) {
        if (QThread::currentThread() == thread) {
            work();
            return true;
        }
        auto task = std::make_shared<Task>();
        task->work = &work;
        std::unique_lock lock(mutex);
        if (!open || !context) {
            return false;
        }
        pending.push_back(task);
        QMetaObject::invokeMethod(
            context.data(), [self, task] { self->Run(task); }, Qt::QueuedConnection);
        changed.wait(lock, [&] {
            return task->done ||
                   (!open && std::find(pending.begin(), pending.end(), task) == pending.end());
        });
        return task->done;
    }
};

GuiDispatcher::GuiDispatcher(QObject* context) : state_(std::make_shared<State>()) {
    state_->context = context;
    state_->thread = context->thread();
}

GuiDispatcher::~GuiDispatcher() {
    Close();
}

songcore::ModelDispatcher GuiDispatcher::Function() const {
    std::shared_ptr<State> state = state_;
    return [state](const std::function<void()>& work) { return state->Dispatch(state, work); };
}

void GuiDispatcher::Close() {
    std::lock_guard lock(state_->mutex);
    state_->open = false;
    state_->pending.clear();
    state_->changed.notify_all();
}

bool GuiDispatcher::IsOpen() const {
    std::lock_guard lock(state_->mutex);
    return state_->open;
}

size_t GuiDispatcher::WaitingCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->pending.size();
}
