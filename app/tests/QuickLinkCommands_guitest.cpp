// The quick-link list's context menu as the user drives it: a right click on
// a row, the menu's items read while it is open, and a key that chooses
// one; then what the command left in the tree, AppData.db and the group-name
// cache file.
#include "app/tests/QuickLinkListTest.h"
#include "app/QuickLinkWorkItems.h"
#include "app/tests/XdoTool.h"
#include "core/CatalogsCache.h"
#include "skin/menu/CNewMenu.h"
#include "skin/menu/CNewMenuHook.h"
#include "skin/menu/CNewMenuItemData.h"

#include <shlobj.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>

// The heap may give a freed block's address to the next block of its size,
// and then a row pointer kept from before names another row.  This
// program's heap always does, for blocks freed and taken again on one
// thread: the last block a thread freed of a size class is the next that
// thread gets (a pool thread working meanwhile takes only its own).
namespace
{
const std::size_t kHeader = 16;
const std::size_t kClasses = 256; // blocks up to 4 KiB, in steps of 16 bytes
thread_local void* t_freed[kClasses]; // a list through each freed block's first word
} // namespace

void* operator new(std::size_t size)
{
    const std::size_t bytes = (std::max<std::size_t>(size, 1) + 15) & ~std::size_t(15);
    if (bytes / 16 < kClasses) {
        if (void* block = t_freed[bytes / 16]) {
            t_freed[bytes / 16] = *static_cast<void**>(block);
            return block;
        }
    }
    auto* raw = static_cast<char*>(std::malloc(kHeader + bytes));
    if (!raw)
        throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(raw) = bytes;
    return raw + kHeader;
}
void operator delete(void* block) noexcept
{
    if (!block)
        return;
    char* raw = static_cast<char*>(block) - kHeader;
    const std::size_t sizeClass = *reinterpret_cast<std::size_t*>(raw) / 16;
    if (sizeClass >= kClasses) {
        std::free(raw);
        return;
    }
    *static_cast<void**>(block) = t_freed[sizeClass];
    t_freed[sizeClass] = block;
}
void operator delete(void* block, std::size_t) noexcept
{
    operator delete(block);
}

