// The removal code's operations on the system access modules and its hooks.
#include "removal/removal_machine.h"

#include "platform/process_list.h"
#include "store/settings.h"

namespace morvane {

RemovalMachine::RemovalMachine(Context& ctx, AppState& app, RemovalHooks hooks)
    : ctx_(ctx),
      app_(app),
      hooks_(std::move(hooks)),
      registry_(ctx),
      regScan_(ctx),
      find_(ctx),
      end_(ctx),
      fileOper_(ctx),
      copyFolder_(ctx) {}

uint64_t RemovalMachine::FindFilesToList(const Text& path, const Text& pattern, bool recurse, ListBox& out,
                                           int32_t& fileCount) {
  Text p = path;
  bool r = recurse;
  int32_t before = app_.totals.FileCount;
  uint64_t size = find_.FindFilesToList(p, pattern, app_.totals.FileCount, app_.totals.DirCount, out, r);
  fileCount = app_.totals.FileCount - before;
  return size;
}

uint64_t RemovalMachine::FindFilesToListView(const Text& path, const Text& pattern, bool recurse,
                                               ListView& out) {
  Text p = path;
  bool r = recurse;
  return find_.FindFilesToListView(p, pattern, app_.totals.FileCount, app_.totals.DirCount, out, r);
}

void RemovalMachine::ResetSearchTotals() { app_.totals.ResetSearchTotals(); }

bool RemovalMachine::FlushFile(const Text& path) { return ctx_.files().FlushFile(path); }

bool RemovalMachine::Exists(const Text& path) {
  return ctx_.files().GetAttributes(path) != win::kInvalidAttributes;
}

bool RemovalMachine::FolderExists(const Text& path) {
  uint32_t a = ctx_.files().GetAttributes(path);
  return a != win::kInvalidAttributes && (a & win::kAttrDirectory) != 0;
}

void RemovalMachine::SetNormal(const Text& path) { ctx_.files().SetAttributes(path, win::kAttrNormal); }
bool RemovalMachine::RemoveFile(const Text& path) { return ctx_.files().RemoveFile(path); }
bool RemovalMachine::RemoveFolder(const Text& path) { return ctx_.files().RemoveFolder(path); }
bool RemovalMachine::MakeFolder(const Text& path) { return ctx_.files().MakeFolder(path); }
bool RemovalMachine::RemoveAtRestart(const Text& path) { return ctx_.files().RemoveAtRestart(path); }
bool RemovalMachine::MoveAside(const Text& from, const Text& to) { return ctx_.files().MoveReplace(from, to); }

int32_t RemovalMachine::ShellCopyFile(const Text& source, const Text& destination) {
  return fileOper_.ShellCopyFile(source, destination);
}
int32_t RemovalMachine::ShellMoveFile(const Text& source, const Text& destination) {
  return fileOper_.ShellMoveFile(source, destination);
}
bool RemovalMachine::CopyFolder(const Text& source, const Text& destination) {
  Text s = source;
  return copyFolder_.CopyFolder(s, destination);
}
void RemovalMachine::ShellAndWait(const Text& command) { morvane::ShellAndWait(ctx_, command, 0); }

bool RemovalMachine::EndProcess(uint32_t processId, const Text& image) {
  return end_.EndProcess(processId, 0, image);
}
void RemovalMachine::ListActiveProcesses() {
  if (hooks_.listActiveProcesses) return hooks_.listActiveProcesses();
  morvane::ListActiveProcesses(ctx_, app_.lstProcesses);
}

bool RemovalMachine::DeleteRegistryKey(const Text& keyPath) { return registry_.DeleteRegistryKey(keyPath); }
void RemovalMachine::DeleteRegistryValue(const Text& keyPath, const Text& valueName) {
  registry_.DeleteRegistryValue(keyPath, valueName);
}

int32_t RemovalMachine::OpenKey(const Text& keyPath, uint32_t access, RegKey& key) {
  Text sub = keyPath;
  win::HKey root = 0;
  registry_.SplitRegistryPath(sub, root);
  return root == 0 ? win::kFileNotFound : key.OpenEx(root, sub, access);
}

bool RemovalMachine::KeyExists(const Text& keyPath) {
  RegKey key(ctx_.registry());
  const int32_t r = OpenKey(keyPath, win::kKeyRead, key);
  return r == win::kSuccess || r == win::kAccessDenied;
}

bool RemovalMachine::FlushKey(const Text& keyPath) {
  RegKey key(ctx_.registry());
  return OpenKey(keyPath, win::kKeyRead, key) == win::kSuccess &&
         ctx_.registry().FlushKey(key.get()) == win::kSuccess;
}

Text RemovalMachine::FinalKeyPath(const Text& keyPath, bool withLast) {
  Text path = keyPath;
  for (int hops = 0; hops <= 16; ++hops) {
    const size_t slash = path.find('\\');
    const win::HKey root = modRegistry::GetRootKeyHandle(path.substr(0, slash));
    if (root == 0 || slash == Text::npos) return path;
    const Text sub = path.substr(slash + 1);
    // The first key on the way that is a link: the path goes on from its target.
    size_t cut = sub.find('\\');
    Text target;
    for (;; cut = sub.find('\\', cut + 1)) {
      if (cut == Text::npos && !withLast) return path;
      if (ctx_.registry().LinkTarget(root, sub.substr(0, cut), target)) break;
      if (cut == Text::npos) return path;
    }
    if (target.empty()) return {};
    path = target + (cut == Text::npos ? Text() : sub.substr(cut));
  }
  return {};
}

int64_t RemovalMachine::ValueType(const Text& keyPath, const Text& valueName) {
  RegKey key(ctx_.registry());
  if (OpenKey(keyPath, win::kKeyQueryValue, key) != win::kSuccess) return -1;
  uint32_t type = 0, size = 0;
  const int32_t rc = ctx_.registry().QueryValue(key.get(), valueName.c_str(), &type, nullptr, &size);
  return rc == win::kSuccess || rc == win::kMoreData ? int64_t(type) : -1;
}

void RemovalMachine::EnumRegistryKeys(const Text& rootName, const Text& subPath, PathTable& out) {
  regScan_.EnumRegistryKeys(modRegistry::GetRootKeyHandle(rootName), subPath, rootName, out);
}

bool RemovalMachine::ReadValue(const Text& keyPath, const Text& valueName, uint32_t& type, std::string& bytes) {
  RegKey key(ctx_.registry());
  if (OpenKey(keyPath, win::kKeyQueryValue, key) != win::kSuccess) return false;
  uint32_t size = 0;
  if (ctx_.registry().QueryValue(key.get(), valueName.c_str(), &type, nullptr, &size) != win::kSuccess) return false;
  bytes.assign(size, '\0');
  return ctx_.registry().QueryValue(key.get(), valueName.c_str(), &type, reinterpret_cast<uint8_t*>(bytes.data()),
                                    &size) == win::kSuccess &&
         size == bytes.size();
}

bool RemovalMachine::WriteValue(const Text& keyPath, const Text& valueName, uint32_t type, const std::string& bytes) {
  RegKey key(ctx_.registry());
  return OpenKey(keyPath, win::kKeyWrite, key) == win::kSuccess &&
         ctx_.registry().SetValue(key.get(), valueName.c_str(), type,
                                  reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size())) ==
             win::kSuccess;
}

