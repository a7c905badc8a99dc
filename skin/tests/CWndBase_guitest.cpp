// The skin's plain child window class, as other windows and tools see it.
#include "GuiTestHelpers.h"

#include "skin/CWndBase.h"

using namespace SkinControl;
using namespace SkinTest;

namespace
{

TEST(WindowBase, RegistersItsClassOnceWithDoubleClicksAndNoBrush)
{
    CheckerParent parent;
    ASSERT_TRUE(parent.Create(CRect(0, 0, 100, 100)));
    CWndBase first, second;
    ASSERT_TRUE(first.Create(&parent, WS_CHILD | WS_VISIBLE, 5, CRect(1, 2, 31, 22)));
    ASSERT_TRUE(second.Create(&parent, WS_CHILD, 6, CRect(0, 0, 10, 10))) << "the class is already there";

    wchar_t name[64] = {};
    GetClassNameW(first.m_hWnd, name, 64);
    EXPECT_STREQ(L"__WND_BASE_CHILD__", name);
    EXPECT_EQ(static_cast<ULONG_PTR>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS),
              GetClassLongPtrW(first.m_hWnd, GCL_STYLE));
    EXPECT_EQ(0u, GetClassLongPtrW(first.m_hWnd, GCLP_HBRBACKGROUND));
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(LoadCursorW(nullptr, IDC_ARROW)),
              GetClassLongPtrW(first.m_hWnd, GCLP_HCURSOR));
    EXPECT_EQ(5, first.GetDlgCtrlID());
    CRect rect;
    first.GetWindowRect(&rect);
    parent.ScreenToClient(reinterpret_cast<POINT*>(&rect.left));
    EXPECT_EQ(CPoint(1, 2), rect.TopLeft());
    EXPECT_EQ(CSize(30, 20), rect.Size());
    EXPECT_EQ(L"", std::wstring(first.GetWindowText()));
}

} // namespace
