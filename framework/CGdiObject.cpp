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
    HGDIOBJ object = Detach();
    return object && !m_borrowed ? ::DeleteObject(object) : FALSE;
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height)
{
    return Attach(::CreateCompatibleBitmap(dc->GetSafeHdc(), width, height));
}

int CBitmap::GetBitmap(BITMAP* info) const
{
    return m_hObject ? ::GetObjectW(m_hObject, sizeof(BITMAP), info) : 0;
}
