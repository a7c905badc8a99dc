// The program's one top-level window: search bar, the tab with the
// quick-link list, the settings and help links, the tray icon, the global
// hotkey, the Run value, placement and edge docking, and the online timers.
#pragma once
#include "app/MainTab.h"
#include "app/PopupMenu.h"
#include "app/QuickLinkTreeList.h"
#include "app/SearchBar.h"
#include "core/ThreadPool.h"
#include "online/Update.h"
#include "skin/CSkinButtonEx.h"
#include "skin/CSkinMainFrame.h"

#include <shellapi.h>

#include <memory>
#include <vector>

// WM_UPDATE_READY and WM_NOTELET_UPDATED come from the update check.
const UINT WM_TRAY_NOTIFY = 0x500;
const UINT WM_SHOW_MAIN_WINDOW = 0x1402;

const UINT TrayIconId = 100;
const UINT SettingsButtonId = 300;
const UINT HelpButtonId = 301;

// Tray and help menu commands.
enum MainMenuCommand : UINT {
    HelpPageCommand = 100,
    HomePageCommand = 101,
    ForumCommand = 102,
    AboutCommand = 200,
    TrayShowCommand = 514,
    TrayExitCommand = 515,
    TraySettingsCommand = 516,
};

// The maker's web addresses behind the help menu and the about box.
extern const wchar_t* const MakerHomePage;
extern const wchar_t* const MakerHelpPage;
extern const wchar_t* const MakerForumPage;

class CMainFrame : public SkinControl::CSkinMainFrame
{
public:
    CMainFrame();
    ~CMainFrame() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void GetSysButtonImages(Gdiplus::Image** close, Gdiplus::Image** minimize, Gdiplus::Image** maximize,
                            Gdiplus::Image** restore, int* frameCount) override;
    void RecalcLayout() override;
    void OnGetMinMaxInfo(MINMAXINFO* info) override;
    void DrawBackground(CDC* dc) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // Hands a command URL from WM_COPYDATA to the quick-link list.
    void AddLinksToCatalog(const CString& commandUrl);
    CQuickLinkTreeList& QuickLinkList() { return *m_quickLinkList; }
    // At exit while a worker the pool abandoned may still be inside one of
    // the list's items: the list is never destroyed under it, the end of
    // the process releases it.
    void LeaveQuickLinkListToProcessEnd() { m_leaveQuickLinkList = true; }
    // What is left of a shut-down wait of `wait` ms counted from the start
    // of the shut-down, the frame's destruction; all of it before that.
    DWORD ShutdownWaitLeft(DWORD wait) const;

    void SaveWindowRect();
    // The message a restarted shell broadcasts to have tray icons added again.
    static UINT TaskbarCreatedMessage();

protected:
    int OnCreate(LPCREATESTRUCT cs) override;
    void OnDestroy() override;
    void OnTimer(UINT_PTR id) override;

    void OnSettings();
    void OnHelpButton();
    void OnHotKey(UINT modifiers, UINT keyCode);
    LRESULT OnCopyData(const COPYDATASTRUCT* data);
    void OnMoving(RECT* proposed);
    void OnSettingChange();
    void OnSysCommand(WPARAM command);
    LRESULT OnTrayNotify(LPARAM mouseMessage);
    void OnUpdateReady();
    void OnNoteletUpdated();
    void OnShowMainWindow();
    void OnSetFocus();

    // Hands the timers' online tasks to the thread pool.
    virtual void PostOnlineTask(SkinControl::CThreadPool::CWorkItem* task);

private:
    // The frame's own handling of a message, before the module's hook.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The file of the bound message module; empty while none is bound.
    CString LoadedNoteletPath() const;
    bool CreateChildren();
    void AddTrayIcon();
    void RestoreFromTray();
    void ShowAboutDialog();
    // Tracks a popup menu from the foreground; the chosen command, 0 when none.
    UINT TrackMenu(const std::vector<MenuEntry>& entries, POINT screenPoint);

    CSearchBar m_searchBar;
    CMainTab m_tab;
    std::unique_ptr<CQuickLinkTreeList> m_quickLinkList{new CQuickLinkTreeList};
    bool m_leaveQuickLinkList = false;
    bool m_shutdownBegan = false;
    DWORD m_shutdownStart = 0; // GetTickCount at the frame's WM_DESTROY
    SkinControl::CSkinButtonEx m_settingsButton;
    SkinControl::CSkinButtonEx m_helpButton;
    NOTIFYICONDATAW m_trayIcon = {};
};
