// Building owner-drawn menus, their item records, text with accelerators,
// mnemonics and theme selection.
#include "framework/TextConvert.h"
#include "skin/menu/tests/MenuTestHelpers.h"

#include <typeinfo>

using namespace MenuTest;

namespace
{

// A popup made with plain Win32 calls, as a resource would load it.
HMENU PlainPopup()
{
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 101, L"打开(&O)");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | MF_GRAYED, 102, L"删除\tDel");
    return menu;
}

} // namespace

TEST(MenuStartUp, InstallsHookAndSelectsThemeTwoOfTwelveInCreationOrder)
{
    EXPECT_TRUE(CNewMenuHook::IsInstalled());
    EXPECT_EQ(2, CurrentThemeId());
    const int order[] = {6, 7, 0, 1, 2, 3, 8, 9, 10, 11, 4, 5};
    ASSERT_EQ(12u, CNewMenuHook::Themes().size());
    for (size_t i = 0; i < 12; ++i) {
        CMenuTheme* theme = CNewMenuHook::Themes()[i];
        EXPECT_EQ(order[i], theme->m_id);
        EXPECT_EQ(theme->m_id % 2 == 0, theme->DoDrawBorder() != FALSE) << theme->m_id;
        const std::type_info& type = typeid(*theme);
        if (theme->m_id == 8 || theme->m_id == 9)
            EXPECT_EQ(typeid(CMenuTheme2003), type);
        else if (theme->m_id == 2 || theme->m_id == 3 || theme->m_id == 10 || theme->m_id == 11)
            EXPECT_EQ(typeid(CMenuThemeXP), type);
        else
            EXPECT_EQ(typeid(CMenuTheme), type);
    }
    // Wine is told by kernel32's Unix path function, on Windows absent.
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    EXPECT_EQ(GetProcAddress(kernel, "wine_get_unix_file_name") != nullptr, CNewMenuHook::s_isWine != FALSE);
}

TEST(MenuStartUp, ShutDownRemovesHookAndThemesAndStartsAgain)
{
    // No GlobalsGuard: the themes it would put back are deleted here; the
    // new start leaves the same choices as the first.
    CNewMenuHook::Uninstall();
    EXPECT_FALSE(CNewMenuHook::IsInstalled());
    EXPECT_TRUE(CNewMenuHook::Themes().empty());
    EXPECT_EQ(nullptr, CNewMenuHook::s_currentTheme);
    EXPECT_EQ(nullptr, CNewMenuHook::s_GradientFill);
    ASSERT_TRUE(CNewMenuHook::Install());
    EXPECT_EQ(2, CurrentThemeId());
    EXPECT_EQ(12u, CNewMenuHook::Themes().size());
}

TEST(MenuBuilding, AppendedItemsAreOwnerDrawnWithOneRecordEach)
{
    CNewMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    EXPECT_TRUE(menu.AppendOwnerDrawItem(0, L"同步桌面数据(&S)", 1001));
    EXPECT_TRUE(menu.AppendOwnerDrawItem(MF_SEPARATOR, nullptr, 0));
    EXPECT_TRUE(menu.AppendOwnerDrawItem(MF_GRAYED, L"清理", 1002));

    ASSERT_EQ(3, GetMenuItemCount(menu));
    ASSERT_EQ(3u, menu.Items().size());
    for (int i = 0; i < 3; ++i) {
        MENUITEMINFOW info = ItemInfo(menu, i);
        EXPECT_TRUE(info.fType & MFT_OWNERDRAW) << i;
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(menu.Items()[i]), info.dwItemData) << i;
    }
    EXPECT_TRUE(ItemInfo(menu, 1).fType & MFT_SEPARATOR);
    EXPECT_TRUE(ItemInfo(menu, 2).fState & MFS_GRAYED);
    EXPECT_EQ(CString(L"同步桌面数据(&S)"), menu.Items()[0]->m_text);
    EXPECT_EQ(1001u, menu.Items()[0]->m_commandId);
    EXPECT_EQ(static_cast<UINT>(MF_SEPARATOR | MF_OWNERDRAW), menu.Items()[1]->m_menuFlags);
    EXPECT_EQ(-1, menu.Items()[0]->m_imageIndex);
}

