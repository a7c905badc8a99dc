// The shell extension as Explorer and regsvr32 use it, in a Wine prefix of
// its own (run-probe.sh): registration per machine and per user read back
// from the registry, and the handler made with CoCreateInstance from the
// registered DLL, fed a shell data object of real files, with its menu
// built from a cache file written by the store, handing over to a stand-in
// of the main program (a window of its class and title in another process,
// or the program started beside the DLL).
#include "core/AppDatabase.h"
#include "core/AppPaths.h"
#include "core/CatalogStore.h"
#include "core/CommandUrl.h"
#include "core/WinUtils.h"
#include "framework/TextConvert.h"
#include "framework/tests/GTestPrinters.h"
#include "framework/tests/TestSupport.h"
#include "shellext/tests/probe/ShellMenuClient.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <cstdio>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;
using ShellMenuClient::Handler;
using ShellMenuClient::Invoke;
using ShellMenuClient::ShellData;

namespace
{

const wchar_t kClsid[] = L"{034AAEA4-700F-4D0F-8E3E-1007EDA34F68}";
const wchar_t kLibid[] = L"{38ADBC2D-C7A2-4D37-A348-7F8621925982}";
const wchar_t kIid[] = L"{FC1A3237-1303-48FC-BA1A-8CEC9C206EEE}";
const wchar_t kMutex[] = L"__{08703010-8C30-4a34-80FC-BE0223759A7B}__Quorventile";
const wchar_t kWindowClass[] = L"{08703010-8C30-4a34-80FC-BE0223759A7B}_Quorventile";
const wchar_t kApproved[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const wchar_t kAbsent[] = L"<absent>";
const std::vector<CString> kGroups = {L"桌面", L"A&B", L"category_1"};

std::wstring Env(const wchar_t* name)
{
    wchar_t value[1024] = {};
    DWORD n = GetEnvironmentVariableW(name, value, 1024);
    return n > 0 && n < 1024 ? value : L"";
}

std::wstring Work()
{
    return Env(L"QV_PROBE_WORK");
}
// The DLL lies here with the stand-in as Quorventile.exe beside it; an
// unquoted start would run the decoy "<work>\Program.exe" instead.
std::wstring ProgramFolder()
{
    return Work() + L"\\Program Files\\Quorventile";
}
std::wstring Dll()
{
    return ProgramFolder() + L"\\QuorventileShellExt.dll";
}

DWORD Regsvr32(const std::wstring& switches)
{
    return ShellMenuClient::Regsvr32(switches, Dll());
}

// A string value, or kAbsent.
std::wstring ReadString(HKEY root, const std::wstring& key, const wchar_t* name = nullptr)
{
    wchar_t data[1024] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return kAbsent;
    return data;
}

bool KeyExists(HKEY root, const std::wstring& key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

std::wstring ReadFileText(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return kAbsent;
    std::wstring text(GetFileSize(file, nullptr) / sizeof(wchar_t), L'\0');
    DWORD read = 0;
    ReadFile(file, &text[0], static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read, nullptr);
    CloseHandle(file);
    return text;
}

using TestSupport::WaitFor;

CString Decoded(const CString& url, const wchar_t* key)
{
    CString text;
    HexCodeString(text, GetUrlParam(url, key), 0);
    return text;
}

// ---------------------------------------------------------------------------
// Registration

struct Location {
    HKEY root;
    std::wstring classes; // where HKCR entries land
};

// Everything registration writes, as (key, value name, data) below the
// classes key (an empty key name marks the Approved value).
std::vector<std::vector<std::wstring>> ExpectedEntries()
{
    const std::wstring clsid = std::wstring(L"CLSID\\") + kClsid;
    const std::wstring dll = Dll();
    return {
        {clsid, L"", L"QuorventileShellExtension Class"},
        {clsid + L"\\InprocServer32", L"", dll},
        {clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {clsid + L"\\ProgID", L"", L"QuorventileShellExt.QuorventileShel.1"},
        {clsid + L"\\VersionIndependentProgID", L"", L"QuorventileShellExt.QuorventileShellE"},
        {clsid + L"\\TypeLib", L"", kLibid},
        {L"QuorventileShellExt.QuorventileShel.1", L"", L"QuorventileShellExtension Class"},
        {L"QuorventileShellExt.QuorventileShel.1\\CLSID", L"", kClsid},
        {L"QuorventileShellExt.QuorventileShellE", L"", L"QuorventileShellExtension Class"},
        {L"QuorventileShellExt.QuorventileShellE\\CLSID", L"", kClsid},
        {L"QuorventileShellExt.QuorventileShellE\\CurVer", L"", L"QuorventileShellExt.QuorventileShel.1"},
        {L"*\\ShellEx\\ContextMenuHandlers\\QuorventileShellExt", L"", kClsid},
        {L"Folder\\ShellEx\\ContextMenuHandlers\\QuorventileShellExt", L"", kClsid},
        {std::wstring(L"TypeLib\\") + kLibid + L"\\1.0", L"", L"QuorventileShellExt 1.0 类型库"},
        {std::wstring(L"TypeLib\\") + kLibid + L"\\1.0\\0\\win64", L"", dll},
        {std::wstring(L"Interface\\") + kIid, L"", L"IQuorventileShellExtension"},
        {std::wstring(L"Interface\\") + kIid + L"\\ProxyStubClsid32", L"", kIid},
        {std::wstring(L"CLSID\\") + kIid + L"\\InprocServer32", L"", dll},
        {L"", kClsid, L"QuorventileShellExtension"},
    };
}

const Location kMachine = {HKEY_LOCAL_MACHINE, L"Software\\Classes\\"};
const Location kUser = {HKEY_CURRENT_USER, L"Software\\Classes\\"};

std::wstring Read(const Location& at, const std::vector<std::wstring>& entry)
{
    if (entry[0].empty())
        return ReadString(at.root, kApproved, entry[1].c_str());
    return ReadString(at.root, at.classes + entry[0], entry[1].empty() ? nullptr : entry[1].c_str());
}

void ExpectRegistered(const Location& at)
{
    for (const auto& entry : ExpectedEntries())
        EXPECT_EQ(Read(at, entry), entry[2]) << ToUtf8(entry[0].c_str()).GetString();
    EXPECT_TRUE(KeyExists(at.root, at.classes + L"CLSID\\" + kClsid + L"\\Programmable"));
}

void ExpectNothingOfOurs(const Location& at)
{
    for (const auto& entry : ExpectedEntries())
        EXPECT_EQ(Read(at, entry), kAbsent) << ToUtf8(entry[0].c_str()).GetString();
    for (const wchar_t* key : {L"CLSID\\{034AAEA4-700F-4D0F-8E3E-1007EDA34F68}", L"QuorventileShellExt.QuorventileShel.1",
                               L"QuorventileShellExt.QuorventileShellE",
                               L"TypeLib\\{38ADBC2D-C7A2-4D37-A348-7F8621925982}",
                               L"Interface\\{FC1A3237-1303-48FC-BA1A-8CEC9C206EEE}"})
        EXPECT_FALSE(KeyExists(at.root, at.classes + key)) << ToUtf8(key).GetString();
}

TEST(Registration, WritesEveryKeyAndRemovesItAgain)
{
    struct Case {
        const wchar_t* switches;
        const wchar_t* uninstall;
        const Location& at;
        const Location& other;
    } cases[] = {
        {L"", L"/u", kMachine, kUser},
        {L"/n /i:user", L"/u /n /i:user", kUser, kMachine},
        {L"/n /i:USER", L"/u /n /i:uSeR", kUser, kMachine},
        // Only "user" itself means per user.
        {L"/n /i:users", L"/u /n /i:users", kMachine, kUser},
        {L"/n /i:use", L"/u", kMachine, kUser},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.switches).GetString());
        ASSERT_EQ(Regsvr32(c.switches), 0u);
        ExpectRegistered(c.at);
        ExpectNothingOfOurs(c.other);
        ASSERT_EQ(Regsvr32(c.uninstall), 0u);
        ExpectNothingOfOurs(c.at);
        // The shared keys stay.
        EXPECT_TRUE(KeyExists(c.at.root, c.at.classes + L"*\\ShellEx\\ContextMenuHandlers"));
        EXPECT_TRUE(KeyExists(c.at.root, c.at.classes + L"Folder\\ShellEx\\ContextMenuHandlers"));
        EXPECT_TRUE(KeyExists(c.at.root, kApproved));
    }
}

// ---------------------------------------------------------------------------
// The handler

// CF_HDROP of any paths (they need not exist), or no CF_HDROP at all.
class CDropData : public IDataObject
{
public:
    explicit CDropData(const std::vector<std::wstring>* paths) : paths_(paths) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDataObject)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDataObject*>(this);
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; } // lives on the test's stack
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (!paths_ || format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL))
            return DV_E_FORMATETC;
        std::wstring list;
        for (const std::wstring& p : *paths_)
            list += p + L'\0';
        list += paths_->empty() ? std::wstring(2, L'\0') : std::wstring(1, L'\0'); // the list's end
        HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    const std::vector<std::wstring>* paths_;
};

