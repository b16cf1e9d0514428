#pragma once
// The registry of the worker threads one owner started: it starts them,
// optionally bounds how many run at once (a creator then waits for a free
// slot), counts them and asks them to stop.
//
// Threads use their owner until they end, so an owner must not go away
// while any is registered: its destructor calls Stop and then Wait (the
// manager's own destructor does both, but a derived owner's virtual
// operations are gone by the time that runs).

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "songcore/threads/Thread.h"

class CThreadManager {
public:
    CThreadManager() = default;
    // Requests stop of every thread, refuses new ones and waits for all to end.
    virtual ~CThreadManager();
    CThreadManager(const CThreadManager&) = delete;
    CThreadManager& operator=(const CThreadManager&) = delete;

    // Starts fn on param (owner filled in by the caller), first waiting for a
    // free slot when a maximum is set. 1 when the thread runs; 0 when it
    // could not be started or the manager is being destroyed (the record is
    // freed then).
    int CreateThread(AFX_THREADPROC fn, std::unique_ptr<THREAD_PARAM> param);

    // Requests stop of thread, when it is still registered.
    void Terminate(CThread* thread);
    // Requests stop of every registered thread and returns at once.
    void TerminateAll();
    // 0 or less: no limit.
    void SetMaxThreadCount(int count);
    int GetCount() const { return count_.load(std::memory_order_acquire); }
    // How many creators are blocked waiting for a free slot.
    int GetWaitingCreatorCount() const;

    // Blocks until no thread is registered and every ended thread has been
    // joined. Must not be called from one of this manager's own threads.
    void Wait();

private:
    friend class CThread;
    // Registration is the threads' own business: a registration dropped by
    // anyone else would let an owner go while its thread still runs.
    void Add(CThread* thread);
    // Drops the first registration of thread (if any) and wakes waiting creators.
    void Remove(CThread* thread);
    // Called by a thread as it ends: unregisters it and keeps its handle to
    // be joined by whoever next starts or waits.
    void Retire(CThread* thread, std::thread handle);
    void JoinEnded();
    void UpdateCount() {
        count_.store(static_cast<int>(threads_.size()), std::memory_order_release);
    }

    // Re-entrant: a creator holds it while the new thread registers itself.
    mutable std::recursive_mutex lock_;
    std::condition_variable_any changed_;
    std::vector<CThread*> threads_;   // registration order, not owned
    std::vector<std::thread> ended_;  // threads past their last use of this manager
    std::atomic<int> count_{0};
    int maxThreadCount_ = 0;
    int waitingCreators_ = 0;
    bool closing_ = false;
};
