// The main frame, its tab and the scroll-bar painter in this process, with
// the generated skin and a database of its own.
#include "app/CoolScrollbarPainter.h"
#include "app/QuorventileApp.h"
#include "core/AppDatabase.h"
#include "core/AppPaths.h"
#include "core/CommandUrl.h"
#include "core/ModuleVersion.h"
#include "core/ThreadPool.h"
#include "skin/CSkinMessageBox.h"
#include "skin/CSkinRes.h"
#include "skin/menu/CMenuTheme.h"
#include "skin/menu/CNewMenuHook.h"
#include "skin/menu/tests/AppLookColors.h"
#include "skin/tests/GuiTestHelpers.h"

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

using SkinTest::PumpMessages;

namespace
{
std::wstring ExeFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\'));
}

SkinTest::TempFolder* g_folder = nullptr;
CMainFrame* g_frame = nullptr;

class MainWindow : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        g_folder = new SkinTest::TempFolder;
        SetAppDatabasePath(g_folder->File(L"AppData.db").c_str());
        OpenAppDatabase();
        // No Run value and no hotkey that another test program could need.
        SetConfigInt(L"AutoRun", 0);
        SetConfigString(L"HotkeyMainWindow", L"CTRL + ALT + 9");
        // Not a first run: the shared test prefix's desktop stays out.
        SetConfigInt(L"DefaultLinksInit", 1);
        SkinControl::CreateGlobalThreadPool()->Start();
        OleInitialize(nullptr); // the list is a drop target
        SkinControl::CSkinRes::SetSkinFolder((ExeFolder() + L"\\..\\Skin").c_str());
        ASSERT_EQ(1, PreloadSkin());
        // As the program's start-up does before any window exists.
        SkinControl::NewMenu::CNewMenuHook::Install();
        g_frame = new CMainFrame;
        ASSERT_TRUE(g_frame->Create(CRect(40, 40, 340, 600)));
        ASSERT_TRUE(PumpUntil([] { return g_frame->QuickLinkList().IsLoaded() != FALSE; }));
        PumpMessages(100);
    }
    static void TearDownTestSuite()
    {
        if (g_frame && g_frame->m_hWnd)
            g_frame->DestroyWindow();
        // Work items hold the list: the pool ends before the frame does.
        SkinControl::DestroyGlobalThreadPool();
        delete g_frame;
        g_frame = nullptr;
        SkinControl::NewMenu::CNewMenuHook::Uninstall();
        CloseAppDatabase();
        SkinControl::CSkinRes::Global().FreeAll();
        delete g_folder;
    }
    template <typename Condition> static bool PumpUntil(Condition done)
    {
        for (DWORD start = GetTickCount(); !done(); PumpMessages(10)) {
            if (GetTickCount() - start > 10000)
                return false;
        }
        return true;
    }
    static CRect ChildRect(HWND child)
    {
        CRect rect;
        ::GetWindowRect(child, &rect);
        ::MapWindowPoints(nullptr, g_frame->m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
};

TEST_F(MainWindow, IsTheNamedWindowOfTheProgram)
{
    EXPECT_EQ(g_frame->m_hWnd,
              FindWindowW(L"{08703010-8C30-4a34-80FC-BE0223759A7B}_Quorventile", L"Velmora"));
    EXPECT_EQ(0xFCF5F4u, ListBackColor);
    EXPECT_NE(nullptr, SkinControl::CSkinRes::GetFont(L"Font9"));
    EXPECT_NE(nullptr, SkinControl::CSkinRes::GetFont(L"Font11"));
}

TEST_F(MainWindow, LaysOutTheSearchBarTheTabAndTheTwoLinks)
{
    HWND searchBar = FindWindowExW(g_frame->m_hWnd, nullptr, SkinControl::CWndBase::kClassName, nullptr);
    ASSERT_NE(nullptr, searchBar);
    EXPECT_EQ(CRect(2, 65, 298, 89), ChildRect(searchBar));
    EXPECT_NE(nullptr,
              FindWindowExW(searchBar, nullptr, SkinControl::CWindowlessRichEdit::kClassName, nullptr));
    HWND tab = FindWindowExW(g_frame->m_hWnd, nullptr, SkinControl::CSkinTab::kClassName, nullptr);
    ASSERT_NE(nullptr, tab);
    EXPECT_EQ(CRect(2, 89, 298, 89 + 560 - 120), ChildRect(tab));
    HWND settings = GetDlgItem(g_frame->m_hWnd, SettingsButtonId);
    HWND help = GetDlgItem(g_frame->m_hWnd, HelpButtonId);
    ASSERT_TRUE(settings && help);
    CRect helpRect = ChildRect(help), settingsRect = ChildRect(settings);
    EXPECT_EQ(300 - 8, helpRect.right);
    EXPECT_EQ(28, helpRect.top);
    EXPECT_EQ(helpRect.left - 10, settingsRect.right);
    EXPECT_EQ(helpRect.Height(), settingsRect.Height());
    EXPECT_GT(helpRect.Width(), 10);
    // The page sits under the 26-pixel strip and fills the rest.
    HWND page = GetWindow(tab, GW_CHILD);
    ASSERT_NE(nullptr, page);
    CRect pageRect;
    GetWindowRect(page, &pageRect);
    MapWindowPoints(nullptr, tab, reinterpret_cast<POINT*>(&pageRect), 2);
    EXPECT_EQ(CRect(0, 26, 296, 440), pageRect);
}

TEST_F(MainWindow, PaintsHeaderSidesFooterAndTabFromTheSkin)
{
    Gdiplus::Bitmap* image = SkinControl::CSkinRes::GetImage(L"MainFrame.png");
    ASSERT_NE(nullptr, image);
    auto imagePixel = [&](int x, int y) {
        Gdiplus::Color c;
        image->GetPixel(x, y, &c);
        return RGB(c.GetR(), c.GetG(), c.GetB());
    };
    RedrawWindow(g_frame->m_hWnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SkinTest::Pixels shot = SkinTest::CaptureClient(g_frame->m_hWnd);
    const int h = static_cast<int>(image->GetHeight());
    EXPECT_TRUE(SkinTest::Near(imagePixel(241, 70), shot.Pixel(260, 70)));           // stretched header
    EXPECT_TRUE(SkinTest::Near(imagePixel(5, h - 10), shot.Pixel(150, 560 - 10)));   // footer
    EXPECT_TRUE(SkinTest::Near(imagePixel(0, 81), shot.Pixel(0, 300)));              // left side
    EXPECT_TRUE(SkinTest::Near(imagePixel(154, 89 + 13), shot.Pixel(150, 89 + 13))); // empty strip
    EXPECT_TRUE(SkinTest::Near(imagePixel(2, 89 + 3), shot.Pixel(2 + 2, 89 + 3)));   // selected tab
    EXPECT_EQ(ListBackColor, shot.Pixel(150, 300));                                  // the list below its rows
}

TEST_F(MainWindow, CannotBeMadeSmallerThan300By560)
{
    MINMAXINFO info = {};
    g_frame->SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(300, info.ptMinTrackSize.x);
    EXPECT_EQ(560, info.ptMinTrackSize.y);
}

// At log-off the program is ended without WM_DESTROY: the place the window
// was moved to is stored by the end of the session.
TEST_F(MainWindow, LoggingOffStoresWhereTheWindowWasMoved)
{
    CRect before;
    g_frame->GetWindowRect(&before);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    // Somewhere the settings don't hold yet.
    const int left = GetConfigInt(L"WindowLeft", 0) == work.left + 50 ? work.left + 60 : work.left + 50;
    const CRect moved(left, work.top + 20, left + 310, work.top + 600);
    g_frame->MoveWindow(moved.left, moved.top, moved.Width(), moved.Height());
    EXPECT_NE(0, g_frame->SendMessage(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    g_frame->SendMessage(WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    const CRect stored(GetConfigInt(L"WindowLeft", 0), GetConfigInt(L"WindowTop", 0),
                       GetConfigInt(L"WindowRight", 0), GetConfigInt(L"WindowBottom", 0));
    g_frame->MoveWindow(before.left, before.top, before.Width(), before.Height());
    EXPECT_EQ(moved, stored);
}

// The maximise button and a double click on the caption band make the frame
// cover the primary work area; the restore button and a second double click
// give the old rectangle back.
TEST_F(MainWindow, MaximisingCoversTheWorkAreaAndRestoringGivesTheRectangleBack)
{
    HWND frame = g_frame->m_hWnd;
    CRect before;
    GetWindowRect(frame, &before);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(CPoint(0, 0), MONITOR_DEFAULTTOPRIMARY), &monitor));
    const CRect work(monitor.rcWork);
    auto text = [](const CRect& r) {
        return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.Width()) + "x" +
               std::to_string(r.Height());
    };
    auto rect = [&] {
        CRect now;
        GetWindowRect(frame, &now);
        return now;
    };
    auto doubleClickCaption = [&] {
        const CRect now = rect();
        SendMessageW(frame, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(now.left + 100, now.top + 10));
    };
    const struct {
        const char* way;
        std::function<void()> maximise, restore;
    } ways[] = {
        {"buttons", [&] { SendMessageW(frame, WM_COMMAND, 258, 0); },
         [&] { SendMessageW(frame, WM_COMMAND, 259, 0); }},
        {"caption", doubleClickCaption, doubleClickCaption},
    };
    for (const auto& way : ways) {
        way.maximise();
        PumpMessages(50);
        EXPECT_TRUE(IsZoomed(frame)) << way.way;
        EXPECT_EQ(text(work), text(rect())) << way.way;
        way.restore();
        PumpMessages(50);
        EXPECT_FALSE(IsZoomed(frame)) << way.way;
        EXPECT_EQ(text(before), text(rect())) << way.way;
    }
}

TEST_F(MainWindow, HandsCommandUrlsToTheQuickLinkList)
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    CString name, path, url = L"app://add_links_to_catalog";
    HexCodeString(name, L"下载", 1);
    HexCodeString(path, exe, 1);
    SetUrlParam(url, L"catalog_name", name);
    SetUrlParam(url, L"links_count", L"1");
    SetUrlParam(url, L"link_0", path);
    COPYDATASTRUCT copy = {2025, static_cast<DWORD>((url.GetLength() + 1) * sizeof(wchar_t)),
                           const_cast<wchar_t*>(url.GetString())};
    // Gone to the tray first.
    g_frame->SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
    ASSERT_FALSE(g_frame->IsWindowVisible());
    EXPECT_EQ(TRUE, g_frame->SendMessage(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy)));
    EXPECT_TRUE(PumpUntil([] {
        return AppDatabase.db.ExecScalar("select count(*) from qv_link, qv_catalog where qv_link.cid = "
                                         "qv_catalog.cid and qv_catalog.name = '下载';") == 1;
    }));
    // The new row is selected and the window brought forward.
    CQuickLinkTreeList& list = g_frame->QuickLinkList();
    EXPECT_TRUE(PumpUntil([&] {
        SkinControl::CTreeListItem* row = list.GetFirstSelectedItem();
        return list.GetSelectedCount() == 1 && list.GetItemText(list.GetParentItem(row)) == L"下载";
    }));
    EXPECT_TRUE(PumpUntil([] { return g_frame->IsWindowVisible() && !g_frame->IsIconic(); }));
    copy.lpData = nullptr;
    EXPECT_EQ(FALSE, g_frame->SendMessage(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy)));
}

