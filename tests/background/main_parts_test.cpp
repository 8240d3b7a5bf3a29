// The full parts inside frmMain on the simulated machine: start-up, the
// Run value, minimizing to the tray, the unattended scan and the dialogs.
#include <gtest/gtest.h>

#include "background/parts_view.h"
#include "platform/simulated/machine.h"
#include "store/app_settings.h"

namespace morvane {
namespace {

const Text kPf = "C:\\Program Files\\Morvane";

using testing::PartsView;

class MainPartsTest : public ::testing::Test {
 protected:
  MainPartsTest() : m(sim::SimulatedMachine::WindowsLayout{}), ctx(m.os()) {
    m.system.programFolder = kPf;
    m.files.AddFolder(kPf);
    form = std::make_unique<frmMain>(ctx, view, "1.2.3");
    view.form = form.get();
    parts = std::make_unique<MainWindowParts>(form->Host(), view, "Morvane");
    form->SetParts(parts.get());
    m.registry.SetStringValue(win::kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Morvane",
                              "C:\\Old Place\\Morvane.Exe");
    m.files.AddFile(kPf + "\\DataBase.ref", testing::EncipheredDatabase("Version 7", {"path|C:\\Spy\\spy.exe|Spy Exe|"}));
    // Start minimized, automatic scanning every minute, home page protection off.
    m.files.AddFile(kPf + "\\Settings\\Settings.stg",
                    "1\r\n0\r\n0\r\n1\r\n1\r\n0\r\nabout:blank\r\nMicrosoft Internet Explorer\r\n1\r\n0\r\n10");
  }
  std::string Read(const Text& rel) {
    std::string d;
    m.files.ReadAll(kPf + rel, d);
    return d;
  }
  Text RunValue() {
    return modRegistry(ctx).GetRegistryString("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                              "Morvane")
        .value_or("Error");
  }
  void Seconds(int n) {
    for (int i = 0; i < n; ++i) {
      DateTime& now = m.clock.now;
      if (++now.second == 60) now.second = 0, now.minute = (now.minute + 1) % 60;
      if (view.timers[Timer::tmrTimer]) form->tmrTimer_Timer();
    }
  }

  sim::SimulatedMachine m;
  Context ctx;
  PartsView view;
  std::unique_ptr<frmMain> form;
  std::unique_ptr<MainWindowParts> parts;
};

TEST_F(MainPartsTest, StartsMinimizedAndLivesInTheTray) {
  ASSERT_TRUE(form->Form_Load());
  EXPECT_EQ(RunValue(), "\"" + kPf + "\\Morvane.Exe\"");
  EXPECT_TRUE(view.checks[Check::chkStartWithWindows]);
  EXPECT_TRUE(view.checks[Check::chkSettings4]);
  EXPECT_TRUE(view.checks[Check::optScanMode0]);
  EXPECT_TRUE(view.timers[Timer::tmrTimer]);
  EXPECT_FALSE(view.timers[Timer::tmrHomePageCheck]);
  EXPECT_EQ(view.events.at(0), "icon add Clik here to open Morvane.");
  EXPECT_FALSE(view.visible);  // minimized into the tray

  // Minimizing saved the tables: a changed box reaches the file at the next minimize.
  form->Run(Command::lblCmdSettings);
  form->Run(Command::chkSettings, 5, true);
  EXPECT_TRUE(view.checks[Check::chkSettings5]);
  form->Form_Resize(WindowState::Minimized);
  EXPECT_NE(Read("\\Settings\\Settings.stg").find("\r\n1\r\nabout:blank"), std::string::npos);

  // Icon events: right button opens the menu; left button restores to the remembered place.
  view.state = FrameState::Normal;
  form->Form_Resize(WindowState::Normal);  // remembers 120, 0 (top was negative)
  view.state = FrameState::Minimized;
  view.left = view.top = -32000;
  form->Form_Resize(WindowState::Minimized);
  parts->OnTrayMessage(0x200);  // mouse movement: nothing
  parts->OnTrayMessage(kTrayRightButtonUp);
  parts->OnTrayMessage(kTrayLeftButtonUp);
  EXPECT_EQ(std::vector<Text>(view.events.begin() + 1, view.events.end()),
            (std::vector<Text>{"tray menu", "move 120,0", "front"}));
  EXPECT_TRUE(view.visible);
  EXPECT_EQ(view.state, FrameState::Normal);

  // Explorer restarted: the icon comes back.
  parts->OnTaskbarCreated();
  EXPECT_EQ(view.events.back(), "icon add Clik here to open Morvane.");
}

TEST_F(MainPartsTest, SchedulerWaitsOutStartUpAndDialogsThenScansAndRemovesUnasked) {
  m.files.AddFile("C:\\Spy\\spy.exe", "MZ");
  // The first due time falls inside start-up, a long handler: it starts nothing.
  bool dueDuringStartUp = false;
  ctx.onYield = [&] {
    if (dueDuringStartUp || !view.timers[Timer::tmrTimer]) return;
    dueDuringStartUp = true;
    Seconds(60);
  };
  ASSERT_TRUE(form->Form_Load());
  ASSERT_TRUE(dueDuringStartUp);
  EXPECT_TRUE(m.files.Exists("C:\\Spy\\spy.exe"));

  // Nor does one that falls while a dialog is open over the window: the
  // dialog writes the tables the scan reads.
  ctx.onYield = nullptr;
  view.onHomePage = [&](frmHomePageInfo& d) {
    Seconds(60);
    d.cmdCancel_Click();
  };
  form->Run(Command::lblCmdSettings);
  form->Run(Command::lblCmdHomepageProtectSett);
  EXPECT_TRUE(m.files.Exists("C:\\Spy\\spy.exe"));
  EXPECT_EQ(view.screen, Screen::Settings);
  // Nor inside a message box ("help.htm" is missing): its modal loop runs
  // the timer too, and the scan's own boxes would stack over it.
  view.onHomePage = nullptr;
  m.messages.whileOpen = [&] { Seconds(60); };
  form->Run(Command::lblCmdHelp);
  m.messages.whileOpen = nullptr;
  ASSERT_EQ(m.messages.shown.size(), 1u);
  EXPECT_TRUE(m.files.Exists("C:\\Spy\\spy.exe"));
  m.messages.shown.clear();

  // The next one scans and removes without a single question; the tray's
  // "Exit" is refused while that scan runs.
  bool exitDuringScan = false;
  ctx.onYield = [&] {
    if (exitDuringScan || !ctx.OperationInProgress) return;
    exitDuringScan = true;
    parts->mnuPopUpExit_Click();
  };
  Seconds(60);
  ctx.onYield = nullptr;
  EXPECT_TRUE(exitDuringScan);
  EXPECT_FALSE(view.closed);
  EXPECT_FALSE(m.files.Exists("C:\\Spy\\spy.exe"));
  EXPECT_TRUE(m.messages.shown.empty());
  EXPECT_NE(Read("\\SpyLog.txt").find("File deleted=C:\\Spy\\spy.exe"), std::string::npos);
  EXPECT_EQ(view.screen, Screen::Status);
  EXPECT_FALSE(ctx.OperationInProgress);

  // Afterwards "Exit" closes and removes the icon.
  parts->mnuPopUpExit_Click();
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(view.events.back(), "icon delete Clik here to open Morvane.");
}

TEST_F(MainPartsTest, DialogsOpenOverTheTablesAndApplyOnOk) {
  ASSERT_TRUE(form->Form_Load());
  view.onActiveProtection = [](frmActiveProtection& d) {
    d.UpDown_UpClick();
    d.cmdOk_Click();
  };
  form->Run(Command::lblCmdSettings);
  form->Run(Command::lblCmdActiveProtectionSett);
  AppState app = form->App();
  EXPECT_EQ(Settings(app).AutoScanMinutes(), "2");

  // The scan modes are one group: a click clears the other two.
  form->Run(Command::lblCmdScan);
  for (int mode : {1, 2, 0}) {
    view.checks[Check(int(Check::optScanMode0) + mode)] = true;  // the user's click
    form->Run(Command::optScanMode, mode);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(view.checks[Check(int(Check::optScanMode0) + i)], i == mode) << mode;
    EXPECT_EQ(form->App().lstSettingsFile[9], std::to_string(mode));
  }

  view.onCustomScan = [](frmCustomScanSettings& d) {
    d.chkCustomScanSettings[3] = true;
    d.cmdOk_Click();
  };
  form->Run(Command::lblCmdScan);
  form->Run(Command::lblCmdCustomizeScan);
  EXPECT_EQ(form->App().lstCustomScanSettings, (ListBox{"0", "1", "1", "1", "0", "0", "1"}));

  view.onAddDir = [](frmAddDir& d) {
    d.dirList_Click(0);
    d.cmdAdd_Click();
    d.cmdAdd_Click();
    d.cmdOk_Click();
  };
  form->Run(Command::lblCmdSelectDrvFolderScan);
  EXPECT_EQ(form->App().lstSelectedFolders, ListBox{"C:\\"});
  view.onAddDir = [](frmAddDir& d) {
    d.cmdAdd_Click();
    d.cmdCancel_Click();
  };
  form->Run(Command::lblCmdSelectDrvFolderScan);
  EXPECT_EQ(form->App().lstSelectedFolders, ListBox{"C:\\"});

  // Unticking the Run box deletes the value; applying again keeps it unticked.
  form->Run(Command::lblCmdSettings);
  view.checks[Check::chkStartWithWindows] = false;  // the user's click
  form->Run(Command::chkStartWithWindows, 0, false);
  EXPECT_EQ(RunValue(), "Error");
  parts->ApplySettings();
  EXPECT_FALSE(view.checks[Check::chkStartWithWindows]);
}

}  // namespace
}  // namespace morvane
