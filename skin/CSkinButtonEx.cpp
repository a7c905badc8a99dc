#include "skin/CSkinButtonEx.h"

#include "skin/CSkinMemDC.h"
#include "skin/GdiPlusCanvas.h"
#include "skin/SkinDrawSupport.h"

#include <cstdlib>
#include <unordered_set>

namespace SkinControl
{

namespace
{

const UINT kDefaultFrameDelay = 100;

// {6AEDBD6D-3FB5-418A-83A6-7F45229DC872}
const GUID kFrameDimensionTime = {
    0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};

int StyleKindOf(DWORD style)
{
    switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
        return CSkinButtonEx::StyleCheckBox;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return CSkinButtonEx::StyleRadioButton;
    default:
        return CSkinButtonEx::StylePushButton;
    }
}

} // namespace

CSkinButtonEx::~CSkinButtonEx()
{
    delete[] m_frameDimensions;
    std::free(m_frameDelays);
}

BOOL CSkinButtonEx::SetImage(Gdiplus::Image* image, int frameCount)
{
    m_image = image;
    m_frameCount = frameCount > 0 ? frameCount : 1;
    return TRUE;
}

int CSkinButtonEx::GetImageFrameWidth() const
{
    if (!m_image)
        return 0;
    const int width = static_cast<int>(m_image->GetWidth());
    return m_animated ? width : width / m_frameCount;
}

int CSkinButtonEx::GetImageFrameHeight() const
{
    return m_image ? static_cast<int>(m_image->GetHeight()) : 0;
}

CSize CSkinButtonEx::GetTextSize()
{
    if (!m_font)
        return CSize(0, 0);
    CClientDC dc(this);
    HGDIOBJ oldFont = dc.SelectObject(m_font);
    CRect rect(2, 2, 2, 2);
    const CString text = GetWindowText();
    dc.DrawText(text, &rect, DT_CALCRECT);
    dc.SelectObject(oldFont);
    return rect.Size();
}

BOOL CSkinButtonEx::CreateAnimated(CWnd* parent, CSkinButtonEx* button, Gdiplus::Image* image)
{
    button->m_animated = true;
    if (!button->Create(L"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), parent, 0) || !image)
        return FALSE;
    const UINT dimensions = image->GetFrameDimensionsCount();
    if (dimensions == 0)
        return FALSE;
    delete[] button->m_frameDimensions;
    button->m_frameDimensions = new GUID[dimensions];
    image->GetFrameDimensionsList(button->m_frameDimensions, dimensions);
    const UINT frames = image->GetFrameCount(&button->m_frameDimensions[0]);
    button->m_animationFrameCount = frames > 0 ? static_cast<int>(frames) : 1;
    // An image without delays is stepped at the timer's starting pace.
    std::free(button->m_frameDelays);
    button->m_frameDelays = nullptr;
    const UINT size = image->GetPropertyItemSize(PropertyTagFrameDelay);
    if (size > 0) {
        button->m_frameDelays = static_cast<Gdiplus::PropertyItem*>(std::malloc(size));
        if (!button->m_frameDelays) {
            delete[] button->m_frameDimensions;
            button->m_frameDimensions = nullptr;
            return FALSE;
        }
        if (image->GetPropertyItem(PropertyTagFrameDelay, size, button->m_frameDelays) != Gdiplus::Ok) {
            std::free(button->m_frameDelays);
            button->m_frameDelays = nullptr;
        }
    }
    button->m_image = image;
    return TRUE;
}

void CSkinButtonEx::SetTextColors(COLORREF normal, COLORREF hover, COLORREF pressed)
{
    m_textColors[0] = normal;
    m_textColors[1] = hover;
    m_textColors[2] = pressed;
}

void CSkinButtonEx::PreSubclassWindow()
{
    // Other skinning layers in the process leave the button alone.
    ::SetPropW(m_hWnd, L"NoSkin", reinterpret_cast<HANDLE>(1));
    ::SetPropW(m_hWnd, L"NoDrawEraseBkgnd", reinterpret_cast<HANDLE>(1));
    ::SetPropW(m_hWnd, L"NoSubClass", reinterpret_cast<HANDLE>(1));

    const DWORD style = GetStyle();
    m_styleKind = StyleKindOf(style);
    // The whole type field becomes owner-draw; or-ing bits into it would make
    // a type that is none.
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>((style & ~BS_TYPEMASK) | BS_OWNERDRAW));
    // The window procedure is not swapped yet: this asks the button itself.
    m_checked = SendMessage(BM_GETCHECK) == BST_CHECKED;
    if (m_animated) {
        KillTimer(kAnimationTimer);
        m_currentFrame = 0;
        SetTimer(kAnimationTimer, kDefaultFrameDelay);
    }
}

BOOL CSkinButtonEx::PreTranslateMessage(MSG* msg)
{
    if (msg->message != WM_KEYDOWN)
        return CButton::PreTranslateMessage(msg);
    HWND parent = ::GetParent(m_hWnd);
    if (msg->wParam == VK_TAB) {
        if (!m_focusFrame || msg->hwnd != m_hWnd || ::GetFocus() != m_hWnd)
            return CButton::PreTranslateMessage(msg);
        if (!parent || !::IsWindow(parent))
            return TRUE;
        const bool backwards = ::GetKeyState(VK_SHIFT) < 0;
        HWND next = ::GetNextDlgTabItem(parent, m_hWnd, backwards);
        if (next && next != m_hWnd)
            ::SetFocus(next);
        return TRUE;
    }
    if (msg->wParam == VK_RETURN && parent) {
        ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), BN_CLICKED),
                       reinterpret_cast<LPARAM>(m_hWnd));
        return TRUE;
    }
    return CButton::PreTranslateMessage(msg);
}

