// The floor of the start-up benchmark: a program of the same build that does
// nothing but create and show one window like the main window (same size
// and styles) and wait for WM_CLOSE.  What the real program takes beyond
// this is its own start-up.
#include <windows.h>

namespace
{
LRESULT CALLBACK FloorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = FloorWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"QuorventileStartupFloor";
    if (!RegisterClassExW(&windowClass))
        return 1;
    // The main window's styles: a visible popup with the system menu and the
    // minimise box, shown by CreateWindowEx itself.
    if (!CreateWindowExW(0, windowClass.lpszClassName, L"Velmora", 0x960A0000, 100, 100, 300, 560, nullptr,
                         nullptr, instance, nullptr))
        return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
