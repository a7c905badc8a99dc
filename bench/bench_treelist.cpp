// Figures of the tree list: one full layout of 10,000 rows, one paint of the
// visible rows, and a worker inserting 10,000 items until the last one is on
// screen. The list has the main window's size and the quick-link rows'
// height.
//
// The paint's floor is an empty paint through the same back buffer of the
// same size, timed in the same loop: under Wine every buffered paint gets a
// new bitmap whose memory is touched for the first time, which costs more
// than drawing the rows.
#include "bench/BenchClock.h"
#include "framework/CWinApp.h"
#include "skin/CSkinMemDC.h"
#include "skin/SkinDrawSupport.h"
#include "skin/treelist/CTreeListCtrl.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

using namespace SkinControl;
using Bench::Now;
using Bench::Report;

namespace
{

// Draws rows as a derived list does: a fill for the selected row and the text.
class BenchTree : public CTreeListCtrl
{
public:
    std::atomic<CTreeListItem*> watched{nullptr};
    std::atomic<bool> watchedPainted{false};
    int layouts = 0;

protected:
    void DrawItem(TreeListDrawInfo* info) override
    {
        if (info->item == watched.load())
            watchedPainted = true;
        if (IsItemSelected(info->item))
            info->dc->FillSolidRect(info->rect, RGB(252, 236, 173));
        CRect text = info->rect;
        text.left += 40;
        info->dc->SetBkMode(TRANSPARENT);
        info->dc->DrawText(info->text, text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
        SetItemRowRect(info->item, text);
    }
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (message == GetRequestMessage(RequestLayout))
            ++layouts;
        return CTreeListCtrl::OnWndMsg(message, wParam, lParam, result);
    }
};

const wchar_t kWindowClass[] = L"QvBenchTreeWindow";

void RegisterWindowClass()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = AfxGetInstanceHandle();
    wc.lpszClassName = kWindowClass;
    ::RegisterClassW(&wc);
}

// Beside the list: room for it and for the floor's window.
class Host : public CWnd
{
public:
    BOOL Make()
    {
        if (!CreateEx(0, kWindowClass, L"", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 640, 470, nullptr, nullptr))
            return FALSE;
        ShowWindow(SW_SHOWNOACTIVATE);
        return TRUE;
    }
};

// Paints nothing through the list's back buffer.
class FloorWindow : public CWnd
{
protected:
    BOOL OnEraseBkgnd(CDC*) override { return TRUE; }
    void OnPaint() override
    {
        CPaintDC paintDC(this);
        CSkinMemDC buffer(&paintDC, this);
    }
};

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// 100 groups, 99 links each, all expanded: 10,000 rows.
CTreeListItem* Fill(BenchTree& tree, bool postEach)
{
    CTreeListItem* last = nullptr;
    for (int g = 0; g < 100; ++g) {
        CString name;
        name.Format(L"分组 %d", g);
        CTreeListItem* group = tree.InsertItem(nullptr, name);
        tree.Expand(group, FALSE, 0);
        for (int l = 0; l < 99; ++l) {
            name.Format(L"快捷方式 %d.%d", g, l);
            last = tree.InsertItem(group, name);
            if (postEach)
                tree.PostLayout();
        }
    }
    return last;
}

// Invalidates the whole window and times its paint, in seconds.
double TimePaint(CWnd& window)
{
    Pump();
    window.Invalidate();
    const double start = Now();
    window.UpdateWindow();
    return Now() - start;
}

void BenchLayoutAndPaint(Host& host)
{
    BenchTree tree;
    tree.Create(&host, CRect(0, 0, 300, 450));
    tree.SetDefaultRowHeight(26);
    Fill(tree, false);
    tree.RecalcLayout();
    Pump();
    CRect client;
    tree.GetClientRect(&client);
    FloorWindow floor;
    floor.CreateEx(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE,
                   CRect(320, 0, 320 + client.Width(), client.Height()), &host, 0);
    // The layout is timed hidden, so that its closing repaint is not in it;
    // the paint separately, of the visible rows, and beside it the floor.
    std::vector<double> layouts, paints, floors;
    for (int i = 0; i < 30; ++i) {
        tree.ShowWindow(SW_HIDE);
        const double start = Now();
        tree.RecalcLayout();
        layouts.push_back(Now() - start);
        tree.ShowWindow(SW_SHOWNOACTIVATE);
        paints.push_back(TimePaint(tree));
        floors.push_back(TimePaint(floor));
    }
    printf("# treelist: %d rows, %d on screen\n", tree.GetRowCount(),
           tree.GetLastVisibleRow() - tree.GetFirstVisibleRow() + 1);
    Report("treelist_layout_10000", Median(layouts) * 1000, "ms");
    Report("treelist_paint_visible", Median(paints) * 1000, "ms");
    Report("treelist_paint_floor", Median(floors) * 1000, "ms");
    floor.DestroyWindow();
    tree.DestroyWindow();
}

void BenchWorkerInsert(Host& host)
{
    BenchTree tree;
    tree.Create(&host, CRect(0, 0, 300, 450));
    tree.SetDefaultRowHeight(26);
    Pump();
    const double start = Now();
    std::thread worker([&] {
        CTreeListItem* last = Fill(tree, true);
        tree.watched = last;
        tree.PostRequest(CTreeListCtrl::RequestSelectItem, last, 1);
    });
    while (!tree.watchedPainted) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        Pump();
    }
    const double elapsed = Now() - start;
    worker.join();
    printf("# treelist: the worker's 10,000 layout requests ran as %d layouts\n", tree.layouts);
    Report("treelist_insert_10000_worker", elapsed * 1000, "ms");
    tree.DestroyWindow();
}

} // namespace

int main()
{
    InitSkinDrawSupport(GetSkinDrawSupport());
    RegisterWindowClass();
    Host host;
    if (!host.Make()) {
        printf("# treelist: no window (no display?)\n");
        return 1;
    }
    BenchLayoutAndPaint(host);
    BenchWorkerInsert(host);
    host.DestroyWindow();
    ShutdownSkinDrawSupport(GetSkinDrawSupport());
    return 0;
}
