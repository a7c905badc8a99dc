// The module's one work item per start: it shows the cached message feed at
// once and, when the cache is missing or older than the refresh interval,
// downloads msg.xml from the web host, stores it and shows its messages.
#pragma once

#include "core/ThreadPool.h"
#include "notelet/WndBottomMsg.h"
#include "online/HttpDownloadBase.h"
#include "online/WebHost.h"

#include <memory>
#include <vector>

// A real msg.xml is a few KiB.  A larger body fails the download, and a
// larger cached copy counts as none: the feed comes from the network, and
// what it holds must not decide how much memory the program takes.
const int MaxFeedBytes = 256 << 10;
// Messages kept from one feed; the rest are dropped.
const size_t MaxFeedMessages = 100;

// What a feed body holds.
struct BottomMsgFeed {
    bool valid = false; // a whole document, its root element closed
    int dur = 0;        // root's refresh interval; 0 when missing
    std::vector<std::unique_ptr<BottomMsgItem>> messages;
};

// Reads the bytes up to the first NUL as UTF-8 XML.  A message's duration
// that is missing or negative is 0.
BottomMsgFeed ParseBottomMsgFeed(const char* data, int length);
// The refresh interval from its stored text: 86400 s when there is none.
long long FeedRefreshInterval(const CString& stored);
// A cache counts as stale once its age reaches the interval, and when it is
// from the future (the clock was set back).
bool IsFeedCacheStale(long long now, long long createTime, long long interval);

class CNoteletDownload : public SkinControl::CThreadPool::CWorkItem, public CHttpDownloadBase
{
public:
    // webHost is where msg.xml lives.
    explicit CNoteletDownload(const wchar_t* webHost = WebHost);

    void Run() override;
    // fromCache is 1 for the stored copy, 0 for a fresh download, which is
    // stored only when it is a whole feed.  Nothing happens once the run of
    // the module in which the download was made has stopped.
    void OnData(const char* data, int length, int fromCache) override;

    // Ends a running download at once and ends the module's run: from now
    // on no download made so far starts, or uses the store or the bar.
    static void AbortDownloads();
    // Begins a new run of the module, for the downloads made from now on.
    static void AllowDownloads();

private:
    bool InItsRun() const;

    CString webHost;
    unsigned run; // the module's run when the download was made
};