namespace
{
using namespace QuickLinkTest;
using SkinControl::NewMenu::CNewMenu;
using Texts = std::vector<std::wstring>;
using RowTexts = std::vector<CString>;

const Texts kAlways = {L"恢复默认窗口(&F)", L"", L"添加分组(&T)", L"同步桌面数据(&S)"};

Texts operator+(Texts a, const Texts& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// While it lives, the list's launches pass through it: it records each one's
// verb and file, then makes the launch.
class LaunchRecorder
{
public:
    LaunchRecorder() : m_forward(CQuickLinkTreeList::s_launchShellExecute.load())
    {
        s_recorder = this;
        CQuickLinkTreeList::s_launchShellExecute = &Record;
    }
    ~LaunchRecorder()
    {
        CQuickLinkTreeList::s_launchShellExecute = m_forward;
        s_recorder = nullptr;
    }
    LaunchRecorder(const LaunchRecorder&) = delete;
    LaunchRecorder& operator=(const LaunchRecorder&) = delete;

    // "verb file" of each launch so far.
    std::vector<std::wstring> Launches()
    {
        CScopedLock lock(m_lock);
        return m_launches;
    }

private:
    static BOOL Record(SHELLEXECUTEINFOW* execute)
    {
        LaunchRecorder* self = s_recorder;
        {
            CScopedLock lock(self->m_lock);
            self->m_launches.push_back(std::wstring(execute->lpVerb ? execute->lpVerb : L"(none)") + L" " +
                                       (execute->lpFile ? execute->lpFile : L""));
        }
        return self->m_forward(execute);
    }

    static inline std::atomic<LaunchRecorder*> s_recorder{nullptr};
    const CQuickLinkTreeList::ShellExecuteCall m_forward;
    CLock m_lock;
    std::vector<std::wstring> m_launches;
};

class Commands : public QuickLinkListTest
{
protected:
    static void SetUpTestSuite()
    {
        QuickLinkListTest::SetUpTestSuite();
        SkinControl::NewMenu::CNewMenuHook::Install();
    }
    static void TearDownTestSuite()
    {
        SkinControl::NewMenu::CNewMenuHook::Uninstall();
        QuickLinkListTest::TearDownTestSuite();
    }
    // Docs: a.txt, tool.exe, run.bat; Other: x.txt; Empty.
    void SetUp() override
    {
        QuickLinkListTest::SetUp();
        docs = StoreCatalog(L"Docs");
        CatalogInfo other = StoreCatalog(L"Other", docs.cid);
        StoreCatalog(L"Empty", other.cid);
        QuickLinkInfo a = StoreLink(docs.cid, 0, File(L"a.txt"));
        QuickLinkInfo tool = StoreLink(docs.cid, a.id, File(L"tool.exe"));
        StoreLink(docs.cid, tool.id, File(L"run.bat"));
        StoreLink(other.cid, 0, File(L"x.txt"));
        SetConfigString(L"DefaultExpandCatalog", L"Docs");
        Create();
        Load();
        AppTest::XFocus(parent->m_hWnd);
    }

    // Right-clicks at `point`, reads the menu's items while it is open, then
    // presses `key` in it; `shot` saves a picture of the open menu.
    Texts Menu(CPoint point, const std::string& key, const wchar_t* shot = nullptr)
    {
        Texts items;
        ModalAction action(L"#32768", [&](HWND window) {
            auto* menu =
                CNewMenu::FromHandle(reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0)));
            for (size_t i = 0; menu && i < menu->Items().size(); ++i)
                items.push_back(menu->Items()[i]->GetString(nullptr).str());
            if (shot) {
                RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
                menuShot = SkinTest::CaptureClient(window);
                SkinTest::SaveWindowShot(window, SkinTest::ArtefactPath(shot));
            }
            AppTest::XdoTool("key " + key);
        });
        CPoint screen = point;
        list.ClientToScreen(&screen);
        SetCursorPos(screen.x, screen.y);
        list.PostMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(point.x, point.y));
        EXPECT_TRUE(PumpUntil([&] { return action.Acted(); }, 3000));
        PumpMessages(100);
        // The closed menu leaves the X focus nowhere.
        AppTest::XFocus(parent->m_hWnd);
        return items;
    }
    Texts Menu(const wchar_t* row, const std::string& key, const wchar_t* shot = nullptr)
    {
        return Menu(RowPoint(Row(row)), key, shot);
    }
    bool Editing()
    {
        return IsWindowVisible(FindWindowExW(list.m_hWnd, nullptr, L"__RICH_EDIT_CTRL__", nullptr));
    }

    CatalogInfo docs;
    std::optional<SkinTest::Pixels> menuShot;
};

TEST_F(Commands, TheMenuOffersWhatFitsTheClickedRowAndTheSelection)
{
    const Texts group =
        kAlways + Texts{L"", L"清理失效的连接(&C)", L"设为默认展开(&Z)", L"重命名(&M)", L"删除分组(&D)"};
    const Texts oneLink = {L"", L"打开文件位置(&L)", L"重命名(&M)", L"删除(&D)"};
    const Texts program = Texts{L"", L"以管理员身份运行&A)"} + Texts(oneLink.begin() + 1, oneLink.end());
    EXPECT_EQ(group, Menu(L"Docs", "Escape", L"quicklinks_menu.png"));
    EXPECT_EQ(kAlways + oneLink, Menu(L"a.txt", "Escape"));
    EXPECT_EQ(kAlways + program, Menu(L"tool.exe", "Escape"));
    EXPECT_EQ(kAlways + program, Menu(L"run.bat", "Escape"));
    // Three links selected: only deleting all of them.
    list.SelectItem(Row(L"a.txt"), TRUE, TRUE, FALSE);
    list.SelectItem(Row(L"tool.exe"), FALSE, TRUE, FALSE);
    list.SelectItem(Row(L"run.bat"), FALSE, TRUE, FALSE);
    EXPECT_EQ((kAlways + Texts{L"", L"删除(&D)"}), Menu(L"tool.exe", "Escape"));
    EXPECT_EQ(kAlways, Menu(CPoint(100, 380), "Escape")) << "below the last row";

    // The owner-drawn menu in theme 10: a light box as wide as its longest
    // item, with dark text in its rows.
    ASSERT_TRUE(menuShot);
    EXPECT_GT(menuShot->Width(), 120);
    EXPECT_GT(menuShot->Height(), 9 * 15);
    int dark = 0, light = 0;
    for (int y = 0; y < menuShot->Height(); ++y)
        for (int x = 0; x < menuShot->Width(); ++x) {
            const COLORREF c = menuShot->Pixel(x, y);
            dark += GetRValue(c) + GetGValue(c) + GetBValue(c) < 384;
            light += GetRValue(c) + GetGValue(c) + GetBValue(c) > 600;
        }
    EXPECT_GT(dark, 300) << "item texts";
    EXPECT_GT(light, menuShot->Width() * menuShot->Height() / 2) << "background";
}

