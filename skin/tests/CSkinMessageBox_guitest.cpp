// The skinned message box as the user and its caller see it: size for one
// and several lines, buttons, their places and results, the close button,
// Escape and Enter, centring on the owner, its pixels and its failures.
#include "DialogTestSkin.h"

#include "skin/CSkinMessageBox.h"

#include <functional>
#include <string>

using namespace SkinControl;
using namespace SkinTest;

namespace
{

const wchar_t kOneLine[] = L"热键 CTRL + 1 注册失败，请修改！";
const wchar_t kSeveralLines[] =
    L"分组“默认”中还有快捷方式。删除分组会同时删除其中所有的快捷方式，删除后无法恢复。确定要删除这个分组吗？"
    L"如果只想整理快捷方式，可以先把它们拖到其他分组。";

// The action a test runs on the box from inside its modal loop.
std::function<void(HWND)> g_action;
bool g_acted = false;
int g_ticksAfter = 0;
bool g_timedOut = false;

BOOL CALLBACK TakeVisibleDialog(HWND hwnd, LPARAM param)
{
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (wcscmp(name, L"#32770") != 0 || !IsWindowVisible(hwnd))
        return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

HWND FindBox()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), TakeVisibleDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = FindBox();
    if (!box)
        return;
    if (!g_acted) {
        g_acted = true;
        g_action(box);
    } else if (++g_ticksAfter > 100) {
        // The action did not end the box: end it so the test fails, not hangs.
        g_timedOut = true;
        PostMessageW(box, WM_CLOSE, 0, 0);
    }
}

int RunBox(const wchar_t* text, UINT type, std::function<void(HWND)> action)
{
    g_action = std::move(action);
    g_acted = false;
    g_ticksAfter = 0;
    g_timedOut = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, OnTimer);
    const int result = SkinMessageBox(text, type);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(g_acted);
    EXPECT_FALSE(g_timedOut);
    return result;
}

