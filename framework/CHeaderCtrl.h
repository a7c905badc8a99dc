// A common-controls header window (the column captions above a list).
#pragma once

#include "framework/CWnd.h"

#include <commctrl.h>

class CHeaderCtrl : public CWnd
{
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int GetItemCount() const { return static_cast<int>(SendMessage(HDM_GETITEMCOUNT)); }
    BOOL GetItemRect(int index, LPRECT rect) const
    {
        return static_cast<BOOL>(SendMessage(HDM_GETITEMRECT, index, reinterpret_cast<LPARAM>(rect)));
    }
    int InsertItem(int index, HDITEMW* item)
    {
        return static_cast<int>(SendMessage(HDM_INSERTITEMW, index, reinterpret_cast<LPARAM>(item)));
    }
    // Where the header goes inside `layout->prc` and which part it leaves.
    BOOL Layout(HDLAYOUT* layout)
    {
        return static_cast<BOOL>(SendMessage(HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(layout)));
    }
};
