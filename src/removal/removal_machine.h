// How the removal and quarantine code reaches the machine: the system access
// modules over the context's services, and hooks for the settings store, the
// scan log and the scan engine.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/handles.h"
#include "platform/modules.h"
#include "store/app_state.h"

namespace morvane {

// Hooks into subsystems that live outside the system access layer.
// An empty hook uses the fallback described beside it.
struct RemovalHooks {
  std::function<void()> listActiveProcesses;       // fallback: the scanner's snapshot
  std::function<void(size_t)> raiseScanInfoLine;   // fallback: integer part + 1 in lstScanInfoFile
  std::function<void()> saveData;                  // fallback: nothing
  std::function<void()> flushScanLog;              // fallback: empties lstLog
  std::function<void()> resetUsedValues;           // fallback: ResetWorkState below
};

// The scan engine's reset, for use until it is wired: counters to "0",
// QuarantineCounter to 10000 and the working tables emptied.
void ResetWorkState(AppState& app);

// Raises a decimal text by one: integer part of its leading number plus 1.
Text RaisedByOne(const Text& line);

class RemovalMachine {
 public:
  RemovalMachine(Context& ctx, AppState& app, RemovalHooks hooks = {});

  // File search: names (list box) or full paths (list view); the size in bytes.
  uint64_t FindFilesToList(const Text& path, const Text& pattern, bool recurse, ListBox& out,
                           int32_t& fileCount);
  uint64_t FindFilesToListView(const Text& path, const Text& pattern, bool recurse, ListView& out);
  void ResetSearchTotals();
  bool Exists(const Text& path);
  // The file's bytes are on the disk (a copy's are not until then).
  bool FlushFile(const Text& path);
  bool FolderExists(const Text& path);
  void SetNormal(const Text& path);
  bool RemoveFile(const Text& path);
  bool RemoveFolder(const Text& path);
  bool MakeFolder(const Text& path);
  // Deletes the file, or the then empty folder, at the next start of Windows.
  bool RemoveAtRestart(const Text& path);
  // Renames a file or folder in one step (same drive); false when it cannot.
  bool MoveAside(const Text& from, const Text& to);
  // Shell copy and move give the shell's status (0 = success).
  int32_t ShellCopyFile(const Text& source, const Text& destination);
  int32_t ShellMoveFile(const Text& source, const Text& destination);
  bool CopyFolder(const Text& source, const Text& destination);
  void ShellAndWait(const Text& command);
  // The listing fills lstProcesses (sub-item 2: image path).
  // Ends it only while its id belongs to the program at image.
  bool EndProcess(uint32_t processId, const Text& image);
  void ListActiveProcesses();
  // Registry by full path; the value's type is -1 when it cannot be read.
  bool DeleteRegistryKey(const Text& keyPath);
  void DeleteRegistryValue(const Text& keyPath, const Text& valueName);
  // The key is there, readable or not.
  bool KeyExists(const Text& keyPath);
  // The hive holding the key is on the disk (changes wait in memory until then).
  bool FlushKey(const Text& keyPath);
  // The key keyPath reaches, with the links on the way to it followed (the
  // last key's own too when withLast); empty when a link leads somewhere this
  // program cannot name, or round too often.
  Text FinalKeyPath(const Text& keyPath, bool withLast);
  bool ValueExists(const Text& keyPath, const Text& valueName) { return ValueType(keyPath, valueName) >= 0; }
  int64_t ValueType(const Text& keyPath, const Text& valueName);
  // A value as the registry holds it: its type and its bytes.
  bool ReadValue(const Text& keyPath, const Text& valueName, uint32_t& type, std::string& bytes);
  bool WriteValue(const Text& keyPath, const Text& valueName, uint32_t type, const std::string& bytes);
  void EnumRegistryKeys(const Text& rootName, const Text& subPath, PathTable& out);
  std::optional<int32_t> GetRegistryDword(const Text& keyPath, const Text& valueName);
  std::optional<Text> GetRegistryString(const Text& keyPath, const Text& valueName);
  void SetRegistryString(const Text& keyPath, const Text& valueName, const Text& data);
  void SetRegistryDword(const Text& keyPath, const Text& valueName, int32_t value);
  // Quarantine data files, below program folder & "\Quarantine\".
  // Save writes into the current session folder; Load takes "package\name".
  bool SaveLineToFile(const Text& name, const Text& data);
  bool LoadLineFromFile(const Text& name, Text& data);
  // Settings, statistics, log, scan state: the hooks or their fallbacks.
  void RaiseScanInfoLine(size_t line);
  void SaveData();
  void FlushScanLog();
  void ResetUsedValues();

 private:
  // Opens the key at a full path ("HKEY_...\\sub") with access.
  int32_t OpenKey(const Text& keyPath, uint32_t access, RegKey& key);

  Context& ctx_;
  AppState& app_;
  RemovalHooks hooks_;
  modRegistry registry_;
  modRegScan regScan_;
  modFindFiles find_;
  modEndProcess end_;
  modFileOper fileOper_;
  modCopyFolder copyFolder_;
};

}  // namespace morvane
