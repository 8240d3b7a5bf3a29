// What the main window logic (frmMain) asks of the window that shows it.
// The Win32 window implements IMainView; tests implement it with a recorder.
//
// Tables and check boxes: the logic's tables (ListView rows) hold the check
// state and the selection. The view draws a list from its table when told
// (RefreshList) and writes the user's clicks back through
// frmMain::SetRowChecked and frmMain::SelectRow; it never keeps a state of
// its own that the logic would have to read back.
//
// Positions are in twips (the logic's unit); the view converts to pixels.
#pragma once
#include <bitset>
#include <cstddef>

#include "platform/tables.h"
#include "store/app_state.h"

namespace morvane {

// The nine screens (panels); exactly one is visible.
enum class Screen { Status, Settings, ScanPrep, ScanProc, ScanResult, Iremovable, IgnoreList, Quarantined, QItems };
constexpr size_t kScreenCount = 9;

// Title label text of a screen ("Morvane - Status", ...).
const char* ScreenTitle(Screen screen);

// Labels whose captions the logic sets. The first ten are the counters, in
// the order of Counter.
enum class Label {
  lblScannedObjects,
  lblObjectsRecognized,
  lblObjectsIgnored,
  lblNewObjects,
  lblProcessesIdentified,
  lblFilesIdentified,
  lblFoldersIdentified,
  lblRegKeysIdentified,
  lblRegValuesIdentified,
  lblRunningProcesses,
  lblCurrentOperation,  // scan progress screen; painted at once
  // Status screen values.
  lblCurrentIP,
  lblLastScan,
  lblNoOfScans,
  lblTotalItemsRemoved,
  lblNoInIgnoreList,
  lblNoQuarantined,
  lblDBaseVer,
  lblAppVersion,
  lblNextAutoScanIn,
  lblLoading,  // the splash window's label; painted at once
};
constexpr size_t kLabelCount = size_t(Label::lblLoading) + 1;

inline Label CounterLabel(Counter c) { return Label(size_t(c)); }

// Every user command of the main window (the key of the command table).
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
// The commands that may run now: the view enables their controls, disables the rest.
using CommandSet = std::bitset<kCommandCount>;

enum class Button {
  cmdNextScan,
  cmdAbortNextResults,
  cmdIgnoreSelected,
  cmdQuarantineSelected,
  cmdNextDelete,
  cmdIgnoreIremovable,
  cmdFinish,
  cmdDeleteSelected,
  cmdViewData,
  cmdRestoreQuarantined,
  cmdDeleteQuarantined,
  cmdBack,
};

// Check boxes and option buttons of the settings and scan selection screens.
enum class Check {
  chkSettings0,
  chkSettings1,
  chkSettings2,
  chkSettings3,
  chkSettings4,
  chkSettings5,
  chkStartWithWindows,
  optScanMode0,
  optScanMode1,
  optScanMode2,
};

// The list views the logic fills.
enum class ListId { lstScanResult, lstIremovable, lstIgnoreList, lstQuarantinedList, lstQuarantinedItems };

enum class Timer { tmrScrollingBar, tmrTimer, tmrHomePageCheck };

enum class Menu { mnuResultList, mnuIgnoreList, mnuQuarantineList, mnuPopUp };

// The modal dialogs opened from the settings and scan selection screens.
enum class Dialog { ActiveProtection, HomePage, RegBackup, CustomScan, AddDir };

enum class WindowState { Normal, Minimized };

class IMainView {
 public:
  virtual ~IMainView() = default;

  // Shows one panel and its title label, hides the other eight.
  virtual void ShowScreen(Screen screen) = 0;
  virtual void SetCaption(Label label, const Text& caption) = 0;
  virtual void SetButtonCaption(Button button, const Text& caption) = 0;
  // After every change of the command rule's state: the controls of the
  // commands in the set are enabled, every other command's are disabled.
  virtual void SetCommandsEnabled(const CommandSet& allowed) = 0;
  // Ticks a box or selects an option without running its click handler.
  virtual void SetChecked(Check box, bool checked) = 0;
  // Redraws a list view from its table (rows, sub-items, icons, checks).
  virtual void RefreshList(ListId list, const ListView& table) = 0;
  // A pop-up menu at the mouse position.
  virtual void ShowPopupMenu(Menu menu) = 0;
  virtual void SetTimerEnabled(Timer timer, bool enabled) = 0;
  // Left edge of shpScrolling inside picScrolling, in twips.
  virtual void SetScrollingBarLeft(float twips) = 0;
  virtual void SetWindowState(WindowState state) = 0;
  // Centres the main window on the screen.
  virtual void CenterWindow() = 0;
  // Owner window of message boxes and shell starts.
  virtual win::HWnd OwnerWindow() = 0;
  // Closes the main window and the splash window: the program ends.
  virtual void CloseProgram() = 0;
  // Unloads the splash window (start-up has shown its last text).
  virtual void UnloadSplash() {}
  // Paints every caption set so far, before a step that blocks the window.
  virtual void PaintNow() {}
};

}  // namespace morvane
