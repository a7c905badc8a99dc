// Makes a window a place to drop data on. Derived classes (usually the
// window's own class) override the OnDrag... handlers; points are in the
// window's client coordinates. The object lives as long as its owner, not by
// its reference count. Revoke before the window is destroyed (the destructor
// revokes a window that is still registered).
#pragma once

#include "framework/COleDataObject.h"
#include "framework/CRect.h"

#include "framework/OleMedium.h"

#include <windows.h>
#include <oleidl.h>

class CWnd;

class COleDropTarget
{
public:
    COleDropTarget() = default;
    virtual ~COleDropTarget();
    COleDropTarget(const COleDropTarget&) = delete;
    COleDropTarget& operator=(const COleDropTarget&) = delete;

    // Needs OLE to be initialised on the thread; FALSE when the window
    // can't be registered (or this target has a window already).
    BOOL Register(CWnd* window);
    void Revoke();

    // The effect a drop here would have; DROPEFFECT_NONE refuses the data.
    virtual DROPEFFECT OnDragEnter(CWnd* window, COleDataObject* data, DWORD keyState, CPoint point);
    virtual DROPEFFECT OnDragOver(CWnd* window, COleDataObject* data, DWORD keyState, CPoint point);
    // TRUE when the data was taken.
    virtual BOOL OnDrop(CWnd* window, COleDataObject* data, DROPEFFECT effect, CPoint point);
    virtual void OnDragLeave(CWnd* window);

    // The interface registered for the window.
    IDropTarget* GetDropTarget() { return &m_xDropTarget; }

protected:
    class XDropTarget : public IDropTarget
    {
    public:
        explicit XDropTarget(COleDropTarget* owner) : m_owner(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
        HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point,
                                            DWORD* effect) override;
        HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
        HRESULT STDMETHODCALLTYPE DragLeave() override;
        HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point,
                                       DWORD* effect) override;

    private:
        COleDropTarget* m_owner;
    };
    XDropTarget m_xDropTarget{this};

private:
    CPoint ClientPoint(POINTL screen) const;
    void EndDrag();

    HWND m_registered = nullptr; // the window taking drops
    LONG m_refCount = 0;
    // The data of the drag over the window, from DragEnter until it leaves
    // or drops.
    COleDataObject* m_dragData = nullptr;
    DROPEFFECT m_lastEffect = DROPEFFECT_NONE;
};
