#include "skin/menu/CNewMenu.h"

#include "framework/CWinApp.h"
#include "skin/menu/CMenuTheme.h"
#include "skin/menu/CNewMenuHook.h"
#include "skin/menu/MenuColors.h"

#include <algorithm>

namespace SkinControl::NewMenu
{

namespace
{

// The system commands whose ids are swapped while a popup is open.
struct SwappedId {
    UINT id, openId;
};
const SwappedId kSwappedIds[] = {
    {SC_RESTORE, SC_RESTORE + 1}, {SC_CLOSE, SC_CLOSE + 1}, {SC_MINIMIZE, SC_MINIMIZE + 1}};

HMENU FindMenuOfIdIn(HMENU menu, UINT_PTR id, int* position)
{
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = ::GetSubMenu(menu, i)) {
            if (HMENU found = FindMenuOfIdIn(sub, id, position))
                return found;
        } else if (::GetMenuItemID(menu, i) == static_cast<UINT>(id)) {
            *position = i;
            return menu;
        }
    }
    return nullptr;
}

bool ContainsSubMenu(HMENU menu, HMENU wanted)
{
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        HMENU sub = ::GetSubMenu(menu, i);
        if (sub && (sub == wanted || ContainsSubMenu(sub, wanted)))
            return true;
    }
    return false;
}

CString MenuString(HMENU menu, int position)
{
    CString text;
    ::GetMenuStringW(menu, position, text.GetBufferSetLength(1025), 1024, MF_BYPOSITION);
    text.ReleaseBuffer();
    return text;
}

wchar_t Lower(wchar_t c)
{
    wchar_t text[2] = {c, 0};
    ::CharLowerBuffW(text, 1);
    return text[0];
}

// The character after the first single "&"; "&&" stands for "&" itself.
wchar_t MnemonicOf(const CString& text)
{
    const int length = text.GetLength();
    for (int i = 0; i + 1 < length; ++i) {
        if (text[i] != L'&')
            continue;
        if (text[i + 1] == L'&') {
            ++i;
            continue;
        }
        return text[i + 1];
    }
    return 0;
}

} // namespace

CNewMenu::CNewMenu(HMENU parent) : m_parentMenu(parent) {}

CNewMenu::~CNewMenu()
{
    DestroyAll();
}

CNewMenu* CNewMenu::FromHandle(HMENU menu)
{
    return menu ? dynamic_cast<CNewMenu*>(FromHandlePermanent(menu)) : nullptr;
}

BOOL CNewMenu::LoadMenu(UINT resourceId)
{
    return LoadMenu(MAKEINTRESOURCEW(resourceId));
}

BOOL CNewMenu::LoadMenu(const wchar_t* resourceName)
{
    HMENU menu = ::LoadMenuW(AfxGetInstanceHandle(), resourceName);
    if (!menu)
        return FALSE;
    if (LoadMenu(menu))
        return TRUE;
    ::DestroyMenu(menu);
    return FALSE;
}

BOOL CNewMenu::LoadMenu(HMENU menu)
{
    if (!::IsMenu(menu) || !Attach(menu))
        return FALSE;
    m_popup = FALSE;
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        HMENU sub = ::GetSubMenu(menu, i);
        if (!sub)
            continue;
        auto* subMenu = new CNewMenu(m_hMenu);
        if (!subMenu->LoadMenu(sub)) {
            delete subMenu;
            continue;
        }
        m_subMenus.push_back(sub);
        subMenu->m_popup = TRUE;
    }
    SyncItemData();
    return TRUE;
}

void CNewMenu::DetachTree()
{
    for (HMENU sub : m_subMenus) {
        if (CNewMenu* subMenu = FromHandle(sub))
            subMenu->DetachTree();
    }
    Detach();
}

