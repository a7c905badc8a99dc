// Skinned dialogs built from XML layouts, as the user and the dialog's code
// see them: the controls made for each tag with their ids, styles, sizes and
// colours, clicks and edit changes reaching the hooks, the title buttons,
// the caption band, tooltips and the ways the dialog ends.
#include "DialogTestSkin.h"

#include "skin/CSkinDialog.h"
#include "skin/CWndBase.h"
#include "skin/CXMLToControl.h"

#include <functional>
#include <string>
#include <vector>

using namespace SkinControl;
using namespace SkinTest;

namespace
{

const wchar_t kLayout[] = LR"xml(<frame>
  <static id="10" title="热键：" font="Font9" left="20" top="50" width="300" height="40"
          normal_text_color="rgb(10,20,30)"/>
  <hypertext id="11" title="帮助" font="Font9" left="20" top="80" width="40" height="18"
             normal_text_color="RGB(1,2,3)" hover_text_color="rgb(256,257,511)"
             pressed_text_color="rgb(7,8"/>
  <button id="12" title="确定" tabstop="1" left="40" top="120" width="10" height="10"/>
  <check id="13" title="开机启动" left="20" top="150" width="120" height="20"
         normal_text_color="#ff0000"/>
  <radio id="14" title="单击" left="20" top="175" width="80" height="20"/>
  <edit id="15" font="Font9" left="150" top="50" width="100" height="22"/>
  <image id="16" left="260" top="120" width="32" height="32"/>
  <Button id="17" left="0" top="0" width="10" height="10"/>
  <button id="18" title="第一" left="150" top="150" width="68" height="22"/>
  <button id="18" title="第二" left="230" top="150" width="68" height="22"/>
</frame>)xml";

// A dialog of both kinds, as the program's dialogs are: it loads its layout
// in its initialisation, places the controls on every layout and destroys
// them with its window.
class LayoutDialog : public CSkinDialog, public CXMLToControl
{
public:
    std::function<void(LayoutDialog&)> inside;
    std::vector<int> clicked;
    std::vector<int> edited;
    std::vector<UINT> tipIds;
    BOOL loaded = FALSE;
    Gdiplus::Image* closeImage = nullptr;
    Gdiplus::Image* minimizeImage = nullptr;

    BOOL OnInitDialog() override
    {
        m_captionHeight = 31;
        CSkinDialog::OnInitDialog();
        m_parent = this;
        loaded = LoadLayout();
        MoveWindow(0, 0, 400, 240, FALSE);
        PostMessage(WM_APP);
        return TRUE;
    }
    void Layout() override
    {
        CSkinDialog::Layout();
        CRect client;
        GetClientRect(&client);
        MoveControls(client);
    }
    void GetTitleButtonImages(Gdiplus::Image** close, Gdiplus::Image** minimize, int* frameCount) override
    {
        *close = closeImage;
        *minimize = minimizeImage;
        *frameCount = 4;
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        if (CXMLToControl::OnCommand(wParam, lParam))
            return TRUE;
        return CSkinDialog::OnCommand(wParam, lParam);
    }
    void OnControlClicked(XmlControlRecord* record) override { clicked.push_back(record->id); }
    void OnEditChanged(XmlControlRecord* record) override { edited.push_back(record->id); }
    BOOL OnToolTipText(UINT id, TOOLTIPTEXTW* text) override
    {
        tipIds.push_back(id);
        return CSkinDialog::OnToolTipText(id, text);
    }
    XmlControlRecord* Record(size_t index) { return m_controls.at(index); }
    size_t RecordCount() const { return m_controls.size(); }

protected:
    void OnDestroy() override
    {
        DestroyControls();
        CSkinDialog::OnDestroy();
    }
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (message == WM_APP && inside) {
            inside(*this);
            return TRUE;
        }
        return CSkinDialog::OnWndMsg(message, wParam, lParam, result);
    }
};

class SkinDialog : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = new TempFolder;
        LoadDialogSkin(*folder);
    }
    static void TearDownTestSuite()
    {
        UnloadDialogSkin();
        delete folder;
        folder = nullptr;
    }
    // Runs the dialog with the layout; `inside` runs in its modal loop and
    // must end it.
    INT_PTR Run(LayoutDialog& dialog, const wchar_t* layout, std::function<void(LayoutDialog&)> inside)
    {
        dialog.m_layout = layout;
        dialog.inside = std::move(inside);
        return dialog.DoModal();
    }
    static TempFolder* folder;
};

