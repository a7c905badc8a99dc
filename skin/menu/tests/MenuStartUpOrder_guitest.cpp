// The program installs the menu hook while its global objects are
// constructed.  Here that happens before every other global object of the
// program (lowest priority number), whatever the link order, and nothing
// installs it again: what it installed must survive the rest of the
// start-up.
#include "skin/menu/CMenuTheme.h"
#include "skin/menu/CNewMenu.h"
#include "skin/menu/CNewMenuHook.h"

#include <gtest/gtest.h>

using namespace SkinControl::NewMenu;

namespace
{
// Plain values, constant-initialised, keep what the early install saw.
BOOL g_installed = FALSE;
size_t g_themeCount = 0;

struct InstallFirst {
    InstallFirst()
    {
        g_installed = CNewMenuHook::Install();
        g_themeCount = CNewMenuHook::Themes().size();
    }
    ~InstallFirst() { CNewMenuHook::Uninstall(); }
} installFirst __attribute__((init_priority(101)));
} // namespace

TEST(MenuStartUpOrder, AnInstallBeforeEveryOtherGlobalObjectKeepsItsThemes)
{
    EXPECT_TRUE(g_installed);
    EXPECT_EQ(12u, g_themeCount);
    EXPECT_TRUE(CNewMenuHook::IsInstalled());
    ASSERT_EQ(12u, CNewMenuHook::Themes().size());
    EXPECT_EQ(2, CNewMenu::SelectTheme(10, false));
    EXPECT_EQ(10, CNewMenuHook::s_currentTheme->m_id);
    EXPECT_EQ(10, CNewMenu::SelectTheme(2, false));
}
