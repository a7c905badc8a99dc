// Measuring and drawing items: sizes, pixels of the application's look
// (theme 10) with known system colours, the colour
// arithmetic, the banded gradient, mnemonic text and the off-screen DC.
#include "skin/menu/CNewMemDC.h"
#include "skin/menu/tests/AppLookColors.h"
#include "skin/menu/MenuColors.h"
#include "skin/menu/MenuDrawing.h"
#include "skin/menu/tests/MenuTestHelpers.h"

#include <algorithm>

using namespace MenuTest;
using SkinTest::MemoryCanvas;

namespace
{

SIZE MenuTextExtent(const wchar_t* text)
{
    LOGFONTW font = GetMenuFont();
    HFONT handle = CreateFontIndirectW(&font);
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, handle);
    SIZE size = {};
    GetTextExtentPoint32W(screen, text, static_cast<int>(wcslen(text)), &size);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    DeleteObject(handle);
    return size;
}

MEASUREITEMSTRUCT Measure(CNewMenu& menu, int position)
{
    MEASUREITEMSTRUCT item = {};
    item.CtlType = ODT_MENU;
    item.itemID = static_cast<UINT>(menu.Items()[position]->m_commandId);
    item.itemData = reinterpret_cast<ULONG_PTR>(menu.Items()[position]);
    menu.MeasureItem(&item);
    return item;
}

void Draw(CNewMenu& menu, int position, HDC dc, const RECT& rect, UINT state)
{
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_MENU;
    item.itemID = static_cast<UINT>(menu.Items()[position]->m_commandId);
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hwndItem = reinterpret_cast<HWND>(menu.m_hMenu);
    item.hDC = dc;
    item.rcItem = rect;
    item.itemData = reinterpret_cast<ULONG_PTR>(menu.Items()[position]);
    menu.DrawItem(&item);
}

bool HasColor(MemoryCanvas& canvas, const RECT& area, COLORREF color)
{
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (canvas.Pixel(x, y) == color)
                return true;
    return false;
}

// Theme 10 as the application selects it, whatever the platform.
class AppLook : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CNewMenu::SelectTheme(10, false);
        ASSERT_TRUE(menu.CreatePopupMenu());
        menu.AppendOwnerDrawItem(0, L"HHHH", 1);
        menu.AppendOwnerDrawItem(MF_SEPARATOR, nullptr, 0);
        menu.AppendOwnerDrawItem(0, L"Open\tCtrl+O", 2);
        menu.AppendOwnerDrawItem(MF_POPUP, L"Sub", reinterpret_cast<UINT_PTR>(CreatePopupMenu()));
    }

    GlobalsGuard guard;
    KnownMenuColors known;
    CNewMenu menu;
    const COLORREF background = KnownMenuColors::background, column = KnownMenuColors::bar;
    const RECT rect = {0, 0, 200, 22};
};

} // namespace

TEST_F(AppLook, TextItemHeightIs22AndTabIsMeasuredAsNnn)
{
    const int cyMenu = GetSystemMetrics(SM_CYMENU);
    MEASUREITEMSTRUCT item = Measure(menu, 0);
    const int textHeight = MenuTextExtent(L"HHHH").cy;
    EXPECT_EQ(std::max(cyMenu > 23 ? cyMenu : 22, textHeight), static_cast<int>(item.itemHeight));
    EXPECT_EQ(MenuTextExtent(L"HHHH").cx + 16 + 6 + cyMenu / 2, static_cast<int>(item.itemWidth));

    item = Measure(menu, 2);
    EXPECT_EQ(MenuTextExtent(L"OpennnnCtrl+O").cx + 16 + 6 + cyMenu / 2, static_cast<int>(item.itemWidth));
    // An item that opens a sub-menu leaves room for the arrow.
    item = Measure(menu, 3);
    EXPECT_EQ(MenuTextExtent(L"Sub").cx + 16 + 6 + cyMenu, static_cast<int>(item.itemWidth));
}

TEST_F(AppLook, SeparatorMeasuresThreeByThree)
{
    MEASUREITEMSTRUCT item = Measure(menu, 1);
    EXPECT_EQ(3u, item.itemWidth);
    EXPECT_EQ(3u, item.itemHeight);
}

TEST_F(AppLook, ClassicMeasureKeepsTheTab)
{
    CNewMenu::SelectTheme(0, false);
    MEASUREITEMSTRUCT item = Measure(menu, 2);
    EXPECT_EQ(MenuTextExtent(L"Open\tCtrl+O").cx + 2 * 16 + 2, static_cast<int>(item.itemWidth));
    const int cyMenu = GetSystemMetrics(SM_CYMENU);
    EXPECT_EQ(std::max({15 + 4, cyMenu, static_cast<int>(MenuTextExtent(L"Open").cy)}),
              static_cast<int>(item.itemHeight));
}

