// The WH_CALLWNDPROC hook on menu windows: "#32768" windows made by the test
// and a real popup tracked on the X display and closed by a posted key.
#include "skin/menu/tests/AppLookColors.h"
#include "skin/menu/tests/MenuTestHelpers.h"

using namespace MenuTest;

namespace
{

const UINT kMenuSizeMessage = 0x1E2;

bool IsSubclassed(HWND hwnd)
{
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) ==
               &CNewMenuHook::MenuWindowProc &&
           CNewMenuHook::FindHookData(hwnd) != nullptr;
}

// A menu window as the system makes one; `menu` is what MN_GETHMENU answers
// once the window exists.
HWND CreateMenuWindow(HMENU menu, DWORD style = WS_POPUP | WS_BORDER,
                      DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE)
{
    return CreateWindowExW(exStyle, L"#32768", L"", style, 50, 50, 120, 90, nullptr, nullptr, nullptr, menu);
}

class MenuWindows : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The theme with its own border, as on Windows.
        CNewMenu::SelectTheme(10, false);
        ASSERT_TRUE(menu.CreatePopupMenu());
        menu.AppendOwnerDrawItem(0, L"打开(&O)", 1);
        ASSERT_TRUE(owner.Create());
    }
    void TearDown() override { owner.DestroyWindow(); }

    GlobalsGuard guard;
    CNewMenu menu;
    OwnerWindow owner;
};

} // namespace

TEST_F(MenuWindows, OpenedPopupIsSubclassedAtCreateAndLosesItsBorderStyles)
{
    CNewMenu::OnPopupOpening(menu, owner);
    HWND hwnd = CreateMenuWindow(nullptr);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_TRUE(IsSubclassed(hwnd));
    EXPECT_EQ(nullptr, CNewMenuHook::s_lastPopupMenu);
    EXPECT_EQ(static_cast<HMENU>(menu), CNewMenuHook::FindHookData(hwnd)->menu);
    EXPECT_NE(nullptr, GetPropW(hwnd, L"OldMenuProc"));
    EXPECT_FALSE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_BORDER);
    EXPECT_FALSE(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & (WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE));
    EXPECT_EQ(owner.m_hWnd, menu.OwnerWindow());

    // Hiding releases the window before the system sees it, styles restored.
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    ShowWindow(hwnd, SW_HIDE);
    EXPECT_FALSE(IsSubclassed(hwnd));
    EXPECT_EQ(nullptr, GetPropW(hwnd, L"OldMenuProc"));
    EXPECT_TRUE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_BORDER);
    EXPECT_TRUE(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    DestroyWindow(hwnd);
}

TEST_F(MenuWindows, PlainMenuIsNeverSubclassedAndIsNotRememberedForTheNextWindow)
{
    CMenu plain;
    ASSERT_TRUE(plain.CreatePopupMenu());
    plain.AppendMenu(MF_STRING, 1, L"plain");
    CNewMenu::OnPopupOpening(plain, owner);
    HWND first = CreateMenuWindow(plain);
    ASSERT_NE(nullptr, first);
    EXPECT_FALSE(IsSubclassed(first));
    EXPECT_TRUE(GetWindowLongPtrW(first, GWL_STYLE) & WS_BORDER);
    EXPECT_EQ(nullptr, CNewMenuHook::s_lastPopupMenu);
    // The next menu window, of a CNewMenu, finds its own menu.
    HWND second = CreateMenuWindow(menu);
    SendMessageW(second, kMenuSizeMessage, 0, 0);
    EXPECT_TRUE(IsSubclassed(second));
    EXPECT_EQ(static_cast<HMENU>(menu), CNewMenuHook::FindHookData(second)->menu);
    DestroyWindow(first);
    DestroyWindow(second);
}

