// What the end-to-end probes share: starting the real program on a new data
// folder, finding its window, reading its database, screenshots, WM_COPYDATA
// and command URLs.
#pragma once

#include "core/AppDatabase.h"
#include "core/CommandUrl.h"
#include "framework/tests/TestSupport.h"
#include "framework/TextConvert.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

namespace Probe
{
const wchar_t* const kClass = L"{08703010-8C30-4a34-80FC-BE0223759A7B}_Quorventile";

inline std::wstring Env(const wchar_t* name)
{
    wchar_t value[1024] = {};
    DWORD n = GetEnvironmentVariableW(name, value, 1024);
    return n > 0 && n < 1024 ? value : L"";
}

using TestSupport::WaitFor;

struct Program {
    PROCESS_INFORMATION process = {};
    DWORD startError = 0; // GetLastError of the last start that failed
    // A start is tried three times: once under a loaded machine Wine failed
    // to make the process (not the program to run), and each such failure
    // is printed.
    bool Start(const std::wstring& arguments = L"")
    {
        std::wstring path = Env(L"QV_E2E_PROGRAM");
        for (int attempt = 0; attempt < 3; ++attempt) {
            std::wstring commandLine = L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
            STARTUPINFOW startup = {};
            startup.cb = sizeof(startup);
            if (CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process))
                return true;
            startError = GetLastError();
            fprintf(stderr, "CreateProcessW failed: error %lu\n", static_cast<unsigned long>(startError));
        }
        return false;
    }
    // Takes over the program that owns the window (started by another process).
    void Adopt(HWND window)
    {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        process.hProcess =
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, id);
    }
    // Waits for the process to end; false when it is still running.
    bool WaitExit(DWORD timeoutMs, DWORD* exitCode = nullptr)
    {
        if (!process.hProcess)
            return true;
        if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0)
            return false;
        if (exitCode)
            GetExitCodeProcess(process.hProcess, exitCode);
        Close();
        return true;
    }
    void Close()
    {
        if (process.hThread)
            CloseHandle(process.hThread);
        if (process.hProcess)
            CloseHandle(process.hProcess);
        process = {};
    }
    // Test clean-up only: a program that did not end on WM_CLOSE.
    void Kill()
    {
        if (process.hProcess && WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 5000);
        }
        Close();
    }
};

inline HWND MainWindow()
{
    return FindWindowW(kClass, L"Velmora");
}

inline HWND WaitForMainWindow()
{
    HWND window = nullptr;
    WaitFor([&] { return (window = MainWindow()) != nullptr && IsWindowVisible(window); });
    return window;
}

// A shell folder's path, the folder made when missing.
inline std::wstring FolderOf(int csidl)
{
    wchar_t folder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder);
    return folder;
}

// The program's data folder: AppData.db, the catalog cache, the updates.
inline std::wstring DataFolder()
{
    return FolderOf(CSIDL_APPDATA) + L"\\Quorventile";
}

inline BOOL CALLBACK FindList(HWND window, LPARAM found)
{
    wchar_t name[64];
    if (GetClassNameW(window, name, 64) && wcscmp(name, L"__TREE_LIST_CTRL__") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// The quick-link list in the main window.
inline HWND ListWindow()
{
    HWND list = nullptr;
    if (HWND main = MainWindow())
        EnumChildWindows(main, FindList, reinterpret_cast<LPARAM>(&list));
    return list;
}

// Loaded once the loading window is gone from the list.
inline bool WaitUntilLoaded()
{
    return WaitFor([] {
        HWND list = ListWindow();
        return list && !FindWindowExW(list, nullptr, L"__WND_BASE_CHILD__", nullptr);
    });
}

inline std::wstring DatabasePath()
{
    return DataFolder() + L"\\AppData.db";
}

// Settings rows straight from the file, with the database closed again.
inline CString ReadSetting(const wchar_t* name)
{
    SetAppDatabasePath(DatabasePath().c_str());
    OpenAppDatabase();
    CString value = GetConfigString(name, L"<missing>");
    CloseAppDatabase();
    return value;
}

inline void WriteSetting(const wchar_t* name, const wchar_t* value)
{
    SetAppDatabasePath(DatabasePath().c_str());
    OpenAppDatabase();
    SetConfigString(name, value);
    CloseAppDatabase();
}

inline RECT WindowRect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

// Saves the window as a 24-bit BMP from the screen; the script turns it into
// a PNG next to the test's other artefacts.
inline bool SaveScreenshot(HWND window, const std::wstring& path)
{
    RECT rect = WindowRect(window);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    DWORD stride = (width * 3 + 3) & ~3u, imageSize = stride * height;
    BITMAPFILEHEADER header = {
        0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + imageSize), 0, 0,
        sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    bool saved = false;
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (file) {
        saved = fwrite(&header, sizeof(header), 1, file) == 1 &&
                fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, file) == 1 &&
                fwrite(bits, imageSize, 1, file) == 1;
        fclose(file);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

inline LRESULT SendCopyData(HWND window, ULONG_PTR kind, const void* data, DWORD bytes)
{
    COPYDATASTRUCT copy = {kind, bytes, const_cast<void*>(data)};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy), SMTO_ABORTIFHUNG, 5000,
                        &result);
    return static_cast<LRESULT>(result);
}

// "app://add_links_to_catalog" as the shell extension builds it (joined
// once: thousands of paths are joined in a moment).
inline std::wstring AddLinksUrl(const wchar_t* catalog, const std::vector<std::wstring>& paths)
{
    CCommandUrl url(L"app://add_links_to_catalog");
    CString hex;
    HexCodeString(hex, catalog, 1);
    url.Set(L"catalog_name", hex);
    url.SetInt(L"links_count", static_cast<int>(paths.size()));
    for (size_t i = 0; i < paths.size(); ++i) {
        CString key;
        key.Format(L"link_%d", static_cast<int>(i));
        HexCodeString(hex, paths[i].c_str(), 1);
        url.Set(key, hex);
    }
    return url.Text().str();
}

// A command URL as the main window's WM_COPYDATA of kind `kind` (2025 is the
// program's own).
inline LRESULT SendCommand(const std::wstring& url, ULONG_PTR kind = 2025)
{
    return SendCopyData(MainWindow(), kind, url.c_str(), static_cast<DWORD>((url.size() + 1) * sizeof(wchar_t)));
}

inline std::wstring ExeFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\'));
}

