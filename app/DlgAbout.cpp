#include "app/DlgAbout.h"

#include "app/MainFrame.h"
#include "core/ModuleVersion.h"
#include "skin/CSkinImageCtrl.h"

#include <shellapi.h>

CDlgAbout::CDlgAbout() : CDlgCommon(L"关于Velmora", 400, 160) {}

BOOL CDlgAbout::OnInitDialog()
{
    CDlgCommon::OnInitDialog();
    m_captionHeight = 38;
    LoadLayoutResource(kLayoutId);
    if (auto* logo = dynamic_cast<SkinControl::CSkinImageCtrl*>(GetControl(101))) {
        logo->SetBitmap(SkinControl::CSkinRes::GetBitmap(L"Quorventile.png"));
        logo->Invalidate();
    }
    if (CWnd* version = GetControl(103)) {
        CString text;
        CModuleVersion running;
        running.Format(text);
        version->SetWindowText(text);
    }
    Layout();
    return TRUE;
}

void CDlgAbout::OnControlClicked(XmlControlRecord* record)
{
    if (record->id == 105)
        ShellExecuteW(nullptr, L"open", MakerHomePage, nullptr, nullptr, SW_SHOWNORMAL);
}
