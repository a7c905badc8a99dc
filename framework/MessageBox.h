// The framework's plain message box, titled with the program's name.
#pragma once

#include <windows.h>

int AfxMessageBox(const wchar_t* text, UINT type = MB_OK);
// The title every plain message box carries; the program sets its own name.
void AfxSetAppName(const wchar_t* name);