inline void TouchFile(const std::wstring& path)
{
    CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

// Deletes what a folder (a full path, never a relative one) holds.
inline bool EmptyFolder(const std::wstring& folder)
{
    if (folder.size() < 4 || folder.compare(1, 2, L":\\") != 0)
        return false;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return true;
    do {
        if (wcscmp(found.cFileName, L".") == 0 || wcscmp(found.cFileName, L"..") == 0)
            continue;
        TestSupport::DeleteTree(folder + L"\\" + found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return true;
}

struct LinkRow {
    int id, cid, preid, linktype, csidl;
    std::wstring name, path, args, workdir;
};

struct CatalogRow {
    int cid, preid;
    std::wstring name;
};

// The rows of both tables, read with the database opened and closed again.
inline void ReadRows(std::vector<CatalogRow>& catalogs, std::vector<LinkRow>& links)
{
    catalogs.clear();
    links.clear();
    SetAppDatabasePath(DatabasePath().c_str());
    OpenAppDatabase();
    try {
        auto query = AppDatabase.db.ExecQuery("select * from qv_catalog order by preid;");
        for (; !query.Eof(); query.NextRow())
            catalogs.push_back({query.GetIntField("cid"), query.GetIntField("preid"),
                                FromUtf8(query.GetStringField("name")).str()});
        query = AppDatabase.db.ExecQuery("select * from qv_link order by id;");
        for (; !query.Eof(); query.NextRow()) {
            auto text = [&](const char* column) { return FromUtf8(query.GetStringField(column)).str(); };
            links.push_back({query.GetIntField("id"), query.GetIntField("cid"), query.GetIntField("preid"),
                             query.GetIntField("linktype"), query.GetIntField("csidl"), text("name"),
                             text("path"), text("args"), text("workdir")});
        }
    } catch (...) {
        ADD_FAILURE() << "reading AppData.db";
    }
    CloseAppDatabase();
}

// The links of a group in their chain order; fails the test when the chain
// is not whole.
inline std::vector<LinkRow> ChainOf(const std::vector<LinkRow>& links, int cid)
{
    std::vector<LinkRow> chain;
    int last = 0;
    for (bool found = true; found;) {
        found = false;
        for (const LinkRow& link : links) {
            if (link.cid == cid && link.preid == last) {
                chain.push_back(link);
                last = link.id;
                found = true;
                break;
            }
        }
    }
    size_t inGroup = 0;
    for (const LinkRow& link : links)
        inGroup += link.cid == cid;
    EXPECT_EQ(inGroup, chain.size()) << "the preid chain of group " << cid;
    return chain;
}

inline const CatalogRow* Catalog(const std::vector<CatalogRow>& catalogs, const wchar_t* name)
{
    for (const CatalogRow& catalog : catalogs) {
        if (catalog.name == name)
            return &catalog;
    }
    return nullptr;
}

class ProgramTest : public ::testing::Test
{
protected:
    inline static Program program;
    static void TearDownTestSuite() { program.Kill(); }

    // The program running with its window shown, started when needed.
    static HWND Running()
    {
        HWND window = MainWindow();
        if (window && program.process.hProcess)
            return window;
        EXPECT_TRUE(program.Start()) << "CreateProcessW failed: error " << program.startError;
        return WaitForMainWindow();
    }
    // Also ends a program that another process started.
    static bool CloseProgram()
    {
        HWND window = MainWindow();
        if (window && !program.process.hProcess)
            program.Adopt(window);
        if (window)
            PostMessageW(window, WM_CLOSE, 0, 0);
        return program.WaitExit(15000);
    }
    // No program running and an empty data folder: the next start is a first
    // start.
    static bool CloseOnANewDataFolder() { return CloseProgram() && EmptyFolder(DataFolder()); }
};
} // namespace Probe
