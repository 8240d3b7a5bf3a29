// The main window's data: every in-memory table, counter and folder value
// that the subsystems share. frmMain owns one AppState for its whole life.
#pragma once
#include <array>
#include <cstdint>
#include <set>

#include "database/folders.h"
#include "platform/modules.h"
#include "platform/tables.h"

namespace morvane {

// The ten counter labels of the scan progress screen.
enum class Counter {
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
};
constexpr size_t kCounterCount = 10;

struct AppState {
  Text programFolder;  // without a trailing "\"

  // Settings tables, index from 0.
  ListBox lstSettingsFile;
  ListBox lstScanInfoFile;
  ListBox lstIgnoreListFile;
  ListBox lstSelectedFolders;
  ListBox lstCustomScanSettings;
  // Settings files that are there but could not be read (another program
  // holds them): their tables are not the files' lines and are never saved over them.
  std::set<Text> unreadSettingsFiles;  // full paths, lower case

  // The deciphered database, entries from 1 (row text only).
  ListView lstDBaseFile;

  // Working tables of a scan and its removal.
  PathTable lstHDDItems;  // full paths, held as folder and name
  PathTable lstRegScan;   // key paths, held as parent and name
  ListView lstScanResult;
  ListView lstIremovable;
  ListView lstProcesses;
  ListView lstCustomDelete;
  ListBox lstCache;
  ListBox lstLog;
  ListBox lstQuarBuffer;

  // Counter captions, decimal text.
  std::array<Text, kCounterCount> counters{"0", "0", "0", "0", "0", "0", "0", "0", "0", "0"};
  Text& counter(Counter c) { return counters[size_t(c)]; }

  std::array<Text, 4> strDBItem;  // type, target, category, comment URL
  FolderValues folders;
  SearchTotals totals;

  bool AutoScan = false;
  Text QuarantineSession;
  int32_t QuarantineCounter = 10000;
};

}  // namespace morvane
