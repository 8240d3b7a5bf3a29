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

frmMain::LongOperation::LongOperation(frmMain& f) : f_(f) {
  ++f_.longOperations;
  f_.UpdateCommands();
}
frmMain::LongOperation::~LongOperation() {
  --f_.longOperations;
  f_.UpdateCommands();
}

frmMain::frmMain(Context& c, IMainView& v, Text version)
    : ctx(c),
      view(v),
      programVersion(std::move(version)),
      store(ctx, app),
      scanView_(std::make_unique<ScanViewAdapter>(*this, false)),
      hooksView_(std::make_unique<ScanViewAdapter>(*this, true)),
      scanHooks(*hooksView_),
      removal(ctx, app, StoreHooks(ctx, store, app, [this] { scan.ResetUsedValues(); })),
      scan(ctx, app, *scanView_, &scanHooks),
      ignore(ctx, app, [this] { store.SaveData(); }),
      database(ctx, app.programFolder, app.lstDBaseFile),
      parts_(&noParts_) {
  app.programFolder = ctx.system().ProgramFolder();
}

frmMain::~frmMain() = default;

void frmMain::SetParts(IMainWindowParts* parts) { parts_ = parts ? parts : &noParts_; }

PartsHost frmMain::Host() {
  return PartsHost{ctx,
                   app,
                   view,
                   programVersion,
                   [this] { Run(Command::AutoScan); },
                   [this] { mnuPopUpExit_Click(); },
                   [this] { SaveData(); },
                   [this] { StatusInfoDisplay(); },
                   [this](Label l, const Text& t) { SetCaption(l, t); }};
}

CommandState frmMain::State() const {
  return CommandState{ctx.OperationInProgress, longOperations > 0, screen, scanPhase, resultButtonsEnabled};
}

void frmMain::UpdateCommands() { view.SetCommandsEnabled(AllowedCommands(State())); }

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

void frmMain::EndSession() { store.SaveData(); }

void frmMain::mnuPopUpExit_Click() {
  if (!Form_Unload()) view.CloseProgram();
}

// ---- screens -----------------------------------------------------------------

void frmMain::Show(Screen s) {
  screen = s;
  // The new screen's controls are enabled before it shows (and takes the focus).
  UpdateCommands();
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
  // The button is greyed while its caption changes: "Next" is never offered,
  // even for an instant, while the scan still holds the window.
  CommandSet greyed = AllowedCommands(State());
  greyed[size_t(Command::cmdAbortNextResults)] = false;
  view.SetCommandsEnabled(greyed);
  view.SetButtonCaption(Button::cmdAbortNextResults, AbortNextCaption(phase));
  UpdateCommands();
}

void frmMain::SetResultButtonsEnabled(bool enabled) {
  resultButtonsEnabled = enabled;
  UpdateCommands();
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

}  // namespace morvane
