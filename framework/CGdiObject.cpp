#include "framework/CGdiObject.h"

#include "framework/CDC.h"

BOOL CGdiObject::Attach(HGDIOBJ object)
{
    if (!object || m_hObject)
        return FALSE;
    m_hObject = object;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ object = m_hObject;
    m_hObject = nullptr;
    return object;
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    BOOL deleted = ::DeleteObject(Detach());
    return deleted;
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height)
{
    return Attach(::CreateCompatibleBitmap(dc->GetSafeHdc(), width, height));
}

int CBitmap::GetBitmap(BITMAP* info) const
{
    return m_hObject ? ::GetObjectW(m_hObject, sizeof(BITMAP), info) : 0;
}
