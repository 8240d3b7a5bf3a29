// Command storms: every command and timer of the main window fired at random
// yields of start-up, scans, removals, restores and purges on a planted
// machine, with the invariants checked after every event.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <deque>
#include <set>
#include <sstream>

#include "background/parts_view.h"
#include "platform/simulated/machine.h"

namespace morvane {
namespace {

using testing::PartsView;
using C = Command;

const Text kPf = "C:\\Program Files\\Morvane";
const Text kCookies = Text(sim::kDefaultProfile) + "\\Cookies";
const Text kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The planted machine and the main window with its full parts, not loaded yet.
struct PlantedWindow {
  PlantedWindow() : m(sim::SimulatedMachine::WindowsLayout{}), ctx(m.os()) {
    m.system.programFolder = kPf;
    m.files.AddFolder(kPf);
    m.files.AddFile("C:\\Spy\\spy.exe", "MZ spy");
    m.files.AddFile("C:\\Spy\\hook.dll", "MZ hook");
    m.files.AddFile("C:\\Spy\\Data\\x.dat", "data");
    m.files.AddFile("C:\\Spy\\manual.exe", "MZ manual");
    m.files.AddFolder("C:\\Old");
    m.files.AddFile(kCookies + "\\user@spy[1].txt", "cookie");
    m.processes.AddProcess("spy.exe");
    m.registry.SetStringValue(win::kCurrentUser, "Software\\SpyCo", "id", "1");
    m.registry.SetDwordValue(win::kCurrentUser, "Software\\SpyCo\\Sub", "n", 7);
    m.registry.SetStringValue(win::kLocalMachine, kRunKey, "SpyRun", "C:\\Spy\\spy.exe");
    m.files.AddFile(kPf + "\\DataBase.ref",
                    testing::EncipheredDatabase(
                        "Version 7", {"path|C:\\Spy\\spy.exe|Spy Exe|", "path|C:\\Spy\\hook.dll|Spy Hook|",
                                      "folder|C:\\Spy\\Data|Spy Data|", "regkey|HKEY_CURRENT_USER\\Software\\SpyCo|Spy Key|",
                                      "regval|HKEY_LOCAL_MACHINE\\" + kRunKey + ",SpyRun|Spy Run|",
                                      "cookie|spy|Spy Cookie|", "path|C:\\Old\\kept.exe|Old Spy|",
                                      "path|C:\\Spy\\manual.exe|Manual|http://help.example/manual"}));
    // An older package holds the only copy of kept.exe.
    const Text old = kPf + "\\Quarantine\\1-12-2026-10-0-0\\";
    m.files.AddFile(old + "10000.qnf", "file|10000.qit|C:\\Old\\kept.exe");
    m.files.AddFile(old + "10000.qit", "MZ kept");
    form = std::make_unique<frmMain>(ctx, view, "1.2.3");
    view.form = form.get();
    parts = std::make_unique<MainWindowParts>(*form, view, "Morvane");
    form->SetParts(parts.get());
  }
  // Settings.stg (pairs of line index and text over the defaults) and CustomScan.stg.
  void Settings(const std::vector<Text>& changes, const std::vector<Text>& custom = {"0", "1", "1", "0", "0", "0", "1"}) {
    std::vector<Text> lines = {"0", "0", "0", "1", "0", "0", "about:blank", "Microsoft Internet Explorer", "1", "0", "10"};
    for (size_t i = 0; i + 1 < changes.size(); i += 2) lines[std::stoul(changes[i])] = changes[i + 1];
    m.files.AddFile(kPf + "\\Settings\\Settings.stg", Join(lines));
    m.files.AddFile(kPf + "\\Settings\\CustomScan.stg", Join(custom));
  }
  static std::string Join(const std::vector<Text>& lines) {
    std::string s;
    for (size_t i = 0; i < lines.size(); ++i) s += (i ? "\r\n" : "") + lines[i];
    return s;
  }
  std::string Read(const Text& path) {
    std::string d;
    m.files.ReadAll(path, d);
    return d;
  }

