#include <gtest/gtest.h>

#include "removal/removal_fixture.h"

namespace morvane::testing {
namespace {

using Strings = std::vector<Text>;

TEST_F(RemovalTest, EmptyResultsStillCloseTheScan) {
  app.lstLog = {"scan line"};
  const RemovalReport report = engine.RemoveChecked();
  EXPECT_TRUE(machine.messages.shown.empty());
  EXPECT_EQ(app.lstScanInfoFile, (Strings{"12-07-2026  14:05:09", "5", "10"}));
  EXPECT_FALSE(ctx.OperationInProgress);
  EXPECT_EQ(saveDataCalls, 1);
  EXPECT_EQ(flushedLog, Strings{"scan line"});
  EXPECT_EQ(resetCalls, 1);
  EXPECT_FALSE(report.cancelled);
  EXPECT_EQ(report.rows, 0u);
  EXPECT_TRUE(report.manual.Empty());
}

TEST_F(RemovalTest, UncheckedRowsAskNothingAndRemoveNothing) {
  app.lstSettingsFile[2] = "0";  // home page question would be due
  AddFileRow("file", "C:\\bad\\x.txt", "x", false);
  const RemovalReport report = engine.RemoveChecked();
  EXPECT_TRUE(machine.messages.shown.empty());
  EXPECT_TRUE(HasFile("C:\\bad\\x.txt"));
  EXPECT_EQ(app.lstScanInfoFile[1], "5");
  EXPECT_FALSE(report.cancelled);
  EXPECT_EQ(report.rows, 0u);
}

TEST_F(RemovalTest, NoToTheQuestionLeavesEverythingAsItWas) {
  AddFileRow("file", "C:\\bad\\x.txt");
  AddRow("file", "C:\\bad\\y.txt", false);
  app.lstLog = {"scan line"};
  AnswerNext(MsgResult::No);
  EXPECT_TRUE(engine.RemoveChecked().cancelled);
  ASSERT_EQ(machine.messages.shown.size(), 1u);
  const auto& q = machine.messages.shown[0];
  EXPECT_EQ(q.text, "Are you sure you want to delete 1 items?");
  EXPECT_EQ(q.title, "Delete?");
  EXPECT_EQ(q.buttons, MsgButtons::YesNo);
  EXPECT_EQ(q.icon, MsgIcon::Question);
  EXPECT_TRUE(HasFile("C:\\bad\\x.txt"));
  EXPECT_EQ(app.lstScanResult.Count(), 2u);
  EXPECT_EQ(app.lstLog, Strings{"scan line"});
  EXPECT_EQ(app.lstScanInfoFile[1], "4");
  EXPECT_TRUE(ctx.OperationInProgress);
  EXPECT_EQ(resetCalls, 0);
}

TEST_F(RemovalTest, EveryTypeIsRemovedCountedAndLogged) {
  fs.AddFile("C:\\Cookies\\user@ads[1].txt", "cookie", win::kAttrReadOnly);
  AddRow("Cookie", "user@ads[1].txt");
  AddFileRow("file", "C:\\Program Files\\Bad\\bad.EXE", "MZ");
  const uint32_t bad = machine.processes.AddProcess("C:\\Program Files\\Bad\\bad.EXE");
  const uint32_t other = machine.processes.AddProcess("C:\\WINDOWS\\other.exe");
  AddFileRow("path", "C:\\Program Files\\Bad\\hook lib.dll", "MZ");
  fs.AddFile("C:\\Bad Tree\\a.txt", "a");
  fs.AddFile("C:\\Bad Tree\\sub\\deep\\b.txt", "b");
  SetText("HKEY_CURRENT_USER\\Software\\Bad\\L1\\L2\\L3", "v", "x");
  // A link in the removed key goes with it; the key it points at stays whole.
  SetText("HKEY_CURRENT_USER\\Keep\\Inner", "v", "x");
  ASSERT_TRUE(machine.registry.CreateLink(win::kCurrentUser, "Software\\Bad\\L1\\Link", win::kCurrentUser, "Keep"));
  SetText("HKEY_CURRENT_USER\\Run", "bad,one", "c:\\bad.exe");
  SetText("HKEY_CURRENT_USER\\Run", "keep", "c:\\good.exe");
  AddRows({{"folder", "C:\\Bad Tree"}, {"regkey", "HKEY_CURRENT_USER\\Software\\Bad"},
           {"regval", "HKEY_CURRENT_USER\\Run,bad,one"}});
  AddFileRow("unknown", "C:\\keep.txt");
  const RemovalReport report = RemoveConfirmed();

  EXPECT_EQ(machine.messages.shown.at(0).text, "Are you sure you want to delete 7 items?");
  EXPECT_FALSE(machine.processes.IsRunning(bad));
  EXPECT_TRUE(machine.processes.IsRunning(other));
  EXPECT_EQ(Commands(), Strings{"regsvr32.exe /s /u \"C:\\Program Files\\Bad\\hook lib.dll\""});
  EXPECT_EQ(Below("C:\\Bad Tree"), (std::map<Text, std::string>{}));
  EXPECT_FALSE(HasFolder("C:\\Bad Tree"));
  EXPECT_FALSE(KeyExists("HKEY_CURRENT_USER\\Software\\Bad"));
  EXPECT_TRUE(KeyExists("HKEY_CURRENT_USER\\Software"));
  EXPECT_EQ(ValueType("HKEY_CURRENT_USER\\Keep\\Inner", "v"), win::kRegSz);
  EXPECT_EQ(ValueType("HKEY_CURRENT_USER\\Run", "bad,one"), -1);
  EXPECT_EQ(ValueType("HKEY_CURRENT_USER\\Run", "keep"), win::kRegSz);
  EXPECT_TRUE(HasFile("C:\\keep.txt"));
  EXPECT_FALSE(HasFile("C:\\Cookies\\user@ads[1].txt"));

  EXPECT_EQ(flushedLog, (Strings{
                            "Cookie deleted=user@ads[1].txt",
                            "Process Killed=C:\\Program Files\\Bad\\bad.EXE",
                            "File deleted=C:\\Program Files\\Bad\\bad.EXE",
                            "File deleted=C:\\Program Files\\Bad\\hook lib.dll",
                            "Registry key deleted=HKEY_CURRENT_USER\\Software\\Bad\\L1\\Link",
                            "Registry key deleted=HKEY_CURRENT_USER\\Software\\Bad\\L1\\L2\\L3",
                            "Registry key deleted=HKEY_CURRENT_USER\\Software\\Bad\\L1\\L2",
                            "Registry key deleted=HKEY_CURRENT_USER\\Software\\Bad\\L1",
                            "Registry key deleted=HKEY_CURRENT_USER\\Software\\Bad",
                            "Registry value deleted=HKEY_CURRENT_USER\\Run,bad,one",
                            "Item not deleted=C:\\keep.txt",
                        }));
  // 1 cookie + 2 files + 4 folder entries + 5 keys + 1 value.
  EXPECT_EQ(RemovedTotal(), "23");
  EXPECT_EQ(report.rows, 7u);
  EXPECT_EQ(report.removed, 13u);
  EXPECT_EQ(app.lstScanResult.Count(), 0u);
  EXPECT_EQ(app.QuarantineCounter, 10000);
}

// A key that refuses the walk's open is still there: the row failed, and says so.
// A key that cannot be walked, read or found by its listed name is not
// deleted, and says so; one that is simply gone is not counted.
TEST_F(RemovalTest, KeysThatCannotBeReachedAreLoggedAsNotDeleted) {
  const struct {
    const char* sub;
    uint32_t denied;  // 0: the key is not made
    bool logged;
  } cases[] = {{"Locked", win::kKeyCreateLink, true},  // the walk's open is refused
               {"Sealed", win::kKeyRead | 0x00010000u, true},  // nor read nor DELETE
               {"?mega", 0, true},  // a name the code page lacks, as listed
               {"Gone", 0, false}};
  for (const auto& c : cases) {
    const Text key = Text("HKEY_CURRENT_USER\\Software\\") + c.sub;
    if (c.denied) {
      SetText(key, "v", "x");
      ASSERT_TRUE(machine.registry.DenyAccess(win::kCurrentUser, Text("Software\\") + c.sub, c.denied));
    }
    flushedLog.clear();
    AddRow("regkey", key);
    const RemovalReport report = RemoveConfirmed();
    EXPECT_EQ(KeyExists(key), c.denied != 0) << c.sub;
    EXPECT_EQ(flushedLog, c.logged ? Strings{"Registry key not deleted=" + key} : Strings{}) << c.sub;
    EXPECT_EQ(report.removed, 0u) << c.sub;
  }
}

// Only a program whose image is the row's very file ends, in any letter case:
// programs of that name elsewhere and images that cannot be read are left
// alone, and one that survives twenty attempts is logged as such.
TEST_F(RemovalTest, OnlyTheProcessesOfThatFileEnd) {
  AddFileRow("file", "C:\\Spy\\explorer.exe", "MZ");
  AddFileRow("path", "C:\\x\\tool.exe", "MZ");
  uint32_t pid[5];
  int i = 0;
  for (const char* image : {"C:\\WINDOWS\\explorer.exe", "explorer.exe", "C:\\SPY\\EXPLORER.EXE",
                            "C:\\Spy\\explorer.exe", "C:\\x\\tool.exe"})
    pid[i++] = machine.processes.AddProcess(image);
  // The last survives every attempt: two ends go through, then twenty fail.
  for (uint64_t n = 3; n <= 22; ++n) machine.faults.FailCall("TerminateProcess", n);
  RemoveConfirmed();
  EXPECT_EQ(machine.faults.Calls("TerminateProcess"), 22u);
  for (int p : {0, 1, 4}) EXPECT_TRUE(machine.processes.IsRunning(pid[p])) << p;
  for (int p : {2, 3}) EXPECT_FALSE(machine.processes.IsRunning(pid[p])) << p;
  EXPECT_EQ(flushedLog, (Strings{"Process Killed=C:\\Spy\\explorer.exe", "Process Killed=C:\\Spy\\explorer.exe",
                                 "File deleted=C:\\Spy\\explorer.exe", "Process not ended=C:\\x\\tool.exe",
                                 "File deleted=C:\\x\\tool.exe"}));
}

// Files in use, alone or left in a wiped folder, go at the next restart: they
// are logged so, not counted, and reported; other failures are logged.
TEST_F(RemovalTest, FailedRemovalsAreLoggedAndNotCounted) {
  fs.AddFolder("C:\\x\\dir.exe");
  AddRow("path", "C:\\x\\dir.exe");
  for (const char* locked : {"C:\\x\\locked.txt", "C:\\Cookies\\c.txt", "C:\\Tree\\stuck.txt"}) {
    fs.AddFile(locked, "l");
    fs.SetLocked(locked, true);
  }
  fs.AddFile("C:\\Tree\\free.txt", "f");
  SetDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad\\Child", "v", 1);
  Deny("HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad\\Child", 0x00010000);  // DELETE
  SetText("HKEY_LOCAL_MACHINE\\Guard", "v", "x");
  Deny("HKEY_LOCAL_MACHINE\\Guard", win::kKeySetValue);
  AddRows({{"file", "C:\\x\\locked.txt"}, {"cookie", "c.txt"}, {"folder", "C:\\Tree"},
           {"regkey", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad"}, {"regval", "HKEY_LOCAL_MACHINE\\Guard,v"},
           {"regkey", "HKEY_NOWHERE\\Spy"}, {"regval", "HKEY_NOWHERE\\Run,spy"}});
  const RemovalReport report = RemoveConfirmed();
  EXPECT_EQ(flushedLog, (Strings{
                            "File not deleted=C:\\x\\dir.exe",
                            "File will be deleted at restart=C:\\x\\locked.txt",
                            "Cookie not deleted=c.txt",
                            "File will be deleted at restart=C:\\Tree\\stuck.txt",
                            "Folder will be deleted at restart=C:\\Tree",
                            "Registry key not deleted=HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad\\Child",
                            "Registry key not deleted=HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad",
                            "Registry value not deleted=HKEY_LOCAL_MACHINE\\Guard,v",
                            // A key under no known root lists nothing to remove.
                            "Registry value not deleted=HKEY_NOWHERE\\Run,spy",
                        }));
  // Only free.txt went.
  EXPECT_EQ(RemovedTotal(), "11");
  EXPECT_EQ(report.removed, 1u);
  EXPECT_TRUE(HasFile("C:\\Tree\\stuck.txt"));
  EXPECT_EQ(report.atRestart, (Strings{"C:\\x\\locked.txt", "C:\\Tree"}));
  EXPECT_EQ(fs.PendingRemovals(), (Strings{"C:\\x\\locked.txt", "C:\\Tree\\stuck.txt", "C:\\Tree"}));
  EXPECT_EQ(AtRestartMessage(report.atRestart.size()), "2 objects will be removed when Windows restarts.");
  EXPECT_FALSE(HasFile("C:\\Tree\\free.txt"));
}

// The home page question follows the removal question only while protection
// is off; No leaves the browser as it is, Yes writes both values and logs them.
TEST_F(RemovalTest, HomePageQuestionOnlyWhenProtectionIsOff) {
  const Text ie = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main";
  const Text question = "Do you want to reset your browser homepage settings in case it was changed by a spyware?";
  machine.registry.CreateKeyPath(win::kCurrentUser, Split(ie).second);
  const Text before = ValueText(ie, "Start Page");
  const struct {
    const char* name;
    bool protection;
    MsgResult answer;
    Text startPage;
  } cases[] = {{"protection on", true, MsgResult::Yes, before},
               {"off, no", false, MsgResult::No, before},
               {"off, yes", false, MsgResult::Yes, "http://home.example/"}};
  for (const auto& c : cases) {
    machine.messages.shown.clear();
    app.lstSettingsFile[2] = c.protection ? "1" : "0";
    AddFileRow("file", "C:\\x\\a.txt");
    AnswerNext(MsgResult::Yes);
    if (!c.protection) AnswerNext(c.answer);
    engine.RemoveChecked();
    EXPECT_FALSE(HasFile("C:\\x\\a.txt")) << c.name;
    EXPECT_EQ(ValueText(ie, "Start Page"), c.startPage) << c.name;
    // Protection on: the removal question only.
    ASSERT_EQ(machine.messages.shown.size(), c.protection ? 1u : 2u) << c.name;
    EXPECT_EQ(machine.messages.shown.back().text == question, !c.protection) << c.name;
    if (!c.protection) {
      EXPECT_EQ(machine.messages.shown.back().title, "Reset homepage?") << c.name;
    }
  }
  EXPECT_EQ(ValueText(ie, "Window Title"), "My Browser");
  EXPECT_EQ(flushedLog.at(1), "IE Homepage settings reseted to:  Homepage=http://home.example/");
  EXPECT_EQ(flushedLog.at(2), "                                  Window Title=My Browser");
}

// The rows for removal by hand come back in the report, the scan's tables
// emptied; a scheduler scan removes without asking, not even the home page question.
TEST_F(RemovalTest, ManualRowsAreReportedAndTheSchedulerAsksNothing) {
  app.lstIremovable.Add("file").SubItems(3) = "http://info/";
  RemovalReport report = engine.RemoveChecked();
  EXPECT_TRUE(machine.messages.shown.empty());
  ASSERT_EQ(report.manual.Count(), 1u);
  EXPECT_EQ(report.manual.Item(1).SubItems(3), "http://info/");
  EXPECT_TRUE(app.lstIremovable.Empty());

  app.AutoScan = true;
  app.lstSettingsFile[2] = "0";
  AddFileRow("file", "C:\\x\\a.txt");
  report = engine.RemoveChecked();
  EXPECT_TRUE(machine.messages.shown.empty());
  EXPECT_FALSE(HasFile("C:\\x\\a.txt"));
  EXPECT_EQ(report.rows, 1u);
}

TEST_F(RemovalTest, AutoEraseQuarantinesFirstAndKeepsWhatCannotBeCopied) {
  SetAutoErase();
  AddFileRow("file", "C:\\x\\a.exe", "AAAA", false);
  AddFileRow("path", "C:\\x\\b.txt", "BBBB", false);
  machine.faults.FailCall("CopyTo", 2);  // b.txt's copy
  fs.AddFile("C:\\Cookies\\c.txt", "CCCC");
  AddRow("cookie", "c.txt", false);
  engine.RemoveChecked();
  EXPECT_TRUE(machine.messages.shown.empty());
  EXPECT_EQ(flushedLog, (Strings{
                            "File deleted=C:\\x\\a.exe",
                            "File not deleted (quarantine copy failed)=C:\\x\\b.txt",
                            "Cookie deleted=c.txt",
                        }));
  EXPECT_TRUE(HasFile("C:\\x\\b.txt"));
  EXPECT_EQ(Stored(), (std::map<Text, std::string>{{"10000.qit", "AAAA"},
                                                   {"10000.qnf", "file|10000.qit|C:\\x\\a.exe"},
                                                   {"10001.qit", "CCCC"},
                                                   {"10001.qnf", "cookie|10001.qit|C:\\Cookies\\c.txt"}}));
}

// The quarantine option copies every row type first, in any scan mode; a row
// whose copy fails stays in place and is logged.
TEST_F(RemovalTest, QuarantineOptionCopiesEveryTypeBeforeRemoval) {
  app.lstCustomScanSettings[3] = "1";
  fs.AddFile("C:\\Cookies\\c.txt", "CCCC");
  AddRow("cookie", "c.txt");
  AddFileRow("file", "C:\\Bad\\f.txt", "FFFF");
  fs.AddFile("C:\\Bad Tree\\a.txt", "a");
  AddRow("folder", "C:\\Bad Tree");
  SetText("HKEY_CURRENT_USER\\Software\\Bad", "v", "x");
  AddRow("regkey", "HKEY_CURRENT_USER\\Software\\Bad");
  SetDword("HKEY_CURRENT_USER\\Run", "spy", 7);
  AddRow("regval", "HKEY_CURRENT_USER\\Run,spy");
  AddFileRow("path", "C:\\Bad\\locked.txt", "L");
  // Copies: the cookie, f.txt, a.txt of the folder, then locked.txt (the
  // key's export is moved on its drive, by a rename).
  machine.faults.FailCall("CopyTo", 4);
  RemoveConfirmed();

  std::map<Text, std::string> stored = Stored();
  stored.erase("10003.qit");  // the key's export
  EXPECT_EQ(stored, (std::map<Text, std::string>{{"10000.qit", "CCCC"},
                                                 {"10000.qnf", "cookie|10000.qit|C:\\Cookies\\c.txt"},
                                                 {"10001.qit", "FFFF"},
                                                 {"10001.qnf", "file|10001.qit|C:\\Bad\\f.txt"},
                                                 {"10002.qnf", "folder|Bad Tree|C:\\Bad Tree"},
                                                 {"Bad Tree\\a.txt", "a"},
                                                 {"10003.qnf", "regkey|10003.qit|HKEY_CURRENT_USER\\Software\\Bad"},
                                                 {"10004.qit", "DWORD|7"},
                                                 {"10004.qnf", "regval|10004.qit|HKEY_CURRENT_USER\\Run,spy"}}));

  EXPECT_FALSE(HasFile("C:\\Bad\\f.txt"));
  EXPECT_FALSE(HasFolder("C:\\Bad Tree"));
  EXPECT_FALSE(KeyExists("HKEY_CURRENT_USER\\Software\\Bad"));
  EXPECT_EQ(ValueType("HKEY_CURRENT_USER\\Run", "spy"), -1);
  EXPECT_TRUE(HasFile("C:\\Bad\\locked.txt"));
  EXPECT_EQ(flushedLog.back(), "File not deleted (quarantine copy failed)=C:\\Bad\\locked.txt");

  // A key that cannot be exported stays too.
  machine.faults.FailCall("Export", 1);
  ctx.OperationInProgress = true;
  SetText("HKEY_CURRENT_USER\\Software\\Other", "v", "x");
  AddRow("regkey", "HKEY_CURRENT_USER\\Software\\Other");
  RemoveConfirmed();
  EXPECT_TRUE(KeyExists("HKEY_CURRENT_USER\\Software\\Other"));
  EXPECT_EQ(flushedLog.back(), "Registry key not deleted (quarantine copy failed)=HKEY_CURRENT_USER\\Software\\Other");
}

TEST_F(RemovalTest, EmptySessionFolderIsRemovedAtTheStart) {
  fs.AddFolder(Session());
  engine.RemoveChecked();
  EXPECT_FALSE(HasFolder(Session()));
  EXPECT_TRUE(HasFolder(Quarantine()));

  fs.AddFile(Session() + "\\10000.qnf", "file|10000.qit|C:\\a");
  engine.RemoveChecked();
  EXPECT_TRUE(HasFolder(Session()));
}

TEST_F(RemovalTest, AbortedScanRemovesOnlyEmptyFoldersAndLeafKeys) {
  // Without an operation in progress the real listings do not descend; the
  // step must still survive an empty listing and a key listed alone.
  fs.AddFolder("C:\\Empty");
  AddRow("folder", "C:\\Empty");
  ctx.OperationInProgress = false;
  RemoveConfirmed();
  EXPECT_FALSE(HasFolder("C:\\Empty"));
  EXPECT_TRUE(flushedLog.empty());
}

TEST_F(RemovalTest, WipeFolderRepeatsUntilNothingIsLeftAndGivesUpAfterThirty) {
  fs.AddFile("C:\\W\\a\\b\\c.txt", "c");
  fs.AddFile("C:\\W\\d.txt", "d");
  engine.WipeFolder("C:\\W");
  EXPECT_TRUE(Below("C:\\W").empty());
  EXPECT_TRUE(HasFolder("C:\\W"));
  EXPECT_EQ(RemovedTotal(), "14");  // a, a\b, a\b\c.txt, d.txt

  fs.AddFile("C:\\W\\stuck.txt", "s");
  fs.SetLocked("C:\\W\\stuck.txt", true);
  machine.faults.CountCalls();
  engine.WipeFolder("C:\\W");
  EXPECT_EQ(RemovedTotal(), "14");
  // One listing before the passes, then 30 passes.
  EXPECT_EQ(machine.faults.Calls("FindFirst"), 31u);
}

TEST_F(RemovalTest, ResultListSelectionCommands) {
  engine.SelectAllResults();  // empty list: nothing happens
  AddRow("file", "a", false);
  AddRow("file", "b", true);
  AddRow("file", "c", false);
  const std::pair<void (RemovalEngine::*)(), std::vector<bool>> steps[] = {
      {&RemovalEngine::InvertResults, {true, false, true}},
      {&RemovalEngine::InvertResults, {false, true, false}},
      {&RemovalEngine::SelectAllResults, {true, true, true}},
      {&RemovalEngine::SelectNoResults, {false, false, false}},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    (engine.*steps[i].first)();
    std::vector<bool> checks;
    for (const auto& r : app.lstScanResult.Rows()) checks.push_back(r.checked);
    EXPECT_EQ(checks, steps[i].second) << "step " << i;
  }
}

TEST(RaisedByOne, TakesTheIntegerPartOfTheLeadingNumber) {
  EXPECT_EQ(RaisedByOne("41"), "42");
  EXPECT_EQ(RaisedByOne("3.9"), "4");
  EXPECT_EQ(RaisedByOne(""), "1");
  EXPECT_EQ(RaisedByOne("abc"), "1");
}

}  // namespace
}  // namespace morvane::testing
