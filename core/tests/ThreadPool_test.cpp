#include "core/ThreadPool.h"
#include "framework/tests/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

using SkinControl::CThreadPool;

namespace
{

using TestSupport::WaitFor;

struct Journal {
    std::mutex mutex;
    std::vector<int> ran;
    std::atomic<int> destroyed{0};

    void Add(int id)
    {
        std::lock_guard<std::mutex> lock(mutex);
        ran.push_back(id);
    }
    std::vector<int> Ran()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return ran;
    }
};

class RecordingItem : public CThreadPool::CWorkItem
{
public:
    RecordingItem(Journal& journal, int id) : journal(journal), id(id) {}
    ~RecordingItem() override { journal.destroyed++; }
    void Run() override { journal.Add(id); }

private:
    Journal& journal;
    int id;
};

// The threads that ran items, one item at a time, as handles that are
// signalled once a thread has ended.
struct WorkerThreads {
    HANDLE handles[2] = {};
    std::atomic<int> count{0};
    ~WorkerThreads()
    {
        for (HANDLE thread : handles)
            if (thread)
                CloseHandle(thread);
    }
    void AddCurrent() { handles[count++] = OpenThread(SYNCHRONIZE, FALSE, GetCurrentThreadId()); }
    // Whether the i-th has ended, or ends within the wait.
    bool Ended(int i, DWORD waitMs = 0) { return WaitForSingleObject(handles[i], waitMs) == WAIT_OBJECT_0; }
};

class ThreadNotingItem : public CThreadPool::CWorkItem
{
public:
    explicit ThreadNotingItem(WorkerThreads& threads) : threads(threads) {}
    void Run() override { threads.AddCurrent(); }

private:
    WorkerThreads& threads;
};

// Blocks until the event is set (or, when honourStop, until its worker is
// asked to stop); bounded so that a broken pool can't hang the test.
class BlockingItem : public CThreadPool::CWorkItem
{
public:
    BlockingItem(HANDLE release, bool honourStop, std::atomic<int>& running, std::atomic<int>& destroyed,
                 WorkerThreads* threads = nullptr)
        : release(release), honourStop(honourStop), running(running), destroyed(destroyed), threads(threads)
    {
    }
    ~BlockingItem() override { destroyed++; }
    void Run() override
    {
        if (threads)
            threads->AddCurrent();
        running++;
        for (int i = 0; i < 2000; i++) {
            if (WaitForSingleObject(release, 10) == WAIT_OBJECT_0)
                break;
            if (honourStop && IsStopRequested()) {
                sawStop = true;
                break;
            }
        }
        running--;
    }
    static std::atomic<bool> sawStop;

private:
    HANDLE release;
    bool honourStop;
    std::atomic<int>& running;
    std::atomic<int>& destroyed;
    WorkerThreads* threads;
};
std::atomic<bool> BlockingItem::sawStop{false};

class ThrowingItem : public CThreadPool::CWorkItem
{
public:
    explicit ThrowingItem(std::atomic<int>& destroyed) : destroyed(destroyed) {}
    ~ThrowingItem() override { destroyed++; }
    void Run() override { throw std::runtime_error("item failed"); }

private:
    std::atomic<int>& destroyed;
};

struct Event {
    HANDLE handle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~Event() { CloseHandle(handle); }
};

} // namespace

TEST(WorkItemDue, NotInTheTickOfPosting)
{
    CThreadPool::CWorkItem item;
    item.postTick = 1000;
    EXPECT_FALSE(item.IsDue(1000));
    EXPECT_TRUE(item.IsDue(1001));
    item.delayMs = 50;
    EXPECT_FALSE(item.IsDue(1050));
    EXPECT_TRUE(item.IsDue(1051));
}

TEST(WorkItemDue, AcrossTheTickCountWrapAround)
{
    CThreadPool::CWorkItem item;
    item.postTick = 0xFFFFFFF0u;
    EXPECT_FALSE(item.IsDue(0xFFFFFFF0u));
    EXPECT_TRUE(item.IsDue(0xFFFFFFF1u));
    EXPECT_TRUE(item.IsDue(0x00000005u));
    item.delayMs = 100;
    EXPECT_FALSE(item.IsDue(0x00000005u)); // 21 ms after posting
    EXPECT_TRUE(item.IsDue(0x00000060u));  // 112 ms after posting
}

TEST(ThreadPool, RunsEveryItemAndDeletesIt)
{
    Journal journal;
    CThreadPool pool;
    ASSERT_EQ(pool.Start(), 1);
    for (int i = 0; i < 100; i++)
        pool.PostWorkItem(new RecordingItem(journal, i));
    ASSERT_TRUE(WaitFor([&] { return journal.destroyed == 100; }));
    EXPECT_EQ(journal.Ran().size(), 100u);
    pool.Shutdown();
}

