#include "skin/menu/CNewMenuItemData.h"

#include <algorithm>
#include <vector>

namespace SkinControl::NewMenu
{

namespace
{
std::vector<CNewMenuIconInfo*>& IconLists()
{
    static std::vector<CNewMenuIconInfo*> lists;
    return lists;
}
} // namespace

CNewMenuIconInfo::CNewMenuIconInfo(HIMAGELIST list) : m_list(list)
{
    IconLists().push_back(this);
}

CNewMenuIconInfo::~CNewMenuIconInfo()
{
    auto& lists = IconLists();
    lists.erase(std::remove(lists.begin(), lists.end(), this), lists.end());
    if (m_list)
        ImageList_Destroy(m_list);
}

void CNewMenuIconInfo::Release()
{
    if (--m_refs <= 0)
        delete this;
}

SIZE CNewMenuIconInfo::IconSize() const
{
    int cx = 0, cy = 0;
    if (!m_list || !ImageList_GetIconSize(m_list, &cx, &cy))
        cx = cy = 0;
    return SIZE{cx, cy};
}

void CNewMenuIconInfo::DeleteAll()
{
    while (!IconLists().empty())
        delete IconLists().back();
}

CNewMenuItemData::~CNewMenuItemData()
{
    SetIconList(nullptr);
}

void CNewMenuItemData::SetIconList(CNewMenuIconInfo* list)
{
    if (list)
        list->AddRef();
    if (m_iconList)
        m_iconList->Release();
    m_iconList = list;
}

void CNewMenuItemData::SetString(const wchar_t* text)
{
    m_text = text ? text : L"";
}

CString AcceleratorText(HACCEL table, UINT_PTR id)
{
    CString parts;
    const int count = ::CopyAcceleratorTableW(table, nullptr, 0);
    if (count <= 0)
        return parts;
    std::vector<ACCEL> entries(count);
    ::CopyAcceleratorTableW(table, entries.data(), count);
    for (const ACCEL& entry : entries) {
        if (entry.cmd != static_cast<WORD>(id))
            continue;
        if (!parts.IsEmpty())
            parts += L", ";
        if (entry.fVirt & FALT)
            parts += L"Alt+";
        if (entry.fVirt & FCONTROL)
            parts += L"Ctrl+";
        if (entry.fVirt & FSHIFT)
            parts += L"Shift+";
        if (entry.fVirt & FVIRTKEY) {
            wchar_t name[129] = {};
            LONG scan = static_cast<LONG>(::MapVirtualKeyW(entry.key, MAPVK_VK_TO_VSC)) << 16;
            ::GetKeyNameTextW(scan, name, 128);
            parts += name;
        } else {
            parts += static_cast<wchar_t>(entry.key);
        }
    }
    return parts;
}

CString CNewMenuItemData::GetString(HACCEL accelerators) const
{
    if (m_menuFlags & MF_POPUP)
        accelerators = nullptr;
    if (!accelerators) {
        int tab = m_text.Find(L'\t');
        return tab < 0 ? m_text : m_text.Left(tab);
    }
    if (m_text.Find(L'\t') >= 0)
        return m_text;
    // (HACCEL)-1 stands for the main frame's default table; the frames of
    // this framework keep none.
    if (accelerators == reinterpret_cast<HACCEL>(-1))
        return m_text;
    CString parts = AcceleratorText(accelerators, m_commandId);
    if (parts.IsEmpty())
        return m_text;
    return m_text + L"\t" + parts;
}

} // namespace SkinControl::NewMenu