void CNewMenu::DestroyAll()
{
    // Sub-menus still inside this menu go with its DestroyMenu below, so
    // their objects give up the handles instead of destroying them first.
    while (!m_subMenus.empty()) {
        HMENU sub = m_subMenus.back();
        m_subMenus.pop_back();
        CNewMenu* subMenu = FromHandle(sub);
        if (!subMenu)
            continue;
        if (m_hMenu && ContainsSubMenu(m_hMenu, sub))
            subMenu->DetachTree();
        delete subMenu;
    }
    while (!m_items.empty()) {
        delete m_items.back();
        m_items.pop_back();
    }
    if (m_checkImages && !m_checkImagesShared)
        ImageList_Destroy(m_checkImages);
    m_checkImages = nullptr;
    DestroyMenu();
}

void CNewMenu::SetParentOf(HMENU subMenu)
{
    if (CNewMenu* sub = FromHandle(subMenu))
        sub->m_parentMenu = m_hMenu;
}

BOOL CNewMenu::AppendOwnerDrawItem(UINT flags, const wchar_t* text, UINT_PTR id)
{
    return AddOwnerDrawItem(nullptr, text, flags, id, -1);
}

BOOL CNewMenu::AddOwnerDrawItem(CNewMenuIconInfo* iconList, const wchar_t* text, UINT flags, UINT_PTR id,
                                int imageIndex)
{
    if (id == 0)
        flags = MF_SEPARATOR | MF_OWNERDRAW | (flags & MF_BYPOSITION);
    else
        flags |= MF_OWNERDRAW;
    if (flags & MF_POPUP)
        SetParentOf(reinterpret_cast<HMENU>(id));
    auto* data = new CNewMenuItemData;
    data->SetString(text);
    data->SetIconList(iconList);
    data->m_menuFlags = flags;
    data->m_commandId = id;
    if (iconList && imageIndex >= 0) {
        data->m_imageIndex = imageIndex;
        const SIZE size = iconList->IconSize();
        m_iconWidth = std::max(m_iconWidth, static_cast<int>(size.cx));
        m_iconHeight = std::max(m_iconHeight, static_cast<int>(size.cy));
    }
    if (!::AppendMenuW(m_hMenu, flags & ~MF_OWNERDRAW, id, data->m_text)) {
        // No item was added: a record kept here would shift every later
        // record off its position.
        delete data;
        return FALSE;
    }
    m_items.push_back(data);
    const int last = ::GetMenuItemCount(m_hMenu) - 1;
    return ::ModifyMenuW(m_hMenu, last, flags | MF_BYPOSITION, id, reinterpret_cast<const wchar_t*>(data));
}

void CNewMenu::DrawItem(DRAWITEMSTRUCT* item)
{
    CMenuTheme* theme = CNewMenuHook::s_currentTheme;
    if (!theme)
        return;
    const BOOL bar = (!m_parentMenu && !m_popup) ? TRUE : FALSE;
    (this->*theme->m_draw)(item, bar);
}

void CNewMenu::MeasureItem(MEASUREITEMSTRUCT* item)
{
    CMenuTheme* theme = CNewMenuHook::s_currentTheme;
    if (!theme)
        return;
    const BOOL bar = IsMenuBarItem(item->itemID);
    CNewMenu* parent = FromHandle(m_parentMenu);
    bool ownRecord = false;
    for (CNewMenuItemData* data : m_items)
        ownRecord = ownRecord || data->m_commandId == item->itemID;
    CNewMenu* target = (!bar && parent && !ownRecord) ? parent : this;
    (target->*theme->m_measure)(item, bar);
}

BOOL CNewMenu::IsMenuBarItem(UINT_PTR id)
{
    if (FindItemData(id))
        return (!m_parentMenu && !m_popup) ? TRUE : FALSE;
    if (!m_parentMenu)
        return m_popup ? FALSE : TRUE;
    CNewMenu* parent = FromHandle(m_parentMenu);
    return (parent && !parent->m_popup) ? TRUE : FALSE;
}

void CNewMenu::DrawTitle(DRAWITEMSTRUCT* item, BOOL bar)
{
    if (CMenuTheme* theme = CNewMenuHook::s_currentTheme)
        (this->*theme->m_title)(item, bar);
}

