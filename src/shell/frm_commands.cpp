// The main window's commands: the command table and its handlers.
#include <algorithm>
#include <iterator>

#include "shell/frm_main.h"
#include "database/records.h"
#include "store/app_settings.h"
#include "store/server_address.h"

// Control ids only (plain #defines, no system headers).
#include "shell/win32/resource.h"

namespace morvane {

namespace {
constexpr int kShowNormal = 1;
constexpr int kRightButton = 2;
}  // namespace

// The command table, in the order of Command.
const CommandRow& CommandInfo(Command command) {
  using C = Command;
  using S = Screen;
  using F = frmMain;
  constexpr auto kRuns = InLongOperation::Runs;
  // Command, control, controls, screen (none: any), inside a long operation,
  // waits for the operation, result button, handler.
  static constexpr CommandRow kRows[] = {
      // Navigation row (visible on every screen).
      {C::lblCmdStatus, IDC_LBL_CMD_STATUS, 1, {}, {}, true, false, &F::lblCmdStatus_Click},
      {C::lblCmdScan, IDC_LBL_CMD_SCAN, 1, {}, {}, true, false, &F::lblCmdScan_Click},
      {C::lblCmdSettings, IDC_LBL_CMD_SETTINGS, 1, {}, {}, true, false, &F::lblCmdSettings_Click},
      {C::lblCmdHelp, IDC_LBL_CMD_HELP, 1, {}, kRuns, false, false, &F::lblCmdHelp_Click},
      {C::lblCmdCheckForUpdates, IDC_LBL_CMD_CHECK_FOR_UPDATES, 1, {}, kRuns, false, false,
       &F::lblCmdCheckForUpdates_Click},
      // Status screen links.
      {C::lblCmdDBaseUpdate, IDC_LBL_CMD_DBASE_UPDATE, 1, S::Status, {}, false, false, &F::lblCmdDBaseUpdate_Click},
      {C::lblCmdOpenIgnoreList, IDC_LBL_CMD_OPEN_IGNORE_LIST, 1, S::Status, {}, false, false,
       &F::lblCmdOpenIgnoreList_Click},
      {C::lblCmdOpenQuarList, IDC_LBL_CMD_OPEN_QUAR_LIST, 1, S::Status, {}, false, false, &F::lblCmdOpenQuarList_Click},
      // Settings screen.
      {C::chkSettings, IDC_CHK_SETTINGS0, kSettingsBoxCount, S::Settings, {}, false, false, nullptr,
       &F::chkSettings_Click},
      {C::chkStartWithWindows, IDC_CHK_START_WITH_WINDOWS, 1, S::Settings, {}, false, false, nullptr,
       &F::chkStartWithWindows_Click},
      {C::lblCmdActiveProtectionSett, IDC_LBL_CMD_ACTIVE_PROTECTION_SETT, 1, S::Settings, {}, false, false,
       &F::lblCmdActiveProtectionSett_Click},
      {C::lblCmdHomepageProtectSett, IDC_LBL_CMD_HOMEPAGE_PROTECT_SETT, 1, S::Settings, {}, false, false,
       &F::lblCmdHomepageProtectSett_Click},
      {C::lblCmdAdvancedRegBackup, IDC_LBL_CMD_ADVANCED_REG_BACKUP, 1, S::Settings, {}, false, false,
       &F::lblCmdAdvancedRegBackup_Click},
      // Scan selection screen.
      {C::optScanMode, IDC_OPT_SCAN_MODE0, kScanModeCount, S::ScanPrep, {}, false, false, nullptr,
       &F::optScanMode_Click},
      {C::lblCmdCustomizeScan, IDC_LBL_CMD_CUSTOMIZE_SCAN, 1, S::ScanPrep, {}, false, false,
       &F::lblCmdCustomizeScan_Click},
      {C::lblCmdSelectDrvFolderScan, IDC_LBL_CMD_SELECT_DRV_FOLDER_SCAN, 1, S::ScanPrep, {}, false, false,
       &F::lblCmdSelectDrvFolderScan_Click},
      {C::cmdNextScan, IDC_CMD_NEXT_SCAN, 1, S::ScanPrep, {}, true, false, &F::cmdNextScan_Click},
      // Scan progress screen.
      {C::cmdAbortNextResults, IDC_CMD_ABORT_NEXT_RESULTS, 1, S::ScanProc, InLongOperation::RunsWhileScanning, false,
       false, &F::cmdAbortNextResults_Click},
      // Result screen and its pop-up menu.
      {C::cmdIgnoreSelected, IDC_CMD_IGNORE_SELECTED, 1, S::ScanResult, {}, false, true, &F::cmdIgnoreSelected_Click},
      {C::cmdQuarantineSelected, IDC_CMD_QUARANTINE_SELECTED, 1, S::ScanResult, {}, false, true,
       &F::cmdQuarantineSelected_Click},
      {C::cmdNextDelete, IDC_CMD_NEXT_DELETE, 1, S::ScanResult, {}, false, true, &F::cmdNextDelete_Click},
      {C::mnuResultListAll, IDM_RESULT_ALL, 1, S::ScanResult, {}, false, false, &F::mnuResultListAll_Click},
      {C::mnuResultListNone, IDM_RESULT_NONE, 1, S::ScanResult, {}, false, false, &F::mnuResultListNone_Click},
      {C::mnuResultListInverse, IDM_RESULT_INVERSE, 1, S::ScanResult, {}, false, false, &F::mnuResultListInverse_Click},
      // Manual-removal screen.
      {C::cmdIgnoreIremovable, IDC_CMD_IGNORE_IREMOVABLE, 1, S::Iremovable, {}, false, false,
       &F::cmdIgnoreIremovable_Click},
      {C::cmdFinish, IDC_CMD_FINISH, 1, S::Iremovable, {}, false, false, &F::cmdFinish_Click},
      // Ignore list screen.
      {C::cmdDeleteSelected, IDC_CMD_DELETE_SELECTED, 1, S::IgnoreList, {}, false, false, &F::cmdDeleteSelected_Click},
      {C::mnuIgnoreListAll, IDM_IGNORE_ALL, 1, S::IgnoreList, {}, false, false, &F::mnuIgnoreListAll_Click},
      {C::mnuIgnoreListNone, IDM_IGNORE_NONE, 1, S::IgnoreList, {}, false, false, &F::mnuIgnoreListNone_Click},
      {C::mnuIgnoreListInverse, IDM_IGNORE_INVERSE, 1, S::IgnoreList, {}, false, false, &F::mnuIgnoreListInverse_Click},
      // Quarantine screens.
      {C::cmdViewData, IDC_CMD_VIEW_DATA, 1, S::Quarantined, {}, false, false, &F::cmdViewData_Click},
      {C::cmdRestoreQuarantined, IDC_CMD_RESTORE_QUARANTINED, 1, S::Quarantined, {}, false, false,
       &F::cmdRestoreQuarantined_Click},
      {C::cmdDeleteQuarantined, IDC_CMD_DELETE_QUARANTINED, 1, S::Quarantined, {}, false, false,
       &F::cmdDeleteQuarantined_Click},
      {C::mnuQuarantineListAll, IDM_QUARANTINE_ALL, 1, S::Quarantined, {}, false, false, &F::mnuQuarantineListAll_Click},
      {C::mnuQuarantineListNone, IDM_QUARANTINE_NONE, 1, S::Quarantined, {}, false, false,
       &F::mnuQuarantineListNone_Click},
      {C::mnuQuarantineListInverse, IDM_QUARANTINE_INVERSE, 1, S::Quarantined, {}, false, false,
       &F::mnuQuarantineListInverse_Click},
      {C::cmdBack, IDC_CMD_BACK, 1, S::QItems, {}, false, false, &F::cmdBack_Click},
      // Closing the window (also the tray menu's "Exit"); a scan due by the scheduler.
      {C::Exit, 0, 1, {}, {}, true, false, &F::mnuPopUpExit_Click},
      {C::AutoScan, 0, 1, {}, {}, true, false, &F::AutoScan_Run},
  };
  static_assert(std::size(kRows) == kCommandCount);
  static_assert([] {
    for (size_t i = 0; i < kCommandCount; ++i)
      if (kRows[i].command != Command(i)) return false;
    return true;
  }(), "rows in the order of Command");
  return kRows[size_t(command)];
}

void frmMain::Run(Command c, int index, bool ticked) {
  if (!Allowed(c)) return;
  const CommandRow& row = CommandInfo(c);
  if (row.click) (this->*row.click)();
  else if (row.box) (this->*row.box)(index, ticked);
}

// ---- navigation ----------------------------------------------------------------

void frmMain::StatusCommand() {
  ShowStatus();
  StatusInfoDisplay();
}

void frmMain::lblCmdStatus_Click() {
  StatusCommand();
}

void frmMain::lblCmdScan_Click() {
  ShowScanPrep();
}

void frmMain::lblCmdSettings_Click() {
  ShowSettings();
}

void frmMain::ShellOpen(const Text& file, const Text& directory) {
  ctx.shell().Execute(view.OwnerWindow(), "Open", file, "", directory, kShowNormal);
}

void frmMain::lblCmdHelp_Click() {
  const Text help = app.programFolder + "\\Help\\help.htm";
  const uint32_t attributes = ctx.files().GetAttributes(help);
  if (attributes != win::kInvalidAttributes && !(attributes & win::kAttrDirectory)) {
    ShellOpen(help, app.programFolder);
    ctx.YieldToHost();
  } else {
    ctx.messages().Show("Help file help.htm could not be found.", "", MsgButtons::Ok, MsgIcon::Critical);
  }
}

void frmMain::lblCmdCheckForUpdates_Click() {
  // The vendor's server is the one the updater is configured with.
  Text url, error;
  if (!ReadServerAddress(ctx.files(), app.programFolder, url, error)) {
    ctx.messages().Show(error, "", MsgButtons::Ok, MsgIcon::Exclamation);
    return;
  }
  const Text file = "/DataBase.ref";
  if (url.size() >= file.size() && url.compare(url.size() - file.size(), file.size(), file) == 0)
    url.resize(url.size() - file.size());
  ShellOpen(url + "/update/", "");
}

void frmMain::StartUpdater() {
  ShellUpdaterLauncher(ctx, app.programFolder).StartUpdater(view.OwnerWindow());
}

void frmMain::lblCmdDBaseUpdate_Click() {
  StartUpdater();
}

void frmMain::lblCmdOpenIgnoreList_Click() {
  LongOperation busy(*this);
  ignore.LoadIgnoredToList();
  ctx.YieldToHost();
  ShowIgnored();
}

void frmMain::lblCmdOpenQuarList_Click() {
  LongOperation busy(*this);
  ShowQuarantineListing(removal.ListQuarantine());
  ShowQuarantined();
}

// ---- settings and scan selection screens ----------------------------------------

void frmMain::lblCmdActiveProtectionSett_Click() {
  parts_->OpenDialog(Dialog::ActiveProtection);
}
void frmMain::lblCmdHomepageProtectSett_Click() {
  parts_->OpenDialog(Dialog::HomePage);
}
void frmMain::lblCmdAdvancedRegBackup_Click() {
  parts_->OpenDialog(Dialog::RegBackup);
}
void frmMain::lblCmdCustomizeScan_Click() {
  parts_->OpenDialog(Dialog::CustomScan);
}
void frmMain::lblCmdSelectDrvFolderScan_Click() {
  parts_->OpenDialog(Dialog::AddDir);
}
void frmMain::chkSettings_Click(int index, bool ticked) {
  parts_->chkSettings_Click(index, ticked);
}
void frmMain::chkStartWithWindows_Click(int, bool ticked) {
  parts_->chkStartWithWindows_Click(ticked);
}
void frmMain::optScanMode_Click(int index, bool ticked) {
  // An option that clears is not a choice.
  if (ticked) parts_->optScanMode_Click(index);
}

// ---- scan ----------------------------------------------------------------------------

void frmMain::RunScan(bool autoScan) {
  LongOperation busy(*this);
  if (!DatabaseReady()) return;
  // A File/Folder Scan of no folder would look nowhere and call the machine clean.
  if (Settings(app).ScanModeIs(ScanMode::Folders) &&
      std::all_of(app.lstSelectedFolders.begin(), app.lstSelectedFolders.end(), [](const Text& f) { return f.empty(); })) {
    ctx.messages().Show("No drives or folders are selected to scan.\r\nSelect them first.", kDefaultTitle,
                        MsgButtons::Ok, MsgIcon::Exclamation);
    return;
  }
  ShowScanProc();
  app.AutoScan = autoScan;
  scan.StartScan();
  // The scheduler's scan removes what it found at once.
  if (app.AutoScan) RemovalStep(true);
  ctx.YieldToHost();
}

bool frmMain::DatabaseReady() {
  if (database.Changed()) database.LoadDatabase();
  Text why;
  if (IsDatabase(app.lstDBaseFile, why)) return true;
  ctx.messages().Show("The reference database cannot be read: " + database.DatabasePath() + " (" + why +
                          ").\r\nDownload a new one with the updater.",
                      kDefaultTitle, MsgButtons::Ok, MsgIcon::Critical);
  return false;
}

void frmMain::cmdNextScan_Click() {
  RunScan(false);
}

void frmMain::cmdAbortNextResults_Click() {
  if (scanPhase == ScanPhase::Running) {
    ctx.OperationInProgress = false;
    SetScanPhase(ScanPhase::Ended);
  } else {
    ShowScanResult();
    ctx.YieldToHost();
    SetScanPhase(ScanPhase::Running);
  }
}

// ---- result and manual-removal screens ---------------------------------------------

void frmMain::cmdIgnoreSelected_Click() {
  LongOperation busy(*this);
  TellRefusedIgnores(ignore.IgnoreChecked().refused);
}

void frmMain::TellRefusedIgnores(size_t refused) {
  if (refused == 0) return;
  ctx.messages().Show(std::to_string(refused) +
                          " item(s) could not be added to the Ignore List: their names hold a line break, which the "
                          "list cannot keep. They will be found again.",
                      kDefaultTitle, MsgButtons::Ok, MsgIcon::Exclamation);
}

void frmMain::cmdQuarantineSelected_Click() {
  LongOperation busy(*this);
  const std::optional<QuarantineReport> report = removal.QuarantineChecked();
  if (!report) return;
  if (report->noFreeNumber)
    ctx.messages().Show(
        "No free quarantine item number is left in this package. Quarantining stopped; the remaining items "
        "were not quarantined.",
        kDefaultTitle, MsgButtons::Ok, MsgIcon::Exclamation);
  ctx.messages().Show(std::to_string(report->stored) + " items quarantined successfully.", kDefaultTitle,
                      MsgButtons::Ok, MsgIcon::Information);
}

void frmMain::cmdNextDelete_Click() {
  LongOperation busy(*this);
  RemovalStep(false);
}

void frmMain::RemovalStep(bool all) {
  SetResultButtonsEnabled(false);
  RemovalReport report = all ? removal.RemoveAll() : removal.RemoveChecked();
  if (report.cancelled) {
    SetResultButtonsEnabled(true);
    return;
  }
  // The manual-removal screen lists its rows until "Finish" empties them; a
  // scheduler scan asks nothing and ends on the status screen.
  if (report.manual.Empty() || app.AutoScan) {
    StatusCommand();
  } else {
    app.lstIremovable = std::move(report.manual);
    ShowIremovable();
    ctx.messages().Show(
        "The following objects could not be removed. Please check their respective URLs \r\n"
        "for information on how to manually remove them.",
        "Not removed", MsgButtons::Ok, MsgIcon::Information);
  }
  ctx.YieldToHost();
  SetResultButtonsEnabled(true);
  ctx.YieldToHost();
  // A scheduler scan asks nothing: its log tells what waits for the restart.
  if (!report.atRestart.empty() && !app.AutoScan)
    ctx.messages().Show(AtRestartMessage(report.atRestart.size()), kDefaultTitle, MsgButtons::Ok,
                        MsgIcon::Information);
}

void frmMain::mnuResultListAll_Click() {
  removal.SelectAllResults();
  Refresh(ListId::lstScanResult);
}
void frmMain::mnuResultListNone_Click() {
  removal.SelectNoResults();
  Refresh(ListId::lstScanResult);
}
void frmMain::mnuResultListInverse_Click() {
  removal.InvertResults();
  Refresh(ListId::lstScanResult);
}

void frmMain::cmdIgnoreIremovable_Click() {
  LongOperation busy(*this);
  TellRefusedIgnores(ignore.IgnoreCheckedManual().refused);
}

void frmMain::cmdFinish_Click() {
  ShowStatus();
  // The removal step that led here changed the statistics and the quarantine.
  StatusInfoDisplay();
  app.lstIremovable.Clear();
  Refresh(ListId::lstIremovable);
  ctx.YieldToHost();
}

void frmMain::lstScanResult_MouseUp(int button) {
  if (button == kRightButton && Allowed(Command::mnuResultListAll)) view.ShowPopupMenu(Menu::mnuResultList);
}

// ---- ignore list screen ------------------------------------------------------------

void frmMain::cmdDeleteSelected_Click() {
  LongOperation busy(*this);
  ignore.DeleteSelected();
  Refresh(ListId::lstIgnoreList);
}

void frmMain::mnuIgnoreListAll_Click() {
  SelectAllRows(ignore.lstIgnoreList);
  Refresh(ListId::lstIgnoreList);
}
void frmMain::mnuIgnoreListNone_Click() {
  SelectNoRows(ignore.lstIgnoreList);
  Refresh(ListId::lstIgnoreList);
}
void frmMain::mnuIgnoreListInverse_Click() {
  InvertRowSelection(ignore.lstIgnoreList);
  Refresh(ListId::lstIgnoreList);
}

void frmMain::lstIgnoreList_MouseUp(int button) {
  if (button == kRightButton && Allowed(Command::mnuIgnoreListAll)) view.ShowPopupMenu(Menu::mnuIgnoreList);
}

// ---- quarantine screens -------------------------------------------------------------

void frmMain::cmdViewData_Click() {
  LongOperation busy(*this);
  if (!removal.ViewPackage()) return;
  Refresh(ListId::lstQuarantinedList);
  Refresh(ListId::lstQuarantinedItems);
  ShowQItems();
}

void frmMain::ShowQuarantineListing(size_t packages) {
  SetCaption(Label::lblNoQuarantined, std::to_string(packages));
  Refresh(ListId::lstQuarantinedList);
  Refresh(ListId::lstQuarantinedItems);
}

void frmMain::cmdRestoreQuarantined_Click() {
  LongOperation busy(*this);
  const RestoreReport report = removal.RestoreSelected();
  ShowQuarantineListing(report.packages);
  ctx.YieldToHost();
  if (report.failed > 0)
    ctx.messages().Show(std::to_string(report.failed) + " items could not be restored and were kept in quarantine.",
                        kDefaultTitle, MsgButtons::Ok, MsgIcon::Exclamation);
  Refresh(ListId::lstQuarantinedList);
}

void frmMain::cmdDeleteQuarantined_Click() {
  LongOperation busy(*this);
  ShowQuarantineListing(removal.PurgeSelected().packages);
  ctx.YieldToHost();
  Refresh(ListId::lstQuarantinedList);
}

void frmMain::mnuQuarantineListAll_Click() {
  removal.SelectAllPackages();
  Refresh(ListId::lstQuarantinedList);
}
void frmMain::mnuQuarantineListNone_Click() {
  removal.SelectNoPackages();
  Refresh(ListId::lstQuarantinedList);
}
void frmMain::mnuQuarantineListInverse_Click() {
  removal.InvertPackages();
  Refresh(ListId::lstQuarantinedList);
}

void frmMain::lstQuarantinedList_MouseUp(int button) {
  if (button == kRightButton && Allowed(Command::mnuQuarantineListAll)) view.ShowPopupMenu(Menu::mnuQuarantineList);
}

void frmMain::lstQuarantinedList_DblClick() { Run(Command::cmdViewData); }

void frmMain::cmdBack_Click() {
  ShowQuarantined();
  removal.lstQuarantinedItems.Clear();
  Refresh(ListId::lstQuarantinedItems);
}

}  // namespace morvane
