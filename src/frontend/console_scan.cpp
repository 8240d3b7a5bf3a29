#include "frontend/console_scan.h"

#include <cstdio>
#include <fstream>

#include "database/crypt.h"
#include "database/database.h"
#include "database/folders.h"
#include "database/records.h"
#include "removal/removal_engine.h"
#include "removal/store_hooks.h"
#include "scanner/scan_engine.h"
#include "store/app_settings.h"
#include "store/settings.h"

namespace morvane::frontend {

namespace {

constexpr size_t kModeLine = size_t(SettingsLine::ScanMode);
constexpr size_t kQuarantineLine = size_t(CustomScanLine::QuarantineFirst);
constexpr size_t kEraseAllLine = size_t(CustomScanLine::EraseAll);

Text Stamp(const DateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", int(t.year), int(t.month), int(t.day),
                int(t.hour), int(t.minute), int(t.second));
  return text;
}

// Strings are ANSI bytes: those above 127 are written as the Latin-1 characters they are closest to.
void JsonString(std::string& out, const Text& text) {
  out += '"';
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += char(c);
    }
  }
  out += '"';
}

void Field(std::string& out, const char* name, const Text& value, bool comma = true) {
  out += "\"";
  out += name;
  out += "\": ";
  JsonString(out, value);
  if (comma) out += ", ";
}

// What the removal of one row did, from the scan-log lines it wrote.
Text Outcome(const ListBox& log, size_t first, int32_t storedItem) {
  bool failed = false, atRestart = false;
  for (size_t i = first; i < log.size(); ++i) {
    if (log[i].rfind("Protected location not removed=", 0) == 0) return "protected";
    if (log[i].find(" not deleted") != Text::npos) failed = true;
    if (log[i].find(" will be deleted at restart=") != Text::npos) atRestart = true;
  }
  if (failed) return "failed";
  if (atRestart) return "atRestart";
  return storedItem ? "quarantined" : "removed";
}

class RecordingScanView : public IScanView {
 public:
  RecordingScanView(AppState& app, const Progress& progress) : app_(app), progress_(progress) {}
  void CounterChanged(Counter) override {
    if (progress_) progress_(operation_, app_);
  }
  void SetCurrentOperation(const Text& caption) override {
    operation_ = caption;
    if (progress_) progress_(operation_, app_);
  }
  void SetScanPhase(ScanPhase) override {}
  void StartScrollingBar() override {}
  void StopScrollingBar() override {}

 private:
  AppState& app_;
  const Progress& progress_;
  Text operation_;
};

}  // namespace

const char* ModeWord(ScanMode mode) {
  switch (mode) {
    case ScanMode::Smart: return "smart";
    case ScanMode::Custom: return "custom";
    case ScanMode::Folders: return "folders";
    default: return "";
  }
}

bool ParseMode(const Text& word, ScanMode& mode) {
  Text w;
  for (char c : word) w += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (w == "smart") mode = ScanMode::Smart;
  else if (w == "custom") mode = ScanMode::Custom;
  else if (w == "folders") mode = ScanMode::Folders;
  else return false;
  return true;
}

const char* CounterName(Counter c) {
  static const char* names[kCounterCount] = {
      "scannedObjects",   "objectsRecognized", "objectsIgnored",    "newObjects",          "processesIdentified",
      "filesIdentified",  "foldersIdentified", "regKeysIdentified", "regValuesIdentified", "runningProcesses"};
  return names[size_t(c)];
}

int ExitStatus(const ScanReport& report) {
  if (!report.error.empty()) return 2;
  return report.objects.empty() ? 0 : 1;
}

