#include "shellext/MainAppHandOver.h"

#include "core/CommandUrl.h"
#include "framework/tests/GTestPrinters.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace
{

std::wstring OwnFolder()
{
    wchar_t path[MAX_PATH];
    std::wstring self(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return self.substr(0, self.rfind(L'\\'));
}

std::wstring ReadText(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return L"<missing>";
    std::wstring text(GetFileSize(file, nullptr) / sizeof(wchar_t), L'\0');
    DWORD read = 0;
    ReadFile(file, &text[0], static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read, nullptr);
    CloseHandle(file);
    return text;
}

// A folder "<temp>\<unique>\Program Files" holding the stand-in program as
// Quorventile.exe, with a decoy "<temp>\<unique>\Program.exe" beside it
// that an unquoted command line would start instead.
class ProgramFolder
{
public:
    ProgramFolder()
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        root = temp + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(GetTickCount()) + L"_handover";
        program = root + L"\\Program Files";
        CreateDirectoryW(root.c_str(), nullptr);
        CreateDirectoryW(program.c_str(), nullptr);
        std::wstring standIn = OwnFolder() + L"\\shellext_StandInApp.exe";
        CopyFileW(standIn.c_str(), (program + L"\\Quorventile.exe").c_str(), FALSE);
        CopyFileW(standIn.c_str(), (root + L"\\Program.exe").c_str(), FALSE);
    }
    ~ProgramFolder()
    {
        for (const std::wstring& folder : {program, root}) {
            DeleteFileW((folder + L"\\commandline.txt").c_str());
            DeleteFileW((folder + L"\\Quorventile.exe").c_str());
            DeleteFileW((folder + L"\\Program.exe").c_str());
            RemoveDirectoryW(folder.c_str());
        }
    }
    std::wstring root, program;
};

// A window on a thread of its own that records the WM_COPYDATA it gets, or
// that never reads its messages when made hung.
class Receiver
{
public:
    explicit Receiver(bool hung)
    {
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([this, hung, ready] {
            WNDCLASSW windowClass = {};
            windowClass.lpfnWndProc = Proc;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"HandOverTestReceiver";
            RegisterClassW(&windowClass);
            window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                     windowClass.hInstance, nullptr);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            threadId_ = GetCurrentThreadId();
            SetEvent(ready);
            if (hung) {
                WaitForSingleObject(release_, INFINITE);
            } else {
                MSG msg;
                while (GetMessageW(&msg, nullptr, 0, 0) > 0)
                    DispatchMessageW(&msg);
            }
            DestroyWindow(window);
        });
        WaitForSingleObject(ready, INFINITE);
        CloseHandle(ready);
    }
    ~Receiver()
    {
        SetEvent(release_);
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
        CloseHandle(release_);
    }

    HWND window = nullptr;
    ULONG_PTR dwData = 0;
    std::wstring data;
    WPARAM sender = 0;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_COPYDATA) {
            auto* self = reinterpret_cast<Receiver*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            self->dwData = copy->dwData;
            self->sender = wParam;
            self->data.assign(static_cast<const wchar_t*>(copy->lpData), copy->cbData / sizeof(wchar_t));
            return TRUE;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HANDLE release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD threadId_ = 0;
    std::thread thread_;
};

} // namespace

TEST(BuildAddLinksCommand, HexCodesTheNameAndEveryPath)
{
    EXPECT_EQ(BuildAddLinksCommand(L"默认", {L"C:\\a"}),
              CString(L"app://add_links_to_catalog?catalog_name=D89EA48B&links_count=1&link_0=43003A005C006100"));
    EXPECT_EQ(BuildAddLinksCommand(L"A&B", {L"x", L"y=&"}),
              CString(L"app://add_links_to_catalog?catalog_name=410026004200&links_count=2&link_0=7800"
                      L"&link_1=79003D002600"));
    EXPECT_EQ(BuildAddLinksCommand(L"G", {}), CString(L"app://add_links_to_catalog?catalog_name=4700&links_count=0"));
}

TEST(SendCommandToMainApp, SendsTheTextWithItsTerminator)
{
    Receiver receiver(false);
    EXPECT_EQ(SendCommandToMainApp(receiver.window, L"app://x?a=1"), S_OK);
    EXPECT_EQ(receiver.dwData, 2025u);
    EXPECT_EQ(receiver.data, std::wstring(L"app://x?a=1", 12));
    EXPECT_EQ(receiver.sender, reinterpret_cast<WPARAM>(receiver.window));
}

TEST(SendCommandToMainApp, AHungWindowIsAFailureNotAWait)
{
    Receiver receiver(true);
    DWORD start = GetTickCount();
    EXPECT_TRUE(FAILED(SendCommandToMainApp(receiver.window, L"app://x")));
    EXPECT_LT(GetTickCount() - start, 5000u);
}

TEST(LaunchMainApp, StartsTheProgramBesideTheDllWithItsPathQuoted)
{
    ProgramFolder folder;
    CString arguments = L"-addlinkstocatalog app://add_links_to_catalog?catalog_name=4700&links_count=0";
    ASSERT_TRUE(LaunchMainApp(folder.program.c_str(), arguments, TRUE));
    EXPECT_EQ(ReadText(folder.program + L"\\commandline.txt"),
              L"\"" + folder.program + L"\\Quorventile.exe\" " + arguments.str());
    EXPECT_EQ(ReadText(folder.root + L"\\commandline.txt"), L"<missing>");
}

TEST(LaunchMainApp, ACommandLineTooLongFailsWithoutStarting)
{
    ProgramFolder folder;
    CString arguments = CString(L"-addlinkstocatalog ") + CString(L'A', 32767);
    SetLastError(0);
    EXPECT_FALSE(LaunchMainApp(folder.program.c_str(), arguments, TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(ReadText(folder.program + L"\\commandline.txt"), L"<missing>");
}

TEST(LaunchMainApp, AMissingProgramIsAFailure)
{
    ProgramFolder folder;
    EXPECT_FALSE(LaunchMainApp((folder.root + L"\\nowhere").c_str(), L"-addlinkstocatalog x", TRUE));
    EXPECT_NE(GetLastError(), 0u);
}
