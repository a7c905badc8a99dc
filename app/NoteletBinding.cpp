#include "app/NoteletBinding.h"

#include "core/AppDatabase.h"
#include "core/AppPaths.h"

NoteletBindingRecord NoteletBinding;

namespace
{
template <typename Fn> Fn BindExport(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
} // namespace

NoteletBindingRecord::~NoteletBindingRecord()
{
    if (module)
        FreeLibrary(module);
}

int BindNoteletModule(NoteletBindingRecord& record, const wchar_t* path)
{
    if (record.module)
        return 1;
    if (!path || !*path)
        return 0;
    record.module = LoadLibraryW(path);
    if (!record.module)
        return 0;
    record.init = BindExport<NoteletInitFn>(record.module, "NoteletInit");
    record.unInit = BindExport<NoteletUnInitFn>(record.module, "NoteletUnInit");
    record.frameWndMsg = BindExport<NoteletFrameWndMsgFn>(record.module, "NoteletFrameWndMsg");
    if (!record.init || !record.unInit || !record.frameWndMsg) {
        ResetNoteletModuleRecord(record);
        return 0;
    }
    lstrcpynW(record.path, path, MAX_PATH);
    return 1;
}

void ResetNoteletModuleRecord(NoteletBindingRecord& record)
{
    if (record.module)
        FreeLibrary(record.module);
    record.module = nullptr;
    record.path[0] = 0;
    record.init = nullptr;
    record.unInit = nullptr;
    record.frameWndMsg = nullptr;
}

void LoadNoteletModule(HWND frame)
{
    if (!frame || !IsWindow(frame))
        return;
    if (!BindNoteletModule(NoteletBinding, GetConfigString(L"NoteletDllPath", L""))) {
        CString besideProgram;
        besideProgram.Format(L"%s\\Notelet.dll", AppPaths.programFolder);
        BindNoteletModule(NoteletBinding, besideProgram);
    }
    if (NoteletBinding.init)
        NoteletBinding.init(frame);
}

void UnloadNoteletModule()
{
    // Unbound before the module stops, so that the frame messages its
    // shutdown causes no longer reach it.
    HMODULE module = NoteletBinding.module;
    NoteletUnInitFn unInit = NoteletBinding.unInit;
    NoteletBinding.module = nullptr;
    ResetNoteletModuleRecord(NoteletBinding);
    if (unInit)
        unInit();
    if (module)
        FreeLibrary(module);
}
