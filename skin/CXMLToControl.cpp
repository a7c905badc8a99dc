#include "skin/CXMLToControl.h"

#include "framework/CEdit.h"
#include "skin/CSkinCommonButton.h"
#include "skin/CSkinImageCtrl.h"
#include "skin/CSkinRes.h"

#include <cwchar>

using SkinControl::CSkinButtonEx;
using SkinControl::CSkinCommonButton;
using SkinControl::CSkinImageCtrl;
using SkinControl::CSkinRes;

namespace
{

const DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
const DWORD kEditStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
const DWORD kImageStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

CRect RecordRect(const XmlControlRecord* record)
{
    return CRect(record->left, record->top, record->right, record->bottom);
}

bool IsLive(const XmlControlRecord* record)
{
    return record->window && ::IsWindow(record->window->m_hWnd);
}

} // namespace

COLORREF ParseLayoutColor(const CString& text)
{
    CString lower(text);
    lower.MakeLower();
    if (lower.Find(L"rgb") < 0)
        return RGB(0, 0, 0);
    int red = 0, green = 0, blue = 0;
    if (std::swscanf(lower, L"rgb(%d,%d,%d)", &red, &green, &blue) != 3)
        return RGB(0, 0, 0);
    return RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
}

CXMLToControl::~CXMLToControl()
{
    DestroyControls();
}

BOOL CXMLToControl::LoadLayout()
{
    CXmlDoc doc;
    if (!doc.SetDoc(m_layout) || !doc.FindElement(L"frame") || !doc.EnterElement())
        return FALSE;
    while (doc.FindElement()) {
        auto* record = new XmlControlRecord;
        record->type = doc.GetNodeName();
        ParseControl(doc, record);
        record->window = CreateControl(record->type, record);
        m_controls.push_back(record);
    }
    return TRUE;
}

void CXMLToControl::ParseControl(CXmlDoc& doc, XmlControlRecord* record)
{
    auto number = [&doc](const wchar_t* name) { return _wtoi(doc.GetCurrentAttribute(name)); };
    record->title = doc.GetCurrentAttribute(L"title");
    record->fontName = doc.GetCurrentAttribute(L"font");
    record->id = number(L"id");
    record->tabstop = number(L"tabstop");
    record->left = number(L"left");
    record->top = number(L"top");
    record->right = record->left + number(L"width");
    record->bottom = record->top + number(L"height");
    record->normalTextColor = ParseLayoutColor(doc.GetCurrentAttribute(L"normal_text_color"));
    record->hoverTextColor = ParseLayoutColor(doc.GetCurrentAttribute(L"hover_text_color"));
    record->pressedTextColor = ParseLayoutColor(doc.GetCurrentAttribute(L"pressed_text_color"));
}

CWnd* CXMLToControl::CreateControl(const CString& type, XmlControlRecord* record)
{
    const CRect rect = RecordRect(record);
    const UINT id = static_cast<UINT>(record->id);
    if (type == L"static" || type == L"hypertext") {
        auto* label = new CSkinButtonEx;
        if (!label->Create(record->title, WS_CHILD | WS_VISIBLE, rect, m_parent, id)) {
            delete label;
            return nullptr;
        }
        label->SetFont(CSkinRes::GetFont(record->fontName));
        if (type == L"static") {
            label->SetKind(CSkinButtonEx::KindLabel);
            label->SetTextColors(record->normalTextColor, record->normalTextColor, record->normalTextColor);
        } else {
            label->SetKind(CSkinButtonEx::KindLink);
            label->SetHandCursor(true);
            label->SetTextColors(record->normalTextColor, record->hoverTextColor, record->pressedTextColor);
        }
        return label;
    }
    if (type == L"button" || type == L"check" || type == L"radio") {
        const DWORD kind = type == L"check" ? BS_CHECKBOX : type == L"radio" ? BS_AUTORADIOBUTTON : 0;
        auto* button = new CSkinCommonButton;
        if (!button->Create(record->title, kButtonStyle | kind, rect, m_parent, id)) {
            delete button;
            return nullptr;
        }
        button->SetTextColors(record->normalTextColor, record->hoverTextColor, record->pressedTextColor);
        button->SetFocusFrame(record->tabstop != 0);
        return button;
    }
    if (type == L"edit") {
        auto* edit = new CEdit;
        if (!edit->Create(kEditStyle, rect, m_parent, id)) {
            delete edit;
            return nullptr;
        }
        edit->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(CSkinRes::GetFont(record->fontName)), TRUE);
        return edit;
    }
    if (type == L"image") {
        auto* image = new CSkinImageCtrl;
        if (!image->Create(m_parent, kImageStyle, id, rect)) {
            delete image;
            return nullptr;
        }
        return image;
    }
    return nullptr;
}

CWnd* CXMLToControl::GetControl(int id) const
{
    for (XmlControlRecord* record : m_controls) {
        if (record->id == id)
            return IsLive(record) ? record->window : nullptr;
    }
    return nullptr;
}

void CXMLToControl::AdjustControl(XmlControlRecord* record)
{
    auto* label = dynamic_cast<CSkinButtonEx*>(record->window);
    if (!label)
        return;
    if (record->type == L"static") {
        label->SetFont(CSkinRes::GetFont(L"Font10"));
        const CSize text = label->GetTextSize();
        record->right = record->left + text.cx;
        record->bottom = record->top + text.cy;
    } else if (record->type == L"button") {
        label->SetFont(CSkinRes::GetFont(L"Font10"));
        record->right = record->left + 68;
        record->bottom = record->top + 22;
    }
}

void CXMLToControl::MoveControls(RECT)
{
    for (XmlControlRecord* record : m_controls) {
        if (!IsLive(record))
            continue;
        AdjustControl(record);
        const CRect rect = RecordRect(record);
        record->window->MoveWindow(rect.left, rect.top, rect.Width(), rect.Height(), TRUE);
    }
}

XmlControlRecord* CXMLToControl::FindLiveRecord(int id, const wchar_t* type1, const wchar_t* type2) const
{
    for (XmlControlRecord* record : m_controls) {
        if (record->id != id || !IsLive(record))
            continue;
        if (record->type.CompareNoCase(type1) == 0 || (type2 && record->type.CompareNoCase(type2) == 0))
            return record;
    }
    return nullptr;
}

BOOL CXMLToControl::OnCommand(WPARAM wParam, LPARAM)
{
    const int id = LOWORD(wParam);
    switch (HIWORD(wParam)) {
    case BN_CLICKED:
        if (XmlControlRecord* record = FindLiveRecord(id, L"button", L"hypertext")) {
            OnControlClicked(record);
            return TRUE;
        }
        return FALSE;
    case EN_CHANGE:
        if (XmlControlRecord* record = FindLiveRecord(id, L"edit")) {
            OnEditChanged(record);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void CXMLToControl::DestroyControls()
{
    for (XmlControlRecord* record : m_controls) {
        if (record->window) {
            if (::IsWindow(record->window->m_hWnd))
                record->window->DestroyWindow();
            delete record->window;
        }
        delete record;
    }
    m_controls.clear();
}
