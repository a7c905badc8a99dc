// Menu themes: which routines measure and draw the items, and how the menu
// window's border, background and shade are painted. Twelve are made at
// start-up (CNewMenuHook::Install); one is current.
#pragma once

#include <windows.h>

class CDC;

namespace SkinControl::NewMenu
{

class CNewMenu;

using MeasureRoutine = void (CNewMenu::*)(MEASUREITEMSTRUCT*, BOOL);
using DrawRoutine = void (CNewMenu::*)(DRAWITEMSTRUCT*, BOOL);

class CMenuTheme
{
public:
    CMenuTheme(int id, UINT flags, MeasureRoutine measure, DrawRoutine draw, DrawRoutine title);
    virtual ~CMenuTheme() = default;
    CMenuTheme(const CMenuTheme&) = delete;
    CMenuTheme& operator=(const CMenuTheme&) = delete;

    virtual BOOL OnInitWnd(HWND hwnd);
    virtual BOOL OnUnInitWnd(HWND hwnd);
    virtual BOOL DoDrawBorder();
    virtual void UpdateSysColors();
    virtual void UpdateSysMetrics();
    virtual BOOL OnDrawBorder(HWND hwnd, HDC dc, BOOL noFill);
    virtual BOOL OnEraseBkgnd(HWND hwnd, HDC dc);
    virtual BOOL OnNcCalcSize(HWND hwnd, NCCALCSIZE_PARAMS* params);
    virtual BOOL OnWindowPosChanging(HWND hwnd, WINDOWPOS* pos);
    virtual BOOL OnCalcFrameRect(HWND hwnd, RECT* rect);
    virtual void DrawGripper(CDC* dc, RECT* rect, DWORD barStyle, int left, int top, int right, int bottom);
    virtual void DrawCorner(CDC* dc, RECT* rect, DWORD barStyle);
    virtual void GetBarColor(COLORREF* first, COLORREF* second, COLORREF* third, COLORREF* fourth);

    int m_id;
    // Bit 0: the theme draws the menu window's border itself.
    UINT m_flags;
    MeasureRoutine m_measure;
    DrawRoutine m_draw;
    DrawRoutine m_title;
    int m_borderLeft = 2;
    int m_borderTop = 2;
    COLORREF m_colorFace, m_colorShadow, m_colorHighlight, m_colorText, m_colorFrame;

protected:
    // Fills the client area (widened 2 to the left, 1 narrower on the right
    // with an own border) with `color`.
    void FillBackground(HWND hwnd, HDC dc, COLORREF color);
    void DrawMenuBarGap(HWND hwnd, HDC dc);
};

class CMenuThemeXP : public CMenuTheme
{
public:
    using CMenuTheme::CMenuTheme;
    BOOL OnDrawBorder(HWND hwnd, HDC dc, BOOL noFill) override;
    BOOL OnEraseBkgnd(HWND hwnd, HDC dc) override;
};

class CMenuTheme2003 : public CMenuThemeXP
{
public:
    using CMenuThemeXP::CMenuThemeXP;
};

// Creates the twelve themes in their creation order (6, 7, 0, 1, 2, 3, 8,
// 9, 10, 11, 4, 5) and adds them to the theme list.
void CreateMenuThemes();

// The menu window's shade from the saved screen copy (no drop shadow).
void DrawMenuShade(HWND hwnd, HDC dc, HBITMAP savedScreen);

} // namespace SkinControl::NewMenu
