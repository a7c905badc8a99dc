#include "app/SingleInstance.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace
{

// A name of this test's own, so that tests running side by side don't meet.
std::wstring TestMutexName(const wchar_t* test)
{
    return L"qv_single_instance_" + std::to_wstring(GetCurrentProcessId()) + L"_" + test;
}

} // namespace

TEST(SingleInstance, SecondInstanceSeesAlreadyRunning)
{
    std::wstring name = TestMutexName(L"second");
    CSingleInstanceMutex first(name.c_str());
    CSingleInstanceMutex second(name.c_str());
    EXPECT_FALSE(CSingleInstanceMutex::Exists(name.c_str()));
    EXPECT_EQ(first.Create(), CSingleInstanceMutex::Result::Created);
    EXPECT_TRUE(first.IsHeld());
    EXPECT_TRUE(CSingleInstanceMutex::Exists(name.c_str()));
    // Both started before either created the mutex: creating is the test.
    EXPECT_EQ(second.Create(), CSingleInstanceMutex::Result::AlreadyRunning);
    EXPECT_FALSE(second.IsHeld());
    first.Close();
    EXPECT_FALSE(CSingleInstanceMutex::Exists(name.c_str()));
    EXPECT_EQ(second.Create(), CSingleInstanceMutex::Result::Created);
}

// Run by the test below in a second process: it starts as the program
// would and exits with what it found.
TEST(SingleInstanceChild, StartsAsASecondInstance)
{
    wchar_t flag[8] = {};
    if (!GetEnvironmentVariableW(L"QV_SINGLE_INSTANCE_CHILD", flag, 8))
        GTEST_SKIP() << "only run as a child process";
    CSingleInstanceMutex mutex;
    CSingleInstanceMutex::Result result = mutex.Create();
    ExitProcess(result == CSingleInstanceMutex::Result::AlreadyRunning ? 21 : 22);
}

TEST(SingleInstance, SecondProcessSeesTheProgramRunning)
{
    CSingleInstanceMutex mutex;
    ASSERT_EQ(mutex.Create(), CSingleInstanceMutex::Result::Created);

    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_filter=SingleInstanceChild.*";
    SetEnvironmentVariableW(L"QV_SINGLE_INSTANCE_CHILD", L"1");
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startup, &process);
    SetEnvironmentVariableW(L"QV_SINGLE_INSTANCE_CHILD", nullptr);
    ASSERT_TRUE(started);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 21u);

    mutex.Close();
    EXPECT_FALSE(CSingleInstanceMutex::Exists());
}

TEST(SingleInstance, MutexGrantsEveryoneFullAccess)
{
    std::wstring name = TestMutexName(L"dacl");
    CSingleInstanceMutex mutex(name.c_str());
    ASSERT_EQ(mutex.Create(), CSingleInstanceMutex::Result::Created);
    HANDLE opened = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name.c_str());
    ASSERT_NE(opened, nullptr);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    BYTE buffer[512];
    DWORD needed = 0;
    ASSERT_TRUE(GetKernelObjectSecurity(opened, DACL_SECURITY_INFORMATION, buffer, sizeof(buffer), &needed));
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = reinterpret_cast<PACL>(1);
    ASSERT_TRUE(GetSecurityDescriptorDacl(buffer, &present, &dacl, &defaulted));
    DWORD revision = 0;
    GetSecurityDescriptorControl(buffer, &control, &revision);
    EXPECT_TRUE(present);
    EXPECT_EQ(dacl, nullptr);
    CloseHandle(opened);
}

TEST(SingleInstance, WaitEndsAtOnceWithoutAMutex)
{
    std::wstring name = TestMutexName(L"nowait");
    DWORD start = GetTickCount();
    EXPECT_TRUE(CSingleInstanceMutex::WaitUntilGone(60, name.c_str()));
    EXPECT_LT(GetTickCount() - start, 300u);
}

TEST(SingleInstance, WaitGivesUpAfterItsRounds)
{
    std::wstring name = TestMutexName(L"stuck");
    CSingleInstanceMutex held(name.c_str());
    ASSERT_EQ(held.Create(), CSingleInstanceMutex::Result::Created);
    DWORD start = GetTickCount();
    EXPECT_FALSE(CSingleInstanceMutex::WaitUntilGone(60, name.c_str()));
    EXPECT_GE(GetTickCount() - start, 500u);
}

TEST(SingleInstance, WaitEndsWhenThePreviousInstanceCloses)
{
    std::wstring name = TestMutexName(L"closing");
    CSingleInstanceMutex held(name.c_str());
    ASSERT_EQ(held.Create(), CSingleInstanceMutex::Result::Created);
    std::thread closer([&held] {
        Sleep(100);
        held.Close();
    });
    bool gone = CSingleInstanceMutex::WaitUntilGone(1000, name.c_str());
    closer.join();
    EXPECT_TRUE(gone);
}
