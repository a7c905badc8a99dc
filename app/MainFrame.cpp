#include "app/MainFrame.h"

#include "app/AppCopyData.h"
#include "app/AutoRun.h"
#include "app/ClientId.h"
#include "app/DlgAbout.h"
#include "app/DlgSetting.h"
#include "app/HotkeyText.h"
#include "app/MainHotkey.h"
#include "app/MainSkinImage.h"
#include "app/NoteletBinding.h"
#include "app/OnlineSchedule.h"
#include "app/PopupMenu.h"
#include "app/SingleInstance.h"
#include "app/WindowPlacement.h"
#include "core/AppDatabase.h"
#include "core/ModuleVersion.h"
#include "core/WinUtils.h"
#include "framework/CWinApp.h"
#include "online/StatisticsReportTask.h"
#include "online/Update.h"
#include "online/VerifiedFile.h"
#include "skin/CGDIDrawHelper.h"
#include "skin/CSkinMessageBox.h"
#include "skin/CSkinRes.h"

#include <ctime>

const wchar_t* const MakerHomePage = L"https://www.velmora.net/";
const wchar_t* const MakerHelpPage = L"https://www.velmora.net/help.html";
const wchar_t* const MakerForumPage = L"https://bbs.velmora.net/";

namespace
{
const int kCaptionHeight = 80;
const int kFooterHeight = 31;
const UINT kAppIconId = 128;

void OpenAddress(const wchar_t* address)
{
    ShellExecuteW(nullptr, L"open", address, nullptr, nullptr, SW_SHOWNORMAL);
}
} // namespace

CMainFrame::CMainFrame()
{
    m_resizable = true;
    m_captionHeight = kCaptionHeight;
}

CMainFrame::~CMainFrame()
{
    if (m_leaveQuickLinkList)
        (void)m_quickLinkList.release();
}

void CMainFrame::GetSysButtonImages(Gdiplus::Image** close, Gdiplus::Image** minimize,
                                    Gdiplus::Image** maximize, Gdiplus::Image** restore, int* frameCount)
{
    using SkinControl::CSkinRes;
    *close = CSkinRes::GetImage(L"sys_button_close.png");
    *minimize = CSkinRes::GetImage(L"sys_button_min2.png");
    *maximize = CSkinRes::GetImage(L"sys_button_max.png");
    *restore = CSkinRes::GetImage(L"sys_button_restore.png");
    *frameCount = 4;
}

int CMainFrame::OnCreate(LPCREATESTRUCT cs)
{
    if (CSkinMainFrame::OnCreate(cs) == -1)
        return -1;
    AllowCopyDataMessage(m_hWnd);
    SetWindowText(MainWindowTitle);

    RegisterMainHotkey(m_hWnd, GetConfigString(L"HotkeyMainWindow", DefaultHotkeyText));
    ReconcileAutoRun(GetConfigInt(L"AutoRun", 1));
    AddTrayIcon();

    if (!CreateChildren())
        return -1;
    LoadNoteletModule(m_hWnd);
    SetTimer(FirstOnlineTimerId, FirstOnlineTimerDelayMs);
    return 0;
}

bool CMainFrame::CreateChildren()
{
    const RECT empty = {0, 0, 0, 0};
    if (!m_searchBar.Create(this, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, empty))
        return false;
    if (!m_tab.Create(this, empty))
        return false;
    if (!m_quickLinkList->Create(&m_tab, empty))
        return false;
    m_tab.AddTab(m_quickLinkList.get());
    m_searchBar.SetFilter([this](const CString& text) { m_quickLinkList->FilterItems(text); });

    struct {
        SkinControl::CSkinButtonEx& button;
        const wchar_t* text;
        UINT id;
    } links[] = {{m_settingsButton, L"设置", SettingsButtonId}, {m_helpButton, L"帮助", HelpButtonId}};
    for (auto& link : links) {
        if (!link.button.Create(link.text, WS_CHILD | WS_VISIBLE, empty, this, link.id))
            return false;
        link.button.SetKind(SkinControl::CSkinButtonEx::KindLink);
        link.button.SetHandCursor(true);
        link.button.SetFont(SkinControl::CSkinRes::GetFont(L"Font10"));
        link.button.SetTextColors(0xE6E6E6, 0xFFFFFF, 0xF0F0F0);
    }
    // WM_SIZE, which CreateWindowEx sends right after WM_CREATE, lays them
    // out.
    return true;
}

