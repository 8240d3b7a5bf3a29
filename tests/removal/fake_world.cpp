#include "removal/fake_world.h"

#include <algorithm>
#include <cctype>
#include <functional>

namespace morvane::testing {

namespace {
bool Matches(const Text& name, const Text& pattern) {
  if (pattern == "*" || pattern == "*.*") return true;
  if (pattern.size() > 1 && pattern[0] == '*') {
    const Text suffix = pattern.substr(1);
    if (name.size() < suffix.size()) return false;
    return std::equal(suffix.begin(), suffix.end(), name.end() - suffix.size(),
                      [](char a, char b) { return std::tolower((unsigned char)a) == std::tolower((unsigned char)b); });
  }
  return name == pattern;
}
bool StartsWithFolder(const Text& path, const Text& folder) {
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '\\';
}
}  // namespace

FakeWorld::FakeWorld(AppState& app) : app_(app) {}

Text FakeWorld::Norm(const Text& path) {
  Text p = path;
  while (p.size() > 3 && p.back() == '\\') p.pop_back();
  return p;
}
Text FakeWorld::Parent(const Text& path) {
  size_t s = path.rfind('\\');
  if (s == Text::npos || path.size() <= 3) return Text();
  Text parent = path.substr(0, s);
  return parent.size() == 2 && parent[1] == ':' ? parent + "\\" : parent;
}

Text FakeWorld::Join(const Text& folder, const Text& name) {
  return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}
Text FakeWorld::Name(const Text& path) {
  size_t s = path.rfind('\\');
  return s == Text::npos ? path : path.substr(s + 1);
}

void FakeWorld::AddFolderTree(const Text& path) {
  for (Text p = Norm(path); p.size() >= 3; p = Parent(p)) folders.insert(p);
}
void FakeWorld::AddFile(const Text& path, const std::string& data) {
  AddFolderTree(Parent(path));
  files[path] = data;
}
void FakeWorld::AddKey(const Text& path) {
  for (Text p = path; p.find('\\') != Text::npos; p = Parent(p)) keys[p];
}
void FakeWorld::SetValue(const Text& key, const Text& name, uint32_t type, const std::string& data) {
  AddKey(key);
  keys[key][name] = FakeValue{type, data};
}

std::map<Text, std::string> FakeWorld::FilesBelow(const Text& folder) const {
  std::map<Text, std::string> out;
  for (const auto& [p, d] : files)
    if (StartsWithFolder(p, folder)) out[p.substr(folder.size())] = d;
  for (const auto& f : folders)
    if (StartsWithFolder(f, folder)) out[f.substr(folder.size()) + "\\"] = "<dir>";
  return out;
}

std::map<Text, std::map<Text, FakeValue>> FakeWorld::KeysBelow(const Text& key) const {
  std::map<Text, std::map<Text, FakeValue>> out;
  for (const auto& [k, v] : keys)
    if (k == key || StartsWithFolder(k, key)) out[k] = v;
  return out;
}

void FakeWorld::ListInto(const Text& folder, const Text& pattern, bool recurse, std::vector<Text>& names,
                         std::vector<Text>& paths, uint64_t& size, int32_t& count) {
  const Text f = Norm(folder);
  if (!folders.count(f)) return;
  std::set<Text> entries;
  std::vector<Text> subfolders;
  for (const auto& [p, d] : files)
    if (Parent(p) == f) entries.insert(Name(p));
  for (const auto& d : folders)
    if (Parent(d) == f) {
      entries.insert(Name(d));
      subfolders.push_back(d);
    }
  for (const auto& e : entries) {
    if (!Matches(e, pattern)) continue;
    auto it = files.find(Join(f, e));
    if (it != files.end()) size += it->second.size();
    ++count;
    if (e == "desktop.ini") continue;
    names.push_back(e);
    paths.push_back(Join(f, e));
  }
  if (!recurse) return;
  for (const auto& s : subfolders) ListInto(s, pattern, true, names, paths, size, count);
}

uint64_t FakeWorld::FindFilesToList(const Text& path, const Text& pattern, bool recurse, ListBox& out,
                                    int32_t& fileCount) {
  std::vector<Text> names, paths;
  uint64_t size = 0;
  fileCount = 0;
  ListInto(path, pattern, recurse, names, paths, size, fileCount);
  out.insert(out.end(), names.begin(), names.end());
  return size;
}

uint64_t FakeWorld::FindFilesToListView(const Text& path, const Text& pattern, bool recurse, ListView& out) {
  std::vector<Text> names, paths;
  uint64_t size = 0;
  int32_t count = 0;
  ListInto(path, pattern, recurse, names, paths, size, count);
  for (const auto& p : paths) out.Add(p);
  return size;
}

bool FakeWorld::Exists(const Text& path) { return files.count(Norm(path)) || folders.count(Norm(path)); }
bool FakeWorld::FolderExists(const Text& path) { return folders.count(Norm(path)) != 0; }

bool FakeWorld::RemoveFile(const Text& path) {
  const Text p = Norm(path);
  if (!files.count(p) || locked.count(p) || readOnly.count(p)) return false;
  files.erase(p);
  return true;
}

bool FakeWorld::RemoveAtRestart(const Text& path) {
  if (!Exists(path)) return false;
  atRestart.push_back(path);
  return true;
}

bool FakeWorld::RemoveFolder(const Text& path) {
  const Text p = Norm(path);
  if (!folders.count(p) || locked.count(p)) return false;
  for (const auto& [f, d] : files)
    if (Parent(f) == p) return false;
  for (const auto& d : folders)
    if (Parent(d) == p) return false;
  folders.erase(p);
  return true;
}

bool FakeWorld::MakeFolder(const Text& path) {
  const Text p = Norm(path);
  if (Exists(p) || !folders.count(Parent(p))) return false;
  folders.insert(p);
  return true;
}

int32_t FakeWorld::ShellCopyFile(const Text& source, const Text& destination) {
  auto it = files.find(Norm(source));
  if (it == files.end() || failCopyFrom.count(Norm(source))) return 2;
  const Text d = Norm(destination);
  if (!folders.count(Parent(d)) || folders.count(d)) return 3;
  files[d] = it->second;
  return 0;
}

int32_t FakeWorld::ShellMoveFile(const Text& source, const Text& destination) {
  int32_t rc = ShellCopyFile(source, destination);
  if (rc == 0) files.erase(Norm(source));
  return rc;
}

bool FakeWorld::CopyFolder(const Text& source, const Text& destination) {
  const Text s = Norm(source), d = Norm(destination);
  if (!folders.count(s) || !folders.count(d) || failCopyFrom.count(s)) return false;
  const Text target = Join(d, Name(s));
  folders.insert(target);
  for (const auto& f : std::set<Text>(folders))
    if (StartsWithFolder(f, s)) folders.insert(target + f.substr(s.size()));
  for (const auto& [p, data] : std::map<Text, std::string>(files))
    if (StartsWithFolder(p, s)) files[target + p.substr(s.size())] = data;
  return true;
}

void FakeWorld::ShellAndWait(const Text& command) {
  commands.push_back(command);
  size_t e = command.find("\\regedit.exe /e ");
  if (e != Text::npos && regeditWorks) {
    const Text rest = command.substr(e + 16);
    size_t k = rest.find(" \"HKEY_");
    if (k == Text::npos) k = rest.find(" HKEY_");
    Text temp = rest.substr(0, k), key = rest.substr(k + 1);
    auto unquote = [](Text& t) {
      if (t.size() >= 2 && t.front() == '"' && t.back() == '"') t = t.substr(1, t.size() - 2);
    };
    unquote(temp);
    unquote(key);
    if (!keys.count(key)) return;
    std::string out = "REGEDIT4\r\n";
    for (const auto& [path, values] : KeysBelow(key)) {
      out += "[" + path + "]\r\n";
      for (const auto& [name, v] : values) out += "V\t" + std::to_string(v.type) + "\t" + name + "\t" + v.data + "\r\n";
      out += "\r\n";  // a blank line ends every key, as in the editor's format
    }
    if (folders.count(Parent(temp))) files[temp] = out;
    return;
  }
  size_t c = command.find("\\regedit.exe /c /s ");
  if (c != Text::npos && regeditWorks) {
    Text temp = command.substr(c + 19);
    if (temp.size() >= 2 && temp.front() == '"') temp = temp.substr(1, temp.size() - 2);
    auto it = files.find(temp);
    if (it == files.end()) return;
    const std::string& in = it->second;
    Text current;
    size_t pos = 0;
    while (pos < in.size()) {
      size_t end = in.find("\r\n", pos);
      Text line = in.substr(pos, end - pos);
      pos = end == Text::npos ? in.size() : end + 2;
      if (line.size() > 2 && line.front() == '[') {
        current = line.substr(1, line.size() - 2);
        AddKey(current);
      } else if (line.rfind("V\t", 0) == 0) {
        size_t t2 = line.find('\t', 2), t3 = line.find('\t', t2 + 1);
        keys[current][line.substr(t2 + 1, t3 - t2 - 1)] =
            FakeValue{uint32_t(std::stoul(line.substr(2, t2 - 2))), line.substr(t3 + 1)};
      }
    }
  }
}

bool FakeWorld::EndProcess(uint32_t processId) {
  endCalls.push_back(processId);
  if (!processes.count(processId) || unkillable.count(processId)) return false;
  processes.erase(processId);
  return true;
}

void FakeWorld::ListActiveProcesses() {
  app_.lstProcesses.Clear();
  for (const auto& [pid, image] : processes) {
    const bool readable = image.find('\\') != Text::npos;
    ListItem& row = app_.lstProcesses.Add(readable ? Name(image) : image);
    row.SubItems(1) = std::to_string(pid);
    if (readable) row.SubItems(2) = image;
  }
}

Text FakeWorld::DeleteRegistryKey(const Text& keyPath) {
  if (!keys.count(keyPath) || lockedKeys.count(keyPath)) return "Error";
  for (const auto& [k, v] : keys)
    if (Parent(k) == keyPath) return "Error";
  keys.erase(keyPath);
  return "Ok.";
}

void FakeWorld::DeleteRegistryValue(const Text& keyPath, const Text& valueName) {
  if (lockedKeys.count(keyPath)) return;
  auto it = keys.find(keyPath);
  if (it != keys.end()) it->second.erase(valueName);
}

int64_t FakeWorld::ValueType(const Text& keyPath, const Text& valueName) {
  auto it = keys.find(keyPath);
  if (it == keys.end()) return -1;
  auto v = it->second.find(valueName);
  return v == it->second.end() ? -1 : int64_t(v->second.type);
}

void FakeWorld::EnumRegistryKeys(const Text& rootName, const Text& subPath, PathTable& out) {
  const Text key = rootName + "\\" + subPath;
  out.Add(key);
  // Pre-order: parents before children.
  std::function<void(const Text&)> walk = [&](const Text& k) {
    for (const auto& [p, v] : keys)
      if (Parent(p) == k) {
        out.Add(p);
        walk(p);
      }
  };
  walk(key);
}

modRegistry::DwordResult FakeWorld::GetRegistryDword(const Text& keyPath, const Text& valueName) {
  int64_t t = ValueType(keyPath, valueName);
  if (t < 0) return Text("Error");
  const FakeValue& v = keys[keyPath][valueName];
  if (t == win::kRegDword) return int32_t(uint32_t(std::stoul(v.data)));
  // Like the registry module: data of up to four bytes reads as a number.
  if (v.data.size() + 1 <= 4) {
    uint32_t n = 0;
    for (size_t i = 0; i < v.data.size(); ++i) n |= uint32_t(uint8_t(v.data[i])) << (8 * i);
    return int32_t(n);
  }
  return Text("Error");
}

Text FakeWorld::GetRegistryString(const Text& keyPath, const Text& valueName) {
  if (ValueType(keyPath, valueName) < 0) return "Error";
  return keys[keyPath][valueName].data;
}

void FakeWorld::SetRegistryString(const Text& keyPath, const Text& valueName, const Text& data) {
  if (lockedKeys.count(keyPath)) return;
  SetValue(keyPath, valueName, win::kRegSz, data);
}

void FakeWorld::SetRegistryDword(const Text& keyPath, const Text& valueName, int32_t value) {
  if (lockedKeys.count(keyPath)) return;
  SetValue(keyPath, valueName, win::kRegDword, std::to_string(uint32_t(value)));
}

bool FakeWorld::SaveLineToFile(const Text& name, const Text& data) {
  const Text path = app_.programFolder + "\\Quarantine\\" + app_.QuarantineSession + "\\" + name;
  if (!folders.count(Parent(path)) || locked.count(path)) return false;
  files[path] = data;
  return true;
}

bool FakeWorld::LoadLineFromFile(const Text& name, Text& data) {
  auto it = files.find(app_.programFolder + "\\Quarantine\\" + name);
  if (it == files.end()) return false;
  data = it->second;
  return true;
}

void FakeWorld::RaiseScanInfoLine(size_t line) {
  if (app_.lstScanInfoFile.size() <= line) app_.lstScanInfoFile.resize(line + 1);
  app_.lstScanInfoFile[line] = RaisedByOne(app_.lstScanInfoFile[line]);
}

void FakeWorld::FlushScanLog() {
  flushedLog = app_.lstLog;
  app_.lstLog.clear();
}

void FakeWorld::ResetUsedValues() {
  ++resetCalls;
  ResetWorkState(app_);
}

}  // namespace morvane::testing
