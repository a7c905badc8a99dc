// End to end: the shell extension registered for the user as its installer
// does, beside the real Quorventile.exe, in a fresh Wine prefix of its own
// (run-e2e.sh).  Explorer's part is played here: the handler found through
// the registry, initialised with the shell's data object of real files and
// a folder, its menu built and one group chosen; the program, running or
// not, then holds the paths as links of that group in AppData.db.
#include "app/SingleInstance.h"
#include "app/tests/e2e/ProbeSupport.h"
#include "core/AppPaths.h"
#include "core/CatalogStore.h"
#include "framework/tests/GTestPrinters.h"
#include "shellext/MainAppHandOver.h"
#include "shellext/tests/probe/ShellMenuClient.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <iterator>
#include <utility>
#include <string>
#include <tuple>
#include <vector>

namespace
{
using namespace Probe;
using namespace ShellMenuClient;

const wchar_t kHandlerKey[] = L"*\\shellex\\ContextMenuHandlers\\QuorventileShellExt";
const wchar_t kClsidKey[] = L"Software\\Classes\\CLSID\\{034AAEA4-700F-4D0F-8E3E-1007EDA34F68}";
const UINT kFirstId = 100;

// The groups the user has, each holding one link already.
const wchar_t* const kGroups[] = {L"默认", L"工作 A&B"};

// Where the installer put the program and the extension: a path with a
// space, under "Program Files".
std::wstring ProgramFolder()
{
    return FolderOf(CSIDL_PROGRAM_FILES) + L"\\Quorventile 程序";
}

// What the user selects in one folder: names with spaces, quotes and
// Chinese, and a folder.
std::vector<std::wstring> Selection()
{
    const std::wstring folder = L"C:\\选中的 'files'";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::vector<std::wstring> paths = {folder + L"\\a b 'c'.txt", folder + L"\\中文 “文件”.txt",
                                       folder + L"\\文件夹 x"};
    TouchFile(paths[0]);
    TouchFile(paths[1]);
    CreateDirectoryW(paths[2].c_str(), nullptr);
    return paths;
}

// A value of the classes as Windows shows them in HKEY_CLASSES_ROOT: the
// user's over the machine's.  Wine's HKEY_CLASSES_ROOT holds the machine's
// alone, so its COM never finds a class registered for the user.
std::wstring ClassesValue(const std::wstring& key)
{
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        wchar_t text[MAX_PATH] = {};
        DWORD size = sizeof(text) - sizeof(wchar_t);
        if (RegGetValueW(root, (L"Software\\Classes\\" + key).c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text,
                         &size) == ERROR_SUCCESS)
            return text;
    }
    return L"";
}

// The handler Explorer makes for the context menu of any file: the class
// its key names, from the in-process server registered for that class.
ComPtr<IShellExtInit> RegisteredHandler()
{
    const std::wstring clsidText = ClassesValue(kHandlerKey);
    const std::wstring server = ClassesValue(L"CLSID\\" + clsidText + L"\\InprocServer32");
    EXPECT_EQ(server, ProgramFolder() + L"\\QuorventileShellExt.dll");
    CLSID clsid = CLSID_NULL;
    HMODULE module = LoadLibraryW(server.c_str()); // stays for the process
    auto getClassObject = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "DllGetClassObject")));
    ComPtr<IClassFactory> factory;
    ComPtr<IShellExtInit> init;
    if (!getClassObject || FAILED(CLSIDFromString(clsidText.c_str(), &clsid)) ||
        FAILED(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf()))))
        return init;
    factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(init.GetAddressOf()));
    return init;
}

std::wstring ImageOf(HANDLE process)
{
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    return QueryFullProcessImageNameW(process, 0, path, &size) ? path : L"";
}

std::vector<std::wstring> PathsOf(const std::vector<LinkRow>& chain)
{
    std::vector<std::wstring> paths;
    for (const LinkRow& link : chain)
        paths.push_back(link.path);
    return paths;
}

