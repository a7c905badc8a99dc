// The pool that runs all background work: work items are posted from any
// thread, taken oldest-first by polling workers and deleted after they ran.
#pragma once

#include "core/Lock.h"
#include "core/ThreadBase.h"
#include "framework/CString.h"

#include <list>
#include <memory>
#include <set>

namespace SkinControl
{

class CThreadPool : public CThreadBase
{
public:
    // A unit of background work.  Posters create it with new; the pool owns
    // it from PostWorkItem on and deletes it through this class.
    //
    // At exit the pool waits at most 300 ms for the workers.  A Run made of
    // several steps (store calls, downloads, posts to windows) checks
    // IsStopRequested() between them and returns when it is set, so that it
    // is normally gone within that wait.  One that is not (a step blocked
    // inside a call) is left running: the program then keeps the database
    // and the shared tables alive until the process ends.
    class CWorkItem
    {
    public:
        CWorkItem() = default;
        virtual ~CWorkItem() = default;
        virtual void Run() {}

        // Long items check this at safe points so that shutdown can end them.
        bool IsStopRequested() const { return stopFlag && stopFlag->load() != 0; }
        // Due once more than delayMs have passed since posting.  The unsigned
        // 32-bit difference keeps this right across the tick count's
        // wrap-around after 49.7 days.
        bool IsDue(DWORD now) const { return now - postTick > delayMs; }

        // The running worker's stop flag; null while queued.
        const std::atomic<LONG>* stopFlag = nullptr;
        DWORD delayMs = 0;
        DWORD postTick = 0;
    };

    CThreadPool();
    // Shuts the pool down if that has not happened yet.
    ~CThreadPool() override;

    // Starts threadCount workers (0: one per processor) and the dispatcher,
    // which adds workers while items wait, up to maxThreadCount (0: four per
    // processor, at least 16) so that blocking items cannot multiply threads.
    // Returns 0 when there is no processor to count.
    int Start(int threadCount = 0, int maxThreadCount = 0);
    // Takes ownership of the item; after Stop the item is deleted unrun.
    void PostWorkItem(CWorkItem* item);
    // Deletes the queued items unrun and asks every thread to stop.
    void Stop();
    // How long Shutdown waits for the workers unless told otherwise.
    static const DWORD kShutdownWaitMs = 300;

    // Stop, then wait up to waitMs for the threads (at least one 10 ms
    // pass, for the idle ones to leave).  A worker still inside an item
    // after that is abandoned, not killed: it may hold a lock that the rest
    // of the process still needs.  It frees itself when its item returns.
    // Returns true when every worker has ended, false when one is still
    // inside an item.
    bool Shutdown(DWORD waitMs = kShutdownWaitMs);
    // True while a worker abandoned by Shutdown has not yet left its item:
    // what it may use (the database, the pinyin table) must stay.
    bool IsWorkerInsideItem();
    // Stop, then wait for every thread to end, however long its item takes.
    // For a pool whose code is unloaded right after (a DLL's), where an
    // abandoned worker would go on to run code that is no longer there; the
    // caller first makes a blocking item return.
    void StopAndWait();

    // Workers that are idle or running an item.
    int GetWorkerCount();

private:
    class COneThread;
    struct CState;

    unsigned Run() override; // the dispatcher
    void AddWorker();

    int minThreads;
    int maxThreads;
    // Shared with the workers, so that an abandoned worker can still do its
    // bookkeeping after the pool itself is gone.
    std::shared_ptr<CState> state;
    // Wakes the dispatcher from its 100 ms wait when the pool stops.
    HANDLE wakeEvent;
    CString poolName;
};

// The program's one pool, created with the global objects.
CThreadPool* CreateGlobalThreadPool();
void DestroyGlobalThreadPool();
CThreadPool* GetGlobalThreadPool();
// Posts to the global pool; without one the item is deleted unrun.
void PostWorkItem(CThreadPool::CWorkItem* item);

} // namespace SkinControl