  sim::SimulatedMachine m;
  Context ctx;
  PartsView view;
  std::unique_ptr<frmMain> form;
  std::unique_ptr<MainWindowParts> parts;
};

// What the storm found, each kept as a small case.
class StormFindings : public ::testing::Test, protected PlantedWindow {
 protected:
  StormFindings() {
    view.onTimer = [this](Timer t, bool on) { scans += t == Timer::tmrScrollingBar && on; };
  }
  void Minute() {
    for (int i = 0; i < 60; ++i) {
      DateTime& now = m.clock.now;
      if (++now.second == 60) now.second = 0, now.minute = (now.minute + 1) % 60;
      if (view.timers[Timer::tmrTimer]) form->tmrTimer_Timer();
    }
  }
  int scans = 0;
};

TEST_F(StormFindings, MinimizeWhileStartUpLoadsKeepsTheFiles) {
  Settings({});
  const std::string info = "12-01-2026  10:00:00\r\n5\r\n9", ignore = "path|C:\\a|b";
  m.files.AddFile(kPf + "\\Settings\\ScanInfo.stg", info);
  m.files.AddFile(kPf + "\\Settings\\IgnoreList.stg", ignore);
  bool minimizing = false;
  ctx.onYield = [&] {
    if (minimizing) return;
    minimizing = true;
    form->Form_Resize(WindowState::Minimized);
    minimizing = false;
  };
  ASSERT_TRUE(form->Form_Load());
  EXPECT_EQ(Read(kPf + "\\Settings\\ScanInfo.stg"), info);
  EXPECT_EQ(Read(kPf + "\\Settings\\IgnoreList.stg"), ignore);
  EXPECT_EQ(form->app.lstScanInfoFile, (ListBox{"12-01-2026  10:00:00", "5", "9"}));
}

TEST_F(StormFindings, AbortInTheFirstYieldOfAScanStopsIt) {
  Settings({});
  ASSERT_TRUE(form->Form_Load());
  form->lblCmdScan_Click();
  ctx.onYield = [this] {
    if (ctx.yieldCount == 1) form->cmdAbortNextResults_Click();
  };
  ctx.yieldCount = 0;
  form->cmdNextScan_Click();
  EXPECT_FALSE(ctx.OperationInProgress);
  EXPECT_LE(form->scan.entriesDone, 1u);
  EXPECT_EQ(form->abortNextCaption, "Next");
}

// A due scan, a new scan or a second close must wait for the command whose yield they arrive in.
TEST_F(StormFindings, NothingStartsInsideAbortedScansRestoresAndClosing) {
  Settings({"4", "1"});
  ASSERT_TRUE(form->Form_Load());
  auto storm = [this] {
    Minute();
    form->lblCmdScan_Click();
    form->cmdNextScan_Click();
  };
  // The tail of an aborted scan.
  form->lblCmdScan_Click();
  ctx.onYield = [&] {
    if (ctx.OperationInProgress) form->cmdAbortNextResults_Click();
    else storm();
  };
  form->cmdNextScan_Click();
  // A restore.
  ctx.onYield = nullptr;
  form->lblCmdStatus_Click();
  form->lblCmdOpenQuarList_Click();
  form->mnuQuarantineListAll_Click();
  ctx.onYield = storm;
  form->cmdRestoreQuarantined_Click();
  EXPECT_TRUE(m.files.Exists("C:\\Old\\kept.exe"));
  // Closing.
  EXPECT_FALSE(form->Form_Unload());
  EXPECT_EQ(scans, 1);
  EXPECT_FALSE(ctx.OperationInProgress);
}

TEST_F(StormFindings, ManualRemovalRowsOutliveTheRemovalStepUntilFinish) {
  Settings({});
  ASSERT_TRUE(form->Form_Load());
  form->lblCmdScan_Click();
  form->cmdNextScan_Click();
  form->cmdAbortNextResults_Click();
  form->cmdNextDelete_Click();  // nothing ticked: no removal, the report only
  ASSERT_EQ(view.screen, Screen::Iremovable);
  ASSERT_EQ(form->app.lstIremovable.Count(), 1u);
  EXPECT_EQ(view.rows[ListId::lstIremovable], 1u);
  form->SetRowChecked(ListId::lstIremovable, 1, true);
  form->cmdIgnoreIremovable_Click();
  EXPECT_NE(Read(kPf + "\\Settings\\IgnoreList.stg").find("C:\\Spy\\manual.exe"), std::string::npos);
  form->cmdFinish_Click();
  EXPECT_TRUE(form->app.lstIremovable.Empty());
}

}  // namespace
}  // namespace morvane
