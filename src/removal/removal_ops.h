// Everything the removal and quarantine code asks of the rest of the
// program, behind one interface so that the logic can be driven by tests.
// ModuleRemovalOps binds it to the system access modules and to hooks for
// the settings store, the scan log and the scan engine.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/modules.h"
#include "store/app_state.h"

namespace morvane {

class IRemovalOps {
 public:
  virtual ~IRemovalOps() = default;

  // File search: names (list box) or full paths (list view); the size in bytes.
  virtual uint64_t FindFilesToList(const Text& path, const Text& pattern, bool recurse, ListBox& out,
                                   int32_t& fileCount) = 0;
  virtual uint64_t FindFilesToListView(const Text& path, const Text& pattern, bool recurse, ListView& out) = 0;
  virtual void ResetSearchTotals() = 0;

  // Single file-system operations.
  virtual bool Exists(const Text& path) = 0;
  virtual bool FolderExists(const Text& path) = 0;
  virtual void SetNormal(const Text& path) = 0;
  virtual bool RemoveFile(const Text& path) = 0;
  virtual bool RemoveFolder(const Text& path) = 0;
  virtual bool MakeFolder(const Text& path) = 0;
  // Deletes the file, or the then empty folder, at the next start of Windows.
  virtual bool RemoveAtRestart(const Text& path) = 0;
  // Renames a file or folder in one step (same drive); false when it cannot.
  virtual bool MoveAside(const Text&, const Text&) { return false; }

  // Shell operations; copy and move give the shell's status (0 = success).
  virtual int32_t ShellCopyFile(const Text& source, const Text& destination) = 0;
  virtual int32_t ShellMoveFile(const Text& source, const Text& destination) = 0;
  virtual bool CopyFolder(const Text& source, const Text& destination) = 0;
  virtual void ShellAndWait(const Text& command) = 0;

  // Processes. The listing fills lstProcesses (sub-item 2: image path).
  virtual bool EndProcess(uint32_t processId) = 0;
  virtual void ListActiveProcesses() = 0;

  // Registry by full path.
  virtual Text DeleteRegistryKey(const Text& keyPath) = 0;
  virtual void DeleteRegistryValue(const Text& keyPath, const Text& valueName) = 0;
  virtual bool KeyExists(const Text& keyPath) = 0;
  virtual bool ValueExists(const Text& keyPath, const Text& valueName) { return ValueType(keyPath, valueName) >= 0; }
  // The value's registry type; -1 when it cannot be read.
  virtual int64_t ValueType(const Text& keyPath, const Text& valueName) = 0;
  virtual void EnumRegistryKeys(const Text& rootName, const Text& subPath, PathTable& out) = 0;
  virtual modRegistry::DwordResult GetRegistryDword(const Text& keyPath, const Text& valueName) = 0;
  virtual Text GetRegistryString(const Text& keyPath, const Text& valueName) = 0;
  virtual void SetRegistryString(const Text& keyPath, const Text& valueName, const Text& data) = 0;
  virtual void SetRegistryDword(const Text& keyPath, const Text& valueName, int32_t value) = 0;

  // Quarantine data files, below program folder & "\Quarantine\".
  // Save writes into the current session folder; Load takes "package\name".
  virtual bool SaveLineToFile(const Text& name, const Text& data) = 0;
  virtual bool LoadLineFromFile(const Text& name, Text& data) = 0;

  // Settings, statistics, log, scan state.
  virtual void RaiseScanInfoLine(size_t line) = 0;
  virtual void SaveData() = 0;
  virtual void FlushScanLog() = 0;
  virtual void ResetUsedValues() = 0;
};

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

class ModuleRemovalOps : public IRemovalOps {
 public:
  ModuleRemovalOps(Context& ctx, AppState& app, RemovalHooks hooks = {});

  uint64_t FindFilesToList(const Text& path, const Text& pattern, bool recurse, ListBox& out,
                           int32_t& fileCount) override;
  uint64_t FindFilesToListView(const Text& path, const Text& pattern, bool recurse, ListView& out) override;
  void ResetSearchTotals() override;
  bool Exists(const Text& path) override;
  bool FolderExists(const Text& path) override;
  void SetNormal(const Text& path) override;
  bool RemoveFile(const Text& path) override;
  bool RemoveFolder(const Text& path) override;
  bool MakeFolder(const Text& path) override;
  bool RemoveAtRestart(const Text& path) override;
  bool MoveAside(const Text& from, const Text& to) override;
  int32_t ShellCopyFile(const Text& source, const Text& destination) override;
  int32_t ShellMoveFile(const Text& source, const Text& destination) override;
  bool CopyFolder(const Text& source, const Text& destination) override;
  void ShellAndWait(const Text& command) override;
  bool EndProcess(uint32_t processId) override;
  void ListActiveProcesses() override;
  Text DeleteRegistryKey(const Text& keyPath) override;
  void DeleteRegistryValue(const Text& keyPath, const Text& valueName) override;
  bool KeyExists(const Text& keyPath) override;
  int64_t ValueType(const Text& keyPath, const Text& valueName) override;
  void EnumRegistryKeys(const Text& rootName, const Text& subPath, PathTable& out) override;
  modRegistry::DwordResult GetRegistryDword(const Text& keyPath, const Text& valueName) override;
  Text GetRegistryString(const Text& keyPath, const Text& valueName) override;
  void SetRegistryString(const Text& keyPath, const Text& valueName, const Text& data) override;
  void SetRegistryDword(const Text& keyPath, const Text& valueName, int32_t value) override;
  bool SaveLineToFile(const Text& name, const Text& data) override;
  bool LoadLineFromFile(const Text& name, Text& data) override;
  void RaiseScanInfoLine(size_t line) override;
  void SaveData() override;
  void FlushScanLog() override;
  void ResetUsedValues() override;

 private:
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
