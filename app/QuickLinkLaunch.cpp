// Starting a quick link and opening the folder of its target, on pool
// threads from copies of the link's record.
#include "app/QuickLinkTreeList.h"

#include "app/QuickLinkWorkItems.h"
#include "app/TraceMessage.h"
#include "core/WinUtils.h"

#include <shellapi.h>
#include <shlobj.h>

using SkinControl::CTreeListItem;

namespace
{
BOOL ShellExecuteExCall(SHELLEXECUTEINFOW* execute)
{
    return ShellExecuteExW(execute);
}
} // namespace

std::atomic<CQuickLinkTreeList::ShellExecuteCall> CQuickLinkTreeList::s_launchShellExecute{&ShellExecuteExCall};

void CQuickLinkTreeList::OnItemClick(CTreeListItem* item, UINT)
{
    PostLaunchLink(item, 0);
}

void CQuickLinkTreeList::OnKeyDown(UINT key, UINT repeat, UINT flags)
{
    if (key == VK_RETURN) {
        CTreeListItem* first = GetFirstSelectedItem();
        bool isLink;
        {
            CScopedLock data(m_dataLock);
            isLink = LinkOfRow(first) != nullptr;
        }
        if (isLink) {
            PostLaunchLink(first, 0);
            return;
        }
    }
    CTreeListCtrl::OnKeyDown(key, repeat, flags);
}

void CQuickLinkTreeList::PostLaunchLink(CTreeListItem* row, int runAs)
{
    LinkLaunchInfo launch;
    {
        CScopedLock data(m_dataLock);
        const QuickLinkInfo* link = LinkOfRow(row);
        if (!link)
            return;
        launch.linktype = link->linktype;
        launch.csidl = link->csidl;
        launch.path = link->path;
        launch.args = link->args;
        launch.workdir = link->workdir;
    }
    SkinControl::PostWorkItem(new CListClickWorkItem(std::move(launch), 0, runAs));
}

void CQuickLinkTreeList::PostOpenLinkLocation(CTreeListItem* row)
{
    CString path;
    {
        CScopedLock data(m_dataLock);
        const QuickLinkInfo* link = LinkOfRow(row);
        if (!link)
            return;
        path = link->path;
    }
    SkinControl::PostWorkItem(new CListFindTargetWorkItem(path));
}

void CQuickLinkTreeList::LaunchLink(const LinkLaunchInfo& link, int runAs)
{
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof(execute);
    execute.nShow = SW_SHOWNORMAL;
    if (link.linktype == LinkTypeShellPlace) {
        LPITEMIDLIST pidl = nullptr;
        if (FAILED(SHGetSpecialFolderLocation(nullptr, link.csidl, &pidl)) || !pidl)
            return;
        TraceMessage(L"Quorventile. OnThreadClickListItem CSIDL %d Begin\n", link.csidl);
        execute.fMask = SEE_MASK_IDLIST | SEE_MASK_NOASYNC;
        execute.lpIDList = pidl;
        s_launchShellExecute.load()(&execute);
        TraceMessage(L"Quorventile. OnThreadClickListItem CSIDL %d End\n", link.csidl);
        CoTaskMemFree(pidl);
        return;
    }
    TraceMessage(L"Quorventile. OnThreadClickListItem %s Begin\n", link.path.GetString());
    execute.fMask = SEE_MASK_NOASYNC;
    execute.lpVerb = runAs ? L"runas" : L"open";
    execute.lpFile = link.path;
    execute.lpParameters = link.args;
    execute.lpDirectory = link.workdir;
    // The shell shows its own message when the target is gone.
    s_launchShellExecute.load()(&execute);
    TraceMessage(L"Quorventile. OnThreadClickListItem %s End\n", link.path.GetString());
}

void CQuickLinkTreeList::OpenLinkLocation(const CString& path)
{
    if (!path.IsEmpty())
        OpenFolderAndSelectFile(path);
}
