// The main window: state, engines, start-up, screens and exit.
#include "shell/frm_main.h"
#include "store/app_settings.h"

#include "database/folders.h"
#include "removal/store_hooks.h"
#include "shell/status_page.h"
#include "store/reg_backups.h"

namespace morvane {

// The scan engine's view: counters, current operation, Abort/Next, progress bar.
// The stored lists' hooks get one that paints at once: the registry export
// after its caption blocks the window.
class frmMain::ScanViewAdapter : public IScanView {
 public:
  ScanViewAdapter(frmMain& f, bool paintAtOnce) : f_(f), paintAtOnce_(paintAtOnce) {}
  void CounterChanged(Counter c) override { f_.SetCaption(CounterLabel(c), f_.app.counter(c)); }
  void SetCurrentOperation(const Text& caption) override {
    f_.SetCaption(Label::lblCurrentOperation, caption);
    if (paintAtOnce_) f_.view.PaintNow();
  }
  void SetScanPhase(ScanPhase phase) override { f_.SetScanPhase(phase); }
  void StartScrollingBar() override {
    f_.scrollingBarOn = true;
    f_.view.SetTimerEnabled(Timer::tmrScrollingBar, true);
  }
  void StopScrollingBar() override {
    f_.scrollingBarOn = false;
    f_.view.SetTimerEnabled(Timer::tmrScrollingBar, false);
    f_.shpScrolling.Left = kBarRestLeft;
    f_.view.SetScrollingBarLeft(kBarRestLeft);
  }

 private:
  frmMain& f_;
  const bool paintAtOnce_;
};

// The removal and quarantine code's view. Its status screen is the status
// command without the command's rule: the removal step that calls it is
// itself the operation the rule waits for.
class frmMain::RemovalViewAdapter : public IRemovalView {
 public:
  explicit RemovalViewAdapter(frmMain& f) : f_(f) {}
  void SetResultButtonsEnabled(bool enabled) override { f_.SetResultButtonsEnabled(enabled); }
  void ShowIremovable() override { f_.ShowIremovable(); }
  void ShowStatus() override { f_.StatusCommand(); }
  void ShowQuarantined() override { f_.ShowQuarantined(); }
  void ShowQItems() override { f_.ShowQItems(); }
  void SetQuarantinedCount(const Text& caption) override { f_.SetCaption(Label::lblNoQuarantined, caption); }
  void RefreshQuarantineLists() override {
    f_.Refresh(ListId::lstQuarantinedList);
    f_.Refresh(ListId::lstQuarantinedItems);
  }

