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
    NoteletBindingRecord& record = NoteletBinding;
    if (!record.module && !BindNoteletModule(record, GetConfigString(L"NoteletDllPath", L""))) {
        CString besideProgram;
        besideProgram.Format(L"%s\\Notelet.dll", AppPaths.programFolder);
        BindNoteletModule(record, besideProgram);
    }
    if (record.init)
        record.init(frame);
}

void UnloadNoteletModule()
{
    NoteletBindingRecord& record = NoteletBinding;
    NoteletUnInitFn unInit = record.unInit;
    // Unhooked before the module stops, so that the frame messages its
    // shutdown causes no longer reach it.
    record.init = nullptr;
    record.unInit = nullptr;
    record.frameWndMsg = nullptr;
    if (unInit)
        unInit();
    ResetNoteletModuleRecord(record);
}