TEST_F(Commands, RenamesAreStoredOnEnterOrFocusLossAndEscapeKeepsTheOldName)
{
    const struct {
        const wchar_t* row;
        const char* typed;
        const char* key; // null: the focus moves to the list
        bool editing;    // the editor is still open afterwards
        RowTexts rows;
    } cases[] = {
        {L"Docs", "Papers", "Return", false, {L"Papers", L"  a.txt", L"  tool.exe", L"  run.bat", L"Other"}},
        {L"a.txt", "notes", "Escape", false, {L"Papers", L"  a.txt", L"  tool.exe", L"  run.bat", L"Other"}},
        {L"a.txt", "notes", nullptr, false, {L"Papers", L"  notes", L"  tool.exe", L"  run.bat", L"Other"}},
        // Another group's name in any case is refused; the editor stays.
        {L"Papers", "OTHER", "Return", true, {L"Papers", L"  notes", L"  tool.exe", L"  run.bat", L"Other"}},
        // Only the letter case differs: nothing changes.
        {L"notes", "NOTES", "Return", false, {L"Papers", L"  notes", L"  tool.exe", L"  run.bat", L"Other"}},
    };
    for (const auto& c : cases) {
        Menu(c.row, "m");
        ASSERT_TRUE(Editing()) << c.typed;
        ASSERT_TRUE(AppTest::XdoTool(std::string("type ") + c.typed));
        PumpMessages(50);
        if (c.key)
            ASSERT_TRUE(AppTest::XdoTool(std::string("key ") + c.key));
        else
            list.SetFocus();
        PumpMessages(50);
        EXPECT_EQ(c.editing, Editing()) << c.typed;
        const RowTexts all = Rows(), shown(all.begin(), all.begin() + 5);
        EXPECT_EQ(c.rows, shown) << c.typed;
        if (Editing())
            AppTest::XdoTool("key Escape");
        PumpMessages(50);
    }
    EXPECT_EQ(L"Papers", Text("select name as v from qv_catalog where cid = 1;"));
    EXPECT_EQ(L"notes/notes",
              Text("select name || '/' || namepinyin as v from qv_link where path like '%a.txt';"));
    EXPECT_EQ(TempDataFolder::CacheBytes(BuildCatalogsCacheText({L"Papers", L"Other", L"Empty"}).str()),
              TempDataFolder::ReadBytes(dir.cachePath));
    EXPECT_TRUE(list.ExpandCatalogByName(L"other")) << "the other group is still found by name";
    Restart();
    EXPECT_EQ(L"notes", std::wstring(list.GetItemText(Row(L"notes"))));
}

TEST_F(Commands, NewGroupsAreNumberedFromTheFirstFreeName)
{
    // Each new group opens the editor on its row; Escape keeps its name.
    auto add = [&] {
        Menu(CPoint(100, 380), "t");
        EXPECT_TRUE(Editing());
        const CString added = list.GetItemText(list.GetFirstSelectedItem());
        AppTest::XdoTool("key Escape");
        PumpMessages(50);
        return added;
    };
    EXPECT_EQ(L"新分组1", add());
    EXPECT_EQ(L"新分组2", add());
    Menu(L"新分组1", "m");
    AppTest::XdoTool("type Renamed");
    AppTest::XdoTool("key Return");
    PumpMessages(50);
    EXPECT_EQ(L"新分组1", add());
    const RowTexts all = Rows();
    EXPECT_EQ((RowTexts{L"Renamed", L"新分组2", L"新分组1"}), RowTexts(all.end() - 3, all.end()));
    EXPECT_EQ(1, Count("select count(*) from qv_catalog where name = 'Renamed';"));
    EXPECT_EQ(2, Count("select count(*) from qv_catalog where name like '新分组_';"));
}

