// The quick-link list's rows: drawing, and what they show of a link's target
// (its shell icon, and whether it is there), found out on pool threads so
// that painting never waits on the file system.
#include "app/QuickLinkTreeList.h"

#include "app/MainSkinImage.h"
#include "app/QuickLinkWorkItems.h"
#include "app/QuorventileApp.h"
#include "core/CatalogStore.h"
#include "skin/CGDIDrawHelper.h"
#include "skin/CSkinRes.h"

#include <algorithm>
#include <climits>

using SkinControl::CTreeListItem;
using SkinControl::TreeListDrawInfo;

namespace
{
const COLORREF kSelectedFill = 0xADECFC;
const COLORREF kSelectedFrame = 0x64B7F7;
const COLORREF kHoverFill = 0xF8E3C5;
const COLORREF kHoverFrame = 0xCDA27D;
const COLORREF kText = 0x000000;
const COLORREF kMissingText = 0xC0C0C0;
const int kArrowSize = 12;
const int kIconSize = 20;
// Shell icons of this many links are asked for by one work item at most;
// a flush uses this many items at most, so other work still finds the pool.
const size_t kLinkInfoChunk = 32;
const size_t kLinkInfoItems = 8;

void DrawFrame(CDC* dc, const CRect& r, COLORREF colour)
{
    dc->FillSolidRect(r.left, r.top, r.Width(), 1, colour);
    dc->FillSolidRect(r.left, r.bottom - 1, r.Width(), 1, colour);
    dc->FillSolidRect(r.left, r.top, 1, r.Height(), colour);
    dc->FillSolidRect(r.right - 1, r.top, 1, r.Height(), colour);
}

// The text colour, background mode and font of a row, put back afterwards.
class CRowTextScope
{
public:
    CRowTextScope(CDC* dc, HFONT font)
        : m_dc(dc), m_colour(::GetTextColor(dc->m_hDC)), m_mode(dc->SetBkMode(TRANSPARENT)),
          m_font(dc->SelectObject(font))
    {
    }
    ~CRowTextScope()
    {
        m_dc->SetTextColor(m_colour);
        m_dc->SetBkMode(m_mode);
        m_dc->SelectObject(m_font);
    }
    CRowTextScope(const CRowTextScope&) = delete;
    CRowTextScope& operator=(const CRowTextScope&) = delete;

private:
    CDC* m_dc;
    COLORREF m_colour;
    int m_mode;
    HGDIOBJ m_font;
};

// Draws one line of text from `left`, as wide as it measures but not past
// `maxRight`, centred in the row; returns where it went.  "&" is text here,
// as in any file name.
CRect DrawRowText(CDC* dc, const CString& text, int left, int maxRight, const CRect& row, COLORREF colour)
{
    CRect measured(0, 0, 0, 0);
    dc->DrawText(text, &measured, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    const int top = row.top + (row.Height() - measured.Height()) / 2;
    CRect rect(left, top, std::min(left + measured.Width(), maxRight), top + measured.Height());
    dc->SetTextColor(colour);
    dc->DrawText(text, &rect, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    return rect;
}
} // namespace

BOOL CQuickLinkTreeList::DrawBackground(CDC* dc, RECT)
{
    CRect client;
    GetClientRect(&client);
    dc->FillSolidRect(client, ListBackColor);
    return TRUE;
}

// Runs inside the control's paint, under its lock, which also guards every
// record field read here.
void CQuickLinkTreeList::DrawItem(TreeListDrawInfo* info)
{
    CTreeListItem* item = info->item;
    CDC* dc = info->dc;
    const CRect& row = info->rect;
    const bool selected = item->selected != FALSE;
    const bool hovered = GetHotItem() == item;
    CRect inner = row;
    inner.DeflateRect(2, 1);
    if (selected) {
        dc->FillSolidRect(row, kSelectedFill);
        DrawFrame(dc, inner, kSelectedFrame);
    } else if (hovered) {
        dc->FillSolidRect(inner, kHoverFill);
        DrawFrame(dc, inner, kHoverFrame);
    }
    HFONT font = SkinControl::CSkinRes::GetFont(selected || hovered ? L"Font11" : L"Font10");
    if (!info->data || !font)
        return;
    CRowTextScope text(dc, font);

    if (GetItemTypeValue(item) == RowKindGroup) {
        const auto* catalog = static_cast<const CatalogInfo*>(info->data);
        const bool expanded = item->expanded != FALSE;
        const int top = row.top + (row.Height() - kArrowSize) / 2;
        CRect arrow(row.left + 8, top, row.left + 20, top + kArrowSize);
        if (HBITMAP arrows = SkinControl::CSkinRes::GetBitmap(L"ClassArrows.png")) {
            const int frame = hovered ? (expanded ? 3 : 1) : (expanded ? 2 : 0) + (selected ? 1 : 0);
            const SIZE size = BitmapSize(arrows);
            const int width = size.cx / 4;
            SkinControl::CGDIDrawHelper(dc).AlphaBlendBitmapAt(arrows, arrow, frame * width, 0, width, size.cy);
        }
        SetItemButtonRect(item, arrow);
        CString label;
        label.Format(L"%s [%d]", info->text, static_cast<int>(catalog->links.size()));
        SetItemRowRect(item, DrawRowText(dc, label, arrow.right + 8, INT_MAX, row, kText));
        return;
    }
    const auto* link = static_cast<const QuickLinkInfo*>(info->data);
    const bool missing = link->linktype != LinkTypeShellPlace && link->targetMissing;
    HICON icon = missing ? m_missingIcon : (link->fileInfo.hIcon ? link->fileInfo.hIcon : m_defaultIcon);
    const int iconLeft = row.left + 13;
    if (icon)
        DrawIconEx(*dc, iconLeft, row.top + (row.Height() - kIconSize) / 2, icon, kIconSize, kIconSize, 0, nullptr,
                   DI_NORMAL);
    SetItemRowRect(item,
                   DrawRowText(dc, info->text, iconLeft + 28, row.right - 2, row, missing ? kMissingText : kText));
}

BOOL CQuickLinkTreeList::IsLinkTargetPresent(const QuickLinkInfo& link)
{
    return link.linktype == LinkTypeShellPlace || GetFileAttributesW(link.path) != INVALID_FILE_ATTRIBUTES;
}

// --- Target information from pool threads.

CQuickLinkTreeList::LinkInfoRequest::LinkInfoRequest(QuickLinkInfo* link) : record(link), key(LinkKey(*link))
{
    values.linktype = link->linktype;
    values.csidl = link->csidl;
    values.path = link->path;
}

void CQuickLinkTreeList::QueueLinkInfo(QuickLinkInfo* link)
{
    m_pendingLinkInfo.emplace_back(link);
}

void CQuickLinkTreeList::FlushLinkInfo()
{
    std::vector<LinkInfoRequest> requests;
    requests.swap(m_pendingLinkInfo);
    PostLinkInfo(std::move(requests), true);
}

void CQuickLinkTreeList::PostLinkInfo(std::vector<LinkInfoRequest> requests, bool withShellInfo)
{
    if (requests.empty())
        return;
    const size_t items = std::min(kLinkInfoItems, (requests.size() + kLinkInfoChunk - 1) / kLinkInfoChunk);
    const size_t share = (requests.size() + items - 1) / items;
    for (size_t first = 0; first < requests.size(); first += share) {
        const size_t end = std::min(requests.size(), first + share);
        std::vector<LinkInfoRequest> part(std::make_move_iterator(requests.begin() + first),
                                          std::make_move_iterator(requests.begin() + end));
        SkinControl::PostWorkItem(new CLinkInfoWorkItem(this, std::move(part), withShellInfo));
    }
}

void CQuickLinkTreeList::CLinkInfoWorkItem::Run()
{
    CComApartmentScope apartment;
    for (LinkInfoRequest& request : m_requests) {
        if (IsStopRequested())
            return;
        if (m_withShellInfo)
            FillLinkShellInfo(request.values);
        request.values.targetMissing = !IsLinkTargetPresent(request.values);
    }
    // The shell may have taken its time: the program may be closing.
    if (IsStopRequested())
        return;
    m_list->ApplyLinkInfo(m_requests, m_withShellInfo);
    if (!m_withShellInfo)
        m_list->m_targetCheckRunning = false;
}

// Touches no list: an item may be deleted once the list is gone.
CQuickLinkTreeList::CLinkInfoWorkItem::~CLinkInfoWorkItem()
{
    for (LinkInfoRequest& request : m_requests) {
        if (request.values.fileInfo.hIcon)
            DestroyIcon(request.values.fileInfo.hIcon);
    }
}

void CQuickLinkTreeList::ApplyLinkInfo(std::vector<LinkInfoRequest>& requests, bool withShellInfo)
{
    CScopedLock data(m_dataLock);
    if (!IsAccepting())
        return;
    bool changed = false;
    {
        CScopedLock tree(GetLock());
        for (LinkInfoRequest& request : requests) {
            // The record is followed only when it is still the one shown for
            // these values.
            auto found = m_linkKeys.find(request.key);
            if (found == m_linkKeys.end() || found->second != request.record)
                continue;
            QuickLinkInfo* link = request.record;
            if (withShellInfo && !link->fileInfo.hIcon) {
                link->fileInfo = request.values.fileInfo;
                request.values.fileInfo.hIcon = nullptr;
                changed = true;
            }
            if (link->targetMissing != request.values.targetMissing) {
                link->targetMissing = request.values.targetMissing;
                changed = true;
            }
        }
    }
    if (changed)
        PostRequest(RequestUpdate);
}

void CQuickLinkTreeList::RefreshVisibleTargets()
{
    if (!IsWindowVisible() || m_targetCheckRunning.exchange(true))
        return;
    std::vector<LinkInfoRequest> requests;
    {
        CScopedLock data(m_dataLock);
        CScopedLock tree(GetLock());
        const int first = GetFirstVisibleRow(), last = std::min(GetLastVisibleRow() + 1, GetRowCount() - 1);
        for (int row = std::max(first, 0); first >= 0 && row <= last; ++row) {
            QuickLinkInfo* link = LinkOfRow(GetRowItem(row));
            if (link && link->linktype != LinkTypeShellPlace)
                requests.emplace_back(link);
        }
    }
    if (requests.empty())
        m_targetCheckRunning = false;
    else
        SkinControl::PostWorkItem(new CLinkInfoWorkItem(this, std::move(requests), false));
}