TEST(MenuBuilding, SeparatorWithIdZeroDropsOtherFlagsButKeepsByPosition)
{
    CNewMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    EXPECT_TRUE(menu.AppendOwnerDrawItem(MF_GRAYED | MF_CHECKED | MF_BYPOSITION, L"x", 0));
    ASSERT_EQ(1u, menu.Items().size());
    EXPECT_EQ(static_cast<UINT>(MF_SEPARATOR | MF_OWNERDRAW | MF_BYPOSITION), menu.Items()[0]->m_menuFlags);
    EXPECT_TRUE(ItemInfo(menu, 0).fType & MFT_SEPARATOR);
}

TEST(MenuBuilding, FailedAppendKeepsNoRecord)
{
    CNewMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    EXPECT_TRUE(menu.AppendOwnerDrawItem(0, L"one", 1));
    // The handle goes away under the object: appending fails from now on.
    HMENU handle = menu.m_hMenu;
    DestroyMenu(handle);
    EXPECT_FALSE(menu.AppendOwnerDrawItem(0, L"two", 2));
    EXPECT_EQ(1u, menu.Items().size());
}

TEST(MenuBuilding, AppendWithoutMenuFails)
{
    CNewMenu menu;
    EXPECT_FALSE(menu.AppendOwnerDrawItem(0, L"one", 1));
    EXPECT_TRUE(menu.Items().empty());
}

TEST(MenuSync, ConvertsPlainItemsAndKeepsRecordsOnSecondSync)
{
    CNewMenu menu;
    ASSERT_TRUE(menu.Attach(PlainPopup()));
    menu.SyncItemData();
    ASSERT_EQ(3u, menu.Items().size());
    EXPECT_EQ(CString(L"打开(&O)"), menu.Items()[0]->m_text);
    EXPECT_EQ(0u, menu.Items()[1]->m_commandId);
    EXPECT_EQ(CString(L"删除\tDel"), menu.Items()[2]->m_text);
    EXPECT_TRUE(menu.Items()[2]->m_menuFlags & MF_GRAYED);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(ItemInfo(menu, i).fType & MFT_OWNERDRAW) << i;
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(menu.Items()[i]), ItemInfo(menu, i).dwItemData) << i;
    }
    const std::vector<CNewMenuItemData*> first = menu.Items();
    menu.SyncItemData();
    EXPECT_EQ(first, menu.Items());
    EXPECT_EQ(CString(L"打开(&O)"), menu.Items()[0]->m_text);
}

TEST(MenuSync, DropsRecordsOfRemovedItems)
{
    CNewMenu menu;
    ASSERT_TRUE(menu.Attach(PlainPopup()));
    menu.SyncItemData();
    CNewMenuItemData* kept = menu.Items()[2];
    DeleteMenu(menu, 0, MF_BYPOSITION);
    menu.SyncItemData();
    ASSERT_EQ(2u, menu.Items().size());
    EXPECT_EQ(kept, menu.Items()[1]);
}

