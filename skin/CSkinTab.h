// A strip of tabs, each bound to a page window shown while its tab is
// selected. Derived classes draw the strip and the tabs.
#pragma once

#include "core/Lock.h"
#include "framework/CString.h"
#include "framework/CWnd.h"

#include <vector>

namespace SkinControl
{

struct SkinTabItem {
    enum State : UINT { Hover = 0x01, Selected = 0x10 };

    CString caption;
    RECT rect = {0, 0, 0, 0}; // client coordinates of the strip
    UINT state = 0;
    CWnd* page = nullptr; // not owned
};

class CSkinTab : public CWnd
{
public:
    static const wchar_t kClassName[];

    CSkinTab() = default;
    ~CSkinTab() override;

    BOOL Create(CWnd* parent, const RECT& rect);
    void AddTab(CWnd* page);
    // Pages are neither hidden nor destroyed.
    void RemoveAllTabs();
    int GetCurSel();
    void SetCurSel(UINT index, BOOL redraw);

    virtual void RecalcLayout(BOOL redraw);
    virtual void DrawBackground(CDC* dc);
    virtual void DrawTab(CDC* dc, UINT index, SkinTabItem* tab);

protected:
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnPaint() override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnMouseLeave() override;
    void OnDestroy() override;

    std::vector<SkinTabItem*> m_tabs;
    CLock m_lock;
};

} // namespace SkinControl
