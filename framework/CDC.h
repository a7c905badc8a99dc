// Device contexts. A CDC deletes the DC it holds when it is destroyed, so a
// borrowed DC is attached for the time it is used and detached again; the
// paint, client and window DCs give theirs back the way they got it.
#pragma once

#include "framework/CGdiObject.h"
#include "framework/CRect.h"

#include <windows.h>

class CWnd;

class CDC
{
public:
    CDC() = default;
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC = nullptr;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    BOOL Attach(HDC dc);
    HDC Detach();
    BOOL CreateCompatibleDC(CDC* dc);
    BOOL DeleteDC();

    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    HBITMAP SelectObject(CBitmap* bitmap) { return static_cast<HBITMAP>(SelectObject(bitmap->m_hObject)); }

    BOOL BitBlt(int x, int y, int width, int height, CDC* src, int srcX, int srcY, DWORD rop);
    BOOL StretchBlt(int x, int y, int width, int height, CDC* src, int srcX, int srcY, int srcWidth,
                    int srcHeight, DWORD rop);
    BOOL AlphaBlend(int x, int y, int width, int height, CDC* src, int srcX, int srcY, int srcWidth,
                    int srcHeight, BLENDFUNCTION blend);
    void FillSolidRect(const RECT& rect, COLORREF color);
    void FillSolidRect(int x, int y, int width, int height, COLORREF color);

    int GetClipBox(LPRECT rect) const { return ::GetClipBox(m_hDC, rect); }
    int SelectClipRgn(HRGN region) { return ::SelectClipRgn(m_hDC, region); }
    int IntersectClipRect(const RECT& rect)
    {
        return ::IntersectClipRect(m_hDC, rect.left, rect.top, rect.right, rect.bottom);
    }
    CPoint GetWindowOrg() const;
    CPoint SetWindowOrg(int x, int y);
    CPoint OffsetWindowOrg(int dx, int dy);
    CPoint GetViewportOrg() const;

    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    int DrawText(const wchar_t* text, int length, LPRECT rect, UINT format)
    {
        return ::DrawTextW(m_hDC, text, length, rect, format);
    }
    int DrawText(const wchar_t* text, LPRECT rect, UINT format) { return DrawText(text, -1, rect, format); }
    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
};

// BeginPaint/EndPaint around the object's life.
class CPaintDC : public CDC
{
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
};

// GetDC/ReleaseDC of a window's client area.
class CClientDC : public CDC
{
public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};

// GetWindowDC/ReleaseDC: the whole window, frame included.
class CWindowDC : public CDC
{
public:
    explicit CWindowDC(CWnd* wnd);
    ~CWindowDC() override;

private:
    HWND m_hWnd;
};