LRESULT CSkinButtonEx::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case BM_GETCHECK:
        return m_checked ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
        SetChecked(wParam != 0);
        return 0;
    default:
        return CButton::WindowProc(message, wParam, lParam);
    }
}

LRESULT CSkinButtonEx::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_RADIO_UNCHECK && m_styleKind == StyleRadioButton && m_checked) {
        m_checked = false;
        Invalidate();
    }
    return CButton::DefWindowProc(message, wParam, lParam);
}

void CSkinButtonEx::SetChecked(bool checked)
{
    m_checked = checked;
    if (checked && m_styleKind == StyleRadioButton)
        UncheckRadioGroup();
    Invalidate();
}

void CSkinButtonEx::UncheckRadioGroup()
{
    HWND parent = ::GetParent(m_hWnd);
    if (!parent)
        return;
    // The walk skips disabled and hidden members; when this button is one of
    // them it never comes back here, so a member seen twice ends it too.
    std::unordered_set<HWND> seen;
    for (HWND item = ::GetNextDlgGroupItem(parent, m_hWnd, FALSE); item && item != m_hWnd;
         item = ::GetNextDlgGroupItem(parent, item, FALSE)) {
        if (!seen.insert(item).second)
            break;
        // Check boxes share groups with radios; only radios lose their mark.
        if (!(::SendMessageW(item, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON))
            continue;
        // Sent, not posted: a queued one would arrive after a later check of
        // that radio and take its new mark away.
        ::SendMessageW(item, WM_RADIO_UNCHECK, 0, 0);
        ::SendMessageW(item, BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

int CSkinButtonEx::OnCreate(LPCREATESTRUCT cs)
{
    return CButton::OnCreate(cs) == -1 ? -1 : 0;
}

void CSkinButtonEx::OnMouseMove(UINT flags, CPoint point)
{
    CButton::OnMouseMove(flags, point);
    if (m_animated || m_tracking)
        return;
    TRACKMOUSEEVENT track = {sizeof(track), TME_HOVER | TME_LEAVE, m_hWnd, 1};
    m_tracking = ::TrackMouseEvent(&track) != FALSE;
}

void CSkinButtonEx::OnMouseHover(UINT flags, CPoint point)
{
    CButton::OnMouseHover(flags, point);
    m_hover = true;
    Invalidate();
}

void CSkinButtonEx::OnMouseLeave()
{
    CButton::OnMouseLeave();
    m_tracking = false;
    m_hover = false;
    Invalidate();
}

void CSkinButtonEx::OnLButtonDown(UINT flags, CPoint point)
{
    if (!m_animated) {
        m_pressed = true;
        Invalidate();
        UpdateWindow();
    }
    CButton::OnLButtonDown(flags, point);
}

void CSkinButtonEx::OnLButtonDblClk(UINT flags, CPoint point)
{
    if (m_animated) {
        CButton::OnLButtonDblClk(flags, point);
        return;
    }
    m_pressed = true;
    m_hover = true;
    Invalidate();
    UpdateWindow();
    CButton::OnLButtonDblClk(flags, point);
    // The button reports no click for the release that follows a double
    // click, nor does it hold the mouse for it: that release reports the
    // click itself and must come here wherever it happens.
    m_clickPending = true;
    ::SetCapture(m_hWnd);
}

void CSkinButtonEx::OnCaptureChanged(HWND newCapture)
{
    // Another window took the mouse: the press ends without a click.
    if (newCapture != m_hWnd)
        CancelPress();
    CButton::OnCaptureChanged(newCapture);
}

void CSkinButtonEx::CancelPress()
{
    m_clickPending = false;
    if (!m_pressed)
        return;
    m_pressed = false;
    Invalidate();
}

void CSkinButtonEx::OnLButtonUp(UINT flags, CPoint point)
{
    if (m_animated) {
        CButton::OnLButtonUp(flags, point);
        return;
    }
    HWND hwnd = m_hWnd;
    // A press dragged off the button and released there is a cancel, as is a
    // release without a press here.
    CRect client;
    GetClientRect(&client);
    const bool click = m_pressed && client.PtInRect(point);
    const bool reportClick = click && m_clickPending;
    m_clickPending = false;
    if (click && m_styleKind == StyleCheckBox)
        SendMessage(BM_SETCHECK, m_checked ? BST_UNCHECKED : BST_CHECKED);
    else if (click && m_styleKind == StyleRadioButton)
        SendMessage(BM_SETCHECK, BST_CHECKED);
    if (reportClick)
        ::SendMessageW(::GetParent(hwnd), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd), BN_CLICKED),
                       reinterpret_cast<LPARAM>(hwnd));
    // The parent may have destroyed the button on that click.
    if (!::IsWindow(hwnd))
        return;
    m_pressed = false;
    Invalidate();
    RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
    CButton::OnLButtonUp(flags, point);
    // After a double click the mouse is ours, not the button's.
    if (::GetCapture() == hwnd)
        ::ReleaseCapture();
}

BOOL CSkinButtonEx::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message)
{
    if (m_handCursor) {
        CPoint cursor;
        ::GetCursorPos(&cursor);
        ScreenToClient(&cursor);
        CRect client;
        GetClientRect(&client);
        if (client.PtInRect(cursor)) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
    }
    return CButton::OnSetCursor(wnd, hitTest, message);
}

BOOL CSkinButtonEx::OnEraseBkgnd(CDC*)
{
    return TRUE;
}

void CSkinButtonEx::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    DrawButton(&dc, client.left, client.top, client.right, client.bottom,
               ::GetFocus() == m_hWnd ? ODS_FOCUS : 0);
}

