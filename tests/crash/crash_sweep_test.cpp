// Crash sweeps: each operation runs on the simulated machine through the
// real modules and is stopped after its K-th change, for every K up to its
// last; the machine restarts, a new program starts over the same disk and
// registry, and the operation's promise is checked. The same operations
// then meet a disk that fills at each of their writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "database/crypt.h"
#include "database/folders.h"
#include "platform/simulated/machine.h"
#include "removal/removal_engine.h"
#include "removal/store_hooks.h"
#include "store/ignore_list.h"
#include "store/reg_backups.h"
#include "store/app_settings.h"
#include "store/settings.h"
#include "database/signature.h"
#include "updater/updater.h"

namespace morvane {
namespace {

const Text kProg = "C:\\Program Files\\Morvane";
const Text kBase = "C:\\Crash";
const Text kCookies = kBase + "\\Cookies";
const Text kHkcu = "HKEY_CURRENT_USER\\";
const Text kRegBase = "Software\\CrashSpy";
const Text kSession = "7-12-2026-14-5-9";

// One run of the program over the machine, as after a start.
struct Program {
  explicit Program(sim::SimulatedMachine& m)
      : ctx(m.os()), store(ctx, app), engine(ctx, app, Hooks()) {
    app.programFolder = kProg;
    DiscoverFolders(ctx, app.folders);
    app.folders.txtCookies = kCookies;
    store.CheckSettings();
    store.LoadAllFiles();
    app.QuarantineSession = kSession;
    app.AutoScan = true;
    ctx.OperationInProgress = true;
  }
  RemovalHooks Hooks() {
    RemovalHooks h = StoreHooks(ctx, store, app, {});
    h.flushScanLog = [this] {
      log.insert(log.end(), app.lstLog.begin(), app.lstLog.end());
      app.lstLog.clear();
    };
    return h;
  }
  void Row(const Text& type, const Text& location) {
    ListItem& r = app.lstScanResult.Add(type);
    r.SubItems(1) = "Threat";
    r.SubItems(2) = location;
    r.checked = true;
  }
  // Restores every package the quarantine screen lists.
  RestoreReport RestoreAll() {
    engine.ListQuarantine();
    engine.SelectAllPackages();
    return engine.RestoreSelected();
  }

  Context ctx;
  AppState app;
  SettingsStore store;
  RemovalEngine engine;
  ListBox log;
};

using Snapshot = std::map<Text, std::string>;

struct World {
  World() : m(sim::SimulatedMachine::WindowsLayout{}) {
    m.files.AddFolder(kProg);
    m.files.AddFolder(kCookies);
    prog = std::make_unique<Program>(m);
  }
  void Restart() {
    m.Restart();
    m.messages.shown.clear();  // the stopped program's boxes went with it
    prog = std::make_unique<Program>(m);
  }
  // Every file (with its bytes) and folder below a folder.
  Snapshot Files(const Text& folder) {
    Snapshot out;
    for (const Text& p : m.files.ListTree(folder)) {
      std::string d = "<dir>";
      if (!m.files.IsFolder(p)) m.files.ReadAll(p, d);
      out[p] = d;
    }
    return out;
  }
  // The export's lines, sorted: values come back in another order after a restore.
  std::vector<std::string> Registry() {
    std::string e;
    sim::ExportRegistry(m.registry, kHkcu + kRegBase, e);
    std::vector<std::string> lines;
    const std::string end("\r\0\n\0", 4);
    for (size_t start = 0; start < e.size();) {
      size_t at = e.find(end, start);
      if (at == std::string::npos) at = e.size();
      lines.push_back(e.substr(start, at - start));
      start = at + end.size();
    }
    std::sort(lines.begin(), lines.end());
    return lines;
  }
  Program& p() { return *prog; }

