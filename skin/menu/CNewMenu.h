// The library's menu object: every item is owner-drawn through the current
// menu theme, with one CNewMenuItemData record per item. Plain menus (loaded
// resources, existing handles) are converted when they are loaded or opened.
//
// How a popup is shown: a CMenuThemeScope selects theme 10 for the time of
// TrackPopupMenu (TPM_RETURNCMD|TPM_RIGHTBUTTON) on a CNewMenu built with
// AppendOwnerDrawItem, and restores theme and option word afterwards.
#pragma once

#include "framework/CMenu.h"
#include "framework/CString.h"
#include "skin/menu/CNewMenuItemData.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

namespace SkinControl::NewMenu
{

class CNewMenu : public CMenu
{
public:
    explicit CNewMenu(HMENU parent = nullptr);
    ~CNewMenu() override;

    void DrawItem(DRAWITEMSTRUCT* item) override;
    void MeasureItem(MEASUREITEMSTRUCT* item) override;
    virtual BOOL LoadMenu(UINT resourceId);
    virtual BOOL LoadMenu(const wchar_t* resourceName);
    virtual BOOL LoadMenu(HMENU menu);
    virtual void DestroyAll();
    virtual void DrawTitle(DRAWITEMSTRUCT* item, BOOL bar);
    virtual BOOL EraseBkgnd(HWND hwnd, HDC dc);
    virtual void OnInitMenuPopup();
    virtual BOOL OnUnInitPopupMenu();

    // The object of a handle when it is a CNewMenu, else null.
    static CNewMenu* FromHandle(HMENU menu);

    BOOL AppendOwnerDrawItem(UINT flags, const wchar_t* text, UINT_PTR id);
    BOOL AddOwnerDrawItem(CNewMenuIconInfo* iconList, const wchar_t* text, UINT flags, UINT_PTR id,
                          int imageIndex);

    BOOL IsMenuBarItem(UINT_PTR id);
    CNewMenuItemData* FindItemData(UINT_PTR id);
    // The menu among this one and its sub-menus (depth-first) with an item
    // of `id`, and that item's position.
    HMENU FindMenuOfId(UINT_PTR id, int* position);
    BOOL GetItemText(int index, CString& text) const;
    BOOL ReplaceItemId(UINT_PTR oldId, UINT_PTR newId);
    void SyncItemData();

    // The owner's WM_INITMENUPOPUP, after its default processing.
    static void OnPopupOpening(HMENU popup, HWND owner);
    // WM_MEASUREITEM for a window that is not one of the framework's own
    // tracking paths; TRUE when a CNewMenu measured the item.
    static BOOL RouteMeasureItem(const MSG& msg);
    // WM_MENUCHAR: MAKELRESULT(position, MNC_EXECUTE), or 0.
    static LRESULT FindMnemonic(wchar_t typed, CMenu* menu);

    // Selects a theme by id (under Wine an even id is replaced by the next
    // odd one unless `mapForWine` is false); the previous id, or -1 when the
    // id is unknown.
    static int SelectTheme(int id, bool mapForWine = true);
    static int SelectThemeAndOptions(UINT options, int id);

    const std::vector<CNewMenuItemData*>& Items() const { return m_items; }
    HMENU ParentMenu() const { return m_parentMenu; }
    BOOL IsPopup() const { return m_popup; }
    HWND OwnerWindow() const { return m_ownerWindow; }
    int OpenPopupCount() const { return m_openPopups; }
    const RECT& BarItemRect() const { return m_barItemRect; }

    // The measure, draw and title routines the themes point to.
    void MeasureClassicItem(MEASUREITEMSTRUCT* item, BOOL bar);
    void MeasureGradientItem(MEASUREITEMSTRUCT* item, BOOL bar);
    void MeasureXpItem(MEASUREITEMSTRUCT* item, BOOL bar);
    void DrawClassicItem(DRAWITEMSTRUCT* item, BOOL bar);
    void DrawXpItem(DRAWITEMSTRUCT* item, BOOL bar);
    void DrawFlatBarItem(DRAWITEMSTRUCT* item, BOOL bar);
    void DrawGradientItem(DRAWITEMSTRUCT* item, BOOL bar);
    void DrawXp2003Item(DRAWITEMSTRUCT* item, BOOL bar);
    void DrawTitleItem(DRAWITEMSTRUCT* item, BOOL bar);

    int m_iconWidth = 16;
    int m_iconHeight = 15;
    HACCEL m_accelerators = reinterpret_cast<HACCEL>(-1);

private:
    enum class MeasureKind { Classic, Gradient, Xp };
    void MeasureItemAs(MEASUREITEMSTRUCT* item, BOOL bar, MeasureKind kind);
    SIZE MeasureText(CNewMenuItemData* data, BOOL bar, MeasureKind kind, BOOL defaultItem);
    void MeasureTitle(MEASUREITEMSTRUCT* item, CNewMenuItemData* data);
    void StoreBarItemRect(const DRAWITEMSTRUCT* item);
    void DrawPopupItem(DRAWITEMSTRUCT* item, int look);
    void DrawBarItem(DRAWITEMSTRUCT* item, int look);
    void RedrawBarItem(HWND owner);
    CNewMenuItemData* CreateItemData(int position, const CString& text, UINT flags, UINT_PTR id);
    CNewMenuItemData* ClaimItemData(UINT_PTR id);
    void SetParentOf(HMENU subMenu);
    void DetachTree();

    std::vector<CNewMenuItemData*> m_items;
    std::vector<HMENU> m_subMenus;
    HWND m_ownerWindow = nullptr;
    HIMAGELIST m_checkImages = nullptr;
    BOOL m_checkImagesShared = FALSE;
    int m_checkImageSelected = -1;
    int m_checkImageNormal = -1;
    HMENU m_parentMenu;
    BOOL m_popup = TRUE;
    RECT m_barItemRect = {};
    int m_openPopups = 0;
};

// Saves the option word and the current theme, selects theme 10 for a popup
// and puts both back when it goes, also when an exception leaves the popup
// code. The saved theme is restored as it was, without the Wine mapping.
class CMenuThemeScope
{
public:
    CMenuThemeScope();
    ~CMenuThemeScope();
    CMenuThemeScope(const CMenuThemeScope&) = delete;
    CMenuThemeScope& operator=(const CMenuThemeScope&) = delete;

private:
    UINT m_options;
    int m_previousTheme;
};

} // namespace SkinControl::NewMenu
