#include "scanner/scan_engine.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string_view>

#include "database/folders.h"
#include "database/protected.h"
#include "platform/dir_search.h"
#include "platform/process_list.h"
#include "scanner/inventory_index.h"
#include "scanner/parse.h"
#include "store/app_settings.h"
#include "store/ignore_list.h"
#include "store/reg_backups.h"
#include "store/scan_log.h"

namespace morvane {

namespace {
constexpr const char* kScanning = "Scanning_item:_";

Text AfterLast(const Text& text, char c) {
  size_t at = text.rfind(c);
  return at == Text::npos ? text : text.substr(at + 1);
}

// A folder as a prefix of the paths below it, in comparable form.
Text FolderPrefix(const Text& folder) { return NormalizeFilePath(folder) + '\\'; }

Text TimeText(const DateTime& t) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", t.hour % 100, t.minute % 100, t.second % 100);
  return buffer;
}
}  // namespace

ListBox FoldersToList(const ListBox& selected) {
  // A folder inside another selected one, or named before, is listed with
  // that one: its entries are listed, and found, once.
  ListBox out;
  for (size_t i = 0; i < selected.size(); ++i) {
    const Text inner = FolderPrefix(selected[i]);
    bool covered = false;
    for (size_t j = 0; j < selected.size() && !covered; ++j) {
      if (j == i || selected[j].empty()) continue;
      const Text outer = FolderPrefix(selected[j]);
      covered = outer == inner ? j < i : inner.rfind(outer, 0) == 0;
    }
    if (!covered) out.push_back(selected[i]);
  }
  return out;
}

ScanEngine::ScanEngine(Context& ctx, AppState& app, IScanView& view, IScanHooks* hooks)
    : ctx_(ctx), app_(app), view_(view), hooks_(hooks), reg_(ctx) {}

ScanEngine::~ScanEngine() = default;

bool ScanEngine::Option(CustomScanLine option) const {
  return Settings(app_).Custom(option);
}

void ScanEngine::Raise(Counter c) {
  app_.counter(c) = RaisedCaption(app_.counter(c));
  view_.CounterChanged(c);
}

void ScanEngine::ScanningCaption(std::string_view item) {
  caption_.assign(kScanning).append(item);
  Caption(caption_);
}

void ScanEngine::ResetUsedValues() {
  for (size_t i = 0; i < kCounterCount; ++i) {
    app_.counters[i] = "0";
    view_.CounterChanged(Counter(i));
  }
  app_.QuarantineCounter = 10000;
  view_.SetScanPhase(ScanPhase::Running);
  app_.lstHDDItems.Clear();
  app_.lstRegScan.Clear();
  app_.lstScanResult.Clear();
  app_.lstIremovable.Clear();
  app_.lstLog.clear();
  app_.lstProcesses.Clear();
  app_.lstCustomDelete.Clear();
  app_.lstCache.clear();
}

void ScanEngine::StartScan() {
  view_.StartScrollingBar();
  ResetUsedValues();
  ignored_.reset();
  // Set before the first yield: an Abort pressed in it must stop this scan,
  // and no second scan may start in it.
  ctx_.OperationInProgress = true;
  ctx_.YieldToHost();
  DateTime now = ctx_.clock().Now();
  app_.lstLog.push_back("");
  app_.lstLog.push_back("Scan process started on " + ctx_.clock().ShortDate(now) + "  " + TimeText(now));
  if (hooks_) {
    hooks_->ListRegBackups(ctx_, app_);
  } else {
    ListActiveProcesses(ctx_, app_.lstProcesses);
    app_.counter(Counter::lblRunningProcesses) = std::to_string(app_.lstProcesses.Count());
  }
  view_.CounterChanged(Counter::lblRunningProcesses);

  entriesDone = 0;
  paths_.reset();
  patterns_.reset();
  cookies_.reset();
  regRows_.reset();
  subKeys_.clear();
  keyParents_.reset();
  const Settings settings(app_);
  if (settings.ScanModeIs(ScanMode::Smart)) {
    app_.lstLog.push_back("");
    app_.lstLog.push_back("Scan mode: Smart Scan");
    RunSmart();
  } else if (settings.ScanModeIs(ScanMode::Custom)) {
    app_.lstLog.push_back("");
    app_.lstLog.push_back("Scan mode: Custom Scan");
    RunCustom();
  } else if (settings.ScanModeIs(ScanMode::Folders)) {
    app_.lstLog.push_back("");
    app_.lstLog.push_back("Scan mode: File/Folder Scan");
    RunFolders();
  }
  // The indexes point into the inventories, which outlive the scan.
  paths_.reset();
  patterns_.reset();
  cookies_.reset();
  regRows_.reset();
  subKeys_.clear();
  keyParents_.reset();

  if (hooks_) hooks_->AddListedToLog(ctx_, app_);
  view_.StopScrollingBar();
  Caption("Finished.");
  view_.SetScanPhase(ScanPhase::Ended);
}