UINT CSkinButtonEx::OnGetDlgCode()
{
    UINT code = CButton::OnGetDlgCode();
    if (m_styleKind == StyleRadioButton)
        code |= DLGC_RADIOBUTTON | DLGC_WANTTAB;
    else if (m_styleKind == StylePushButton)
        code |= DLGC_BUTTON | DLGC_WANTTAB;
    return code;
}

void CSkinButtonEx::OnTimer(UINT_PTR id)
{
    if (id == kAnimationTimer)
        StepAnimation();
    else
        CButton::OnTimer(id);
}

UINT CSkinButtonEx::FrameDelay(int frame) const
{
    // The delay item holds one 32-bit value in hundredths of a second per
    // frame; a short one leaves the later frames at the starting pace.
    if (!m_frameDelays || !m_frameDelays->value)
        return kDefaultFrameDelay;
    const int delays = static_cast<int>(m_frameDelays->length / sizeof(UINT32));
    if (frame < 0 || frame >= delays)
        return kDefaultFrameDelay;
    return static_cast<const UINT32*>(m_frameDelays->value)[frame] * 10;
}

void CSkinButtonEx::StepAnimation()
{
    KillTimer(kAnimationTimer);
    if (m_image)
        m_image->SelectActiveFrame(&kFrameDimensionTime, static_cast<UINT>(m_currentFrame));
    SetTimer(kAnimationTimer, FrameDelay(m_currentFrame));
    m_currentFrame = (m_currentFrame + 1) % (m_animationFrameCount > 0 ? m_animationFrameCount : 1);
    RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
}

