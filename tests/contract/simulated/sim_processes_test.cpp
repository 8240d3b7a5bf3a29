// Behaviour of the simulated process table that the contract suites rely on
// but cannot observe on the real system.
#include <gtest/gtest.h>

#include "platform/simulated/sim_processes.h"

namespace morvane::sim {
namespace {

std::vector<win::HWnd> TopLevel(SimProcesses& p) {
  std::vector<win::HWnd> out;
  for (win::HWnd w = p.GetWindow(p.DesktopWindow(), win::kGwChild); w; w = p.GetWindow(w, win::kGwHwndNext))
    out.push_back(w);
  return out;
}

std::vector<uint32_t> SnapshotIds(SimProcesses& p) {
  std::vector<uint32_t> ids;
  win::Handle s = p.CreateSnapshot(win::kTh32csSnapAll, 0);
  ProcessEntry e;
  for (bool more = p.FirstProcess(s, e); more; more = p.NextProcess(s, e)) ids.push_back(e.processId);
  p.CloseHandle(s);
  return ids;
}

TEST(SimProcesses, WindowsChainUnderTheDesktop) {
  SimProcesses p;
  uint32_t a = p.AddProcess("a.exe");
  uint32_t b = p.AddProcess("b.exe");
  win::HWnd wa = p.AddWindow(a);
  win::HWnd wb = p.AddWindow(b);
  win::HWnd child = p.AddWindow(b, wa);
  win::HWnd wb2 = p.AddWindow(b);
  EXPECT_EQ(TopLevel(p), (std::vector<win::HWnd>{wa, wb, wb2}));
  EXPECT_EQ(p.GetWindow(wa, win::kGwChild), child);
  EXPECT_EQ(p.GetWindow(child, win::kGwHwndNext), 0u);
  EXPECT_EQ(p.GetWindow(wb, win::kGwChild), 0u);
  EXPECT_EQ(p.GetParent(child), wa);
  EXPECT_EQ(p.GetParent(wa), 0u);
  EXPECT_EQ(p.WindowProcessId(child), b);
  EXPECT_EQ(p.WindowProcessId(0x999), 0u);
  EXPECT_EQ(p.GetWindow(0x999, win::kGwHwndNext), 0u);
}

TEST(SimProcesses, CloseRequestsTakeEffectLater) {
  SimProcesses p;
  uint32_t polite = p.AddProcess("polite.exe");
  uint32_t stubborn = p.AddProcess("stubborn.exe", false);
  win::HWnd wp = p.AddWindow(polite);
  win::HWnd ws = p.AddWindow(stubborn);
  EXPECT_TRUE(p.Post(wp, win::kWmClose, 0, 0));
  EXPECT_TRUE(p.Post(ws, win::kWmClose, 0, 0));
  EXPECT_FALSE(p.Post(0x999, win::kWmClose, 0, 0));
  // The post does not wait: the window is still there right after it.
  EXPECT_EQ(p.WindowProcessId(wp), polite);
  EXPECT_EQ(SnapshotIds(p), std::vector<uint32_t>{stubborn});
  EXPECT_EQ(TopLevel(p), std::vector<win::HWnd>{ws});
  EXPECT_TRUE(p.IsRunning(stubborn));
  ASSERT_EQ(p.posted.size(), 2u);
  EXPECT_EQ(p.posted[0], std::make_pair(wp, win::kWmClose));
  // Other messages do not end anything.
  EXPECT_TRUE(p.Post(ws, 0x0400, 0, 0));
  EXPECT_TRUE(p.IsRunning(stubborn));
}

TEST(SimProcesses, HandlesAreCountedAndRightsChecked) {
  SimProcesses p;
  uint32_t pid = p.AddProcess("x.exe");
  win::Handle sync = p.OpenProcess(win::kSynchronize, false, pid);
  win::Handle term = p.OpenProcess(win::kProcessTerminate, false, pid);
  ASSERT_NE(sync, 0u);
  ASSERT_NE(term, 0u);
  EXPECT_EQ(p.OpenHandleCount(), 2u);
  EXPECT_EQ(p.Wait(sync, 10), win::kWaitTimeout);
  EXPECT_FALSE(p.TerminateProcess(sync, 1));
  EXPECT_TRUE(p.IsRunning(pid));
  EXPECT_TRUE(p.TerminateProcess(term, 1));
  EXPECT_FALSE(p.TerminateProcess(term, 1));
  EXPECT_EQ(p.Wait(sync, 10), win::kWaitObject0);
  EXPECT_TRUE(p.CloseHandle(term));
  EXPECT_FALSE(p.CloseHandle(term));
  // An ended process can be opened while a handle to it is open, not after.
  win::Handle again = p.OpenProcess(win::kSynchronize, false, pid);
  EXPECT_NE(again, 0u);
  p.CloseHandle(again);
  p.CloseHandle(sync);
  EXPECT_EQ(p.OpenProcess(win::kSynchronize, false, pid), 0u);
  EXPECT_EQ(p.OpenProcess(win::kSynchronize, false, 12345), 0u);
  EXPECT_EQ(p.Wait(0x777, 0), win::kWaitFailed);
  EXPECT_EQ(p.OpenHandleCount(), 0u);

  p.snapshotFails = true;
  EXPECT_EQ(p.CreateSnapshot(win::kTh32csSnapAll, 0), 0u);
  EXPECT_EQ(p.OpenHandleCount(), 0u);
}

TEST(SimProcesses, LaunchRunsRegisteredProgramsByFileName) {
  SimProcesses p;
  std::vector<Text> seen;
  p.RegisterProgram("regedit.exe", [&](const Text& cmd) {
    seen.push_back(cmd);
    return 3u;
  });
  p.RegisterProgram("regsvr32.exe", [&](const Text& cmd) {
    seen.push_back(cmd);
    return 0u;
  });
  const Text quoted = "\"C:\\My Windows\\REGEDIT.EXE\" /e \"C:\\b.reg\"";
  win::Handle h = p.Launch(quoted, 0);
  ASSERT_NE(h, 0u);
  EXPECT_EQ(p.Wait(h, win::kInfinite), win::kWaitObject0);
  EXPECT_TRUE(p.CloseHandle(h));
  for (const Text& cmd : {Text("C:\\Windows\\System32\\regsvr32.exe /s /u x.dll"), Text("  regsvr32 /s")}) {
    win::Handle g = p.Launch(cmd, 0);
    EXPECT_NE(g, 0u) << cmd;
    p.CloseHandle(g);
  }
  EXPECT_EQ(p.Launch("nothere.exe /x", 0), 0u);
  EXPECT_EQ(p.Launch("\"C:\\My Windows\\regedit.exe.bak\"", 0), 0u);
  EXPECT_EQ(p.Launch("", 0), 0u);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], quoted);
  EXPECT_EQ(p.launched.size(), 6u);
  EXPECT_EQ(p.launched[3], "nothere.exe /x");
  EXPECT_EQ(p.OpenHandleCount(), 0u);
  // Launched programs have ended and do not stay in the snapshot.
  EXPECT_TRUE(SnapshotIds(p).empty());
}

TEST(SimProcesses, ProgramNameOfCommandLines) {
  EXPECT_EQ(SimProcesses::ProgramName("\"C:\\a b\\x.exe\" /s"), "x.exe");
  EXPECT_EQ(SimProcesses::ProgramName("C:\\w\\regedit.exe /e f"), "regedit.exe");
  EXPECT_EQ(SimProcesses::ProgramName("\"unterminated"), "unterminated");
  EXPECT_EQ(SimProcesses::ProgramName("   "), "");
}

}  // namespace
}  // namespace morvane::sim