// An outer object that aggregates the handler and counts its references.
class COuter : public IUnknown
{
public:
    STDMETHODIMP QueryInterface(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    ULONG refs = 1;
};

class ContextMenuTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_EQ(Regsvr32(L""), 0u);

        // The groups, written by the store as the main program writes them.
        wchar_t appData[MAX_PATH] = {};
        ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData), S_OK);
        AppPaths.dataFolder.Format(L"%s\\Quorventile", appData);
        CreateDirectoryW(AppPaths.dataFolder, nullptr);
        const CString database = AppPaths.dataFolder + L"\\AppData.db";
        DeleteFileW(database);
        SetAppDatabasePath(database);
        ASSERT_EQ(OpenAppDatabase(), 1);
        int previous = 0;
        for (const CString& name : kGroups) {
            CatalogInfo c;
            c.name = name;
            c.preid = previous;
            ASSERT_EQ(AddCatalog(c), 1);
            previous = c.cid;
        }
        CloseAppDatabase();

        files.clear();
        for (const wchar_t* name : {L"a b.txt", L"c.txt"}) {
            files.push_back(Work() + L"\\" + name);
            HANDLE file = CreateFileW(files.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            CloseHandle(file);
        }
    }
    static void TearDownTestSuite()
    {
        EXPECT_EQ(Regsvr32(L"/u"), 0u);
        CoUninitialize();
    }

    static std::vector<std::wstring> files;
};
std::vector<std::wstring> ContextMenuTest::files;