CRect ChildRect(HWND box, int id)
{
    CRect rect;
    HWND child = GetDlgItem(box, id);
    if (!child)
        return rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring TextOf(HWND box, int id)
{
    wchar_t text[32] = {};
    GetDlgItemTextW(box, id, text, 32);
    return text;
}

void ClickItem(HWND box, int id)
{
    HWND item = GetDlgItem(box, id);
    SendMessageW(item, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(item, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

CSize WindowSize(HWND hwnd)
{
    CRect rect;
    GetWindowRect(hwnd, &rect);
    return rect.Size();
}

// The box takes the active window as its owner: one for the whole suite,
// activated once, since Wine is slow to destroy an activated window.
class OwnerWindow : public CWnd
{
public:
    BOOL Create()
    {
        if (!CreateEx(0, L"STATIC", L"owner", WS_POPUP, 300, 200, 600, 400, nullptr, nullptr))
            return FALSE;
        ShowWindow(SW_SHOW);
        SetForegroundWindow(m_hWnd);
        return TRUE;
    }
};

class SkinMessageBoxTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = new TempFolder;
        LoadDialogSkin(*folder);
        owner = new OwnerWindow;
        ASSERT_TRUE(owner->Create());
    }
    static void TearDownTestSuite()
    {
        delete owner;
        owner = nullptr;
        UnloadDialogSkin();
        delete folder;
        folder = nullptr;
    }
    void SetUp() override { SetActiveWindow(owner->m_hWnd); }

    static TempFolder* folder;
    static OwnerWindow* owner;
};

TempFolder* SkinMessageBoxTest::folder = nullptr;
OwnerWindow* SkinMessageBoxTest::owner = nullptr;

TEST_F(SkinMessageBoxTest, OneLineWarningIsIconHighWithOneCentredOkButton)
{
    CSize size;
    CRect ok, close;
    std::wstring okText, title;
    HWND second = nullptr;
    EXPECT_EQ(IDOK, RunBox(kOneLine, MB_ICONEXCLAMATION, [&](HWND box) {
                  size = WindowSize(box);
                  ok = ChildRect(box, 2049);
                  close = ChildRect(box, 256);
                  okText = TextOf(box, 2049);
                  wchar_t text[32] = {};
                  GetWindowTextW(box, text, 32);
                  title = text;
                  second = GetDlgItem(box, 2050);
                  ClickItem(box, 2049);
              }));
    const CSize text = MeasureText(L"Font10", kOneLine, 284 - 32);
    ASSERT_LT(text.cy + 1, 32);
    EXPECT_EQ(CSize(320, 32 + 102), size);
    EXPECT_EQ(L"确定", okText);
    EXPECT_EQ(L"Velmora", title);
    EXPECT_EQ(nullptr, second);
    EXPECT_EQ(CRect(126, 134 - 36, 194, 134 - 14), ok);
    EXPECT_EQ(CRect(320 - 30 - 2, 0, 320 - 2, 31), close);
}

TEST_F(SkinMessageBoxTest, SeveralLinesWrapWithinTheBodyAndTheBoxGrows)
{
    CSize size;
    CRect ok;
    EXPECT_EQ(IDOK, RunBox(kSeveralLines, MB_ICONQUESTION, [&](HWND box) {
                  size = WindowSize(box);
                  ok = ChildRect(box, 2049);
                  ClickItem(box, 2049);
              }));
    const CSize text = MeasureText(L"Font10", kSeveralLines, 284 - 32);
    ASSERT_GT(text.cy + 1, 32);
    EXPECT_LE(text.cx, 284 - 32);
    EXPECT_EQ(CSize(320, text.cy + 1 + 102), size);
    EXPECT_EQ(size.cy - 36, ok.top);
}

TEST_F(SkinMessageBoxTest, YesNoButtonsSitInACentredGroupAndGiveYesAndNo)
{
    CRect yes, no;
    std::wstring yesText, noText;
    EXPECT_EQ(IDYES, RunBox(kOneLine, MB_YESNO | MB_ICONQUESTION, [&](HWND box) {
                  yes = ChildRect(box, 2049);
                  no = ChildRect(box, 2050);
                  yesText = TextOf(box, 2049);
                  noText = TextOf(box, 2050);
                  ClickItem(box, 2049);
              }));
    EXPECT_EQ(L"是", yesText);
    EXPECT_EQ(L"否", noText);
    EXPECT_EQ(CRect(72, 98, 140, 120), yes);
    EXPECT_EQ(CRect(180, 98, 248, 120), no);
    EXPECT_EQ(IDNO, RunBox(kOneLine, MB_YESNO, [](HWND box) { ClickItem(box, 2050); }));
}

TEST_F(SkinMessageBoxTest, CloseButtonGivesNoForYesNoAndCancelOtherwise)
{
    EXPECT_EQ(IDNO, RunBox(kOneLine, MB_YESNO | MB_ICONQUESTION, [](HWND box) { ClickItem(box, 256); }));
    EXPECT_EQ(IDCANCEL, RunBox(kOneLine, MB_ICONEXCLAMATION, [](HWND box) { ClickItem(box, 256); }));
}

TEST_F(SkinMessageBoxTest, EscapeGivesCancelAlsoForYesNoAndEnterClicksTheFocusedButton)
{
    EXPECT_EQ(IDCANCEL,
              RunBox(kOneLine, MB_YESNO, [](HWND) { PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1); }));
    EXPECT_EQ(IDYES, RunBox(kOneLine, MB_YESNO, [](HWND box) {
                  EXPECT_EQ(GetDlgItem(box, 2049), GetFocus());
                  PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 1);
              }));
}

TEST_F(SkinMessageBoxTest, TheBoxIsCentredOnItsOwnerWhichIsDisabledMeanwhile)
{
    CRect boxRect;
    bool ownerEnabled = true;
    RunBox(kOneLine, MB_ICONEXCLAMATION, [&](HWND box) {
        GetWindowRect(box, &boxRect);
        ownerEnabled = owner->IsWindowEnabled() != FALSE;
        ClickItem(box, 2049);
    });
    CRect ownerRect;
    owner->GetWindowRect(&ownerRect);
    EXPECT_NEAR(ownerRect.CenterPoint().x, boxRect.CenterPoint().x, 1);
    EXPECT_NEAR(ownerRect.CenterPoint().y, boxRect.CenterPoint().y, 1);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(owner->IsWindowEnabled());
}