TEST_F(AppLook, NormalItemHasGradientColumnAndBackground)
{
    MemoryCanvas canvas(200, 22, RGB(1, 2, 3));
    Draw(menu, 0, canvas.dc, rect, 0);
    EXPECT_COLOR(background, canvas.Pixel(150, 2));
    EXPECT_COLOR(background, canvas.Pixel(0, 11));
    // The column is 16 + 8 pixels wide and ends in the bar colour.
    EXPECT_COLOR(column, canvas.Pixel(23, 11));
    EXPECT_COLOR(background, canvas.Pixel(24, 11));
    EXPECT_TRUE(HasColor(canvas, RECT{28, 0, 185, 22}, GetSysColor(COLOR_MENUTEXT)));
}

TEST_F(AppLook, SelectedItemIsFilledAndFramed)
{
    MemoryCanvas canvas(200, 22, RGB(1, 2, 3));
    Draw(menu, 0, canvas.dc, rect, ODS_SELECTED);
    EXPECT_COLOR(RGB(255, 238, 194), canvas.Pixel(150, 2));
    EXPECT_COLOR(RGB(255, 238, 194), canvas.Pixel(10, 11));
    EXPECT_COLOR(GetSysColor(COLOR_HIGHLIGHT), canvas.Pixel(0, 0));
    EXPECT_COLOR(GetSysColor(COLOR_HIGHLIGHT), canvas.Pixel(199, 21));
    // An inactive selection is not highlighted.
    MemoryCanvas inactive(200, 22);
    Draw(menu, 0, inactive.dc, rect, ODS_SELECTED | ODS_INACTIVE);
    EXPECT_COLOR(background, inactive.Pixel(150, 2));
}

TEST_F(AppLook, GrayedItemTextIsGray)
{
    MemoryCanvas canvas(200, 22);
    Draw(menu, 0, canvas.dc, rect, ODS_GRAYED);
    EXPECT_TRUE(HasColor(canvas, RECT{28, 0, 185, 22}, GetSysColor(COLOR_GRAYTEXT)));
    EXPECT_FALSE(HasColor(canvas, RECT{28, 0, 185, 22}, GetSysColor(COLOR_MENUTEXT)));
}

TEST_F(AppLook, SeparatorIsOneGrayLineAcrossTheTextArea)
{
    MemoryCanvas canvas(200, 22, RGB(1, 2, 3));
    Draw(menu, 1, canvas.dc, rect, 0);
    const COLORREF gray = GetSysColor(COLOR_GRAYTEXT);
    // The text area starts 4 pixels after the 24-pixel column.
    EXPECT_COLOR(gray, canvas.Pixel(28, 11));
    EXPECT_COLOR(gray, canvas.Pixel(199, 11));
    EXPECT_COLOR(background, canvas.Pixel(27, 11));
    EXPECT_COLOR(background, canvas.Pixel(100, 10));
    EXPECT_COLOR(background, canvas.Pixel(100, 12));
}

TEST_F(AppLook, CheckedItemShowsAFilledFramedBox)
{
    MemoryCanvas canvas(200, 22);
    Draw(menu, 0, canvas.dc, rect, ODS_CHECKED);
    const COLORREF pen = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_COLOR(pen, canvas.Pixel(1, 1));
    EXPECT_COLOR(pen, canvas.Pixel(21, 20));
    EXPECT_COLOR(RGB(255, 192, 111), canvas.Pixel(2, 2));
    // The Marlett check in the box.
    EXPECT_TRUE(HasColor(canvas, RECT{2, 2, 21, 20}, GetSysColor(COLOR_MENUTEXT)));
    MemoryCanvas selected(200, 22);
    Draw(menu, 0, selected.dc, rect, ODS_CHECKED | ODS_SELECTED);
    EXPECT_COLOR(RGB(254, 128, 62), selected.Pixel(2, 2));
}

