// One record per item of an owner-drawn menu: the text (with an optional
// accelerator after a tab), the MF_ flags last given to the item, the command
// id (a popup item's is its sub-menu's handle) and an optional icon.
#pragma once

#include "framework/CString.h"

#include <windows.h>
#include <commctrl.h>

namespace SkinControl::NewMenu
{

// An image list shared by the items that show its icons; for an image index
// i it holds i (selected look), i+1 (normal) and i+2 (disabled). The record
// leaves the library's list of icon lists when its last user drops it.
class CNewMenuIconInfo
{
public:
    explicit CNewMenuIconInfo(HIMAGELIST list);
    ~CNewMenuIconInfo();
    CNewMenuIconInfo(const CNewMenuIconInfo&) = delete;
    CNewMenuIconInfo& operator=(const CNewMenuIconInfo&) = delete;

    void AddRef() { ++m_refs; }
    void Release();
    HIMAGELIST List() const { return m_list; }
    // 0 by 0 when the list can't tell.
    SIZE IconSize() const;
    // Deletes every record still in the library's list (at shut-down).
    static void DeleteAll();

private:
    HIMAGELIST m_list;
    int m_refs = 0;
};

class CNewMenuItemData
{
public:
    CNewMenuItemData() = default;
    virtual ~CNewMenuItemData();
    CNewMenuItemData(const CNewMenuItemData&) = delete;
    CNewMenuItemData& operator=(const CNewMenuItemData&) = delete;

    // The text as shown: without an accelerator table (null) the part before
    // the first tab; with one ((HACCEL)-1 is the main frame's) the key names
    // of every entry for the item's id after a tab, unless the text has one.
    virtual CString GetString(HACCEL accelerators) const;
    virtual void SetString(const wchar_t* text);

    void SetIconList(CNewMenuIconInfo* list);
    CNewMenuIconInfo* IconList() const { return m_iconList; }

    CString m_text;
    UINT m_titleStyle = 0;
    UINT m_menuFlags = 0;
    UINT_PTR m_commandId = 0;
    BOOL m_claimed = FALSE;
    int m_imageIndex = -1;

private:
    CNewMenuIconInfo* m_iconList = nullptr;
};

// The accelerator parts for `id` in `table`: "Ctrl+Shift+F2, Alt+X".
CString AcceleratorText(HACCEL table, UINT_PTR id);

} // namespace SkinControl::NewMenu
