// An in-memory machine behind IRemovalOps: files and folders, processes,
// a registry with typed values and a registry editor that exports and
// imports key trees. Failures can be planted per path.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "removal/removal_ops.h"
#include "removal/removal_view.h"

namespace morvane::testing {

struct FakeValue {
  uint32_t type = win::kRegSz;
  std::string data;  // text for strings, decimal text for DWORDs
  bool operator==(const FakeValue&) const = default;
};

class FakeWorld : public IRemovalOps {
 public:
  explicit FakeWorld(AppState& app);

  // Machine content.
  std::map<Text, std::string> files;  // full path -> bytes
  std::set<Text> folders;             // full paths without trailing "\"
  std::set<Text> readOnly;
  std::set<Text> locked;              // deletions fail
  std::set<Text> failCopyFrom;        // shell copies of this source fail
  std::map<uint32_t, Text> processes; // pid -> image path (a bare name: path unreadable)
  std::set<uint32_t> unkillable;
  std::map<Text, std::map<Text, FakeValue>> keys;  // key path -> values
  std::set<Text> lockedKeys;
  bool regeditWorks = true;

  // What happened.
  std::vector<Text> commands;
  std::vector<uint32_t> endCalls;
  std::vector<Text> atRestart;        // RemoveAtRestart calls, in order
  std::vector<Text> flushedLog;
  int saveDataCalls = 0;
  int resetCalls = 0;

  void AddFolderTree(const Text& path);   // the folder and all its parents
  void AddFile(const Text& path, const std::string& data);
  void AddKey(const Text& path);          // the key and all its parents
  void SetValue(const Text& key, const Text& name, uint32_t type, const std::string& data);
  std::map<Text, std::string> FilesBelow(const Text& folder) const;
  std::map<Text, std::map<Text, FakeValue>> KeysBelow(const Text& key) const;

  uint64_t FindFilesToList(const Text& path, const Text& pattern, bool recurse, ListBox& out,
                           int32_t& fileCount) override;
  uint64_t FindFilesToListView(const Text& path, const Text& pattern, bool recurse, ListView& out) override;
  void ResetSearchTotals() override {}
  bool Exists(const Text& path) override;
  bool FolderExists(const Text& path) override;
  void SetNormal(const Text& path) override { readOnly.erase(Norm(path)); }
  bool RemoveFile(const Text& path) override;
  bool RemoveFolder(const Text& path) override;
  bool MakeFolder(const Text& path) override;
  bool RemoveAtRestart(const Text& path) override;
  int32_t ShellCopyFile(const Text& source, const Text& destination) override;
  int32_t ShellMoveFile(const Text& source, const Text& destination) override;
  bool CopyFolder(const Text& source, const Text& destination) override;
  void ShellAndWait(const Text& command) override;
  bool EndProcess(uint32_t processId) override;
  void ListActiveProcesses() override;
  Text DeleteRegistryKey(const Text& keyPath) override;
  void DeleteRegistryValue(const Text& keyPath, const Text& valueName) override;
  bool KeyExists(const Text& keyPath) override { return keys.count(keyPath) != 0; }
  int64_t ValueType(const Text& keyPath, const Text& valueName) override;
  void EnumRegistryKeys(const Text& rootName, const Text& subPath, PathTable& out) override;
  modRegistry::DwordResult GetRegistryDword(const Text& keyPath, const Text& valueName) override;
  Text GetRegistryString(const Text& keyPath, const Text& valueName) override;
  void SetRegistryString(const Text& keyPath, const Text& valueName, const Text& data) override;
  void SetRegistryDword(const Text& keyPath, const Text& valueName, int32_t value) override;
  bool SaveLineToFile(const Text& name, const Text& data) override;
  bool LoadLineFromFile(const Text& name, Text& data) override;
  void RaiseScanInfoLine(size_t line) override;
  void SaveData() override { ++saveDataCalls; }
  void FlushScanLog() override;
  void ResetUsedValues() override;

  static Text Norm(const Text& path);
  static Text Parent(const Text& path);
  static Text Name(const Text& path);
  static Text Join(const Text& folder, const Text& name);

 private:
  void ListInto(const Text& folder, const Text& pattern, bool recurse, std::vector<Text>& names,
                std::vector<Text>& paths, uint64_t& size, int32_t& count);
  AppState& app_;
};

class FakeView : public IRemovalView {
 public:
  std::vector<Text> calls;
  bool buttonsEnabled = true;
  Text quarantinedCount;
  void SetResultButtonsEnabled(bool enabled) override {
    buttonsEnabled = enabled;
    calls.push_back(enabled ? "enable" : "disable");
  }
  void ShowIremovable() override { calls.push_back("iremovable"); }
  void ShowStatus() override { calls.push_back("status"); }
  void ShowQuarantined() override { calls.push_back("quarantined"); }
  void ShowQItems() override { calls.push_back("qitems"); }
  void SetQuarantinedCount(const Text& caption) override { quarantinedCount = caption; }
};

}  // namespace morvane::testing