TEST(MenuLoad, WrapsSubMenusAndFreesEveryHandleOnce)
{
    HMENU bar = CreateMenu();
    HMENU file = PlainPopup();
    HMENU recent = CreatePopupMenu();
    AppendMenuW(recent, MF_STRING, 201, L"a.txt");
    AppendMenuW(file, MF_POPUP, reinterpret_cast<UINT_PTR>(recent), L"最近");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"文件(&F)");
    {
        CNewMenu menu;
        ASSERT_TRUE(menu.LoadMenu(bar));
        EXPECT_FALSE(menu.IsPopup());
        CNewMenu* fileMenu = CNewMenu::FromHandle(file);
        CNewMenu* recentMenu = CNewMenu::FromHandle(recent);
        ASSERT_NE(nullptr, fileMenu);
        ASSERT_NE(nullptr, recentMenu);
        EXPECT_TRUE(fileMenu->IsPopup());
        EXPECT_EQ(bar, fileMenu->ParentMenu());
        EXPECT_EQ(file, recentMenu->ParentMenu());
        ASSERT_EQ(1u, menu.Items().size());
        EXPECT_EQ(reinterpret_cast<UINT_PTR>(file), menu.Items()[0]->m_commandId);
        EXPECT_TRUE(menu.Items()[0]->m_menuFlags & MF_POPUP);
        EXPECT_EQ(CString(L"文件(&F)"), menu.Items()[0]->m_text);
        EXPECT_EQ(4u, fileMenu->Items().size());
        // A bar item: the root without parent and not a popup.
        EXPECT_TRUE(menu.IsMenuBarItem(reinterpret_cast<UINT_PTR>(file)));
        EXPECT_FALSE(fileMenu->IsMenuBarItem(101));
        EXPECT_EQ(fileMenu->Items()[0], menu.FindItemData(101));
        EXPECT_EQ(recentMenu->Items()[0], menu.FindItemData(201));
        EXPECT_EQ(nullptr, menu.FindItemData(999));
    }
    EXPECT_FALSE(IsMenu(bar));
    EXPECT_FALSE(IsMenu(file));
    EXPECT_FALSE(IsMenu(recent));
    EXPECT_EQ(nullptr, CMenu::FromHandlePermanent(file));
}

TEST(MenuLoad, RefusesAHandleThatIsNoMenu)
{
    CNewMenu menu;
    EXPECT_FALSE(menu.LoadMenu(reinterpret_cast<HMENU>(0x1234)));
    EXPECT_EQ(nullptr, menu.m_hMenu);
}

TEST(MenuText, TabTextWithoutTableIsTheWordAlone)
{
    CNewMenuItemData data;
    data.SetString(L"复制\tCtrl+C");
    data.m_commandId = 5;
    EXPECT_EQ(CString(L"复制"), data.GetString(nullptr));
    EXPECT_EQ(CString(L"复制\tCtrl+C"), data.GetString(reinterpret_cast<HACCEL>(-1)));
    data.SetString(nullptr);
    EXPECT_EQ(CString(), data.GetString(nullptr));
}

TEST(MenuText, AcceleratorTableEntriesAreJoined)
{
    ACCEL entries[] = {
        {FVIRTKEY | FCONTROL, 'C', 5}, {FVIRTKEY | FALT | FSHIFT, VK_F2, 5}, {FVIRTKEY, 'X', 6}};
    HACCEL table = CreateAcceleratorTableW(entries, 3);
    ASSERT_NE(nullptr, table);
    CNewMenuItemData data;
    data.SetString(L"复制");
    data.m_commandId = 5;
    const CString text = data.GetString(table);
    EXPECT_EQ(0, text.Find(L"复制\tCtrl+C, Alt+Shift+F")) << ToUtf8(text).GetString();
    // A popup item never shows accelerators.
    data.m_menuFlags = MF_POPUP;
    EXPECT_EQ(CString(L"复制"), data.GetString(table));
    DestroyAcceleratorTable(table);
}

TEST(MenuMnemonic, FindsTheItemOfTheTypedCharacterInEitherCase)
{
    CNewMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    menu.AppendOwnerDrawItem(0, L"打开(&O)", 1);
    menu.AppendOwnerDrawItem(MF_SEPARATOR, nullptr, 0);
    menu.AppendOwnerDrawItem(0, L"同步桌面数据(&S)", 2);
    EXPECT_EQ(MAKELRESULT(2, MNC_EXECUTE), CNewMenu::FindMnemonic(L's', &menu));
    EXPECT_EQ(0x20002, CNewMenu::FindMnemonic(L'S', &menu));
    EXPECT_EQ(0, CNewMenu::FindMnemonic(L'x', &menu));
}