// The stand-in program holding the mutex and the window, in another process.
class RunningProgram
{
public:
    explicit RunningProgram(const wchar_t* mode) : hung_(wcscmp(mode, L"--hung") == 0)
    {
        record = Work() + L"\\copydata.bin";
        DeleteFileW(record.c_str());
        std::wstring commandLine = L"\"" + Env(L"QV_PROBE_STANDIN") + L"\" " + mode + L" \"" + record + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        EXPECT_TRUE(CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process_));
        EXPECT_TRUE(WaitFor([] { return FindWindowW(kWindowClass, L"Velmora") != nullptr; }));
    }
    ~RunningProgram()
    {
        // A hung stand-in never reads WM_CLOSE.
        PostMessageW(FindWindowW(kWindowClass, L"Velmora"), WM_CLOSE, 0, 0);
        if (hung_ || WaitForSingleObject(process_.hProcess, 5000) != WAIT_OBJECT_0)
            TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }

    // What the window got: dwData, cbData and the text.
    bool Received(ULONG_PTR* dwData, DWORD* cbData, CString* text) const
    {
        HANDLE file = CreateFileW(record.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        std::string bytes(GetFileSize(file, nullptr), '\0');
        DWORD read = 0;
        ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(file);
        if (bytes.size() < 12)
            return false;
        memcpy(dwData, bytes.data(), 8);
        memcpy(cbData, bytes.data() + 8, 4);
        *text = CString(reinterpret_cast<const wchar_t*>(bytes.data() + 12),
                        static_cast<int>((bytes.size() - 12) / sizeof(wchar_t)));
        return true;
    }

    std::wstring record;

private:
    bool hung_;
    PROCESS_INFORMATION process_ = {};
};