TEST_F(MainWindow, MinimisingGoesToTheTrayAndTheTrayClickBringsItBack)
{
    g_frame->SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
    PumpMessages(100);
    EXPECT_FALSE(g_frame->IsWindowVisible());
    g_frame->SendMessage(WM_TRAY_NOTIFY, TrayIconId, WM_LBUTTONUP);
    PumpMessages(100);
    EXPECT_TRUE(g_frame->IsWindowVisible());
    EXPECT_FALSE(g_frame->IsIconic());
    // Other mouse messages of the icon do nothing.
    EXPECT_EQ(0, g_frame->SendMessage(WM_TRAY_NOTIFY, TrayIconId, WM_MOUSEMOVE));
}

// What an open popup of the frame showed: its items and, from its first
// item, the pixels the menu library's own test of the look checks, with the
// colours that look has under the theme selected at the time.
struct OpenPopup {
    std::vector<UINT> ids;
    bool ownerDrawn = true;
    COLORREF columnEnd = 0, afterColumn = 0, background = 0;
};
OpenPopup g_popup;
const wchar_t* g_popupShot = nullptr;

void CALLBACK InspectOpenPopup(HWND owner, UINT, UINT_PTR id, DWORD)
{
    static int ticks = 0;
    HWND window = FindWindowW(L"#32768", nullptr);
    auto menu = reinterpret_cast<HMENU>(window ? SendMessageW(window, MN_GETHMENU, 0, 0) : 0);
    RECT item;
    if (menu && IsWindowVisible(window) && GetMenuItemRect(nullptr, menu, 0, &item)) {
        UpdateWindow(window);
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            MENUITEMINFOW info = {};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_FTYPE | MIIM_ID;
            GetMenuItemInfoW(menu, i, TRUE, &info);
            g_popup.ids.push_back(info.wID);
            g_popup.ownerDrawn = g_popup.ownerDrawn && (info.fType & MFT_OWNERDRAW);
        }
        RECT frame;
        GetWindowRect(window, &frame);
        OffsetRect(&item, -frame.left, -frame.top);
        const int middle = (item.top + item.bottom) / 2;
        HDC dc = GetWindowDC(window);
        g_popup.columnEnd = GetPixel(dc, item.left + 23, middle);
        g_popup.afterColumn = GetPixel(dc, item.left + 24, middle);
        g_popup.background = GetPixel(dc, item.right - 5, item.top + 2);
        ReleaseDC(window, dc);
        // For people to look at: the pixels read above do the checking.
        if (g_popupShot)
            SkinTest::SaveWindowShot(window, SkinTest::ArtefactPath(g_popupShot));
    }
    // Closed once seen, or after about three seconds whatever happened.
    if (!g_popup.ids.empty() || ++ticks > 150) {
        ticks = 0;
        KillTimer(owner, id);
        EndMenu();
    }
}

