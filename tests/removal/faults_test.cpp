// Faults that must lose nothing, on the simulated machine through the real
// modules: a settings save killed at every byte, a full disk while
// quarantining before removal, restores into missing or locked places, link
// loops, long paths, hostile database, settings and ignore files.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "database/database.h"
#include "database/folders.h"
#include "platform/simulated/machine.h"
#include "platform/simulated/sim_regedit.h"
#include "removal/removal_engine.h"
#include "scanner/scan_engine.h"
#include "store/settings.h"

namespace morvane::testing {
namespace {

class Faults : public ::testing::Test {
 protected:
  Faults() : machine(sim::SimulatedMachine::WindowsLayout{}), ctx(machine.os()), engine(ctx, app, Hooks()) {
    app.programFolder = "C:\\Program Files\\Morvane";
    DiscoverFolders(ctx, app.folders);
    fs().AddFolder(app.programFolder + "\\Quarantine");
    fs().AddFile("C:\\WINDOWS\\SYSTEM32\\kernel32.dll", "MZ kernel");
    app.lstSettingsFile = {"0", "0", "1", "1", "0", "0", "about:blank", "Browser", "0", "1", "10"};
    app.lstCustomScanSettings = {"1", "1", "1", "0", "1", "1", "1"};  // auto-erase
    app.lstScanInfoFile = {"", "0", "0"};
    app.QuarantineSession = "7-12-2026-14-5-9";
    app.AutoScan = true;
    ctx.OperationInProgress = true;
  }
  RemovalHooks Hooks() {
    RemovalHooks h;
    h.flushScanLog = [this] {
      flushed.insert(flushed.end(), app.lstLog.begin(), app.lstLog.end());
      app.lstLog.clear();
    };
    return h;
  }
  sim::SimFileSystem& fs() { return machine.files; }
  std::string Read(const Text& path) {
    std::string d;
    return fs().ReadAll(path, d) ? d : "<missing>";
  }
  // The scan's results, all checked: type and location.
  void Rows(std::initializer_list<std::pair<Text, Text>> rows) {
    app.lstScanResult.Clear();
    for (const auto& [type, location] : rows) {
      ListItem& r = app.lstScanResult.Add(type);
      r.SubItems(1) = "Threat";
      r.SubItems(2) = location;
      r.checked = true;
    }
  }
  // Files of an earlier quarantine package, by name.
  void Pack(const Text& pkg, std::initializer_list<std::pair<Text, std::string>> files) {
    for (const auto& [name, data] : files) fs().AddFile(pkg + "\\" + name, data);
  }
  bool Logged(const Text& line) {
    for (const Text& l : flushed)
      if (l == line) return true;
    return false;
  }
  // A scan of the loaded database in the given mode; the rows it found.
  size_t Scan(const Text& mode) {
    app.lstSettingsFile[9] = mode;
    NullScanView v;
    ScanEngine scan(ctx, app, v);
    scan.StartScan();
    return app.lstScanResult.Count();
  }

