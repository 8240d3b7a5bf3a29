// The command rule over the states the window goes through.
#include <gtest/gtest.h>

#include "shell/commands.h"

namespace morvane {
namespace {

using C = Command;

CommandState Idle(Screen s) { return CommandState{false, false, s, ScanPhase::Running, true}; }
CommandState Scanning() { return CommandState{true, true, Screen::ScanProc, ScanPhase::Running, true}; }
CommandState AbortedStillUnwinding() { return CommandState{false, true, Screen::ScanProc, ScanPhase::Ended, true}; }
CommandState Finished() { return CommandState{true, false, Screen::ScanProc, ScanPhase::Ended, true}; }
CommandState ResultsWait() { return CommandState{true, false, Screen::ScanResult, ScanPhase::Running, true}; }
CommandState Removing() { return CommandState{false, true, Screen::ScanResult, ScanPhase::Running, false}; }

TEST(CommandRule, EveryCommandInEveryState) {
  struct Case {
    const char* name;
    CommandState state;
    std::vector<C> allowed;  // every other command is refused
  };
  const std::vector<C> nav = {C::lblCmdStatus, C::lblCmdScan, C::lblCmdSettings, C::lblCmdHelp,
                              C::lblCmdCheckForUpdates, C::Exit, C::AutoScan};
  auto with = [&](std::vector<C> extra) {
    std::vector<C> v = nav;
    v.insert(v.end(), extra.begin(), extra.end());
    return v;
  };
  const std::vector<Case> cases = {
      {"status idle", Idle(Screen::Status), with({C::lblCmdDBaseUpdate, C::lblCmdOpenIgnoreList, C::lblCmdOpenQuarList})},
      {"settings idle", Idle(Screen::Settings),
       with({C::chkSettings, C::chkStartWithWindows, C::lblCmdActiveProtectionSett, C::lblCmdHomepageProtectSett,
             C::lblCmdAdvancedRegBackup})},
      {"scan selection idle", Idle(Screen::ScanPrep),
       with({C::optScanMode, C::lblCmdCustomizeScan, C::lblCmdSelectDrvFolderScan, C::cmdNextScan})},
      {"scanning", Scanning(), {C::lblCmdHelp, C::lblCmdCheckForUpdates, C::cmdAbortNextResults}},
      {"aborted, scan not yet returned", AbortedStillUnwinding(), {C::lblCmdHelp, C::lblCmdCheckForUpdates}},
      {"finished, Next shown", Finished(), {C::lblCmdHelp, C::lblCmdCheckForUpdates, C::cmdAbortNextResults}},
      {"results wait", ResultsWait(),
       {C::lblCmdHelp, C::lblCmdCheckForUpdates, C::cmdIgnoreSelected, C::cmdQuarantineSelected, C::cmdNextDelete,
        C::mnuResultListAll, C::mnuResultListNone, C::mnuResultListInverse}},
      {"removal step running", Removing(), {C::lblCmdHelp, C::lblCmdCheckForUpdates}},
      {"results after abort", Idle(Screen::ScanResult),
       with({C::cmdIgnoreSelected, C::cmdQuarantineSelected, C::cmdNextDelete, C::mnuResultListAll,
             C::mnuResultListNone, C::mnuResultListInverse})},
      {"manual removal", Idle(Screen::Iremovable), with({C::cmdIgnoreIremovable, C::cmdFinish})},
      {"ignore list", Idle(Screen::IgnoreList),
       with({C::cmdDeleteSelected, C::mnuIgnoreListAll, C::mnuIgnoreListNone, C::mnuIgnoreListInverse})},
      {"quarantine", Idle(Screen::Quarantined),
       with({C::cmdViewData, C::cmdRestoreQuarantined, C::cmdDeleteQuarantined, C::mnuQuarantineListAll,
             C::mnuQuarantineListNone, C::mnuQuarantineListInverse})},
      {"package items", Idle(Screen::QItems), with({C::cmdBack})},
  };
  for (const Case& c : cases) {
    for (size_t i = 0; i < kCommandCount; ++i) {
      const C cmd = C(i);
      const bool expected = std::find(c.allowed.begin(), c.allowed.end(), cmd) != c.allowed.end();
      EXPECT_EQ(IsCommandAllowed(cmd, c.state), expected) << c.name << ", command " << i;
    }
  }
}

TEST(CommandRule, DisabledResultButtonsAndScreenTitles) {
  CommandState s = Idle(Screen::ScanResult);
  s.resultButtonsEnabled = false;
  for (C c : {C::cmdIgnoreSelected, C::cmdQuarantineSelected, C::cmdNextDelete}) EXPECT_FALSE(IsCommandAllowed(c, s));
  EXPECT_TRUE(IsCommandAllowed(C::mnuResultListAll, s));
  EXPECT_STREQ(ScreenTitle(Screen::QItems), ScreenTitle(Screen::Quarantined));
  EXPECT_STREQ(ScreenTitle(Screen::ScanPrep), "Morvane - System Scan Selection");
}

// Every control of the table leads back to its own row (no two rows share an id).
TEST(CommandTable, ControlIdsLeadBackToTheirRows) {
  size_t controls = 0;
  for (size_t i = 0; i < kCommandCount; ++i) {
    const CommandRow& row = CommandInfo(C(i));
    EXPECT_EQ(row.command, C(i));
    for (int k = 0; row.id && k < row.ids; ++k, ++controls) {
      int index = -1;
      const CommandRow* found = CommandWithId(row.id + k, index);
      ASSERT_NE(found, nullptr) << i;
      EXPECT_EQ(found->command, C(i));
      EXPECT_EQ(index, k);
    }
    EXPECT_NE(row.click == nullptr, row.box == nullptr) << "one handler, command " << i;
  }
  EXPECT_EQ(controls, kCommandCount - 2 + 5 + 2);  // exit and the scheduler have none; 6 boxes, 3 options
}

}  // namespace
}  // namespace morvane