// run-probe.sh runs the menu tests a second time as on Windows XP (with
// QV_PROBE_XP set), where the parent item takes an id of its own and is
// owner-drawn.
TEST(ProbeSystem, RunsAsTheScriptAsked)
{
    EXPECT_EQ(IsVistaOrLater(), Env(L"QV_PROBE_XP").empty());
}

TEST_F(ContextMenuTest, MenuListsTheGroupsFromTheCacheFile)
{
    const bool vista = IsVistaOrLater();
    ComPtr<IContextMenu3> handler = Handler(ShellData(files).Get());
    ASSERT_TRUE(handler);
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, L"打开");
    ASSERT_EQ(handler->QueryContextMenu(menu, 1, 100, 200, CMF_NORMAL),
              MAKE_HRESULT(SEVERITY_SUCCESS, 0, vista ? 3 : 4));
    ASSERT_EQ(GetMenuItemCount(menu), 2);

    wchar_t text[64] = {};
    MENUITEMINFOW parent = {};
    parent.cbSize = sizeof(parent);
    parent.fMask = MIIM_STRING | MIIM_SUBMENU | MIIM_ID | MIIM_BITMAP | MIIM_DATA;
    parent.dwTypeData = text;
    parent.cch = 64;
    ASSERT_TRUE(GetMenuItemInfoW(menu, 1, TRUE, &parent));
    EXPECT_STREQ(text, L"添加到Velmora");
    if (vista) {
        // The last group's id; the picture is the icon in 32-bit ARGB.
        EXPECT_EQ(parent.wID, 102u);
        BITMAP picture = {};
        ASSERT_TRUE(GetObjectW(parent.hbmpItem, sizeof(picture), &picture));
        EXPECT_EQ(picture.bmWidth, 16);
        EXPECT_EQ(picture.bmHeight, 16);
        EXPECT_EQ(picture.bmBitsPixel, 32);
    } else {
        // An id of its own; the icon is drawn by the handler.
        EXPECT_EQ(parent.wID, 103u);
        EXPECT_EQ(parent.hbmpItem, HBMMENU_CALLBACK);
        EXPECT_NE(parent.dwItemData, 0u);
    }

    // Menus read "&" as a mnemonic mark: the name is shown as written.
    const wchar_t* shown[] = {L"桌面", L"A&&B", L"category_1"};
    ASSERT_EQ(GetMenuItemCount(parent.hSubMenu), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(GetMenuItemID(parent.hSubMenu, i), 100u + i);
        GetMenuStringW(parent.hSubMenu, i, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, shown[i]);
    }
    DestroyMenu(menu);
}

TEST_F(ContextMenuTest, CommandIdsStayInTheRangeGiven)
{
    // Groups shown and the result, on Vista and later and on XP (where the
    // parent takes one of the ids).
    struct Case {
        UINT first, last, flags;
        int vistaGroups, vistaResult, xpGroups, xpResult;
    } cases[] = {
        {100, 200, CMF_NORMAL, 3, 3, 3, 4},      {100, 102, CMF_NORMAL, 3, 3, 2, 3},
        {100, 101, CMF_NORMAL, 2, 2, 1, 2},      {100, 100, CMF_NORMAL, 1, 1, 0, 0},
        {100, 99, CMF_NORMAL, 0, 0, 0, 0},       {100, 200, CMF_DEFAULTONLY, 0, 0, 0, 0},
    };
    const bool vista = IsVistaOrLater();
    ComPtr<IContextMenu3> handler = Handler(ShellData(files).Get());
    ASSERT_TRUE(handler);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.last);
        const int groups = vista ? c.vistaGroups : c.xpGroups;
        HMENU menu = CreatePopupMenu();
        EXPECT_EQ(handler->QueryContextMenu(menu, 0, c.first, c.last, c.flags),
                  MAKE_HRESULT(SEVERITY_SUCCESS, 0, vista ? c.vistaResult : c.xpResult));
        ASSERT_EQ(GetMenuItemCount(menu), groups ? 1 : 0);
        if (groups) {
            HMENU submenu = GetSubMenu(menu, 0);
            ASSERT_EQ(GetMenuItemCount(submenu), groups);
            for (int i = 0; i < groups; ++i)
                EXPECT_LE(GetMenuItemID(submenu, i), c.last);
            MENUITEMINFOW parent = {};
            parent.cbSize = sizeof(parent);
            parent.fMask = MIIM_ID;
            GetMenuItemInfoW(menu, 0, TRUE, &parent);
            EXPECT_LE(parent.wID, c.last);
        }
        DestroyMenu(menu);
    }
}