TempFolder* SkinDialog::folder = nullptr;

std::wstring ClassOf(CWnd* wnd)
{
    wchar_t name[64] = {};
    GetClassNameW(wnd->m_hWnd, name, 64);
    return name;
}

CRect ChildRect(CWnd* parent, CWnd* child)
{
    CRect rect;
    child->GetWindowRect(&rect);
    MapWindowPoints(nullptr, parent->m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST_F(SkinDialog, LayoutMakesOneControlPerElementWithItsClassIdAndStyle)
{
    LayoutDialog dialog;
    std::vector<std::wstring> classes;
    std::vector<DWORD> styles;
    bool nullForUnknownTag = false;
    CWnd* firstOfTwins = nullptr;
    CWnd* controlOfTwins = nullptr;
    size_t records = 0;
    ASSERT_EQ(IDCANCEL, Run(dialog, kLayout, [&](LayoutDialog& d) {
                  records = d.RecordCount();
                  for (int id = 10; id <= 16; ++id) {
                      CWnd* control = d.GetControl(id);
                      classes.push_back(control ? ClassOf(control) : L"(none)");
                      styles.push_back(control ? control->GetStyle() : 0);
                      EXPECT_TRUE(control && control->GetDlgCtrlID() == id) << id;
                      EXPECT_TRUE(control && control->GetParent() == &d) << id;
                  }
                  nullForUnknownTag = d.Record(7)->window == nullptr && d.GetControl(17) == nullptr;
                  firstOfTwins = d.Record(8)->window;
                  controlOfTwins = d.GetControl(18);
                  d.EndDialog(IDCANCEL);
              }));
    EXPECT_TRUE(dialog.loaded);
    EXPECT_EQ(10u, records);
    const std::vector<std::wstring> expected = {L"Button", L"Button", L"Button",           L"Button",
                                                L"Button", L"Edit",   CWndBase::kClassName};
    ASSERT_EQ(expected.size(), classes.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(0, lstrcmpiW(expected[i].c_str(), classes[i].c_str())) << i;
    // Skinned buttons keep their window style and become owner-drawn.
    for (int i : {0, 1})
        EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE | BS_OWNERDRAW), styles[i]) << i;
    for (int i : {2, 3, 4})
        EXPECT_EQ(static_cast<DWORD>(0x50010000 | BS_OWNERDRAW), styles[i]) << i;
    // The edit control takes WS_BORDER off and draws the border itself.
    EXPECT_EQ(0x50810080u, styles[5] | WS_BORDER);
    EXPECT_EQ(0x56000000u, styles[6]);
    EXPECT_TRUE(nullForUnknownTag);
    EXPECT_EQ(firstOfTwins, controlOfTwins);
    EXPECT_EQ(0u, dialog.RecordCount());
}

TEST_F(SkinDialog, LabelsFitTheirTextInFont10AndPushButtonsAre68By22)
{
    LayoutDialog dialog;
    CRect label, button, check, edit;
    ASSERT_EQ(IDCANCEL, Run(dialog, kLayout, [&](LayoutDialog& d) {
                  label = ChildRect(&d, d.GetControl(10));
                  button = ChildRect(&d, d.GetControl(12));
                  check = ChildRect(&d, d.GetControl(13));
                  edit = ChildRect(&d, d.GetControl(15));
                  d.EndDialog(IDCANCEL);
              }));
    const CSize text = MeasureText(L"Font10", L"热键：");
    EXPECT_EQ(CRect(20, 50, 20 + text.cx, 50 + text.cy), label);
    EXPECT_EQ(CRect(40, 120, 108, 142), button);
    EXPECT_EQ(CRect(20, 150, 140, 170), check);
    EXPECT_EQ(CRect(150, 50, 250, 72), edit);
}

TEST_F(SkinDialog, ColoursComeFromRgbTextAndAnythingElseIsBlack)
{
    LayoutDialog dialog;
    std::vector<COLORREF> colours;
    ASSERT_EQ(IDCANCEL, Run(dialog, kLayout, [&](LayoutDialog& d) {
                  for (size_t i : {0, 1, 3}) {
                      colours.push_back(d.Record(i)->normalTextColor);
                      colours.push_back(d.Record(i)->hoverTextColor);
                      colours.push_back(d.Record(i)->pressedTextColor);
                  }
                  d.EndDialog(IDCANCEL);
              }));
    const std::vector<COLORREF> expected = {
        RGB(10, 20, 30),
        0,
        0, // static: one colour given
        RGB(1, 2, 3),
        RGB(0, 1, 255),
        0, // upper case, low bytes, a cut-off value
        0,
        0,
        0, // "#ff0000" has no "rgb"
    };
    EXPECT_EQ(expected, colours);
    EXPECT_EQ(RGB(0, 0, 0), ParseLayoutColor(L"rgb(12"));
    EXPECT_EQ(RGB(0, 0, 0), ParseLayoutColor(L"rgb(1,2,"));
    EXPECT_EQ(RGB(4, 5, 6), ParseLayoutColor(L"Rgb(4,5,6)"));
}

TEST_F(SkinDialog, ButtonAndLinkClicksAndEditChangesReachTheHooks)
{
    LayoutDialog dialog;
    ASSERT_EQ(IDCANCEL, Run(dialog, kLayout, [&](LayoutDialog& d) {
                  for (int id : {12, 11, 13, 14, 18}) {
                      CWnd* control = d.GetControl(id);
                      control->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
                      control->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
                  }
                  d.GetControl(15)->SendMessage(WM_CHAR, L'a', 1);
                  d.EndDialog(IDCANCEL);
              }));
    // Check boxes and radios are not routed; the twin id goes to the first.
    EXPECT_EQ(std::vector<int>({12, 11, 18}), dialog.clicked);
    EXPECT_EQ(std::vector<int>({15}), dialog.edited);
}

TEST_F(SkinDialog, ALayoutThatDoesNotParseOrHasNoFrameMakesNothing)
{
    for (const wchar_t* layout : {L"<frame><button id=\"1\"", L"<dialog><button id=\"1\"/></dialog>", L""}) {
        LayoutDialog dialog;
        size_t records = 1;
        HWND child = nullptr;
        ASSERT_EQ(IDCANCEL, Run(dialog, layout, [&](LayoutDialog& d) {
                      records = d.RecordCount();
                      child = GetWindow(d.m_hWnd, GW_CHILD);
                      d.EndDialog(IDCANCEL);
                  }));
        EXPECT_FALSE(dialog.loaded) << layout;
        EXPECT_EQ(0u, records) << layout;
        EXPECT_EQ(nullptr, child) << layout;
    }
}

TEST_F(SkinDialog, ThePopupHasNoCaptionOrBorderAndRoundCorners)
{
    LayoutDialog dialog;
    DWORD style = 0;
    CRect window, client;
    bool cornerOut = false, insideIn = false;
    ASSERT_EQ(IDCANCEL, Run(dialog, L"<frame/>", [&](LayoutDialog& d) {
                  style = d.GetStyle();
                  d.GetWindowRect(&window);
                  d.GetClientRect(&client);
                  HRGN region = CreateRectRgn(0, 0, 0, 0);
                  GetWindowRgn(d.m_hWnd, region);
                  cornerOut = !PtInRegion(region, 0, 0);
                  insideIn = PtInRegion(region, 2, 2) && PtInRegion(region, 399, 100);
                  DeleteObject(region);
                  d.EndDialog(IDCANCEL);
              }));
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_DLGFRAME));
    EXPECT_EQ(window.Size(), client.Size());
    EXPECT_EQ(CSize(400, 240), client.Size());
    EXPECT_TRUE(cornerOut);
    EXPECT_TRUE(insideIn);
}

