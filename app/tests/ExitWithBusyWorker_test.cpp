// The program's exit while a work item is inside a store call: the pool's
// wait stays bounded, and the database and the pinyin table stay usable for
// the item until the process ends.  With the workers gone both are released.
#include "app/AppServices.h"
#include "app/QuorventileApp.h"
#include "core/Pinyin.h"
#include "core/ThreadPool.h"
#include "core/tests/TempDataFolder.h"
#include "framework/tests/TestSupport.h"

#include <atomic>
#include <memory>

namespace
{

using TestSupport::WaitFor;

// Stores a setting, then (unless stopped meanwhile) converts a name, as an
// add-link item does.
class StoreThenPinyinItem : public SkinControl::CThreadPool::CWorkItem
{
public:
    struct Outcome {
        std::atomic<int> started{0};
        std::atomic<int> stored{-1};
        std::atomic<bool> finished{false};
        CString pinyin;
    };
    explicit StoreThenPinyinItem(Outcome& outcome) : outcome(outcome) {}
    void Run() override
    {
        outcome.started = 1;
        outcome.stored = SetConfigString(L"ExitProbe", L"stored after exit began");
        outcome.pinyin = ConvertToPinyin(L"中文");
        outcome.finished = true;
    }

private:
    Outcome& outcome;
};

class ExitInstance : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(1, OpenAppDatabase());
        services = std::make_unique<CAppServices>();
        ASSERT_EQ(1, SkinControl::GetGlobalThreadPool()->Start(1, 1));
    }
    void TearDown() override
    {
        services.reset();
        InitPinyinTable(); // for the tests that follow in this program
    }

    TempDataFolder dir;
    std::unique_ptr<CAppServices> services;
    CQuorventileApp app;
};

TEST_F(ExitInstance, LeavesTheDatabaseAndPinyinToAWorkerStillInsideAStoreCall)
{
    // Another connection holds the write lock, so the item's store call
    // waits inside SQLite (busy timeout 60 s) when exit begins.
    SQL_LITE::CppSQLite3DB other;
    other.Open(ToUtf8(dir.dbPath));
    other.ExecDML("begin exclusive;");
    StoreThenPinyinItem::Outcome outcome;
    SkinControl::PostWorkItem(new StoreThenPinyinItem(outcome));
    ASSERT_TRUE(WaitFor([&] { return outcome.started == 1; }));

    const DWORD start = GetTickCount();
    app.ExitInstance();
    EXPECT_LT(GetTickCount() - start, 3000u); // about 300 ms; generous for a loaded machine
    EXPECT_TRUE(AppDatabase.db.IsOpen());
    EXPECT_TRUE(SkinControl::GetGlobalThreadPool()->IsWorkerInsideItem());
    services.reset(); // the global objects' end

    other.ExecDML("commit;");
    ASSERT_TRUE(WaitFor([&] { return outcome.finished.load(); }));
    EXPECT_EQ(1, outcome.stored);
    EXPECT_EQ(CString(L"zhongwen"), outcome.pinyin);
    EXPECT_EQ(1, other.ExecScalar("select count(*) from qv_config where name = 'ExitProbe';"));
}

TEST_F(ExitInstance, ClosesTheDatabaseAndFreesPinyinOnceTheWorkersAreGone)
{
    StoreThenPinyinItem::Outcome outcome;
    SkinControl::PostWorkItem(new StoreThenPinyinItem(outcome));
    ASSERT_TRUE(WaitFor([&] { return outcome.finished.load(); }));
    app.ExitInstance();
    EXPECT_FALSE(AppDatabase.db.IsOpen());
    services.reset();
    EXPECT_EQ(CString(L"abc"), ConvertToPinyin(L"中文abc"));
}

} // namespace
