// A window that takes drops, as the data's source sees it: a drag of real
// files over it ends in a drop with the files and the agreed effect, and
// data it refuses (or an effect the source forbids) drops nothing.
#include "framework/COleDataSource.h"
#include "framework/COleDropTarget.h"
#include "framework/CWinApp.h"
#include "framework/CWnd.h"
#include "framework/tests/OleTestData.h"

using namespace OleTest;

namespace
{

// A window that takes file lists, as the quick-link list does.
class FileDropWindow : public CWnd, public COleDropTarget
{
public:
    std::vector<std::string> calls;
    CPoint lastPoint;
    DROPEFFECT dropEffect = DROPEFFECT_NONE;
    std::vector<CString> files;

    FileDropWindow()
    {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        if (!GetClassInfoExW(AfxGetInstanceHandle(), L"QvDropWindow", &wc)) {
            wc.lpfnWndProc = ::DefWindowProcW;
            wc.hInstance = AfxGetInstanceHandle();
            wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
            wc.lpszClassName = L"QvDropWindow";
            RegisterClassExW(&wc);
        }
        CreateEx(0, L"QvDropWindow", L"", WS_POPUP, CRect(100, 100, 300, 250), nullptr, 0);
        ShowWindow(SW_SHOWNOACTIVATE);
        UpdateWindow();
    }
    ~FileDropWindow() override
    {
        Revoke();
        DestroyWindow();
    }

    DROPEFFECT OnDragEnter(CWnd* window, COleDataObject* data, DWORD, CPoint point) override
    {
        return Track("enter", window, data, point);
    }
    DROPEFFECT OnDragOver(CWnd* window, COleDataObject* data, DWORD, CPoint point) override
    {
        return Track("over", window, data, point);
    }
    BOOL OnDrop(CWnd* window, COleDataObject* data, DROPEFFECT effect, CPoint point) override
    {
        Track("drop", window, data, point);
        dropEffect = effect;
        return data->GetFileNames(&files);
    }
    void OnDragLeave(CWnd*) override { calls.push_back("leave"); }

private:
    DROPEFFECT Track(const char* call, CWnd* window, COleDataObject* data, CPoint point)
    {
        EXPECT_EQ(m_hWnd, window->m_hWnd);
        calls.push_back(call);
        lastPoint = point;
        return data->IsDataAvailable(CF_HDROP) ? DROPEFFECT_LINK : DROPEFFECT_NONE;
    }
};

class DropTarget : public ::testing::Test
{
protected:
    void SetUp() override
    {
        paths = {folder.File(L"one.txt"), folder.File(L"两个.txt")};
        ASSERT_TRUE(window.m_hWnd);
        ASSERT_TRUE(window.Register(&window));
    }
    COleDataSource* FileSource()
    {
        auto* source = new COleDataSource;
        source->CacheGlobalData(CF_HDROP, MakeDropFiles(paths));
        return source;
    }

    FileFolder folder;
    std::vector<CString> paths;
    FileDropWindow window;
};

// The drag starts with no button down, so it drops at once where the cursor
// is.
TEST_F(DropTarget, DragOfFilesDropsThemWithTheAgreedEffect)
{
    SetCursorPos(150, 170);
    COleDataSource* source = FileSource();
    EXPECT_EQ(static_cast<DROPEFFECT>(DROPEFFECT_LINK),
              source->DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_LINK));
    source->ExternalRelease();

    ASSERT_FALSE(window.calls.empty());
    EXPECT_EQ("enter", window.calls.front());
    EXPECT_EQ("drop", window.calls.back());
    EXPECT_EQ(CPoint(50, 70), window.lastPoint) << "in client coordinates";
    EXPECT_EQ(static_cast<DROPEFFECT>(DROPEFFECT_LINK), window.dropEffect);
    EXPECT_EQ(paths, window.files);
}

TEST_F(DropTarget, DropsNothingThatWasRefused)
{
    const CLIPFORMAT text = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"QvOleTestText"));
    struct Case {
        const char* name;
        bool files;
        DWORD allowed;
    } cases[] = {
        {"text from an editor", false, DROPEFFECT_COPY | DROPEFFECT_LINK},
        {"files the source only lets copy", true, DROPEFFECT_COPY},
    };
    IDropTarget* target = window.GetDropTarget();
    const POINTL point = {150, 170};
    for (const Case& c : cases) {
        window.calls.clear();
        auto* source = new COleDataSource;
        if (c.files)
            source->CacheGlobalData(CF_HDROP, MakeDropFiles(paths));
        else
            source->CacheGlobalData(text, MakeGlobalText("text"));
        DWORD effect = c.allowed;
        EXPECT_EQ(S_OK, target->DragEnter(source->GetDataObject(), 0, point, &effect));
        EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), effect) << c.name;
        effect = c.allowed;
        EXPECT_EQ(S_OK, target->Drop(source->GetDataObject(), 0, point, &effect));
        EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), effect) << c.name;
        EXPECT_EQ(std::vector<std::string>{"enter"}, window.calls) << c.name << ": no drop";
        source->ExternalRelease();
    }
}

// The target keeps the drag's data until it leaves, whatever the source does
// with its own reference.
TEST_F(DropTarget, KeepsTheDragsDataUntilItLeaves)
{
    IDropTarget* target = window.GetDropTarget();
    COleDataSource* source = FileSource();
    DWORD effect = DROPEFFECT_LINK;
    target->DragEnter(source->GetDataObject(), 0, POINTL{110, 110}, &effect);
    source->ExternalRelease();
    effect = DROPEFFECT_LINK;
    EXPECT_EQ(S_OK, target->DragOver(0, POINTL{120, 130}, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_LINK), effect) << "the files are still offered";
    EXPECT_EQ(CPoint(20, 30), window.lastPoint);
    EXPECT_EQ(S_OK, target->DragLeave());
    effect = DROPEFFECT_LINK;
    EXPECT_EQ(S_OK, target->DragOver(0, POINTL{120, 130}, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), effect) << "no drag after it left";
    EXPECT_EQ((std::vector<std::string>{"enter", "over", "leave"}), window.calls);
}

} // namespace
