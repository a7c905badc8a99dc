// The main window's tab strip: one 64 x 26 tab with the link icon above the
// quick-link list, painted from the main frame's skin image.
#pragma once
#include "skin/CSkinTab.h"

class CMainTab : public SkinControl::CSkinTab
{
public:
    static const int kTabWidth = 64;
    static const int kTabHeight = 26;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void RecalcLayout(BOOL redraw) override;
    void DrawBackground(CDC* dc) override;
    void DrawTab(CDC* dc, UINT index, SkinControl::SkinTabItem* tab) override;
};
