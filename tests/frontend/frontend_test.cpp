// The console front ends' room: arguments, and whole runs over the simulated
// machine (scan, removal with quarantine, report, exit status, restore).
#include <gtest/gtest.h>

#include "database/crypt.h"
#include "database/folders.h"
#include "frontend/command_line.h"
#include "platform/simulated/machine.h"
#include "removal/removal_engine.h"

namespace morvane::frontend {
namespace {

TEST(ConsoleArguments, Table) {
  struct Case {
    std::vector<std::string> args;
    bool offline, ok;
    ScanMode mode;
    size_t folders;
    bool remove;
  };
  const Case cases[] = {
      {{}, false, true, ScanMode::Saved, 0, false},
      {{"/mode", "CUSTOM", "/remove", "/quiet"}, false, true, ScanMode::Custom, 0, true},
      {{"/folder", "C:\\a", "/folder", "D:\\b"}, false, true, ScanMode::Folders, 2, false},
      {{"/mode", "smart", "/folder", "C:\\a"}, false, false, ScanMode::Smart, 0, false},
      {{"/mode", "deep"}, false, false, ScanMode::Saved, 0, false},
      {{"/mode"}, false, false, ScanMode::Saved, 0, false},
      {{"/report", ""}, false, false, ScanMode::Saved, 0, false},
      {{"/offline", "/mnt"}, false, false, ScanMode::Saved, 0, false},
      {{"extra"}, false, false, ScanMode::Saved, 0, false},
      {{"--offline", "/mnt/w", "--user", "Alice", "--mode", "folders", "--folder", "C:\\x"}, true, true,
       ScanMode::Folders, 1, false},
      {{"--mode", "smart"}, true, false, ScanMode::Smart, 0, false},
  };
  for (const Case& c : cases) {
    Arguments a;
    std::string error;
    const bool ok = ParseArguments(c.args, c.offline, a, error);
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
    EXPECT_EQ(ok, c.ok) << error;
    EXPECT_EQ(ok, error.empty());
    if (!ok || !c.ok) continue;
    EXPECT_EQ(a.request.mode, c.mode);
    EXPECT_EQ(a.request.folders.size(), c.folders);
    EXPECT_EQ(a.request.remove, c.remove);
  }
  Arguments a;
  std::string error;
  EXPECT_TRUE(ParseArguments({"/?"}, false, a, error) && a.help);
  EXPECT_TRUE(ParseArguments({"--report", "r.json", "--db", "x.ref"}, false, a, error));
  EXPECT_EQ(a.report, "r.json");
  EXPECT_EQ(a.request.database, "x.ref");
}

TEST(ConsoleSummary, CountsWhatTheRemovalDid) {
  struct Case {
    bool removal;
    std::vector<Text> outcomes;
    Text summary;
  };
  const Case cases[] = {
      {false, {"", ""}, "2 object(s) found, 3 ignored."},
      {true, {"failed", "failed"}, "2 object(s) found, 3 ignored: 0 removed, 2 failed."},
      {true,
       {"quarantined", "removed", "atRestart", "protected", "manual", "failed"},
       "6 object(s) found, 3 ignored: 2 removed, 1 failed, 1 at the next restart, 1 protected, 1 for removal by hand."},
  };
  for (const Case& c : cases) {
    ScanReport r;
    r.removal = c.removal;
    r.counters[size_t(Counter::lblObjectsIgnored)] = "3";
    for (const Text& outcome : c.outcomes) r.objects.emplace_back().outcome = outcome;
    EXPECT_EQ(Summary(r), c.summary);
  }
}

const Text kPf = "C:\\Program Files\\Morvane";

class ConsoleRun : public ::testing::Test {
 protected:
  ConsoleRun() : m(sim::SimulatedMachine::WindowsLayout{}), ctx(m.os()) {
    m.system.programFolder = kPf;
    Write("\\Settings\\Settings.stg", "0\r\n0\r\n0\r\n1\r\n0\r\n0\r\nabout:blank\r\nIE\r\n30\r\n0\r\n10");
  }
  void Write(const Text& rel, const std::string& content) { m.files.AddFile(kPf + rel, content); }
  std::string Read(const Text& path) {
    std::string d;
    m.files.ReadAll(path, d);
    return d;
  }
  void Database(std::initializer_list<Text> records) {
    std::string text = modCrypt::EncryptString("Version 7", kDatabaseKey);
    for (const Text& r : records) text += "\r\n" + modCrypt::EncryptString(r, kDatabaseKey);
    Write("\\DataBase.ref", text);
  }
  ScanReport Run(ScanRequest request) {
    ConsoleScan scan(ctx, kPf, "1.2.3");
    return scan.Run(request, [this](const Text& op, const AppState&) { operations.push_back(op); });
  }
  const FoundObject* Find(const ScanReport& r, const Text& object) {
    for (const auto& o : r.objects)
      if (o.object == object) return &o;
    return nullptr;
  }