TEST_F(AppLook, OwnerWindowRoutesDrawAndMeasureToTheMenu)
{
    OwnerWindow owner;
    ASSERT_TRUE(owner.Create());
    MemoryCanvas canvas(200, 22, RGB(1, 2, 3));
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_MENU;
    draw.itemID = 1;
    draw.itemState = ODS_SELECTED;
    draw.hwndItem = reinterpret_cast<HWND>(menu.m_hMenu);
    draw.hDC = canvas.dc;
    draw.rcItem = rect;
    draw.itemData = reinterpret_cast<ULONG_PTR>(menu.Items()[0]);
    EXPECT_EQ(TRUE, owner.SendMessage(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)));
    EXPECT_COLOR(RGB(255, 238, 194), canvas.Pixel(150, 2));

    // A popup entry's id is its sub-menu's handle.
    HMENU sub = reinterpret_cast<HMENU>(menu.Items()[3]->m_commandId);
    CNewMenu subMenu(menu.m_hMenu);
    ASSERT_TRUE(subMenu.Attach(sub));
    MSG msg = {};
    MEASUREITEMSTRUCT measure = {};
    measure.CtlType = ODT_MENU;
    measure.itemID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(sub));
    measure.itemData = reinterpret_cast<ULONG_PTR>(menu.Items()[3]);
    msg.hwnd = owner.m_hWnd;
    msg.message = WM_MEASUREITEM;
    msg.lParam = reinterpret_cast<LPARAM>(&measure);
    EXPECT_TRUE(CNewMenu::RouteMeasureItem(msg));
    EXPECT_GT(measure.itemHeight, 0u);
    subMenu.Detach();
    // Nothing routes an item that no menu holds.
    measure.itemID = 4242;
    measure.itemData = 0;
    EXPECT_FALSE(CNewMenu::RouteMeasureItem(msg));
    EXPECT_EQ(0, owner.SendMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)));
    owner.DestroyWindow();
}

TEST(MenuColors, ArithmeticOnKnownValues)
{
    EXPECT_EQ(RGB(179, 179, 217), DarkenColor(RGB(255, 255, 255)));
    EXPECT_EQ(RGB(245, 245, 245), DarkenColorBy(RGB(255, 255, 255), 10));
    EXPECT_EQ(RGB(110, 110, 110), LightenColorBy(110, RGB(0, 0, 0)));
    EXPECT_EQ(RGB(255, 255, 255), LightenColorBy(110, RGB(255, 255, 255)));
    EXPECT_EQ(RGB(14, 86, 255), MixColor86(RGB(100, 0, 255), RGB(0, 100, 255)));
    EXPECT_EQ(RGB(30, 70, 255), MixColor70(RGB(100, 0, 255), RGB(0, 100, 255)));
    EXPECT_EQ(0xFFFFFFFFu, BlendColor(0xFFFFFFFF, 220, RGB(1, 2, 3)));
    EXPECT_EQ(RGB(254, 0, 0), BlendColor(RGB(255, 0, 0), 255, RGB(0, 0, 0)));
}

TEST(MenuColors, BandedGradientOfWidthTwoAndSix)
{
    GlobalsGuard guard;
    CNewMenuHook::s_GradientFill = nullptr;
    MemoryCanvas canvas(10, 4);
    DrawGradientRect(RGB(0, 0, 255), RECT{0, 0, 2, 4}, &canvas.dc, RGB(255, 0, 0), TRUE, TRUE);
    EXPECT_COLOR(RGB(255, 0, 0), canvas.Pixel(0, 0));
    EXPECT_COLOR(RGB(255, 0, 0), canvas.Pixel(1, 3));
    DrawGradientRect(RGB(0, 0, 200), RECT{2, 0, 8, 4}, &canvas.dc, RGB(200, 0, 0), TRUE, TRUE);
    EXPECT_COLOR(RGB(200, 0, 0), canvas.Pixel(2, 0));
    EXPECT_COLOR(RGB(100, 0, 100), canvas.Pixel(4, 0));
    EXPECT_COLOR(RGB(0, 0, 200), canvas.Pixel(7, 3));
    // Under 2 pixels only the end colour is filled.
    DrawGradientRect(RGB(0, 255, 0), RECT{8, 0, 9, 4}, &canvas.dc, RGB(200, 0, 0), TRUE, TRUE);
    EXPECT_COLOR(RGB(0, 255, 0), canvas.Pixel(8, 0));
}

TEST(MenuColors, GradientFillRunsFromStartToEnd)
{
    ASSERT_NE(nullptr, CNewMenuHook::s_GradientFill);
    MemoryCanvas canvas(100, 4);
    DrawGradientRect(RGB(0, 0, 255), RECT{0, 0, 100, 4}, &canvas.dc, RGB(255, 0, 0), TRUE, FALSE);
    EXPECT_COLOR(RGB(255, 0, 0), canvas.Pixel(0, 0));
    EXPECT_TRUE(SkinTest::Near(RGB(0, 0, 255), canvas.Pixel(99, 0), 6));
}

