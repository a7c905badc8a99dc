#include "core/ThreadBase.h"

#include <process.h>

extern "C" IMAGE_DOS_HEADER __ImageBase; // this module's own image

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

// A thread of a DLL's pool may outlive the DLL's user: an abandoned worker
// still inside its item when the program frees the DLL, or any thread
// between its last touch of its object and its end.  Each thread therefore
// holds its own reference to the DLL that holds this code and lets go of it
// only as it ends (FreeLibraryAndExitThread), so the DLL is unmapped under
// no thread.  The executable is never unloaded: null there.
HMODULE ReferenceCodeModule()
{
    HMODULE module = reinterpret_cast<HMODULE>(&__ImageBase);
    if (module == GetModuleHandleW(nullptr) ||
        !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&__ImageBase),
                            &module))
        return nullptr;
    return module;
}
} // namespace

CThreadBase::CThreadBase()
    : stopFlag(0), threadHandle(nullptr), threadId(0), running(0), autoDelete(0), codeModule(nullptr)
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
    codeModule = ReferenceCodeModule();
    threadHandle = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ThreadProc, this, 0, &threadId));
    if (threadHandle)
        return true;
    if (codeModule)
        FreeLibrary(codeModule);
    codeModule = nullptr;
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
    const HMODULE codeModule = self->codeModule;
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
    if (codeModule)
        FreeLibraryAndExitThread(codeModule, code);
    _endthreadex(code);
    return code;
}

} // namespace SkinControl