void ScanEngine::RunSmart() {
  Caption("Listing IE Cookies...");
  app_.lstCache.clear();
  modFindFiles find(ctx_);
  Text folder = app_.folders.txtCookies;
  bool recurse = false;
  find.FindFilesToList(folder, "*.txt", app_.totals.FileCount, app_.totals.DirCount, app_.lstCache, recurse);
  app_.totals.ResetSearchTotals();
  ctx_.YieldToHost();
  RecordLoop(Mode::Smart);
}

void ScanEngine::RunCustom() {
  modFindFiles find(ctx_);
  if (Option(CustomScanLine::Cookies)) {
    Caption("Listing IE Cookies...");
    app_.lstCache.clear();
    Text folder = app_.folders.txtCookies;
    bool recurse = false;
    find.FindFilesToList(folder, "*.txt", app_.totals.FileCount, app_.totals.DirCount, app_.lstCache, recurse);
    app_.totals.ResetSearchTotals();
    ctx_.YieldToHost();
  }
  if (Option(CustomScanLine::FullDiskScan)) {
    Caption("Listing Hard Disk Files...");
    app_.lstHDDItems.Clear();
    Text root = app_.folders.strWinDir.substr(0, 3);
    bool recurse = true;
    find.FindFilesToListView(root, "*.*", app_.totals.FileCount, app_.totals.DirCount, app_.lstHDDItems, recurse);
    app_.totals.ResetSearchTotals();
    ctx_.YieldToHost();
  }
  if (Option(CustomScanLine::FullRegistryScan)) {
    Caption("Enumerating Registry Items...");
    app_.lstRegScan.Clear();
    modRegScan scan(ctx_);
    const std::pair<const char*, const char*> walks[] = {{"HKEY_CURRENT_USER", "Software"},
                                                         {"HKEY_LOCAL_MACHINE", "System"},
                                                         {"HKEY_CURRENT_CONFIG", "Software"},
                                                         {"HKEY_CURRENT_CONFIG", "System"}};
    for (const auto& [root, key] : walks) {
      scan.EnumRegistryKeys(modRegistry::GetRootKeyHandle(root), key, root, app_.lstRegScan);
      ctx_.YieldToHost();
    }
  }
  customProcessTest_ = Option(CustomScanLine::ActiveProcesses);
  RecordLoop(Mode::Custom);
}

void ScanEngine::RunFolders() {
  Caption("Listing Hard Disk Files...");
  app_.lstHDDItems.Clear();
  app_.totals.ResetSearchTotals();
  modFindFiles find(ctx_);
  for (const Text& entry : FoldersToList(app_.lstSelectedFolders)) {
    Text folder = entry;
    bool recurse = true;
    find.FindFilesToListView(folder, "*.*", app_.totals.FileCount, app_.totals.DirCount, app_.lstHDDItems,
                             recurse);
    app_.totals.ResetSearchTotals();
    ctx_.YieldToHost();
  }
  RecordLoop(Mode::Folders);
}

