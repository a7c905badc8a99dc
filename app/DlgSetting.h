// The settings dialog: auto-run, edge docking and the main window's hotkey.
#pragma once
#include "app/DlgCommon.h"

class CDlgSetting : public CDlgCommon
{
public:
    static const UINT kLayoutId = 132;
    enum ControlId {
        AutoRunBox = 101,
        DockingBox = 102,
        HotkeyEdit = 104,
        OkButton = 105,
        CancelButton = 106
    };

    // `mainWindow` owns the hotkey and is closed for an elevated restart.
    explicit CDlgSetting(HWND mainWindow);
    BOOL OnInitDialog() override;
    CWnd* CreateControl(const CString& type, XmlControlRecord* record) override;
    void OnControlClicked(XmlControlRecord* record) override;

private:
    void OnOkClicked();
    bool IsChecked(int id) const;
    // Starts this program elevated with -runas; true when it started.
    bool RestartElevated();

    HWND m_mainWindow;
    int m_runValueState = 1; // the Run value found when the dialog opened
};