TEST_F(SkinDialog, TitleButtonsSitTopRightAndEndOrMinimizeTheDialog)
{
    LayoutDialog dialog;
    dialog.closeImage = CSkinRes::GetImage(L"sysmenu_close2.png");
    dialog.minimizeImage = CSkinRes::GetImage(L"sysmenu_close2.png");
    CRect close, minimize;
    bool minimized = false;
    ASSERT_EQ(IDCANCEL, Run(dialog, L"<frame/>", [&](LayoutDialog& d) {
                  close = ChildRect(&d, d.GetDlgItem(CSkinDialog::IdClose));
                  minimize = ChildRect(&d, d.GetDlgItem(CSkinDialog::IdMinimize));
                  d.GetDlgItem(CSkinDialog::IdMinimize)->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, 0);
                  d.GetDlgItem(CSkinDialog::IdMinimize)->SendMessage(WM_LBUTTONUP, 0, 0);
                  minimized = d.IsIconic() != FALSE;
                  d.GetDlgItem(CSkinDialog::IdClose)->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, 0);
                  d.GetDlgItem(CSkinDialog::IdClose)->SendMessage(WM_LBUTTONUP, 0, 0);
              }));
    EXPECT_EQ(CRect(400 - 30 - 6, 0, 400 - 6, 31), close);
    EXPECT_EQ(CRect(400 - 60 - 6, 0, 400 - 36, 31), minimize);
    EXPECT_TRUE(minimized);
}