 private:
  frmMain& f_;
};

frmMain::LongOperation::LongOperation(frmMain& f) : f_(f) { ++f_.longOperations; }
frmMain::LongOperation::~LongOperation() { --f_.longOperations; }

frmMain::frmMain(Context& c, IMainView& v, Text version)
    : ctx(c),
      view(v),
      programVersion(std::move(version)),
      store(ctx, app),
      scanView_(std::make_unique<ScanViewAdapter>(*this, false)),
      hooksView_(std::make_unique<ScanViewAdapter>(*this, true)),
      removalView_(std::make_unique<RemovalViewAdapter>(*this)),
      scanHooks(*hooksView_),
      removal(ctx, app, *removalView_, StoreHooks(ctx, store, app, [this] { scan.ResetUsedValues(); })),
      scan(ctx, app, *scanView_, &scanHooks, &removal),
      ignore(ctx, app, [this] { store.SaveData(); }),
      database(ctx, app.programFolder, app.lstDBaseFile),
      basicParts_(*this),
      parts_(&basicParts_) {
  app.programFolder = ctx.system().ProgramFolder();
}

frmMain::~frmMain() = default;

void frmMain::SetParts(IMainWindowParts* parts) { parts_ = parts ? parts : &basicParts_; }

CommandState frmMain::State() const {
  return CommandState{ctx.OperationInProgress, longOperations > 0, screen, scanPhase, resultButtonsEnabled};
}

// ---- start-up and exit -----------------------------------------------------

bool frmMain::Form_Load() {
  LongOperation busy(*this);
  ctx.OperationInProgress = false;
  SetCaption(Label::lblLoading, "Initializing...");
  ctx.YieldToHost();
  store.CheckSettings();
  ctx.YieldToHost();
  store.LoadAllFiles();
  tablesLoaded = true;
  PruneRegBackups(ctx, app);
  ShellUpdaterLauncher launcher(ctx, app.programFolder);
  if (!database.EnsureDatabase(launcher, view.OwnerWindow())) {
    // Declined: the window closes as at exit, and no later step runs.
    store.SaveData();
    parts_->RemoveFromSystemTray();
    view.CloseProgram();
    return false;
  }
  SetCaption(Label::lblLoading, "Unlocking Data Base...");
  ctx.YieldToHost();
  database.LoadDatabase();
  ApplySettings();
  ctx.YieldToHost();
  view.SetWindowState(Settings(app).StartMinimized() ? WindowState::Minimized : WindowState::Normal);
  view.CenterWindow();
  parts_->AddToSystemTray();
  ShowStatus();
  ctx.YieldToHost();
  DiscoverFolders(ctx, app.folders);
  SetCaption(Label::lblLoading, "Finished.");
  ctx.YieldToHost();
  // Also when the window starts minimized and is never activated.
  view.UnloadSplash();
  started = true;
  if (Settings(app).ScanAtStart()) RunScan(false);
  return true;
}

void frmMain::SaveData() {
  if (tablesLoaded) store.SaveData();
}

bool frmMain::Form_Unload() {
  if (!Allowed(Command::Exit)) return true;
  // Nothing may start in the yields of closing: the window goes.
  LongOperation busy(*this);
  store.SaveData();
  ctx.YieldToHost();
  parts_->UnloadDialogs();
  parts_->RemoveFromSystemTray();
  ctx.YieldToHost();
  return false;
}

void frmMain::mnuPopUpExit_Click() {
  if (!Form_Unload()) view.CloseProgram();
}

// ---- screens -----------------------------------------------------------------

void frmMain::Show(Screen s) {
  screen = s;
  view.ShowScreen(s);
  switch (s) {
    case Screen::ScanProc:
      for (size_t i = 0; i < kCounterCount; ++i) SetCaption(Label(i), app.counters[i]);
      break;
    case Screen::ScanResult: Refresh(ListId::lstScanResult); break;
    case Screen::Iremovable: Refresh(ListId::lstIremovable); break;
    case Screen::IgnoreList: Refresh(ListId::lstIgnoreList); break;
    case Screen::Quarantined: Refresh(ListId::lstQuarantinedList); break;
    case Screen::QItems: Refresh(ListId::lstQuarantinedItems); break;
    default: break;
  }
}

void frmMain::ShowStatus() { Show(Screen::Status); }
void frmMain::ShowSettings() { Show(Screen::Settings); }
void frmMain::ShowScanPrep() { Show(Screen::ScanPrep); }
void frmMain::ShowScanProc() { Show(Screen::ScanProc); }
void frmMain::ShowScanResult() { Show(Screen::ScanResult); }
void frmMain::ShowIremovable() { Show(Screen::Iremovable); }
void frmMain::ShowIgnored() { Show(Screen::IgnoreList); }
void frmMain::ShowQuarantined() { Show(Screen::Quarantined); }
void frmMain::ShowQItems() { Show(Screen::QItems); }

void frmMain::Refresh(ListId list) { view.RefreshList(list, Table(list)); }

const ListView& frmMain::Table(ListId list) const {
  switch (list) {
    case ListId::lstScanResult: return app.lstScanResult;
    case ListId::lstIremovable: return app.lstIremovable;
    case ListId::lstIgnoreList: return ignore.lstIgnoreList;
    case ListId::lstQuarantinedList: return removal.lstQuarantinedList;
    case ListId::lstQuarantinedItems: return removal.lstQuarantinedItems;
  }
  return app.lstScanResult;
}

void frmMain::SetRowChecked(ListId list, size_t row, bool checked) {
  ListView& table = const_cast<ListView&>(Table(list));
  // A running operation reads the ticks: the click is undone on screen.
  if (longOperations == 0 && row >= 1 && row <= table.Count()) table.Item(row).checked = checked;
  else Refresh(list);
}

void frmMain::SelectRow(ListId list, size_t row) {
  if (list == ListId::lstQuarantinedList && longOperations == 0)
    removal.selectedQuarantined = row <= removal.lstQuarantinedList.Count() ? row : 0;
}

void frmMain::SetCaption(Label label, const Text& caption) {
  captions_[size_t(label)] = caption;
  view.SetCaption(label, caption);
}

void frmMain::SetScanPhase(ScanPhase phase) {
  scanPhase = phase;
  view.SetButtonCaption(Button::cmdAbortNextResults, AbortNextCaption(phase));
}

void frmMain::SetResultButtonsEnabled(bool enabled) {
  resultButtonsEnabled = enabled;
  for (Button b : {Button::cmdNextDelete, Button::cmdQuarantineSelected, Button::cmdIgnoreSelected})
    view.SetButtonEnabled(b, enabled);
}

// ---- status screen and progress bar --------------------------------------------

void frmMain::StatusInfoDisplay() {
  morvane::StatusInfoDisplay(
      ctx, app, [this](Label l, const Text& t) { SetCaption(l, t); }, removal.lstQuarantinedFiles);
}

void frmMain::tmrScrollingBar_Timer() {
  // A tick still queued when the scan stopped leaves the bar at rest.
  if (!scrollingBarOn) return;
  MoveScrollingBar(ctx, shpScrolling, picScrolling, kBarStep);
  if (!scrollingBarOn) shpScrolling.Left = kBarRestLeft;
  view.SetScrollingBarLeft(shpScrolling.Left);
  ctx.YieldToHost();
}

// ---- basic parts -----------------------------------------------------------------

void BasicMainWindowParts::ApplySettings() {
  frmMain& f = form_;
  f.SetCaption(Label::lblDBaseVer, f.app.lstDBaseFile.Empty() ? Text() : f.app.lstDBaseFile.Item(1).text);
  f.StatusInfoDisplay();
  f.SetCaption(Label::lblAppVersion, f.programVersion);
  const Settings settings(f.app);
  for (int i = 0; i < kSettingsBoxCount; ++i)
    f.view.SetChecked(Check(int(Check::chkSettings0) + i), settings.On(Settings::BoxLine(i)));
  for (int i = 0; i < kScanModeCount; ++i)
    f.view.SetChecked(Check(int(Check::optScanMode0) + i), settings.ScanModeIs(ScanMode(i)));
}

void BasicMainWindowParts::chkSettings_Click(int index, bool ticked) {
  if (index < 0 || index >= kSettingsBoxCount) return;
  Settings(form_.app).SetOn(Settings::BoxLine(index), ticked);
  ApplySettings();
}

void BasicMainWindowParts::optScanMode_Click(int index) {
  Settings(form_.app).SetScanMode(index);
  ApplySettings();
}

void BasicMainWindowParts::OpenDialog(Dialog dialog) { form_.view.ShowDialog(dialog); }
void BasicMainWindowParts::AddToSystemTray() { form_.view.SetTrayIcon(true); }
void BasicMainWindowParts::RemoveFromSystemTray() { form_.view.SetTrayIcon(false); }

}  // namespace morvane