TEST_F(ContextMenuTest, HelpTextPerGroup)
{
    ComPtr<IContextMenu3> handler = Handler(ShellData(files).Get());
    ASSERT_TRUE(handler);
    struct Case {
        UINT_PTR id;
        UINT type;
        UINT size;
        HRESULT result;
        const wchar_t* text;
    } cases[] = {
        {0, GCS_HELPTEXTW, 64, S_OK, L"添加到Tessaline的“桌面“分组"},
        {1, GCS_VERBW, 64, S_OK, L"添加到Tessaline的“A&B“分组"},
        {2, GCS_HELPTEXTW, 5, S_OK, L"添加到T"},
        {3, GCS_HELPTEXTW, 64, E_INVALIDARG, L"-"},
        {0, GCS_HELPTEXTW, 0, E_INVALIDARG, L"-"},
        {0, GCS_VERBA, 64, E_INVALIDARG, L"-"},
        {0, GCS_VALIDATEA, 64, E_INVALIDARG, L"-"},
    };
    for (const Case& c : cases) {
        wchar_t text[64] = L"-";
        EXPECT_EQ(handler->GetCommandString(c.id, c.type, nullptr, reinterpret_cast<LPSTR>(text), c.size), c.result)
            << c.id << " " << c.type;
        EXPECT_STREQ(text, c.text);
    }
    EXPECT_EQ(handler->GetCommandString(0, GCS_HELPTEXTW, nullptr, nullptr, 64), E_INVALIDARG);

    // The narrow help text is in the ANSI code page, 936 here.
    ASSERT_EQ(GetACP(), 936u);
    char narrow[64] = {};
    ASSERT_EQ(handler->GetCommandString(0, GCS_HELPTEXTA, nullptr, narrow, 64), S_OK);
    EXPECT_STREQ(narrow, WideToMultiByte(936, L"添加到Tessaline的“桌面“分组").GetString());
}

TEST_F(ContextMenuTest, InitializeNeedsFiles)
{
    std::vector<std::wstring> none;
    CDropData noDrop(nullptr), emptyDrop(&none);
    Handler(&noDrop, E_INVALIDARG);
    Handler(&emptyDrop, E_INVALIDARG);
    Handler(nullptr, E_INVALIDARG);
}

TEST_F(ContextMenuTest, ChoosingAGroupSendsThePathsToTheRunningProgram)
{
    RunningProgram program(L"--receiver");
    ComPtr<IContextMenu3> handler = Handler(ShellData(files).Get());
    ASSERT_TRUE(handler);
    HMENU menu = CreatePopupMenu();
    handler->QueryContextMenu(menu, 0, 1, 100, CMF_NORMAL);
    ASSERT_EQ(Invoke(handler.Get(), 1), S_OK);

    ULONG_PTR dwData = 0;
    DWORD cbData = 0;
    CString text;
    ASSERT_TRUE(program.Received(&dwData, &cbData, &text));
    EXPECT_EQ(dwData, 2025u);
    EXPECT_EQ(cbData, static_cast<DWORD>((text.GetLength()) * sizeof(wchar_t)));
    ASSERT_GT(text.GetLength(), 0);
    EXPECT_EQ(text[text.GetLength() - 1], L'\0'); // sent with its terminator
    CString url = text.Left(text.GetLength() - 1);
    EXPECT_EQ(url.Find(L"app://add_links_to_catalog?catalog_name="), 0);
    EXPECT_EQ(Decoded(url, L"catalog_name"), CString(L"A&B"));
    EXPECT_EQ(GetUrlParamInt(url, L"links_count"), 2);
    EXPECT_EQ(Decoded(url, L"link_0"), CString(files[0].c_str()));
    EXPECT_EQ(Decoded(url, L"link_1"), CString(files[1].c_str()));
    DestroyMenu(menu);
}

