// Every user command of the main window and the one rule that says whether
// it may run now. Handlers ask IsCommandAllowed before doing anything.
#pragma once
#include "scanner/scan_view.h"
#include "shell/main_view.h"

namespace morvane {

enum class Command {
  // Navigation row (visible on every screen).
  lblCmdStatus,
  lblCmdScan,
  lblCmdSettings,
  lblCmdHelp,
  lblCmdCheckForUpdates,
  // Status screen links.
  lblCmdDBaseUpdate,
  lblCmdOpenIgnoreList,
  lblCmdOpenQuarList,
  // Settings screen.
  chkSettings,
  chkStartWithWindows,
  lblCmdActiveProtectionSett,
  lblCmdHomepageProtectSett,
  lblCmdAdvancedRegBackup,
  // Scan selection screen.
  optScanMode,
  lblCmdCustomizeScan,
  lblCmdSelectDrvFolderScan,
  cmdNextScan,
  // Scan progress screen.
  cmdAbortNextResults,
  // Result screen and its pop-up menu.
  cmdIgnoreSelected,
  cmdQuarantineSelected,
  cmdNextDelete,
  mnuResultListAll,
  mnuResultListNone,
  mnuResultListInverse,
  // Manual-removal screen.
  cmdIgnoreIremovable,
  cmdFinish,
  // Ignore list screen.
  cmdDeleteSelected,
  mnuIgnoreListAll,
  mnuIgnoreListNone,
  mnuIgnoreListInverse,
  // Quarantine screens.
  cmdViewData,
  cmdRestoreQuarantined,
  cmdDeleteQuarantined,
  mnuQuarantineListAll,
  mnuQuarantineListNone,
  mnuQuarantineListInverse,
  cmdBack,
  // Closing the window (also the tray menu's "Exit").
  Exit,
  // A scan due by the scheduler.
  AutoScan,
};
constexpr size_t kCommandCount = size_t(Command::AutoScan) + 1;

// What the rule looks at.
struct CommandState {
  // From the start of a scan until its removal step ends or the user aborts.
  bool operationInProgress = false;
  // A long handler (start-up, a scan, the removal step, quarantine or ignore
  // list work) is running and yields; clicks arrive nested inside it.
  bool longOperation = false;
  Screen screen = Screen::Status;
  ScanPhase scanPhase = ScanPhase::Running;
  // cmdNextDelete, cmdQuarantineSelected and cmdIgnoreSelected.
  bool resultButtonsEnabled = true;
};

// A command runs only on its own screen (navigation row and exit: any
// screen). The scan, settings and status commands, a new scan and closing
// wait until no operation is in progress. While a long handler runs only
// Abort, help and the update page are taken: anything else would run nested
// inside it and work on tables it is still using.
bool IsCommandAllowed(Command command, const CommandState& state);

// The screen a command belongs to; false for the navigation row, exit and the scheduler.
bool CommandScreen(Command command, Screen& screen);

}  // namespace morvane