TEST_F(MainWindow, TrayAndHelpMenusAreOwnerDrawnInTheApplicationsMenuLook)
{
    using MenuTest::KnownMenuColors;
    using SkinControl::NewMenu::CNewMenuHook;
    const KnownMenuColors known;
    const struct {
        const char* name;
        std::function<void()> open;
        std::vector<UINT> ids;
        const wchar_t* shot;
    } menus[] = {
        {"tray",
         [] { g_frame->SendMessage(WM_TRAY_NOTIFY, TrayIconId, WM_RBUTTONUP); },
         {TrayShowCommand, TraySettingsCommand, 0, TrayExitCommand},
         L"tray_menu.png"},
        {"help",
         [] {
             g_frame->SendMessage(WM_COMMAND, MAKEWPARAM(HelpButtonId, BN_CLICKED),
                                  reinterpret_cast<LPARAM>(GetDlgItem(g_frame->m_hWnd, HelpButtonId)));
         },
         {HelpPageCommand, HomePageCommand, ForumCommand, 0, AboutCommand},
         nullptr},
    };
    for (const auto& m : menus) {
        const SkinControl::NewMenu::CMenuTheme* theme = CNewMenuHook::s_currentTheme;
        g_popup = OpenPopup();
        g_popupShot = m.shot;
        SetTimer(g_frame->m_hWnd, 0x7E57, 20, &InspectOpenPopup);
        m.open();
        EXPECT_EQ(m.ids, g_popup.ids) << m.name;
        EXPECT_TRUE(g_popup.ownerDrawn) << m.name;
        EXPECT_COLOR(KnownMenuColors::bar, g_popup.columnEnd) << m.name;
        EXPECT_COLOR(KnownMenuColors::background, g_popup.afterColumn) << m.name;
        EXPECT_COLOR(KnownMenuColors::background, g_popup.background) << m.name;
        EXPECT_EQ(theme, CNewMenuHook::s_currentTheme) << m.name << ": the theme is put back";
    }
}

