#include "scanner/oracle.h"

#include <cstdlib>

#include "database/folders.h"
#include "platform/dir_search.h"
#include "platform/modules.h"
#include "platform/process_list.h"
#include "scanner/parse.h"
#include "scanner/scan_engine.h"
#include "store/ignore_list.h"

namespace morvane::oracle {

namespace {
void Split(Text item, std::array<Text, 4>& fields) {
  for (size_t f = 0; f < 4 && !item.empty(); ++f) {
    size_t at = item.find('|');
    if (at == Text::npos) {
      fields[f] = item;
      break;
    }
    fields[f] = item.substr(0, at);
    item = item.substr(at + 1);
  }
}
Text Lower(const Text& t) { return AnsiLower(t); }
Text Right(const Text& t, size_t n) { return t.size() > n ? t.substr(t.size() - n) : t; }
Text Left(const Text& t, size_t n) { return t.substr(0, n); }
bool Contains(const Text& hay, const Text& needle) { return hay.find(needle) != Text::npos; }
bool SplitLastDot(const Text& s, Text& ext, Text& base) {
  size_t at = s.rfind('.');
  if (at == Text::npos) return false;
  ext = s.substr(at + 1);
  base = s.substr(0, at);
  return true;
}
}  // namespace

bool LiteralScan::Opt(size_t i) const {
  return app_.lstCustomScanSettings.size() > i && app_.lstCustomScanSettings[i] == "1";
}

void LiteralScan::Raise(Counter c) {
  app_.counter(c) = std::to_string(std::atoll(app_.counter(c).c_str()) + 1);
}

void LiteralScan::Found(const Text& object, int icon, Counter typeCounter, bool processTest, const Text* category) {
  if (Lower(Left(app_.strDBItem[0], 4)) != "regk") Raise(Counter::lblObjectsRecognized);
  if (ObjectIgnored(ctx_, app_.lstIgnoreListFile, object)) {
    Raise(Counter::lblObjectsIgnored);
    return;
  }
  if (processTest) {
    Text name = app_.strDBItem[1].substr(app_.strDBItem[1].rfind('\\') == Text::npos ? 0 : app_.strDBItem[1].rfind('\\') + 1);
    for (size_t i = 1; i <= app_.lstProcesses.Count(); ++i) {
      if (app_.lstProcesses.Item(i).text == name) {
        Raise(Counter::lblProcessesIdentified);
        break;
      }
      ctx_.YieldToHost();
    }
  }
  Raise(Counter::lblNewObjects);
  Raise(typeCounter);
  ListView& t = app_.strDBItem[3] != "" ? app_.lstIremovable : app_.lstScanResult;
  ListItem& row = t.Add(app_.strDBItem[0], icon);
  row.SubItems(1) = category ? *category : app_.strDBItem[2];
  row.SubItems(2) = object;
  row.SubItems(3) = app_.strDBItem[3];
}

bool LiteralScan::End() {
  if (!ctx_.OperationInProgress) {
    leave_ = true;
    return false;
  }
  ctx_.YieldToHost();
  return true;
}

void LiteralScan::StartScan() {
  for (auto& c : app_.counters) c = "0";
  app_.QuarantineCounter = 10000;
  app_.lstHDDItems.Clear();
  app_.lstRegScan.Clear();
  app_.lstScanResult.Clear();
  app_.lstIremovable.Clear();
  app_.lstLog.clear();
  app_.lstProcesses.Clear();
  app_.lstCustomDelete.Clear();
  app_.lstCache.clear();
  ctx_.YieldToHost();
  ctx_.OperationInProgress = true;
  ListActiveProcesses(ctx_, app_.lstProcesses);
  app_.counter(Counter::lblRunningProcesses) = std::to_string(app_.lstProcesses.Count());
  Text mode = app_.lstSettingsFile.size() > 9 ? app_.lstSettingsFile[9] : "";
  modFindFiles ff(ctx_);
  if (mode == "0") {
    app_.lstCache.clear();
    Text folder = app_.folders.txtCookies;
    bool r = false;
    ff.FindFilesToList(folder, "*.txt", app_.totals.FileCount, app_.totals.DirCount, app_.lstCache, r);
    app_.totals.ResetSearchTotals();
    ctx_.YieldToHost();
    Loop(0);
  } else if (mode == "1") {
    if (Opt(6)) {
      app_.lstCache.clear();
      Text folder = app_.folders.txtCookies;
      bool r = false;
      ff.FindFilesToList(folder, "*.txt", app_.totals.FileCount, app_.totals.DirCount, app_.lstCache, r);
      app_.totals.ResetSearchTotals();
      ctx_.YieldToHost();
    }
    if (Opt(0)) {
      app_.lstHDDItems.Clear();
      Text root = Left(app_.folders.strWinDir, 3);
      bool r = true;
      ff.FindFilesToListView(root, "*.*", app_.totals.FileCount, app_.totals.DirCount, app_.lstHDDItems, r);
      app_.totals.ResetSearchTotals();
      ctx_.YieldToHost();
    }
    if (Opt(5)) {
      app_.lstRegScan.Clear();
      modRegScan rs(ctx_);
      rs.EnumRegistryKeys(modRegistry::GetRootKeyHandle("HKEY_CURRENT_USER"), "Software", "HKEY_CURRENT_USER", app_.lstRegScan);
      ctx_.YieldToHost();
      rs.EnumRegistryKeys(modRegistry::GetRootKeyHandle("HKEY_LOCAL_MACHINE"), "System", "HKEY_LOCAL_MACHINE", app_.lstRegScan);
      ctx_.YieldToHost();
      rs.EnumRegistryKeys(modRegistry::GetRootKeyHandle("HKEY_CURRENT_CONFIG"), "Software", "HKEY_CURRENT_CONFIG", app_.lstRegScan);
      ctx_.YieldToHost();
      rs.EnumRegistryKeys(modRegistry::GetRootKeyHandle("HKEY_CURRENT_CONFIG"), "System", "HKEY_CURRENT_CONFIG", app_.lstRegScan);
      ctx_.YieldToHost();
    }
    Loop(1);
  } else if (mode == "2") {
    app_.lstHDDItems.Clear();
    app_.totals.ResetSearchTotals();
    for (const Text& entry : FoldersToList(app_.lstSelectedFolders)) {
      Text folder = entry;
      bool r = true;
      ff.FindFilesToListView(folder, "*.*", app_.totals.FileCount, app_.totals.DirCount, app_.lstHDDItems, r);
      app_.totals.ResetSearchTotals();
      ctx_.YieldToHost();
    }
    Loop(2);
  }
  caption = "Finished.";
}

void LiteralScan::RecordPhase(const Text& mode) { Loop(std::atoi(mode.c_str())); }

void LiteralScan::Loop(int mode) {
  leave_ = false;
  modRegistry reg(ctx_);
  for (size_t i = 2; i <= app_.lstDBaseFile.Count(); ++i) {
    const Text entry = app_.lstDBaseFile.Item(i).text;
    if (Left(entry, 1) != "#" && Left(entry, 1) != "@") Raise(Counter::lblScannedObjects);
    Text type = Lower(Left(entry, 4));
    bool handles = false;
    if (mode == 0) handles = type == "path" || type == "fold" || type == "regv" || type == "regk" || type == "cook";
    if (mode == 1)
      handles = (type == "path" && (Opt(1) || Opt(0))) || (type == "fold" && Opt(0)) ||
                (type == "regv" && Opt(2)) || (type == "regk" && Opt(2)) || (type == "cook" && Opt(6)) ||
                (type == "file" && Opt(0)) || (type == "regs" && Opt(5));
    if (mode == 2) handles = type == "path" || type == "fold" || type == "file";
    if (handles) {
      app_.strDBItem = {"", "", "", ""};
      Split(entry, app_.strDBItem);
      if ((type == "path" || type == "fold") && Contains(app_.strDBItem[1], "%"))
        ReplaceVariableFolders(app_.folders, app_.strDBItem[1]);
      const Text target = app_.strDBItem[1];
      caption = "Scanning_item:_" + target;
      if (type == "path" && mode != 2) {
        if (DirFinds(ctx_.files(), target, kDirFilesOnly))
          Found(target, 3, Counter::lblFilesIdentified, mode == 0 || Opt(1));
      } else if (type == "path") {
        for (size_t k = 1; k <= app_.lstHDDItems.Count(); ++k) {
          caption = "Scanning_item:_" + app_.lstHDDItems.RowText(k);
          if (app_.lstHDDItems.RowText(k) == target) {
            Found(target, 3, Counter::lblFilesIdentified, true);
            break;
          }
          if (!End()) break;
        }
      } else if (type == "fold" && mode != 2) {
        if (DirFinds(ctx_.files(), target, kDirFilesAndFolders)) Found(target, 2, Counter::lblFoldersIdentified, false);
      } else if (type == "fold") {
        for (size_t k = 1; k <= app_.lstHDDItems.Count(); ++k) {
          caption = "Scanning_item:_" + Left(app_.lstHDDItems.RowText(k), target.size());
          const Text row = app_.lstHDDItems.RowText(k);
          const Text below = Right(target, 1) == "\\" ? target : target + "\\";
          if (target != "" && (row == target || Left(row, below.size()) == below)) {
            Found(target, 2, Counter::lblFoldersIdentified, false);
            break;
          }
          if (!End()) break;
        }
      } else if (type == "regv") {
        size_t comma = target.find(',');
        if (comma != Text::npos) {
          Text v = reg.GetRegistryString(target.substr(0, comma), target.substr(comma + 1)).value_or("Error");
          if (v != "" && v != "Error") Found(target, 5, Counter::lblRegValuesIdentified, false);
        }
      } else if (type == "regk") {
        size_t slash = target.rfind('\\');
        if (slash != Text::npos) {
          std::vector<Text> names = reg.GetSubKeyNames(target.substr(0, slash));
          Text key = Lower(target.substr(slash + 1));
          for (size_t k = 0; k < names.size(); ++k) {
            // The closing empty element names no key.
            if (key != "" && Lower(names[k]) == key) {
              Found(target, 4, Counter::lblRegKeysIdentified, false);
              break;
            }
            if (!End()) break;
          }
        }
      } else if (type == "cook") {
        for (size_t k = 0; k < app_.lstCache.size(); ++k) {
          const Text name = app_.lstCache[k];
          caption = "Scanning_item:_" + name;
          if (target != "" && Contains(Lower(name), Lower(target))) Found(name, 6, Counter::lblFilesIdentified, false);
          if (!End()) break;
        }
      } else if (type == "file") {
        for (size_t k = 1; k <= app_.lstHDDItems.Count(); ++k) {
          const Text path = app_.lstHDDItems.RowText(k);
          Text name = path.substr(path.rfind('\\') == Text::npos ? 0 : path.rfind('\\') + 1);
          if (Contains(name, ".")) {
            caption = "Scanning_item:_" + path;
            Text F0, F1, P0, P1;
            SplitLastDot(name, F0, F1);
            if (SplitLastDot(target, P0, P1)) {
              bool s0 = Contains(P0, "*"), s1 = Contains(P1, "*");
              size_t m = P0.size() - 1;
              bool match = false;
              if (!s0 && !s1) match = F0 == P0 && F1 == P1;
              else if (s1 && !s0) match = F0 == P0;
              else if (s0 && !s1) {
                if (P0 == "*") match = F1 == P1;
                else if (Left(P0, 1) == "*") match = F1 == P1 && Right(F0, m) == Right(P0, m);
                else match = F1 == P1 && Left(F0, m) == Left(P0, m);
              } else {
                if (P0 == "*") match = false;
                else if (Left(P0, 1) == "*") match = Right(F0, m) == Right(P0, m);
                else match = Left(F0, m) == Left(P0, m);
              }
              if (match) Found(path, 1, Counter::lblFilesIdentified, false);
            }
          }
          if (!End()) break;
        }
      } else if (type == "regs") {
        for (size_t k = 1; k <= app_.lstRegScan.Count(); ++k) {
          const Text row = app_.lstRegScan.Item(k).text;
          caption = "Scanning_item:_" + target;
          if (target != "" && Contains(Lower(row), Lower(target))) {
            if (Contains(row, "=")) {
              const Text cat = "RegVal";
              Found(row.substr(0, row.find('=')), 5, Counter::lblRegValuesIdentified, false, &cat);
            } else {
              const Text cat = "RegKey";
              Found(row, 4, Counter::lblRegKeysIdentified, false, &cat);
            }
          }
          ctx_.YieldToHost();
          if (!ctx_.OperationInProgress) {
            leave_ = true;
            break;
          }
        }
      }
      if (leave_) return;
      ctx_.YieldToHost();
    }
    entriesDone = i - 1;
    if (!ctx_.OperationInProgress) return;
    ctx_.YieldToHost();
  }
}

}  // namespace morvane::oracle
