#include "app/AppCopyData.h"

#include <gtest/gtest.h>

namespace
{
COPYDATASTRUCT Copy(ULONG_PTR kind, const void* data, DWORD bytes)
{
    return {kind, bytes, const_cast<void*>(data)};
}

TEST(AppCopyData, ReadsTheTextUpToItsTerminator)
{
    const wchar_t text[] = L"qv://add?group=默认";
    COPYDATASTRUCT copy = Copy(2025, text, sizeof(text));
    CString read;
    EXPECT_EQ(CopyDataKind::Accepted, ReadAppCommandCopyData(&copy, read));
    EXPECT_EQ(CString(text), read);
}

TEST(AppCopyData, StopsAtTheByteCountWhenNoTerminatorIsThere)
{
    // The buffer goes on past the count; nothing after it may be read.
    const wchar_t text[] = L"abcdef";
    COPYDATASTRUCT copy = Copy(2025, text, 3 * sizeof(wchar_t));
    CString read;
    EXPECT_EQ(CopyDataKind::Accepted, ReadAppCommandCopyData(&copy, read));
    EXPECT_EQ(CString(L"abc"), read);
}

TEST(AppCopyData, DropsAnOddTrailingByte)
{
    const wchar_t text[] = L"xyz";
    COPYDATASTRUCT copy = Copy(2025, text, 2 * sizeof(wchar_t) + 1);
    CString read;
    EXPECT_EQ(CopyDataKind::Accepted, ReadAppCommandCopyData(&copy, read));
    EXPECT_EQ(CString(L"xy"), read);
}

TEST(AppCopyData, StopsAtAnEarlyTerminator)
{
    const wchar_t text[] = L"ab\0cd";
    COPYDATASTRUCT copy = Copy(2025, text, sizeof(text));
    CString read;
    EXPECT_EQ(CopyDataKind::Accepted, ReadAppCommandCopyData(&copy, read));
    EXPECT_EQ(CString(L"ab"), read);
}

TEST(AppCopyData, RefusesAMissingOrTooShortBufferAndKeepsTheText)
{
    const wchar_t text[] = L"x";
    CString read = L"before";
    COPYDATASTRUCT none = Copy(2025, nullptr, 40);
    EXPECT_EQ(CopyDataKind::Refused, ReadAppCommandCopyData(&none, read));
    COPYDATASTRUCT empty = Copy(2025, text, 0);
    EXPECT_EQ(CopyDataKind::Refused, ReadAppCommandCopyData(&empty, read));
    COPYDATASTRUCT oneByte = Copy(2025, text, 1);
    EXPECT_EQ(CopyDataKind::Refused, ReadAppCommandCopyData(&oneByte, read));
    EXPECT_EQ(CString(L"before"), read);
}

TEST(AppCopyData, LeavesOtherKindsAndNullToDefaultProcessing)
{
    const wchar_t text[] = L"x";
    CString read;
    COPYDATASTRUCT other = Copy(2024, text, sizeof(text));
    EXPECT_EQ(CopyDataKind::NotOurs, ReadAppCommandCopyData(&other, read));
    EXPECT_EQ(CopyDataKind::NotOurs, ReadAppCommandCopyData(nullptr, read));
    EXPECT_TRUE(read.IsEmpty());
}
} // namespace