TEST_F(MenuWindows, WindowWhoseMenuIsKnownOnlyLaterIsSubclassedOnTheSizeMessage)
{
    // MN_GETHMENU answers 0 during WM_CREATE: nothing to subclass yet.
    HWND hwnd = CreateMenuWindow(menu, WS_POPUP | WS_BORDER);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_FALSE(IsSubclassed(hwnd));
    SendMessageW(hwnd, kMenuSizeMessage, 0, 0);
    ASSERT_TRUE(IsSubclassed(hwnd));
    EXPECT_TRUE(CNewMenuHook::FindHookData(hwnd)->flags & CNewMenuHook::CMenuHookData::CreatedOnSize);
    // Released on destruction, with the visible bit given back.
    DestroyWindow(hwnd);
    EXPECT_EQ(nullptr, CNewMenuHook::FindHookData(hwnd));
}

TEST_F(MenuWindows, OtherWindowClassesAndDialogsAreLeftAlone)
{
    CNewMenu::OnPopupOpening(menu, owner);
    HWND dialog =
        CreateWindowExW(0, L"#32770", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(nullptr, CNewMenuHook::FindHookData(dialog));
    EXPECT_EQ(nullptr, GetPropW(dialog, L"CNewMenuTempHandler"));
    DestroyWindow(dialog);
}

TEST_F(MenuWindows, MissingOldProcedureFallsBackToDefaultHandling)
{
    CNewMenu::OnPopupOpening(menu, owner);
    HWND hwnd = CreateMenuWindow(nullptr);
    ASSERT_TRUE(IsSubclassed(hwnd));
    RemovePropW(hwnd, L"OldMenuProc");
    SetWindowTextW(hwnd, L"abc");
    EXPECT_EQ(3, SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
    DestroyWindow(hwnd);
    EXPECT_EQ(nullptr, CNewMenuHook::FindHookData(hwnd));
}

TEST_F(MenuWindows, EraseAndPrintPaintTheThemesBackgroundAndFrame)
{
    KnownMenuColors known;
    CNewMenu::OnPopupOpening(menu, owner);
    HWND hwnd = CreateMenuWindow(nullptr);
    ASSERT_TRUE(IsSubclassed(hwnd));

    SkinTest::MemoryCanvas erase(120, 90, RGB(1, 2, 3));
    EXPECT_EQ(1, SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(erase.dc.m_hDC), 0));
    EXPECT_COLOR(KnownMenuColors::menu, erase.Pixel(5, 5));
    EXPECT_TRUE(CNewMenuHook::FindHookData(hwnd)->borderPainted);

    RECT window;
    GetWindowRect(hwnd, &window);
    SkinTest::MemoryCanvas print(window.right - window.left, window.bottom - window.top, RGB(1, 2, 3));
    SendMessageW(hwnd, WM_PRINT, reinterpret_cast<WPARAM>(print.dc.m_hDC),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    EXPECT_COLOR(KnownMenuColors::menuFrame, print.Pixel(0, 0));
    EXPECT_FALSE(CNewMenuHook::FindHookData(hwnd)->flags & CNewMenuHook::CMenuHookData::Printing);
    DestroyWindow(hwnd);
}

TEST_F(MenuWindows, NonClientPaintKeepsItsOwnCopyOfTheRegion)
{
    CNewMenu::OnPopupOpening(menu, owner);
    HWND hwnd = CreateMenuWindow(nullptr);
    ASSERT_TRUE(IsSubclassed(hwnd));
    HRGN first = CreateRectRgn(0, 0, 30, 30);
    HRGN second = CreateRectRgn(0, 0, 40, 40);
    SendMessageW(hwnd, WM_NCPAINT, reinterpret_cast<WPARAM>(first), 0);
    HRGN kept = CNewMenuHook::FindHookData(hwnd)->updateRegion;
    ASSERT_NE(nullptr, kept);
    EXPECT_NE(first, kept);
    SendMessageW(hwnd, WM_NCPAINT, reinterpret_cast<WPARAM>(second), 0);
    SendMessageW(hwnd, WM_NCPAINT, 1, 0);
    EXPECT_EQ(nullptr, CNewMenuHook::FindHookData(hwnd)->updateRegion);
    DestroyWindow(hwnd);
    // The caller's regions are still theirs.
    RECT box;
    EXPECT_EQ(SIMPLEREGION, GetRgnBox(first, &box));
    EXPECT_EQ(SIMPLEREGION, GetRgnBox(second, &box));
    EXPECT_EQ(40, box.right);
    DeleteObject(first);
    DeleteObject(second);
}

TEST_F(MenuWindows, MovingWithoutResizingKeepsTheSubclassAndDropsTheScreenCopy)
{
    CNewMenu::OnPopupOpening(menu, owner);
    HWND hwnd = CreateMenuWindow(nullptr);
    ASSERT_TRUE(IsSubclassed(hwnd));
    SetWindowPos(hwnd, nullptr, 60, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    CNewMenuHook::CMenuHookData* data = CNewMenuHook::FindHookData(hwnd);
    ASSERT_NE(nullptr, data);
    CNewMenuHook::SaveScreenUnderMenu(hwnd, data);
    EXPECT_NE(nullptr, data->savedScreen);
    SetWindowPos(hwnd, nullptr, 70, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(IsSubclassed(hwnd));
    EXPECT_EQ(nullptr, data->savedScreen);
    EXPECT_EQ(70, data->position.x);
    // Moved and resized at once: released.
    SetWindowPos(hwnd, nullptr, 90, 90, 50, 50, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_FALSE(IsSubclassed(hwnd));
    DestroyWindow(hwnd);
}

namespace
{

// What the owner saw while its popup was open.
struct TrackState {
    HWND menuWindow = nullptr;
    bool subclassed = false;
    int drawn = 0;
    bool saved = false;
    COLORREF corner = 0;
    const wchar_t* shotName = L"";
};
TrackState g_track;
OwnerWindow* g_owner = nullptr;

void CALLBACK WhileTracking(HWND hwnd, UINT, UINT_PTR id, DWORD)
{
    static int ticks = 0;
    HWND menuWindow = FindWindowW(L"#32768", nullptr);
    if (menuWindow && IsWindowVisible(menuWindow) && g_owner->drawn > 0 && !g_track.menuWindow) {
        g_track.menuWindow = menuWindow;
        g_track.subclassed = CNewMenuHook::FindHookData(menuWindow) != nullptr;
        g_track.drawn = g_owner->drawn;
        // The picture is for people to look at; the corner pixel below is what the test checks.
        g_track.saved = SkinTest::SaveWindowShot(menuWindow, SkinTest::ArtefactPath(g_track.shotName));
        HDC dc = GetWindowDC(menuWindow);
        g_track.corner = GetPixel(dc, 0, 0);
        ReleaseDC(menuWindow, dc);
        // The mnemonic of the second item picks it.
        PostMessageW(menuWindow, WM_CHAR, L's', 0);
        ticks = 0;
    }
    // Never hang: give up after about three seconds.
    if (++ticks > 30) {
        EndMenu();
        KillTimer(hwnd, id);
    }
}

// Shows the application's kind of popup; `ownBorder` selects theme 10 as
// Windows gets it, else the theme is what the Wine mapping gives.
UINT_PTR TrackAppPopup(OwnerWindow& owner, bool ownBorder, const wchar_t* shotName)
{
    g_owner = &owner;
    g_track = TrackState();
    g_track.shotName = shotName;
    CMenuThemeScope scope;
    if (ownBorder)
        CNewMenu::SelectTheme(10, false);
    CNewMenu menu;
    if (!menu.CreatePopupMenu())
        return 0;
    menu.AppendOwnerDrawItem(0, L"打开(&O)", 301);
    menu.AppendOwnerDrawItem(MF_SEPARATOR, nullptr, 0);
    menu.AppendOwnerDrawItem(0, L"同步桌面数据(&S)", 302);
    menu.AppendOwnerDrawItem(MF_GRAYED, L"删除", 303);
    SetTimer(owner, 77, 100, &WhileTracking);
    UINT_PTR picked = menu.TrackPopupMenu(TPM_RETURNCMD | TPM_RIGHTBUTTON, 40, 40, owner);
    KillTimer(owner, 77);
    g_owner = nullptr;
    return picked;
}

} // namespace

TEST(RealPopup, TrackedOnScreenDrawnThroughTheOwnerAndPickedByMnemonic)
{
    GlobalsGuard guard;
    OwnerWindow owner;
    ASSERT_TRUE(owner.Create());
    EXPECT_EQ(302u, TrackAppPopup(owner, false, L"menu_popup.png"));
    EXPECT_NE(nullptr, g_track.menuWindow);
    EXPECT_TRUE(g_track.subclassed);
    EXPECT_GT(g_track.drawn, 0);
    EXPECT_GT(owner.measured, 0);
    EXPECT_TRUE(g_track.saved);
    EXPECT_EQ(nullptr, CNewMenuHook::FindHookData(g_track.menuWindow));
    EXPECT_EQ(2, CurrentThemeId());
    owner.DestroyWindow();
}

TEST(RealPopup, ThemeWithItsOwnBorderFramesTheMenuWindow)
{
    GlobalsGuard guard;
    KnownMenuColors known;
    OwnerWindow owner;
    ASSERT_TRUE(owner.Create());
    EXPECT_EQ(302u, TrackAppPopup(owner, true, L"menu_popup_own_border.png"));
    EXPECT_TRUE(g_track.subclassed);
    EXPECT_COLOR(KnownMenuColors::menuFrame, g_track.corner);
    owner.DestroyWindow();
}

namespace
{

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

HWND CreatePlainDialog()
{
    struct {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } dialog = {};
    dialog.header.style = WS_POPUP | WS_SYSMENU;
    dialog.header.cx = 50;
    dialog.header.cy = 30;
    return CreateDialogIndirectParamW(nullptr, &dialog.header, nullptr, &PlainDialogProc, 0);
}

HMENU g_dialogSystemMenu = nullptr;
bool g_systemMenuAliveAtNcDestroy = false;

LRESULT CALLBACK WatchNcDestroy(int code, WPARAM wParam, LPARAM lParam)
{
    auto* msg = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && msg->message == WM_NCDESTROY && g_dialogSystemMenu)
        g_systemMenuAliveAtNcDestroy = IsMenu(g_dialogSystemMenu) != FALSE;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST(DialogMenus, NoDialogIsTouchedWithTheOptionsOff)
{
    GlobalsGuard guard;
    CNewMenuHook::MenuHookOptions = 0;
    HWND dialog = CreatePlainDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(nullptr, GetPropW(dialog, L"CNewMenuTempHandler"));
    EXPECT_EQ(nullptr, CNewMenu::FromHandle(GetSystemMenu(dialog, FALSE)));
    DestroyWindow(dialog);
}

TEST(DialogMenus, OptionBitsGiveTheSystemMenuToACNewMenuWithoutDestroyingIt)
{
    GlobalsGuard guard;
    CNewMenuHook::MenuHookOptions = 3;
    HWND dialog = CreatePlainDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_NE(nullptr, GetPropW(dialog, L"CNewMenuTempHandler"));
    g_dialogSystemMenu = GetSystemMenu(dialog, FALSE);
    CNewMenu* menu = CNewMenu::FromHandle(g_dialogSystemMenu);
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(static_cast<size_t>(GetMenuItemCount(g_dialogSystemMenu)), menu->Items().size());
    EXPECT_TRUE(ItemInfo(g_dialogSystemMenu, 0).fType & MFT_OWNERDRAW);

    HHOOK watch = SetWindowsHookExW(WH_CALLWNDPROC, &WatchNcDestroy, nullptr, GetCurrentThreadId());
    DestroyWindow(dialog);
    UnhookWindowsHookEx(watch);
    // The handler went with WM_DESTROY; the dialog still had its menu after.
    EXPECT_TRUE(g_systemMenuAliveAtNcDestroy);
    EXPECT_EQ(nullptr, CMenu::FromHandlePermanent(g_dialogSystemMenu));
    g_dialogSystemMenu = nullptr;
}
