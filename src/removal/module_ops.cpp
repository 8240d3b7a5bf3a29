// The removal code's operations on the system access modules.
#include "removal/removal_ops.h"

#include "platform/process_list.h"
#include "store/settings.h"

namespace morvane {

ModuleRemovalOps::ModuleRemovalOps(Context& ctx, AppState& app, RemovalHooks hooks)
    : ctx_(ctx),
      app_(app),
      hooks_(std::move(hooks)),
      registry_(ctx),
      regScan_(ctx),
      find_(ctx),
      end_(ctx),
      fileOper_(ctx),
      copyFolder_(ctx) {}

uint64_t ModuleRemovalOps::FindFilesToList(const Text& path, const Text& pattern, bool recurse, ListBox& out,
                                           int32_t& fileCount) {
  Text p = path;
  bool r = recurse;
  int32_t before = app_.totals.FileCount;
  uint64_t size = find_.FindFilesToList(p, pattern, app_.totals.FileCount, app_.totals.DirCount, out, r);
  fileCount = app_.totals.FileCount - before;
  return size;
}

uint64_t ModuleRemovalOps::FindFilesToListView(const Text& path, const Text& pattern, bool recurse,
                                               ListView& out) {
  Text p = path;
  bool r = recurse;
  return find_.FindFilesToListView(p, pattern, app_.totals.FileCount, app_.totals.DirCount, out, r);
}

void ModuleRemovalOps::ResetSearchTotals() { app_.totals.ResetSearchTotals(); }

bool ModuleRemovalOps::Exists(const Text& path) {
  return ctx_.files().GetAttributes(path) != win::kInvalidAttributes;
}

bool ModuleRemovalOps::FolderExists(const Text& path) {
  uint32_t a = ctx_.files().GetAttributes(path);
  return a != win::kInvalidAttributes && (a & win::kAttrDirectory) != 0;
}

void ModuleRemovalOps::SetNormal(const Text& path) { ctx_.files().SetAttributes(path, win::kAttrNormal); }
bool ModuleRemovalOps::RemoveFile(const Text& path) { return ctx_.files().RemoveFile(path); }
bool ModuleRemovalOps::RemoveFolder(const Text& path) { return ctx_.files().RemoveFolder(path); }
bool ModuleRemovalOps::MakeFolder(const Text& path) { return ctx_.files().MakeFolder(path); }
bool ModuleRemovalOps::RemoveAtRestart(const Text& path) { return ctx_.files().RemoveAtRestart(path); }
bool ModuleRemovalOps::MoveAside(const Text& from, const Text& to) { return ctx_.files().MoveReplace(from, to); }

int32_t ModuleRemovalOps::ShellCopyFile(const Text& source, const Text& destination) {
  return fileOper_.ShellCopyFile(source, destination);
}
int32_t ModuleRemovalOps::ShellMoveFile(const Text& source, const Text& destination) {
  return fileOper_.ShellMoveFile(source, destination);
}
bool ModuleRemovalOps::CopyFolder(const Text& source, const Text& destination) {
  Text s = source;
  return copyFolder_.CopyFolder(s, destination);
}
void ModuleRemovalOps::ShellAndWait(const Text& command) { morvane::ShellAndWait(ctx_, command, 0); }

bool ModuleRemovalOps::EndProcess(uint32_t processId) { return end_.EndProcess(processId, 0); }
void ModuleRemovalOps::ListActiveProcesses() {
  if (hooks_.listActiveProcesses) return hooks_.listActiveProcesses();
  morvane::ListActiveProcesses(ctx_, app_.lstProcesses);
}

Text ModuleRemovalOps::DeleteRegistryKey(const Text& keyPath) { return registry_.DeleteRegistryKey(keyPath); }
void ModuleRemovalOps::DeleteRegistryValue(const Text& keyPath, const Text& valueName) {
  registry_.DeleteRegistryValue(keyPath, valueName);
}

bool ModuleRemovalOps::KeyExists(const Text& keyPath) {
  Text sub = keyPath;
  win::HKey root = 0;
  registry_.SplitRegistryPath(sub, root);
  if (root == 0) return false;
  win::HKey key = 0;
  if (ctx_.registry().OpenKeyEx(root, sub, win::kKeyRead, key) != win::kSuccess) return false;
  ctx_.registry().CloseKey(key);
  return true;
}

int64_t ModuleRemovalOps::ValueType(const Text& keyPath, const Text& valueName) {
  Text sub = keyPath;
  win::HKey root = 0;
  registry_.SplitRegistryPath(sub, root);
  if (root == 0) return -1;
  win::HKey key = 0;
  if (ctx_.registry().OpenKeyEx(root, sub, win::kKeyQueryValue, key) != win::kSuccess) return -1;
  uint32_t type = 0, size = 0;
  int32_t rc = ctx_.registry().QueryValue(key, valueName.c_str(), &type, nullptr, &size);
  ctx_.registry().CloseKey(key);
  return rc == win::kSuccess || rc == win::kMoreData ? int64_t(type) : -1;
}

void ModuleRemovalOps::EnumRegistryKeys(const Text& rootName, const Text& subPath, PathTable& out) {
  regScan_.EnumRegistryKeys(modRegistry::GetRootKeyHandle(rootName), subPath, rootName, out);
}

modRegistry::DwordResult ModuleRemovalOps::GetRegistryDword(const Text& keyPath, const Text& valueName) {
  return registry_.GetRegistryDword(keyPath, valueName);
}
Text ModuleRemovalOps::GetRegistryString(const Text& keyPath, const Text& valueName) {
  return registry_.GetRegistryString(keyPath, valueName);
}
void ModuleRemovalOps::SetRegistryString(const Text& keyPath, const Text& valueName, const Text& data) {
  registry_.SetRegistryString(keyPath, valueName, data);
}
void ModuleRemovalOps::SetRegistryDword(const Text& keyPath, const Text& valueName, int32_t value) {
  registry_.SetRegistryDword(keyPath, valueName, value);
}

bool ModuleRemovalOps::SaveLineToFile(const Text& name, const Text& data) {
  return ReplaceFileContent(ctx_.files(), app_.programFolder + "\\Quarantine\\" + app_.QuarantineSession + "\\" + name,
                            data);
  const Text path = app_.programFolder + "\\Quarantine\\" + app_.QuarantineSession + "\\" + name;
  const Text temp = path + ".tmp";
  IFileSystem& fs = ctx_.files();
  // Written beside and put in place in one step: an item line or record is
  // whole or absent, never torn by a full disk or a stop half way.
  fs.SetAttributes(temp, win::kAttrNormal);
  fs.RemoveFile(temp);
  if (fs.WriteAll(temp, data)) {
    fs.SetAttributes(path, win::kAttrNormal);
    if (fs.MoveReplace(temp, path)) return true;
  }
  fs.SetAttributes(temp, win::kAttrNormal);
  fs.RemoveFile(temp);
  return false;
}

bool ModuleRemovalOps::LoadLineFromFile(const Text& name, Text& data) {
  data.clear();
  return ctx_.files().ReadAll(app_.programFolder + "\\Quarantine\\" + name, data);
}

void ModuleRemovalOps::RaiseScanInfoLine(size_t line) {
  if (hooks_.raiseScanInfoLine) return hooks_.raiseScanInfoLine(line);
  auto& table = app_.lstScanInfoFile;
  if (table.size() <= line) table.resize(line + 1);
  table[line] = RaisedByOne(table[line]);
}

void ModuleRemovalOps::SaveData() {
  if (hooks_.saveData) hooks_.saveData();
}

void ModuleRemovalOps::FlushScanLog() {
  if (hooks_.flushScanLog) return hooks_.flushScanLog();
  app_.lstLog.clear();
}

void ModuleRemovalOps::ResetUsedValues() {
  if (hooks_.resetUsedValues) return hooks_.resetUsedValues();
  ResetWorkState(app_);
}

}  // namespace morvane