TEST(MenuMnemonic, DoubledAmpersandIsNoMnemonic)
{
    CNewMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    menu.AppendOwnerDrawItem(0, L"A&&S", 1);
    menu.AppendOwnerDrawItem(0, L"&&&Save", 2);
    EXPECT_EQ(MAKELRESULT(1, MNC_EXECUTE), CNewMenu::FindMnemonic(L's', &menu));
    EXPECT_EQ(0, CNewMenu::FindMnemonic(L'&', &menu));
}

TEST(MenuMnemonic, SyncsFirstWhenItemsWereAddedBehindItsBack)
{
    CNewMenu menu;
    ASSERT_TRUE(menu.Attach(PlainPopup()));
    EXPECT_EQ(MAKELRESULT(0, MNC_EXECUTE), CNewMenu::FindMnemonic(L'o', &menu));
    EXPECT_EQ(3u, menu.Items().size());
}

TEST(MenuThemes, SelectThemeReturnsPreviousAndMapsEvenIdsUnderWine)
{
    GlobalsGuard guard;
    CNewMenuHook::s_isWine = TRUE;
    CNewMenu::SelectTheme(2, false);
    EXPECT_EQ(2, CNewMenu::SelectTheme(10));
    EXPECT_EQ(11, CurrentThemeId());
    CNewMenuHook::s_isWine = FALSE;
    EXPECT_EQ(11, CNewMenu::SelectTheme(10));
    EXPECT_EQ(10, CurrentThemeId());
    EXPECT_EQ(-1, CNewMenu::SelectTheme(12));
    EXPECT_EQ(10, CurrentThemeId());
    EXPECT_EQ(10, CNewMenu::SelectThemeAndOptions(3, 4));
    EXPECT_EQ(4, CurrentThemeId());
    EXPECT_EQ(3u, CNewMenuHook::MenuHookOptions);
}

TEST(MenuThemes, PopupScopeRestoresThemeAndOptionsExactlyUnderWine)
{
    GlobalsGuard guard;
    CNewMenuHook::s_isWine = TRUE;
    CNewMenu::SelectTheme(2, false);
    CNewMenuHook::MenuHookOptions = 0;
    try {
        CMenuThemeScope scope;
        EXPECT_EQ(11, CurrentThemeId());
        CNewMenuHook::MenuHookOptions = 1;
        throw 1;
    } catch (int) {
    }
    EXPECT_EQ(2, CurrentThemeId());
    EXPECT_EQ(0u, CNewMenuHook::MenuHookOptions);
}

TEST(MenuPopupState, SystemCommandIdsAreSwappedWhileOpen)
{
    CNewMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    menu.AppendOwnerDrawItem(0, L"还原", SC_RESTORE);
    menu.AppendOwnerDrawItem(0, L"关闭", SC_CLOSE);
    CNewMenu::OnPopupOpening(menu, nullptr);
    EXPECT_EQ(static_cast<UINT>(SC_RESTORE + 1), GetMenuItemID(menu, 0));
    EXPECT_EQ(static_cast<UINT>(SC_CLOSE + 1), GetMenuItemID(menu, 1));
    EXPECT_EQ(static_cast<HMENU>(menu), CNewMenuHook::s_lastPopupMenu);
    EXPECT_FALSE(menu.OnUnInitPopupMenu());
    EXPECT_EQ(static_cast<UINT>(SC_RESTORE), GetMenuItemID(menu, 0));
    EXPECT_EQ(static_cast<UINT>(SC_CLOSE), GetMenuItemID(menu, 1));
    EXPECT_EQ(static_cast<UINT_PTR>(SC_CLOSE), menu.Items()[1]->m_commandId);
    CNewMenuHook::s_lastPopupMenu = nullptr;
}