TEST(MenuText, MnemonicUnderlineDoubledAmpersandAndTrailingAmpersand)
{
    LOGFONTW font = GetMenuFont();
    CMenuFont menuFont(font);
    auto render = [&](const wchar_t* text, bool plain) {
        auto canvas = std::make_unique<MemoryCanvas>(120, 30);
        HGDIOBJ old = canvas->dc.SelectObject(static_cast<HFONT>(menuFont));
        SetBkMode(canvas->dc, TRANSPARENT);
        SetTextColor(canvas->dc, RGB(0, 0, 0));
        RECT r = {0, 0, 120, 30};
        if (plain)
            ExtTextOutW(canvas->dc, 0, 0, 0, nullptr, text, static_cast<UINT>(wcslen(text)), nullptr);
        else
            DrawMenuText(text, canvas->dc, r, 0);
        canvas->dc.SelectObject(old);
        return canvas;
    };
    auto same = [](MemoryCanvas& a, MemoryCanvas& b) {
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 120; ++x)
                if (a.Pixel(x, y) != b.Pixel(x, y))
                    return false;
        return true;
    };
    auto doubled = render(L"a&&b", false);
    auto plainDoubled = render(L"a&b", true);
    EXPECT_TRUE(same(*doubled, *plainDoubled));
    auto trailing = render(L"abc&", false);
    auto plainTrailing = render(L"abc", true);
    EXPECT_TRUE(same(*trailing, *plainTrailing));
    auto marked = render(L"&a", false);
    auto plainMarked = render(L"a", true);
    EXPECT_FALSE(same(*marked, *plainMarked));
    EXPECT_TRUE(HasColor(*marked, RECT{0, font.lfHeight < 0 ? -font.lfHeight : 10, 20, 30}, RGB(0, 0, 0)));
}

TEST(MenuMemDC, DrawsInTargetCoordinatesAndCopiesOnDestruction)
{
    MemoryCanvas canvas(50, 50, RGB(255, 255, 255));
    {
        CNewMemDC buffer(RECT{10, 20, 40, 30}, canvas.dc);
        ASSERT_TRUE(buffer.IsValid());
        buffer.FillSolidRect(RECT{10, 20, 40, 30}, RGB(0, 128, 0));
        EXPECT_COLOR(RGB(255, 255, 255), canvas.Pixel(15, 25));
    }
    EXPECT_COLOR(RGB(0, 128, 0), canvas.Pixel(10, 20));
    EXPECT_COLOR(RGB(0, 128, 0), canvas.Pixel(39, 29));
    EXPECT_COLOR(RGB(255, 255, 255), canvas.Pixel(40, 29));
    {
        CNewMemDC buffer(RECT{0, 0, 10, 10}, canvas.dc);
        buffer.FillSolidRect(RECT{0, 0, 10, 10}, RGB(0, 0, 0));
        buffer.m_noCopy = TRUE;
    }
    EXPECT_COLOR(RGB(255, 255, 255), canvas.Pixel(5, 5));
}

TEST(MenuBar, BarItemsFillWithTheBarColourAndRememberTheSelectedRectangle)
{
    GlobalsGuard guard;
    KnownMenuColors known;
    CNewMenu::SelectTheme(10, false);
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, 1, L"x");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"File");
    CNewMenu menu;
    ASSERT_TRUE(menu.LoadMenu(bar));
    MemoryCanvas canvas(60, 20, RGB(1, 2, 3));
    Draw(menu, 0, canvas.dc, RECT{0, 0, 60, 20}, 0);
    EXPECT_COLOR(KnownMenuColors::bar, canvas.Pixel(1, 1));
    EXPECT_TRUE(IsRectEmpty(&menu.BarItemRect()));
    Draw(menu, 0, canvas.dc, RECT{0, 0, 60, 20}, ODS_HOTLIGHT);
    EXPECT_COLOR(RGB(255, 238, 194), canvas.Pixel(5, 5));
    EXPECT_EQ(60, menu.BarItemRect().right - menu.BarItemRect().left);
}

TEST(AllThemes, EveryThemeDrawsItemsSelectedItemsAndSeparators)
{
    GlobalsGuard guard;
    CNewMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    menu.AppendOwnerDrawItem(0, L"HHHH\tCtrl+H", 1);
    menu.AppendOwnerDrawItem(MF_SEPARATOR, nullptr, 0);
    for (CMenuTheme* theme : CNewMenuHook::Themes()) {
        CNewMenu::SelectTheme(theme->m_id, false);
        MemoryCanvas normal(200, 22, RGB(1, 2, 3)), selected(200, 22, RGB(1, 2, 3)),
            line(200, 22, RGB(1, 2, 3));
        Draw(menu, 0, normal.dc, RECT{0, 0, 200, 22}, ODS_CHECKED);
        Draw(menu, 0, selected.dc, RECT{0, 0, 200, 22}, ODS_SELECTED);
        Draw(menu, 1, line.dc, RECT{0, 0, 200, 22}, 0);
        EXPECT_NE(RGB(1, 2, 3), normal.Pixel(150, 2)) << theme->m_id;
        EXPECT_NE(normal.Pixel(150, 2), selected.Pixel(150, 2)) << theme->m_id;
        EXPECT_NE(line.Pixel(150, 2), line.Pixel(150, 11)) << theme->m_id;
        EXPECT_GT(Measure(menu, 0).itemHeight, 0u) << theme->m_id;
    }
}