TEST_F(MainWindow, AShellRestartGetsTheTrayIconAddedAgain)
{
    NOTIFYICONDATAW icon = {};
    icon.cbSize = sizeof(icon);
    icon.hWnd = g_frame->m_hWnd;
    icon.uID = TrayIconId;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &icon)) << "the frame added its icon";
    // A restarted shell has forgotten every icon, then asks for them.
    Shell_NotifyIconW(NIM_DELETE, &icon);
    ASSERT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &icon));
    g_frame->SendMessage(RegisterWindowMessageW(L"TaskbarCreated"));
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &icon));
}

// The texts of the message boxes shown while `show` runs, each answered with
// the button `answer`.
std::vector<CString> g_prompts;
int g_answer = 0;

BOOL CALLBACK TakeVisibleMessageBox(HWND hwnd, LPARAM found)
{
    if (!dynamic_cast<SkinControl::CSkinMessageBox*>(CWnd::FromHandlePermanent(hwnd)) || !IsWindowVisible(hwnd))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

void CALLBACK AnswerPrompt(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), TakeVisibleMessageBox, reinterpret_cast<LPARAM>(&box));
    if (!box)
        return;
    auto* message = static_cast<SkinControl::CSkinMessageBox*>(CWnd::FromHandlePermanent(box));
    g_prompts.push_back(message->GetText());
    HWND button = GetDlgItem(box, g_answer);
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

