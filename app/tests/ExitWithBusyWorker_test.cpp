// The program's exit while a work item is inside a store call: the pool's
// wait stays bounded, and the database and the pinyin table stay usable for
// the item until the process ends.  With the workers gone both are released.
#include "app/AppServices.h"
#include "app/QuickLinkWorkItems.h"
#include "app/QuorventileApp.h"
#include "core/Pinyin.h"
#include "core/ThreadPool.h"
#include "core/tests/TempDataFolder.h"
#include "framework/tests/TestSupport.h"

#include <sqlite3.h>

#include <atomic>
#include <memory>
#include <thread>

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

// A quick-link item inside a store call when exit begins: the list it
// works on is not destroyed under it, and the item ends its work once the
// store lets it.
TEST_F(ExitInstance, LeavesTheQuickLinkListToAWorkerStillInsideItsItem)
{
    SQL_LITE::CppSQLite3DB other;
    other.Open(ToUtf8(dir.dbPath));
    other.ExecDML("begin exclusive;");
    std::atomic<bool> waiting{false};
    sqlite3_busy_handler(
        AppDatabase.db.Handle(),
        [](void* flag, int) {
            static_cast<std::atomic<bool>*>(flag)->store(true);
            Sleep(10);
            return 1;
        },
        &waiting);
    auto exiting = std::make_unique<CQuorventileApp>();
    std::vector<AddLinkRequest> requests(1);
    requests[0].kind = AddLinkRequest::KindLinkToName;
    requests[0].catalogName = L"Docs";
    requests[0].path = dir.folder + L"\\a.txt";
    CloseHandle(CreateFileW(requests[0].path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    requests[0].link.reset(new QuickLinkInfo);
    requests[0].addToDb = requests[0].append = 1;
    SkinControl::PostWorkItem(
        new CQuickLinkTreeList::CAddLinkWorkItem(&exiting->m_mainFrame.QuickLinkList(), std::move(requests)));
    ASSERT_TRUE(WaitFor([&] { return waiting.load(); }));

    exiting->ExitInstance();
    EXPECT_TRUE(SkinControl::GetGlobalThreadPool()->IsWorkerInsideItem());
    // The global objects' end, which waits for nothing the worker holds.
    std::atomic<bool> destroyed{false};
    std::thread end([&] {
        exiting.reset();
        destroyed = true;
    });
    const bool ended = WaitFor([&] { return destroyed.load(); });
    other.ExecDML("commit;");
    end.join();
    EXPECT_TRUE(ended);
    EXPECT_TRUE(WaitFor([&] { return other.ExecScalar("select count(*) from qv_link where name = 'a.txt';") == 1; }));
    // The item's last step, the group-name cache, reads the store after the
    // commit: the fixture closes the store only once the worker is out, or
    // the close finds its query open and reports the failure in a box.
    EXPECT_TRUE(WaitFor([] { return !SkinControl::GetGlobalThreadPool()->IsWorkerInsideItem(); }));
    sqlite3_busy_timeout(AppDatabase.db.Handle(), 60000);
}

} // namespace