void CSkinButtonEx::DrawItem(LPDRAWITEMSTRUCT item)
{
    CBorrowedDC dc(item->hDC);
    const RECT& r = item->rcItem;
    DrawButton(&dc, r.left, r.top, r.right, r.bottom, item->itemState);
}

void CSkinButtonEx::DrawButton(CDC* dc, int left, int top, int right, int bottom, UINT itemState)
{
    CSkinMemDC buffer(dc, this);
    CDC* paint = buffer.GetDC();
    DrawParentBackground(this, paint, GetSkinDrawSupport());
    if (m_animated)
        DrawAnimatedFrame(paint, left, top, right, bottom);
    else if (m_kind == KindLabel)
        DrawLabelText(paint, left, top, right, bottom, itemState);
    else if (m_kind == KindLink)
        DrawLinkText(paint, left, top, right, bottom, itemState);
    else if (m_styleKind == StyleCheckBox)
        DrawCheckBox(paint, left, top, right, bottom, itemState);
    else if (m_styleKind == StyleRadioButton)
        DrawRadioButton(paint, left, top, right, bottom, itemState);
    else
        DrawPushButton(paint, left, top, right, bottom, itemState);
}

void CSkinButtonEx::DrawPushButton(CDC* dc, int left, int top, int right, int bottom, UINT itemState)
{
    if (!m_image)
        return;
    Gdiplus::Graphics graphics(dc->m_hDC);
    const int frameWidth = GetImageFrameWidth();
    graphics.DrawImage(m_image, Gdiplus::Rect(left, top, right - left, bottom - top),
                       GetStateIndex() * frameWidth, 0, frameWidth, GetImageFrameHeight(),
                       Gdiplus::UnitPixel);
    if (m_focusFrame && (itemState & ODS_FOCUS)) {
        Gdiplus::Pen pen(Gdiplus::Color(255, 0, 0, 0), 1);
        pen.SetDashStyle(Gdiplus::DashStyleDot);
        graphics.DrawRectangle(&pen, left + 1, top + 1, right - left - 3, bottom - top - 3);
    }
}

void CSkinButtonEx::DrawWindowText(CDC* dc, const RECT& rect, COLORREF color)
{
    dc->SetTextColor(color);
    dc->SetBkMode(TRANSPARENT);
    HGDIOBJ oldFont = m_font ? dc->SelectObject(m_font) : nullptr;
    CRect area(rect);
    const CString text = GetWindowText();
    dc->DrawText(text, &area, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    if (oldFont)
        dc->SelectObject(oldFont);
}

void CSkinButtonEx::DrawLinkText(CDC* dc, int left, int top, int right, int bottom, UINT)
{
    // In the band a label gets, which is sized to its text: a link laid out
    // taller than its text still stands on the line of a label beside it.
    CRect band(left, top, right, bottom);
    const int textHeight = GetTextSize().cy;
    if (textHeight > 0 && textHeight < band.Height())
        band.bottom = band.top + textHeight;
    DrawWindowText(dc, band, m_textColors[GetStateIndex()]);
}

void CSkinButtonEx::DrawLabelText(CDC* dc, int left, int top, int right, int bottom, UINT)
{
    DrawWindowText(dc, CRect(left, top, right, bottom), m_textColors[0]);
}

void CSkinButtonEx::DrawRadioButton(CDC*, int, int, int, int, UINT) {}

void CSkinButtonEx::DrawCheckBox(CDC*, int, int, int, int, UINT) {}

void CSkinButtonEx::DrawAnimatedFrame(CDC* dc, int left, int top, int right, int bottom)
{
    if (!m_image)
        return;
    GdiPlusCanvas canvas(dc->m_hDC, left, top, right, bottom);
    if (!canvas.Graphics())
        return;
    canvas.Graphics()->DrawImage(m_image, Gdiplus::Rect(0, 0, right - left, bottom - top), 0, 0,
                                 static_cast<INT>(m_image->GetWidth()),
                                 static_cast<INT>(m_image->GetHeight()), Gdiplus::UnitPixel);
}

} // namespace SkinControl
