// The removal step: removes every checked result row by type, then closes
// the scan (statistics, settings, log, manual-removal report, reset).
#include "removal/removal_engine.h"

#include <cstdio>
#include <vector>

#include "platform/handles.h"
#include "removal/protected.h"
#include "removal/text_util.h"

namespace morvane {

using namespace removal_text;

namespace {
constexpr const char* kIeMainKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main";
constexpr size_t kRemovedTotalLine = 2;

// A path under no known root cannot be reached, so it never counts as removed.
bool KnownRoot(const Text& keyPath) {
  return modRegistry::GetRootKeyHandle(Before(keyPath, keyPath.find('\\'))) != 0;
}
}  // namespace

bool RemovalEngine::AutoEraseMode() const {
  return Line(app_.lstSettingsFile, 9) == "1" && Line(app_.lstCustomScanSettings, 4) == "1";
}

void RemovalEngine::cmdNextDelete_Click() {
  view_.SetResultButtonsEnabled(false);
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
        view_.SetResultButtonsEnabled(true);
        return;
      }
    }
  }

  if (removeRows) {
    const size_t n = results.Count();
    for (size_t i = 1; i <= n && i <= results.Count(); ++i) {
      if (results.Item(i).checked) {
        ListItem row = results.Item(i);  // a copy: the hooks may touch the table
        const size_t firstLogLine = app_.lstLog.size();
        storedItem_ = 0;
        RemoveRow(row);
        if (onRowRemoved) onRowRemoved(row, firstLogLine, storedItem_);
      }
      ctx_.YieldToHost();
    }
    ResetHomePage();
  }

  UpdateStatistics();
  ctx_.OperationInProgress = false;
  ops_.SaveData();
  ops_.FlushScanLog();

  const bool manualRemoval = !app_.lstIremovable.Empty() && !app_.AutoScan;
  if (!manualRemoval) {
    view_.ShowStatus();
  } else {
    view_.ShowIremovable();
    ctx_.messages().Show(
        "The following objects could not be removed. Please check their respective URLs \r\n"
        "for information on how to manually remove them.",
        "Not removed", MsgButtons::Ok, MsgIcon::Information);
  }

  // The manual-removal screen lists lstIremovable until "Finish" empties it:
  // its rows outlive the reset, or adding them to the ignore list would find none.
  ListView iremovable;
  if (manualRemoval) iremovable = app_.lstIremovable;
  ops_.ResetUsedValues();
  if (manualRemoval) app_.lstIremovable = std::move(iremovable);
  ctx_.YieldToHost();
  view_.SetResultButtonsEnabled(true);
  ctx_.YieldToHost();
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
  if (Line(app_.lstSettingsFile, 2) != "0" || app_.AutoScan) return;
  MsgResult answer =
      ctx_.messages().Show("Do you want to reset your browser homepage settings in case it was changed by a spyware?",
                           "Reset homepage?", MsgButtons::YesNo, MsgIcon::Question);
  if (answer != MsgResult::Yes) return;
  const Text home = Line(app_.lstSettingsFile, 6);
  const Text title = Line(app_.lstSettingsFile, 7);
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
  if (app_.lstScanInfoFile.empty()) app_.lstScanInfoFile.resize(1);
  app_.lstScanInfoFile[0] = stamp;
  ops_.RaiseScanInfoLine(1);
}

bool RemovalEngine::Protected(const ListItem& row) const {
  return ProtectedLocations(app_.folders, app_.programFolder).Row(row.text, row.SubItems(2));
}

void RemovalEngine::RemoveRow(const ListItem& row) {
  const Text type = Lower(row.text);
  const bool known = type == "cookie" || type == "file" || type == "path" || type == "folder" ||
                     type == "regkey" || type == "regval";
  // A record naming the system, the user's folders or this program (a
  // corrupt or tampered database) never removes them: nothing else happens.
  if (known && Protected(row)) {
    Log("Protected location not removed=" + row.SubItems(2));
    return;
  }
  if (type == "cookie") RemoveCookie(row);
  else if (type == "file" || type == "path") RemoveFileRow(row);
  else if (type == "folder") RemoveFolderRow(row);
  else if (type == "regkey") RemoveRegKey(row);
  else if (type == "regval") RemoveRegValue(row);
}

bool RemovalEngine::QuarantineOptionOn() const { return Line(app_.lstCustomScanSettings, 3) == "1"; }

// With the quarantine option on (every row type) or in auto-erase mode (files
// and cookies) nothing is deleted without its quarantine copy.
bool RemovalEngine::QuarantineBeforeRemoval(const ListItem& row, const Text& what, bool autoEraseCopies) {
  if (!QuarantineOptionOn() && !(autoEraseCopies && AutoEraseMode())) return true;
  StoreResult r = StoreRow(row);
  if (r == StoreResult::Stored) return true;
  const Text why = r == StoreResult::NoFreeNumber ? "no free quarantine number" : "quarantine copy failed";
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

void RemovalEngine::RemoveFileRow(const ListItem& row) {
  const Text& location = row.SubItems(2);
  if (EndsWithLower(location, "exe")) {
    size_t slash = location.rfind('\\');
    const Text name = slash == Text::npos ? location : location.substr(slash + 1);
    for (const auto& proc : app_.lstProcesses.Rows()) {
      if (proc.text != name) continue;
      Log("Process Killed=" + location);
      uint32_t pid = uint32_t(std::strtoul(proc.SubItems(1).c_str(), nullptr, 10));
      for (int attempt = 0; attempt < 20; ++attempt)
        if (ops_.EndProcess(pid)) break;
      ops_.ListActiveProcesses();
      ctx_.YieldToHost();
      break;
    }
  }
  if (EndsWithLower(location, "dll")) ops_.ShellAndWait("regsvr32.exe /s /u " + location);

  if (!QuarantineBeforeRemoval(row, "File", true)) return;

  for (int i = 0; i <= 50000; ++i) ctx_.YieldToHost();

  ops_.SetNormal(location);
  ops_.RemoveFile(location);
  if (ops_.Exists(location)) {
    Log("File not deleted=" + location);
    return;
  }
  ops_.RaiseScanInfoLine(kRemovedTotalLine);
  Log("File deleted=" + location);
}

void RemovalEngine::RemoveFolderRow(const ListItem& row) {
  const Text& location = row.SubItems(2);
  if (!QuarantineBeforeRemoval(row, "Folder", false)) return;
  WipeFolder(location);
  ops_.RemoveFolder(location);
  if (ops_.Exists(location)) Log("Folder not deleted=" + location);
}

void RemovalEngine::RemoveRegKey(const ListItem& row) {
  const Text& location = row.SubItems(2);
  if (!QuarantineBeforeRemoval(row, "Registry key", false)) return;
  app_.lstRegScan.Clear();
  size_t slash = location.find('\\');
  ops_.EnumRegistryKeys(Before(location, slash), After(location, slash), app_.lstRegScan);
  for (size_t i = app_.lstRegScan.Count(); i >= 1; --i) {
    const Text key = app_.lstRegScan.Item(i).text;
    ops_.DeleteRegistryKey(key);
    if (!KnownRoot(key) || ops_.KeyExists(key)) {
      Log("Registry key not deleted=" + key);
    } else {
      ops_.RaiseScanInfoLine(kRemovedTotalLine);
      Log("Registry key deleted=" + key);
    }
    ctx_.YieldToHost();
  }
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
