// Helpers shared by the main window's painters.
#pragma once
#include <windows.h>

class CDC;

// Width and height of a bitmap, {0, 0} without one.
SIZE BitmapSize(HBITMAP bitmap);

// Fills the rectangle white and returns "MainFrame.png", or nullptr when the
// skin has none; the main window and its tab paint their edges from it.
HBITMAP FillMainBackground(CDC* dc, const RECT& client);
