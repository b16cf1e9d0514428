// Worker threads and their manager: self-deleting threads, the stop request,
// the slot limit and an owner that outlives its threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "songcore/threads/Thread.h"
#include "songcore/threads/ThreadManager.h"
#include "support/TestSupport.h"

using namespace std::chrono_literals;

namespace {

// What a test's threads share with it: a gate they wait at, and counters.
struct Board {
    std::mutex mutex;
    std::condition_variable changed;
    int open = 0;  // how many waiting threads may go on
    int started = 0;
    int finished = 0;
    int sawStop = 0;
    std::string texts;
    uint32_t numbers = 0;

    void WaitFor(const std::function<bool()>& done) {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, 60s, done));
    }
    void Open(int count) {
        std::lock_guard lock(mutex);
        open += count;
        changed.notify_all();
    }
};

std::unique_ptr<THREAD_PARAM> Param(Board* board) {
    auto param = std::make_unique<THREAD_PARAM>();
    param->owner = board;
    return param;
}

// Waits at the gate until the test opens it, then ends.
uint32_t GateThread(THREAD_PARAM* param) {
    auto* board = static_cast<Board*>(param->owner);
    std::unique_lock lock(board->mutex);
    ++board->started;
    board->changed.notify_all();
    board->changed.wait(lock, [&] { return board->open > 0; });
    --board->open;
    ++board->finished;
    board->changed.notify_all();
    return 0;
}

// Counts the thread as started, then returns once its stop is requested.
void RunUntilStopped(THREAD_PARAM* param) {
    auto* board = static_cast<Board*>(param->owner);
    {
        std::lock_guard lock(board->mutex);
        ++board->started;
        board->changed.notify_all();
    }
    while (param->thread->IsRunning()) {
        std::this_thread::sleep_for(1ms);
    }
}

// Runs until a stop is requested.
uint32_t PollingThread(THREAD_PARAM* param) {
    RunUntilStopped(param);
    // A slow wind-down: the owner must still be there afterwards.
    std::this_thread::sleep_for(50ms);
    auto* board = static_cast<Board*>(param->owner);
    std::lock_guard lock(board->mutex);
    ++board->sawStop;
    board->changed.notify_all();
    return 0;
}

// Runs until a stop is requested, then waits at the gate before it ends.
uint32_t StopThenGateThread(THREAD_PARAM* param) {
    RunUntilStopped(param);
    auto* board = static_cast<Board*>(param->owner);
    std::unique_lock lock(board->mutex);
    ++board->sawStop;
    board->changed.notify_all();
    board->changed.wait(lock, [&] { return board->open > 0; });
    --board->open;
    return 0;
}

TEST(Thread, RunsOnItsRecordAndLeavesTheManagerWhenDone) {
    Board board;
    CThreadManager manager;
    auto param = Param(&board);
    param->text1 = "a";
    param->text4 = "d";
    param->number1 = 7;
    param->number2 = 35;
    auto fn = [](THREAD_PARAM* p) -> uint32_t {
        auto* b = static_cast<Board*>(p->owner);
        std::lock_guard lock(b->mutex);
        b->texts = p->text1 + p->text4;
        b->numbers = p->number1 + p->number2;
        b->sawStop = p->thread->IsRunning() ? 0 : 1;
        return 0;
    };
    ASSERT_EQ(manager.CreateThread(fn, std::move(param)), 1);
    manager.Wait();
    EXPECT_EQ(manager.GetCount(), 0);
    EXPECT_EQ(board.texts, "ad");
    EXPECT_EQ(board.numbers, 42u);
    EXPECT_EQ(board.sawStop, 0);  // running in a fresh thread
}

TEST(Thread, AThreadFunctionThatThrowsStillLeaves) {
    CThreadManager manager;
    Board board;
    auto fn = [](THREAD_PARAM*) -> uint32_t { throw std::runtime_error("boom"); };
    ASSERT_EQ(manager.CreateThread(fn, Param(&board)), 1);
    manager.Wait();
    EXPECT_EQ(manager.GetCount(), 0);
}

TEST(ThreadManager, WithoutLimitCreatorsNeverWait) {
    Board board;
    CThreadManager manager;
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(manager.CreateThread(&GateThread, Param(&board)), 1);
    }
    board.WaitFor([&] { return board.started == 5; });
    EXPECT_EQ(manager.GetCount(), 5);
    board.Open(5);
    manager.Wait();
    EXPECT_EQ(board.finished, 5);
}

