// Walks the entries that match a pattern ("C:\dir\*.*").  As in the
// framework it stands in for, FindNextFile moves to the next entry and says
// whether another one follows:
//     BOOL more = finder.FindFile(pattern);
//     while (more) { more = finder.FindNextFile(); ...the current entry... }
#pragma once

#include "framework/CString.h"

#include <windows.h>

class CFileFind
{
public:
    CFileFind() = default;
    ~CFileFind() { Close(); }
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // FALSE when nothing matches.
    BOOL FindFile(const wchar_t* pattern);
    BOOL FindNextFile();
    void Close();

    CString GetFileName() const { return m_current.cFileName; }
    // The folder of the pattern joined with the entry's name.
    CString GetFilePath() const { return m_folder + m_current.cFileName; }
    BOOL IsDots() const;
    BOOL IsDirectory() const { return HasAttribute(FILE_ATTRIBUTE_DIRECTORY); }
    BOOL IsHidden() const { return HasAttribute(FILE_ATTRIBUTE_HIDDEN); }
    BOOL IsSystem() const { return HasAttribute(FILE_ATTRIBUTE_SYSTEM); }

private:
    BOOL HasAttribute(DWORD attribute) const { return (m_current.dwFileAttributes & attribute) != 0; }

    HANDLE m_search = INVALID_HANDLE_VALUE;
    bool m_hasNext = false;
    WIN32_FIND_DATAW m_next = {};
    WIN32_FIND_DATAW m_current = {};
    CString m_folder; // with its trailing backslash
};
