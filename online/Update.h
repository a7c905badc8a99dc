// The update check: once per start, on a pool worker, it reads update.xml
// from the web host when its interval has run out, then makes sure that a
// verified setup program and a verified new message module lie in the
// Update folder, and tells the main frame about each.
#pragma once

#include "core/ModuleVersion.h"
#include "core/ThreadPool.h"
#include "framework/CString.h"
#include "online/HttpDownloadBase.h"
#include "online/WebHost.h"

#include <windows.h>

// Posted to the main frame with wParam 0 and lParam 0.
const UINT WM_UPDATE_READY = 0x1400;    // the setup program is verified
const UINT WM_NOTELET_UPDATED = 0x1401; // "NoteletNew.dll" is verified

// A real update.xml is well under 1 KiB.  A larger body fails the check: it
// comes from the network, and its size must not decide how much memory the
// program takes to convert and parse it.
const size_t MaxUpdateInfoBytes = 64 << 10;

// Files in the Update folder.
CString GetSetupFilePath();     // "QuorventileSetup.exe"
CString GetNewNoteletDllPath(); // "NoteletNew.dll" (downloaded with ".zip" appended)
CString GetNoteletDllPath();    // "Notelet.dll", the swapped-in copy

// Splits an "http://host[:port]/path" URL (scheme in any case); false when
// it has no "http://" or no path, and host and path are left alone then.
bool SplitUpdateUrl(const CString& url, CString& host, CString& path);

class CUpdate
{
public:
    class CUpdateInfoDownload : public SkinControl::CThreadPool::CWorkItem, public CHttpDownloadBase
    {
    public:
        // notifyWindow gets the messages; loadedNoteletPath is the file of
        // the bound message module (empty when none); webHost is where
        // update.xml lives.
        CUpdateInfoDownload(HWND notifyWindow, const CString& loadedNoteletPath,
                            const wchar_t* webHost = WebHost);

        void Run() override;
        void CheckAppUpdate();
        void CheckNoteletUpdate();

        // What the next Download fetches: 0 update.xml, 1 the setup
        // program, 2 the message module's zip archive.
        int mode = 0;

    protected:
        void OnData(const char* data, int length, int fromCache) override;
        // Seconds since 1970.
        virtual long long Now() const;

    private:
        struct AdvertRows;
        static const AdvertRows kAdverts[2]; // the setup program, the message module

        // Makes sure that target holds the advertised file (unless the
        // installed version is the advertised one) and posts message when
        // it does.
        void EnsureVerifiedFile(const AdvertRows& rows, const CModuleVersion* installed,
                                const CString& target, int fetchMode, UINT message);
        void ReadUpdateInfo(const char* data, int length);
        void SaveSetup(const char* data, int length);
        void SaveNotelet(const char* data, int length);
        void FetchUrl(const CString& url);

        HWND notifyWindow;
        CString loadedNoteletPath;
        CString webHost;
    };
};

// Posts one update check to the global pool.
void StartUpdateCheck(HWND mainFrame, const CString& loadedNoteletPath);