TEST_F(SkinDialog, WithOnlyACloseImageTheButtonStaysWhereItWasMade)
{
    LayoutDialog dialog;
    dialog.closeImage = CSkinRes::GetImage(L"sysmenu_close2.png");
    CRect close;
    ASSERT_EQ(IDCANCEL, Run(dialog, L"<frame/>", [&](LayoutDialog& d) {
                  close = ChildRect(&d, d.GetDlgItem(CSkinDialog::IdClose));
                  d.EndDialog(IDCANCEL);
              }));
    EXPECT_EQ(CRect(0, 0, 30, 31), close);
}

TEST_F(SkinDialog, TheCaptionBandDragsAndTheRestIsClient)
{
    LayoutDialog dialog;
    LRESULT inBand = 0, below = 0;
    ASSERT_EQ(IDCANCEL, Run(dialog, L"<frame/>", [&](LayoutDialog& d) {
                  CPoint band(200, 30), body(200, 31);
                  d.ClientToScreen(&band);
                  d.ClientToScreen(&body);
                  inBand = d.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(band.x, band.y));
                  below = d.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(body.x, body.y));
                  d.EndDialog(IDCANCEL);
              }));
    EXPECT_EQ(HTCAPTION, inBand);
    EXPECT_EQ(HTCLIENT, below);
}

TEST_F(SkinDialog, TipRequestsForWindowToolsNameTheControlId)
{
    LayoutDialog dialog;
    ASSERT_EQ(IDCANCEL, Run(dialog, kLayout, [&](LayoutDialog& d) {
                  NMTTDISPINFOW tip = {};
                  tip.hdr.hwndFrom = nullptr;
                  tip.hdr.code = TTN_NEEDTEXTW;
                  tip.hdr.idFrom = reinterpret_cast<UINT_PTR>(d.GetControl(15)->m_hWnd);
                  tip.uFlags = TTF_IDISHWND;
                  d.SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
                  tip.uFlags = 0;
                  d.SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
                  d.EndDialog(IDCANCEL);
              }));
    EXPECT_EQ(std::vector<UINT>({15}), dialog.tipIds);
}

TEST_F(SkinDialog, CloseAndEscapeEndWithCancel)
{
    {
        LayoutDialog dialog;
        EXPECT_EQ(IDCANCEL, Run(dialog, kLayout, [](LayoutDialog& d) { d.PostMessage(WM_CLOSE); }));
    }
    {
        LayoutDialog dialog;
        EXPECT_EQ(IDCANCEL, Run(dialog, kLayout, [](LayoutDialog& d) {
                      HWND edit = d.GetControl(15)->m_hWnd;
                      SetFocus(edit);
                      PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1);
                  }));
    }
    {
        LayoutDialog dialog;
        EXPECT_EQ(IDOK, Run(dialog, kLayout, [](LayoutDialog& d) { d.OnOK(); }));
    }
}

TEST_F(SkinDialog, TheBackgroundIsPaintedByTheHookIntoTheWholeDialog)
{
    class PaintedDialog : public LayoutDialog
    {
    public:
        void DrawBackground(CDC* dc) override
        {
            CRect client;
            GetClientRect(&client);
            dc->FillSolidRect(client, RGB(12, 140, 90));
        }
    };
    PaintedDialog dialog;
    COLORREF background = 0, underLabel = 0;
    ASSERT_EQ(IDCANCEL, Run(dialog, kLayout, [&](LayoutDialog& d) {
                  d.RedrawWindow(nullptr, nullptr,
                                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
                  PumpMessages(100);
                  Pixels shot = CaptureClient(d.m_hWnd);
                  background = shot.Pixel(380, 220);
                  // The label draws the dialog's background around its text.
                  underLabel = shot.Pixel(21, 51);
                  d.EndDialog(IDCANCEL);
              }));
    EXPECT_COLOR(RGB(12, 140, 90), background);
    EXPECT_COLOR(RGB(12, 140, 90), underLabel);
}

} // namespace
