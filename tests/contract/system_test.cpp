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

TEST(ClockContract, ShortDateHoldsTheDateOnly) {
  auto m = MakeFixture();
  IClock& clock = m->os().clock;
  const Text date = clock.ShortDate(DateTime{2026, 3, 4, 5, 6, 7});
  EXPECT_NE(date.find("2026"), Text::npos) << date;
  EXPECT_EQ(date.find('\0'), Text::npos);
  // The time of day is not part of it; day, month and year are.
  EXPECT_EQ(clock.ShortDate(DateTime{2026, 3, 4, 23, 59, 58}), date);
  for (const DateTime& other :
       {DateTime{2026, 4, 3, 5, 6, 7}, DateTime{2026, 3, 5, 5, 6, 7}, DateTime{2019, 3, 4, 5, 6, 7}})
    EXPECT_NE(clock.ShortDate(other), date) << clock.ShortDate(other);
}

}  // namespace
}  // namespace morvane::contract
