#include <gtest/gtest.h>

#include "contract/fixture.h"

namespace morvane::contract {
namespace {

TEST(SystemFoldersContract, FoldersAreReportedWithoutTrailingSlashExceptTemp) {
  auto m = MakeFixture();
  char buffer[256];
  uint32_t n = m->os().system.WindowsDirectory(buffer, 256);
  ASSERT_GT(n, 2u);
  Text win(buffer, n);
  EXPECT_EQ(win.substr(1, 2), ":\\");
  EXPECT_NE(win.back(), '\\');

  n = m->os().system.SystemDirectory(buffer, 256);
  ASSERT_GT(n, 0u);
  Text sys(buffer, n);
  EXPECT_EQ(sys.substr(0, win.size() + 1), win + "\\");

  n = m->os().system.TempPath(256, buffer);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(buffer[n - 1], '\\');
}

TEST(SystemFoldersContract, TooSmallBufferReportsTheSizeNeeded) {
  auto m = MakeFixture();
  char buffer[256];
  uint32_t n = m->os().system.WindowsDirectory(buffer, 256);
  char tiny[2];
  EXPECT_EQ(m->os().system.WindowsDirectory(tiny, 2), n + 1);
}

TEST(SystemFoldersContract, DecimalSeparatorOfTheUser) {
  auto m = MakeFixture();
  ISystemInfo& sys = m->os().system;
  const int32_t needed = sys.LocaleInfo(win::kLocaleUserDefault, win::kLocaleSDecimal, nullptr, 0);
  ASSERT_GE(needed, 2);
  char buffer[16];
  EXPECT_EQ(sys.LocaleInfo(win::kLocaleUserDefault, win::kLocaleSDecimal, buffer, sizeof buffer), needed);
  EXPECT_EQ(buffer[needed - 1], '\0');
  EXPECT_EQ(sys.LocaleInfo(win::kLocaleUserDefault, win::kLocaleSDecimal, buffer, needed - 1), 0);
}

TEST(ClockContract, ShortDateHoldsTheYear) {
  auto m = MakeFixture();
  DateTime t{2026, 3, 4, 5, 6, 7};
  EXPECT_NE(m->os().clock.ShortDate(t).find("2026"), Text::npos);
}

}  // namespace
}  // namespace morvane::contract