struct Case {
    const char* name;
    bool running; // the program runs (WM_COPYDATA) or is started by the extension
    size_t group; // the index of the group chosen
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

class ShellExtE2E : public ProgramTest, public ::testing::WithParamInterface<Case>
{
protected:
    static void SetUpTestSuite()
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_TRUE(Install());
        ASSERT_EQ(Regsvr32(L"/n /i:user", Dll()), 0u);
        HKEY machine = nullptr;
        EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClsidKey, 0, KEY_READ, &machine), ERROR_SUCCESS)
            << "registered for the user only";
    }
    static void TearDownTestSuite()
    {
        EXPECT_TRUE(CloseProgram());
        EXPECT_EQ(Regsvr32(L"/u /n /i:user", Dll()), 0u);
        CoUninitialize();
    }
    // Puts the program, its skin and the extension in the program folder,
    // once per process: the extension stays loaded once used.  The program
    // under test is then this copy.
    static bool Install()
    {
        const std::wstring built = Env(L"QV_E2E_PROGRAM");
        const std::wstring folder = ProgramFolder(), program = folder + L"\\Quorventile.exe";
        if (built == program)
            return true;
        std::wstring skin = built.substr(0, built.rfind(L'\\')) + L"\\Skin", to = folder;
        skin.push_back(L'\0');
        to.push_back(L'\0');
        SHFILEOPSTRUCTW copy = {};
        copy.wFunc = FO_COPY;
        copy.pFrom = skin.c_str();
        copy.pTo = to.c_str();
        copy.fFlags = FOF_NO_UI;
        CreateDirectoryW(folder.c_str(), nullptr);
        if (!CopyFileW(built.c_str(), program.c_str(), FALSE) ||
            !CopyFileW((ExeFolder() + L"\\QuorventileShellExt.dll").c_str(), Dll().c_str(), FALSE) ||
            SHFileOperationW(&copy) != 0)
            return false;
        return SetEnvironmentVariableW(L"QV_E2E_PROGRAM", program.c_str()) != 0;
    }
    static std::wstring Dll() { return ProgramFolder() + L"\\QuorventileShellExt.dll"; }

    // The program closed and the user's data as it left it: the groups,
    // each with one link, and the cache file the extension reads.
    void SetUp() override
    {
        ASSERT_TRUE(CloseProgram());
        AppPaths.dataFolder = (FolderOf(CSIDL_APPDATA) + L"\\Quorventile").c_str();
        ASSERT_TRUE(EmptyFolder(AppPaths.dataFolder.str()));
        CreateDirectoryW(AppPaths.dataFolder, nullptr);
        SetAppDatabasePath(DatabasePath().c_str());
        ASSERT_EQ(OpenAppDatabase(), 1);
        SetConfigInt(L"DefaultLinksInit", 1);
        const std::wstring system = FolderOf(CSIDL_SYSTEM);
        const std::wstring targets[] = {system + L"\\notepad.exe", system + L"\\cmd.exe"};
        int previous = 0;
        for (size_t i = 0; i < std::size(kGroups); ++i) {
            CatalogInfo group;
            group.name = kGroups[i];
            group.preid = previous;
            ASSERT_EQ(AddCatalog(group), 1);
            previous = group.cid;
            QuickLinkInfo link;
            link.cid = group.cid;
            link.linktype = 3;
            link.path = targets[i].c_str();
            link.name = link.path.Mid(link.path.ReverseFind(L'\\') + 1);
            ASSERT_EQ(AddLink(link), 1);
        }
        CloseAppDatabase();
        ReadRows(seededGroups, seededLinks);
    }

    std::vector<LinkRow> LinksOf(size_t group)
    {
        std::vector<CatalogRow> groups;
        std::vector<LinkRow> links;
        ReadRows(groups, links);
        return ChainOf(links, seededGroups[group].cid);
    }

    // Once the paths arrive: appended whole, in order, after the link the
    // group held; no group added or renamed, the other group untouched.
    void ExpectAppended(size_t group, const std::vector<std::wstring>& paths)
    {
        std::vector<std::wstring> expected = {seededLinks[group].path};
        expected.insert(expected.end(), paths.begin(), paths.end());
        EXPECT_TRUE(WaitFor([&] { return LinksOf(group).size() == expected.size(); }));
        EXPECT_EQ(PathsOf(LinksOf(group)), expected);
        std::vector<CatalogRow> groups;
        std::vector<LinkRow> links;
        ReadRows(groups, links);
        ASSERT_EQ(groups.size(), seededGroups.size());
        for (size_t i = 0; i < groups.size(); ++i)
            EXPECT_EQ(std::tie(groups[i].cid, groups[i].preid, groups[i].name),
                      std::tie(seededGroups[i].cid, seededGroups[i].preid, seededGroups[i].name));
        const size_t other = 1 - group;
        EXPECT_EQ(PathsOf(LinksOf(other)), std::vector<std::wstring>{seededLinks[other].path});
    }

    std::vector<CatalogRow> seededGroups;
    std::vector<LinkRow> seededLinks;
};