TEST_F(SkinMessageBoxTest, AnOwnerAtAnEdgeOfTheScreenKeepsTheBoxInsideTheWorkArea)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(owner->m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor));
    const CRect work = monitor.rcWork;
    CRect saved;
    owner->GetWindowRect(&saved);
    // Each owner narrower or lower than the box, flush with one edge.
    const CRect owners[] = {{work.right - 300, 200, work.right, 600},
                            {work.left, 200, work.left + 300, 600},
                            {300, work.bottom - 60, 900, work.bottom},
                            {300, work.top, 900, work.top + 60}};
    for (const CRect& ownerRect : owners) {
        SetWindowPos(owner->m_hWnd, nullptr, ownerRect.left, ownerRect.top, ownerRect.Width(),
                     ownerRect.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        CRect boxRect;
        RunBox(kOneLine, MB_ICONEXCLAMATION, [&](HWND box) {
            GetWindowRect(box, &boxRect);
            ClickItem(box, 2049);
        });
        CRect inside;
        IntersectRect(&inside, &boxRect, &work);
        EXPECT_TRUE(inside == boxRect)
            << boxRect.left << "," << boxRect.top << " " << boxRect.right << "," << boxRect.bottom;
    }
    SetWindowPos(owner->m_hWnd, nullptr, saved.left, saved.top, saved.Width(), saved.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

TEST_F(SkinMessageBoxTest, TheSharedQuestionIconOutlivesTheBox)
{
    HICON question = LoadIconW(nullptr, IDI_QUESTION);
    ASSERT_NE(nullptr, question);
    RunBox(kOneLine, MB_YESNO | MB_ICONQUESTION, [](HWND box) { ClickItem(box, 2049); });
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(question, &info));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(question, LoadIconW(nullptr, IDI_QUESTION));
}

TEST_F(SkinMessageBoxTest, ItShowsTheFrameTitleIconAndTextOverTheTemplate)
{
    bool drawn = false;
    RunBox(kOneLine, MB_ICONEXCLAMATION, [&](HWND box) {
        RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PumpMessages(100);
        Pixels shot = CaptureClient(box);
        EXPECT_COLOR(kTemplateTitle, shot.Pixel(250, 3));
        EXPECT_COLOR(kTemplateBorder, shot.Pixel(0, 60));
        EXPECT_COLOR(kTemplateBorder, shot.Pixel(319, 60));
        EXPECT_COLOR(kTemplateBody, shot.Pixel(5, 60));
        EXPECT_COLOR(kTemplateBottom, shot.Pixel(160, 133));
        // White title text in the band, black text and the icon in the body.
        int white = 0;
        for (int y = 0; y < 31; ++y)
            for (int x = 18; x < 240; ++x)
                white += Near(RGB(255, 255, 255), shot.Pixel(x, y), 40);
        EXPECT_GT(white, 10);
        EXPECT_GT(DarkPixels(shot, CRect(60, 51, 312, 83)), 20);
        int icon = 0;
        for (int y = 51; y < 83; ++y)
            for (int x = 20; x < 52; ++x)
                icon += !Near(kTemplateBody, shot.Pixel(x, y), 10);
        EXPECT_GT(icon, 50);
        // For people to look at; nothing compares it: the pixels above are the check.
        EXPECT_TRUE(SaveWindowShot(box, ArtefactPath(L"skin_message_box.png")));
        drawn = true;
        ClickItem(box, 2049);
    });
    EXPECT_TRUE(drawn);
}

// Refuses the creation of the box's first button.
LRESULT CALLBACK RefuseFirstButton(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
        if (create->lpcs->hMenu == reinterpret_cast<HMENU>(static_cast<UINT_PTR>(2049)))
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(SkinMessageBoxTest, ABoxWhoseButtonCannotBeMadeEndsAtOnceWithMinusOne)
{
    HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseFirstButton, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    // A box that shows anyway is closed, so the test fails instead of hanging.
    g_action = [](HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); };
    g_acted = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, OnTimer);
    const int result = SkinMessageBox(kOneLine, MB_YESNO);
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(-1, result);
    EXPECT_FALSE(g_acted);
    EXPECT_EQ(nullptr, FindBox());
    EXPECT_TRUE(owner->IsWindowEnabled());
    // The box works again once buttons can be made.
    EXPECT_EQ(IDNO, RunBox(kOneLine, MB_YESNO, [](HWND box) { ClickItem(box, 2050); }));
}

