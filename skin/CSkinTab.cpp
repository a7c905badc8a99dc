#include "skin/CSkinTab.h"
#include "skin/SkinWindowClass.h"

#include "framework/CDC.h"
#include "framework/CWinApp.h"
#include "skin/CSkinMemDC.h"

#include <commctrl.h>

namespace SkinControl
{

const wchar_t CSkinTab::kClassName[] = L"__SKIN_TAB_BASE__";

namespace
{
const int kFirstTabLeft = 10;
const int kTabTop = 5;
const int kTabWidth = 68;
const int kTabHeight = 19;
const int kTabGap = 10;
} // namespace

CSkinTab::~CSkinTab()
{
    // A strip whose window never existed never saw WM_DESTROY.
    RemoveAllTabs();
}

BOOL CSkinTab::Create(CWnd* parent, const RECT& rect)
{
    if (!RegisterSkinWindowClass(kClassName, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)))
        return FALSE;
    return CreateEx(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rect, parent, 0);
}

void CSkinTab::AddTab(CWnd* page)
{
    CScopedLock lock(m_lock);
    auto* tab = new SkinTabItem;
    tab->caption = L"快捷连接";
    tab->page = page;
    m_tabs.push_back(tab);
    if (m_tabs.size() == 1 && GetCurSel() < 0)
        SetCurSel(0, FALSE);
    RecalcLayout(FALSE);
}

void CSkinTab::RemoveAllTabs()
{
    CScopedLock lock(m_lock);
    for (SkinTabItem* tab : m_tabs)
        delete tab;
    m_tabs.clear();
}

int CSkinTab::GetCurSel()
{
    CScopedLock lock(m_lock);
    for (size_t i = 0; i < m_tabs.size(); ++i) {
        if (m_tabs[i] && (m_tabs[i]->state & SkinTabItem::Selected))
            return static_cast<int>(i);
    }
    return -1;
}

void CSkinTab::SetCurSel(UINT index, BOOL redraw)
{
    CScopedLock lock(m_lock);
    if (index >= m_tabs.size())
        return;
    for (size_t i = 0; i < m_tabs.size(); ++i) {
        SkinTabItem* tab = m_tabs[i];
        if (!tab || i == index)
            continue;
        tab->state &= ~SkinTabItem::Selected;
        if (tab->page && tab->page->m_hWnd)
            tab->page->ShowWindow(SW_HIDE);
    }
    SkinTabItem* chosen = m_tabs[index];
    if (chosen) {
        chosen->state |= SkinTabItem::Selected;
        if (chosen->page && chosen->page->m_hWnd && !chosen->page->IsWindowVisible())
            chosen->page->ShowWindow(SW_SHOW);
    }
    RecalcLayout(redraw);
    HWND parent = m_hWnd ? ::GetParent(m_hWnd) : nullptr;
    if (parent) {
        NMHDR header = {};
        header.hwndFrom = m_hWnd;
        header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
        header.code = TCN_SELCHANGE;
        ::SendMessageW(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    }
}

void CSkinTab::RecalcLayout(BOOL redraw)
{
    CScopedLock lock(m_lock);
    CRect client;
    if (m_hWnd)
        GetClientRect(&client);
    int x = client.left + kFirstTabLeft;
    for (SkinTabItem* tab : m_tabs) {
        if (!tab)
            continue;
        tab->rect = CRect(x, client.top + kTabTop, x + kTabWidth, client.top + kTabTop + kTabHeight);
        x += kTabWidth + kTabGap;
    }
    // Invalidating a null window would repaint every window on the screen.
    if (redraw && m_hWnd)
        InvalidateRect(nullptr, TRUE);
}

void CSkinTab::DrawBackground(CDC* dc)
{
    CRect client;
    GetClientRect(&client);
    dc->FillSolidRect(client, RGB(255, 255, 255));
}

void CSkinTab::DrawTab(CDC*, UINT, SkinTabItem*) {}

BOOL CSkinTab::OnEraseBkgnd(CDC*)
{
    return TRUE;
}

void CSkinTab::OnSize(UINT type, int cx, int cy)
{
    CWnd::OnSize(type, cx, cy);
    RecalcLayout(TRUE);
}

void CSkinTab::OnPaint()
{
    CPaintDC paintDC(this);
    CSkinMemDC buffer(&paintDC, this);
    CDC* dc = buffer.GetDC();
    CScopedLock lock(m_lock);
    DrawBackground(dc);
    for (size_t i = 0; i < m_tabs.size(); ++i)
        DrawTab(dc, static_cast<UINT>(i), m_tabs[i]);
}

void CSkinTab::OnLButtonDown(UINT flags, CPoint point)
{
    {
        CScopedLock lock(m_lock);
        for (size_t i = 0; i < m_tabs.size(); ++i) {
            if (m_tabs[i] && ::PtInRect(&m_tabs[i]->rect, point)) {
                SetCurSel(static_cast<UINT>(i), TRUE);
                break;
            }
        }
    }
    CWnd::OnLButtonDown(flags, point);
}

void CSkinTab::OnMouseMove(UINT flags, CPoint point)
{
    bool changed = false;
    {
        CScopedLock lock(m_lock);
        for (SkinTabItem* tab : m_tabs) {
            if (!tab)
                continue;
            const UINT before = tab->state;
            if (::PtInRect(&tab->rect, point))
                tab->state |= SkinTabItem::Hover;
            else
                tab->state &= ~SkinTabItem::Hover;
            changed = changed || tab->state != before;
        }
    }
    if (changed)
        InvalidateRect(nullptr, TRUE);
    TRACKMOUSEEVENT track = {};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = m_hWnd;
    ::TrackMouseEvent(&track);
    CWnd::OnMouseMove(flags, point);
}

void CSkinTab::OnMouseLeave()
{
    bool hadHover = false;
    {
        CScopedLock lock(m_lock);
        for (SkinTabItem* tab : m_tabs) {
            if (tab && (tab->state & SkinTabItem::Hover)) {
                tab->state &= ~SkinTabItem::Hover;
                hadHover = true;
            }
        }
    }
    if (hadHover)
        InvalidateRect(nullptr, TRUE);
    CWnd::OnMouseLeave();
}

void CSkinTab::OnDestroy()
{
    CWnd::OnDestroy();
    RemoveAllTabs();
}

} // namespace SkinControl