TEST(ThreadPool, OneWorkerTakesItemsInPostingOrder)
{
    Journal journal;
    CThreadPool pool;
    ASSERT_EQ(pool.Start(1, 1), 1);
    std::vector<int> expected;
    for (int i = 0; i < 50; i++) {
        pool.PostWorkItem(new RecordingItem(journal, i));
        expected.push_back(i);
    }
    ASSERT_TRUE(WaitFor([&] { return journal.destroyed == 50; }));
    EXPECT_EQ(journal.Ran(), expected);
    pool.Shutdown();
}

TEST(ThreadPool, StopDeletesQueuedItemsUnrun)
{
    Event release;
    std::atomic<int> running{0}, blockerDestroyed{0};
    Journal journal;
    CThreadPool pool;
    ASSERT_EQ(pool.Start(1, 1), 1);
    pool.PostWorkItem(new BlockingItem(release.handle, false, running, blockerDestroyed));
    ASSERT_TRUE(WaitFor([&] { return running == 1; }));
    for (int i = 0; i < 5; i++)
        pool.PostWorkItem(new RecordingItem(journal, i));

    pool.Stop();
    EXPECT_EQ(journal.destroyed, 5);
    // Posted after the stop: deleted at once, never run.
    pool.PostWorkItem(new RecordingItem(journal, 99));
    EXPECT_EQ(journal.destroyed, 6);

    SetEvent(release.handle);
    EXPECT_TRUE(WaitFor([&] { return blockerDestroyed == 1; }));
    pool.Shutdown();
    EXPECT_TRUE(journal.Ran().empty());
}

TEST(ThreadPool, AThrowingItemIsDeletedAndTheWorkerCarriesOn)
{
    std::atomic<int> thrownDestroyed{0};
    Journal journal;
    CThreadPool pool;
    ASSERT_EQ(pool.Start(1, 1), 1);
    pool.PostWorkItem(new ThrowingItem(thrownDestroyed));
    pool.PostWorkItem(new RecordingItem(journal, 1));
    ASSERT_TRUE(WaitFor([&] { return journal.destroyed == 1; }));
    EXPECT_EQ(thrownDestroyed, 1);
    EXPECT_EQ(journal.Ran(), std::vector<int>{1});
    EXPECT_EQ(pool.GetWorkerCount(), 1);
    pool.Shutdown();
}

TEST(ThreadPool, BlockingItemsDoNotGrowThePoolBeyondItsCap)
{
    Event release;
    std::atomic<int> running{0}, destroyed{0};
    CThreadPool pool;
    ASSERT_EQ(pool.Start(1, 3), 1);
    for (int i = 0; i < 10000; i++)
        pool.PostWorkItem(new BlockingItem(release.handle, false, running, destroyed));
    // The dispatcher adds one worker per 100 ms; give it time for ten.
    ASSERT_TRUE(WaitFor([&] { return running == 3; }));
    Sleep(1000);
    EXPECT_EQ(running, 3);
    EXPECT_EQ(pool.GetWorkerCount(), 3);
    SetEvent(release.handle);
    pool.Shutdown();
    EXPECT_TRUE(WaitFor([&] { return destroyed == 10000; }));
}

TEST(ThreadPool, GrowsWhileItemsWaitAndShrinksBackWhenIdle)
{
    Event release;
    std::atomic<int> running{0}, destroyed{0};
    CThreadPool pool;
    ASSERT_EQ(pool.Start(1, 4), 1);
    for (int i = 0; i < 3; i++)
        pool.PostWorkItem(new BlockingItem(release.handle, false, running, destroyed));
    ASSERT_TRUE(WaitFor([&] { return running == 3; }));
    SetEvent(release.handle);
    ASSERT_TRUE(WaitFor([&] { return destroyed == 3; }));
    EXPECT_TRUE(WaitFor([&] { return pool.GetWorkerCount() == 1; }));
    pool.Shutdown();
}

TEST(ThreadPool, ShutdownEndsItemsThatWatchTheirStopFlag)
{
    Event release;
    std::atomic<int> running{0}, destroyed{0};
    WorkerThreads threads;
    BlockingItem::sawStop = false;
    CThreadPool pool;
    ASSERT_EQ(pool.Start(1, 1), 1);
    pool.PostWorkItem(new BlockingItem(release.handle, true, running, destroyed, &threads));
    ASSERT_TRUE(WaitFor([&] { return running == 1; }));
    EXPECT_TRUE(pool.Shutdown()); // every worker ended within the wait
    EXPECT_FALSE(pool.IsWorkerInsideItem());
    // Seen within one 10 ms wait; the margin is for a loaded machine.
    EXPECT_TRUE(WaitFor([&] { return destroyed == 1; }));
    EXPECT_TRUE(BlockingItem::sawStop);
    // The worker lets go of the pool before its thread returns.
    EXPECT_TRUE(threads.Ended(0, 10000));
}

