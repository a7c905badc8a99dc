// A component's lock (a re-entrant critical section that lives as long as
// its owner) and the guard through which code takes it.
#pragma once

#include <windows.h>

#include <atomic>

class CLock
{
public:
    CLock() { InitializeCriticalSection(&section); }
    ~CLock() { DeleteCriticalSection(&section); }
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

    void Enter()
    {
        if (TryEnterCriticalSection(&section))
            return;
        ++waiting;
        EnterCriticalSection(&section);
        --waiting;
    }
    void Leave() { LeaveCriticalSection(&section); }
    // The threads blocked in Enter at this moment.
    int Waiting() const { return waiting.load(); }

private:
    CRITICAL_SECTION section;
    std::atomic<int> waiting{0};
};

// Holds the lock from construction until Unlock or its end, whichever comes
// first.  Constructed without a lock it does nothing.
class CScopedLock
{
public:
    explicit CScopedLock(CLock* lock) : held(lock)
    {
        if (held)
            held->Enter();
    }
    explicit CScopedLock(CLock& lock) : CScopedLock(&lock) {}
    ~CScopedLock() { Unlock(); }
    CScopedLock(const CScopedLock&) = delete;
    CScopedLock& operator=(const CScopedLock&) = delete;

    void Unlock()
    {
        if (held)
            held->Leave();
        held = nullptr;
    }

private:
    CLock* held;
};