TEST_P(ShellExtE2E, ChoosingAGroupAddsTheSelectionToIt)
{
    const Case& c = GetParam();
    if (c.running) {
        ASSERT_TRUE(program.Start());
        ASSERT_NE(nullptr, WaitForMainWindow());
    }
    const std::vector<std::wstring> selection = Selection();
    ComPtr<IContextMenu3> handler = Initialized(RegisteredHandler().Get(), ShellData(selection).Get());
    ASSERT_TRUE(handler);

    // The submenu lists the groups in the user's order ("&" doubled, as a
    // menu shows it as written).
    HMENU menu = CreatePopupMenu();
    ASSERT_TRUE(SUCCEEDED(handler->QueryContextMenu(menu, 0, kFirstId, kFirstId + 50, CMF_NORMAL)));
    HMENU groups = GetSubMenu(menu, 0);
    std::vector<std::wstring> shown;
    for (int i = 0; i < GetMenuItemCount(groups); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(groups, i, text, 64, MF_BYPOSITION);
        shown.push_back(text);
    }
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"默认", L"工作 A&&B"}));
    const UINT chosen = GetMenuItemID(groups, static_cast<int>(c.group));
    DestroyMenu(menu);
    ASSERT_EQ(Invoke(handler.Get(), chosen - kFirstId), S_OK);

    if (!c.running) {
        // Started by the extension: the copy beside it, its path quoted.
        ASSERT_NE(nullptr, WaitForMainWindow());
        program.Adopt(MainWindow());
        EXPECT_EQ(ImageOf(program.process.hProcess), ProgramFolder() + L"\\Quorventile.exe");
    }
    ExpectAppended(c.group, selection);
    std::vector<std::pair<int, std::wstring>> shownLinks;
    for (const LinkRow& link : LinksOf(c.group))
        shownLinks.emplace_back(link.linktype, link.name);
    ASSERT_EQ(shownLinks.size(), 4u);
    EXPECT_EQ(shownLinks[1], std::make_pair(3, std::wstring(L"a b 'c'.txt")));
    EXPECT_EQ(shownLinks[2], std::make_pair(3, std::wstring(L"中文 “文件”.txt")));
    EXPECT_EQ(shownLinks[3], std::make_pair(2, std::wstring(L"文件夹 x")));
}

// Two starts racing (the extension's and the user's): the one that finds
// the other running passes its command on, also before that one's window
// is there.
TEST_F(ShellExtE2E, ASecondStartHandsItsCommandToTheRunningOne)
{
    const std::vector<std::wstring> selection = Selection();
    std::vector<CString> paths(selection.begin(), selection.end());
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(WaitFor([] { return CSingleInstanceMutex::Exists(); }));
    Program second;
    ASSERT_TRUE(second.Start(L"-addlinkstocatalog " + BuildAddLinksCommand(kGroups[1], paths).str()));
    EXPECT_TRUE(second.WaitExit(20000));
    ExpectAppended(1, selection);
    EXPECT_EQ(WaitForSingleObject(program.process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the first one runs on";
}

INSTANTIATE_TEST_SUITE_P(Program, ShellExtE2E,
                         ::testing::Values(Case{"Running", true, 1}, Case{"NotRunning", false, 0}),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

} // namespace
