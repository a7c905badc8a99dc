// The window layer as a derived class sees it: creation and subclassing,
// the handler and default-handling road, reflection to child controls, the
// PreTranslateMessage walk of the message loop, and the application object.
#include "framework/CButton.h"
#include "framework/CDC.h"
#include "framework/CWinApp.h"
#include "framework/CWnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

const wchar_t kPlainClass[] = L"QvFrameworkTestWindow";

void RegisterPlainClass()
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), kPlainClass, &wc))
        return;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kPlainClass;
    ASSERT_NE(0, RegisterClassExW(&wc));
}

// Handles every waiting message the way the application's loop does.
void PumpPending()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (msg.message == WM_QUIT || !AfxPumpMessage())
            return;
    }
}

class RecordingWnd : public CWnd
{
public:
    std::vector<std::wstring> log;
    bool mappedInPreSubclass = false;
    bool postNcDestroyCalled = false;
    BOOL swallowKeys = FALSE;
    int commands = 0;

    void PreSubclassWindow() override
    {
        log.push_back(L"PreSubclassWindow");
        mappedInPreSubclass = FromHandlePermanent(m_hWnd) == this;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_NCCREATE)
            log.push_back(L"WM_NCCREATE");
        if (message == WM_KEYDOWN)
            log.push_back(L"dispatched WM_KEYDOWN");
        return CWnd::WindowProc(message, wParam, lParam);
    }
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message != WM_KEYDOWN)
            return FALSE;
        log.push_back(L"PreTranslateMessage");
        return swallowKeys;
    }
    BOOL OnCommand(WPARAM, LPARAM) override
    {
        ++commands;
        return TRUE;
    }
    void PostNcDestroy() override { postNcDestroyCalled = true; }

protected:
    int OnCreate(LPCREATESTRUCT cs) override
    {
        log.push_back(L"OnCreate");
        return CWnd::OnCreate(cs);
    }
};

class CountingButton : public CButton
{
public:
    int drawItems = 0;
    int reflectedCommands = 0;
    bool handleCommands = false;

    void DrawItem(LPDRAWITEMSTRUCT) override { ++drawItems; }
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (message == WM_COMMAND) {
            ++reflectedCommands;
            if (handleCommands) {
                *result = 0;
                return TRUE;
            }
        }
        return CButton::OnChildNotify(message, wParam, lParam, result);
    }
};

class WindowLayer : public ::testing::Test
{
protected:
    void SetUp() override { RegisterPlainClass(); }

    void CreateTopLevel(RecordingWnd& wnd)
    {
        // Shown without activation: Wine then leaves the window unmanaged,
        // which keeps it from waiting for a window manager when destroyed.
        ASSERT_TRUE(wnd.CreateEx(0, kPlainClass, L"test", WS_POPUP, CRect(10, 10, 310, 210), nullptr, 0));
        wnd.ShowWindow(SW_SHOWNOACTIVATE);
    }
};

TEST_F(WindowLayer, CreationSubclassesBeforeTheFirstMessage)
{
    RecordingWnd wnd;
    CreateTopLevel(wnd);
    ASSERT_GE(wnd.log.size(), 3u);
    EXPECT_EQ(L"PreSubclassWindow", wnd.log[0]);
    EXPECT_EQ(L"WM_NCCREATE", wnd.log[1]);
    EXPECT_EQ(L"OnCreate", wnd.log[2]);
    EXPECT_TRUE(wnd.mappedInPreSubclass);
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(wnd.m_hWnd));
}

TEST_F(WindowLayer, DestroyingTheWindowDetachesTheObject)
{
    RecordingWnd wnd;
    CreateTopLevel(wnd);
    HWND hwnd = wnd.m_hWnd;
    ASSERT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    EXPECT_TRUE(wnd.postNcDestroyCalled);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hwnd));
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WindowLayer, DestroyingTheObjectDestroysItsWindow)
{
    HWND hwnd;
    {
        RecordingWnd wnd;
        CreateTopLevel(wnd);
        hwnd = wnd.m_hWnd;
    }
    EXPECT_FALSE(IsWindow(hwnd));
}

