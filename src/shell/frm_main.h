// The main window's logic: start-up, the nine screens, navigation, the
// result, manual-removal, ignore and quarantine screens' commands, exit,
// the status screen and the progress bar. It owns the program's state and
// engines and draws through IMainView.
//
// Seams (IMainWindowParts): ApplySettings, the settings screen's boxes, the
// five dialogs, the tray icon, minimizing, and the tmrTimer and
// tmrHomePageCheck ticks belong to a parts object installed with SetParts;
// it reaches the window only through the PartsHost it is given.
#pragma once
#include <array>
#include <functional>
#include <memory>

#include "database/database.h"
#include "removal/removal_engine.h"
#include "removal/store_hooks.h"
#include "scanner/scan_engine.h"
#include "shell/commands.h"
#include "shell/main_view.h"
#include "shell/scrolling_bar.h"
#include "store/app_state.h"
#include "store/ignore_list.h"
#include "store/settings.h"

namespace morvane {

// The parts' duties. This base does none of them: a window without parts
// has no settings screen, dialogs, tray icon or background work.
class IMainWindowParts {
 public:
  virtual ~IMainWindowParts() = default;
  // Settings table to screen, timers and status labels.
  virtual void ApplySettings() {}
  virtual void chkSettings_Click(int /*index*/, bool /*ticked*/) {}
  virtual void chkStartWithWindows_Click(bool /*ticked*/) {}
  virtual void optScanMode_Click(int /*index*/) {}
  virtual void OpenDialog(Dialog) {}
  // Unloads whichever dialogs are loaded (exit).
  virtual void UnloadDialogs() {}
  virtual void AddToSystemTray() {}
  virtual void RemoveFromSystemTray() {}
  // The window was minimized or restored by the user.
  virtual void Form_Resize(WindowState) {}
  virtual void tmrTimer_Timer() {}
  virtual void tmrHomePageCheck_Timer() {}
};

// What the parts may use of the main window.
struct PartsHost {
  Context& ctx;
  AppState& app;
  IMainView& view;
  Text programVersion;
  std::function<void()> autoScan;  // a scan due, through the command rule
  std::function<void()> exit;      // the tray menu's "Exit"
  std::function<void()> saveData;
  std::function<void()> statusInfoDisplay;
  std::function<void(Label, const Text&)> setCaption;
};

class frmMain {
 public:
  // programVersion: "major.minor.revision" of the running program.
  frmMain(Context& ctx, IMainView& view, Text programVersion);
  ~frmMain();
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  // Installs the parts; null removes them.
  void SetParts(IMainWindowParts* parts);
  // What the parts are given of the window.
  PartsHost Host();

  // Start-up. False when the program must end (the view has been closed).
  bool Form_Load();
  // Exit, called by the view when the window is asked to close. True =
  // cancel: the window stays open; false: the view closes it.
  bool Form_Unload();
  // Windows ends the session without closing the window: it may, by the
  // exit rule (not while a long operation runs or its results wait); when it
  // does, the settings are saved as Exit saves them.
  bool QueryEndSession() { return Allowed(Command::Exit); }
  void EndSession();
  // The tray menu's "Exit": Form_Unload, then CloseProgram unless cancelled.
  void mnuPopUpExit_Click();

  // Every command through its rule, once; refused commands do nothing.
  // Boxes and options carry their index and state.
  void Run(Command command, int index = 0, bool ticked = true);
  bool Allowed(Command command) const { return IsCommandAllowed(command, State()); }
  CommandState State() const;

  // List events. button: 1 left, 2 right.
  void lstScanResult_MouseUp(int button);
  void lstIgnoreList_MouseUp(int button);
  void lstQuarantinedList_MouseUp(int button);
  void lstQuarantinedList_DblClick();
  // The user ticked or unticked a row (rows from 1).
  void SetRowChecked(ListId list, size_t row, bool checked);
  // The user selected a row (0 = none).
  void SelectRow(ListId list, size_t row);
  const ListView& Table(ListId list) const;

  // Timers.
  void tmrScrollingBar_Timer();
  void tmrTimer_Timer() { parts_->tmrTimer_Timer(); }
  void tmrHomePageCheck_Timer() { parts_->tmrHomePageCheck_Timer(); }
  // The user minimized or restored the window.
  void Form_Resize(WindowState state) { parts_->Form_Resize(state); }

  // Read-only views for the window and for tests.
  const AppState& App() const { return app; }
  const ScanEngine& Scan() const { return scan; }
  const RemovalEngine& Removal() const { return removal; }
  // Form_Load has run to its end.
  bool Started() const { return started; }

 private:
  Context& ctx;
  IMainView& view;
  const Text programVersion;
  AppState app;
  SettingsStore store;

