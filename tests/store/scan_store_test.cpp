#include <gtest/gtest.h>

#include "platform/simulated/machine.h"
#include "store/ignore_list.h"
#include "store/reg_backups.h"
#include "store/scan_log.h"

namespace morvane {
namespace {

class ScanStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    app.programFolder = "C:\\Morvane";
    m.files.AddFolder("C:\\Morvane\\Registry Backups");
    app.lstSettingsFile = {"0", "0", "0", "1", "0", "0", "about:blank", "t", "30", "0", "10"};
    app.folders.strWinDir = "C:\\WINDOWS";
    m.clock.now = {2026, 12, 6, 9, 5, 7};
  }
  ListItem& Row(ListView& v, const Text& type, const Text& cat, const Text& obj, const Text& note = "") {
    ListItem& r = v.Add(type);
    r.SubItems(1) = cat;
    r.SubItems(2) = obj;
    r.SubItems(3) = note;
    return r;
  }
  sim::SimulatedMachine m;
  Context ctx{m.os()};
  AppState app;
};

TEST_F(ScanStoreTest, ScanSummaryAndFlushWriteTheExactLog) {
  app.lstLog = {"", "Scan process started on 12/6/2026  09:05:07"};
  Row(app.lstScanResult, "path", "SpyCat", "C:\\a.exe");
  Row(app.lstScanResult, "regval", "Adware", "HKEY_CURRENT_USER\\Run,x");
  Row(app.lstIremovable, "folder", "Hard", "C:\\Spy", "http://help");
  AddListedToLog(ctx, app);
  EXPECT_EQ(app.QuarantineSession, "6-12-2026-9-5-7");
  EXPECT_EQ(app.lstLog, (ListBox{"", "Scan process started on 12/6/2026  09:05:07", "",
                                  " Scan uncovered following 2 items:", "     path:C:\\a.exe   |SpyCat",
                                  "     regval:HKEY_CURRENT_USER\\Run,x   |Adware", "",
                                  " Scan uncovered following 1 Iremovable items:",
                                  "     folder:C:\\Spy   |Hard   |http://help", ""}));

  m.clock.now = {2026, 3, 4, 17, 8, 9};
  FlushScanLog(ctx, app);
  EXPECT_TRUE(app.lstLog.empty());
  m.files.Restart();  // the log is on the disk
  std::string file;
  ASSERT_TRUE(m.files.ReadAll("C:\\Morvane\\SpyLog.txt", file));
  const Text tail = "\r\nScanning completed on 03-04-2026  17:08:09\r\n\r\n\r\n";
  const Text head = "\r\nScan process started on 12/6/2026  09:05:07\r\n\r\n Scan uncovered following 2 items:\r\n";
  ASSERT_GT(file.size(), tail.size());
  EXPECT_EQ(file.substr(file.size() - tail.size()), tail);
  EXPECT_EQ(file.substr(0, head.size()), head);

  // A second flush appends; logging off touches nothing.
  app.lstLog = {"x"};
  FlushScanLog(ctx, app);
  std::string again;
  m.files.ReadAll("C:\\Morvane\\SpyLog.txt", again);
  EXPECT_EQ(again.substr(0, file.size()), file);
  app.lstSettingsFile[3] = "01";
  app.lstLog = {"y"};
  FlushScanLog(ctx, app);
  std::string same;
  m.files.ReadAll("C:\\Morvane\\SpyLog.txt", same);
  EXPECT_EQ(same, again);
  EXPECT_TRUE(app.lstLog.empty());
}

TEST_F(ScanStoreTest, EmptyScanLogsOneEmptyLine) {
  AddListedToLog(ctx, app);
  EXPECT_EQ(app.lstLog, (ListBox{""}));
}

