// The removal step that ends every scan, the quarantine store, and the
// quarantine screens' list, view, restore and purge logic.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/context.h"
#include "removal/removal_machine.h"
#include "removal/selection.h"
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

// What one removal step did. Nothing happened when the user answered No to
// the question (cancelled): the scan stays open with its rows.
struct RemovalReport {
  bool cancelled = false;
  size_t rows = 0;     // checked rows worked on
  size_t removed = 0;  // objects counted as removed (the statistics line's rise)
  // Rows for removal by hand (their records carry a web address): the scan's
  // manual-removal list, taken before the scan's tables were emptied.
  ListView manual;
  // Locations of the rows whose files are in use and go at the next start of
  // Windows (not counted as removed).
  std::vector<Text> atRestart;
};

// The message that tells how many objects wait for the restart.
inline Text AtRestartMessage(size_t count) {
  return std::to_string(count) + " objects will be removed when Windows restarts.";
}

// What quarantining the checked rows did.
struct QuarantineReport {
  size_t stored = 0;
  size_t failed = 0;
  bool noFreeNumber = false;  // the package ran out of item numbers: the rest were not tried
};

// What restoring or purging the checked packages did; packages is the
// quarantine listing afterwards (the count caption).
struct RestoreReport {
  size_t restored = 0;
  size_t failed = 0;  // items kept in quarantine
  size_t packages = 0;
};
struct PurgeReport {
  size_t purged = 0;  // checked entries worked on
  size_t packages = 0;
};

class RemovalEngine {
 public:
  RemovalEngine(Context& ctx, AppState& app, RemovalHooks hooks = {})
      : ctx_(ctx), app_(app), ops_(ctx, app, std::move(hooks)) {}

  // The removal step that closes a scan: removes the checked result rows
  // (after the question, unless unattended), then statistics, settings, log
  // and the reset of the scan's tables.
  RemovalReport RemoveChecked();
  // Unattended (the scheduler's scan): every row ticked, then RemoveChecked.
  RemovalReport RemoveAll();
  // The end of RemoveChecked without any removal: statistics, settings, log
  // and the reset; returns the rows for removal by hand.
  ListView CloseScan();
  // Stores the checked rows in the session's package; nothing is removed.
  // Nothing happens (nullopt) when the result list is empty.
  std::optional<QuarantineReport> QuarantineChecked();
  void SelectAllResults() { SelectAllRows(app_.lstScanResult); }
  void SelectNoResults() { SelectNoRows(app_.lstScanResult); }
  void InvertResults() { InvertRowSelection(app_.lstScanResult); }

  // Shared removal routines.
  void DeleteListedFiles();
  void WipeFolder(const Text& folder);
  // A purged package goes whole: the listing never shows "desktop.ini", so the
  // wipe leaves any such file (Explorer writes one) and the folders holding it.
  void RemoveWipedTree(const Text& folder);

  // Quarantine. ListQuarantine fills the package list and returns the
  // number of entries in the quarantine folder.
  size_t ListQuarantine();
  // Fills lstQuarantinedItems from the selected package; false when none is selected.
  bool ViewPackage();
  RestoreReport RestoreSelected();
  PurgeReport PurgeSelected();
  void SelectAllPackages() { SelectAllRows(lstQuarantinedList); }
  void SelectNoPackages() { SelectNoRows(lstQuarantinedList); }
  void InvertPackages() { InvertRowSelection(lstQuarantinedList); }

  // HoldsLink: a folder that is, or holds, a link is not copied: the copy
  // would take in what the link points at (a whole drive, or the folder
  // itself again).
  enum class StoreResult { Stored, Failed, NoFreeNumber, HoldsLink };
  // Stores one result row in the current session folder; logs nothing.
  StoreResult StoreRow(const ListItem& row);

  // A temporary registry export/import file of this name.
  Text TemporaryRegFile(const char* name = "Temp.reg") const;
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
  // folder is a link or holds one somewhere below it (links are not entered).
  bool HoldsLink(const Text& folder);
  // Every file below folder is flushed to the disk; false when one is not.
  bool FlushTree(const Text& folder);
  // Walks the entries below folder, each named by its path from there
  // ("\\sub\\name"); visit says whether to go into a folder, pass it by or
  // end the walk. False when a visit ended it. Yields after each folder.
  enum class Walk { Enter, Pass, End };
  bool WalkBelow(const Text& folder, const std::function<Walk(const Text& rel, const FindData& entry)>& visit);
  // The row names a location removal and restore never touch.
  bool Protected(const ListItem& row) const;
  // A link on the way to path's folder (a junction planted in a spyware
  // folder) leads it to a place the rules protect.
  bool LeadsToProtected(const Text& path);
  // The same for a key or value row ("regkey" or "regval"): a registry link
  // on the way leads to a protected key, or where no name reaches.
  bool KeyLeadsToProtected(const Text& type, const Text& location);
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
  // Copying the stored folder into target changes no file there: each file
  // the two share has the same bytes (and no file stands where a folder goes).
  bool CopyChangesNothing(const Text& stored, const Text& target);
  // Importing the stored export over the key as it is now writes no value
  // there with other data; false when the key cannot be exported.
  bool ImportChangesNothing(const std::string& stored, const Text& key);
  Text QuarantineRoot() const { return app_.programFolder + "\\Quarantine\\"; }
  Text SessionFolder() const { return QuarantineRoot() + app_.QuarantineSession; }
  void Log(const Text& line) { app_.lstLog.push_back(line); }

  int32_t storedItem_ = 0;  // of the row being removed
  Context& ctx_;
  AppState& app_;
  RemovalMachine ops_;
  std::vector<Text> atRestart_;
};

}  // namespace morvane
