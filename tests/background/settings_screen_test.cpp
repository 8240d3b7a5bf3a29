#include "background/background_fixture.h"

namespace morvane::testing {
namespace {

constexpr const char* kRunKeyPath = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

TEST_F(BackgroundTest, ApplySettingsShowsTheTableAndWritesNothing) {
  app.lstSettingsFile[0] = "1";
  app.lstSettingsFile[2] = "1";
  app.lstSettingsFile[3] = "01";  // off: only "1" is on
  app.lstSettingsFile[4] = "1";
  app.lstSettingsFile[9] = "2";
  view.boxes[3] = true;
  const ListBox before = app.lstSettingsFile;
  screen.ApplySettings();
  EXPECT_EQ(screen.applyCount, 1);
  EXPECT_EQ(statusRefreshes, 1);
  EXPECT_EQ(view.boxes, (std::array<bool, 6>{true, false, true, false, true, false}));
  EXPECT_EQ(app.lstSettingsFile, before);
  EXPECT_EQ(view.scanMode, 2);
  EXPECT_TRUE(view.timers[ShellTimer::tmrHomePageCheck]);
  EXPECT_TRUE(view.timers[ShellTimer::tmrTimer]);
  EXPECT_EQ(view.labels[SettingsLabel::lblDBaseVer], "DB 2026.12");
  EXPECT_EQ(view.labels[SettingsLabel::lblAppVersion], "1.0.3");


  // A mode outside the three options shows the Smart Scan the scan will run,
  // and keeps its line.
  app.lstSettingsFile[9] = "7";
  screen.ApplySettings();
  EXPECT_EQ(view.scanMode, 0);
  EXPECT_EQ(app.lstSettingsFile[9], "7");
}

TEST_F(BackgroundTest, UserClicksWriteTheirLinesAndFollowTheTimers) {
  screen.ApplySettings();
  EXPECT_FALSE(view.timers[ShellTimer::tmrHomePageCheck]);
  EXPECT_EQ(Label(), " Active Spyware Protection is OFF");
  for (int i : {2, 4, 5}) {
    screen.chkSettings_Click(i, true);
    EXPECT_EQ(app.lstSettingsFile[size_t(i)], "1") << i;
    EXPECT_TRUE(view.boxes[size_t(i)]) << i;
  }
  EXPECT_TRUE(view.timers[ShellTimer::tmrHomePageCheck]);
  EXPECT_TRUE(scheduler.ClockRunning());
  screen.chkSettings_Click(2, false);
  EXPECT_EQ(app.lstSettingsFile[2], "0");
  EXPECT_FALSE(view.timers[ShellTimer::tmrHomePageCheck]);

  screen.optScanMode_Click(1);
  EXPECT_EQ(app.lstSettingsFile[9], "1");
  EXPECT_EQ(view.scanMode, 1);
}

TEST_F(BackgroundTest, HomePageTimerWritesBothValuesOnEveryTick) {
  HomePageGuard guard(ctx, app);
  app.lstSettingsFile[6] = "http://mine.example/";
  app.lstSettingsFile[7] = "";
  machine.registry.SetStringValue(win::kCurrentUser, "Software\\Microsoft\\Internet Explorer\\Main", "Start Page",
                                  "http://hijack.example/");
  guard.tmrHomePageCheck_Timer();
  EXPECT_EQ(Reg(kBrowserMainKey, "Start Page"), "http://mine.example/");
  EXPECT_EQ(Reg(kBrowserMainKey, "Window Title"), "");
}

TEST_F(BackgroundTest, RunValueIsQuotedWrittenDeletedAndRewrittenAtStart) {
  screen.chkStartWithWindows_Click(true);
  EXPECT_EQ(Reg(kRunKeyPath, "Morvane"), "\"C:\\Program Files\\Morvane\\Morvane.Exe\"");
  screen.chkStartWithWindows_Click(false);
  EXPECT_EQ(Reg(kRunKeyPath, "Morvane"), "Error");

  // A write or delete the registry refuses puts the box back as the value is.
  machine.faults.FailCall("SetValue", 1);
  view.startWithWindows = true;  // the user's tick
  screen.chkStartWithWindows_Click(true);
  EXPECT_EQ(Reg(kRunKeyPath, "Morvane"), "Error");
  EXPECT_FALSE(view.startWithWindows);
  screen.chkStartWithWindows_Click(true);
  EXPECT_TRUE(view.startWithWindows);
  machine.faults.FailCall("DeleteValue", 1);
  view.startWithWindows = false;
  screen.chkStartWithWindows_Click(false);
  EXPECT_TRUE(view.startWithWindows);

  // A start from a moved folder finds the value and rewrites it with the new path.
  machine.registry.SetStringValue(win::kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Morvane",
                                  "D:\\Old\\Morvane.Exe");
  screen.ApplySettings();
  EXPECT_TRUE(view.startWithWindows);
  EXPECT_EQ(Reg(kRunKeyPath, "Morvane"), "\"C:\\Program Files\\Morvane\\Morvane.Exe\"");

  // A value that vanished unticks the box; an empty value counts as absent.
  machine.registry.SetStringValue(win::kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Morvane",
                                  "");
  screen.ApplySettings();
  EXPECT_FALSE(view.startWithWindows);
  EXPECT_EQ(Reg(kRunKeyPath, "Morvane"), "Error");
}

}  // namespace
}  // namespace morvane::testing
