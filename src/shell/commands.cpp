#include "shell/commands.h"

namespace morvane {

const char* ScreenTitle(Screen screen) {
  switch (screen) {
    case Screen::Status: return "Morvane - Status";
    case Screen::Settings: return "Morvane - Settings";
    case Screen::ScanPrep: return "Morvane - System Scan Selection";
    case Screen::ScanProc: return "Morvane - System Scan";
    case Screen::ScanResult: return "Morvane - System Scan Results";
    case Screen::Iremovable: return "Morvane - Iremovable Objects";
    case Screen::IgnoreList: return "Morvane - Ignore List";
    case Screen::Quarantined:
    case Screen::QItems: return "Morvane - Quarantined Objects";
  }
  return "";
}

bool CommandScreen(Command c, Screen& screen) {
  using C = Command;
  switch (c) {
    case C::lblCmdStatus:
    case C::lblCmdScan:
    case C::lblCmdSettings:
    case C::lblCmdHelp:
    case C::lblCmdCheckForUpdates:
    case C::Exit:
    case C::AutoScan: return false;
    case C::lblCmdDBaseUpdate:
    case C::lblCmdOpenIgnoreList:
    case C::lblCmdOpenQuarList: screen = Screen::Status; return true;
    case C::chkSettings:
    case C::chkStartWithWindows:
    case C::lblCmdActiveProtectionSett:
    case C::lblCmdHomepageProtectSett:
    case C::lblCmdAdvancedRegBackup: screen = Screen::Settings; return true;
    case C::optScanMode:
    case C::lblCmdCustomizeScan:
    case C::lblCmdSelectDrvFolderScan:
    case C::cmdNextScan: screen = Screen::ScanPrep; return true;
    case C::cmdAbortNextResults: screen = Screen::ScanProc; return true;
    case C::cmdIgnoreSelected:
    case C::cmdQuarantineSelected:
    case C::cmdNextDelete:
    case C::mnuResultListAll:
    case C::mnuResultListNone:
    case C::mnuResultListInverse: screen = Screen::ScanResult; return true;
    case C::cmdIgnoreIremovable:
    case C::cmdFinish: screen = Screen::Iremovable; return true;
    case C::cmdDeleteSelected:
    case C::mnuIgnoreListAll:
    case C::mnuIgnoreListNone:
    case C::mnuIgnoreListInverse: screen = Screen::IgnoreList; return true;
    case C::cmdViewData:
    case C::cmdRestoreQuarantined:
    case C::cmdDeleteQuarantined:
    case C::mnuQuarantineListAll:
    case C::mnuQuarantineListNone:
    case C::mnuQuarantineListInverse: screen = Screen::Quarantined; return true;
    case C::cmdBack: screen = Screen::QItems; return true;
  }
  return false;
}

bool IsCommandAllowed(Command c, const CommandState& s) {
  using C = Command;
  Screen own;
  if (CommandScreen(c, own) && own != s.screen) return false;
  switch (c) {
    case C::lblCmdHelp:
    case C::lblCmdCheckForUpdates: return true;
    case C::cmdAbortNextResults: return s.scanPhase == ScanPhase::Running || !s.longOperation;
    case C::lblCmdStatus:
    case C::lblCmdScan:
    case C::lblCmdSettings:
    case C::cmdNextScan:
    case C::Exit:
    case C::AutoScan: return !s.operationInProgress && !s.longOperation;
    case C::cmdIgnoreSelected:
    case C::cmdQuarantineSelected:
    case C::cmdNextDelete: return s.resultButtonsEnabled && !s.longOperation;
    default: return !s.longOperation;
  }
}

}  // namespace morvane
