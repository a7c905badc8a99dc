// Conversions between the program's UTF-16 text and narrow text.  Any length
// converts whole.
#pragma once

#include "framework/CString.h"

#include <windows.h>

CStringA WideToMultiByte(UINT codePage, const wchar_t* text, int length = -1);
CString MultiByteToWide(UINT codePage, const char* text, int length = -1);

inline CStringA ToUtf8(const wchar_t* text, int length = -1)
{
    return WideToMultiByte(CP_UTF8, text, length);
}
inline CString FromUtf8(const char* text, int length = -1)
{
    return MultiByteToWide(CP_UTF8, text, length);
}