TEST_F(Commands, DeletingAGroupWithLinksAsksFirst)
{
    // x.txt's row is freed during the question and a new row may take its
    // address: the selection names rows by what they hold.  Other is open,
    // so that x.txt stays selected.
    CTreeListItem* xRow = Row(L"x.txt");
    list.SetSingleExpand(FALSE);
    list.Expand(Row(L"Other"), TRUE, 0);
    const struct {
        const wchar_t* group; // right-clicked
        std::vector<const wchar_t*> selected;
        int answer; // the button pressed in the question, 0: no question
        RowTexts rows;
    } cases[] = {
        {L"Empty", {L"Empty"}, 0, {L"Docs", L"  a.txt", L"  tool.exe", L"  run.bat", L"Other", L"  x.txt"}},
        // A group kept keeps its selected links too.
        {L"Docs",
         {L"a.txt", L"Docs"},
         IDNO,
         {L"Docs", L"  a.txt", L"  tool.exe", L"  run.bat", L"Other", L"  x.txt"}},
        {L"Docs", {L"Docs", L"x.txt"}, IDYES, {L"Other", L"  late.txt", L"  later.txt"}},
    };
    for (const auto& c : cases) {
        std::wstring no;
        bool addedWhileAsked = false, reused = false, xSelected = false;
        ModalAction answer(L"#32770", [&](HWND box) {
            wchar_t text[8] = {};
            GetDlgItemTextW(box, 2050, text, 8);
            no = text;
            if (c.answer == IDYES) {
                // The selection the delete was given holds x.txt.
                xSelected = list.IsItemSelected(xRow) != FALSE;
                // The question holds no lock: a link still arrives meanwhile.
                std::vector<AddLinkRequest> add;
                add.push_back(FileRequest(L"late.txt", L"Other"));
                list.PostAfterLoad(new CQuickLinkTreeList::CAddLinkWorkItem(&list, std::move(add)));
                addedWhileAsked =
                    PumpUntil([&] { return Count("select count(*) from qv_link;") == 5; }, 3000);
                list.DeleteLink(xRow, TRUE);
                AddLinkRequest later = FileRequest(L"later.txt", L"Other");
                later.link->linktype = LinkTypeFile;
                later.link->path = later.path;
                later.link->name = L"later.txt";
                list.AddLink(later);
                // The case needs the new row at the freed row's address.
                reused = Row(L"later.txt") == xRow;
            }
            PostMessageW(box, WM_COMMAND, c.answer == IDYES ? 2049 : 2050, 0);
        });
        list.SelectItem(nullptr, FALSE, FALSE, FALSE);
        for (const wchar_t* row : c.selected)
            list.SelectItem(Row(row), FALSE, TRUE, FALSE);
        Menu(c.group, "d");
        EXPECT_TRUE(PumpUntil([&] { return Rows() == c.rows; }, 3000)) << Rows().size();
        EXPECT_EQ(c.answer != 0, answer.Acted());
        if (c.answer) {
            EXPECT_EQ(L"否", no) << "a yes-or-no question";
        }
        EXPECT_EQ(c.answer == IDYES, addedWhileAsked);
        EXPECT_EQ(c.answer == IDYES, reused) << "the new row did not take the freed row's address";
        EXPECT_EQ(c.answer == IDYES, xSelected) << "x.txt left the selection before the delete";
    }
    EXPECT_EQ(1, Count("select count(*) from qv_catalog;"));
    EXPECT_EQ(2, Count("select count(*) from qv_link;"));
}

TEST_F(Commands, DeletesEverySelectedLinkAndSetsTheGroupOpenedAtStart)
{
    list.SelectItem(Row(L"a.txt"), TRUE, TRUE, FALSE);
    list.SelectItem(Row(L"tool.exe"), FALSE, TRUE, FALSE);
    // x.txt is in the closed group Other: out of sight, it leaves the
    // selection and the delete passes it by.
    list.SelectItem(Row(L"x.txt"), FALSE, TRUE, FALSE);
    Menu(L"a.txt", "d");
    EXPECT_EQ((RowTexts{L"Docs", L"  run.bat", L"Other", L"  x.txt", L"Empty"}), Rows());
    // The stored chain starts at the link after the deleted ones.
    EXPECT_EQ(0, Count("select preid from qv_link where path like '%run.bat';"));
    ExpectSoundChains();
    Menu(L"Other", "z");
    EXPECT_EQ(L"Other", std::wstring(GetConfigString(L"DefaultExpandCatalog", L"")));
}

