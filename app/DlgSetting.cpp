#include "app/DlgSetting.h"

#include "app/AutoRun.h"
#include "app/HotKeyEdit.h"
#include "app/HotkeyText.h"
#include "app/MainHotkey.h"
#include "core/AppDatabase.h"
#include "core/WinUtils.h"
#include "skin/CSkinMessageBox.h"

#include <shellapi.h>

CDlgSetting::CDlgSetting(HWND mainWindow) : CDlgCommon(L"Velmora设置", 320, 180), m_mainWindow(mainWindow) {}

CWnd* CDlgSetting::CreateControl(const CString& type, XmlControlRecord* record)
{
    if (type.CompareNoCase(L"edit") != 0 || record->title != L"hotkey")
        return CDlgCommon::CreateControl(type, record);
    auto* edit = new CHotKeyEdit;
    CRect rect(record->left, record->top, record->right, record->bottom);
    if (!edit->Create(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, rect, this,
                      static_cast<UINT>(record->id))) {
        delete edit;
        return nullptr;
    }
    if (!record->fontName.IsEmpty())
        edit->SendMessage(WM_SETFONT,
                          reinterpret_cast<WPARAM>(SkinControl::CSkinRes::GetFont(record->fontName)), TRUE);
    return edit;
}

BOOL CDlgSetting::OnInitDialog()
{
    CDlgCommon::OnInitDialog();
    m_captionHeight = 38;
    LoadLayoutResource(kLayoutId);
    if (CWnd* edit = GetControl(HotkeyEdit))
        edit->SetWindowText(MainHotkey.text);
    m_runValueState = IsAutoRunRegistered();
    if (CWnd* box = GetControl(AutoRunBox))
        box->SendMessage(BM_SETCHECK, m_runValueState ? BST_CHECKED : BST_UNCHECKED);
    if (CWnd* box = GetControl(DockingBox))
        box->SendMessage(BM_SETCHECK, GetConfigInt(L"AutoFloatWindow", 1) ? BST_CHECKED : BST_UNCHECKED);
    Layout();
    return TRUE;
}

bool CDlgSetting::IsChecked(int id) const
{
    CWnd* box = GetControl(id);
    return box && box->SendMessage(BM_GETCHECK) == BST_CHECKED;
}

void CDlgSetting::OnControlClicked(XmlControlRecord* record)
{
    if (record->id == CancelButton)
        EndDialog(IDCANCEL);
    else if (record->id == OkButton)
        OnOkClicked();
}

void CDlgSetting::OnOkClicked()
{
    CWnd* edit = GetControl(HotkeyEdit);
    CString hotkey = edit ? edit->GetWindowText() : CString(NoHotkeyText);
    if (hotkey != NoHotkeyText) {
        if (!RegisterMainHotkey(m_mainWindow, hotkey)) {
            if (edit) {
                edit->SendMessage(EM_SETSEL, static_cast<WPARAM>(hotkey.GetLength()), -1);
                edit->SendMessage(EM_SCROLLCARET);
            }
            CString message;
            message.Format(L"热键 %s 注册失败，请修改！", hotkey);
            SkinControl::SkinMessageBox(message, MB_ICONEXCLAMATION);
            if (edit)
                edit->SetFocus();
            return;
        }
        SetConfigString(L"HotkeyMainWindow", hotkey);
    }
    SetConfigInt(L"AutoFloatWindow", IsChecked(DockingBox) ? 1 : 0);
    int autoRun = IsChecked(AutoRunBox) ? 1 : 0;
    SetConfigInt(L"AutoRun", autoRun);
    if (autoRun != m_runValueState) {
        if (!IsVistaOrLater() || IsProcessElevated()) {
            SetAutoRunRegistered(autoRun);
        } else if (RestartElevated()) {
            // The dialog ends before the main window closes: closing the
            // frame under a running modal loop would destroy the dialog's
            // owner while the loop still uses it.
            EndDialog(IDOK);
            ::PostMessageW(m_mainWindow, WM_CLOSE, 0, 0);
            return;
        }
    }
    EndDialog(IDOK);
}

bool CDlgSetting::RestartElevated()
{
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof(execute);
    execute.lpVerb = L"runas";
    execute.lpFile = program;
    execute.lpParameters = L"-runas";
    execute.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&execute) != FALSE;
}