TEST_F(ContextMenuTest, APathLongerThanMaxPathIsHandedOverWhole)
{
    RunningProgram program(L"--receiver");
    std::vector<std::wstring> paths = {L"C:\\" + std::wstring(300, L'x') + L"\\end.txt"};
    CDropData drop(&paths);
    ComPtr<IContextMenu3> handler = Handler(&drop);
    ASSERT_TRUE(handler);
    ASSERT_EQ(Invoke(handler.Get(), 0), S_OK);
    ULONG_PTR dwData = 0;
    DWORD cbData = 0;
    CString text;
    ASSERT_TRUE(program.Received(&dwData, &cbData, &text));
    EXPECT_EQ(Decoded(text, L"link_0"), CString(paths[0].c_str()));
}

TEST_F(ContextMenuTest, BadVerbsAndAMissingWindowSendNothing)
{
    {
        RunningProgram program(L"--receiver");
        ComPtr<IContextMenu3> handler = Handler(ShellData(files).Get());
        ASSERT_TRUE(handler);
        EXPECT_EQ(Invoke(handler.Get(), static_cast<UINT>(kGroups.size())), E_INVALIDARG);
        CMINVOKECOMMANDINFO info = {};
        info.cbSize = sizeof(info);
        info.lpVerb = "open";
        EXPECT_EQ(handler->InvokeCommand(&info), E_INVALIDARG);
        EXPECT_EQ(GetFileAttributesW(program.record.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    // The program's mutex without its window.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kMutex);
    ComPtr<IContextMenu3> handler = Handler(ShellData(files).Get());
    ASSERT_TRUE(handler);
    EXPECT_EQ(Invoke(handler.Get(), 0), E_INVALIDARG);
    CloseHandle(mutex);
}

TEST_F(ContextMenuTest, AHungProgramFailsTheCommandInsteadOfHangingExplorer)
{
    RunningProgram program(L"--hung");
    ComPtr<IContextMenu3> handler = Handler(ShellData(files).Get());
    ASSERT_TRUE(handler);
    DWORD start = GetTickCount();
    EXPECT_TRUE(FAILED(Invoke(handler.Get(), 0)));
    EXPECT_LT(GetTickCount() - start, 5000u);
}

TEST_F(ContextMenuTest, WithTheProgramNotRunningItIsStartedBesideTheDll)
{
    const std::wstring started = ProgramFolder() + L"\\commandline.txt";
    const std::wstring decoy = Work() + L"\\commandline.txt";
    DeleteFileW(started.c_str());
    ComPtr<IContextMenu3> handler = Handler(ShellData(files).Get());
    ASSERT_TRUE(handler);
    ASSERT_EQ(Invoke(handler.Get(), 0), S_OK);
    std::wstring commandLine;
    ASSERT_TRUE(WaitFor([&] { return (commandLine = ReadFileText(started)) != kAbsent; }));

    const std::wstring prefix = L"\"" + ProgramFolder() + L"\\Quorventile.exe\" -addlinkstocatalog ";
    ASSERT_EQ(commandLine.compare(0, prefix.size(), prefix), 0) << ToUtf8(commandLine.c_str()).GetString();
    CString url = commandLine.substr(prefix.size()).c_str();
    EXPECT_EQ(Decoded(url, L"catalog_name"), CString(L"桌面"));
    EXPECT_EQ(Decoded(url, L"link_1"), CString(files[1].c_str()));
    EXPECT_EQ(ReadFileText(decoy), kAbsent);
}

TEST_F(ContextMenuTest, OwnerDrawMessages)
{
    ComPtr<IContextMenu3> handler = Handler(ShellData(files).Get());
    ASSERT_TRUE(handler);
    MEASUREITEMSTRUCT measure = {};
    measure.CtlType = ODT_MENU;
    measure.itemWidth = 10;
    measure.itemHeight = 12;
    LRESULT result = 0;
    EXPECT_EQ(handler->HandleMenuMsg2(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure), &result), S_OK);
    EXPECT_EQ(result, TRUE);
    EXPECT_EQ(measure.itemWidth, 12u);
    EXPECT_EQ(measure.itemHeight, 16u);

    // The icon goes 16 pixels left of the item's text, centred in its
    // height; only an item that carries this handler's icon is drawn.
    HMENU menu = CreatePopupMenu();
    handler->QueryContextMenu(menu, 0, 1, 100, CMF_NORMAL);
    MENUITEMINFOW parent = {};
    parent.cbSize = sizeof(parent);
    parent.fMask = MIIM_DATA;
    GetMenuItemInfoW(menu, 0, TRUE, &parent);
    DestroyMenu(menu);
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = 40;
    format.bmiHeader.biHeight = -20;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, target);
    auto* pixels = static_cast<DWORD*>(bits);
    struct {
        ULONG_PTR itemData;
        bool drawn;
    } cases[] = {{0x1234, false}, {parent.dwItemData, parent.dwItemData != 0}};
    for (const auto& c : cases) {
        std::fill(pixels, pixels + 40 * 20, 0x00FFFFFFu);
        DRAWITEMSTRUCT draw = {};
        draw.CtlType = ODT_MENU;
        draw.itemData = c.itemData;
        draw.hDC = dc;
        draw.rcItem = {20, 0, 40, 20};
        result = -1;
        EXPECT_EQ(handler->HandleMenuMsg2(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw), &result), S_OK);
        EXPECT_EQ(result, c.drawn ? TRUE : 0);
        GdiFlush();
        int changedInside = 0, changedOutside = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x)
                if ((pixels[y * 40 + x] & 0xFFFFFF) != 0xFFFFFF)
                    ++(x >= 4 && x < 20 && y >= 2 && y < 18 ? changedInside : changedOutside);
        EXPECT_EQ(changedInside > 0, c.drawn) << c.itemData;
        EXPECT_EQ(changedOutside, 0) << c.itemData;
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(target);

    EXPECT_EQ(handler->HandleMenuMsg(WM_INITMENUPOPUP, 0, 0), S_OK);
    EXPECT_EQ(handler->HandleMenuMsg2(WM_MEASUREITEM, 0, 0, nullptr), S_OK);
}

