// The about and settings dialogs run modally in this process; a thread timer
// looks at them while their loop runs and then closes them.
#include "app/DlgAbout.h"
#include "app/DlgSetting.h"
#include "app/MainHotkey.h"
#include "app/QuorventileApp.h"
#include "core/AppDatabase.h"
#include "skin/CSkinImageCtrl.h"
#include "skin/tests/GuiTestHelpers.h"

#include <functional>

namespace
{
std::wstring ExeFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\'));
}

std::function<void(HWND)> g_inspect;
const wchar_t* g_title = nullptr;

void CALLBACK InspectDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = FindWindowW(L"#32770", g_title);
    if (!dialog || !IsWindowVisible(dialog))
        return;
    KillTimer(nullptr, timer);
    g_inspect(dialog);
    if (IsWindow(dialog))
        PostMessageW(dialog, WM_CLOSE, 0, 0);
}

// Runs the dialog, calling `inspect` once it is shown; its result.
INT_PTR RunDialog(CDialog& dialog, const wchar_t* title, std::function<void(HWND)> inspect)
{
    g_inspect = std::move(inspect);
    g_title = title;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, InspectDialog);
    INT_PTR result = dialog.DoModal();
    KillTimer(nullptr, timer);
    return result;
}

// The first and last rows, in the dialog's client coordinates, that hold
// dark ink of the control's text; {0, -1} when none.
std::pair<int, int> InkRows(const SkinTest::Pixels& shot, HWND dialog, HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    std::pair<int, int> rows(0, -1);
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x) {
            const COLORREF pixel = shot.Pixel(x, y);
            if (GetRValue(pixel) < 100 && GetGValue(pixel) < 100 && GetBValue(pixel) < 100) {
                rows = {rows.second < 0 ? y : rows.first, y};
                break;
            }
        }
    return rows;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

class AppDialogs : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = new SkinTest::TempFolder;
        SetAppDatabasePath(folder->File(L"AppData.db").c_str());
        OpenAppDatabase();
        SkinControl::CSkinRes::SetSkinFolder((ExeFolder() + L"\\..\\Skin").c_str());
        PreloadSkin();
    }
    static void TearDownTestSuite()
    {
        CloseAppDatabase();
        SkinControl::CSkinRes::Global().FreeAll();
        delete folder;
    }
    static SkinTest::TempFolder* folder;
};
SkinTest::TempFolder* AppDialogs::folder = nullptr;

TEST_F(AppDialogs, AboutShowsTheLogoAndTheSiteCentredOnTheWorkArea)
{
    CDlgAbout about;
    bool inspected = false;
    INT_PTR result = RunDialog(about, L"关于Velmora", [&](HWND dialog) {
        inspected = true;
        RECT rect, area;
        GetWindowRect(dialog, &rect);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        EXPECT_EQ(400, rect.right - rect.left);
        EXPECT_EQ(160, rect.bottom - rect.top);
        EXPECT_EQ(area.top + (area.bottom - area.top - 160) / 2, rect.top);
        EXPECT_EQ(L"版本：", TextOf(GetDlgItem(dialog, 102)));
        // This test program has no version resource: the version is empty.
        EXPECT_EQ(L"", TextOf(GetDlgItem(dialog, 103)));
        EXPECT_EQ(std::wstring(MakerHomePage), TextOf(GetDlgItem(dialog, 105)));
        auto* logo = dynamic_cast<SkinControl::CSkinImageCtrl*>(about.GetControl(101));
        ASSERT_NE(nullptr, logo);
        EXPECT_EQ(SkinControl::CSkinRes::GetBitmap(L"Quorventile.png"), logo->GetBitmap());
        // The caption band is the skin's blue.
        SkinTest::Pixels shot = SkinTest::CaptureClient(dialog);
        COLORREF band = shot.Pixel(200, 5);
        EXPECT_GT(GetBValue(band), GetRValue(band) + 60) << SkinTest::ColorText(band);
        // The site's address stands on the line of its label.
        const auto label = InkRows(shot, dialog, GetDlgItem(dialog, 104));
        const auto site = InkRows(shot, dialog, GetDlgItem(dialog, 105));
        ASSERT_GT(label.second, label.first);
        ASSERT_GT(site.second, site.first);
        EXPECT_NEAR(label.first + label.second, site.first + site.second, 4)
            << "label rows " << label.first << "-" << label.second << ", address rows " << site.first << "-"
            << site.second;
    });
    EXPECT_TRUE(inspected);
    EXPECT_EQ(IDCANCEL, result);
}

TEST_F(AppDialogs, SettingsOkWithNoHotkeyKeepsTheRegisteredOne)
{
    SkinControl::CWndBase owner;
    ASSERT_TRUE(owner.Create(nullptr, WS_POPUP, 0, CRect(0, 0, 10, 10)));
    ASSERT_TRUE(RegisterMainHotkey(owner.m_hWnd, L"CTRL + ALT + 8"));
    SetConfigString(L"HotkeyMainWindow", L"CTRL + ALT + 8");
    SetConfigInt(L"AutoFloatWindow", 1);
    CDlgSetting settings(owner.m_hWnd);
    INT_PTR result = RunDialog(settings, L"Velmora设置", [&](HWND dialog) {
        HWND edit = GetDlgItem(dialog, CDlgSetting::HotkeyEdit);
        EXPECT_EQ(L"CTRL + ALT + 8", TextOf(edit));
        SetWindowTextW(edit, L"无");
        SendMessageW(GetDlgItem(dialog, CDlgSetting::DockingBox), BM_SETCHECK, BST_UNCHECKED, 0);
        // The Run value's box as it was found, so nothing restarts.
        settings.OnCommand(MAKEWPARAM(CDlgSetting::OkButton, BN_CLICKED),
                           reinterpret_cast<LPARAM>(GetDlgItem(dialog, CDlgSetting::OkButton)));
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(CString(L"CTRL + ALT + 8"), MainHotkey.text);
    EXPECT_EQ(CString(L"CTRL + ALT + 8"), GetConfigString(L"HotkeyMainWindow", L""));
    EXPECT_EQ(0, GetConfigInt(L"AutoFloatWindow", 1));
    UnregisterMainHotkey(owner.m_hWnd);
    owner.DestroyWindow();
}

TEST_F(AppDialogs, SettingsCancelChangesNothing)
{
    SetConfigInt(L"AutoFloatWindow", 1);
    SetConfigString(L"HotkeyMainWindow", L"CTRL + 1");
    CDlgSetting settings(nullptr);
    INT_PTR result = RunDialog(settings, L"Velmora设置", [&](HWND dialog) {
        SetWindowTextW(GetDlgItem(dialog, CDlgSetting::HotkeyEdit), L"CTRL + 5");
        SendMessageW(GetDlgItem(dialog, CDlgSetting::DockingBox), BM_SETCHECK, BST_UNCHECKED, 0);
        settings.OnCommand(MAKEWPARAM(CDlgSetting::CancelButton, BN_CLICKED),
                           reinterpret_cast<LPARAM>(GetDlgItem(dialog, CDlgSetting::CancelButton)));
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(1, GetConfigInt(L"AutoFloatWindow", 0));
    EXPECT_EQ(CString(L"CTRL + 1"), GetConfigString(L"HotkeyMainWindow", L""));
}
} // namespace