BOOL CNewMenu::EraseBkgnd(HWND hwnd, HDC dc)
{
    RECT client;
    ::GetClientRect(hwnd, &client);
    HBRUSH brush = ::CreateSolidBrush(GetMenuBaseColor());
    ::FillRect(dc, &client, brush);
    ::DeleteObject(brush);
    return TRUE;
}

CNewMenuItemData* CNewMenu::FindItemData(UINT_PTR id)
{
    for (CNewMenuItemData* data : m_items) {
        if (data->m_commandId == id)
            return data;
    }
    int position = 0;
    HMENU holder = m_hMenu ? FindMenuOfIdIn(m_hMenu, id, &position) : nullptr;
    CNewMenu* menu = holder && holder != m_hMenu ? FromHandle(holder) : nullptr;
    if (!menu)
        return nullptr;
    for (CNewMenuItemData* data : menu->m_items) {
        if (data->m_commandId == id)
            return data;
    }
    return nullptr;
}

HMENU CNewMenu::FindMenuOfId(UINT_PTR id, int* position)
{
    return m_hMenu ? FindMenuOfIdIn(m_hMenu, id, position) : nullptr;
}

BOOL CNewMenu::GetItemText(int index, CString& text) const
{
    if (index < 0 || index >= static_cast<int>(m_items.size()))
        return FALSE;
    text = m_items[index]->GetString(m_accelerators);
    return TRUE;
}

BOOL CNewMenu::ReplaceItemId(UINT_PTR oldId, UINT_PTR newId)
{
    int position = 0;
    HMENU holder = FindMenuOfId(oldId, &position);
    CNewMenu* menu = FromHandle(holder);
    if (!holder)
        return FALSE;
    CNewMenuItemData* data = nullptr;
    if (menu && position < static_cast<int>(menu->m_items.size()))
        data = menu->m_items[position];
    if (!data)
        return FALSE;
    data->m_commandId = newId;
    return ::ModifyMenuW(holder, position, data->m_menuFlags | MF_OWNERDRAW | MF_BYPOSITION, newId,
                         reinterpret_cast<const wchar_t*>(data));
}