// An entry ignores its own object, whatever the type, and nothing it merely
// contains: ignoring a file must not hide its folder.
TEST_F(ScanStoreTest, IgnoreTestMatchesTheEntrysObjectOnly) {
  const ListBox entries{"path|C:\\Spy\\spy.exe|Cat", "cookie|ad@server.txt|Ads|note", "regval|HKEY_X\\K,a|b|Cat",
                        "bare object"};
  const IgnoreIndex index(entries);
  for (auto [object, ignored] : {std::pair<Text, bool>{"C:\\Spy\\spy.exe", true},
                                 {"ad@server.txt", true},
                                 {"HKEY_X\\K,a|b", true},
                                 {"HKEY_X\\K,a", true},
                                 {"bare object", true},
                                 {"C:\\Spy", false},
                                 {"spy.exe", false},
                                 {"server", false},
                                 {"C:\\SPY\\spy.exe", false},
                                 {"Cat", false},
                                 {"path", false},
                                 {"HKEY_X\\K,a|", false}}) {
    EXPECT_EQ(ObjectIgnored(ctx, entries, object), ignored) << object;
    EXPECT_EQ(index.Ignored(ctx, object), ignored) << object;
  }
  EXPECT_FALSE(ObjectIgnored(ctx, {}, "x"));
}

TEST_F(ScanStoreTest, IgnoreListAddsLogsAndDeletes) {
  int saves = 0;
  IgnoreList ignore(ctx, app, [&] { ++saves; });
  Row(app.lstScanResult, "path", "Cat", "C:\\a.exe").checked = true;
  Row(app.lstScanResult, "file", "Cat2", "C:\\b.dll");
  Row(app.lstScanResult, "regkey", "Cat3", "HKEY_CURRENT_USER\\S", "note").checked = true;
  // A name with a line break cannot be a line of the list: left out, counted.
  Row(app.lstScanResult, "regs", "Cat4", "HKEY_CURRENT_USER\\Odd\r\nName").checked = true;
  const IgnoreList::Added added = ignore.IgnoreChecked();
  EXPECT_EQ(added.added, 2u);
  EXPECT_EQ(added.refused, 1u);
  EXPECT_EQ(app.lstIgnoreListFile, (ListBox{"path|C:\\a.exe|Cat", "regkey|HKEY_CURRENT_USER\\S|Cat3|note"}));
  EXPECT_EQ(app.lstLog, (ListBox{"", " Following items added to Ignore List:", "     path:C:\\a.exe   |Cat",
                                  "     regkey:HKEY_CURRENT_USER\\S   |Cat3"}));
  EXPECT_EQ(saves, 1);
  EXPECT_TRUE(app.lstScanResult.Item(1).checked);

  Row(app.lstIremovable, "fold", "Hard", "C:\\x", "http://u").checked = true;
  ignore.IgnoreCheckedManual();
  EXPECT_EQ(app.lstIgnoreListFile.back(), "fold|C:\\x|Hard|http://u");
  EXPECT_EQ(app.lstLog.size(), 4u);

  // Deleting one entry leaves the others as written: a bare object still
  // ignores it, and an entry added while the list was shown stays.
  app.lstIgnoreListFile.push_back("a|b|c|d|e");
  app.lstIgnoreListFile.push_back("C:\\Tool\\t.exe");
  ignore.LoadIgnoredToList();
  ASSERT_EQ(ignore.lstIgnoreList.Count(), 5u);
  EXPECT_EQ(ignore.lstIgnoreList.Item(1).SubItems(3), "");
  EXPECT_EQ(ignore.lstIgnoreList.Item(4).SubItems(3), "d");
  ignore.lstIgnoreList.Item(2).checked = true;
  app.lstIgnoreListFile.push_back("file|C:\\new.dll|Cat");
  EXPECT_EQ(ignore.DeleteSelected(), 1u);
  EXPECT_EQ(app.lstIgnoreListFile, (ListBox{"path|C:\\a.exe|Cat", "fold|C:\\x|Hard|http://u", "a|b|c|d|e",
                                            "C:\\Tool\\t.exe", "file|C:\\new.dll|Cat"}));
  EXPECT_TRUE(ObjectIgnored(ctx, app.lstIgnoreListFile, "C:\\Tool\\t.exe"));
  EXPECT_EQ(ignore.lstIgnoreList.Count(), 5u);
  EXPECT_EQ(saves, 3);
}