void ScanEngine::RecordLoop(Mode mode) {
  stop_ = false;
  const size_t count = app_.lstDBaseFile.Count();
  for (size_t i = 2; i <= count; ++i) {
    const Text& entry = app_.lstDBaseFile.Item(i).text;
    if (entry.empty() || (entry[0] != '#' && entry[0] != '@')) Raise(Counter::lblScannedObjects);
    const Text type = AnsiLower(entry.substr(0, 4));
    bool handled = false;
    switch (mode) {
      case Mode::Smart:
        handled = type == "path" || type == "fold" || type == "regv" || type == "regk" || type == "cook";
        break;
      case Mode::Custom:
        handled = (type == "path" && (Option(CustomScanLine::FullDiskScan) || Option(CustomScanLine::ActiveProcesses))) || (type == "fold" && Option(CustomScanLine::FullDiskScan)) ||
                  ((type == "regv" || type == "regk") && Option(CustomScanLine::Registry)) || (type == "cook" && Option(CustomScanLine::Cookies)) ||
                  (type == "file" && Option(CustomScanLine::FullDiskScan)) || (type == "regs" && Option(CustomScanLine::FullRegistryScan));
        break;
      case Mode::Folders:
        handled = type == "path" || type == "fold" || type == "file";
        break;
    }
    if (handled) {
      for (Text& field : app_.strDBItem) field.clear();  // capacity kept for the next record
      ParseItem(entry, app_.strDBItem, "|");
      if (!HandleRecord(mode, type)) return;
    }
    entriesDone = i - 1;
    if (Stopped()) return;
    ctx_.YieldToHost();
  }
}

bool ScanEngine::HandleRecord(Mode mode, const Text& type) {
  Text& target = app_.strDBItem[1];
  if ((type == "path" || type == "fold") && target.find('%') != Text::npos) {
    ReplaceVariableFolders(app_.folders, target);
  }
  ScanningCaption(target);
  if (type == "path") {
    if (mode == Mode::Folders) {
      ListedPathTest();
    } else if (FileTest()) {
      Found(type, target, 3, Counter::lblFilesIdentified, mode == Mode::Smart || customProcessTest_);
    }
  } else if (type == "fold") {
    if (mode == Mode::Folders) {
      ListedFolderTest();
    } else if (FolderTest()) {
      Found(type, target, 2, Counter::lblFoldersIdentified, false);
    }
  } else if (type == "regv") {
    if (ValueTest()) Found(type, target, 5, Counter::lblRegValuesIdentified, false);
  } else if (type == "regk") {
    if (KeyTest()) Found(type, target, 4, Counter::lblRegKeysIdentified, false);
  } else if (type == "cook") {
    CookieTest();
  } else if (type == "file") {
    PatternTest();
  } else if (type == "regs") {
    ListedKeyTest();
  }
  if (stop_) return false;
  ctx_.YieldToHost();
  return true;
}

namespace {
// Each record of this type: its target (the second field) as it is parsed.
template <class F>
void ForEachTarget(const ListView& db, const char* type, F&& f) {
  for (size_t i = 2; i <= db.Count(); ++i) {
    const std::string_view entry = db.Item(i).text;
    if (LowerEquals(entry.substr(0, 4), type)) f(ItemField(entry, 1, '|'));
  }
}
std::vector<Text> TargetsOfType(const ListView& db, const char* type) {
  std::vector<Text> targets;
  ForEachTarget(db, type, [&](std::string_view t) { targets.emplace_back(t); });
  return targets;
}
}  // namespace

// --- direct probes ---------------------------------------------------------

bool ScanEngine::FileTest() { return DirFinds(ctx_.files(), app_.strDBItem[1], kDirFilesOnly); }

bool ScanEngine::FolderTest() { return DirFinds(ctx_.files(), app_.strDBItem[1], kDirFilesAndFolders); }

bool ScanEngine::ValueTest() {
  const Text& target = app_.strDBItem[1];
  size_t comma = target.find(',');
  if (comma == Text::npos) return false;
  return HasRegistryText(reg_.GetRegistryString(target.substr(0, comma), target.substr(comma + 1)));
}