std::vector<CString> PromptsWhile(int answer, const std::function<void()>& show)
{
    g_prompts.clear();
    g_answer = answer;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, AnswerPrompt);
    show();
    KillTimer(nullptr, timer);
    return g_prompts;
}

TEST_F(MainWindow, TheUpgradePromptAsksWithBothVersionsAndNoChangesNothing)
{
    AppPaths.updateFolder = g_folder->Path().c_str();
    const std::wstring setup = g_folder->File(L"QuorventileSetup.exe");
    auto updateReady = [] { EXPECT_EQ(0, g_frame->SendMessage(WM_UPDATE_READY)); };

    // No setup file, no version, or a setup file with another digest:
    // nothing is asked.
    SetConfigString(L"UpdateNetVersion", L"2.0.0.1");
    SetConfigString(L"UpdateNetFileSha1", L"DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"); // of no bytes
    EXPECT_TRUE(PromptsWhile(SkinControl::CSkinMessageBox::IdSecondButton, updateReady).empty());
    HANDLE file = CreateFileW(setup.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    SetConfigString(L"UpdateNetVersion", L"");
    EXPECT_TRUE(PromptsWhile(SkinControl::CSkinMessageBox::IdSecondButton, updateReady).empty());
    SetConfigString(L"UpdateNetVersion", L"2.0.0.1");
    SetConfigString(L"UpdateNetFileSha1", L"0000000000000000000000000000000000000000");
    EXPECT_TRUE(PromptsWhile(SkinControl::CSkinMessageBox::IdSecondButton, updateReady).empty());
    SetConfigString(L"UpdateNetFileSha1", L"DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");

    // All three: the question names the running and the new version; "否" leaves
    // everything as it was, so the next message asks again.
    CString running;
    CModuleVersion().Format(running);
    CString expected;
    expected.Format(L"Velmora已准备好升级，当前版本%s，新版本2.0.0.1，现在升级？", running);
    for (int round = 0; round < 2; ++round) {
        std::vector<CString> prompts = PromptsWhile(SkinControl::CSkinMessageBox::IdSecondButton, updateReady);
        ASSERT_EQ(1u, prompts.size()) << round;
        EXPECT_EQ(expected, prompts[0]);
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(setup.c_str()));
        EXPECT_EQ(CString(L"2.0.0.1"), GetConfigString(L"UpdateNetVersion", L""));
    }
}

TEST_F(MainWindow, ASecondTabWouldFollowTheFirstWithoutTheIcon)
{
    CMainTab tab;
    ASSERT_TRUE(tab.Create(g_frame, CRect(0, 0, 200, 100)));
    CWnd first, second;
    ASSERT_TRUE(first.CreateEx(0, L"STATIC", L"", WS_CHILD, CRect(0, 0, 0, 0), &tab, 0));
    ASSERT_TRUE(second.CreateEx(0, L"STATIC", L"", WS_CHILD, CRect(0, 0, 0, 0), &tab, 0));
    tab.AddTab(&first);
    tab.AddTab(&second);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 26);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    CBorrowedDC dc(memory);
    SkinControl::SkinTabItem firstTab, secondTab;
    firstTab.rect = {0, 0, 64, 26};
    secondTab.rect = {64, 0, 128, 26};
    tab.DrawTab(&dc, 0, &firstTab);
    tab.DrawTab(&dc, 1, &secondTab);
    SkinTest::Pixels pixels(memory, 0, 0, 200, 26);
    // The first tab has the link icon in its middle, the second plain strip.
    EXPECT_NE(pixels.Pixel(5, 13), pixels.Pixel(32, 13));
    EXPECT_EQ(pixels.Pixel(64 + 5, 13), pixels.Pixel(64 + 32, 13));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    tab.DestroyWindow();
}

