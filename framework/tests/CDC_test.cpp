// Who frees a DC or a GDI object: owning wrappers free theirs once, borrowing
// ones never do, not even when asked to.
#include "framework/CDC.h"
#include "framework/CGdiObject.h"

#include <gtest/gtest.h>

namespace
{

TEST(Ownership, BorrowingWrappersLeaveTheHandleToItsOwner)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
    {
        CBorrowedDC borrowedDc(dc);
        CBorrowedBitmap borrowedBitmap(bitmap);
        EXPECT_EQ(dc, borrowedDc.GetSafeHdc());
        EXPECT_EQ(bitmap, static_cast<HBITMAP>(borrowedBitmap));
        CBorrowedDC(dc).DeleteDC();
        CBorrowedBitmap(bitmap).DeleteObject();
    }
    EXPECT_EQ(static_cast<DWORD>(OBJ_MEMDC), GetObjectType(dc));
    EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), GetObjectType(bitmap));

    {
        CDC owningDc;
        CBitmap owningBitmap;
        ASSERT_TRUE(owningDc.Attach(dc));
        ASSERT_TRUE(owningBitmap.Attach(bitmap));
    }
    EXPECT_EQ(0u, GetObjectType(dc));
    EXPECT_EQ(0u, GetObjectType(bitmap));
}

} // namespace