TEST_F(ScanStoreTest, PruningDeletesTheOldestBackupsByTheirDates) {
  // Text order would delete 10-1-2005 before 9-1-2005; date order keeps the newer.
  // Names without a date are the user's own exports: never counted, never deleted.
  for (const char* n : {"9-1-2005-10-0-0.reg", "10-1-2005-10-0-0.reg", "1-2-2005-0-0-0.reg", "mine.reg",
                        "31-12-2004-23-59-59.reg", "1-1-2005.reg"})
    m.files.AddFile(Text("C:\\Morvane\\Registry Backups\\") + n, "x", win::kAttrReadOnly);
  const Text dir = "C:\\Morvane\\Registry Backups\\";
  app.lstSettingsFile[10] = "3";
  // While the settings file is unread its defaults decide nothing.
  app.unreadSettingsFiles.insert("c:\\morvane\\settings\\settings.stg");
  PruneRegBackups(ctx, app);
  EXPECT_EQ(m.files.ListTree("C:\\Morvane\\Registry Backups").size(), 6u);
  app.unreadSettingsFiles.clear();
  PruneRegBackups(ctx, app);
  EXPECT_EQ(m.files.ListTree("C:\\Morvane\\Registry Backups"),
            (std::vector<Text>{dir + "1-1-2005.reg", dir + "1-2-2005-0-0-0.reg", dir + "10-1-2005-10-0-0.reg",
                               dir + "9-1-2005-10-0-0.reg", dir + "mine.reg"}));
  app.lstSettingsFile[10] = "0";
  PruneRegBackups(ctx, app);
  EXPECT_EQ(m.files.ListTree("C:\\Morvane\\Registry Backups"),
            (std::vector<Text>{dir + "1-1-2005.reg", dir + "mine.reg"}));
}

TEST_F(ScanStoreTest, BackupRunsTheRegistryEditorAndListsProcesses) {
  m.processes.AddProcess("explorer.exe");
  Text exported;
  m.processes.RegisterProgram("regedit.exe", [&](const Text& cmd) {
    exported = cmd;
    m.files.AddFile("C:\\6-12-2026-9-5-7.reg", "REGEDIT4\r\n\r\n");
    return 0u;
  });
  ListRegBackups(ctx, app);
  EXPECT_TRUE(exported.empty());
  EXPECT_TRUE(app.lstLog.empty());
  EXPECT_EQ(app.counter(Counter::lblRunningProcesses), "1");

  app.lstSettingsFile[5] = "1";
  Text shown;
  ListRegBackups(ctx, app, [&](const Text& t) { shown = t; });
  EXPECT_EQ(shown, "Backing up Registry...");
  EXPECT_EQ(exported, "C:\\WINDOWS\\regedit.exe /e C:\\6-12-2026-9-5-7.reg HKEY_LOCAL_MACHINE");
  EXPECT_EQ(app.lstLog, (ListBox{"", "Registry backed up on 12/6/2026  09:05:07"}));
  EXPECT_TRUE(m.files.Exists("C:\\Morvane\\Registry Backups\\6-12-2026-9-5-7.reg"));
  EXPECT_FALSE(m.files.Exists("C:\\6-12-2026-9-5-7.reg"));

  // The editor wrote nothing: no backup, and the log says so.
  m.processes.RegisterProgram("regedit.exe", [](const Text&) { return 0u; });
  m.clock.now.second = 8;
  app.lstLog.clear();
  ListRegBackups(ctx, app);
  EXPECT_EQ(app.lstLog.back(), "Registry backup incomplete and not kept");
  EXPECT_FALSE(m.files.Exists("C:\\Morvane\\Registry Backups\\6-12-2026-9-5-8.reg"));
}

}  // namespace
}  // namespace morvane
