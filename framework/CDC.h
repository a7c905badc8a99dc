// Device contexts. A CDC owns its DC (made with CreateCompatibleDC or handed
// over with Attach) and deletes it when it is destroyed. A DC that belongs to
// someone else (WM_PAINT's, WM_DRAWITEM's, a paint buffer's, a caller's) is
// wrapped in a CBorrowedDC, which never deletes it. The paint, client and
// window DCs are borrowing DCs that give theirs back the way they got it.
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

protected:
    // For the borrowing wrappers: the DC is used, never deleted.
    struct Borrowing {
    };
    CDC(HDC dc, Borrowing) : m_hDC(dc), m_borrowed(true) {}

private:
    bool m_borrowed = false;
};

// A DC someone else owns, used for the wrapper's lifetime; neither the
// destructor nor DeleteDC deletes it.
class CBorrowedDC : public CDC
{
public:
    explicit CBorrowedDC(HDC dc) : CDC(dc, Borrowing{}) {}
};

// BeginPaint/EndPaint around the object's life.
class CPaintDC : public CBorrowedDC
{
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
};

// GetDC/ReleaseDC of a window's client area.
class CClientDC : public CBorrowedDC
{
public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};

// GetWindowDC/ReleaseDC: the whole window, frame included.
class CWindowDC : public CBorrowedDC
{
public:
    explicit CWindowDC(CWnd* wnd);
    ~CWindowDC() override;

private:
    HWND m_hWnd;
};
