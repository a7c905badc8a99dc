// Drag and drop on the quick-link list: files dropped from another program
// through a data object of real files, and links dragged inside the list,
// whose moves must come back the same after a restart. Under Wine a drag
// started with no button down drops at once where the cursor is.
#include "app/tests/QuickLinkListTest.h"
#include "app/QuickLinkWorkItems.h"
#include "framework/COleDataSource.h"
#include "framework/tests/OleTestData.h"
#include "framework/TextConvert.h"
#include "skin/CSkinMessageBox.h"

#include <string>

namespace
{
using namespace QuickLinkTest;
using RowTexts = std::vector<CString>;

class DragDrop : public QuickLinkListTest
{
protected:
    // Docs: a, b, c; Other: x; both open.
    void SetUp() override
    {
        QuickLinkListTest::SetUp();
        CatalogInfo docs = StoreCatalog(L"Docs");
        CatalogInfo other = StoreCatalog(L"Other", docs.cid);
        StoreChain(docs.cid, {L"a", L"b", L"c"});
        StoreLink(other.cid, 0, File(L"x"));
        Create();
        Load();
        OpenAllGroups();
    }
    void OpenAllGroups()
    {
        list.SetSingleExpand(FALSE);
        for (CTreeListItem* group = list.GetChildItem(list.GetRootItem()); group;
             group = list.GetNextSiblingItem(group))
            list.Expand(group, FALSE, 0);
        list.RecalcLayout();
    }
    void PutCursorOn(CPoint client)
    {
        list.ClientToScreen(&client);
        SetCursorPos(client.x, client.y);
    }
    // Drops `source`'s data where the cursor is, as another program would.
    void DropFrom(COleDataSource* source)
    {
        source->DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_LINK);
        source->ExternalRelease();
    }
    COleDataSource* Source(CLIPFORMAT format, HGLOBAL block)
    {
        auto* source = new COleDataSource;
        source->CacheGlobalData(format, block);
        return source;
    }
    // Presses on the first dragged row and moves: the list starts its own drag.
    void Drag(const std::vector<const wchar_t*>& rows, const wchar_t* onto)
    {
        list.SelectItem(nullptr, FALSE, FALSE, FALSE);
        for (const wchar_t* row : rows)
            list.SelectItem(Row(row), FALSE, TRUE, FALSE);
        const CPoint target = onto ? RowPoint(Row(onto)) : CPoint(100, 390);
        const CPoint press = RowPoint(Row(rows.front()));
        PutCursorOn(target);
        list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(press.x, press.y));
        list.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(press.x, press.y + 8));
        list.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(press.x, press.y + 8));
        PumpMessages(30);
    }
};

TEST_F(DragDrop, FilesFromAnotherProgramGoWhereTheyAreDropped)
{
    OleTest::FileFolder files;
    std::wstring deep = L"deep";
    while (deep.size() < 300)
        deep += L"\\a folder of a long path";
    const CString longPath = files.File(deep + L"\\long.txt");
    const struct {
        std::vector<CString> paths; // empty: text only
        const wchar_t* onto;        // a row; null: below every row
        RowTexts rows;
    } cases[] = {
        {{files.File(L"new.txt")}, L"b", {L"Docs", L"  a", L"  new.txt", L"  b", L"  c", L"Other", L"  x"}},
        {{files.Folder(L"folder")},
         L"Other",
         {L"Docs", L"  a", L"  new.txt", L"  b", L"  c", L"Other", L"  x", L"  folder"}},
        {{files.File(L"loose.txt")},
         nullptr,
         {L"Docs", L"  a", L"  new.txt", L"  b", L"  c", L"Other", L"  x", L"  folder", L"默认",
          L"  loose.txt"}},
        {{},
         L"a",
         {L"Docs", L"  a", L"  new.txt", L"  b", L"  c", L"Other", L"  x", L"  folder", L"默认",
          L"  loose.txt"}},
        {{longPath},
         L"Docs",
         {L"Docs", L"  a", L"  new.txt", L"  b", L"  c", L"  long.txt", L"Other", L"  x", L"  folder",
          L"默认", L"  loose.txt"}},
    };
    for (const auto& c : cases) {
        PutCursorOn(c.onto ? RowPoint(Row(c.onto)) : CPoint(100, 390));
        DropFrom(c.paths.empty() ? Source(CF_TEXT, OleTest::MakeGlobalText("text from an editor"))
                                 : Source(CF_HDROP, OleTest::MakeDropFiles(c.paths)));
        EXPECT_TRUE(PumpUntil([&] { return Rows() == c.rows; }, c.paths.empty() ? 300 : 5000))
            << ToUtf8(c.rows.back()).GetString() << " " << Rows().size();
        OpenAllGroups();
    }
    EXPECT_EQ(LinkTypeDirectory, Count("select linktype from qv_link where name = 'folder';"));
    EXPECT_EQ(longPath.GetLength(), Count("select length(path) from qv_link where name = 'long.txt';"))
        << "a path beyond MAX_PATH, whole";
    ExpectSoundChains();
}

