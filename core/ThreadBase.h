// One thread and the object that describes it.
#pragma once

#include <windows.h>

#include <atomic>

namespace SkinControl
{

class CThreadBase
{
public:
    CThreadBase();
    // Closes the handle.  The owner destroys the object only after
    // HasEnded(): a thread is never ended by force, because it might hold a
    // lock (the heap's, SQLite's, a tree lock) that the rest of the process
    // would then wait on for ever.
    virtual ~CThreadBase();
    CThreadBase(const CThreadBase&) = delete;
    CThreadBase& operator=(const CThreadBase&) = delete;

    // Starts the thread; false when it could not be created.
    bool StartThread();
    // True once the thread procedure has let go of this object (or when the
    // thread never started), so the object may be freed.
    bool HasEnded() const { return running.load() == 0; }
    // Stays set after the thread has ended: a stopped pool keeps refusing
    // new items.
    void RequestStop() { stopFlag.store(1); }
    bool IsStopRequested() const { return stopFlag.load() != 0; }
    const std::atomic<LONG>* StopFlag() const { return &stopFlag; }
    HANDLE ThreadHandle() const { return threadHandle; }
    // Closes the handle while the thread may still run; the thread itself
    // is not affected.
    void ReleaseThreadHandle();

    static unsigned __stdcall ThreadProc(void* param);

protected:
    virtual unsigned Run() { return 0; }
    virtual void OnExit() {}

    std::atomic<LONG> stopFlag;
    HANDLE threadHandle;
    unsigned threadId;
    std::atomic<LONG> running;
    // When set, the thread procedure deletes the object as its last act.
    LONG autoDelete;
    wchar_t threadName[260];

private:
    // The DLL whose code the thread runs, referenced from before the thread
    // starts until its last instruction; null in the executable.
    HMODULE codeModule;
};

} // namespace SkinControl
