#include "framework/TextConvert.h"

CStringA WideToMultiByte(UINT codePage, const wchar_t* text, int length)
{
    if (!text || length == 0)
        return CStringA();
    int n = WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return CStringA();
    CStringA out;
    char* buffer = out.GetBufferSetLength(n);
    WideCharToMultiByte(codePage, 0, text, length, buffer, n, nullptr, nullptr);
    out.ReleaseBuffer(length < 0 ? n - 1 : n);
    return out;
}

CString MultiByteToWide(UINT codePage, const char* text, int length)
{
    if (!text || length == 0)
        return CString();
    int n = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
    if (n <= 0)
        return CString();
    CString out;
    wchar_t* buffer = out.GetBufferSetLength(n);
    MultiByteToWideChar(codePage, 0, text, length, buffer, n);
    out.ReleaseBuffer(length < 0 ? n - 1 : n);
    return out;
}