TEST_F(DragDrop, DraggedLinksMoveAndStayMovedAfterARestart)
{
    const struct {
        std::vector<const wchar_t*> dragged;
        const wchar_t* onto;
        RowTexts rows;
    } cases[] = {
        {{L"c"}, L"a", {L"Docs", L"  c", L"  a", L"  b", L"Other", L"  x"}},
        {{L"a"}, L"b", {L"Docs", L"  c", L"  a", L"  b", L"Other", L"  x"}},    // already before it
        {{L"c"}, L"Docs", {L"Docs", L"  c", L"  a", L"  b", L"Other", L"  x"}}, // its own group
        {{L"a", L"b"}, L"b", {L"Docs", L"  c", L"  a", L"  b", L"Other", L"  x"}},
        {{L"a"}, nullptr, {L"Docs", L"  c", L"  a", L"  b", L"Other", L"  x"}},
        {{L"a"}, L"Other", {L"Docs", L"  c", L"  b", L"Other", L"  x", L"  a"}},
        // Before a link of another group: into that group.
        {{L"c", L"b"}, L"x", {L"Docs", L"Other", L"  c", L"  b", L"  x", L"  a"}},
        // Within a group, one after the other in the order dragged.
        {{L"a", L"c"}, L"b", {L"Docs", L"Other", L"  a", L"  c", L"  b", L"  x"}},
    };
    for (const auto& c : cases) {
        Drag(c.dragged, c.onto);
        EXPECT_EQ(c.rows, Rows()) << ToUtf8(c.dragged.front()).GetString() << " onto "
                                  << (c.onto ? ToUtf8(c.onto).GetString() : "nothing");
        EXPECT_EQ(c.rows, StoredRows()) << "as the next start shows them";
        ExpectSoundChains();
    }
    Restart();
    EXPECT_EQ(cases[std::size(cases) - 1].rows, Rows());
}

// Wine's drag-image helper takes no bitmap, so the image is looked at here.
TEST_F(DragDrop, TheDragImageShowsEachDraggedRowIn25Pixels)
{
    // No taller than the screen, however many rows are dragged.
    {
        CQuickLinkTreeList::DragRecord many;
        many.rows.assign(1000, Row(L"a"));
        SHDRAGIMAGE image = {};
        ASSERT_TRUE(list.CreateDragImage(many, &image));
        DeleteObject(image.hbmpDragImage);
        EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) / 25 * 25, image.sizeDragImage.cy);
    }
    CQuickLinkTreeList::DragRecord drag;
    drag.rows = {Row(L"a"), Row(L"x")};
    SHDRAGIMAGE image = {};
    ASSERT_TRUE(list.CreateDragImage(drag, &image));
    EXPECT_EQ(300, image.sizeDragImage.cx);
    EXPECT_EQ(50, image.sizeDragImage.cy);
    EXPECT_EQ(-GetSystemMetrics(SM_CXCURSOR) / 2, image.ptOffset.x);
    EXPECT_EQ(0xFFFFFFu, image.crColorKey);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, image.hbmpDragImage);
    SkinTest::Pixels pixels(dc, 0, 0, 300, 50);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(image.hbmpDragImage);
    EXPECT_COLOR(RGB(252, 236, 173), pixels.Pixel(5, 5)) << "the selected rows' fill";
    for (int band : {0, 25}) {
        int dark = 0;
        for (int y = band; y < band + 25; ++y)
            for (int x = 41; x < 60; ++x)
                dark += GetRValue(pixels.Pixel(x, y)) < 100;
        EXPECT_GT(dark, 5) << "the name in the row at " << band;
    }
}