bool ScanEngine::KeyTest() {
  const Text& target = app_.strDBItem[1];
  size_t slash = target.rfind('\\');
  if (slash == Text::npos) return false;
  const Text parent = target.substr(0, slash);
  const Text name = AnsiLower(target.substr(slash + 1));
  // The names are looked through in order and an abort ends the look after
  // the first: then only the first can be found. The list ends with one
  // empty text that stands for no key: an empty key name is never found.
  bool found = false;
  if (SharedParent(parent)) {
    auto cached = subKeys_.find(parent);
    if (cached == subKeys_.end()) {
      SubKeys keys;
      std::vector<Text> names = reg_.GetSubKeyNames(parent);
      keys.first = AnsiLower(names.front());
      for (Text& n : names) keys.all.insert(AnsiLower(n));
      cached = subKeys_.emplace(parent, std::move(keys)).first;
    }
    found = !name.empty() && (Stopped() ? cached->second.first == name : cached->second.all.count(name) > 0);
  } else {
    // Asked once, or under a root that is not known (such a read shows a
    // message every time): read and looked through at once.
    for (const Text& n : reg_.GetSubKeyNames(parent)) {
      found = !name.empty() && LowerEquals(n, name);
      if (found || Stopped()) break;
    }
  }
  if (!found && Stopped()) stop_ = true;
  return found;
}

bool ScanEngine::SharedParent(const Text& parent) {
  if (modRegistry::GetRootKeyHandle(parent.substr(0, parent.find('\\'))) == 0) return false;
  if (!keyParents_) {
    // Hashes of the parents the key records name, sorted: a parent met twice
    // (or a collision, which only costs a cached list) is kept.
    keyParents_.emplace();
    ForEachTarget(app_.lstDBaseFile, "regk", [&](std::string_view t) {
      if (size_t slash = t.rfind('\\'); slash != std::string_view::npos)
        keyParents_->push_back(std::hash<std::string_view>()(t.substr(0, slash)));
    });
    std::sort(keyParents_->begin(), keyParents_->end());
  }
  auto [lo, hi] = std::equal_range(keyParents_->begin(), keyParents_->end(), std::hash<std::string_view>()(parent));
  return hi - lo > 1;
}

// --- listing tests -----------------------------------------------------------

PathIndex& ScanEngine::Paths() {
  if (!paths_) paths_ = std::make_unique<PathIndex>(app_.lstHDDItems);
  return *paths_;
}

PatternIndex& ScanEngine::Patterns() {
  if (!patterns_) patterns_ = std::make_unique<PatternIndex>(app_.lstHDDItems, TargetsOfType(app_.lstDBaseFile, "file"));
  return *patterns_;
}

SubstringIndex& ScanEngine::Cookies() {
  if (!cookies_) {
    cookies_ = std::make_unique<SubstringIndex>(app_.lstCache, TargetsOfType(app_.lstDBaseFile, "cook"));
  }
  return *cookies_;
}

SubstringIndex& ScanEngine::RegRows() {
  if (!regRows_) {
    regRows_ = std::make_unique<SubstringIndex>(app_.lstRegScan, TargetsOfType(app_.lstDBaseFile, "regs"));
  }
  return *regRows_;
}

// Inside a walk over the found rows: an Abort pressed while a row was added
// ends the walk and the record loop; otherwise yield before the next row.
bool ScanEngine::AbortedAfterRow() {
  if (Stopped()) return stop_ = true;
  ctx_.YieldToHost();
  if (Stopped()) return stop_ = true;
  return false;
}

// After an abort a listing walk ends after its first entry; the walks below
// then look at that entry alone, exactly as a full walk would. An empty
// target names nothing, as for the direct probes (every text holds it).

void ScanEngine::CookieTest() {
  const Text target = app_.strDBItem[1];
  auto one = [&](const Text& entry) {
    ScanningCaption(entry);
    Found("cook", entry, 6, Counter::lblFilesIdentified, false);
  };
  if (Stopped()) {
    if (app_.lstCache.empty()) return;
    Text entry = app_.lstCache.front();
    ScanningCaption(entry);
    if (!target.empty() && AnsiLower(entry).find(AnsiLower(target)) != Text::npos) one(entry);
    stop_ = true;
    return;
  }
  if (target.empty()) return;
  for (size_t r : Cookies().Rows(target)) {
    one(app_.lstCache[r]);
    if (AbortedAfterRow()) return;
  }
}

void ScanEngine::ListedPathTest() {
  const Text target = app_.strDBItem[1];
  if (app_.lstHDDItems.Empty()) return;
  bool found = Stopped() ? app_.lstHDDItems.RowText(1) == target : Paths().HasPath(target);
  if (!found && Stopped()) stop_ = true;
  if (found) Found("path", target, 3, Counter::lblFilesIdentified, true);
}

