// GDI objects. A CGdiObject owns its object and deletes it when it is
// destroyed, unless it was detached first. An object that belongs to someone
// else (the skin store's bitmaps, stock objects) is wrapped in a borrowing
// class such as CBorrowedBitmap, which never deletes it.
#pragma once

#include <windows.h>

class CDC;

class CGdiObject
{
public:
    CGdiObject() = default;
    virtual ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject = nullptr;

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    operator HGDIOBJ() const { return m_hObject; }
    BOOL Attach(HGDIOBJ object);
    HGDIOBJ Detach();
    BOOL DeleteObject();

protected:
    // For the borrowing wrappers: the object is used, never deleted.
    struct Borrowing {
    };
    CGdiObject(HGDIOBJ object, Borrowing) : m_hObject(object), m_borrowed(true) {}

private:
    bool m_borrowed = false;
};

class CBitmap : public CGdiObject
{
public:
    CBitmap() = default;
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
    int GetBitmap(BITMAP* info) const;

protected:
    CBitmap(HBITMAP bitmap, Borrowing borrowing) : CGdiObject(bitmap, borrowing) {}
};

// A bitmap someone else owns, used for the wrapper's lifetime.
class CBorrowedBitmap : public CBitmap
{
public:
    explicit CBorrowedBitmap(HBITMAP bitmap) : CBitmap(bitmap, Borrowing{}) {}
};
