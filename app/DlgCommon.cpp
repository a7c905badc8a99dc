#include "app/DlgCommon.h"

#include "core/WinUtils.h"
#include "framework/TextConvert.h"
#include "skin/CSkinMessageBox.h"

#include <shellapi.h>
#include <shlwapi.h>

CDlgCommon::CDlgCommon(const wchar_t* title, int width, int height)
    : m_title(title), m_width(width), m_height(height)
{
    m_parent = this;
}

CDlgCommon::~CDlgCommon()
{
    if (m_icon)
        DestroyIcon(m_icon);
}

BOOL CDlgCommon::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    m_captionHeight = kCaptionBand;

    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    SHFILEINFOW info = {};
    if (ShellFileInfo(program, 0, info, 0x181 /* SHGFI_ICON | SHGFI_SMALLICON | 0x80 */))
        m_icon = info.hIcon;
    if (m_title.IsEmpty())
        m_title = PathFindFileNameW(program);
    int dot = m_title.ReverseFind(L'.');
    if (dot >= 0)
        m_title = m_title.Left(dot);
    SetWindowText(m_title);

    RECT workArea;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    MoveWindow(workArea.left + (workArea.right - workArea.left - m_width) / 2,
               workArea.top + (workArea.bottom - workArea.top - m_height) / 2, m_width, m_height, FALSE);
    SetRoundWindowRegion(TRUE);
    return TRUE;
}

BOOL CDlgCommon::LoadLayoutResource(UINT resourceId)
{
    DWORD length = 0;
    std::unique_ptr<char[]> xml = LoadXmlResource(MAKEINTRESOURCEW(resourceId), &length);
    if (!xml)
        return FALSE;
    m_layout = FromUtf8(xml.get());
    return LoadLayout();
}

void CDlgCommon::GetTitleButtonImages(Gdiplus::Image** close, Gdiplus::Image** minimize, int* frameCount)
{
    SkinControl::GetDialogTitleButtonImages(close, minimize, frameCount);
}

void CDlgCommon::DrawBackground(CDC* dc)
{
    CRect client;
    GetClientRect(&client);
    SkinControl::DrawDialogTemplate(dc, client);
    DrawCaption(dc);
}

void CDlgCommon::DrawCaption(CDC* dc)
{
    HFONT font = SkinControl::CSkinRes::GetFont(L"Font11");
    if (!font)
        return;
    CRect client;
    GetClientRect(&client);
    int iconWidth = 0;
    if (m_icon) {
        ICONINFO info = {};
        BITMAP bitmap = {};
        if (GetIconInfo(m_icon, &info)) {
            GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
            if (info.hbmColor)
                DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
        }
        iconWidth = bitmap.bmWidth;
        int iconHeight = info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2;
        DrawIconEx(dc->m_hDC, client.left + 6, client.top + (kCaptionBand - iconHeight) / 2 - 2, m_icon,
                   iconWidth + 4, iconHeight + 4, 0, nullptr, DI_NORMAL);
    }
    HGDIOBJ old = dc->SelectObject(font);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(RGB(255, 255, 255));
    CRect title(client.left + iconWidth + 18, client.top, client.right - 40, client.top + kCaptionBand);
    dc->DrawText(m_title, &title, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    dc->SelectObject(old);
}

void CDlgCommon::Layout()
{
    SetRoundWindowRegion(TRUE);
    CRect client;
    GetClientRect(&client);
    if (::IsWindow(m_closeButton.m_hWnd)) {
        int width = m_closeButton.GetImageFrameWidth();
        m_closeButton.MoveWindow(client.right - width - 2, client.top, width,
                                 m_closeButton.GetImageFrameHeight());
    }
    MoveControls(client);
}

BOOL CDlgCommon::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (CXMLToControl::OnCommand(wParam, lParam))
        return TRUE;
    return CSkinDialog::OnCommand(wParam, lParam);
}

void CDlgCommon::OnDestroy()
{
    CSkinDialog::OnDestroy();
    FreeAll();
    DestroyControls();
}
