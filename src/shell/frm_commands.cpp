// The main window's commands: each asks the command rule first.
#include "shell/frm_main.h"
#include "store/server_address.h"

namespace morvane {

namespace {
constexpr int kShowNormal = 1;
constexpr int kRightButton = 2;
}  // namespace

void frmMain::Run(Command c) {
  using C = Command;
  switch (c) {
    case C::lblCmdStatus: lblCmdStatus_Click(); break;
    case C::lblCmdScan: lblCmdScan_Click(); break;
    case C::lblCmdSettings: lblCmdSettings_Click(); break;
    case C::lblCmdHelp: lblCmdHelp_Click(); break;
    case C::lblCmdCheckForUpdates: lblCmdCheckForUpdates_Click(); break;
    case C::lblCmdDBaseUpdate: lblCmdDBaseUpdate_Click(); break;
    case C::lblCmdOpenIgnoreList: lblCmdOpenIgnoreList_Click(); break;
    case C::lblCmdOpenQuarList: lblCmdOpenQuarList_Click(); break;
    case C::chkSettings:
    case C::chkStartWithWindows:
    case C::optScanMode: break;  // they carry a value: called directly
    case C::lblCmdActiveProtectionSett: lblCmdActiveProtectionSett_Click(); break;
    case C::lblCmdHomepageProtectSett: lblCmdHomepageProtectSett_Click(); break;
    case C::lblCmdAdvancedRegBackup: lblCmdAdvancedRegBackup_Click(); break;
    case C::lblCmdCustomizeScan: lblCmdCustomizeScan_Click(); break;
    case C::lblCmdSelectDrvFolderScan: lblCmdSelectDrvFolderScan_Click(); break;
    case C::cmdNextScan: cmdNextScan_Click(); break;
    case C::cmdAbortNextResults: cmdAbortNextResults_Click(); break;
    case C::cmdIgnoreSelected: cmdIgnoreSelected_Click(); break;
    case C::cmdQuarantineSelected: cmdQuarantineSelected_Click(); break;
    case C::cmdNextDelete: cmdNextDelete_Click(); break;
    case C::mnuResultListAll: mnuResultListAll_Click(); break;
    case C::mnuResultListNone: mnuResultListNone_Click(); break;
    case C::mnuResultListInverse: mnuResultListInverse_Click(); break;
    case C::cmdIgnoreIremovable: cmdIgnoreIremovable_Click(); break;
    case C::cmdFinish: cmdFinish_Click(); break;
    case C::cmdDeleteSelected: cmdDeleteSelected_Click(); break;
    case C::mnuIgnoreListAll: mnuIgnoreListAll_Click(); break;
    case C::mnuIgnoreListNone: mnuIgnoreListNone_Click(); break;
    case C::mnuIgnoreListInverse: mnuIgnoreListInverse_Click(); break;
    case C::cmdViewData: cmdViewData_Click(); break;
    case C::cmdRestoreQuarantined: cmdRestoreQuarantined_Click(); break;
    case C::cmdDeleteQuarantined: cmdDeleteQuarantined_Click(); break;
    case C::mnuQuarantineListAll: mnuQuarantineListAll_Click(); break;
    case C::mnuQuarantineListNone: mnuQuarantineListNone_Click(); break;
    case C::mnuQuarantineListInverse: mnuQuarantineListInverse_Click(); break;
    case C::cmdBack: cmdBack_Click(); break;
    case C::Exit: mnuPopUpExit_Click(); break;
    case C::AutoScan:
      if (Allowed(c)) RunScan(true);
      break;
  }
}

// ---- navigation ----------------------------------------------------------------

void frmMain::StatusCommand() {
  ShowStatus();
  StatusInfoDisplay();
}

void frmMain::lblCmdStatus_Click() {
  if (Allowed(Command::lblCmdStatus)) StatusCommand();
}

void frmMain::lblCmdScan_Click() {
  if (Allowed(Command::lblCmdScan)) ShowScanPrep();
}

void frmMain::lblCmdSettings_Click() {
  if (Allowed(Command::lblCmdSettings)) ShowSettings();
}

void frmMain::ShellOpen(const Text& file, const Text& directory) {
  ctx.shell().Execute(view.OwnerWindow(), "Open", file, "", directory, kShowNormal);
}

void frmMain::lblCmdHelp_Click() {
  if (!Allowed(Command::lblCmdHelp)) return;
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
  if (!Allowed(Command::lblCmdCheckForUpdates)) return;
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
  if (Allowed(Command::lblCmdDBaseUpdate)) StartUpdater();
}

void frmMain::lblCmdOpenIgnoreList_Click() {
  if (!Allowed(Command::lblCmdOpenIgnoreList)) return;
  LongOperation busy(*this);
  ignore.LoadIgnoredToList();
  ctx.YieldToHost();
  ShowIgnored();
}

void frmMain::lblCmdOpenQuarList_Click() {
  if (!Allowed(Command::lblCmdOpenQuarList)) return;
  LongOperation busy(*this);
  ShowQuarantineListing(removal.ListQuarantine());
  ShowQuarantined();
}

// ---- settings and scan selection screens ----------------------------------------

void frmMain::lblCmdActiveProtectionSett_Click() {
  if (Allowed(Command::lblCmdActiveProtectionSett)) parts_->OpenDialog(Dialog::ActiveProtection);
}
void frmMain::lblCmdHomepageProtectSett_Click() {
  if (Allowed(Command::lblCmdHomepageProtectSett)) parts_->OpenDialog(Dialog::HomePage);
}
void frmMain::lblCmdAdvancedRegBackup_Click() {
  if (Allowed(Command::lblCmdAdvancedRegBackup)) parts_->OpenDialog(Dialog::RegBackup);
}
void frmMain::lblCmdCustomizeScan_Click() {
  if (Allowed(Command::lblCmdCustomizeScan)) parts_->OpenDialog(Dialog::CustomScan);
}
void frmMain::lblCmdSelectDrvFolderScan_Click() {
  if (Allowed(Command::lblCmdSelectDrvFolderScan)) parts_->OpenDialog(Dialog::AddDir);
}
void frmMain::chkSettings_Click(int index, bool ticked) {
  if (Allowed(Command::chkSettings)) parts_->chkSettings_Click(index, ticked);
}
void frmMain::chkStartWithWindows_Click(bool ticked) {
  if (Allowed(Command::chkStartWithWindows)) parts_->chkStartWithWindows_Click(ticked);
}
void frmMain::optScanMode_Click(int index) {
  if (Allowed(Command::optScanMode)) parts_->optScanMode_Click(index);
}

// ---- scan ----------------------------------------------------------------------------

void frmMain::RunScan(bool autoScan) {
  LongOperation busy(*this);
  ShowScanProc();
  app.AutoScan = autoScan;
  scan.StartScan();
  // The scheduler's scan removes what it found at once.
  if (app.AutoScan) RemovalStep(true);
  ctx.YieldToHost();
}

void frmMain::cmdNextScan_Click() {
  if (Allowed(Command::cmdNextScan)) RunScan(false);
}

void frmMain::cmdAbortNextResults_Click() {
  if (!Allowed(Command::cmdAbortNextResults)) return;
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
  if (!Allowed(Command::cmdIgnoreSelected)) return;
  LongOperation busy(*this);
  ignore.IgnoreChecked();
}

void frmMain::cmdQuarantineSelected_Click() {
  if (!Allowed(Command::cmdQuarantineSelected)) return;
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
  if (!Allowed(Command::cmdNextDelete)) return;
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
  if (!Allowed(Command::mnuResultListAll)) return;
  removal.SelectAllResults();
  Refresh(ListId::lstScanResult);
}
void frmMain::mnuResultListNone_Click() {
  if (!Allowed(Command::mnuResultListNone)) return;
  removal.SelectNoResults();
  Refresh(ListId::lstScanResult);
}
void frmMain::mnuResultListInverse_Click() {
  if (!Allowed(Command::mnuResultListInverse)) return;
  removal.InvertResults();
  Refresh(ListId::lstScanResult);
}

void frmMain::cmdIgnoreIremovable_Click() {
  if (!Allowed(Command::cmdIgnoreIremovable)) return;
  LongOperation busy(*this);
  ignore.IgnoreCheckedManual();
}

void frmMain::cmdFinish_Click() {
  if (!Allowed(Command::cmdFinish)) return;
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
  if (!Allowed(Command::cmdDeleteSelected)) return;
  LongOperation busy(*this);
  ignore.DeleteSelected();
  Refresh(ListId::lstIgnoreList);
}

void frmMain::mnuIgnoreListAll_Click() {
  if (!Allowed(Command::mnuIgnoreListAll)) return;
  SelectAllRows(ignore.lstIgnoreList);
  Refresh(ListId::lstIgnoreList);
}
void frmMain::mnuIgnoreListNone_Click() {
  if (!Allowed(Command::mnuIgnoreListNone)) return;
  SelectNoRows(ignore.lstIgnoreList);
  Refresh(ListId::lstIgnoreList);
}
void frmMain::mnuIgnoreListInverse_Click() {
  if (!Allowed(Command::mnuIgnoreListInverse)) return;
  InvertRowSelection(ignore.lstIgnoreList);
  Refresh(ListId::lstIgnoreList);
}

void frmMain::lstIgnoreList_MouseUp(int button) {
  if (button == kRightButton && Allowed(Command::mnuIgnoreListAll)) view.ShowPopupMenu(Menu::mnuIgnoreList);
}

// ---- quarantine screens -------------------------------------------------------------

void frmMain::cmdViewData_Click() {
  if (!Allowed(Command::cmdViewData)) return;
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
  if (!Allowed(Command::cmdRestoreQuarantined)) return;
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
  if (!Allowed(Command::cmdDeleteQuarantined)) return;
  LongOperation busy(*this);
  ShowQuarantineListing(removal.PurgeSelected().packages);
  ctx.YieldToHost();
  Refresh(ListId::lstQuarantinedList);
}

void frmMain::mnuQuarantineListAll_Click() {
  if (!Allowed(Command::mnuQuarantineListAll)) return;
  removal.SelectAllPackages();
  Refresh(ListId::lstQuarantinedList);
}
void frmMain::mnuQuarantineListNone_Click() {
  if (!Allowed(Command::mnuQuarantineListNone)) return;
  removal.SelectNoPackages();
  Refresh(ListId::lstQuarantinedList);
}
void frmMain::mnuQuarantineListInverse_Click() {
  if (!Allowed(Command::mnuQuarantineListInverse)) return;
  removal.InvertPackages();
  Refresh(ListId::lstQuarantinedList);
}

void frmMain::lstQuarantinedList_MouseUp(int button) {
  if (button == kRightButton && Allowed(Command::mnuQuarantineListAll)) view.ShowPopupMenu(Menu::mnuQuarantineList);
}

void frmMain::lstQuarantinedList_DblClick() { cmdViewData_Click(); }

void frmMain::cmdBack_Click() {
  if (!Allowed(Command::cmdBack)) return;
  ShowQuarantined();
  removal.lstQuarantinedItems.Clear();
  Refresh(ListId::lstQuarantinedItems);
}

}  // namespace morvane
