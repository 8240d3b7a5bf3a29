// The removal step: removes every checked result row by type, then closes
// the scan (statistics, settings, log, manual-removal report, reset).
#include "removal/removal_engine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "database/protected.h"
#include "platform/handles.h"
#include "removal/text_util.h"
#include "scanner/parse.h"
#include "store/app_settings.h"
#include "store/settings.h"

namespace morvane {

using namespace removal_text;

namespace {
constexpr const char* kIeMainKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main";
constexpr size_t kRemovedTotalLine = size_t(ScanInfoLine::ObjectsRemoved);

// A path under no known root cannot be reached, so it never counts as removed.
bool KnownRoot(const Text& keyPath) {
  return modRegistry::GetRootKeyHandle(Before(keyPath, keyPath.find('\\'))) != 0;
}

// The whole part of a statistics line, as raising it reads it.
int64_t WholePart(Text line) {
  RaiseByOne(line);
  return std::stoll(line) - 1;
}
}  // namespace

bool RemovalEngine::AutoEraseMode() const {
  const Settings settings(app_);
  return settings.ScanModeIs(ScanMode::Custom) && settings.Custom(CustomScanLine::EraseAll);
}

RemovalReport RemovalEngine::RemoveAll() {
  for (auto& row : app_.lstScanResult.Rows()) {
    row.checked = true;
    ctx_.YieldToHost();
  }
  return RemoveChecked();
}

RemovalReport RemovalEngine::RemoveChecked() {
  RemovalReport report;
  atRestart_.clear();
  ctx_.YieldToHost();

  CleanEmptySession();

  ListView& results = app_.lstScanResult;
  bool removeRows = !results.Empty();
  if (removeRows) {
    const bool autoErase = AutoEraseMode();
    if (autoErase) {
      const size_t n = results.Count();
      for (size_t i = 1; i <= n; ++i) {
        results.Item(i).checked = true;
        ctx_.YieldToHost();
      }
    }
    size_t checked = 0;
    for (const auto& row : results.Rows()) checked += row.checked ? 1 : 0;
    removeRows = checked > 0;
    if (removeRows && !autoErase && !app_.AutoScan) {
      MsgResult answer = ctx_.messages().Show("Are you sure you want to delete " + std::to_string(checked) + " items?",
                                              "Delete?", MsgButtons::YesNo, MsgIcon::Question);
      if (answer != MsgResult::Yes) {
        report.cancelled = true;
        return report;
      }
    }
  }

  const int64_t removedBefore = WholePart(Settings(app_).Info(ScanInfoLine::ObjectsRemoved));
  if (removeRows) {
    const size_t n = results.Count();
    for (size_t i = 1; i <= n && i <= results.Count(); ++i) {
      if (results.Item(i).checked) {
        ListItem row = results.Item(i);  // a copy: the hooks may touch the table
        const size_t firstLogLine = app_.lstLog.size();
        storedItem_ = 0;
        RemoveRow(row);
        ++report.rows;
        if (onRowRemoved) onRowRemoved(row, firstLogLine, storedItem_);
      }
      ctx_.YieldToHost();
    }
    ResetHomePage();
  }
  const int64_t removed = WholePart(Settings(app_).Info(ScanInfoLine::ObjectsRemoved)) - removedBefore;
  report.removed = removed > 0 ? size_t(removed) : 0;

  report.manual = CloseScan();
  report.atRestart = std::move(atRestart_);
  atRestart_.clear();
  return report;
}

ListView RemovalEngine::CloseScan() {
  UpdateStatistics();
  ctx_.OperationInProgress = false;
  ops_.SaveData();
  ops_.FlushScanLog();

  // The reset empties the scan's tables; the rows for removal by hand are the caller's.
  ListView manual = app_.lstIremovable;
  ops_.ResetUsedValues();
  return manual;
}

void RemovalEngine::CleanEmptySession() {
  app_.lstQuarBuffer.clear();
  const Text session = SessionFolder();
  int32_t files = 0;
  ops_.FindFilesToList(session + "\\", "*.*", false, app_.lstQuarBuffer, files);
  ops_.ResetSearchTotals();
  // An empty session name would name the quarantine folder itself.
  if (!app_.QuarantineSession.empty() && ops_.FolderExists(session) && app_.lstQuarBuffer.empty())
    ops_.RemoveFolder(session);
}

void RemovalEngine::ResetHomePage() {
  // A scheduler scan runs unattended: no question may wait for an answer.
  const Settings settings(app_);
  if (!settings.HomePageProtectionOff() || app_.AutoScan) return;
  MsgResult answer =
      ctx_.messages().Show("Do you want to reset your browser homepage settings in case it was changed by a spyware?",
                           "Reset homepage?", MsgButtons::YesNo, MsgIcon::Question);
  if (answer != MsgResult::Yes) return;
  const Text home = settings.HomePage();
  const Text title = settings.WindowTitle();
  ops_.SetRegistryString(kIeMainKey, "Start Page", home);
  ops_.SetRegistryString(kIeMainKey, "Window Title", title);
  Log("IE Homepage settings reseted to:  Homepage=" + home);
  Log(Text(34, ' ') + "Window Title=" + title);
}

void RemovalEngine::UpdateStatistics() {
  DateTime now = ctx_.clock().Now();
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%02d-%02d-%04d  %02d:%02d:%02d", now.month, now.day, now.year, now.hour,
                now.minute, now.second);
  Settings(app_).SetInfo(ScanInfoLine::LastScan, stamp);
  ops_.RaiseScanInfoLine(size_t(ScanInfoLine::ScansDone));
}