UINT CMainFrame::TaskbarCreatedMessage()
{
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

void CMainFrame::AddTrayIcon()
{
    m_trayIcon = {};
    m_trayIcon.cbSize = sizeof(m_trayIcon);
    m_trayIcon.hWnd = m_hWnd;
    m_trayIcon.uID = TrayIconId;
    m_trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_trayIcon.uCallbackMessage = WM_TRAY_NOTIFY;
    m_trayIcon.hIcon = LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(kAppIconId));
    lstrcpynW(m_trayIcon.szTip, MainWindowTitle, ARRAYSIZE(m_trayIcon.szTip));
    Shell_NotifyIconW(NIM_ADD, &m_trayIcon);
}

void CMainFrame::RecalcLayout()
{
    CSkinMainFrame::RecalcLayout();
    if (!m_tab.m_hWnd)
        return;
    CRect client;
    GetClientRect(&client);
    m_searchBar.MoveWindow(client.left + 2, client.top + 65, client.Width() - 4, 24);
    m_tab.MoveWindow(client.left + 2, client.top + 89, client.Width() - 4, client.Height() - 120);

    CSize help = m_helpButton.GetTextSize();
    CSize settings = m_settingsButton.GetTextSize();
    int helpX = client.right - help.cx - 8;
    int y = client.top + 28;
    m_helpButton.MoveWindow(helpX, y, help.cx, help.cy);
    m_settingsButton.MoveWindow(helpX - settings.cx - 10, y, settings.cx, help.cy);
}

void CMainFrame::OnGetMinMaxInfo(MINMAXINFO* info)
{
    info->ptMinTrackSize = {MainWindowDefaultWidth, MainWindowDefaultHeight};
}

void CMainFrame::DrawBackground(CDC* dc)
{
    CRect client;
    GetClientRect(&client);
    HBITMAP image = FillMainBackground(dc, client);
    if (!image)
        return;
    SIZE size = BitmapSize(image);
    SkinControl::CGDIDrawHelper draw(dc);
    const int l = client.left, t = client.top, r = client.right, b = client.bottom;
    // Header.
    draw.StretchBitmap(image, CRect(l, t, l + 240, t + kCaptionHeight), 0, 0, 240, kCaptionHeight);
    draw.StretchBitmap(image, CRect(l + 240, t, r - 4, t + kCaptionHeight), 241, 0, 1, kCaptionHeight);
    draw.StretchBitmap(image, CRect(r - 4, t, r, t + kCaptionHeight), size.cx - 4, 0, 4, kCaptionHeight);
    // Sides, over the header's outer columns.
    draw.StretchBitmap(image, CRect(l, t, l + 2, b), 0, 81, 2, 1);
    draw.StretchBitmap(image, CRect(r - 2, t, r, b), size.cx - 2, 81, 2, 1);
    // Footer.
    const int footerTop = b - kFooterHeight, imageFooter = size.cy - kFooterHeight;
    draw.StretchBitmap(image, CRect(l, footerTop, l + 4, b), 0, imageFooter, 4, kFooterHeight);
    draw.StretchBitmap(image, CRect(l + 4, footerTop, r - 4, b), 5, imageFooter, 1, kFooterHeight);
    draw.StretchBitmap(image, CRect(r - 4, footerTop, r, b), size.cx - 4, imageFooter, 4, kFooterHeight);
}

BOOL CMainFrame::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case SettingsButtonId:
            OnSettings();
            return TRUE;
        case HelpButtonId:
            OnHelpButton();
            return TRUE;
        }
    }
    return CSkinMainFrame::OnCommand(wParam, lParam);
}

void CMainFrame::OnSettings()
{
    CDlgSetting dialog(m_hWnd);
    dialog.DoModal();
}

void CMainFrame::ShowAboutDialog()
{
    CDlgAbout dialog;
    dialog.DoModal();
}

UINT CMainFrame::TrackMenu(const std::vector<MenuEntry>& entries, POINT screenPoint)
{
    // Without the foreground and the WM_NULL after it, a tray menu stays open
    // when the user clicks elsewhere.
    SetForegroundWindow(m_hWnd);
    const UINT command = TrackPopupMenuEntries(this, entries, screenPoint);
    PostMessage(WM_NULL);
    return command;
}

void CMainFrame::OnHelpButton()
{
    CRect button;
    m_helpButton.GetWindowRect(&button);
    UINT command = TrackMenu({{HelpPageCommand, L"打开帮助网页(&H)"},
                              {HomePageCommand, L"打开官方网页(&W)"},
                              {ForumCommand, L"打开官方论坛(&L)"},
                              {0, nullptr},
                              {AboutCommand, L"关于(&A)"}},
                             {button.left, button.bottom});
    switch (command) {
    case HelpPageCommand:
        OpenAddress(MakerHelpPage);
        break;
    case HomePageCommand:
        OpenAddress(MakerHomePage);
        break;
    case ForumCommand:
        OpenAddress(MakerForumPage);
        break;
    case AboutCommand:
        ShowAboutDialog();
        break;
    }
}