LRESULT CALLBACK RefuseEveryWindow(int code, WPARAM wParam, LPARAM lParam)
{
    return code == HCBT_CREATEWND ? 1 : CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(WindowLayer, AWindowRefusedByAnotherHookLeavesTheObjectWithoutOne)
{
    RecordingWnd wnd;
    HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseEveryWindow, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    const BOOL created = wnd.CreateEx(0, kPlainClass, L"", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0);
    UnhookWindowsHookEx(hook);
    EXPECT_FALSE(created);
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    // The object can make its window once nothing refuses it.
    CreateTopLevel(wnd);
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(wnd.m_hWnd));
}

TEST_F(WindowLayer, TemporaryObjectsNeverOwnTheirWindow)
{
    HWND hwnd =
        CreateWindowExW(0, kPlainClass, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    CWnd* temp = CWnd::FromHandle(hwnd);
    ASSERT_NE(nullptr, temp);
    EXPECT_EQ(hwnd, temp->m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hwnd));
    CWnd::DeleteTempMap();
    EXPECT_TRUE(IsWindow(hwnd));
    DestroyWindow(hwnd);
}

// A window made without us, whose own procedure counts what reaches it.
int g_originalProcCalls = 0;
LRESULT CALLBACK OriginalProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_USER + 1)
        ++g_originalProcCalls;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST_F(WindowLayer, SubclassingAnExistingWindowKeepsItsProcedureBehind)
{
    HWND hwnd =
        CreateWindowExW(0, kPlainClass, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OriginalProc));
    g_originalProcCalls = 0;

    RecordingWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(hwnd));
    EXPECT_EQ(std::vector<std::wstring>{L"PreSubclassWindow"}, wnd.log);
    EXPECT_TRUE(wnd.mappedInPreSubclass);
    // Not decoded by the layer: default handling reaches the old procedure.
    SendMessageW(hwnd, WM_USER + 1, 0, 0);
    EXPECT_EQ(1, g_originalProcCalls);

    RecordingWnd second;
    EXPECT_FALSE(second.SubclassWindow(hwnd)) << "a window has one owner";

    EXPECT_EQ(hwnd, wnd.UnsubclassWindow());
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(&OriginalProc), GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hwnd));
    DestroyWindow(hwnd);
}

// A window whose WindowProc override calls a handler itself, before the
// layer's own decoding; its class procedure records what default handling
// passes on and, the first time, answers WM_USER + 3 by sending
// WM_GETMINMAXINFO back.
std::vector<UINT> g_defaultHandled;
LRESULT CALLBACK RecordingClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GETMINMAXINFO || message == WM_USER + 3) {
        g_defaultHandled.push_back(message);
        if (message == WM_USER + 3 && g_defaultHandled.size() == 1) {
            MINMAXINFO info = {};
            SendMessageW(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class EarlyHandlerWnd : public CWnd
{
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_GETMINMAXINFO) {
            OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam)); // the base's: Default()
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

TEST_F(WindowLayer, DefaultPassesOnTheMessageTheOverrideIsHandling)
{
    HWND hwnd =
        CreateWindowExW(0, kPlainClass, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingClassProc));
    EarlyHandlerWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(hwnd));
    g_defaultHandled.clear();

    MINMAXINFO info = {};
    wnd.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(std::vector<UINT>{WM_GETMINMAXINFO}, g_defaultHandled) << "outside any other message";

    g_defaultHandled.clear();
    wnd.SendMessage(WM_USER + 3);
    EXPECT_EQ((std::vector<UINT>{WM_USER + 3, WM_GETMINMAXINFO}), g_defaultHandled)
        << "inside the handling of another message";
    wnd.DestroyWindow();
}