// The commands that hand work to others, each chosen once in the menu.
TEST_F(Commands, OpenLocationRestoreRunAsAdministratorAndSyncDoTheirWork)
{
    // 打开文件位置: the shell shows the folder that holds a.txt.
    Menu(L"a.txt", "l");
    const CString folderName = dir.folder.Mid(dir.folder.ReverseFind(L'\\') + 1);
    HWND folder = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (folder = FindWindowW(L"ExplorerWClass", folderName)) != nullptr; }));
    if (folder) {
        PostMessageW(folder, WM_CLOSE, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(folder); }));
    }
    // The shell's window took the keyboard.
    AppTest::XFocus(parent->m_hWnd);

    // 恢复默认窗口: the main window, 300 x 560, 10 pixels from the work
    // area's right edge and centred in its height.
    CRect before;
    parent->GetWindowRect(&before);
    Menu(CPoint(100, 380), "f");
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int top = work.top + (work.bottom - work.top - 560) / 2;
    CRect restored;
    parent->GetWindowRect(&restored);
    EXPECT_EQ((std::vector<LONG>{work.right - 310, top, work.right - 10, top + 560}),
              (std::vector<LONG>{restored.left, restored.top, restored.right, restored.bottom}));
    parent->MoveWindow(before.left, before.top, before.Width(), before.Height());

    // 以管理员身份运行: the program starts with the verb "runas", its
    // arguments and in its folder.
    const CString log = dir.folder + L"\\launch.txt";
    QuickLinkInfo program;
    program.cid = docs.cid;
    program.preid = Count("select id from qv_link where name = 'run.bat';");
    program.linktype = LinkTypeFile;
    program.path = CString(ExeFolder().c_str()) + L"\\app_e2e_launch_recorder.exe";
    program.name = L"recorder";
    program.args = L"\"" + log + L"\" as administrator";
    program.workdir = dir.folder;
    ASSERT_EQ(1, AddLink(program));
    Restart();
    AppTest::XFocus(parent->m_hWnd);
    auto started = [&] {
        std::vector<unsigned char> bytes = TempDataFolder::ReadBytes(log);
        const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
        return text.find(L" as administrator\n" + std::wstring(dir.folder) + L"\n") != std::wstring::npos;
    };
    LaunchRecorder launches;
    Menu(L"recorder", "a");
    EXPECT_TRUE(PumpUntil(started));
    // A double click on the row starts it again, with the verb "open".
    DeleteFileW(log);
    const CPoint onRow = RowPoint(Row(L"recorder"));
    list.PostMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(onRow.x, onRow.y));
    list.PostMessage(WM_LBUTTONUP, 0, MAKELPARAM(onRow.x, onRow.y));
    EXPECT_TRUE(PumpUntil(started));
    EXPECT_EQ((std::vector<std::wstring>{L"runas " + std::wstring(program.path), L"open " + std::wstring(program.path)}),
              launches.Launches());

    // 同步桌面数据: what lies on the desktop comes into "桌面".
    wchar_t desktop[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, desktop);
    CString name;
    name.Format(L"synced %lu.txt", GetTickCount());
    const CString onDesktop = CString(desktop) + L"\\" + name;
    CloseHandle(CreateFileW(onDesktop, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    Menu(CPoint(100, 380), "s");
    EXPECT_TRUE(PumpUntil([&] {
        CTreeListItem* row = Row(name);
        return row && list.GetItemText(list.GetParentItem(row)) == L"桌面";
    }));
    DeleteFileW(onDesktop);
}

TEST_F(Commands, CleaningKeepsPlacesFoldersAndFilesThatExist)
{
    CatalogInfo mixed = StoreCatalog(L"Mixed", 3);
    CreateDirectoryW(dir.folder + L"\\folder", nullptr);
    CreateDirectoryW(dir.folder + L"\\gone folder", nullptr);
    QuickLinkInfo place = StoreLink(mixed.cid, 0, L"", L"Desktop", LinkTypeShellPlace);
    QuickLinkInfo folder =
        StoreLink(mixed.cid, place.id, dir.folder + L"\\folder", nullptr, LinkTypeDirectory);
    QuickLinkInfo gone =
        StoreLink(mixed.cid, folder.id, dir.folder + L"\\gone folder", nullptr, LinkTypeDirectory);
    QuickLinkInfo file = StoreLink(mixed.cid, gone.id, File(L"kept.txt"));
    StoreLink(mixed.cid, file.id, dir.folder + L"\\never.txt");
    Restart();
    RemoveDirectoryW(dir.folder + L"\\gone folder");
    Menu(L"Mixed", "c");
    const RowTexts all = Rows();
    EXPECT_EQ((RowTexts{L"Mixed", L"  Desktop", L"  folder", L"  kept.txt"}),
              RowTexts(all.end() - 4, all.end()));
    EXPECT_EQ(3, Count("select count(*) from qv_link where cid = 4;"));
}

} // namespace