Text Summary(const ScanReport& r) {
  const Text& ignored = r.counters[size_t(Counter::lblObjectsIgnored)];
  Text line = std::to_string(r.objects.size()) + " object(s) found, " + (ignored.empty() ? Text("0") : ignored) +
              " ignored";
  if (r.removal) {
    size_t removed = 0, failed = 0, atRestart = 0, protect = 0, manual = 0;
    for (const FoundObject& o : r.objects) {
      if (o.outcome == "removed" || o.outcome == "quarantined") ++removed;
      else if (o.outcome == "atRestart") ++atRestart;
      else if (o.outcome == "protected") ++protect;
      else if (o.outcome == "manual") ++manual;
      else ++failed;
    }
    line += ": " + std::to_string(removed) + " removed, " + std::to_string(failed) + " failed";
    if (atRestart) line += ", " + std::to_string(atRestart) + " at the next restart";
    if (protect) line += ", " + std::to_string(protect) + " protected";
    if (manual) line += ", " + std::to_string(manual) + " for removal by hand";
  }
  return line + ".";
}

Text ReportJson(const ScanReport& r) {
  std::string out = "{\n  ";
  if (!r.user.empty()) Field(out, "user", r.user);
  if (!r.profile.empty()) Field(out, "profile", r.profile);
  Field(out, "program", "Morvane");
  Field(out, "programVersion", r.programVersion);
  Field(out, "databaseVersion", r.databaseVersion);
  out += "\n  ";
  Field(out, "mode", r.mode);
  Field(out, "started", r.started);
  Field(out, "ended", r.ended);
  out += "\n  \"removal\": ";
  out += r.removal ? "true" : "false";
  out += ",\n  \"status\": " + std::to_string(ExitStatus(r)) + ",\n";
  if (!r.error.empty()) {
    out += "  ";
    Field(out, "error", r.error, false);
    out += ",\n";
  }
  out += "  \"counters\": {";
  for (size_t i = 0; i < kCounterCount; ++i) {
    out += i ? ", " : "";
    out += "\"";
    out += CounterName(Counter(i));
    out += "\": ";
    const Text& v = r.counters[i];
    out += v.empty() || v.find_first_not_of("0123456789") != Text::npos ? "0" : v;
  }
  out += "},\n  \"ignored\": " + (r.counters[size_t(Counter::lblObjectsIgnored)].empty()
                                      ? Text("0")
                                      : r.counters[size_t(Counter::lblObjectsIgnored)]);
  out += ",\n  \"objects\": [";
  for (size_t i = 0; i < r.objects.size(); ++i) {
    const FoundObject& o = r.objects[i];
    out += i ? ",\n    {" : "\n    {";
    Field(out, "type", o.type);
    Field(out, "object", o.object);
    Field(out, "category", o.category);
    Field(out, "commentUrl", o.commentUrl);
    out += "\"manualRemoval\": ";
    out += o.manual ? "true" : "false";
    if (r.removal) {
      out += ", ";
      Field(out, "outcome", o.outcome, !o.package.empty());
      if (!o.package.empty()) {
        Field(out, "package", o.package);
        out += "\"item\": " + std::to_string(o.item);
      }
    }
    out += "}";
  }
  out += r.objects.empty() ? "]\n}\n" : "\n  ]\n}\n";
  for (size_t at; (at = out.find(", \n")) != std::string::npos;) out.erase(at + 1, 1);
  return out;
}

ConsoleScan::ConsoleScan(Context& ctx, Text programFolder, Text programVersion)
    : ctx_(ctx), programFolder_(std::move(programFolder)), programVersion_(std::move(programVersion)) {}

bool ConsoleScan::FolderExists(const Text& path) {
  const uint32_t a = ctx_.files().GetAttributes(path);
  return a != win::kInvalidAttributes && (a & win::kAttrDirectory) != 0;
}