// A load that leaves out a stored duplicate, and a change whose commit
// fails, leave memory, screen and store agreeing, and the user is told of
// the failure once: the next move survives a restart.  Another connection
// keeps the file: a reader, which lets only writes fail, or one in an
// exclusive transaction, which keeps the list from reading the store back.
TEST_F(DragDrop, AMoveSurvivesARestartAfterALeftOutDuplicateOrAFailedCommit)
{
    // Between a and b the store holds a second link to a's file.
    const int docs = Count("select cid from qv_catalog where name = 'Docs';");
    QuickLinkInfo copy = StoreLink(docs, Count("select id from qv_link where name = 'a';"), File(L"a"), L"a copy");
    AppDatabase.db.ExecDML(("update qv_link set preid = " + std::to_string(copy.id) + " where name = 'b';").c_str());
    Restart();
    OpenAllGroups();
    ASSERT_EQ((RowTexts{L"Docs", L"  a", L"  b", L"  c", L"Other", L"  x"}), Rows());
    // Adds "new" to Docs, before `before` when given.
    auto addNew = [&](const wchar_t* before) {
        std::vector<AddLinkRequest> requests;
        requests.push_back(FileRequest(L"new"));
        requests[0].catalogItem = Row(L"Docs");
        requests[0].insertBefore = before ? Row(before) : nullptr;
        CQuickLinkTreeList::CAddLinkWorkItem(&list, std::move(requests)).Run();
    };
    enum Failing {
        None,
        AddBeforeA,
        DeleteBInASearch, // and an add and a new group while the box is up
        MoveBOntoX,
        DeleteAUnreadable, // with Other closed; then an add
        RenameDocs,
        RenameA,
    };
    const struct {
        Failing failing; // a change whose commit fails first
        const wchar_t* dragged; // then a move, null: none
        const wchar_t* onto;
        RowTexts rows;
    } cases[] = {
        {None, L"c", L"a", {L"Docs", L"  c", L"  a", L"  b", L"Other", L"  x"}},
        {AddBeforeA, L"b", L"c", {L"Docs", L"  b", L"  c", L"  a", L"Other", L"  x"}},
        {DeleteBInASearch, L"a", L"b", {L"Docs", L"  a", L"  b", L"  c", L"Other", L"  x"}},
        {MoveBOntoX, L"c", L"Other", {L"Docs", L"  a", L"  b", L"Other", L"  x", L"  c"}},
        {DeleteAUnreadable, L"b", L"a", {L"Docs", L"  b", L"  a", L"Other", L"  x", L"  c"}},
        {RenameDocs, nullptr, nullptr, {}},
        {RenameA, L"a", L"b", {L"Docs", L"  a", L"  b", L"Other", L"  x", L"  c"}},
    };
    for (const auto& c : cases) {
        if (c.failing != None) {
            if (c.failing == DeleteAUnreadable)
                list.Collapse(Row(L"Other"), FALSE, 0, 0);
            if (c.failing == DeleteBInASearch)
                list.FilterItems(L"b");
            const std::wstring stored = StoredLinks(), groups = StoredGroups();
            const RowTexts before = Rows(), shown = VisibleRows();
            BoxCounter boxes;
            bool told = false;
            ModalAction box(L"#32770", [&](HWND window) {
                auto* shown = static_cast<SkinControl::CSkinMessageBox*>(CWnd::FromHandlePermanent(window));
                told = shown && shown->GetText() == L"数据保存失败，已恢复为上次保存的内容！";
                if (c.failing == DeleteBInASearch) {
                    addNew(nullptr);
                    list.AddNewCatalog();
                }
                PostMessageW(window, WM_COMMAND, SkinControl::CSkinMessageBox::IdFirstButton, 0);
            });
            SQL_LITE::CppSQLite3DB other;
            other.Open(ToUtf8(dir.dbPath));
            SQL_LITE::CppSQLite3Query reading;
            const bool unreadable = c.failing == DeleteAUnreadable;
            if (unreadable) {
                other.ExecDML("begin exclusive;");
            } else {
                other.ExecDML("begin;");
                reading = other.ExecQuery("select * from qv_link;");
            }
            const DWORD wait = unreadable ? 500 : 100;
            AppDatabase.db.SetBusyTimeout(wait);
            const DWORD start = GetTickCount();
            switch (c.failing) {
            case AddBeforeA:
                addNew(L"a");
                break;
            case DeleteAUnreadable:
                list.DeleteSelectedItems({Row(L"a")});
                break;
            case DeleteBInASearch:
                list.DeleteSelectedItems({Row(L"b")});
                break;
            case MoveBOntoX:
                Drag({L"b"}, L"x");
                break;
            case RenameA:
                EXPECT_EQ(1, list.CommitLinkName(Row(L"a"), L"renamed")) << "the editor closes";
                break;
            case RenameDocs:
                EXPECT_EQ(1, list.CommitCatalogName(Row(L"Docs"), L"Papers")) << "the editor closes";
                break;
            case None:
                break;
            }
            const DWORD took = GetTickCount() - start;
            EXPECT_TRUE(PumpUntil([&] { return box.Acted() && !BoxShown(); }, 5000));
            EXPECT_TRUE(told) << "the failure is told";
            EXPECT_EQ(1, boxes.Boxes()) << "one box for a run of failures";
            EXPECT_EQ(shown, VisibleRows()) << "the open groups and the search, as before";
            if (unreadable) {
                EXPECT_GE(took, wait * 9 / 10) << "the delete waited for the lock";
                EXPECT_LT(took, 2 * wait) << "the list waited again to read the store back";
                // An add while the lock holds is told too, and shows nothing.
                ModalAction again(L"#32770", [](HWND window) {
                    PostMessageW(window, WM_COMMAND, SkinControl::CSkinMessageBox::IdFirstButton, 0);
                });
                addNew(nullptr);
                EXPECT_TRUE(PumpUntil([&] { return again.Acted() && !BoxShown(); }, 5000));
                EXPECT_EQ(2, boxes.Boxes());
                EXPECT_EQ(before, Rows());
            }
            AppDatabase.db.SetBusyTimeout(60000);
            reading = SQL_LITE::CppSQLite3Query();
            other.Close();
            if (c.failing == DeleteBInASearch)
                list.FilterItems(L"");
            // The records keep their names as well.
            if (c.failing == RenameA) {
                list.FilterItems(L"renamed");
                EXPECT_TRUE(VisibleRows().empty());
                list.FilterItems(L"");
            }
            if (c.failing == RenameDocs) {
                EXPECT_FALSE(list.ExpandCatalogByName(L"Papers"));
            }
            OpenAllGroups();
            EXPECT_EQ(before, Rows());
            EXPECT_EQ(stored, StoredLinks());
            EXPECT_EQ(groups, StoredGroups());
            ExpectSoundChains();
        }
        if (!c.dragged)
            continue;
        Drag({c.dragged}, c.onto);
        EXPECT_EQ(c.rows, Rows()) << ToUtf8(c.dragged).GetString();
        Restart();
        OpenAllGroups();
        EXPECT_EQ(c.rows, Rows()) << ToUtf8(c.dragged).GetString() << " after a restart";
        ExpectSoundChains();
    }
}

