// The theme service as each back end reaches it (the system's own uxtheme on Windows, Wine's
// through kolvmgr's Windows program on Linux): a style is applied with its colour scheme and
// size and recorded as the program's readers expect, a style file that is not there is
// refused with nothing changed, and the classic look turns theming off.
#include "TestSystem.h"

#include "RegistryCalls.h"
#include "platform/Registry.h"
#include "platform/ThemeService.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

const char kThemeManager[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
const char kLight[] = "%systemroot%\\resources\\themes\\light\\light.msstyles";

} // namespace

TEST(ThemeService, AStyleIsAppliedAndRecordedAndTheClassicLookTurnsItOff) {
    const shared_test::ThemeSystem system;
    if (!system.skip().empty())
        GTEST_SKIP() << system.skip();
    ThemeService service(system.root());
    ASSERT_EQ(service.unreachable().cause, Problem::None) << service.unreachable().subject;

    const ThemeOutcome applied = service.applyStyle(kLight, "Blue", "NormalSize");
    ASSERT_EQ(applied.kind, ThemeOutcome::Applied) << applied.why.said;
    {
        Registry reg(system.root());
        const auto dll = registry_test::query(reg, HKEY_CURRENT_USER, kThemeManager, "DllName");
        ASSERT_TRUE(dll);
        EXPECT_EQ(dll->first, REG_EXPAND_SZ) << "expanded by whoever reads it";
        EXPECT_EQ(dll->second, std::string(kLight) + '\0');
        EXPECT_EQ(registry_test::text(reg, HKEY_CURRENT_USER, kThemeManager, "ColorName"), "Blue");
        EXPECT_EQ(registry_test::text(reg, HKEY_CURRENT_USER, kThemeManager, "SizeName"), "NormalSize");
        EXPECT_EQ(registry_test::text(reg, HKEY_CURRENT_USER, kThemeManager, "ThemeActive"), "1");
    }

    const ThemeOutcome missing = service.applyStyle(
        "%systemroot%\\resources\\themes\\nothing\\nothing.msstyles", "Blue", "NormalSize");
    EXPECT_EQ(missing.kind, ThemeOutcome::Refused);
    {
        Registry reg(system.root());
        EXPECT_EQ(registry_test::text(reg, HKEY_CURRENT_USER, kThemeManager, "ColorName"), "Blue");
        EXPECT_EQ(registry_test::text(reg, HKEY_CURRENT_USER, kThemeManager, "ThemeActive"), "1");
    }

    const ThemeOutcome classic = service.applyClassic();
    ASSERT_EQ(classic.kind, ThemeOutcome::Applied) << classic.why.said;
    Registry reg(system.root());
    EXPECT_EQ(registry_test::text(reg, HKEY_CURRENT_USER, kThemeManager, "ThemeActive"), "0");
}
