#include <gtest/gtest.h>

#include <cctype>

#include "contract/fixture.h"
#include "contract/process_fixture.h"
#include "platform/modules.h"
#include "platform/process_list.h"

namespace morvane::contract {
namespace {

TEST(EndProcessContract, EveryHandleIsClosed) {
  auto m = MakeFixture();
  Context ctx(m->os());
  uint32_t warm = m->StartChild("warm.exe", ChildProcessKind{});
  uint32_t windowed = m->StartChild("windowed.exe", ChildProcessKind{});
  uint32_t quiet = m->StartChild("quiet.exe", ChildProcessKind{false, true, false});
  uint32_t stubborn = m->StartChild("stubborn.exe", ChildProcessKind{true, false, false});
  modEndProcess ep(ctx);
  ListView rows;
  // First calls may make lasting objects of their own (window station, caches).
  ListActiveProcesses(ctx, rows);
  ASSERT_TRUE(ep.EndProcess(warm, 0));
  long before = OpenHandles(*m);
  ASSERT_GE(before, 0);
  for (uint32_t pid : {windowed, quiet, stubborn}) EXPECT_TRUE(ep.EndProcess(pid, 0));
  EXPECT_FALSE(ep.EndProcess(0x7FFFFFF0, 0));
  ListActiveProcesses(ctx, rows);
  EXPECT_EQ(OpenHandles(*m), before);
  for (uint32_t pid : {windowed, quiet, stubborn}) EXPECT_TRUE(m->ChildEnds(pid));
}

// An id whose program is no longer the one meant (freed and handed on) is
// neither asked to close nor ended.
TEST(EndProcessContract, OnlyTheProgramMeantIsEnded) {
  auto m = MakeFixture();
  Context ctx(m->os());
  const uint32_t pid = m->StartChild("windowed.exe", ChildProcessKind{});
  modEndProcess ep(ctx);
  EXPECT_TRUE(ep.EndProcess(pid, 0, "C:\\Spy\\windowed.exe"));
  EXPECT_TRUE(m->ChildRunning(pid));
  Text image = m->childImage[pid];
  for (char& c : image) c = char(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_TRUE(ep.EndProcess(pid, 0, image));
  EXPECT_TRUE(m->ChildEnds(pid));
}

TEST(EndProcessContract, AnEndedProcessLeavesTheSnapshot) {
  auto m = MakeFixture();
  Context ctx(m->os());
  uint32_t pid = m->StartChild("quiet.exe", ChildProcessKind{false, true, false});
  modEndProcess ep(ctx);
  ASSERT_TRUE(ep.EndProcess(pid, 0));
  // The process is gone from a fresh snapshot.
  ListView rows;
  ListActiveProcesses(ctx, rows);
  for (const auto& r : rows.Rows()) EXPECT_NE(r.SubItems(1), std::to_string(pid));
}

struct VersionCase {
  OsVersion version;
  bool win9x;
};

TEST(EndProcessContract, WindowsFamilyIsTakenFromTheVersionOnce) {
  const VersionCase cases[] = {
      {{1, 4, 0}, true},   // 95
      {{1, 4, 10}, true},  // 98
      {{1, 4, 90}, true},  // Me
      {{1, 5, 0}, true},
      {{2, 4, 0}, false},  // NT 4
      {{2, 5, 1}, false},
      {{2, 6, 2}, false},
      {{2, 10, 0}, false},
      {{1, 3, 95}, false},
  };
  for (const auto& c : cases) {
    auto m = MakeFixture();
    if (!SetReportedVersion(*m, c.version)) GTEST_SKIP() << "version is fixed on " << m->Name();
    Context ctx(m->os());
    modEndProcess ep(ctx);
    uint32_t pid = m->StartChild("target.exe", ChildProcessKind{});
    EXPECT_TRUE(ep.EndProcess(pid, 0));
    EXPECT_TRUE(ep.VersionKnown);
    EXPECT_EQ(ep.IsWin9xFamily, c.win9x) << c.version.platformId << " " << c.version.major << "." << c.version.minor;
    // Later version changes are not seen.
    SetReportedVersion(*m, c.win9x ? OsVersion{2, 5, 1} : OsVersion{1, 4, 10});
    uint32_t next = m->StartChild("target.exe", ChildProcessKind{});
    EXPECT_TRUE(ep.EndProcess(next, 0));
    EXPECT_EQ(ep.IsWin9xFamily, c.win9x);
  }
}

TEST(EndProcessContract, Win9xFamilyEndsProcessesWithOrWithoutWindows) {
  auto m = MakeFixture();
  if (!SetReportedVersion(*m, OsVersion{1, 4, 10})) GTEST_SKIP() << "version is fixed on " << m->Name();
  Context ctx(m->os());
  modEndProcess ep(ctx);
  uint32_t windowed = m->StartChild("windowed.exe", ChildProcessKind{true, false, false});
  uint32_t quiet = m->StartChild("quiet.exe", ChildProcessKind{false, true, false});
  uint32_t childOnly = m->StartChild("childonly.exe", ChildProcessKind{false, true, true});
  long before = OpenHandles(*m);
  for (uint32_t pid : {windowed, quiet, childOnly}) {
    EXPECT_TRUE(ep.EndProcess(pid, 0));
    EXPECT_TRUE(m->ChildEnds(pid));
  }
  EXPECT_TRUE(ep.IsWin9xFamily);
  EXPECT_FALSE(ep.EndProcess(0x7FFFFFF0, 0));
  EXPECT_EQ(OpenHandles(*m), before);
}

}  // namespace
}  // namespace morvane::contract