TEST_F(ContextMenuTest, AggregationHandsOutTheInnerUnknownOnly)
{
    COuter outer;
    ComPtr<IContextMenu> refused;
    EXPECT_EQ(CoCreateInstance(CLSID_QuorventileShellExtension, &outer, CLSCTX_INPROC_SERVER, IID_IContextMenu,
                               reinterpret_cast<void**>(refused.GetAddressOf())),
              CLASS_E_NOAGGREGATION);

    IUnknown* inner = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_QuorventileShellExtension, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&inner)),
              S_OK);
    IContextMenu* menu = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    EXPECT_EQ(outer.refs, 2u); // the inner object's interfaces count on the outer one
    menu->Release();
    EXPECT_EQ(outer.refs, 1u);
    EXPECT_EQ(inner->Release(), 0u);
}

TEST_F(ContextMenuTest, TheDllStaysWhileObjectsOrLocksLive)
{
    HMODULE dll = LoadLibraryW(Dll().c_str());
    ASSERT_TRUE(dll);
    auto canUnload = reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void (*)()>(GetProcAddress(dll, "DllCanUnloadNow")));
    auto getClassObject =
        reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
            reinterpret_cast<void (*)()>(GetProcAddress(dll, "DllGetClassObject")));
    ASSERT_TRUE(canUnload && getClassObject);
    EXPECT_EQ(canUnload(), S_OK);

    ComPtr<IClassFactory> factory;
    auto takeFactory = [&] {
        return getClassObject(CLSID_QuorventileShellExtension, IID_IClassFactory,
                              reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf()));
    };
    ASSERT_EQ(takeFactory(), S_OK);
    EXPECT_EQ(canUnload(), S_FALSE);
    ComPtr<IUnknown> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf())), S_OK);
    factory->LockServer(TRUE);
    factory.Reset();
    EXPECT_EQ(canUnload(), S_FALSE);
    object.Reset();
    EXPECT_EQ(canUnload(), S_FALSE); // still locked
    ASSERT_EQ(takeFactory(), S_OK);
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(canUnload(), S_OK);

    // An unlock without a lock before it counts for nothing: it neither
    // lets the DLL go under a factory still held, nor cancels a later lock.
    ASSERT_EQ(takeFactory(), S_OK);
    factory->LockServer(FALSE);
    EXPECT_EQ(canUnload(), S_FALSE);
    factory->LockServer(FALSE);
    factory->LockServer(TRUE);
    factory.Reset();
    EXPECT_EQ(canUnload(), S_FALSE);
    ASSERT_EQ(takeFactory(), S_OK);
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(canUnload(), S_OK);

    // A factory released once too often leaves a live object's hold alone.
    ASSERT_EQ(takeFactory(), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf())),
              S_OK);
    IClassFactory* overReleased = factory.Detach();
    EXPECT_EQ(overReleased->Release(), 1u); // the module's own reference is left
    EXPECT_EQ(overReleased->Release(), 1u);
    EXPECT_EQ(canUnload(), S_FALSE);
    object.Reset();
    EXPECT_EQ(canUnload(), S_OK);
    FreeLibrary(dll);
}

