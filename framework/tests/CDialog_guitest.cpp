// Modal dialogs as a caller and the user see them: the result of each way
// out, the owner disabled while the loop runs, keyboard messages through
// PreTranslateMessage and the dialog manager, edit changes and tooltips.
#include "framework/CDialog.h"
#include "framework/CEdit.h"
#include "framework/CToolTipCtrl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace
{

const UINT kTemplate = 300;
const int kEditId = 301;

// A dialog that runs `onInit` from OnInitDialog and `onPosted` when the
// posted WM_APP arrives inside its loop, so a test acts from within.
class ScriptedDialog : public CDialog
{
public:
    explicit ScriptedDialog(CWnd* owner, UINT templateId = kTemplate) : CDialog(templateId, owner) {}

    std::function<void(ScriptedDialog&)> onInit;
    std::function<void(ScriptedDialog&)> onPosted;
    std::vector<MSG> preTranslated;
    std::vector<WPARAM> commands;

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        PostMessage(WM_APP);
        if (onInit)
            onInit(*this);
        return TRUE;
    }
    BOOL PreTranslateMessage(MSG* msg) override
    {
        preTranslated.push_back(*msg);
        return CDialog::PreTranslateMessage(msg);
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        commands.push_back(wParam);
        return CDialog::OnCommand(wParam, lParam);
    }

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (message == WM_APP && onPosted) {
            onPosted(*this);
            return TRUE;
        }
        return CDialog::OnWndMsg(message, wParam, lParam, result);
    }
};

class Owner : public CWnd
{
public:
    BOOL Create()
    {
        if (!CreateEx(0, L"STATIC", L"owner", WS_POPUP, 10, 10, 200, 100, nullptr, nullptr))
            return FALSE;
        ShowWindow(SW_SHOWNOACTIVATE);
        return TRUE;
    }
};

class Dialog : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        owner = new Owner;
        ASSERT_TRUE(owner->Create());
    }
    static void TearDownTestSuite()
    {
        delete owner;
        owner = nullptr;
    }
    static Owner* owner;
};

Owner* Dialog::owner = nullptr;

void PostKey(HWND hwnd, UINT key)
{
    ::PostMessageW(hwnd, WM_KEYDOWN, key, 1);
    ::PostMessageW(hwnd, WM_KEYUP, key, 0xC0000001);
}

TEST_F(Dialog, EscapeInTheEditEndsWithCancelAndTheOwnerIsDisabledMeanwhile)
{
    ScriptedDialog dialog(owner);
    bool ownerEnabledInside = true;
    HWND dialogOwner = nullptr;
    dialog.onPosted = [&](ScriptedDialog& d) {
        ownerEnabledInside = owner->IsWindowEnabled() != FALSE;
        dialogOwner = ::GetWindow(d.m_hWnd, GW_OWNER);
        PostKey(::GetDlgItem(d.m_hWnd, kEditId), VK_ESCAPE);
    };
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_FALSE(ownerEnabledInside);
    EXPECT_EQ(owner->m_hWnd, dialogOwner);
    EXPECT_TRUE(owner->IsWindowEnabled());
    EXPECT_EQ(nullptr, dialog.m_hWnd);
}

TEST_F(Dialog, KeysToItsControlsPassItsPreTranslateMessage)
{
    ScriptedDialog dialog(owner);
    HWND edit = nullptr;
    dialog.onPosted = [&](ScriptedDialog& d) {
        edit = ::GetDlgItem(d.m_hWnd, kEditId);
        PostKey(edit, VK_ESCAPE);
    };
    ASSERT_EQ(IDCANCEL, dialog.DoModal());
    bool seen = false;
    for (const MSG& msg : dialog.preTranslated)
        seen = seen || (msg.hwnd == edit && msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE);
    EXPECT_TRUE(seen);
}

TEST_F(Dialog, CloseEndsWithCancel)
{
    ScriptedDialog dialog(owner);
    dialog.onPosted = [](ScriptedDialog& d) { d.PostMessage(WM_CLOSE); };
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
}

TEST_F(Dialog, EndDialogDuringInitialisationReturnsWithoutALoop)
{
    ScriptedDialog dialog(owner);
    dialog.onInit = [](ScriptedDialog& d) { d.EndDialog(42); };
    EXPECT_EQ(42, dialog.DoModal());
    EXPECT_TRUE(owner->IsWindowEnabled());
}

TEST_F(Dialog, AMissingTemplateFailsWithMinusOneAndLeavesTheOwnerEnabled)
{
    ScriptedDialog dialog(owner, 999);
    EXPECT_EQ(-1, dialog.DoModal());
    EXPECT_TRUE(owner->IsWindowEnabled());
}

TEST_F(Dialog, TypingInAnEditReportsChangesToTheDialog)
{
    ScriptedDialog dialog(owner);
    CEdit edit;
    dialog.onInit = [&](ScriptedDialog& d) {
        ASSERT_TRUE(
            edit.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, CRect(4, 40, 100, 60), &d, 77));
    };
    dialog.onPosted = [&](ScriptedDialog& d) {
        edit.SendMessage(WM_CHAR, L'x', 1);
        d.EndDialog(IDOK);
    };
    ASSERT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(1, std::count(dialog.commands.begin(), dialog.commands.end(), MAKEWPARAM(77, EN_CHANGE)));
    EXPECT_EQ(nullptr, edit.m_hWnd);
}

TEST_F(Dialog, TooltipAsksTheOwnerForTheTextOfAWindowTool)
{
    class TipDialog : public ScriptedDialog
    {
    public:
        using ScriptedDialog::ScriptedDialog;
        std::vector<UINT_PTR> asked;
        BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override
        {
            auto* tip = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            if (tip->hdr.code != TTN_NEEDTEXTW)
                return ScriptedDialog::OnNotify(wParam, lParam, result);
            asked.push_back(tip->hdr.idFrom);
            lstrcpynW(tip->szText, L"提示", 80);
            return TRUE;
        }
    };
    TipDialog dialog(owner);
    CToolTipCtrl tooltip;
    wchar_t text[80] = {};
    int count = 0;
    dialog.onPosted = [&](ScriptedDialog& d) {
        CWnd* edit = d.GetDlgItem(kEditId);
        ASSERT_TRUE(tooltip.Create(&d, TTS_ALWAYSTIP));
        tooltip.Activate(TRUE);
        ASSERT_TRUE(tooltip.AddTool(edit));
        count = tooltip.GetToolCount();
        TTTOOLINFOW info = {};
        info.cbSize = sizeof(info);
        info.hwnd = d.m_hWnd;
        info.uId = reinterpret_cast<UINT_PTR>(edit->m_hWnd);
        info.lpszText = text;
        tooltip.SendMessage(TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&info));
        tooltip.DestroyWindow();
        d.EndDialog(IDOK);
    };
    ASSERT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(1, count);
    ASSERT_EQ(1u, dialog.asked.size());
    EXPECT_STREQ(L"提示", text);
}

} // namespace