bool RemovalEngine::Protected(const ListItem& row) const {
  return ProtectedLocations(app_.folders, app_.programFolder).Row(row.text, row.SubItems(2));
}

bool RemovalEngine::LeadsToProtected(const Text& path) {
  // What a removal or a restore touches is the entry in its folder: the way
  // to the folder is followed, the entry itself is not (a link goes alone).
  // A folder that does not exist yet is told by the nearest one that does.
  Text final;
  for (size_t cut = path.rfind('\\'); cut != Text::npos && cut >= 2; cut = path.rfind('\\', cut - 1)) {
    const Text folder = path.substr(0, cut == 2 ? 3 : cut);
    if (!ctx_.files().FinalPath(folder, final)) continue;
    if (!final.empty() && final.back() == '\\') final.pop_back();
    return ProtectedLocations(app_.folders, app_.programFolder).File(final + path.substr(cut));
  }
  return false;
}

bool RemovalEngine::KeyLeadsToProtected(const Text& type, const Text& location) {
  // The keys on the way are followed, and for a value its key too; a key
  // itself goes alone (a link is deleted as the link).
  const size_t comma = type == "regval" ? location.find(',') : Text::npos;
  const Text key = location.substr(0, comma);
  const Text final = ops_.FinalKeyPath(key, type == "regval");
  if (final == key) return false;
  return final.empty() ||
         ProtectedLocations(app_.folders, app_.programFolder).Row(type, final + location.substr(key.size()));
}

void RemovalEngine::RemoveRow(const ListItem& row) {
  const Text type = Lower(row.text);
  const bool onDisk = type == "cookie" || type == "file" || type == "path" || type == "folder";
  const bool known = onDisk || type == "regkey" || type == "regval";
  const Text& location = row.SubItems(2);
  // A record naming the system, the user's folders or this program (a
  // corrupt or tampered database) never removes them, nor does one whose
  // path leads there through a link: nothing else happens.
  if ((known && Protected(row)) ||
      (onDisk && LeadsToProtected(type == "cookie" ? app_.folders.txtCookies + "\\" + location : location)) ||
      ((type == "regkey" || type == "regval") && KeyLeadsToProtected(type, location))) {
    Log("Protected location not removed=" + location);
    return;
  }
  if (type == "cookie") RemoveCookie(row);
  else if (type == "file" || type == "path") RemoveFileRow(row);
  else if (type == "folder") RemoveFolderRow(row);
  else if (type == "regkey") RemoveRegKey(row);
  else if (type == "regval") RemoveRegValue(row);
  else Log("Item not deleted=" + location);  // no removal for this kind of row
}

bool RemovalEngine::QuarantineOptionOn() const { return Settings(app_).Custom(CustomScanLine::QuarantineFirst); }

// With the quarantine option on (every row type) or in auto-erase mode (files
// and cookies) nothing is deleted without its quarantine copy.
bool RemovalEngine::QuarantineBeforeRemoval(const ListItem& row, const Text& what, bool autoEraseCopies) {
  if (!QuarantineOptionOn() && !(autoEraseCopies && AutoEraseMode())) return true;
  StoreResult r = StoreRow(row);
  if (r == StoreResult::Stored) return true;
  const Text why = r == StoreResult::NoFreeNumber ? "no free quarantine number"
                   : r == StoreResult::HoldsLink  ? "a link cannot be quarantined"
                                                  : "quarantine copy failed";
  Log(what + " not deleted (" + why + ")=" + row.SubItems(2));
  return false;
}

