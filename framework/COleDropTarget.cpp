#include "framework/COleDropTarget.h"

#include "framework/CWnd.h"

#include <ole2.h>

namespace
{

// What the target asked for, as far as the source allows it; scrolling is
// kept whatever the source says.
DWORD AllowedEffect(DROPEFFECT wanted, DWORD allowed)
{
    return (wanted & allowed) | (wanted & DROPEFFECT_SCROLL);
}

} // namespace

COleDropTarget::~COleDropTarget()
{
    Revoke();
    EndDrag();
}

BOOL COleDropTarget::Register(CWnd* window)
{
    if (m_registered || !window || !window->m_hWnd)
        return FALSE;
    if (FAILED(::RegisterDragDrop(window->m_hWnd, &m_xDropTarget)))
        return FALSE;
    m_registered = window->m_hWnd;
    return TRUE;
}

void COleDropTarget::Revoke()
{
    if (m_registered)
        ::RevokeDragDrop(m_registered);
    m_registered = nullptr;
}

DROPEFFECT COleDropTarget::OnDragEnter(CWnd*, COleDataObject*, DWORD, CPoint)
{
    return DROPEFFECT_NONE;
}

DROPEFFECT COleDropTarget::OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint)
{
    return DROPEFFECT_NONE;
}

BOOL COleDropTarget::OnDrop(CWnd*, COleDataObject*, DROPEFFECT, CPoint)
{
    return FALSE;
}

void COleDropTarget::OnDragLeave(CWnd*) {}

CPoint COleDropTarget::ClientPoint(POINTL screen) const
{
    POINT point = {screen.x, screen.y};
    ::ScreenToClient(m_registered, &point);
    return CPoint(point);
}

void COleDropTarget::EndDrag()
{
    delete m_dragData;
    m_dragData = nullptr;
    m_lastEffect = DROPEFFECT_NONE;
}

// XDropTarget: counted, never deleted through the count.

HRESULT COleDropTarget::XDropTarget::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG COleDropTarget::XDropTarget::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_owner->m_refCount));
}

ULONG COleDropTarget::XDropTarget::Release()
{
    return static_cast<ULONG>(::InterlockedDecrement(&m_owner->m_refCount));
}

HRESULT COleDropTarget::XDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect)
{
    if (!effect)
        return E_INVALIDARG;
    m_owner->EndDrag();
    if (!data || !m_owner->m_registered) {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    m_owner->m_dragData = new COleDataObject(data);
    const DROPEFFECT wanted = m_owner->OnDragEnter(
        CWnd::FromHandle(m_owner->m_registered), m_owner->m_dragData, keyState, m_owner->ClientPoint(point));
    *effect = m_owner->m_lastEffect = AllowedEffect(wanted, *effect);
    return S_OK;
}

HRESULT COleDropTarget::XDropTarget::DragOver(DWORD keyState, POINTL point, DWORD* effect)
{
    if (!effect)
        return E_INVALIDARG;
    if (!m_owner->m_dragData) {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    const DROPEFFECT wanted = m_owner->OnDragOver(CWnd::FromHandle(m_owner->m_registered),
                                                  m_owner->m_dragData, keyState, m_owner->ClientPoint(point));
    *effect = m_owner->m_lastEffect = AllowedEffect(wanted, *effect);
    return S_OK;
}

HRESULT COleDropTarget::XDropTarget::DragLeave()
{
    if (m_owner->m_dragData)
        m_owner->OnDragLeave(CWnd::FromHandle(m_owner->m_registered));
    m_owner->EndDrag();
    return S_OK;
}

HRESULT COleDropTarget::XDropTarget::Drop(IDataObject* data, DWORD, POINTL point, DWORD* effect)
{
    if (!effect)
        return E_INVALIDARG;
    // The effect is the one the last DragEnter or DragOver agreed on.
    const DROPEFFECT agreed = AllowedEffect(m_owner->m_lastEffect, *effect) & ~DROPEFFECT_SCROLL;
    *effect = DROPEFFECT_NONE;
    if (data && m_owner->m_registered && agreed != DROPEFFECT_NONE) {
        COleDataObject dropped(data);
        if (m_owner->OnDrop(CWnd::FromHandle(m_owner->m_registered), &dropped, agreed,
                            m_owner->ClientPoint(point)))
            *effect = agreed;
    }
    m_owner->EndDrag();
    return S_OK;
}
