#include "app/SingleInstance.h"

#include <gtest/gtest.h>

namespace
{

// A stand-in for the running program's main window, found by class and title.
HWND MakeMainWindow()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = MainWindowClassName;
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, MainWindowClassName, MainWindowTitle, WS_OVERLAPPEDWINDOW, 100, 100, 300, 560,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

} // namespace

TEST(ActivateRunningInstance, NoWindowNoActivation)
{
    EXPECT_FALSE(ActivateRunningInstance());
}

TEST(ActivateRunningInstance, MinimisedWindowIsRestored)
{
    HWND window = MakeMainWindow();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWMINIMIZED);
    ASSERT_TRUE(IsIconic(window));
    EXPECT_TRUE(ActivateRunningInstance());
    EXPECT_FALSE(IsIconic(window));
    EXPECT_TRUE(IsWindowVisible(window));
    DestroyWindow(window);
}

TEST(ActivateRunningInstance, WindowWithAnotherTitleIsNotTheProgram)
{
    HWND window = MakeMainWindow();
    ASSERT_NE(window, nullptr);
    SetWindowTextW(window, L"Velmora 2");
    EXPECT_FALSE(ActivateRunningInstance());
    DestroyWindow(window);
}