void RemovalEngine::RemoveCookie(const ListItem& row) {
  const Text& location = row.SubItems(2);
  if (!QuarantineBeforeRemoval(row, "Cookie", true)) return;
  const Text path = app_.folders.txtCookies + "\\" + location;
  ops_.SetNormal(path);
  ops_.RemoveFile(path);
  if (ops_.Exists(path)) {
    Log("Cookie not deleted=" + location);
    return;
  }
  ops_.RaiseScanInfoLine(kRemovedTotalLine);
  Log("Cookie deleted=" + location);
}

// Ends the running programs whose image is the file at location, and no other:
// a disguised "explorer.exe" elsewhere must not end the user's shell. The
// listing is taken afresh, as an identifier from the scan's snapshot may name
// another program by now; a process whose image cannot be read is left alone.
void RemovalEngine::EndProcessesOf(const Text& location) {
  const Text wanted = AnsiLower(location);
  auto matching = [&] {
    std::vector<uint32_t> pids;
    for (const auto& proc : app_.lstProcesses.Rows())
      if (!proc.SubItems(2).empty() && AnsiLower(proc.SubItems(2)) == wanted)
        pids.push_back(uint32_t(std::strtoul(proc.SubItems(1).c_str(), nullptr, 10)));
    return pids;
  };
  ops_.ListActiveProcesses();
  const std::vector<uint32_t> targets = matching();
  if (targets.empty()) return;
  for (uint32_t pid : targets)
    for (int attempt = 0; attempt < 20; ++attempt)
      if (ops_.EndProcess(pid, location)) break;
  ops_.ListActiveProcesses();
  ctx_.YieldToHost();
  const std::vector<uint32_t> alive = matching();
  for (uint32_t pid : targets) {
    const bool ended = std::find(alive.begin(), alive.end(), pid) == alive.end();
    Log((ended ? "Process Killed=" : "Process not ended=") + location);
  }
}

void RemovalEngine::RemoveFileRow(const ListItem& row) {
  const Text& location = row.SubItems(2);
  if (EndsWithLower(location, "exe")) EndProcessesOf(location);
  // Quoted: a path with a space would otherwise name another file, or none.
  if (EndsWithLower(location, "dll")) ops_.ShellAndWait("regsvr32.exe /s /u " + QuoteArgument(location));

  if (!QuarantineBeforeRemoval(row, "File", true)) return;

  for (int i = 0; i <= 50000; ++i) ctx_.YieldToHost();

  ops_.SetNormal(location);
  ops_.RemoveFile(location);
  if (ops_.Exists(location)) {
    // In use: the file goes when Windows starts again.
    if (!ops_.FolderExists(location) && ops_.RemoveAtRestart(location)) {
      Log("File will be deleted at restart=" + location);
      atRestart_.push_back(location);
    } else {
      Log("File not deleted=" + location);
    }
    return;
  }
  ops_.RaiseScanInfoLine(kRemovedTotalLine);
  Log("File deleted=" + location);
}

void RemovalEngine::RemoveFolderRow(const ListItem& row) {
  const Text& location = row.SubItems(2);
  if (!QuarantineBeforeRemoval(row, "Folder", false)) return;
  // A link goes alone: what is seen through it belongs to the folder it points at.
  const uint32_t attributes = ctx_.files().GetAttributes(location);
  const bool link = attributes != win::kInvalidAttributes && (attributes & win::kAttrReparsePoint);
  if (!link) WipeFolder(location);
  ops_.RemoveFolder(location);
  if (!ops_.Exists(location)) return;
  if (!link && RemoveLeftoversAtRestart(location)) {
    Log("Folder will be deleted at restart=" + location);
    atRestart_.push_back(location);
  } else {
    Log("Folder not deleted=" + location);
  }
}

// What the wipe left in folder (files in use) goes when Windows starts again:
// the files first, then the folders below it deepest first, then folder itself.
bool RemovalEngine::RemoveLeftoversAtRestart(const Text& folder) {
  app_.lstCustomDelete.Clear();
  ops_.FindFilesToListView(folder, "*.*", true, app_.lstCustomDelete);
  ops_.ResetSearchTotals();
  std::vector<Text> files, folders;
  for (const auto& entry : app_.lstCustomDelete.Rows())
    (ops_.FolderExists(entry.text) ? folders : files).push_back(entry.text);
  app_.lstCustomDelete.Clear();
  // Nothing listed (an aborted scan lists nothing): what keeps the folder is unknown.
  if (files.empty() && folders.empty()) return false;
  bool all = true;
  for (const Text& file : files) {
    if (ops_.RemoveAtRestart(file)) Log("File will be deleted at restart=" + file);
    else all = false;
  }
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) all = ops_.RemoveAtRestart(*it) && all;
  return ops_.RemoveAtRestart(folder) && all;
}

