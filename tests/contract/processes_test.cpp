#include <gtest/gtest.h>

#include <set>

#include "contract/fixture.h"
#include "contract/process_fixture.h"
#include "platform/modules.h"
#include "platform/process_list.h"
#include "scanner/parse.h"

namespace morvane::contract {
namespace {

std::vector<const ListItem*> RowsNamed(const ListView& v, const Text& name) {
  std::vector<const ListItem*> out;
  for (const auto& r : v.Rows())
    if (r.text == name) out.push_back(&r);
  return out;
}

TEST(ProcessesContract, SnapshotListsEveryProcessOnce) {
  auto m = MakeFixture();
  Context ctx(m->os());
  uint32_t a = m->StartChild("spyproc.exe", ChildProcessKind{});
  uint32_t b = m->StartChild("spyproc.exe", ChildProcessKind{});
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  ListView rows;
  rows.Add("stale");
  ListActiveProcesses(ctx, rows);
  auto same = RowsNamed(rows, "spyproc.exe");
  ASSERT_EQ(same.size(), 2u);
  EXPECT_NE(same[0]->SubItems(1), same[1]->SubItems(1));
  std::set<Text> ids{same[0]->SubItems(1), same[1]->SubItems(1)};
  EXPECT_TRUE(ids.count(std::to_string(a)));
  EXPECT_TRUE(ids.count(std::to_string(b)));
  EXPECT_TRUE(RowsNamed(rows, "stale").empty());
  EXPECT_TRUE(RowsNamed(rows, "SPYPROC.EXE").empty());
  // Each row carries the full path of its own program file (two folders here).
  ASSERT_NE(m->childImage[a], m->childImage[b]);
  for (const ListItem* row : same) {
    const uint32_t pid = uint32_t(std::stoul(row->SubItems(1)));
    EXPECT_EQ(AnsiLower(row->SubItems(2)), AnsiLower(m->childImage[pid]));
    Text image;
    EXPECT_TRUE(m->os().processes.ImagePath(pid, image));
    EXPECT_EQ(image, row->SubItems(2));
  }
  Text none = "x";
  EXPECT_FALSE(m->os().processes.ImagePath(0x7FFFFFF0, none));
  EXPECT_EQ(none, "");
}

TEST(ProcessesContract, EndProcessClosesWindowedPrograms) {
  auto m = MakeFixture();
  Context ctx(m->os());
  uint32_t pid = m->StartChild("windowed.exe", ChildProcessKind{});
  ASSERT_TRUE(m->ChildRunning(pid));
  modEndProcess ep(ctx);
  EXPECT_TRUE(ep.PostToProcessWindows(pid, 0x0400 /*WM_USER*/, 0));
  EXPECT_TRUE(ep.EndProcess(pid, 0));
  EXPECT_FALSE(ep.IsWin9xFamily);
  EXPECT_TRUE(m->ChildEnds(pid));
}

TEST(ProcessesContract, ProgramsWithoutWindowsOrThatIgnoreCloseAreEndedToo) {
  auto m = MakeFixture();
  Context ctx(m->os());
  uint32_t quiet = m->StartChild("quiet.exe", ChildProcessKind{false, true, false});
  uint32_t stubborn = m->StartChild("stubborn.exe", ChildProcessKind{true, false, false});
  uint32_t childOnly = m->StartChild("childonly.exe", ChildProcessKind{false, true, true});
  modEndProcess ep(ctx);
  EXPECT_FALSE(ep.PostToProcessWindows(quiet, win::kWmClose, 0));
  for (uint32_t pid : {quiet, stubborn, childOnly}) {
    ASSERT_TRUE(m->ChildRunning(pid));
    EXPECT_TRUE(ep.EndProcess(pid, 0));
    EXPECT_TRUE(m->ChildEnds(pid));
  }
  EXPECT_FALSE(ep.EndProcess(0x7FFFFFF0, 0));
}

}  // namespace
}  // namespace morvane::contract

namespace morvane::contract {
namespace {

TEST(ProcessesContract, LaunchWaitsForTheProgramAndFailsForUnknownOnes) {
  auto m = MakeFixture();
  IProcesses& p = m->os().processes;
  Text cmd = QuickProgramCommand(*m);
  long before = OpenHandles(*m);
  win::Handle h = p.Launch(cmd, win::kSwHide);
  ASSERT_NE(h, 0u);
  EXPECT_EQ(p.Wait(h, 120000), win::kWaitObject0);
  EXPECT_TRUE(p.CloseHandle(h));
  EXPECT_EQ(p.Launch("C:\\MorvaneContract\\no such program.exe /x", win::kSwHide), 0u);
  EXPECT_EQ(p.Launch("morvane-missing-program-4711", win::kSwHide), 0u);
  EXPECT_EQ(OpenHandles(*m), before);
}

}  // namespace
}  // namespace morvane::contract