TEST(ThreadManager, ACreatorWaitsForAFreeSlot) {
    Board board;
    CThreadManager manager;
    manager.SetMaxThreadCount(2);
    ASSERT_EQ(manager.CreateThread(&GateThread, Param(&board)), 1);
    ASSERT_EQ(manager.CreateThread(&GateThread, Param(&board)), 1);
    board.WaitFor([&] { return board.started == 2; });

    std::atomic<bool> created{false};
    std::thread creator([&] {
        manager.CreateThread(&GateThread, Param(&board));
        created = true;
    });
    testsupport::WaitUntil([&] { return manager.GetWaitingCreatorCount() == 1; });
    EXPECT_FALSE(created);
    EXPECT_EQ(manager.GetCount(), 2);

    board.Open(1);  // one thread ends, its slot goes to the waiting creator
    board.WaitFor([&] { return board.started == 3; });
    creator.join();
    EXPECT_TRUE(created);
    EXPECT_LE(manager.GetCount(), 2);

    board.Open(2);
    manager.Wait();
    EXPECT_EQ(board.finished, 3);
}

TEST(ThreadManager, TerminateAllRequestsStopAndReturnsAtOnce) {
    Board board;
    CThreadManager manager;
    manager.TerminateAll();  // idle: nothing happens
    EXPECT_EQ(manager.GetCount(), 0);

    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(manager.CreateThread(&StopThenGateThread, Param(&board)), 1);
    }
    board.WaitFor([&] { return board.started == 3; });
    manager.TerminateAll();
    // The threads wind down on their own (here not before the gate opens);
    // the count falls as they end.
    EXPECT_GT(manager.GetCount(), 0);
    board.WaitFor([&] { return board.sawStop == 3; });
    board.Open(3);
    manager.Wait();
    EXPECT_EQ(board.sawStop, 3);
    EXPECT_EQ(manager.GetCount(), 0);
}

TEST(ThreadManager, TerminateStopsOneThreadOnly) {
    Board board;
    CThreadManager manager;
    std::atomic<CThread*> first{nullptr};
    auto fn = [](THREAD_PARAM* p) -> uint32_t {
        static_cast<std::atomic<CThread*>*>(p->owner)->store(p->thread);
        while (p->thread->IsRunning()) {
            std::this_thread::sleep_for(1ms);
        }
        return 0;
    };
    auto param = std::make_unique<THREAD_PARAM>();
    param->owner = &first;
    ASSERT_EQ(manager.CreateThread(fn, std::move(param)), 1);
    ASSERT_EQ(manager.CreateThread(&PollingThread, Param(&board)), 1);
    board.WaitFor([&] { return board.started == 1; });
    while (first.load() == nullptr) {
        std::this_thread::sleep_for(1ms);
    }
    manager.Terminate(first.load());
    while (manager.GetCount() != 1) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(board.sawStop, 0);
    manager.TerminateAll();
    manager.Wait();
    EXPECT_EQ(board.sawStop, 1);
}

TEST(ThreadManager, DestructionWaitsForEveryThreadToEnd) {
    Board board;
    {
        CThreadManager manager;
        for (int i = 0; i < 4; ++i) {
            ASSERT_EQ(manager.CreateThread(&PollingThread, Param(&board)), 1);
        }
        board.WaitFor([&] { return board.started == 4; });
    }
    // Every thread saw its stop and finished using the board before the
    // manager was gone.
    std::lock_guard lock(board.mutex);
    EXPECT_EQ(board.sawStop, 4);
}

TEST(ThreadManager, DestructionReleasesACreatorWaitingForASlot) {
    Board board;
    auto manager = std::make_unique<CThreadManager>();
    manager->SetMaxThreadCount(1);
    ASSERT_EQ(manager->CreateThread(&PollingThread, Param(&board)), 1);
    board.WaitFor([&] { return board.started == 1; });
    std::atomic<int> result{-1};
    CThreadManager* shared = manager.get();
    std::thread creator([&] { result = shared->CreateThread(&PollingThread, Param(&board)); });
    // Destroyed only once the creator waits inside it, never before it got there.
    testsupport::WaitUntil([&] { return shared->GetWaitingCreatorCount() == 1; });
    manager.reset();
    creator.join();
    // Refused: it woke to a closing manager.
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(board.started, 1);
}

TEST(ThreadManager, RaisingTheLimitWakesWaitingCreators) {
    Board board;
    CThreadManager manager;
    manager.SetMaxThreadCount(1);
    ASSERT_EQ(manager.CreateThread(&GateThread, Param(&board)), 1);
    std::thread creator([&] { manager.CreateThread(&GateThread, Param(&board)); });
    testsupport::WaitUntil([&] { return manager.GetWaitingCreatorCount() == 1; });
    manager.SetMaxThreadCount(0);
    board.WaitFor([&] { return board.started == 2; });
    creator.join();
    board.Open(2);
    manager.Wait();
}

}  // namespace
