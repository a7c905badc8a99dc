// A text box that hosts the windowless rich-edit text services in a plain
// child window of its own class, so that the skin paints its background and
// the text is drawn through a back buffer. The object is the services' host
// (ITextHost) and routes its window's messages to them. Subclasses paint
// their skin in DrawBackground and take over messages in the hooks.
//
// The object is owned by its creator, never by the reference count; the
// owner destroys the window before the object (an object that goes first
// takes its window with it).
#pragma once

#include "core/Lock.h"
#include "framework/CDC.h"
#include "framework/CString.h"

#include <windows.h>
#include <richedit.h>
#include <textserv.h>
#include <tom.h>

namespace SkinControl
{

class CWindowlessRichEdit : public ITextHost
{
public:
    static const wchar_t kClassName[];

    CWindowlessRichEdit();
    CWindowlessRichEdit(const CWindowlessRichEdit&) = delete;
    CWindowlessRichEdit& operator=(const CWindowlessRichEdit&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ITextHost
    HDC TxGetDC() override;
    INT TxReleaseDC(HDC dc) override;
    BOOL TxShowScrollBar(INT bar, BOOL show) override;
    BOOL TxEnableScrollBar(INT bar, INT arrows) override;
    BOOL TxSetScrollRange(INT bar, LONG minPos, INT maxPos, BOOL redraw) override;
    BOOL TxSetScrollPos(INT bar, INT pos, BOOL redraw) override;
    void TxInvalidateRect(LPCRECT rect, BOOL erase) override;
    void TxViewChange(BOOL update) override;
    BOOL TxCreateCaret(HBITMAP bitmap, INT width, INT height) override;
    BOOL TxShowCaret(BOOL show) override;
    BOOL TxSetCaretPos(INT x, INT y) override;
    BOOL TxSetTimer(UINT id, UINT timeout) override;
    void TxKillTimer(UINT id) override;
    void TxScrollWindowEx(INT dx, INT dy, LPCRECT scroll, LPCRECT clip, HRGN updateRegion, LPRECT update,
                          UINT flags) override;
    void TxSetCapture(BOOL capture) override;
    void TxSetFocus() override;
    void TxSetCursor(HCURSOR cursor, BOOL text) override;
    BOOL TxScreenToClient(LPPOINT point) override;
    BOOL TxClientToScreen(LPPOINT point) override;
    HRESULT TxActivate(LONG* oldState) override;
    HRESULT TxDeactivate(LONG newState) override;
    HRESULT TxGetClientRect(LPRECT rect) override;
    HRESULT TxGetViewInset(LPRECT rect) override;
    HRESULT TxGetCharFormat(const CHARFORMATW** format) override;
    HRESULT TxGetParaFormat(const PARAFORMAT** format) override;
    COLORREF TxGetSysColor(int index) override;
    HRESULT TxGetBackStyle(TXTBACKSTYLE* style) override;
    HRESULT TxGetMaxLength(DWORD* length) override;
    HRESULT TxGetScrollBars(DWORD* scrollBars) override;
    HRESULT TxGetPasswordChar(TCHAR* ch) override;
    HRESULT TxGetAcceleratorPos(LONG* pos) override;
    HRESULT TxGetExtent(LPSIZEL extent) override;
    HRESULT OnTxCharFormatChange(const CHARFORMATW* format) override;
    HRESULT OnTxParaFormatChange(const PARAFORMAT* format) override;
    HRESULT TxGetPropertyBits(DWORD mask, DWORD* bits) override;
    HRESULT TxNotify(DWORD code, void* data) override;
    HIMC TxImmGetContext() override;
    void TxImmReleaseContext(HIMC context) override;
    HRESULT TxGetSelectionBarWidth(LONG* width) override;

    virtual ~CWindowlessRichEdit();
    // Fills the client rectangle white; subclasses paint the skin here.
    virtual void DrawBackground(HWND window, CDC* dc);
    // The background, then the text.
    virtual void Draw(HWND window, CDC* dc);
    // The services' notifications (EN_CHANGE and the like).
    virtual HRESULT OnTextNotify(DWORD code, void* data);
    virtual LRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnCreate(CREATESTRUCTW* cs);
    virtual LRESULT OnEraseBkgnd(HDC dc);
    virtual LRESULT OnSetCursor();
    virtual void OnPaint();
    virtual UINT OnGetDlgCode();
    virtual void OnSize(UINT type, int cx, int cy);
    virtual void OnDestroy();
    virtual void OnTimer(UINT_PTR id);
    virtual LRESULT OnMouseWheel(UINT keys, short delta, int x, int y);

    // Registers the class on first use and creates the window; false when
    // either fails. Text services that can't be made leave a blank, inert box.
    BOOL Create(const RECT& rect, HWND parent, DWORD style);
    HWND GetSafeHwnd() const { return m_hWnd; }
    // The whole text; empty without text services.
    CString GetText() const;
    // Takes the character format from `font` (null: the system font); E_FAIL
    // and no change when the font can't be read.
    HRESULT SetFont(HFONT font);

protected:
    HWND m_hWnd = nullptr;
    CLock m_lock; // guards the reference count
    LONG m_refCount = 0;
    ITextDocument* m_textDocument = nullptr;
    ITextServices* m_textServices = nullptr;
    CHARFORMAT2W m_charFormat;
    PARAFORMAT2 m_paraFormat;
    LONG m_maxLength = -1;
    // For a single-line box, the height of one line of text in its font.
    int m_forcedHeight = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnSetFontMessage(HFONT font);
    LRESULT SendToServices(UINT message, WPARAM wParam, LPARAM lParam);
    // The services' view of a scroll bar; FALSE when they have it disabled.
    BOOL GetServicesScroll(INT bar, SCROLLINFO* info);
};

} // namespace SkinControl