TEST_F(SkinMessageBoxTest, WithoutFont10TheBoxKeepsItsTemplateSizeAndStillWorks)
{
    UnloadDialogSkin();
    CSkinRes::SetSkinFolder(folder->Path().c_str());
    ASSERT_EQ(1, CSkinRes::LoadImage(L"sysmenu_close2.png"));
    CSize size;
    EXPECT_EQ(IDOK, RunBox(kOneLine, MB_ICONEXCLAMATION, [&](HWND box) {
                  size = WindowSize(box);
                  ClickItem(box, 2049);
              }));
    EXPECT_NE(320, size.cx);
    LoadDialogSkin(*folder);
}

TEST_F(SkinMessageBoxTest, WithoutTheCloseImageTheButtonsAreStillPlacedAndAnswer)
{
    UnloadDialogSkin();
    CSkinRes::SetSkinFolder(folder->Path().c_str());
    const wchar_t* const faces[3] = {L"微软雅黑", L"宋体", L"Tahoma"};
    ASSERT_NE(nullptr, CSkinRes::AddFont(L"Font10", faces, 10));
    CRect yes;
    HWND close = nullptr;
    EXPECT_EQ(IDYES, RunBox(kOneLine, MB_YESNO | MB_ICONQUESTION, [&](HWND box) {
                  yes = ChildRect(box, 2049);
                  close = GetDlgItem(box, 256);
                  ClickItem(box, 2049);
              }));
    EXPECT_EQ(CRect(72, 98, 140, 120), yes);
    EXPECT_EQ(nullptr, close);
    LoadDialogSkin(*folder);
}

TEST(DialogTemplate, NineSlicesCoverTheClientRectangle)
{
    TempFolder folder;
    LoadDialogSkin(folder);
    MemoryCanvas canvas(100, 80, RGB(1, 2, 3));
    EXPECT_EQ(1, DrawDialogTemplate(&canvas.dc, CRect(0, 0, 100, 80)));
    EXPECT_COLOR(kTemplateTitleCap, canvas.Pixel(2, 10));
    EXPECT_COLOR(kTemplateTitle, canvas.Pixel(5, 30));
    EXPECT_COLOR(kTemplateTitle, canvas.Pixel(94, 0));
    EXPECT_COLOR(kTemplateTitleCap, canvas.Pixel(97, 10));
    EXPECT_COLOR(kTemplateBorder, canvas.Pixel(1, 31));
    EXPECT_COLOR(kTemplateBorder, canvas.Pixel(98, 73));
    EXPECT_COLOR(kTemplateBody, canvas.Pixel(2, 31));
    EXPECT_COLOR(kTemplateBody, canvas.Pixel(50, 73));
    EXPECT_COLOR(kTemplateBottom, canvas.Pixel(50, 74));
    EXPECT_COLOR(kTemplateBottom, canvas.Pixel(0, 79));
    EXPECT_COLOR(kTemplateBottom, canvas.Pixel(99, 79));
    UnloadDialogSkin();
    MemoryCanvas empty(10, 10, RGB(1, 2, 3));
    EXPECT_EQ(0, DrawDialogTemplate(&empty.dc, CRect(0, 0, 10, 10)));
    EXPECT_COLOR(RGB(1, 2, 3), empty.Pixel(5, 5));
}

} // namespace