void CMainFrame::OnHotKey(UINT modifiers, UINT keyCode)
{
    if (MatchesMainHotkey(modifiers, keyCode))
        ToggleMainWindow(m_hWnd);
}

LRESULT CMainFrame::OnCopyData(const COPYDATASTRUCT* data)
{
    CString text;
    switch (ReadAppCommandCopyData(data, text)) {
    case CopyDataKind::NotOurs:
        return Default();
    case CopyDataKind::Refused:
        return FALSE;
    case CopyDataKind::Accepted:
        break;
    }
    AddLinksToCatalog(text);
    return TRUE;
}

void CMainFrame::AddLinksToCatalog(const CString& commandUrl)
{
    m_quickLinkList->AddLinksToCatalog(commandUrl);
}

void CMainFrame::OnMoving(RECT* proposed)
{
    if (!IsAutoFloatWindowOn())
        return;
    RECT current, workArea;
    GetWindowRect(&current);
    GetWindowWorkArea(workArea, m_hWnd);
    DockMovingRect(current, *proposed, workArea);
    MoveWindow(proposed->left, proposed->top, proposed->right - proposed->left,
               proposed->bottom - proposed->top);
}

void CMainFrame::OnSettingChange()
{
    // The work area may have changed: keep the window where it is now, moved
    // inside the new work area, rather than where it was last saved.
    RECT current;
    GetWindowRect(&current);
    if (IsIconic() || !IsWindowRectWorthSaving(current))
        return;
    RECT target = FitWindowRect(current);
    if (!EqualRect(&target, &current))
        MoveWindow(target.left, target.top, target.right - target.left, target.bottom - target.top);
}

void CMainFrame::OnSysCommand(WPARAM command)
{
    if ((command & 0xFFF0) == SC_MINIMIZE)
        ShowWindow(SW_HIDE);
}

void CMainFrame::RestoreFromTray()
{
    ShowWindow(SW_SHOW);
    if (IsIconic())
        SendMessage(WM_SYSCOMMAND, SC_RESTORE);
    else
        SetForegroundWindow(m_hWnd);
}

LRESULT CMainFrame::OnTrayNotify(LPARAM mouseMessage)
{
    switch (static_cast<UINT>(mouseMessage)) {
    case WM_LBUTTONUP:
        RestoreFromTray();
        break;
    case WM_RBUTTONUP: {
        POINT cursor;
        GetCursorPos(&cursor);
        UINT command = TrackMenu({{TrayShowCommand, L"显示主窗口(&M)"},
                                  {TraySettingsCommand, L"设置(&S)"},
                                  {0, nullptr},
                                  {TrayExitCommand, L"退出(&Q)"}},
                                 cursor);
        if (command == TrayShowCommand) {
            ShowWindow(SW_SHOW);
            SendMessage(WM_SYSCOMMAND, SC_RESTORE);
        } else if (command == TrayExitCommand) {
            PostMessage(WM_CLOSE);
        } else if (command == TraySettingsCommand) {
            OnSettings();
        }
        break;
    }
    }
    return 0;
}

void CMainFrame::PostOnlineTask(SkinControl::CThreadPool::CWorkItem* task)
{
    SkinControl::PostWorkItem(task);
}

CString CMainFrame::LoadedNoteletPath() const
{
    return NoteletBinding.path;
}

void CMainFrame::OnTimer(UINT_PTR id)
{
    if (id == FirstOnlineTimerId) {
        KillTimer(FirstOnlineTimerId);
        PostOnlineTask(new CUpdate::CUpdateInfoDownload(m_hWnd, LoadedNoteletPath()));
        PostOnlineTask(new CStatisticsReportTask(AppClientId));
        SetTimer(HourlyOnlineTimerId, HourlyOnlineTimerDelayMs);
    } else if (id == HourlyOnlineTimerId) {
        if (IsStatisticsReportDue(static_cast<long long>(time(nullptr)), GetLastStatisticsTime()))
            PostOnlineTask(new CStatisticsReportTask(AppClientId));
    }
    CSkinMainFrame::OnTimer(id);
}