// Explorer asks DllCanUnloadNow and frees the DLL when it may: the DLL lets
// go of its type library first.
TEST_F(ContextMenuTest, AnUnloadReleasesTheTypeLibrary)
{
    ComPtr<IDispatch> object;
    ASSERT_EQ(CoCreateInstance(CLSID_QuorventileShellExtension, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(object.GetAddressOf())),
              S_OK);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(object->GetTypeInfo(0, 0, info.GetAddressOf()), S_OK);
    ComPtr<ITypeLib> library;
    UINT index = 0;
    ASSERT_EQ(info->GetContainingTypeLib(library.GetAddressOf(), &index), S_OK);
    info.Reset();
    object.Reset();
    auto references = [&] {
        library->AddRef();
        return library->Release();
    };
    const ULONG held = references();
    HMODULE dll = GetModuleHandleW(Dll().c_str());
    ASSERT_NE(nullptr, dll);
    auto canUnload = reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void (*)()>(GetProcAddress(dll, "DllCanUnloadNow")));
    ASSERT_EQ(canUnload(), S_OK);
    EXPECT_EQ(references(), held - 1);
}

// Once an object has drawn its menu picture, GDI+ (which the DLL loaded)
// runs a thread of its own: the DLL is not unloaded under it.
TEST_F(ContextMenuTest, OnceGdiplusRunsTheDllStaysLoaded)
{
    ComPtr<IContextMenu> menu;
    ASSERT_EQ(CoCreateInstance(CLSID_QuorventileShellExtension, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu,
                               reinterpret_cast<void**>(menu.GetAddressOf())),
              S_OK);
    menu.Reset();
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_NE(nullptr, GetModuleHandleW(Dll().c_str()));
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    CreateDirectoryW((Work() + L"\\Program Files").c_str(), nullptr);
    CreateDirectoryW(ProgramFolder().c_str(), nullptr);
    if (!CopyFileW(Env(L"QV_PROBE_DLL").c_str(), Dll().c_str(), FALSE) ||
        !CopyFileW(Env(L"QV_PROBE_STANDIN").c_str(), (ProgramFolder() + L"\\Quorventile.exe").c_str(), FALSE) ||
        !CopyFileW(Env(L"QV_PROBE_STANDIN").c_str(), (Work() + L"\\Program.exe").c_str(), FALSE)) {
        fprintf(stderr, "probe: run me through run-probe.sh\n");
        return 2;
    }
    return RUN_ALL_TESTS();
}
