// Traces for the debugger: the formatted text goes to OutputDebugStringW.
#pragma once

#include "framework/CString.h"

#include <windows.h>

template <typename... Args> void TraceMessage(const wchar_t* format, const Args&... args)
{
    CString text;
    text.Format(format, args...);
    OutputDebugStringW(text);
}
