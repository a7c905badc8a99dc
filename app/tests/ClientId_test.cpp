#include "app/ClientId.h"
#include "core/tests/TempDataFolder.h"

#include <gtest/gtest.h>

namespace
{

bool IsLowerHex(const CString& text)
{
    for (int i = 0; i < text.GetLength(); ++i) {
        wchar_t c = text[i];
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f')))
            return false;
    }
    return true;
}

class ClientIdTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(OpenAppDatabase(), 1);
        AppClientId.Empty();
    }
    TempDataFolder dir;
};

} // namespace

TEST(FormatClientId, GuidDigitsInOrderThenZeroA)
{
    const GUID guid = {0x0123ABCD, 0x4E5F, 0x00A7, {0x80, 0x09, 0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x05}};
    EXPECT_EQ(FormatClientId(guid), L"0123abcd4e5f00a78009fedcba9876050a");
}

TEST_F(ClientIdTest, NewIdIs34LowerCaseHexDigitsEndingInZeroA)
{
    CString id = LoadOrCreateClientId();
    EXPECT_EQ(id.GetLength(), 34);
    EXPECT_TRUE(IsLowerHex(id)) << ToUtf8(id).GetString();
    EXPECT_EQ(id.Right(2), L"0a");
    EXPECT_EQ(AppClientId, id);
    EXPECT_EQ(GetConfigString(L"ClientID", nullptr), id);
}

TEST_F(ClientIdTest, SecondReadGivesTheSameId)
{
    CString first = LoadOrCreateClientId();
    CString second = LoadOrCreateClientId();
    EXPECT_EQ(first, second);
    // Also after the database was closed and opened again, as at the next start.
    CloseAppDatabase();
    ASSERT_EQ(OpenAppDatabase(), 1);
    EXPECT_EQ(LoadOrCreateClientId(), first);
}

TEST_F(ClientIdTest, TwoDataFoldersGetDifferentIds)
{
    CString first = LoadOrCreateClientId();
    CloseAppDatabase();
    TempDataFolder other;
    ASSERT_EQ(OpenAppDatabase(), 1);
    EXPECT_NE(LoadOrCreateClientId(), first);
}

TEST_F(ClientIdTest, StoredIdIsKeptWhateverItsLength)
{
    SetConfigString(L"ClientID", L"ABC");
    EXPECT_EQ(LoadOrCreateClientId(), L"ABC");
    EXPECT_EQ(AppClientId, L"ABC");
    EXPECT_EQ(GetConfigString(L"ClientID", nullptr), L"ABC");
}

TEST_F(ClientIdTest, EmptyStoredIdIsReplaced)
{
    SetConfigString(L"ClientID", L"");
    CString id = LoadOrCreateClientId();
    EXPECT_EQ(id.GetLength(), 34);
    EXPECT_EQ(GetConfigString(L"ClientID", nullptr), id);
}