void RemovalEngine::RemoveRegKey(const ListItem& row) {
  const Text& location = row.SubItems(2);
  if (!QuarantineBeforeRemoval(row, "Registry key", false)) return;
  app_.lstRegScan.Clear();
  size_t slash = location.find('\\');
  ops_.EnumRegistryKeys(Before(location, slash), After(location, slash), app_.lstRegScan);
  for (size_t i = app_.lstRegScan.Count(); i >= 1; --i) {
    const Text key = app_.lstRegScan.Item(i).text;
    // Listed, yet not found by its name (one the code page cannot spell):
    // it cannot be deleted either.
    const bool found = KnownRoot(key) && ops_.KeyExists(key);
    ops_.DeleteRegistryKey(key);
    if (!found || ops_.KeyExists(key)) {
      Log("Registry key not deleted=" + key);
    } else {
      ops_.RaiseScanInfoLine(kRemovedTotalLine);
      Log("Registry key deleted=" + key);
    }
    ctx_.YieldToHost();
  }
  // Nothing listed, yet the key is there: it refused the walk's open. Or it
  // was listed by a name that reaches nothing: a character the code page
  // lacks is listed as "?".
  if (app_.lstRegScan.Empty() && KnownRoot(location) && location.back() != '\\' &&
      (ops_.KeyExists(location) || location.find('?') != Text::npos))
    Log("Registry key not deleted=" + location);
  app_.lstRegScan.Clear();
  ctx_.YieldToHost();
}

void RemovalEngine::RemoveRegValue(const ListItem& row) {
  const Text& location = row.SubItems(2);
  if (!QuarantineBeforeRemoval(row, "Registry value", false)) return;
  size_t comma = location.find(',');
  const Text key = Before(location, comma);
  const Text name = After(location, comma);
  ops_.DeleteRegistryValue(key, name);
  if (!KnownRoot(key) || ops_.ValueExists(key, name)) {
    Log("Registry value not deleted=" + location);
    return;
  }
  ops_.RaiseScanInfoLine(kRemovedTotalLine);
  Log("Registry value deleted=" + location);
}

void RemovalEngine::DeleteListedFiles() {
  const size_t n = app_.lstCustomDelete.Count();
  for (size_t i = 1; i <= n && i <= app_.lstCustomDelete.Count(); ++i) {
    const Text path = app_.lstCustomDelete.Item(i).text;
    ops_.SetNormal(path);
    ops_.RemoveFile(path);
    ops_.RemoveFolder(path);
    // Only what is really gone counts as removed.
    if (!ops_.Exists(path)) ops_.RaiseScanInfoLine(kRemovedTotalLine);
    ctx_.YieldToHost();
  }
}

void RemovalEngine::WipeFolder(const Text& folder) {
  app_.lstCustomDelete.Clear();
  ops_.FindFilesToListView(folder, "*.*", true, app_.lstCustomDelete);
  ops_.ResetSearchTotals();
  size_t remaining = 1;
  for (int passes = 0; remaining != 0 && passes < 30; ++passes) {
    app_.lstCustomDelete.Clear();
    ops_.FindFilesToListView(folder, "*.*", true, app_.lstCustomDelete);
    ops_.ResetSearchTotals();
    if (!app_.lstCustomDelete.Empty()) DeleteListedFiles();
    remaining = app_.lstCustomDelete.Count();
    ctx_.YieldToHost();
  }
}

void RemovalEngine::RemoveWipedTree(const Text& folder) {
  std::vector<Text> folders;
  {
    FindHandleOwner find(ctx_.files());
    FindData fd;
    for (bool more = find.First(folder + "\\*", fd); more; more = find.Next(fd)) {
      if (fd.name == "." || fd.name == "..") continue;
      const Text path = folder + "\\" + fd.name;
      // Links are removed, never followed.
      if ((fd.attributes & win::kAttrDirectory) && !(fd.attributes & win::kAttrReparsePoint)) {
        folders.push_back(path);
      } else if (fd.name == "desktop.ini") {
        ops_.SetNormal(path);
        ops_.RemoveFile(path);
      }
    }
  }
  for (const Text& f : folders) RemoveWipedTree(f);
  ops_.RemoveFolder(folder);
}

}  // namespace morvane
