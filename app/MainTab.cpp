#include "app/MainTab.h"

#include "app/CoolScrollbarPainter.h"
#include "app/MainSkinImage.h"
#include "framework/coolsb/CoolSB.h"
#include "skin/CGDIDrawHelper.h"
#include "skin/CSkinRes.h"

namespace
{
const int kStripImageRow = 89;

// The column of "MainFrame.png" that paints a tab in this state.
int TabImageColumn(UINT state)
{
    if (state & SkinControl::SkinTabItem::Selected)
        return 2;
    if (state & SkinControl::SkinTabItem::Hover)
        return 82;
    return 154;
}
} // namespace

LRESULT CMainTab::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY &&
        reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(NM_COOLSB_CUSTOMDRAW))
        return DrawCoolScrollbar(reinterpret_cast<NMCSBCUSTOMDRAW*>(lParam));
    return CSkinTab::WindowProc(message, wParam, lParam);
}

void CMainTab::RecalcLayout(BOOL redraw)
{
    CRect client;
    GetClientRect(&client);
    CWnd* page = nullptr;
    {
        CScopedLock lock(m_lock);
        int left = client.left;
        for (SkinControl::SkinTabItem* tab : m_tabs) {
            tab->rect = {left, client.top, left + kTabWidth, client.top + kTabHeight};
            left += kTabWidth;
        }
        int selected = GetCurSel();
        if (selected >= 0 && selected < static_cast<int>(m_tabs.size()))
            page = m_tabs[selected]->page;
        if (page && ::IsWindow(page->m_hWnd))
            page->MoveWindow(client.left, client.top + kTabHeight, client.Width(),
                             client.Height() - kTabHeight);
    }
    if (redraw) {
        CRect strip(client.left, client.top, client.right, client.top + kTabHeight);
        InvalidateRect(strip, TRUE);
    }
}

void CMainTab::DrawBackground(CDC* dc)
{
    CRect client;
    GetClientRect(&client);
    HBITMAP image = FillMainBackground(dc, client);
    if (!image)
        return;
    SkinControl::CGDIDrawHelper draw(dc);
    draw.StretchBitmap(image, CRect(client.left, client.top, client.right, client.top + kTabHeight), 154,
                       kStripImageRow, 1, kTabHeight);
}

void CMainTab::DrawTab(CDC* dc, UINT index, SkinControl::SkinTabItem* tab)
{
    HBITMAP image = SkinControl::CSkinRes::GetBitmap(L"MainFrame.png");
    if (!image)
        return;
    SkinControl::CGDIDrawHelper draw(dc);
    draw.StretchBitmap(image, tab->rect, TabImageColumn(tab->state), kStripImageRow, 1, kTabHeight);
    if (index != 0)
        return;
    HBITMAP icon = SkinControl::CSkinRes::GetBitmap(L"ShellLink.png");
    const SIZE size = BitmapSize(icon);
    if (!size.cx && !size.cy)
        return;
    const RECT& r = tab->rect;
    int x = r.left + (r.right - r.left - size.cx) / 2;
    int y = r.top + (r.bottom - r.top - size.cy) / 2;
    draw.AlphaBlendBitmapAt(icon, CRect(x, y, x + size.cx, y + size.cy), 0, 0, size.cx, size.cy);
}