  class ScanViewAdapter;
  // Marks a long handler for the command rule while it runs.
  class LongOperation {
   public:
    explicit LongOperation(frmMain& f);
    ~LongOperation();

   private:
    frmMain& f_;
  };

  // The nine screens.
  void ShowStatus();
  void ShowSettings();
  void ShowScanPrep();
  void ShowScanProc();
  void ShowScanResult();
  void ShowIremovable();
  void ShowIgnored();
  void ShowQuarantined();
  void ShowQItems();

  // ShowScanProc, AutoScan, the scan (and, for a scheduler scan, its removal); yield.
  void RunScan(bool autoScan);
  // The database file is read again when it changed since it was loaded
  // (the updater put a new one in place); it must hold records, or a message
  // says so: a scan without them would find nothing and call the machine clean.
  bool DatabaseReady();
  // Starts the database updater through the shell.
  void StartUpdater();
  void StatusInfoDisplay();
  void ApplySettings() { parts_->ApplySettings(); }
  // Sets a label caption and keeps it for State readers.
  void SetCaption(Label label, const Text& caption);
  const Text& Caption(Label label) const { return captions_[size_t(label)]; }
  // SaveData, once start-up has loaded the tables: before that the files
  // hold the only copy (a minimize during loading must not overwrite them).
  void SaveData();

  friend const CommandRow& CommandInfo(Command command);
  // Command handlers, reached through the command table (Run).
  void lblCmdStatus_Click();
  void lblCmdScan_Click();
  void lblCmdSettings_Click();
  void lblCmdHelp_Click();
  void lblCmdCheckForUpdates_Click();
  void lblCmdDBaseUpdate_Click();
  void lblCmdOpenIgnoreList_Click();
  void lblCmdOpenQuarList_Click();
  void lblCmdActiveProtectionSett_Click();
  void lblCmdHomepageProtectSett_Click();
  void lblCmdAdvancedRegBackup_Click();
  void lblCmdCustomizeScan_Click();
  void lblCmdSelectDrvFolderScan_Click();
  void chkSettings_Click(int index, bool ticked);
  void chkStartWithWindows_Click(int, bool ticked);
  void optScanMode_Click(int index, bool ticked);
  void cmdNextScan_Click();
  void cmdAbortNextResults_Click();
  void cmdIgnoreSelected_Click();
  void cmdQuarantineSelected_Click();
  void cmdNextDelete_Click();
  void mnuResultListAll_Click();
  void mnuResultListNone_Click();
  void mnuResultListInverse_Click();
  void cmdIgnoreIremovable_Click();
  void cmdFinish_Click();
  void cmdDeleteSelected_Click();
  void mnuIgnoreListAll_Click();
  void mnuIgnoreListNone_Click();
  void mnuIgnoreListInverse_Click();
  void cmdViewData_Click();
  void cmdRestoreQuarantined_Click();
  void cmdDeleteQuarantined_Click();
  void mnuQuarantineListAll_Click();
  void mnuQuarantineListNone_Click();
  void mnuQuarantineListInverse_Click();
  void cmdBack_Click();
  void AutoScan_Run() { RunScan(true); }

  // Tells the view which commands may run now.
  void UpdateCommands();
  void StatusCommand();  // lblCmdStatus without its rule (the removal step's report)
  // The removal step (all: every row, the scheduler's) and where it leads.
  void RemovalStep(bool all);
  // Says how many ticked rows the Ignore List could not take.
  void TellRefusedIgnores(size_t refused);
  // The quarantine listing's count caption and lists.
  void ShowQuarantineListing(size_t packages);
  void Show(Screen screen);
  void Refresh(ListId list);
  void SetScanPhase(ScanPhase phase);
  void SetResultButtonsEnabled(bool enabled);
  void ShellOpen(const Text& file, const Text& directory);

  std::unique_ptr<ScanViewAdapter> scanView_;
  std::unique_ptr<ScanViewAdapter> hooksView_;

  StoreScanHooks scanHooks;
  RemovalEngine removal;
  ScanEngine scan;
  IgnoreList ignore;
  DatabaseLoader database;

  Screen screen = Screen::Status;
  ScanPhase scanPhase = ScanPhase::Running;
  bool resultButtonsEnabled = true;
  int longOperations = 0;
  ScrollShape shpScrolling{kBarRestLeft, kBarWidth};
  ScrollShape picScrolling{0, kStripWidth};
  bool scrollingBarOn = false;
  bool started = false;  // Form_Load has run to its end
  bool tablesLoaded = false;  // the five settings tables hold their files

  IMainWindowParts noParts_;
  IMainWindowParts* parts_;
  std::array<Text, kLabelCount> captions_;
};

}  // namespace morvane
