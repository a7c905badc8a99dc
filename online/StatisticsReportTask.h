// The daily usage ping and the upload of a crash log that the crash-report
// library left behind, run on a pool worker.
#pragma once

#include "core/ThreadPool.h"
#include "framework/CString.h"
#include "online/HttpDownloadBase.h"
#include "online/WebHost.h"

#include <string>

// Logs larger than this are read only this far for the error text.
const size_t MaxErrorLogRead = 16 << 20;

// The faulting module's name from a crash log: the text after the first
// "in module" up to the end of its line less the line's last character,
// then only what follows its last '\'.  The log is multi-byte text of the
// ANSI code page.
std::string ErrorInfoFromLog(const std::string& log);

// Percent-encodes the UTF-8 form of a query value.
CString EncodeQueryValue(const wchar_t* value);

class CStatisticsReportTask : public SkinControl::CThreadPool::CWorkItem, public CHttpDownloadBase
{
public:
    explicit CStatisticsReportTask(const CString& clientId, const wchar_t* webHost = WebHost);

    void Run() override;

protected:
    void OnData(const char* data, int length, int fromCache) override;

private:
    void UploadErrorLog(const CString& version);

    CString clientId;
    CString webHost;
};