TEST_F(WindowLayer, ChildNotificationsAreReflectedToTheChild)
{
    RecordingWnd parent;
    CreateTopLevel(parent);
    CountingButton button;
    ASSERT_TRUE(button.Create(L"ok", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(5, 5, 80, 30), &parent, 42));
    button.RedrawWindow();
    EXPECT_GE(button.drawItems, 1) << "WM_DRAWITEM reaches the button's DrawItem";

    SendMessageW(parent.m_hWnd, WM_COMMAND, MAKEWPARAM(42, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button.m_hWnd));
    EXPECT_EQ(1, button.reflectedCommands);
    EXPECT_EQ(1, parent.commands) << "a child that does not take it leaves it to the parent";

    button.handleCommands = true;
    SendMessageW(parent.m_hWnd, WM_COMMAND, MAKEWPARAM(42, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button.m_hWnd));
    EXPECT_EQ(2, button.reflectedCommands);
    EXPECT_EQ(1, parent.commands);
}

class KeyWindows : public WindowLayer
{
protected:
    void SetUp() override
    {
        WindowLayer::SetUp();
        CreateTopLevel(parent);
        ASSERT_TRUE(
            child.CreateEx(0, kPlainClass, L"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 50, 50), &parent, 7));
        PumpPending();
        parent.log.clear();
        child.log.clear();
    }
    void PostKey() { PostMessageW(child.m_hWnd, WM_KEYDOWN, VK_SPACE, 0); }

    RecordingWnd parent;
    RecordingWnd child;
};

TEST_F(KeyWindows, PreTranslateWalksFromTheTargetUpToItsTopLevelWindow)
{
    PostKey();
    PumpPending();
    EXPECT_EQ((std::vector<std::wstring>{L"PreTranslateMessage", L"dispatched WM_KEYDOWN"}), child.log);
    EXPECT_EQ(std::vector<std::wstring>{L"PreTranslateMessage"}, parent.log);
}

TEST_F(KeyWindows, ATakenMessageIsNeitherPassedUpNorDispatched)
{
    child.swallowKeys = TRUE;
    PostKey();
    PumpPending();
    EXPECT_EQ(std::vector<std::wstring>{L"PreTranslateMessage"}, child.log);
    EXPECT_TRUE(parent.log.empty());
}

// Ends a modal loop when its own message arrives, after the key before it.
class LoopEnder : public CWnd
{
public:
    CWnd* modal = nullptr;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_USER + 5)
            modal->EndModalLoop(3);
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

TEST_F(KeyWindows, ModalLoopsPreTranslateToo)
{
    LoopEnder ender;
    ASSERT_TRUE(ender.CreateEx(0, kPlainClass, L"", WS_POPUP, CRect(0, 0, 1, 1), nullptr, 0));
    ender.modal = &parent;
    parent.swallowKeys = TRUE;
    PostKey();
    ender.PostMessage(WM_USER + 5);
    EXPECT_EQ(3, parent.RunModalLoop());
    EXPECT_EQ(std::vector<std::wstring>{L"PreTranslateMessage"}, child.log);
    EXPECT_EQ(std::vector<std::wstring>{L"PreTranslateMessage"}, parent.log);
}

class TestApp : public CWinApp
{
public:
    BOOL initResult = FALSE;
    int exitInstanceCalls = 0;
    RecordingWnd frame;

    BOOL InitInstance() override
    {
        if (!initResult)
            return FALSE;
        RegisterPlainClass();
        frame.CreateEx(0, kPlainClass, L"main", WS_POPUP, CRect(0, 0, 100, 100), nullptr, 0);
        m_pMainWnd = &frame;
        frame.PostMessage(WM_CLOSE);
        return TRUE;
    }
    int ExitInstance() override
    {
        ++exitInstanceCalls;
        return CWinApp::ExitInstance() + 100;
    }
};

TEST(Application, ExitInstanceRunsWhenInitInstanceFails)
{
    TestApp app;
    ASSERT_EQ(&app, AfxGetApp());
    EXPECT_EQ(100, AfxWinMain(nullptr, SW_SHOW));
    EXPECT_EQ(1, app.exitInstanceCalls);
}

TEST(Application, ClosingTheMainWindowEndsTheLoop)
{
    TestApp app;
    app.initResult = TRUE;
    EXPECT_EQ(100, AfxWinMain(nullptr, SW_SHOW));
    EXPECT_EQ(1, app.exitInstanceCalls);
    EXPECT_EQ(nullptr, app.frame.m_hWnd);
    EXPECT_EQ(nullptr, app.m_pMainWnd);
}

} // namespace
