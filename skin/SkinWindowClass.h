// Registration of the skin library's window classes on first use.
#pragma once

#include <windows.h>

namespace SkinControl
{

// Registers `name` (CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, arrow cursor) unless
// it exists already; false when it could not be registered.
bool RegisterSkinWindowClass(const wchar_t* name, HBRUSH background);

} // namespace SkinControl
