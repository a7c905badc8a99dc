#include "core/ThreadBase.h"

#include <process.h>

namespace SkinControl
{

namespace
{
// Each thread's TLS slot holds the address of its name, for debuggers and
// crash reports.  Allocated by the first thread object.
DWORD ThreadNameTls()
{
    static const DWORD index = TlsAlloc();
    return index;
}
} // namespace

CThreadBase::CThreadBase() : stopFlag(0), threadHandle(nullptr), threadId(0), running(0), autoDelete(0)
{
    threadName[0] = 0;
    ThreadNameTls();
}

CThreadBase::~CThreadBase()
{
    ReleaseThreadHandle();
}

bool CThreadBase::StartThread()
{
    // Marked running before the thread exists, so that an owner never takes
    // a thread that has not yet been scheduled for one that has ended.
    running.store(1);
    threadHandle = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ThreadProc, this, 0, &threadId));
    if (threadHandle)
        return true;
    running.store(0);
    return false;
}

void CThreadBase::ReleaseThreadHandle()
{
    if (threadHandle)
        CloseHandle(threadHandle);
    threadHandle = nullptr;
}

unsigned __stdcall CThreadBase::ThreadProc(void* param)
{
    CThreadBase* self = static_cast<CThreadBase*>(param);
    if (ThreadNameTls() != TLS_OUT_OF_INDEXES)
        TlsSetValue(ThreadNameTls(), self->threadName);
    unsigned code = self->Run();
    self->OnExit();
    bool deleteSelf = self->autoDelete != 0;
    self->threadId = 0;
    self->autoDelete = 0;
    self->threadName[0] = 0;
    if (deleteSelf)
        delete self;
    else
        self->running.store(0); // last touch: the owner may free the object from here on
    _endthreadex(code);
    return code;
}

} // namespace SkinControl