// A folder record names that folder (or file) and what lies below it; a
// longer name that merely begins the same ("Foobar" for "Foo") is another.
void ScanEngine::ListedFolderTest() {
  const Text target = app_.strDBItem[1];
  if (app_.lstHDDItems.Empty()) return;
  const Text below = !target.empty() && target.back() == '\\' ? target : target + '\\';
  auto firstRow = [&] {
    const Text first = app_.lstHDDItems.RowText(1);
    return first == target || first.compare(0, below.size(), below) == 0;
  };
  const bool found =
      !target.empty() && (Stopped() ? firstRow() : Paths().HasPath(target) || Paths().HasPrefix(below));
  if (!found && Stopped()) stop_ = true;
  if (found) Found("fold", target, 2, Counter::lblFoldersIdentified, false);
}

void ScanEngine::PatternTest() {
  const Text target = app_.strDBItem[1];
  auto one = [&](Text entry) {
    ScanningCaption(entry);
    Found("file", std::move(entry), 1, Counter::lblFilesIdentified, false);
  };
  if (Stopped()) {
    if (app_.lstHDDItems.Empty()) return;
    const Text entry = app_.lstHDDItems.RowText(1);
    std::array<Text, 2> name, pattern;
    Text fileName = AfterLast(entry, '\\');
    if (fileName.find('.') != Text::npos && ParseFile(fileName, name, ".") && ParseFile(target, pattern, ".") &&
        PatternMatches(name[0], name[1], pattern[0], pattern[1])) {
      one(entry);
    }
    stop_ = true;
    return;
  }
  auto [texts, last] = Patterns().Rows(target);
  for (Text& text : texts) {
    one(last ? std::move(text) : text);
    if (AbortedAfterRow()) return;
  }
}

void ScanEngine::ListedKeyTest() {
  const Text target = app_.strDBItem[1];
  auto one = [&](size_t row) {
    Text text = app_.lstRegScan.RowText(row);
    ScanningCaption(target);
    size_t eq = text.find('=');
    if (eq != Text::npos) {
      const Text category = "RegVal";
      Found("regs", text.substr(0, eq), 5, Counter::lblRegValuesIdentified, false, &category);
    } else {
      const Text category = "RegKey";
      Found("regs", std::move(text), 4, Counter::lblRegKeysIdentified, false, &category);
    }
  };
  if (Stopped()) {
    if (app_.lstRegScan.Empty()) return;
    if (!target.empty() && AnsiLower(app_.lstRegScan.RowText(1)).find(AnsiLower(target)) != Text::npos) one(1);
    ctx_.YieldToHost();
    stop_ = true;
    return;
  }
  if (target.empty()) return;
  for (size_t r : RegRows().Rows(target)) {
    one(r + 1);
    if (AbortedAfterRow()) return;
  }
}

// --- found objects -------------------------------------------------------------

bool ScanEngine::Ignored(const Text& object) {
  if (!ignored_ || ignored_->Count() != app_.lstIgnoreListFile.size())
    ignored_ = std::make_unique<IgnoreIndex>(app_.lstIgnoreListFile);
  return ignored_->Ignored(ctx_, object);
}

void ScanEngine::ProcessTest() {
  const Text name = AfterLast(app_.strDBItem[1], '\\');
  for (const auto& row : app_.lstProcesses.Rows()) {
    if (row.text == name) {
      Raise(Counter::lblProcessesIdentified);
      return;
    }
    ctx_.YieldToHost();
  }
}

void ScanEngine::Found(std::string_view type, Text object, int icon, Counter typeCounter, bool processTest,
                       const Text* category) {
  if (type != "regk") Raise(Counter::lblObjectsRecognized);
  if (Ignored(object)) {
    Raise(Counter::lblObjectsIgnored);
    return;
  }
  if (processTest) ProcessTest();
  Raise(Counter::lblNewObjects);
  Raise(typeCounter);
  ListView& table = app_.strDBItem[3].empty() ? app_.lstScanResult : app_.lstIremovable;
  ListItem& row = table.Add(app_.strDBItem[0], icon);
  row.SubItems(1) = category ? *category : app_.strDBItem[2];
  row.SubItems(2) = std::move(object);
  row.SubItems(3) = app_.strDBItem[3];
}

}  // namespace morvane
