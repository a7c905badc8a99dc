#include "core/ThreadPool.h"

#include <algorithm>
#include <vector>

namespace SkinControl
{

struct CThreadPool::CState {
    CLock poolLock;
    std::list<CWorkItem*> queue;
    // A worker is in exactly one set: idle while polling, busy while running
    // an item, exited when its loop has ended, abandoned when shutdown gave
    // up waiting for it.
    std::set<COneThread*> idleThreads;
    std::set<COneThread*> busyThreads;
    std::set<COneThread*> exitedThreads;
    std::set<COneThread*> abandonedThreads;
};

class CThreadPool::COneThread : public CThreadBase
{
public:
    COneThread(std::shared_ptr<CState> poolState, const CString& poolName) : pool(std::move(poolState))
    {
        name.Format(L"ThreadPool: %s, One Thread: ", poolName);
    }

    bool abandoned = false; // guarded by poolLock

protected:
    unsigned Run() override
    {
        name.AppendFormat(L"%d", static_cast<int>(GetCurrentThreadId()));
        lstrcpynW(threadName, name, 260);
        while (!IsStopRequested()) {
            if (CWorkItem* item = TakeDueItem()) {
                RunAndDelete(item);
                MarkIdle();
            }
            Sleep(1);
        }
        CScopedLock lock(pool->poolLock);
        if (abandoned) {
            pool->abandonedThreads.erase(this);
            autoDelete = 1; // nobody else will free this object now
        } else {
            pool->idleThreads.erase(this);
            pool->busyThreads.erase(this);
            pool->exitedThreads.insert(this);
        }
        return 0;
    }

private:
    // Taking the item and becoming busy is one step, so the dispatcher never
    // sees this worker idle while it holds an item.
    CWorkItem* TakeDueItem()
    {
        CScopedLock lock(pool->poolLock);
        for (auto it = pool->queue.begin(); it != pool->queue.end(); ++it) {
            if ((*it)->IsDue(GetTickCount())) {
                CWorkItem* item = *it;
                pool->queue.erase(it);
                pool->idleThreads.erase(this);
                pool->busyThreads.insert(this);
                return item;
            }
        }
        return nullptr;
    }

    void RunAndDelete(CWorkItem* item)
    {
        item->stopFlag = StopFlag();
        try {
            item->Run();
        } catch (...) {
            // A failing item must not take the process down; its work is lost.
        }
        delete item;
    }

    void MarkIdle()
    {
        CScopedLock lock(pool->poolLock);
        if (abandoned)
            return;
        pool->busyThreads.erase(this);
        pool->idleThreads.insert(this);
    }

    std::shared_ptr<CState> pool;
    CString name;
};

CThreadPool::CThreadPool()
    : minThreads(1), maxThreads(1), state(std::make_shared<CState>()),
      wakeEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

CThreadPool::~CThreadPool()
{
    bool hasWorkers;
    {
        CScopedLock lock(state->poolLock);
        hasWorkers =
            !state->idleThreads.empty() || !state->busyThreads.empty() || !state->exitedThreads.empty();
    }
    if (hasWorkers)
        Shutdown();
    else
        Stop();
    // The dispatcher only waits and does bookkeeping, so it lets go of this
    // object promptly once woken.
    while (!HasEnded())
        Sleep(1);
    if (wakeEvent)
        CloseHandle(wakeEvent);
}

int CThreadPool::Start(int threadCount, int maxThreadCount)
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    if (ThreadHandle())
        return 1; // already started
    minThreads = threadCount > 0 ? threadCount : static_cast<int>(info.dwNumberOfProcessors);
    if (minThreads <= 0)
        return 0;
    maxThreads = maxThreadCount > 0 ? std::max(maxThreadCount, minThreads) : std::max(16, 4 * minThreads);
    {
        CScopedLock lock(state->poolLock);
        for (int i = 0; i < minThreads; i++)
            AddWorker();
    }
    StartThread();
    return 1;
}

// Called with poolLock held.
void CThreadPool::AddWorker()
{
    COneThread* worker = new COneThread(state, poolName);
    state->idleThreads.insert(worker);
    if (!worker->StartThread()) {
        // An idle worker that never polls would keep the pool from growing.
        state->idleThreads.erase(worker);
        delete worker;
    }
}

void CThreadPool::PostWorkItem(CWorkItem* item)
{
    if (!item)
        return;
    {
        CScopedLock lock(state->poolLock);
        if (!IsStopRequested()) {
            item->postTick = GetTickCount();
            state->queue.push_back(item);
            return;
        }
    }
    delete item; // nothing would ever run it
}