  sim::SimulatedMachine machine;
  Context ctx;
  AppState app;
  RemovalEngine engine;
  ListBox flushed;
};

// A process killed at any byte of a settings save leaves every file with its
// old or its new content, never a part of either.
TEST_F(Faults, SettingsSaveKilledAtEveryByteLeavesOldOrNew) {
  const AppState old = app;
  AppState changed = app;
  changed.lstSettingsFile[8] = "45";
  changed.lstScanInfoFile = {"12-07-2026  14:05:09", "17", "3"};
  changed.lstIgnoreListFile = {"file|C:\\a.exe|Adware", "regkey|HKEY_CURRENT_USER\\Software\\X|Spy"};
  changed.lstSelectedFolders = {"C:\\Data", "D:\\"};
  changed.lstCustomScanSettings = {"0", "0", "0", "0", "0", "0", "0"};
  const std::pair<const char*, ListBox AppState::*> files[] = {
      {"settings", &AppState::lstSettingsFile},          {"scan info", &AppState::lstScanInfoFile},
      {"ignore list", &AppState::lstIgnoreListFile},     {"selected folders", &AppState::lstSelectedFolders},
      {"custom scan", &AppState::lstCustomScanSettings},
  };
  size_t total = 0;
  for (const auto& [name, file] : files)
    for (const Text& l : changed.*file) total += l.size() + 2;
  for (size_t budget = 0; budget <= total; ++budget) {
    sim::SimulatedMachine m;
    m.files.AddFolder(old.programFolder);
    Context c(m.os());
    AppState a = old;
    SettingsStore store(c, a);
    store.CheckSettings();
    store.SaveData();
    AppState b = changed;
    SettingsStore writer(c, b);
    m.files.SetWriteBudget(int64_t(budget), true);
    writer.SaveData();
    m.files.SetWriteBudget(-1);  // the program starts again
    AppState r = old;
    SettingsStore reader(c, r);
    reader.LoadAllFiles();
    SCOPED_TRACE("killed after " + std::to_string(budget) + " bytes");
    for (const auto& [name, file] : files) EXPECT_TRUE(r.*file == old.*file || r.*file == changed.*file) << name;
    if (budget == total) {
      EXPECT_EQ(r.lstCustomScanSettings, changed.lstCustomScanSettings);
    }
  }
}

// A quarantine line file that does not fit on the disk leaves the old one whole.
TEST_F(Faults, LineFileThatDoesNotFitKeepsTheOldOne) {
  const Text path = app.programFolder + "\\Quarantine\\" + app.QuarantineSession + "\\10000.qit";
  fs().AddFile(path, "String|old", win::kAttrReadOnly);
  RemovalMachine ops(ctx, app);
  for (int64_t budget : {0, 5}) {
    fs().SetWriteBudget(budget);
    EXPECT_FALSE(ops.SaveLineToFile("10000.qit", "String|new"));
    EXPECT_EQ(Read(path), "String|old");
  }
  fs().SetWriteBudget(-1);
  EXPECT_TRUE(ops.SaveLineToFile("10000.qit", "String|new"));
  EXPECT_EQ(Read(path), "String|new");
  EXPECT_FALSE(fs().Exists(path + ".tmp"));
}

// Auto-erase removes nothing whose quarantine copy did not fit on the disk.
TEST_F(Faults, FullDiskInAutoEraseKeepsTheOriginals) {
  const std::string big(5000, 'b');
  fs().AddFile("C:\\Bad\\big.bin", big);
  fs().AddFile("C:\\Bad\\small.bin", "s");
  Rows({{"path", "C:\\Bad\\small.bin"}, {"file", "C:\\Bad\\big.bin"}});
  fs().SetWriteBudget(3000);
  engine.RemoveChecked();
  fs().SetWriteBudget(-1);
  EXPECT_EQ(Read("C:\\Bad\\big.bin"), big);
  EXPECT_FALSE(fs().Exists("C:\\Bad\\small.bin"));  // its copy fitted
  EXPECT_TRUE(Logged("File not deleted (quarantine copy failed)=C:\\Bad\\big.bin"))
      << ::testing::PrintToString(flushed);
}

// A restore that cannot put an item back keeps it in its package; one that
// can leaves it nowhere else. A folder, key or value goes back over one made
// since only when it changes nothing there.
TEST_F(Faults, RestoreIntoMissingOrLockedPlacesKeepsTheItems) {
  const Text pkg = app.programFolder + "\\Quarantine\\1-1-2026-0-0-0";
  Pack(pkg, {{"10000.qnf", "path|10000.qit|C:\\Locked\\x.txt"}, {"10000.qit", "x data"}});
  fs().AddFile("C:\\Locked\\x.txt", "in use");
  fs().SetLocked("C:\\Locked\\x.txt", true);
  Pack(pkg, {{"10001.qnf", "folder|Tree|C:\\Gone\\Deeper\\Tree"}, {"Tree\\t.txt", "tree data"}});
  Pack(pkg, {{"10002.qnf", "file|10002.qit|C:\\Gone Too\\y.txt"}, {"10002.qit", "y data"}});
  // The folder was made again since: the stored copy never merges into it.
  Pack(pkg, {{"10003.qnf", "folder|App|C:\\App"}, {"App\\app.ini", "old"}});
  fs().AddFile("C:\\App\\app.ini", "new");
  // One made since that shares no file with it: the stored files join it.
  Pack(pkg, {{"10004.qnf", "folder|Own|C:\\Own"}, {"Own\\spy.dll", "MZ"}});
  fs().AddFile("C:\\Own\\notes.txt", "mine");
  // Keys: one made again since with other data keeps it (and the item
  // waits); one a removal left half way gets the rest back.
  auto& reg = machine.registry;
  auto text = [&](const Text& key, const Text& name) {
    const auto v = reg.GetValue(win::kCurrentUser, key, name);
    return v ? Text(v->data.c_str()) : Text("<none>");
  };
  for (const char* key : {"Made", "Half"}) {
    const Text path = Text("Software\\") + key;
    reg.SetStringValue(win::kCurrentUser, path, "Run", "spy.exe");
    reg.SetStringValue(win::kCurrentUser, path + "\\Sub", "Mode", "1");
    std::string exported;
    ASSERT_TRUE(sim::ExportRegistry(reg, "HKEY_CURRENT_USER\\" + path, exported));
    const Text n = key[0] == 'M' ? "10005" : "10006";
    Pack(pkg, {{n + ".qnf", "regkey|" + n + ".qit|HKEY_CURRENT_USER\\" + path}, {n + ".qit", exported}});
    reg.DeleteKey(win::kCurrentUser, path + "\\Sub");
  }
  reg.SetStringValue(win::kCurrentUser, "Software\\Made", "Run", "mine.exe");
  // Values: one made since with other data keeps it; one that holds the
  // stored data already (a restore stopped before its item files went) is done.
  Pack(pkg, {{"10007.qnf", "regval|10007.qit|HKEY_CURRENT_USER\\Software\\Run,Spy"}, {"10007.qit", "String|spy.exe"}});
  reg.SetStringValue(win::kCurrentUser, "Software\\Run", "Spy", "mine.exe");
  Pack(pkg, {{"10008.qnf", "regval|10008.qit|HKEY_CURRENT_USER\\Software\\Run,Count"}, {"10008.qit", "DWORD|7"}});
  reg.SetDwordValue(win::kCurrentUser, "Software\\Run", "Count", 7);
  engine.ListQuarantine();
  engine.SelectAllPackages();
  const RestoreReport report = engine.RestoreSelected();
  EXPECT_EQ(text("Software\\Made", "Run"), "mine.exe");
  EXPECT_FALSE(reg.KeyExists(win::kCurrentUser, "Software\\Made\\Sub"));
  EXPECT_EQ(text("Software\\Half\\Sub", "Mode"), "1");
  EXPECT_EQ(text("Software\\Run", "Spy"), "mine.exe");
  fs().SetLocked("C:\\Locked\\x.txt", false);
  const std::pair<Text, const char*> files[] = {
      {pkg + "\\10000.qit", "x data"}, {"C:\\Locked\\x.txt", "in use"}, {pkg + "\\Tree\\t.txt", "tree data"},
      {"C:\\App\\app.ini", "new"},     {pkg + "\\App\\app.ini", "old"}, {"C:\\Own\\notes.txt", "mine"},
      {"C:\\Own\\spy.dll", "MZ"},
  };
  for (const auto& [path, data] : files) EXPECT_EQ(Read(path), data) << path;
  // The shell makes a missing parent folder for a single file.
  const bool back = Read("C:\\Gone Too\\y.txt") == "y data";
  EXPECT_NE(back, fs().Exists(pkg + "\\10002.qit"));
  // What did not go back waits in the package; what did is gone from it.
  const std::pair<const char*, bool> waiting[] = {{"10001.qnf", true},  {"10004.qnf", false}, {"10005.qit", true},
                                                  {"10006.qnf", false}, {"10007.qnf", true},  {"10008.qnf", false}};
  for (const auto& [item, waits] : waiting) EXPECT_EQ(fs().Exists(pkg + "\\" + item), waits) << item;
  for (const char* item : {"10001", "10003", "10004"})  // no restore of them is under way
    EXPECT_FALSE(fs().Exists(pkg + "\\" + item + ".qnf.restoring")) << item;
  EXPECT_EQ(report.failed, back ? 5u : 6u);
}

// A folder holding a link to itself and one to the Windows folder: the scan
// and the removal end, and nothing behind the links is touched.
TEST_F(Faults, FolderLinkLoopsEndAndKeepWhatTheyPointAt) {
  fs().AddFile("C:\\Bad\\spy.exe", "MZ");
  fs().AddJunction("C:\\Bad\\loop", "C:\\Bad");
  fs().AddJunction("C:\\Bad\\win", "C:\\WINDOWS");
  app.lstDBaseFile.Add("Version 1");
  app.lstDBaseFile.Add("file|spy.exe|Spy|");
  app.lstCustomScanSettings = {"1", "0", "0", "0", "0", "0", "0"};
  EXPECT_EQ(Scan("1"), 1u);
  fs().AddJunction("C:\\Bad Link", "C:\\Users\\Me\\Documents");
  fs().AddFile("C:\\Bad Link\\thesis.doc", "mine");
  // With quarantine, neither is copied (the copy would go through the links)
  // and so neither is removed.
  // The last row is a file record that names the link.
  Rows({{"folder", "C:\\Bad"}, {"folder", "C:\\Bad Link"}, {"file", "C:\\Bad Link"}});
  app.lstCustomScanSettings[3] = "1";
  engine.RemoveChecked();
  EXPECT_TRUE(fs().Exists("C:\\Bad\\spy.exe"));
  EXPECT_TRUE(fs().Exists("C:\\Bad Link"));
  for (const char* row : {"C:\\Bad", "C:\\Bad Link"})
    EXPECT_TRUE(Logged(Text("Folder not deleted (a link cannot be quarantined)=") + row)) << row;
  EXPECT_TRUE(Logged("File not deleted (a link cannot be quarantined)=C:\\Bad Link"));
  EXPECT_TRUE(fs().ListTree(app.programFolder + "\\Quarantine\\" + app.QuarantineSession).empty());

  Rows({{"folder", "C:\\Bad"}});
  app.lstCustomScanSettings[3] = "0";
  ctx.OperationInProgress = true;
  engine.RemoveChecked();
  EXPECT_FALSE(fs().Exists("C:\\Bad\\spy.exe"));
  EXPECT_EQ(Read("C:\\WINDOWS\\SYSTEM32\\kernel32.dll"), "MZ kernel");

  // A folder row that is itself a link: what is seen through it stays, now and at the restart.
  Rows({{"folder", "C:\\Bad Link"}});
  ctx.OperationInProgress = true;
  engine.RemoveChecked();
  EXPECT_EQ(Read("C:\\Bad Link\\thesis.doc"), "mine");
  EXPECT_TRUE(fs().PendingRemovals().empty());
}

// A junction planted in a spyware folder leads into the Windows folder: what
// lies behind it is neither removed nor written over by a restore.
TEST_F(Faults, LinksOnTheWayNeverLeadRemovalOrRestoreIntoTheSystem) {
  const Text spy = "C:\\Program Files\\Spy";
  fs().AddJunction(spy, "C:\\WINDOWS\\");
  // The simulated junction holds what is seen through it.
  fs().AddFile(spy + "\\SYSTEM32\\kernel32.dll", "MZ kernel");
  fs().AddFile(spy + "\\own.exe", "MZ spy");
  Rows({{"file", spy + "\\SYSTEM32\\kernel32.dll"}, {"folder", spy + "\\SYSTEM32"}, {"file", spy + "\\own.exe"}});
  app.lstCustomScanSettings[3] = "0";
  engine.RemoveChecked();
  EXPECT_EQ(Read(spy + "\\SYSTEM32\\kernel32.dll"), "MZ kernel");
  for (const Text& row : {spy + "\\SYSTEM32\\kernel32.dll", spy + "\\SYSTEM32"})
    EXPECT_TRUE(Logged("Protected location not removed=" + row)) << row;
  EXPECT_FALSE(fs().Exists(spy + "\\own.exe"));

  const Text pkg = app.programFolder + "\\Quarantine\\1-1-2026-0-0-0";
  Pack(pkg, {{"10000.qnf", "file|10000.qit|" + spy + "\\SYSTEM32\\kernel32.dll"}, {"10000.qit", "not the system's"}});
  engine.ListQuarantine();
  engine.SelectAllPackages();
  EXPECT_EQ(engine.RestoreSelected().failed, 1u);
  EXPECT_EQ(Read(spy + "\\SYSTEM32\\kernel32.dll"), "MZ kernel");
}

// Paths far beyond 260 characters are found and removed like any other.
TEST_F(Faults, PathsLongerThan260Characters) {
  Text deep = "C:\\Deep";
  while (deep.size() < 400) deep += "\\a rather long folder name";
  fs().AddFile(deep + "\\spy.exe", "MZ");
  app.lstDBaseFile.Add("Version 1");
  app.lstDBaseFile.Add("path|" + deep + "\\spy.exe|Spy|");
  app.lstDBaseFile.Add("folder|" + deep + "|Spy|");
  EXPECT_EQ(Scan("0"), 2u);
  for (auto& r : app.lstScanResult.Rows()) r.checked = true;
  app.lstCustomScanSettings[4] = "0";
  engine.RemoveChecked();
  EXPECT_FALSE(fs().Exists(deep));
}

// Hostile databases load and scan without harm: empty, one line of 50 MB,
// binary garbage.
TEST_F(Faults, HostileDatabasesLoadAndScan) {
  std::string huge = "Version\r\npath|C:\\";
  huge.append(50u << 20, 'A');
  std::string garbage;
  for (int i = 0; i < 100000; ++i) garbage += char((i * 7919 + i / 13) & 0xFF);
  const std::pair<const std::string*, const char*> cases[] = {{nullptr, "0"}, {&huge, "1"}, {&garbage, nullptr}};
  for (const auto& [content, scanned] : cases) {
    fs().AddFile(app.programFolder + "\\DataBase.ref", content ? *content : std::string());
    app.lstDBaseFile.Clear();
    DatabaseLoader(ctx, app.programFolder, app.lstDBaseFile).LoadDatabase();
    app.lstScanResult.Clear();
    app.lstIremovable.Clear();
    EXPECT_EQ(Scan("0"), 0u);
    if (scanned) {
      EXPECT_EQ(app.counter(Counter::lblScannedObjects), scanned);
    }
  }
}

// Settings files of binary garbage and of 100,000 lines load, pad and save
// back without losing a line.
TEST_F(Faults, GarbageAndHugeSettingsFiles) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += char((i * 131 + 7) & 0xFF);
  std::string lines;
  for (int i = 0; i < 100000; ++i) lines += (i ? "\r\n" : "") + std::to_string(i);
  for (const std::string& content : {garbage, lines}) {
    for (const char* f : {"Settings.stg", "ScanInfo.stg", "IgnoreList.stg", "SelectedFolders.stg", "CustomScan.stg"})
      fs().AddFile(app.programFolder + "\\Settings\\" + f, content);
    SettingsStore store(ctx, app);
    store.LoadAllFiles();
    EXPECT_GE(app.lstSettingsFile.size(), 11u);
    const AppState loaded = app;
    store.SaveData();
    store.LoadAllFiles();
    EXPECT_EQ(app.lstIgnoreListFile, loaded.lstIgnoreListFile);
    EXPECT_EQ(app.lstSettingsFile, loaded.lstSettingsFile);
  }
  EXPECT_EQ(app.lstIgnoreListFile.size(), 100000u);
}

// A scan against an ignore list of 100,000 entries finishes; the time is
// printed, not asserted.
TEST_F(Faults, HugeIgnoreListStillLetsAScanFinish) {
  for (int i = 0; i < 100000; ++i)
    app.lstIgnoreListFile.push_back("file|C:\\Ignored\\thing" + std::to_string(i) + ".exe|Adware");
  app.lstDBaseFile.Add("Version 1");
  for (int i = 0; i < 300; ++i) {
    fs().AddFile("C:\\Bad\\spy" + std::to_string(i) + ".exe", "MZ");
    app.lstDBaseFile.Add("path|C:\\Bad\\spy" + std::to_string(i) + ".exe|Spy|");
  }
  fs().AddFile("C:\\Ignored\\thing99999.exe", "MZ");
  app.lstDBaseFile.Add("path|C:\\Ignored\\thing99999.exe|Spy|");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Scan("0"), 300u);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("scan of 301 found objects against 100000 ignore entries: %.0f ms\n", ms);
  EXPECT_EQ(app.counter(Counter::lblObjectsIgnored), "1");
}

}  // namespace
}  // namespace morvane::testing
