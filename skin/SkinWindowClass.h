// Registration of the skin library's window classes on first use, and the
// caption behaviour the skinned top-level windows share.
#pragma once

#include "framework/CWnd.h"

#include <windows.h>

namespace SkinControl
{

// Registers `name` (CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, arrow cursor) unless
// it exists already; false when it could not be registered.
bool RegisterSkinWindowClass(const wchar_t* name, HBRUSH background, WNDPROC procedure = ::DefWindowProcW);

// Sets *hit to HTCAPTION and returns TRUE when `screenPoint` lies in the top
// `captionHeight` pixels of the window's client area.
BOOL HitTestCaptionBand(CWnd* window, POINT screenPoint, int captionHeight, LRESULT* hit);

} // namespace SkinControl
