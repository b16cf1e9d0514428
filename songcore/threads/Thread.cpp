#include "songcore/threads/Thread.h"

#include <new>
#include <system_error>

#include "songcore/threads/ThreadManager.h"

// A worker owns itself: it is made here with new and deletes itself in Run
// when its function returns, the one place in the library that manages
// memory by hand. Nothing else holds an owning pointer to it.
int CThread::Start(AFX_THREADPROC fn, std::unique_ptr<THREAD_PARAM> param,
                   CThreadManager* manager) {
    if (fn == nullptr || param == nullptr || manager == nullptr) {
        return 0;
    }
    CThread* thread = new (std::nothrow) CThread();
    if (thread == nullptr) {
        return 0;
    }
    if (!thread->CreateThread(fn, std::move(param), manager)) {
        // Never ran: free it here so its owner does not count it as busy.
        delete thread;
        return 0;
    }
    return 1;
}

int CThread::CreateThread(AFX_THREADPROC fn, std::unique_ptr<THREAD_PARAM> param,
                          CThreadManager* manager) {
    fn_ = fn;
    param_ = std::move(param);
    param_->thread = this;
    manager_ = manager;
    // Held until this object is complete: Run takes the same lock before it
    // starts, so the new thread never sees a half-built object, and cannot
    // delete it while we are still writing to it.
    std::lock_guard guard(manager->lock_);
    manager->Add(this);
    stop_.store(false);
    started_.store(true);
    try {
        thread_ = std::thread(&CThread::Run, this);
    } catch (const std::system_error&) {
        started_.store(false);
        manager->Remove(this);
        return 0;
    }
    return 1;
}

void CThread::Run(CThread* self) {
    { std::lock_guard gate(self->manager_->lock_); }
    try {
        self->fn_(self->param_.get());
    } catch (...) {
        // A thread function that throws must still leave its manager, or the
        // owner would wait for it forever.
    }
    delete self;
}

void CThread::Stop() {
    if (started_.load()) {
        stop_.store(true, std::memory_order_release);
    }
}

CThread::~CThread() {
    Free();
}

void CThread::Free() {
    param_.reset();
    if (manager_ != nullptr) {
        // The last use of the manager: from here on the owner may go away.
        manager_->Retire(this, std::move(thread_));
        manager_ = nullptr;
    }
}
