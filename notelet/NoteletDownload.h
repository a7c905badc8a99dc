// The module's one work item per start: it shows the cached message feed at
// once and, when the cache is missing or older than the refresh interval,
// downloads msg.xml from the web host, stores it and shows its messages.
#pragma once

#include "core/ThreadPool.h"
#include "notelet/WndBottomMsg.h"
#include "online/HttpDownloadBase.h"

#include <memory>
#include <vector>

// What a feed body holds.
struct BottomMsgFeed {
    bool valid = false; // it parsed and has a root element
    int dur = 0;        // root's refresh interval; 0 when missing
    std::vector<std::unique_ptr<BottomMsgItem>> messages;
};

// Reads the bytes up to the first NUL as UTF-8 XML.
BottomMsgFeed ParseBottomMsgFeed(const char* data, int length);
// The refresh interval from its stored text: 86400 s when there is none.
long long FeedRefreshInterval(const CString& stored);
// A cache counts as stale once its age reaches the interval, and when it is
// from the future (the clock was set back).
bool IsFeedCacheStale(long long now, long long createTime, long long interval);

class CNoteletDownload : public SkinControl::CThreadPool::CWorkItem, public CHttpDownloadBase
{
public:
    void Run() override;
    // fromCache is 1 for the stored copy, 0 for a fresh download.
    void OnData(const char* data, int length, int fromCache) override;
    // Bounds every wait of the exchange.
    void OnRequestCreated(CHttpFile* request) override;

    // Ends a running download at once, and keeps later ones from starting
    // until AllowDownloads: the module is stopping.
    static void AbortDownloads();
    static void AllowDownloads();
};
