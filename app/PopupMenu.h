// The program's popup menus: owner-drawn CNewMenu popups in menu theme 10,
// built when shown and gone when the choice is made.
#pragma once

#include <windows.h>

#include <vector>

class CWnd;

struct MenuEntry {
    UINT command; // 0: a separator
    const wchar_t* text;
};

// Shows the entries at `screenPoint`, owned by `owner`; the chosen command,
// 0 when none.
UINT TrackPopupMenuEntries(CWnd* owner, const std::vector<MenuEntry>& entries, POINT screenPoint);

// WM_MENUCHAR for the owner of such a menu: owner-drawn items leave their
// mnemonics to the owner.  True, with the answer in `result`, when the menu
// is one of ours.
bool AnswerMenuChar(WPARAM wParam, LPARAM lParam, LRESULT& result);