void CNewMenu::RedrawBarItem(HWND owner)
{
    if (::IsRectEmpty(&m_barItemRect) || !owner)
        return;
    RECT rect = m_barItemRect;
    rect.right += 10;
    rect.bottom += 10;
    ::MapWindowPoints(nullptr, owner, reinterpret_cast<POINT*>(&rect), 2);
    ::RedrawWindow(owner, &rect, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

void CNewMenu::OnPopupOpening(HMENU popup, HWND owner)
{
    CNewMenuHook::s_lastPopupMenu = popup;
    CNewMenu* menu = ::IsMenu(popup) ? FromHandle(popup) : nullptr;
    if (!menu)
        return;
    menu->m_ownerWindow = owner;
    menu->OnInitMenuPopup();
    CNewMenu* parent = FromHandle(menu->m_parentMenu);
    if (!parent)
        return;
    if (parent->m_openPopups++ == 0 && !parent->m_popup)
        parent->RedrawBarItem(owner);
}

void CNewMenu::OnInitMenuPopup()
{
    m_popup = TRUE;
    SyncItemData();
    if (IsXpOrLater()) {
        for (const SwappedId& swap : kSwappedIds)
            ReplaceItemId(swap.id, swap.openId);
    }
}

BOOL CNewMenu::OnUnInitPopupMenu()
{
    if (IsXpOrLater()) {
        bool closeFound = false;
        for (const SwappedId& swap : kSwappedIds) {
            if (ReplaceItemId(swap.openId, swap.id) && swap.id == SC_CLOSE)
                closeFound = true;
        }
        if (closeFound && m_ownerWindow)
            ::SetWindowPos(m_ownerWindow, nullptr, 0, 0, 0, 0,
                           SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
    }
    CNewMenu* parent = FromHandle(m_parentMenu);
    if (!parent)
        return FALSE;
    if (parent->m_openPopups > 0)
        --parent->m_openPopups;
    if (parent->m_popup)
        return FALSE;
    parent->m_openPopups = 0;
    parent->RedrawBarItem(m_ownerWindow);
    return TRUE;
}

CNewMenuItemData* CNewMenu::ClaimItemData(UINT_PTR id)
{
    for (CNewMenuItemData* data : m_items) {
        if (!data->m_claimed && data->m_commandId == id) {
            data->m_claimed = TRUE;
            return data;
        }
    }
    return nullptr;
}

CNewMenuItemData* CNewMenu::CreateItemData(int position, const CString& text, UINT flags, UINT_PTR id)
{
    auto* data = new CNewMenuItemData;
    data->m_menuFlags = flags;
    data->m_commandId = id;
    data->m_claimed = TRUE;
    if (!(flags & MF_BITMAP))
        data->SetString(text);
    if (flags & MF_POPUP)
        SetParentOf(reinterpret_cast<HMENU>(id));
    if (flags & MF_OWNERDRAW)
        ::ModifyMenuW(m_hMenu, position, flags, id, reinterpret_cast<const wchar_t*>(data));
    else if (flags & MF_SEPARATOR)
        ::ModifyMenuW(m_hMenu, position, flags, id, nullptr);
    else
        ::ModifyMenuW(m_hMenu, position, flags, id, data->GetString(m_accelerators));
    return data;
}

void CNewMenu::SyncItemData()
{
    for (CNewMenuItemData* data : m_items)
        data->m_claimed = FALSE;
    std::vector<CNewMenuItemData*> synced;
    for (int position = 0; position < ::GetMenuItemCount(m_hMenu); ++position) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STATE | MIIM_ID | MIIM_TYPE;
        if (!::GetMenuItemInfoW(m_hMenu, position, TRUE, &info))
            break;
        UINT state = ::GetMenuState(m_hMenu, position, MF_BYPOSITION);
        if (state == static_cast<UINT>(-1))
            break;
        HMENU sub = ::GetSubMenu(m_hMenu, position);
        // A popup's state carries its item count in the high byte.
        if (sub)
            state = LOBYTE(state) | MF_POPUP;
        if (!(state & MFT_RIGHTORDER)) {
            state |= info.fType & MFT_RIGHTJUSTIFY;
            if (!(state & MF_BITMAP))
                state |= info.fType & MFT_RIGHTORDER;
        }
        CNewMenuItemData* data = nullptr;
        if (state & MF_BITMAP) {
            data = ClaimItemData(info.wID);
            if (!data) {
                data = new CNewMenuItemData;
                data->m_menuFlags = state;
                data->m_commandId = info.wID;
                data->m_claimed = TRUE;
            }
        } else if (sub) {
            const UINT_PTR key = reinterpret_cast<UINT_PTR>(sub);
            CString text = MenuString(m_hMenu, position);
            data = ClaimItemData(key);
            if (data) {
                if (!text.IsEmpty())
                    data->SetString(text);
            } else {
                data = CreateItemData(position, text,
                                      (state & ~(MF_SEPARATOR | MF_USECHECKBITMAPS)) | MF_POPUP |
                                          MF_OWNERDRAW | MF_BYPOSITION,
                                      key);
            }
            SetParentOf(sub);
        } else if (state & MF_SEPARATOR) {
            const UINT flags = state | MF_OWNERDRAW | MF_BYPOSITION;
            data = ClaimItemData(0);
            if (data) {
                data->m_menuFlags = flags;
                ::ModifyMenuW(m_hMenu, position, flags, 0, reinterpret_cast<const wchar_t*>(data));
            } else {
                data = CreateItemData(position, CString(), flags, 0);
            }
        } else {
            const UINT flags = state | MF_OWNERDRAW | MF_BYPOSITION;
            CString text = MenuString(m_hMenu, position);
            data = ClaimItemData(info.wID);
            if (data) {
                data->m_menuFlags = flags;
                if (!text.IsEmpty())
                    data->SetString(text);
                ::ModifyMenuW(m_hMenu, position, flags, info.wID, reinterpret_cast<const wchar_t*>(data));
            } else {
                data = CreateItemData(position, text, flags, info.wID);
            }
        }
        synced.push_back(data);
    }
    const bool complete = static_cast<int>(synced.size()) >= ::GetMenuItemCount(m_hMenu);
    for (CNewMenuItemData* data : m_items) {
        if (data->m_claimed)
            continue;
        // After a sync that stopped early, the items past the stop may still
        // point at unclaimed records: keep those.
        if (complete)
            delete data;
        else
            synced.push_back(data);
    }
    m_items.swap(synced);
}

BOOL CNewMenu::RouteMeasureItem(const MSG& msg)
{
    if (msg.message != WM_MEASUREITEM)
        return FALSE;
    auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(msg.lParam);
    if (!item || item->CtlType != ODT_MENU)
        return FALSE;
    HMENU asMenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item->itemID));
    if (::IsMenu(asMenu)) {
        if (CNewMenu* menu = FromHandle(asMenu)) {
            menu->MeasureItem(item);
            return TRUE;
        }
    }
    HMENU roots[3] = {};
    if (CMenu::TrackingWindow() == msg.hwnd && CMenu::TrackingMenu())
        roots[0] = CMenu::TrackingMenu()->m_hMenu;
    if (::IsMenu(::GetMenu(msg.hwnd)))
        roots[1] = ::GetMenu(msg.hwnd);
    roots[2] = ::GetSystemMenu(msg.hwnd, FALSE);
    for (HMENU root : roots) {
        HMENU found = root ? CMenu::FindMenuOfItem(root, item->itemID, item->itemData) : nullptr;
        if (CNewMenu* menu = FromHandle(found)) {
            menu->MeasureItem(item);
            return TRUE;
        }
    }
    return FALSE;
}

