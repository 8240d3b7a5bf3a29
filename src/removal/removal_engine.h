// The removal step that ends every scan, the quarantine store, and the
// quarantine screens' list, view, restore and purge logic.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/context.h"
#include "removal/removal_machine.h"
#include "removal/removal_view.h"
#include "removal/selection.h"
#include "scanner/scan_view.h"
#include "store/app_state.h"

namespace morvane {

// Item numbers are 16-bit signed: 10000 to 32767 in one session folder.
constexpr int32_t kFirstQuarantineNumber = 10000;
constexpr int32_t kLastQuarantineNumber = 32767;

// Size text of a quarantine package: bytes, KB, MB or GB with up to three
// decimals after the given separator.
Text QuarantineSizeText(uint64_t size, const Text& decimalSeparator = ".");
// The user's decimal separator, "." when the system does not say.
Text UserDecimalSeparator(Context& ctx);

// Image of a quarantine item by its type word; 0 when the word is not one of the six.
int QuarantineItemImage(const Text& typeWord);

// What one removal step left for the next start of Windows: the locations of
// the rows whose files are in use and go then (not counted as removed).
struct RemovalReport {
  std::vector<Text> atRestart;
};

// The message that tells how many objects wait for the restart.
inline Text AtRestartMessage(size_t count) {
  return std::to_string(count) + " objects will be removed when Windows restarts.";
}

class RemovalEngine : public IRemovalStep {
 public:
  RemovalEngine(Context& ctx, AppState& app, IRemovalView& view, RemovalHooks hooks = {})
      : ctx_(ctx), app_(app), ops_(ctx, app, std::move(hooks)), view_(view) {}

  // Result screen. RemoveSelected is the removal step; the window tells the
  // user what it left for the restart.
  RemovalReport RemoveSelected();
  void cmdNextDelete_Click() override { RemoveSelected(); }
  void cmdQuarantineSelected_Click();
  void mnuResultListAll_Click() { SelectAllRows(app_.lstScanResult); }
  void mnuResultListNone_Click() { SelectNoRows(app_.lstScanResult); }
  void mnuResultListInverse_Click() { InvertRowSelection(app_.lstScanResult); }

  // Shared removal routines.
  void DeleteListedFiles();
  void WipeFolder(const Text& folder);
  // A purged package goes whole: the listing never shows "desktop.ini", so the
  // wipe leaves any such file (Explorer writes one) and the folders holding it.
  void RemoveWipedTree(const Text& folder);

  // Quarantine screens.
  void lblCmdOpenQuarList_Click();
  void LoadToQuarantineList();
  void cmdViewData_Click();
  void cmdRestoreQuarantined_Click();
  void cmdDeleteQuarantined_Click();
  void mnuQuarantineListAll_Click() { SelectAllRows(lstQuarantinedList); }
  void mnuQuarantineListNone_Click() { SelectNoRows(lstQuarantinedList); }
  void mnuQuarantineListInverse_Click() { InvertRowSelection(lstQuarantinedList); }

  enum class StoreResult { Stored, Failed, NoFreeNumber };
  // Stores one result row in the current session folder; logs nothing.
  StoreResult StoreRow(const ListItem& row);

  // The temporary registry export/import file.
  Text TemporaryRegFile() const;
  bool AutoEraseMode() const;
  // CustomScan.stg line 3: keep a quarantine copy of every row before removing it.
  bool QuarantineOptionOn() const;

  // Called after each checked row's removal: the row, the index in lstLog of
  // the first line its removal wrote, and the quarantine item number stored
  // for it in the session folder (0: none).
  std::function<void(const ListItem& row, size_t firstLogLine, int32_t storedItem)> onRowRemoved;

  // Quarantine screen tables.
  ListView lstQuarantinedList;    // package name, size, items
  ListBox lstQuarantinedFiles;    // entry names behind lstQuarantinedList
  ListView lstQuarantinedItems;   // type, item name, original path
  size_t selectedQuarantined = 0; // selected row of lstQuarantinedList, 0 = none

 private:
  // The row names a location removal and restore never touch.
  bool Protected(const ListItem& row) const;
  void RemoveRow(const ListItem& row);
  void RemoveCookie(const ListItem& row);
  void RemoveFileRow(const ListItem& row);
  void RemoveFolderRow(const ListItem& row);
  void EndProcessesOf(const Text& location);
  bool RemoveLeftoversAtRestart(const Text& folder);
  void RemoveRegKey(const ListItem& row);
  void RemoveRegValue(const ListItem& row);
  bool QuarantineBeforeRemoval(const ListItem& row, const Text& what, bool autoEraseCopies);
  void CleanEmptySession();
  // Empties and removes a folder tree (a package being purged).
  void PurgeFolder(const Text& folder);
  void ResetHomePage();
  void UpdateStatistics();
  bool RestoreItem(const Text& package, const Text& itemFile);
  Text QuarantineRoot() const { return app_.programFolder + "\\Quarantine\\"; }
  Text SessionFolder() const { return QuarantineRoot() + app_.QuarantineSession; }
  void Log(const Text& line) { app_.lstLog.push_back(line); }

  int32_t storedItem_ = 0;  // of the row being removed
  Context& ctx_;
  AppState& app_;
  RemovalMachine ops_;
  IRemovalView& view_;
  std::vector<Text> atRestart_;
};

}  // namespace morvane