void CMainFrame::OnUpdateReady()
{
    CString netVersion = GetConfigString(L"UpdateNetVersion", L"");
    CString setupPath = GetSetupFilePath();
    if (netVersion.IsEmpty() || GetFileAttributesW(setupPath) == INVALID_FILE_ATTRIBUTES)
        return;
    // The setup is checked again and held against change from here until
    // it has started: the Update folder is writable by the user's programs.
    CVerifiedFile setup;
    if (!setup.Open(setupPath, GetConfigString(L"UpdateNetFileSha1", L"")))
        return;
    CString running;
    CModuleVersion version;
    if (version.valid)
        running.Format(L"%i.%i.%i.%i", version.major, version.minor, version.build, version.revision);
    CString question;
    question.Format(L"%s已准备好升级，当前版本%s，新版本%s，现在升级？", MainWindowTitle, running,
                    netVersion);
    if (SkinControl::SkinMessageBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof(execute);
    execute.lpVerb = IsVistaOrLater() ? L"runas" : L"open";
    execute.lpFile = setupPath;
    execute.nShow = SW_SHOWNORMAL;
    ShellExecuteExW(&execute);
}

void CMainFrame::OnNoteletUpdated()
{
    // Only the bytes the update check verified are copied, read through a
    // handle that keeps them from changing meanwhile: the Update folder is
    // writable by the user's programs.
    CVerifiedFile newModule;
    if (!newModule.Open(GetNewNoteletDllPath(), GetConfigString(L"UpdateNoteletNetFileSha1", L"")))
        return;
    const CString target = GetNoteletDllPath();
    // Unloaded first: a loaded module's file can be neither deleted nor
    // overwritten.
    UnloadNoteletModule();
    DeleteFileW(target);
    newModule.CopyTo(target);
    newModule.Close();
    SetConfigString(L"NoteletDllPath", target);
    LoadNoteletModule(m_hWnd);
}

void CMainFrame::OnShowMainWindow()
{
    if (!m_hWnd)
        return;
    ShowWindow(SW_SHOW);
    if (IsIconic()) {
        SendMessage(WM_SYSCOMMAND, SC_RESTORE);
    } else {
        ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ::SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    SetForegroundWindow(m_hWnd);
}

void CMainFrame::OnSetFocus()
{
    m_quickLinkList->SetFocus();
}

void CMainFrame::SaveWindowRect()
{
    // A minimised or hidden-by-minimise window reports a far-away rectangle;
    // SaveWindowRectSettings keeps the previous one then.
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    RECT rect;
    GetWindowRect(&rect);
    if (IsIconic() && GetWindowPlacement(m_hWnd, &placement)) {
        rect = placement.rcNormalPosition;
        if (!(GetExStyle() & WS_EX_TOOLWINDOW))
            rect = NormalPositionOnScreen(rect);
    }
    SaveWindowRectSettings(rect);
}

DWORD CMainFrame::ShutdownWaitLeft(DWORD wait) const
{
    if (!m_shutdownBegan)
        return wait;
    const DWORD spent = GetTickCount() - m_shutdownStart;
    return spent < wait ? wait - spent : 0;
}

void CMainFrame::OnDestroy()
{
    m_shutdownBegan = true;
    m_shutdownStart = GetTickCount();
    SaveWindowRect();
    CSkinMainFrame::OnDestroy();
    UnloadNoteletModule();
    UnregisterMainHotkey(m_hWnd);
    Shell_NotifyIconW(NIM_DELETE, &m_trayIcon);
}

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = HandleMessage(message, wParam, lParam);
    // Read only now: the module swap (0x1401) and WM_DESTROY rebind or unbind
    // the module while the frame handles them.
    if (NoteletFrameWndMsgFn hook = NoteletBinding.frameWndMsg)
        hook(message, wParam, lParam);
    return result;
}

LRESULT CMainFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_HOTKEY:
        OnHotKey(LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_COPYDATA:
        return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_MOVING: {
        LRESULT result = CSkinMainFrame::WindowProc(message, wParam, lParam);
        OnMoving(reinterpret_cast<RECT*>(lParam));
        return result;
    }
    case WM_SETTINGCHANGE: {
        LRESULT result = CSkinMainFrame::WindowProc(message, wParam, lParam);
        OnSettingChange();
        return result;
    }
    case WM_SYSCOMMAND: {
        LRESULT result = CSkinMainFrame::WindowProc(message, wParam, lParam);
        OnSysCommand(wParam);
        return result;
    }
    case WM_TRAY_NOTIFY:
        return OnTrayNotify(lParam);
    case WM_MENUCHAR: {
        LRESULT answer = 0;
        if (AnswerMenuChar(wParam, lParam, answer))
            return answer;
        break;
    }
    case WM_UPDATE_READY:
        OnUpdateReady();
        return 0;
    case WM_NOTELET_UPDATED:
        OnNoteletUpdated();
        return 0;
    case WM_SHOW_MAIN_WINDOW:
        OnShowMainWindow();
        return 0;
    case WM_ENDSESSION:
        // The session's end stops the process without WM_DESTROY.
        if (wParam)
            SaveWindowRect();
        break;
    case WM_SETFOCUS: {
        LRESULT result = CSkinMainFrame::WindowProc(message, wParam, lParam);
        OnSetFocus();
        return result;
    }
    }
    // A restarted shell has lost the icon and asks every program for it again.
    if (message == TaskbarCreatedMessage())
        AddTrayIcon();
    return CSkinMainFrame::WindowProc(message, wParam, lParam);
}