  sim::SimulatedMachine m;
  std::unique_ptr<Program> prog;
  // What the case remembers of the state before its run.
  Snapshot files, packages;
  std::vector<std::string> registry;
  std::vector<std::map<Text, std::string>> versions;  // settings files after each stage
};

// One object of every type below kBase and kRegBase, with a running program.
void PlantObjects(World& w, bool registryToo) {
  auto& fs = w.m.files;
  fs.AddFile(kBase + "\\Spy\\spy.exe", std::string("MZ\x90\0spy", 7));
  fs.AddFile(kCookies + "\\user@spy[1].txt", "id=42\n");
  fs.AddFile(kBase + "\\Tree\\a.txt", "a");
  fs.AddFile(kBase + "\\Tree\\sub\\b.bin", std::string("\0b\0", 3), win::kAttrHidden);
  fs.AddFile(kBase + "\\Tree\\sub\\deep\\c.txt", "deep");
  fs.AddFolder(kBase + "\\Tree\\empty");
  auto& rows = w.p().app.lstProcesses;
  ListItem& row = rows.Add("spy.exe");
  row.SubItems(1) = std::to_string(w.m.processes.AddProcess("spy.exe", false));
  if (registryToo) {
    auto& reg = w.m.registry;
    const Text key = kRegBase + "\\Spy Key";
    reg.SetStringValue(win::kCurrentUser, key, "", "default");
    reg.SetDwordValue(win::kCurrentUser, key, "Count", 3);
    reg.SetRawValue(win::kCurrentUser, key + "\\Sub\\Deep", "Blob", win::kRegBinary, std::string("\x01\x00\xff", 3));
    reg.SetStringValue(win::kCurrentUser, kRegBase + "\\Run", "Spy String", "c:\\spy.exe -x");
    reg.SetStringValue(win::kCurrentUser, kRegBase + "\\Run", "Keep", "c:\\good.exe");
  }
  w.files = w.Files(kBase);
  w.registry = w.Registry();
}

void RowsOfEveryType(Program& p, bool registryToo) {
  p.Row("file", kBase + "\\Spy\\spy.exe");
  p.Row("cookie", "user@spy[1].txt");
  if (!registryToo) return;
  p.Row("folder", kBase + "\\Tree");
  p.Row("regkey", kHkcu + kRegBase + "\\Spy Key");
  p.Row("regval", kHkcu + kRegBase + "\\Run,Spy String");
}

// Every object is in place or comes back whole from the quarantine.
void ExpectInPlaceOrRestorable(World& w) {
  const RestoreReport report = w.p().RestoreAll();
  EXPECT_EQ(w.Files(kBase), w.files);
  EXPECT_EQ(w.Registry(), w.registry);
  EXPECT_EQ(report.failed, 0u) << ::testing::PrintToString(w.Files(kProg + "\\Quarantine")).substr(0, 1500);
}

// With a full disk, every object of the first `rows` rows the removal left in
// place is logged as not deleted.
std::function<void(World&)> LeftObjectsLogged(size_t rows) {
  return [rows](World& w) {
    const std::pair<bool, Text> objects[] = {
        {w.m.files.Exists(kBase + "\\Spy\\spy.exe"), kBase + "\\Spy\\spy.exe"},
        {w.m.files.Exists(kCookies + "\\user@spy[1].txt"), "user@spy[1].txt"},
        {w.m.files.Exists(kBase + "\\Tree\\a.txt"), kBase + "\\Tree"},
        {w.m.registry.KeyExists(win::kCurrentUser, kRegBase + "\\Spy Key"), kHkcu + kRegBase + "\\Spy Key"},
        {bool(w.m.registry.GetValue(win::kCurrentUser, kRegBase + "\\Run", "Spy String")),
         kHkcu + kRegBase + "\\Run,Spy String"}};
    for (size_t i = 0; i < rows; ++i) {
      const auto& [left, location] = objects[i];
      if (!left) continue;
      bool logged = false;
      for (const Text& l : w.p().log)
        logged = logged || (l.find(" not deleted (quarantine copy failed)=" + location) != Text::npos);
      EXPECT_TRUE(logged) << location << " left in place without a log line";
    }
  };
}

// Each package the quarantine screen lists is whole; the others are gone.
void ExpectPackagesWholeOrGone(World& w) {
  Program& p = w.p();
  p.engine.ListQuarantine();
  const Text root = kProg + "\\Quarantine\\";
  std::set<Text> listed;
  for (const auto& row : p.engine.lstQuarantinedList.Rows()) listed.insert(row.text);
  for (const Text& name : {Text("1-1-2026-0-0-0"), Text("2-1-2026-0-0-0")}) {
    Snapshot now, was;
    for (const auto& [path, data] : w.Files(root + name)) now[path] = data;
    for (const auto& [path, data] : w.packages)
      if (path.rfind(root + name + "\\", 0) == 0) was[path] = data;
    if (listed.count(name)) EXPECT_EQ(now, was) << name;
    else EXPECT_TRUE(now.empty()) << name;
  }
  // Nothing else is listed.
  for (const Text& name : listed) EXPECT_TRUE(name == "1-1-2026-0-0-0" || name == "2-1-2026-0-0-0") << name;
}

const char* const kSettingsFiles[] = {"Settings.stg", "ScanInfo.stg", "IgnoreList.stg", "SelectedFolders.stg",
                                      "CustomScan.stg"};

std::map<Text, std::string> SettingsVersion(World& w) {
  std::map<Text, std::string> v;
  for (const char* f : kSettingsFiles) {
    std::string d = "<missing>";
    w.m.files.ReadAll(kProg + "\\Settings\\" + f, d);
    v[f] = d;
  }
  return v;
}

// Each settings file holds one of the contents it had between the stages.
void ExpectSettingsOldOrNew(World& w) {
  const auto now = SettingsVersion(w);
  for (const char* f : kSettingsFiles) {
    bool known = false;
    for (const auto& v : w.versions) known = known || v.at(f) == now.at(f);
    EXPECT_TRUE(known) << f << " holds " << ::testing::PrintToString(now.at(f));
  }
}

// The settings stages: five tables and a statistics line saved, an ignore-list add, an ignore-list delete.
void SettingsStages(World& w, bool record) {
  Program& p = w.p();
  auto stage = [&](const std::function<void()>& run) {
    run();
    if (record) w.versions.push_back(SettingsVersion(w));
  };
  stage([&] {
    p.app.lstSettingsFile[8] = "45";
    p.app.lstSelectedFolders = {"C:\\Data", "D:\\"};
    p.app.lstCustomScanSettings[3] = "1";
    RaiseByOne(Settings(p.app).InfoLine(ScanInfoLine::ObjectsRemoved));
    p.store.SaveData();
  });
  IgnoreList ignore(p.ctx, p.app, [&p] { p.store.SaveData(); });
  stage([&] {
    p.Row("file", "C:\\a.exe");
    p.Row("regkey", "HKEY_CURRENT_USER\\Software\\X");
    ignore.IgnoreChecked();
  });
  stage([&] {
    ignore.LoadIgnoredToList();
    ASSERT_FALSE(ignore.lstIgnoreList.Empty());
    ignore.lstIgnoreList.Item(1).checked = true;
    ignore.DeleteSelected();
  });
}

const Text kBackups = kProg + "\\Registry Backups\\";
const Text kOldBackups[] = {"1-1-2026-0-0-0.reg", "2-1-2026-0-0-0.reg", "3-1-2026-0-0-0.reg"};

// The database updater's install of a new database over an old one.
struct Install {
  struct Transfer : updater::ITransfer {
    std::string body;
    std::string database, signature;
    size_t pos = 0;
    void Execute(const Text& url, const Text&, uint64_t) override {
      body = url.size() > 4 && url.substr(url.size() - 4) == ".sig" ? signature : database;
      pos = 0;
    }
    Text GetHeader() override { return "HTTP/1.1 200 OK\r\n"; }
    Text GetHeader(const Text& name) override { return name == "Content-Length" ? std::to_string(body.size()) : ""; }
    int StatusCode() override { return 200; }
    std::string GetChunk(size_t n) override {
      std::string out = body.substr(pos, n);
      pos += out.size();
      return out;
    }
    void Cancel() override {}
    bool Busy() override { return false; }
  };
  struct View : updater::IUpdaterView {
    void SetStatus(const Text&) override {}
    void SetProgress(int) override {}
    void SetHeaders(const Text&) override {}
    void ShowCompleted() override {}
  };
  static std::string Database(const Text& name, size_t records) {
    std::string out;
    for (size_t i = 0; i <= records; ++i)
      out += modCrypt::EncryptString(i ? "path|%WinDir%\\evil" + std::to_string(i) + ".exe|Adware|" : name,
                                     kDatabaseKey) +
             "\r\n";
    return out;
  }
  static const std::string& Old() {
    static const std::string d = Database("Old database", 3);
    return d;
  }
  static const std::string& New() {
    static const std::string d = Database("New database", 40);
    return d;
  }
  // A signature is the database's last 64 bytes under a stand-in check: the
  // sweep is about the order of the moves, not the cryptography.
  struct Signatures : ISignatures {
    bool VerifyP256(const std::string& key, const std::string& data, const std::string& signature) override {
      return key == Key() && data.size() >= kSignatureSize && signature == Sign(data);
    }
  };
  static std::string Key() { return std::string(ISignatures::kPublicKeySize, 'K'); }
  static std::string Sign(const std::string& data) { return data.substr(data.size() - ISignatures::kSignatureSize); }
  static void Run(World& w) {
    Transfer t;
    t.database = New();
    t.signature = Sign(New());
    View v;
    Signatures signatures;
    updater::Updater u(w.m.files, signatures, {TrustedKey{"publisher key", Key()}}, t, v, kProg, [] {});
    u.UpdateNowPressed();
    for (int request = 0; request < 2; ++request)  // the database, then its signature
      for (int s : {updater::kRequesting, updater::kResponseReceived, updater::kResponseCompleted}) u.StateChanged(s);
  }
};

struct Case {
  const char* name;
  std::function<void(World&)> setup;  // untimed: runs before the switch is set
  std::function<void(World&)> run;
  std::function<void(World&)> check;  // on the restarted program
  std::function<void(World&)> afterFullDisk = {};  // on the program that met the full disk
};

const Case kCases[] = {
    {"removal with quarantine",
     [](World& w) {
       PlantObjects(w, true);
       w.p().app.lstCustomScanSettings[3] = "1";
       RowsOfEveryType(w.p(), true);
     },
     [](World& w) { w.p().engine.RemoveChecked(); }, ExpectInPlaceOrRestorable, LeftObjectsLogged(5)},
    {"auto-erase",
     [](World& w) {
       PlantObjects(w, false);
       w.p().app.lstSettingsFile[9] = "1";
       w.p().app.lstCustomScanSettings[4] = "1";
       RowsOfEveryType(w.p(), false);
     },
     [](World& w) { w.p().engine.RemoveChecked(); }, ExpectInPlaceOrRestorable, LeftObjectsLogged(2)},
    {"restore",
     [](World& w) {
       PlantObjects(w, true);
       w.p().app.lstCustomScanSettings[3] = "1";
       RowsOfEveryType(w.p(), true);
       w.p().engine.RemoveChecked();
       w.p().app.lstProcesses.Clear();
     },
     [](World& w) { w.p().RestoreAll(); }, ExpectInPlaceOrRestorable},
    {"purge",
     [](World& w) {
       PlantObjects(w, true);
       for (const char* session : {"1-1-2026-0-0-0", "2-1-2026-0-0-0"}) {
         w.p().app.QuarantineSession = session;
         RowsOfEveryType(w.p(), true);
         w.p().engine.QuarantineChecked();
         w.p().app.lstScanResult.Clear();
       }
       w.packages = w.Files(kProg + "\\Quarantine");
     },
     [](World& w) {
       w.p().engine.ListQuarantine();
       w.p().engine.SelectAllPackages();
       w.p().engine.PurgeSelected();
     },
     ExpectPackagesWholeOrGone},
    {"settings, statistics and ignore list",
     [](World& w) {
       World ref;
       ref.versions.push_back(SettingsVersion(ref));
       SettingsStages(ref, true);
       w.versions = ref.versions;
     },
     [](World& w) { SettingsStages(w, false); }, ExpectSettingsOldOrNew},
    {"registry backup with pruning",
     [](World& w) {
       for (const Text& n : kOldBackups) w.m.files.AddFile(kBackups + n, "REGEDIT4\r\n" + n);
       w.m.registry.SetStringValue(win::kLocalMachine, "Software\\Vendor", "v", "x");
       w.p().app.lstSettingsFile[5] = "1";
       w.p().app.lstSettingsFile[10] = "3";
       w.m.clock.now = {2026, 1, 4, 0, 0, 0};
     },
     [](World& w) { ListRegBackups(w.p().ctx, w.p().app); },
     [](World& w) {
       // The two newest old ones always stay; the oldest goes only for a whole new one.
       for (const Text& n : {kOldBackups[1], kOldBackups[2]}) EXPECT_TRUE(w.m.files.Exists(kBackups + n)) << n;
       std::string made;
       if (w.m.files.ReadAll(kBackups + "4-1-2026-0-0-0.reg", made)) {
         std::string whole;
         sim::ExportRegistry(w.m.registry, "HKEY_LOCAL_MACHINE", whole);
         EXPECT_EQ(made, whole);
       } else {
         EXPECT_TRUE(w.m.files.Exists(kBackups + kOldBackups[0]));
       }
     }},
    {"database install",
     [](World& w) {
       w.m.files.AddFile(kProg + "\\DataBase.ref", Install::Old());
       w.m.files.AddFile(kProg + "\\DataBase.ref.sig", Install::Sign(Install::Old()));
       w.m.files.AddFile(kProg + "\\Tessarin.ini", "Server=http://127.0.0.1:8123\r\n");
     },
     Install::Run,
     [](World& w) {
       std::string db;
       EXPECT_TRUE(w.m.files.ReadAll(kProg + "\\DataBase.ref", db));
       EXPECT_TRUE(db == Install::Old() || db == Install::New()) << db.size() << " bytes";
       // Never a new database without its signature; the old one beside the
       // new signature is repaired by the next update.
       std::string sig;
       EXPECT_TRUE(w.m.files.ReadAll(kProg + "\\DataBase.ref.sig", sig));
       if (db == Install::New()) EXPECT_EQ(sig, Install::Sign(Install::New()));
       else EXPECT_TRUE(sig == Install::Sign(Install::Old()) || sig == Install::Sign(Install::New()));
     }},
};

// The changes (or writes) of one undisturbed run after the setup.
uint64_t Count(const Case& c, bool writes) {
  World w;
  c.setup(w);
  const uint64_t before = writes ? w.m.files.Writes() : w.m.faults.MutatingCalls();
  c.run(w);
  return (writes ? w.m.files.Writes() : w.m.faults.MutatingCalls()) - before;
}

class CrashSweep : public ::testing::TestWithParam<Case> {};

TEST_P(CrashSweep, EveryCrashPointKeepsThePromise) {
  const Case& c = GetParam();
  const uint64_t last = Count(c, false);
  ASSERT_GT(last, 0u);
  for (uint64_t k = 1; k <= last && !HasFailure(); ++k) {
    SCOPED_TRACE("crash after change " + std::to_string(k) + " of " + std::to_string(last));
    World w;
    c.setup(w);
    w.m.registry.TrackFlushes();
    w.m.faults.CrashAfter(w.m.faults.MutatingCalls() + k);
    c.run(w);
    ASSERT_TRUE(w.m.faults.PowerOff());
    w.Restart();
    c.check(w);
  }
  std::printf("%s: %llu crash points\n", c.name, (unsigned long long)last);
}

TEST_P(CrashSweep, DiskFullAtEveryWriteKeepsThePromise) {
  const Case& c = GetParam();
  const uint64_t writes = Count(c, true);
  for (uint64_t j = 0; j < writes && !HasFailure(); ++j) {
    SCOPED_TRACE("disk full at write " + std::to_string(j + 1) + " of " + std::to_string(writes));
    World w;
    c.setup(w);
    w.m.files.FillDiskAfterWrites(w.m.files.Writes() + j);
    c.run(w);
    if (c.afterFullDisk) c.afterFullDisk(w);
    w.m.files.SetWriteBudget(-1);  // the user makes room
    w.Restart();
    c.check(w);
  }
  std::printf("%s: %llu full-disk points\n", c.name, (unsigned long long)writes);
}

INSTANTIATE_TEST_SUITE_P(Operations, CrashSweep, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& i) {
                           Text n;
                           for (const char* s = i.param.name; *s; ++s)
                             if (std::isalnum(static_cast<unsigned char>(*s))) n += *s;
                           return n;
                         });

}  // namespace
}  // namespace morvane