ScanReport ConsoleScan::Run(const ScanRequest& request, const Progress& progress) {
  ScanReport report;
  report.programVersion = programVersion_;
  report.removal = request.remove;

  AppState app;
  app.programFolder = programFolder_;
  SettingsStore store(ctx_, app);
  if (!FolderExists(programFolder_)) {
    report.error = "The program folder does not exist: " + programFolder_;
    return report;
  }
  store.CheckSettings();
  std::string probe;
  const Text settingsFile = programFolder_ + "\\Settings\\Settings.stg";
  if (!ctx_.files().ReadAll(settingsFile, probe)) {
    report.error = "Cannot read the settings: " + settingsFile;
    return report;
  }
  store.LoadAllFiles();

  // The database.
  const Text dbPath = !request.hostDatabase.empty() ? Text(request.hostDatabase)
                      : request.database.empty()     ? programFolder_ + "\\" + kDatabaseFileName
                                                     : request.database;
  const uint32_t dbAttributes = request.hostDatabase.empty() ? ctx_.files().GetAttributes(dbPath) : 0;
  if (!request.hostDatabase.empty()) {
    std::ifstream in(request.hostDatabase, std::ios::binary);
    if (!in) {
      report.error = "No reference database: " + dbPath;
      return report;
    }
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      modCrypt::DecryptInPlace(app.lstDBaseFile.Add(line).text, kDatabaseKey);
    }
  } else if (dbAttributes == win::kInvalidAttributes || (dbAttributes & win::kAttrDirectory)) {
    report.error = "No reference database: " + dbPath;
    return report;
  } else {
    const size_t slash = dbPath.rfind('\\');
    AppState at;
    at.programFolder = slash == Text::npos ? Text(".") : dbPath.substr(0, slash);
    SettingsStore reader(ctx_, at);
    reader.LoadListView("\\", slash == Text::npos ? dbPath : dbPath.substr(slash + 1), app.lstDBaseFile,
                        [this](Text& line) {
                          modCrypt::DecryptInPlace(line, kDatabaseKey);
                          ctx_.YieldToHost();
                        });
  }
  if (app.lstDBaseFile.Empty() || app.lstDBaseFile.Item(1).text.empty()) {
    report.error = "The reference database cannot be read: " + dbPath;
    return report;
  }
  // A file that deciphers to no records would scan nothing and report a clean machine.
  if (Text why; !IsDatabase(app.lstDBaseFile, why)) {
    report.error = "The reference database cannot be read: " + dbPath + " (" + why + ")";
    return report;
  }
  report.databaseVersion = app.lstDBaseFile.Item(1).text;

  // Mode and folders: for this run only; the saved settings keep theirs.
  ScanMode mode = request.mode;
  if (mode == ScanMode::Saved) {
    const Text saved = app.lstSettingsFile.size() > kModeLine ? app.lstSettingsFile[kModeLine] : Text();
    if (saved == "0") mode = ScanMode::Smart;
    else if (saved == "1") mode = ScanMode::Custom;
    else if (saved == "2") mode = ScanMode::Folders;
    else {
      report.error = "The settings name no scan mode: " + settingsFile;
      return report;
    }
  }
  report.mode = ModeWord(mode);
  ListBox folders = request.folders.empty() ? app.lstSelectedFolders : ListBox(request.folders);
  if (mode == ScanMode::Folders) {
    if (folders.empty()) {
      report.error = "No folders to scan: name them with the folder option or in Morvane's File/Folder Scan";
      return report;
    }
    for (Text& f : folders) {
      while (f.size() > 3 && (f.back() == '\\' || f.back() == '/')) f.pop_back();
      if (!FolderExists(f)) {
        report.error = "Folder does not exist: " + f;
        return report;
      }
    }
  }
  ListBox savedSettings = app.lstSettingsFile, savedCustom = app.lstCustomScanSettings,
                savedFolders = app.lstSelectedFolders;
  if (app.lstSettingsFile.size() <= kModeLine) app.lstSettingsFile.resize(kModeLine + 1, "0");
  app.lstSettingsFile[kModeLine] = std::to_string(int(mode) - 1);
  app.lstSelectedFolders = folders;
  // Removal (each object quarantined first) only when asked: a saved "erase
  // all" would tick every row.
  if (app.lstCustomScanSettings.size() <= kEraseAllLine) app.lstCustomScanSettings.resize(kEraseAllLine + 1, "0");
  if (request.remove) app.lstCustomScanSettings[kQuarantineLine] = "1";
  else app.lstCustomScanSettings[kEraseAllLine] = "0";
  auto saveData = [&] {
    std::swap(app.lstSettingsFile, savedSettings);
    std::swap(app.lstCustomScanSettings, savedCustom);
    std::swap(app.lstSelectedFolders, savedFolders);
    store.SaveData();
    std::swap(app.lstSettingsFile, savedSettings);
    std::swap(app.lstCustomScanSettings, savedCustom);
    std::swap(app.lstSelectedFolders, savedFolders);
  };

  DiscoverFolders(ctx_, app.folders);
  RecordingScanView view(app, progress);
  StoreScanHooks scanHooks(view);
  ScanEngine* scanPtr = nullptr;
  RemovalHooks hooks = StoreHooks(ctx_, store, app, [&scanPtr] { scanPtr->ResetUsedValues(); });
  hooks.saveData = saveData;
  RemovalEngine removal(ctx_, app, std::move(hooks));
  // Unattended: no question is asked and the start page is left alone; the
  // removal step is run below.
  ScanEngine scan(ctx_, app, view, &scanHooks);
  scanPtr = &scan;
  app.AutoScan = true;

  report.started = Stamp(ctx_.clock().Now());
  scan.StartScan();
  report.counters = app.counters;
  auto add = [&](const ListItem& row, bool manual) {
    FoundObject o;
    o.type = row.text;
    o.object = row.SubItems(2);
    o.category = row.SubItems(1);
    o.commentUrl = row.SubItems(3);
    o.manual = manual;
    if (request.remove) o.outcome = manual ? "manual" : "failed";
    report.objects.push_back(std::move(o));
  };
  for (const auto& row : app.lstScanResult.Rows()) add(row, false);
  for (const auto& row : app.lstIremovable.Rows()) add(row, true);

  // The removal step closes the scan as in the window (statistics, settings,
  // log); without removal the scan is closed alone.
  size_t cursor = 0;
  removal.onRowRemoved = [&](const ListItem& row, size_t firstLogLine, int32_t storedItem) {
    for (size_t i = cursor; i < report.objects.size(); ++i) {
      FoundObject& o = report.objects[i];
      if (o.manual || o.type != row.text || o.object != row.SubItems(2)) continue;
      o.outcome = Outcome(app.lstLog, firstLogLine, storedItem);
      if (storedItem) {
        o.package = app.QuarantineSession;
        o.item = storedItem;
      }
      cursor = i + 1;
      break;
    }
  };
  if (request.remove) removal.RemoveAll();
  else removal.CloseScan();
  ctx_.OperationInProgress = false;
  report.ended = Stamp(ctx_.clock().Now());
  return report;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return bool(out);
}

bool CanWriteFile(const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::app);
  return bool(out);
}

void ProgressPrinter::Show(const Text& operation, const AppState& app) {
  if (quiet_) return;
  if (!console_) {
    if (operation == last_ || operation.empty()) return;
    last_ = operation;
    std::fprintf(out_, "%s\n", operation.c_str());
    std::fflush(out_);
    return;
  }
  Text line = "[" + app.counters[size_t(Counter::lblScannedObjects)] + " scanned, " +
              app.counters[size_t(Counter::lblNewObjects)] + " found, " +
              app.counters[size_t(Counter::lblObjectsIgnored)] + " ignored] " + operation;
  constexpr size_t kWidth = 79;
  if (line.size() > kWidth) line = line.substr(0, kWidth - 3) + "...";
  if (line == last_) return;
  last_ = line;
  const size_t shown = line.size();
  if (shown < width_) line.append(width_ - shown, ' ');
  width_ = shown;
  std::fprintf(out_, "\r%s", line.c_str());
  std::fflush(out_);
}

void ProgressPrinter::Finish() {
  if (!quiet_ && console_ && width_) std::fprintf(out_, "\n");
  width_ = 0;
}

}  // namespace morvane::frontend