TEST(ThreadPool, ShutdownIsBoundedAndAbandonsAStuckItemWithoutKillingIt)
{
    Event release;
    std::atomic<int> running{0}, destroyed{0};
    WorkerThreads threads; // the stuck worker's, then the idle one's
    auto* pool = new CThreadPool;
    ASSERT_EQ(pool->Start(2, 2), 1);
    pool->PostWorkItem(new BlockingItem(release.handle, false, running, destroyed, &threads));
    ASSERT_TRUE(WaitFor([&] { return running == 1; }));
    pool->PostWorkItem(new ThreadNotingItem(threads));
    ASSERT_TRUE(WaitFor([&] { return threads.count == 2; }));

    DWORD start = GetTickCount();
    EXPECT_FALSE(pool->Shutdown()); // reports the worker still inside its item
    DWORD elapsed = GetTickCount() - start;
    EXPECT_LT(elapsed, 3000u); // about 300 ms; generous for a loaded machine
    EXPECT_TRUE(threads.Ended(1, 10000));
    EXPECT_TRUE(pool->IsWorkerInsideItem());
    EXPECT_EQ(running, 1); // still inside Run: not cut off
    EXPECT_FALSE(threads.Ended(0));
    delete pool;

    // The abandoned worker finishes its item and cleans up after itself.
    SetEvent(release.handle);
    EXPECT_TRUE(WaitFor([&] { return destroyed == 1; }));
    EXPECT_EQ(running, 0);
    EXPECT_TRUE(threads.Ended(0, 10000));
}

// A program that has spent part of its shut-down elsewhere gives the pool
// only what is left.
TEST(ThreadPool, ShutdownWaitsOnlyTheTimeItIsGiven)
{
    Event release;
    std::atomic<int> running{0}, destroyed{0};
    auto* pool = new CThreadPool;
    ASSERT_EQ(pool->Start(1, 1), 1);
    pool->PostWorkItem(new BlockingItem(release.handle, false, running, destroyed));
    ASSERT_TRUE(WaitFor([&] { return running == 1; }));
    const DWORD start = GetTickCount();
    EXPECT_FALSE(pool->Shutdown(50));
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 50u);
    EXPECT_LT(elapsed, 250u); // well short of the whole 300 ms
    delete pool;
    SetEvent(release.handle);
    EXPECT_TRUE(WaitFor([&] { return destroyed == 1; }));
}

TEST(ThreadPool, StopAndWaitReturnsOnlyOnceEveryWorkerHasLeft)
{
    Event release;
    std::atomic<int> running{0}, destroyed{0};
    WorkerThreads threads;
    CThreadPool pool;
    ASSERT_EQ(pool.Start(2, 2), 1);
    pool.PostWorkItem(new BlockingItem(release.handle, false, running, destroyed, &threads));
    ASSERT_TRUE(WaitFor([&] { return running == 1; }));
    pool.PostWorkItem(new ThreadNotingItem(threads)); // taken by the other worker
    ASSERT_TRUE(WaitFor([&] { return threads.count == 2; }));
    // The item ends well after the 300 ms that Shutdown would give it.
    std::thread releaser([&] {
        WaitFor([&] { return pool.IsStopRequested(); });
        Sleep(600);
        SetEvent(release.handle);
    });
    pool.StopAndWait();
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(running, 0);
    EXPECT_TRUE(threads.Ended(0));
    EXPECT_TRUE(threads.Ended(1));
    releaser.join();
}

TEST(ThreadPool, GlobalPoolPostsAndDropsWithoutAPool)
{
    Journal journal;
    SkinControl::PostWorkItem(new RecordingItem(journal, 1)); // no pool yet: deleted
    EXPECT_EQ(journal.destroyed, 1);
    CThreadPool* pool = SkinControl::CreateGlobalThreadPool();
    ASSERT_EQ(pool, SkinControl::GetGlobalThreadPool());
    ASSERT_EQ(pool->Start(), 1);
    SkinControl::PostWorkItem(new RecordingItem(journal, 2));
    ASSERT_TRUE(WaitFor([&] { return journal.destroyed == 2; }));
    EXPECT_EQ(journal.Ran(), std::vector<int>{2});
    pool->Shutdown();
    SkinControl::DestroyGlobalThreadPool();
    EXPECT_EQ(SkinControl::GetGlobalThreadPool(), nullptr);
}