  sim::SimulatedMachine m;
  Context ctx;
  std::vector<Text> operations;
};

TEST_F(ConsoleRun, RemovalQuarantinesEachObjectReportsItAndTheQuarantineRestores) {
  m.files.AddFile("C:\\Spy\\spy.exe", "MZ spy");
  m.files.AddFile("C:\\Spy\\Data\\x.dat", "data");
  m.files.AddFile("C:\\Spy\\manual.exe", "MZ");
  m.files.AddFile("C:\\Spy\\ignored.exe", "MZ");
  m.registry.SetStringValue(win::kCurrentUser, "Software\\SpyCo", "id", "1");
  Write("\\Settings\\IgnoreList.stg", "path|C:\\Spy\\ignored.exe|Ignored");
  Write("\\Settings\\CustomScan.stg", "1\r\n1\r\n1\r\n0\r\n0\r\n1\r\n1");
  Database({"path|C:\\Spy\\spy.exe|Spy Exe|", "folder|C:\\Spy\\Data|Spy Data|",
            "regkey|HKEY_CURRENT_USER\\Software\\SpyCo|Spy Key|", "path|C:\\Spy\\ignored.exe|Ignored|",
            "folder|C:\\WINDOWS\\system32|Bad Record|",
            "path|C:\\Spy\\manual.exe|Manual|http://help.example/manual"});

  ScanRequest request;
  request.remove = true;
  const ScanReport r = Run(request);
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(ExitStatus(r), 1);
  EXPECT_EQ(r.mode, "smart");
  EXPECT_EQ(r.databaseVersion, "Version 7");
  EXPECT_EQ(r.counters[size_t(Counter::lblObjectsIgnored)], "1");
  EXPECT_EQ(r.counters[size_t(Counter::lblNewObjects)], "5");
  ASSERT_EQ(r.objects.size(), 5u);
  EXPECT_FALSE(operations.empty());

  struct Expect {
    Text object, outcome;
    bool stored;
  };
  const Expect expected[] = {{"C:\\Spy\\spy.exe", "quarantined", true},
                             {"C:\\Spy\\Data", "quarantined", true},
                             {"HKEY_CURRENT_USER\\Software\\SpyCo", "quarantined", true},
                             {"C:\\WINDOWS\\system32", "protected", false},
                             {"C:\\Spy\\manual.exe", "manual", false}};
  for (const Expect& e : expected) {
    const FoundObject* o = Find(r, e.object);
    ASSERT_NE(o, nullptr) << e.object;
    EXPECT_EQ(o->outcome, e.outcome) << e.object;
    EXPECT_EQ(o->item != 0, e.stored) << e.object;
    if (e.stored) {
      EXPECT_TRUE(m.files.GetAttributes(kPf + "\\Quarantine\\" + o->package + "\\" + std::to_string(o->item) +
                                        ".qnf") != win::kInvalidAttributes);
    }
  }
  EXPECT_TRUE(Find(r, "C:\\Spy\\manual.exe")->manual);
  EXPECT_EQ(Find(r, "C:\\Spy\\manual.exe")->commentUrl, "http://help.example/manual");
  EXPECT_EQ(m.files.GetAttributes("C:\\Spy\\spy.exe"), win::kInvalidAttributes);
  EXPECT_FALSE(m.registry.KeyExists(win::kCurrentUser, "Software\\SpyCo"));
  EXPECT_NE(m.files.GetAttributes("C:\\Spy\\manual.exe"), win::kInvalidAttributes);

  // The report, the log and the saved settings.
  const Text json = ReportJson(r);
  for (const char* part : {"\"programVersion\": \"1.2.3\"", "\"ignored\": 1", "\"status\": 1",
                           "\"outcome\": \"protected\"", "\"manualRemoval\": true", "\"objectsIgnored\": 1",
                           "\"object\": \"C:\\\\Spy\\\\spy.exe\""})
    EXPECT_NE(json.find(part), Text::npos) << part;
  const std::string log = Read(kPf + "\\SpyLog.txt");
  EXPECT_NE(log.find("File deleted=C:\\Spy\\spy.exe"), std::string::npos);
  EXPECT_NE(log.find("Protected location not removed=C:\\WINDOWS\\system32"), std::string::npos);
  EXPECT_EQ(Read(kPf + "\\Settings\\CustomScan.stg").substr(0, 12), "1\r\n1\r\n1\r\n0\r\n");
  EXPECT_EQ(log.find("IE Homepage settings"), std::string::npos);

  // Morvane's quarantine screen lists the package and restores it.
  AppState app;
  app.programFolder = kPf;
  DiscoverFolders(ctx, app.folders);
  RemovalEngine quarantine(ctx, app);
  quarantine.ListQuarantine();
  ASSERT_EQ(quarantine.lstQuarantinedList.Count(), 1u);
  EXPECT_EQ(quarantine.lstQuarantinedList.Item(1).text, Find(r, "C:\\Spy\\spy.exe")->package);
  quarantine.lstQuarantinedList.Item(1).checked = true;
  quarantine.RestoreSelected();
  EXPECT_EQ(Read("C:\\Spy\\spy.exe"), "MZ spy");
  EXPECT_EQ(Read("C:\\Spy\\Data\\x.dat"), "data");
  EXPECT_TRUE(m.registry.KeyExists(win::kCurrentUser, "Software\\SpyCo"));
}

// The saved "erase all" of the custom scan ticks every row in the window; a
// run without the remove option still removes and quarantines nothing.
TEST_F(ConsoleRun, WithoutRemoveNothingGoesWhateverTheSavedOptions) {
  m.registry.SetStringValue(win::kCurrentUser, "Software\\SpyCo", "id", "1");
  const std::string custom = "0\r\n0\r\n1\r\n1\r\n1\r\n0\r\n0";
  Write("\\Settings\\CustomScan.stg", custom);
  Write("\\Settings\\Settings.stg", "0\r\n0\r\n0\r\n1\r\n0\r\n0\r\nabout:blank\r\nIE\r\n30\r\n1\r\n10");
  Database({"regkey|HKEY_CURRENT_USER\\Software\\SpyCo|Spy Key|"});
  for (ScanMode mode : {ScanMode::Custom, ScanMode::Saved}) {
    ScanRequest request;
    request.mode = mode;
    const ScanReport r = Run(request);
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.objects.size(), 1u) << r.mode;
    EXPECT_EQ(r.objects[0].outcome, "");
    EXPECT_TRUE(m.registry.KeyExists(win::kCurrentUser, "Software\\SpyCo")) << r.mode;
    EXPECT_EQ(Read(kPf + "\\Settings\\CustomScan.stg").substr(0, custom.size()), custom);
    AppState app;
    app.programFolder = kPf;
    EXPECT_EQ(RemovalEngine(ctx, app).ListQuarantine(), 0u);
  }
}

TEST_F(ConsoleRun, StatusZeroWhenCleanAndTwoWithAClearReason) {
  Database({"path|C:\\Spy\\spy.exe|Spy Exe|"});
  ScanReport clean = Run({});
  EXPECT_EQ(clean.error, "");
  EXPECT_EQ(ExitStatus(clean), 0);
  EXPECT_NE(ReportJson(clean).find("\"objects\": []"), Text::npos);

  ScanRequest folders;
  folders.mode = ScanMode::Folders;
  folders.folders = {"C:\\Nowhere"};
  ScanReport missing = Run(folders);
  EXPECT_EQ(ExitStatus(missing), 2);
  EXPECT_EQ(missing.error, "Folder does not exist: C:\\Nowhere");

  ScanRequest otherDb;
  otherDb.database = "C:\\none.ref";
  EXPECT_EQ(Run(otherDb).error, "No reference database: C:\\none.ref");
  // A file that deciphers to no database scans nothing: never a clean result.
  for (const std::string& content : {modCrypt::EncryptString("Version 7", kDatabaseKey),
                                     std::string("\x01\x9f\x30\r\n\x7f\xe2|\x05\n\x80\x81\x82")}) {
    m.files.AddFile("C:\\other.ref", content);
    otherDb.database = "C:\\other.ref";
    EXPECT_EQ(ExitStatus(Run(otherDb)), 2);
  }

  Write("\\Settings\\Settings.stg", "0\r\n0\r\n0\r\n1\r\n0\r\n0\r\nabout:blank\r\nIE\r\n30\r\n7\r\n10");
  EXPECT_EQ(ExitStatus(Run({})), 2);  // no scan mode saved
}

}  // namespace
}  // namespace morvane::frontend