void CThreadPool::Stop()
{
    std::list<CWorkItem*> dropped;
    {
        CScopedLock lock(state->poolLock);
        dropped.swap(state->queue);
        for (COneThread* worker : state->idleThreads)
            worker->RequestStop();
        for (COneThread* worker : state->busyThreads)
            worker->RequestStop();
        RequestStop();
    }
    if (wakeEvent)
        SetEvent(wakeEvent);
    // Outside the lock, so that an item's destructor may take other locks.
    for (CWorkItem* item : dropped)
        delete item;
}

namespace
{
// Frees the workers of the set whose threads have let go of them.
template <typename Set> void FreeEndedThreads(Set& threads)
{
    for (auto it = threads.begin(); it != threads.end();) {
        if ((*it)->HasEnded()) {
            delete *it;
            it = threads.erase(it);
        } else {
            ++it;
        }
    }
}

// The same for every set of the pool (its lock held).
template <typename State> void FreeEndedWorkers(State& state)
{
    FreeEndedThreads(state.idleThreads);
    FreeEndedThreads(state.busyThreads);
    FreeEndedThreads(state.exitedThreads);
}
} // namespace

bool CThreadPool::Shutdown(DWORD waitMs)
{
    Stop();
    const DWORD start = GetTickCount();
    do {
        Sleep(10);
        CScopedLock lock(state->poolLock);
        FreeEndedWorkers(*state);
        if (state->idleThreads.empty() && state->busyThreads.empty() && state->exitedThreads.empty() &&
            HasEnded())
            break;
    } while (GetTickCount() - start < waitMs);

    CScopedLock lock(state->poolLock);
    // An exited worker has done its last locked step and is only returning.
    for (COneThread* worker : state->exitedThreads) {
        while (!worker->HasEnded())
            Sleep(1);
        delete worker;
    }
    state->exitedThreads.clear();
    for (auto* set : {&state->idleThreads, &state->busyThreads}) {
        for (COneThread* worker : *set) {
            worker->abandoned = true;
            worker->ReleaseThreadHandle();
            state->abandonedThreads.insert(worker);
        }
        set->clear();
    }
    return state->abandonedThreads.empty();
}

bool CThreadPool::IsWorkerInsideItem()
{
    CScopedLock lock(state->poolLock);
    return !state->abandonedThreads.empty();
}

void CThreadPool::StopAndWait()
{
    Stop();
    // Stopped, the dispatcher neither adds nor frees workers any more.
    std::vector<HANDLE> threads;
    {
        CScopedLock lock(state->poolLock);
        for (auto* set : {&state->idleThreads, &state->busyThreads, &state->exitedThreads}) {
            for (COneThread* worker : *set) {
                HANDLE copy = nullptr;
                if (worker->ThreadHandle() &&
                    DuplicateHandle(GetCurrentProcess(), worker->ThreadHandle(), GetCurrentProcess(), &copy,
                                    SYNCHRONIZE, FALSE, 0))
                    threads.push_back(copy);
            }
        }
    }
    for (HANDLE thread : threads) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    if (ThreadHandle())
        WaitForSingleObject(ThreadHandle(), INFINITE);
    CScopedLock lock(state->poolLock);
    FreeEndedWorkers(*state);
}

int CThreadPool::GetWorkerCount()
{
    CScopedLock lock(state->poolLock);
    return static_cast<int>(state->idleThreads.size() + state->busyThreads.size());
}

unsigned CThreadPool::Run()
{
    while (!IsStopRequested()) {
        WaitForSingleObject(wakeEvent, 100);
        CScopedLock lock(state->poolLock);
        if (IsStopRequested())
            break; // checked under the lock: Stop may have emptied the sets meanwhile
        FreeEndedThreads(state->exitedThreads);
        int idle = static_cast<int>(state->idleThreads.size());
        int busy = static_cast<int>(state->busyThreads.size());
        if (idle == 0 && !state->queue.empty() && busy < maxThreads)
            AddWorker();
        if (idle > minThreads && state->queue.empty()) {
            int count = 0;
            for (COneThread* worker : state->idleThreads) {
                if (++count > minThreads)
                    worker->RequestStop();
            }
        }
    }
    return 0;
}

namespace
{
CThreadPool* g_threadPool = nullptr;
}

CThreadPool* CreateGlobalThreadPool()
{
    if (!g_threadPool)
        g_threadPool = new CThreadPool;
    return g_threadPool;
}

void DestroyGlobalThreadPool()
{
    delete g_threadPool;
    g_threadPool = nullptr;
}

CThreadPool* GetGlobalThreadPool()
{
    return g_threadPool;
}

void PostWorkItem(CThreadPool::CWorkItem* item)
{
    if (g_threadPool)
        g_threadPool->PostWorkItem(item);
    else
        delete item;
}

} // namespace SkinControl
