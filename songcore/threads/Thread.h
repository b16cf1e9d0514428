#pragma once
// One worker thread. It runs a thread function on its parameter record and,
// when the function returns, destroys itself and the record and leaves its
// manager. Stopping is cooperative: the function polls IsRunning.

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "songcore/threads/ThreadParam.h"

class CThreadManager;

// The function a worker runs; it returns its exit code (0 throughout).
using AFX_THREADPROC = uint32_t (*)(THREAD_PARAM* param);

class CThread final {
public:
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // Creates a thread registered with manager and starts it on param. The
    // object then lives until its function returns. 0 when no thread could
    // be started; the record is freed and nothing stays registered then.
    static int Start(AFX_THREADPROC fn, std::unique_ptr<THREAD_PARAM> param,
                     CThreadManager* manager);

    // Non-zero until a stop has been requested; says nothing about whether
    // the function still runs.
    int IsRunning() const { return stop_.load(std::memory_order_acquire) ? 0 : 1; }
    // Requests a stop; no effect on a thread that was never started.
    void Stop();

private:
    CThread() = default;
    ~CThread();

    int CreateThread(AFX_THREADPROC fn, std::unique_ptr<THREAD_PARAM> param,
                     CThreadManager* manager);
    void Free();
    static void Run(CThread* self);

    AFX_THREADPROC fn_ = nullptr;
    std::unique_ptr<THREAD_PARAM> param_;
    CThreadManager* manager_ = nullptr;
    std::atomic<bool> stop_{false};
    std::atomic<bool> started_{false};
    std::thread thread_;
};
