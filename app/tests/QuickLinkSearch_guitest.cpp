// Searching the quick-link list as a user does: typing into the main
// window's search box and reading the rows laid out, and type-ahead in the
// list itself.
#include "app/MainFrame.h"
#include "app/tests/QuickLinkListTest.h"
#include "app/tests/XdoTool.h"
#include "skin/menu/CNewMenuHook.h"

namespace
{
using namespace QuickLinkTest;
using Rows = std::vector<CString>;

TempDataFolder* g_data = nullptr;
CMainFrame* g_frame = nullptr;

class Search : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        g_data = new TempDataFolder;
        ASSERT_EQ(1, OpenAppDatabase());
        SetConfigInt(L"AutoRun", 0);
        SetConfigString(L"HotkeyMainWindow", L"CTRL + ALT + 8");
        SetConfigInt(L"DefaultLinksInit", 1);
        SetConfigString(L"DefaultExpandCatalog", L"默认");
        // The first group holds the names the searches look for; the third
        // one is empty.
        const struct {
            const wchar_t* group;
            std::vector<const wchar_t*> links;
        } groups[] = {{L"默认", {L"计算器", L"记事本", L"Notepad Plus"}},
                      {L"工具", {L"画图", L"TextPad"}},
                      {L"空", {}}};
        int lastCid = 0;
        for (const auto& group : groups) {
            CatalogInfo catalog;
            catalog.name = group.group;
            catalog.preid = lastCid;
            AddCatalog(catalog);
            lastCid = catalog.cid;
            int preid = 0;
            for (const wchar_t* name : group.links) {
                QuickLinkInfo link;
                link.cid = catalog.cid;
                link.preid = preid;
                link.linktype = LinkTypeFile;
                link.name = name;
                link.path = g_data->folder + L"\\" + name + L".txt";
                AddLink(link);
                preid = link.id;
            }
        }
        SkinControl::CreateGlobalThreadPool()->Start();
        OleInitialize(nullptr);
        ASSERT_EQ(1, LoadSkin());
        SkinControl::NewMenu::CNewMenuHook::Install();
        g_frame = new CMainFrame;
        ASSERT_TRUE(g_frame->Create(CRect(40, 40, 340, 600)));
        g_frame->ShowWindow(SW_SHOW);
        ASSERT_TRUE(PumpUntil([] { return g_frame->QuickLinkList().IsLoaded() != FALSE; }));
        PumpMessages(100);
    }
    static void TearDownTestSuite()
    {
        g_frame->DestroyWindow();
        SkinControl::DestroyGlobalThreadPool();
        delete g_frame;
        SkinControl::NewMenu::CNewMenuHook::Uninstall();
        delete g_data;
    }
    void TearDown() override
    {
        List().FilterItems(L"");
        PumpMessages(30);
    }

    static CQuickLinkTreeList& List() { return g_frame->QuickLinkList(); }
    static HWND SearchBox()
    {
        HWND bar = FindWindowExW(g_frame->m_hWnd, nullptr, SkinControl::CWndBase::kClassName, nullptr);
        return FindWindowExW(bar, nullptr, SkinControl::CWindowlessRichEdit::kClassName, nullptr);
    }
    static Rows Visible() { return VisibleRowTexts(List()); }
    static void Focus(HWND window)
    {
        SetForegroundWindow(g_frame->m_hWnd);
        AppTest::XFocus(g_frame->m_hWnd);
        SetFocus(window);
        PumpMessages(50);
    }
};

const Rows kOpenAtStart = {L"默认", L"  计算器", L"  记事本", L"  Notepad Plus", L"工具", L"空"};

TEST_F(Search, TypedPinyinFindsTheChineseNameAndClearingShowsEverythingAgain)
{
    ASSERT_EQ(kOpenAtStart, Visible());
    Focus(SearchBox());
    ASSERT_TRUE(AppTest::XdoTool("type --delay 20 jishi"));
    EXPECT_TRUE(PumpUntil([] { return Visible() == Rows{L"默认", L"  记事本"}; }, 3000)) << Visible().size();

    // Escape empties the box: every group is back, the empty one too, and
    // only the group open before the search is expanded.
    List().Collapse(List().GetChildItem(List().GetRootItem()), TRUE, 0, 0);
    ASSERT_TRUE(AppTest::XdoTool("key Escape"));
    EXPECT_TRUE(PumpUntil([] { return Visible() == kOpenAtStart; }, 3000)) << Visible().size();
}

TEST_F(Search, MatchesNamesAndPinyinAnywhereInAnyCase)
{
    const struct {
        const wchar_t* text;
        Rows rows;
    } cases[] = {
        {L"BEN", {L"默认", L"  记事本"}},                              // pinyin, in capitals
        {L"pad", {L"默认", L"  Notepad Plus", L"工具", L"  TextPad"}}, // inside the name
        {L"画", {L"工具", L"  画图"}},
        {L"huatu", {L"工具", L"  画图"}},
        {L"nothing like it", {}},
    };
    for (const auto& c : cases) {
        List().FilterItems(c.text);
        EXPECT_EQ(c.rows, Visible()) << ToUtf8(c.text).GetString();
    }
}

// The list's timers are driven here: the characters of one text arrive
// before its search, and a pause is the reset timer firing.
TEST_F(Search, TypeAheadSelectsByPinyinPrefixInTheOpenGroup)
{
    const struct {
        const char* keys; // "-" pauses for a new text
        const wchar_t* selected;
    } cases[] = {
        {"jish", L"记事本"},
        {"ji", L"计算器"},
        {"j-n", L"Notepad Plus"}, // a pause: "n" alone
        {"te", L"默认"},          // "TextPad" is not in the open group
    };
    CQuickLinkTreeList& list = List();
    CTreeListItem* group = list.GetChildItem(list.GetRootItem());
    list.Expand(group, TRUE, 0);
    for (const auto& c : cases) {
        list.SelectItem(group, TRUE, TRUE, FALSE);
        for (const char* key = c.keys; *key; ++key) {
            if (*key == '-')
                list.SendMessage(WM_TIMER, CQuickLinkTreeList::kTypeAheadResetTimer);
            else
                list.SendMessage(WM_CHAR, static_cast<WPARAM>(*key), 1);
        }
        list.SendMessage(WM_TIMER, CQuickLinkTreeList::kTypeAheadTimer);
        list.SendMessage(WM_TIMER, CQuickLinkTreeList::kTypeAheadResetTimer);
        EXPECT_EQ(c.selected, list.GetItemText(list.GetFirstSelectedItem())) << c.keys;
        EXPECT_EQ(1u, list.GetSelectedCount());
    }
}

} // namespace
