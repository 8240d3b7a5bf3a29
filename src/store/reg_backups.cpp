#include "store/reg_backups.h"

#include "store/app_settings.h"
#include <algorithm>
#include <cstdlib>

#include "platform/ansi_text.h"
#include "platform/process_list.h"
#include "store/scan_log.h"

namespace morvane {

bool BackupStamp(const Text& name, uint64_t& key) {
  Text base = name;
  if (base.size() > 4 && (base.substr(base.size() - 4) == ".reg" || base.substr(base.size() - 4) == ".REG"))
    base.resize(base.size() - 4);
  long v[6];
  size_t start = 0;
  for (int i = 0; i < 6; ++i) {
    size_t end = i < 5 ? base.find('-', start) : base.size();
    if (end == Text::npos) return false;
    Text part = base.substr(start, end - start);
    if (part.empty() || part.size() > 4 || part.find_first_not_of("0123456789") != Text::npos) return false;
    v[i] = std::strtol(part.c_str(), nullptr, 10);
    start = end + 1;
  }
  if (v[0] < 1 || v[0] > 31 || v[1] < 1 || v[1] > 12 || v[3] > 23 || v[4] > 59 || v[5] > 59) return false;
  key = ((((uint64_t(v[2]) * 13 + v[1]) * 32 + v[0]) * 24 + v[3]) * 60 + v[4]) * 60 + v[5];
  return true;
}

bool IsWholeRegExport(const std::string& file) {
  static const std::string kUnicodeHead = [] {
    std::string h = "\xFF\xFE";
    for (char c : std::string("Windows Registry Editor Version 5.00")) h += {c, '\0'};
    return h;
  }();
  static const std::string kUnicodeEnd("\r\0\n\0\r\0\n\0", 8);
  auto endsWith = [&](const std::string& end) {
    return file.size() >= end.size() && file.compare(file.size() - end.size(), end.size(), end) == 0;
  };
  if (file.compare(0, kUnicodeHead.size(), kUnicodeHead) == 0) return endsWith(kUnicodeEnd);
  return file.compare(0, 8, "REGEDIT4") == 0 && endsWith("\r\n\r\n");
}

bool WholeRegExportFile(IFileSystem& fs, const Text& path) {
  std::string head, tail;
  const bool read = fs.ReadPieces(path, [&](const char* piece, size_t size) {
    if (head.size() < 128) head.append(piece, std::min(size, 128 - head.size()));
    tail.append(piece, size);
    if (tail.size() > 64) tail.erase(0, tail.size() - 64);
  });
  if (!read) return false;
  // Head and tail overlap for a short file: test the whole when it is short.
  return IsWholeRegExport(head.size() < 128 ? head : head + tail);
}

void PruneRegBackups(Context& ctx, AppState& app) {
  modFindFiles ff(ctx);
  ListBox names;
  Text folder = app.programFolder + "\\Registry Backups\\";
  bool recurse = false;
  ff.FindFilesToList(folder, "*.reg", app.totals.FileCount, app.totals.DirCount, names, recurse);
  app.totals.ResetSearchTotals();
  // A kept number that is not a number keeps every backup: nothing is deleted
  // on a guess, nor on the default while the user's settings file is unread.
  if (app.unreadSettingsFiles.count(AsciiLower(app.programFolder + "\\Settings\\Settings.stg"))) return;
  const Text line = Settings(app).BackupsKept();
  const size_t b = line.find_first_not_of(' ');
  if (b == Text::npos || line[b] < '0' || line[b] > '9') return;
  const long keep = std::strtol(line.c_str() + b, nullptr, 10);
  // Only the program's own backups, named by their date, are counted and
  // pruned, oldest first; any other ".reg" file is the user's and stays.
  std::vector<std::pair<uint64_t, Text>> order;
  for (const Text& n : names) {
    uint64_t key = 0;
    if (BackupStamp(n, key)) order.emplace_back(key, n);
  }
  if (long(order.size()) <= keep) return;
  std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 0; i + size_t(keep) < order.size(); ++i) {
    Text path = folder + order[i].second;
    ctx.files().SetAttributes(path, win::kAttrNormal);
    ctx.files().RemoveFile(path);
  }
}

void ListRegBackups(Context& ctx, AppState& app, const std::function<void(const Text&)>& showOperation) {
  DateTime now = ctx.clock().Now();
  Text stamp = DateStamp(now);
  if (Settings(app).RegistryBackupOn()) {
    if (showOperation) showOperation("Backing up Registry...");
    Text drive = app.folders.strWinDir.substr(0, 3);
    Text exported = drive + stamp + ".reg";
    ShellAndWait(ctx, app.folders.strWinDir + "\\regedit.exe /e " + QuoteArgument(exported) + " HKEY_LOCAL_MACHINE", 0);
    DateTime t = ctx.clock().Now();
    app.lstLog.push_back("");
    app.lstLog.push_back("Registry backed up on " + ctx.clock().ShortDate(t) + "  " + ClockTime(t));
    const Text backup = app.programFolder + "\\Registry Backups\\" + stamp + ".reg";
    // The export is on the disk before it takes a backup's name: after a
    // power cut a backup of zeros would count, and push out a whole one.
    bool haveExport = ctx.files().GetAttributes(exported) != win::kInvalidAttributes;
    if (haveExport && !ctx.files().FlushFile(exported)) {
      ctx.files().SetAttributes(exported, win::kAttrNormal);
      ctx.files().RemoveFile(exported);
      haveExport = false;
    }
    // No export, no move: the shell would show its own error, and a
    // scheduled scan would wait on it.
    if (haveExport) {
      modFileOper(ctx).ShellMoveFile(exported, backup);
      // A torn export (a full disk) would count as a backup and push out a whole one.
      if (ctx.files().GetAttributes(backup) != win::kInvalidAttributes && !WholeRegExportFile(ctx.files(), backup)) {
        ctx.files().SetAttributes(backup, win::kAttrNormal);
        ctx.files().RemoveFile(backup);
        haveExport = false;
      }
    }
    if (!haveExport) app.lstLog.push_back("Registry backup incomplete and not kept");
    ctx.YieldToHost();
  }
  PruneRegBackups(ctx, app);
  ListActiveProcesses(ctx, app.lstProcesses);
  app.counter(Counter::lblRunningProcesses) = std::to_string(app.lstProcesses.Count());
}

}  // namespace morvane