LRESULT CNewMenu::FindMnemonic(wchar_t typed, CMenu* menu)
{
    auto* newMenu = dynamic_cast<CNewMenu*>(menu);
    if (!newMenu || !newMenu->m_hMenu)
        return 0;
    if (::GetMenuItemCount(newMenu->m_hMenu) != static_cast<int>(newMenu->m_items.size()))
        newMenu->SyncItemData();
    const wchar_t wanted = Lower(typed);
    for (int position = 0; position < static_cast<int>(newMenu->m_items.size()); ++position) {
        CString text;
        newMenu->GetItemText(position, text);
        const wchar_t mnemonic = MnemonicOf(text);
        if (mnemonic && Lower(mnemonic) == wanted)
            return MAKELRESULT(position, MNC_EXECUTE);
    }
    return 0;
}

int CNewMenu::SelectTheme(int id, bool mapForWine)
{
    if (mapForWine && CNewMenuHook::s_isWine && id >= 0 && id <= 10 && id % 2 == 0)
        ++id;
    for (CMenuTheme* theme : CNewMenuHook::Themes()) {
        if (theme->m_id == id) {
            const int previous = CNewMenuHook::s_currentTheme ? CNewMenuHook::s_currentTheme->m_id : -1;
            CNewMenuHook::s_currentTheme = theme;
            return previous;
        }
    }
    return -1;
}

int CNewMenu::SelectThemeAndOptions(UINT options, int id)
{
    const int previous = SelectTheme(id);
    CNewMenuHook::MenuHookOptions = options;
    return previous;
}

CMenuThemeScope::CMenuThemeScope()
    : m_options(CNewMenuHook::MenuHookOptions), m_previousTheme(CNewMenu::SelectTheme(10))
{
}

CMenuThemeScope::~CMenuThemeScope()
{
    if (m_previousTheme >= 0)
        CNewMenu::SelectTheme(m_previousTheme, false);
    CNewMenuHook::MenuHookOptions = m_options;
    // The popup is gone: its handle must not reach the next menu window.
    CNewMenuHook::s_lastPopupMenu = nullptr;
}

} // namespace SkinControl::NewMenu