std::optional<int32_t> RemovalMachine::GetRegistryDword(const Text& keyPath, const Text& valueName) {
  return registry_.GetRegistryDword(keyPath, valueName);
}
std::optional<Text> RemovalMachine::GetRegistryString(const Text& keyPath, const Text& valueName) {
  return registry_.GetRegistryString(keyPath, valueName);
}
void RemovalMachine::SetRegistryString(const Text& keyPath, const Text& valueName, const Text& data) {
  registry_.SetRegistryString(keyPath, valueName, data);
}
void RemovalMachine::SetRegistryDword(const Text& keyPath, const Text& valueName, int32_t value) {
  registry_.SetRegistryDword(keyPath, valueName, value);
}

bool RemovalMachine::SaveLineToFile(const Text& name, const Text& data) {
  return ReplaceFileContent(ctx_.files(), app_.programFolder + "\\Quarantine\\" + app_.QuarantineSession + "\\" + name,
                            data);
}

bool RemovalMachine::LoadLineFromFile(const Text& name, Text& data) {
  data.clear();
  return ctx_.files().ReadAll(app_.programFolder + "\\Quarantine\\" + name, data);
}

void RemovalMachine::RaiseScanInfoLine(size_t line) {
  if (hooks_.raiseScanInfoLine) return hooks_.raiseScanInfoLine(line);
  auto& table = app_.lstScanInfoFile;
  if (table.size() <= line) table.resize(line + 1);
  table[line] = RaisedByOne(table[line]);
}

void RemovalMachine::SaveData() {
  if (hooks_.saveData) hooks_.saveData();
}

void RemovalMachine::FlushScanLog() {
  if (hooks_.flushScanLog) return hooks_.flushScanLog();
  app_.lstLog.clear();
}

void RemovalMachine::ResetUsedValues() {
  if (hooks_.resetUsedValues) return hooks_.resetUsedValues();
  ResetWorkState(app_);
}

}  // namespace morvane
