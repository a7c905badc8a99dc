#include "framework/CFileFind.h"

#include <cwchar>

BOOL CFileFind::FindFile(const wchar_t* pattern)
{
    Close();
    if (!pattern)
        return FALSE;
    m_folder = pattern;
    int slash = m_folder.ReverseFind(L'\\');
    m_folder = slash >= 0 ? m_folder.Left(slash + 1) : CString();
    m_search = FindFirstFileW(pattern, &m_next);
    m_hasNext = m_search != INVALID_HANDLE_VALUE;
    return m_hasNext;
}

BOOL CFileFind::FindNextFile()
{
    if (!m_hasNext)
        return FALSE;
    m_current = m_next;
    m_hasNext = ::FindNextFileW(m_search, &m_next) != FALSE;
    return m_hasNext;
}

void CFileFind::Close()
{
    if (m_search != INVALID_HANDLE_VALUE)
        FindClose(m_search);
    m_search = INVALID_HANDLE_VALUE;
    m_hasNext = false;
    m_current = {};
}

BOOL CFileFind::IsDots() const
{
    return IsDirectory() && (wcscmp(m_current.cFileName, L".") == 0 || wcscmp(m_current.cFileName, L"..") == 0);
}