// The painter answers the scroll bar's custom draw from the skin images.
class ScrollbarPainter : public MainWindow
{
protected:
    NMCSBCUSTOMDRAW Draw(DWORD stage, UINT item, UINT state, HDC dc, RECT rect)
    {
        NMCSBCUSTOMDRAW draw = {};
        draw.dwDrawStage = stage;
        draw.uItem = item;
        draw.uState = state;
        draw.hdc = dc;
        draw.rect = rect;
        draw.nBar = SB_VERT;
        return draw;
    }
};

TEST_F(ScrollbarPainter, SkipsTheDefaultExceptAfterPainting)
{
    HDC screen = GetDC(nullptr);
    NMCSBCUSTOMDRAW draw = Draw(CDDS_POSTPAINT, 0, 0, screen, {0, 0, 16, 16});
    EXPECT_EQ(0, DrawCoolScrollbar(&draw));
    draw.dwDrawStage = CDDS_PREPAINT;
    EXPECT_EQ(CDRF_SKIPDEFAULT, DrawCoolScrollbar(&draw));
    draw = Draw(CDDS_ITEMPREPAINT, 4, 0, screen, {0, 0, 0, 0}); // no such part
    EXPECT_EQ(CDRF_SKIPDEFAULT, DrawCoolScrollbar(&draw));
    ReleaseDC(nullptr, screen);
}

TEST_F(ScrollbarPainter, DrawsTheArrowFrameOfTheState)
{
    HBITMAP buttons = SkinControl::CSkinRes::GetBitmap(L"scrollv\\buttons.png");
    ASSERT_NE(nullptr, buttons);
    BITMAP info;
    GetObjectW(buttons, sizeof(info), &info);
    const int frameHeight = info.bmHeight / 8;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, info.bmWidth, frameHeight);
    HGDIOBJ old = SelectObject(memory, target);
    ReleaseDC(nullptr, screen);
    CBorrowedDC memoryDc(memory);
    auto paint = [&](UINT item, UINT state) {
        RECT all = {0, 0, info.bmWidth, frameHeight};
        memoryDc.FillSolidRect(all, RGB(255, 255, 255));
        NMCSBCUSTOMDRAW draw = Draw(CDDS_ITEMPREPAINT, item, state, memory, all);
        EXPECT_EQ(CDRF_SKIPDEFAULT, DrawCoolScrollbar(&draw));
        return SkinTest::Pixels(memory, 0, 0, info.bmWidth, frameHeight);
    };
    SkinTest::Pixels upNormal = paint(SB_LINEUP, 0);
    SkinTest::Pixels downNormal = paint(SB_LINEDOWN, 0);
    SkinTest::Pixels upPressed = paint(SB_LINEUP, CDIS_SELECTED);
    int differences = 0, pressedDifferences = 0, drawn = 0;
    for (int y = 0; y < frameHeight; ++y)
        for (int x = 0; x < info.bmWidth; ++x) {
            differences += upNormal.Pixel(x, y) != downNormal.Pixel(x, y);
            pressedDifferences += upNormal.Pixel(x, y) != upPressed.Pixel(x, y);
            drawn += upNormal.Pixel(x, y) != RGB(255, 255, 255);
        }
    EXPECT_GT(drawn, 0);
    EXPECT_GT(differences, 0);        // the down arrow is another frame
    EXPECT_GT(pressedDifferences, 0); // and so is the pressed state
    SelectObject(memory, old);
    DeleteObject(target);
    DeleteDC(memory);
}
} // namespace