// The list's own drag format holds a bare pointer: it is followed only for
// the list's running drag, not from anywhere else, also not while that drag
// runs.
TEST_F(DragDrop, ThePrivateFormatFromElsewhereIsIgnored)
{
    const UINT format = RegisterClipboardFormatW(L"{E1FDB8DC-40B8-4fd4-99DD-40A2ECC8EAD9}");
    // A drag record of this process that the list's drag did not make: b.
    CQuickLinkTreeList::DragRecord foreign;
    foreign.rows = {Row(L"b")};
    auto offer = [&] {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(void*));
        *static_cast<CQuickLinkTreeList::DragRecord**>(GlobalLock(block)) = &foreign;
        GlobalUnlock(block);
        return Source(static_cast<CLIPFORMAT>(format), block);
    };
    const RowTexts before = Rows();
    PutCursorOn(RowPoint(Row(L"a")));
    DropFrom(offer());
    EXPECT_EQ(before, Rows()) << "no drag of the list runs";

    // Over a lies a window of the test's own (a static control that takes
    // the mouse): the list's drag of c drops there, and from there, while that drag runs, the foreign record is
    // offered to the list.
    struct Relay : COleDropTarget {
        CQuickLinkTreeList* list = nullptr;
        COleDataSource* source = nullptr;
        bool offered = false;
        DROPEFFECT OnDragEnter(CWnd*, COleDataObject*, DWORD, CPoint) override { return DROPEFFECT_MOVE; }
        DROPEFFECT OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint) override { return DROPEFFECT_MOVE; }
        BOOL OnDrop(CWnd*, COleDataObject*, DROPEFFECT, CPoint) override
        {
            CPoint cursor;
            GetCursorPos(&cursor);
            const POINTL at = {cursor.x, cursor.y};
            DWORD effect = DROPEFFECT_MOVE;
            IDropTarget* target = list->GetDropTarget();
            target->DragEnter(source->GetDataObject(), 0, at, &effect);
            effect = DROPEFFECT_MOVE;
            target->Drop(source->GetDataObject(), 0, at, &effect);
            offered = true;
            return TRUE;
        }
    } relay;
    relay.list = &list;
    relay.source = offer();
    CPoint onA = RowPoint(Row(L"a"));
    list.ClientToScreen(&onA);
    CWnd cover;
    ASSERT_TRUE(cover.CreateEx(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | SS_NOTIFY, onA.x - 20, onA.y - 5, 40, 10, nullptr,
                               nullptr));
    ASSERT_TRUE(relay.Register(&cover));
    Drag({L"c"}, L"a");
    EXPECT_TRUE(relay.offered);
    EXPECT_EQ(before, Rows()) << "the list's own drag runs";
    relay.Revoke();
    cover.DestroyWindow();
    relay.source->ExternalRelease();
}

} // namespace
