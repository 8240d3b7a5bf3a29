#include <gtest/gtest.h>

#include "removal/removal_fixture.h"

namespace morvane::testing {
namespace {

using Strings = std::vector<Text>;

TEST_F(RemovalTest, EmptyResultsStillCloseTheScan) {
  app.lstLog = {"scan line"};
  const RemovalReport report = engine.RemoveChecked();
  EXPECT_TRUE(machine.messages.shown.empty());
  EXPECT_EQ(app.lstScanInfoFile[0], "12-07-2026  14:05:09");
  EXPECT_EQ(app.lstScanInfoFile[1], "5");
  EXPECT_EQ(RemovedTotal(), "10");
  EXPECT_FALSE(ctx.OperationInProgress);
  EXPECT_EQ(world.saveDataCalls, 1);
  EXPECT_EQ(world.flushedLog, Strings{"scan line"});
  EXPECT_EQ(world.resetCalls, 1);
  EXPECT_FALSE(report.cancelled);
  EXPECT_EQ(report.rows, 0u);
  EXPECT_TRUE(report.manual.Empty());
}

TEST_F(RemovalTest, UncheckedRowsAskNothingAndRemoveNothing) {
  app.lstSettingsFile[2] = "0";  // home page question would be due
  world.AddFile("C:\\bad\\x.txt", "x");
  AddRow("file", "C:\\bad\\x.txt", false);
  const RemovalReport report = engine.RemoveChecked();
  EXPECT_TRUE(machine.messages.shown.empty());
  EXPECT_TRUE(world.files.count("C:\\bad\\x.txt"));
  EXPECT_EQ(app.lstScanInfoFile[1], "5");
  EXPECT_FALSE(report.cancelled);
  EXPECT_EQ(report.rows, 0u);
}

TEST_F(RemovalTest, NoToTheQuestionLeavesEverythingAsItWas) {
  world.AddFile("C:\\bad\\x.txt", "x");
  AddRow("file", "C:\\bad\\x.txt");
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
  EXPECT_TRUE(world.files.count("C:\\bad\\x.txt"));
  EXPECT_EQ(app.lstScanResult.Count(), 2u);
  EXPECT_EQ(app.lstLog, Strings{"scan line"});
  EXPECT_EQ(app.lstScanInfoFile[1], "4");
  EXPECT_TRUE(ctx.OperationInProgress);
  EXPECT_EQ(world.resetCalls, 0);
}

TEST_F(RemovalTest, EveryTypeIsRemovedCountedAndLogged) {
  world.AddFile("C:\\Cookies\\user@ads[1].txt", "cookie");
  world.readOnly.insert("C:\\Cookies\\user@ads[1].txt");
  world.AddFile("C:\\Program Files\\Bad\\bad.EXE", "MZ");
  world.processes = {{40, "C:\\Program Files\\Bad\\bad.EXE"}, {41, "C:\\WINDOWS\\other.exe"}};
  world.AddFile("C:\\Program Files\\Bad\\hook lib.dll", "MZ");
  world.AddFile("C:\\Bad Tree\\a.txt", "a");
  world.AddFile("C:\\Bad Tree\\sub\\deep\\b.txt", "b");
  world.SetValue("HKEY_CURRENT_USER\\Software\\Bad\\L1\\L2\\L3", "v", win::kRegSz, "x");
  world.SetValue("HKEY_CURRENT_USER\\Run", "bad,one", win::kRegSz, "c:\\bad.exe");
  world.SetValue("HKEY_CURRENT_USER\\Run", "keep", win::kRegSz, "c:\\good.exe");
  AddRow("Cookie", "user@ads[1].txt");
  AddRow("file", "C:\\Program Files\\Bad\\bad.EXE");
  AddRow("path", "C:\\Program Files\\Bad\\hook lib.dll");
  AddRow("folder", "C:\\Bad Tree");
  AddRow("regkey", "HKEY_CURRENT_USER\\Software\\Bad");
  AddRow("regval", "HKEY_CURRENT_USER\\Run,bad,one");
  AddRow("unknown", "C:\\keep.txt");
  world.AddFile("C:\\keep.txt", "k");
  AnswerNext(MsgResult::Yes);
  const RemovalReport report = engine.RemoveChecked();

  EXPECT_EQ(machine.messages.shown.at(0).text, "Are you sure you want to delete 7 items?");
  EXPECT_EQ(world.endCalls, std::vector<uint32_t>{40});
  EXPECT_EQ(world.commands, Strings{"regsvr32.exe /s /u C:\\Program Files\\Bad\\hook lib.dll"});
  EXPECT_EQ(world.FilesBelow("C:\\Bad Tree"), (std::map<Text, std::string>{}));
  EXPECT_FALSE(world.FolderExists("C:\\Bad Tree"));
  EXPECT_TRUE(world.KeysBelow("HKEY_CURRENT_USER\\Software\\Bad").empty());
  EXPECT_TRUE(world.KeyExists("HKEY_CURRENT_USER\\Software"));
  EXPECT_EQ(world.ValueType("HKEY_CURRENT_USER\\Run", "bad,one"), -1);
  EXPECT_EQ(world.ValueType("HKEY_CURRENT_USER\\Run", "keep"), win::kRegSz);
  EXPECT_TRUE(world.files.count("C:\\keep.txt"));
  EXPECT_FALSE(world.files.count("C:\\Cookies\\user@ads[1].txt"));

  EXPECT_EQ(world.flushedLog, (Strings{
                                  "Cookie deleted=user@ads[1].txt",
                                  "Process Killed=C:\\Program Files\\Bad\\bad.EXE",
                                  "File deleted=C:\\Program Files\\Bad\\bad.EXE",
                                  "File deleted=C:\\Program Files\\Bad\\hook lib.dll",
                                  "Registry key deleted=HKEY_CURRENT_USER\\Software\\Bad\\L1\\L2\\L3",
                                  "Registry key deleted=HKEY_CURRENT_USER\\Software\\Bad\\L1\\L2",
                                  "Registry key deleted=HKEY_CURRENT_USER\\Software\\Bad\\L1",
                                  "Registry key deleted=HKEY_CURRENT_USER\\Software\\Bad",
                                  "Registry value deleted=HKEY_CURRENT_USER\\Run,bad,one",
                              }));
  // 1 cookie + 2 files + 4 folder entries + 4 keys + 1 value.
  EXPECT_EQ(RemovedTotal(), "22");
  EXPECT_EQ(report.rows, 7u);
  EXPECT_EQ(report.removed, 12u);
  EXPECT_EQ(app.lstScanResult.Count(), 0u);
  EXPECT_EQ(app.QuarantineCounter, 10000);
}

// Only a program whose image is the row's very file ends, in any letter case:
// programs of that name elsewhere and images that cannot be read are left
// alone, and one that survives twenty attempts is logged as such.
TEST_F(RemovalTest, OnlyTheProcessesOfThatFileEnd) {
  world.AddFile("C:\\Spy\\explorer.exe", "MZ");
  world.AddFile("C:\\x\\tool.exe", "MZ");
  world.processes = {{4, "C:\\WINDOWS\\explorer.exe"}, {5, "explorer.exe"}, {6, "C:\\SPY\\EXPLORER.EXE"},
                     {7, "C:\\Spy\\explorer.exe"}, {8, "C:\\x\\tool.exe"}};
  world.unkillable = {8};
  AddRow("file", "C:\\Spy\\explorer.exe");
  AddRow("path", "C:\\x\\tool.exe");
  AnswerNext(MsgResult::Yes);
  engine.RemoveChecked();
  std::vector<uint32_t> calls = {6, 7};
  calls.insert(calls.end(), 20, 8);
  EXPECT_EQ(world.endCalls, calls);
  EXPECT_TRUE(world.processes.count(4) && world.processes.count(5));
  EXPECT_EQ(world.flushedLog, (Strings{"Process Killed=C:\\Spy\\explorer.exe", "Process Killed=C:\\Spy\\explorer.exe",
                                       "File deleted=C:\\Spy\\explorer.exe", "Process not ended=C:\\x\\tool.exe",
                                       "File deleted=C:\\x\\tool.exe"}));
}

// Files in use, alone or left in a wiped folder, go at the next restart: they
// are logged so, not counted, and reported; other failures are logged.
TEST_F(RemovalTest, FailedRemovalsAreLoggedAndNotCounted) {
  world.AddFolderTree("C:\\x\\dir.exe");
  AddRow("path", "C:\\x\\dir.exe");
  world.AddFile("C:\\x\\locked.txt", "l");
  world.locked.insert("C:\\x\\locked.txt");
  world.AddFile("C:\\Cookies\\c.txt", "c");
  world.locked.insert("C:\\Cookies\\c.txt");
  world.AddFile("C:\\Tree\\stuck.txt", "s");
  world.locked.insert("C:\\Tree\\stuck.txt");
  world.AddFile("C:\\Tree\\free.txt", "f");
  world.SetValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad\\Child", "v", win::kRegDword, "1");
  world.lockedKeys.insert("HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad\\Child");
  world.SetValue("HKEY_LOCAL_MACHINE\\Guard", "v", win::kRegSz, "x");
  world.lockedKeys.insert("HKEY_LOCAL_MACHINE\\Guard");
  AddRow("file", "C:\\x\\locked.txt");
  AddRow("cookie", "c.txt");
  AddRow("folder", "C:\\Tree");
  AddRow("regkey", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad");
  AddRow("regval", "HKEY_LOCAL_MACHINE\\Guard,v");
  AddRow("regkey", "HKEY_NOWHERE\\Spy");
  AddRow("regval", "HKEY_NOWHERE\\Run,spy");
  AnswerNext(MsgResult::Yes);
  const RemovalReport report = engine.RemoveChecked();
  EXPECT_EQ(world.flushedLog, (Strings{
                                  "File not deleted=C:\\x\\dir.exe",
                                  "File will be deleted at restart=C:\\x\\locked.txt",
                                  "Cookie not deleted=c.txt",
                                  "File will be deleted at restart=C:\\Tree\\stuck.txt",
                                  "Folder will be deleted at restart=C:\\Tree",
                                  "Registry key not deleted=HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad\\Child",
                                  "Registry key not deleted=HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad",
                                  "Registry value not deleted=HKEY_LOCAL_MACHINE\\Guard,v",
                                  "Registry key not deleted=HKEY_NOWHERE\\Spy",
                                  "Registry value not deleted=HKEY_NOWHERE\\Run,spy",
                              }));
  // Only free.txt went.
  EXPECT_EQ(RemovedTotal(), "11");
  EXPECT_EQ(report.removed, 1u);
  EXPECT_TRUE(world.files.count("C:\\Tree\\stuck.txt"));
  EXPECT_EQ(report.atRestart, (Strings{"C:\\x\\locked.txt", "C:\\Tree"}));
  EXPECT_EQ(world.atRestart, (Strings{"C:\\x\\locked.txt", "C:\\Tree\\stuck.txt", "C:\\Tree"}));
  EXPECT_EQ(AtRestartMessage(report.atRestart.size()), "2 objects will be removed when Windows restarts.");
  EXPECT_FALSE(world.files.count("C:\\Tree\\free.txt"));
}

TEST_F(RemovalTest, HomePageResetWritesBothValuesAndTwoLogLines) {
  app.lstSettingsFile[2] = "0";
  world.AddFile("C:\\x\\a.txt", "a");
  AddRow("file", "C:\\x\\a.txt");
  AnswerNext(MsgResult::Yes);
  AnswerNext(MsgResult::Yes);
  engine.RemoveChecked();
  ASSERT_EQ(machine.messages.shown.size(), 2u);
  EXPECT_EQ(machine.messages.shown[1].text,
            "Do you want to reset your browser homepage settings in case it was changed by a spyware?");
  EXPECT_EQ(machine.messages.shown[1].title, "Reset homepage?");
  const Text ie = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main";
  EXPECT_EQ(world.GetRegistryString(ie, "Start Page"), "http://home.example/");
  EXPECT_EQ(world.GetRegistryString(ie, "Window Title"), "My Browser");
  EXPECT_EQ(world.flushedLog.at(1), "IE Homepage settings reseted to:  Homepage=http://home.example/");
  EXPECT_EQ(world.flushedLog.at(2), "                                  Window Title=My Browser");
}

TEST_F(RemovalTest, HomePageQuestionOnlyWhenProtectionIsOff) {
  const Text question = "Do you want to reset your browser homepage settings in case it was changed by a spyware?";
  const Text ie = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main";
  // Protection on (line 2 "1"): the removal question only.
  world.AddFile("C:\\x\\a.txt", "a");
  AddRow("file", "C:\\x\\a.txt");
  AnswerNext(MsgResult::Yes);
  engine.RemoveChecked();
  ASSERT_EQ(machine.messages.shown.size(), 1u);
  EXPECT_NE(machine.messages.shown[0].text, question);
  EXPECT_FALSE(world.files.count("C:\\x\\a.txt"));

  // Protection off: the question follows; No leaves the browser as it is.
  machine.messages.shown.clear();
  app.lstSettingsFile[2] = "0";
  world.AddFile("C:\\x\\b.txt", "b");
  AddRow("file", "C:\\x\\b.txt");
  const Text before = world.GetRegistryString(ie, "Start Page");
  AnswerNext(MsgResult::Yes);
  AnswerNext(MsgResult::No);
  engine.RemoveChecked();
  ASSERT_EQ(machine.messages.shown.size(), 2u);
  EXPECT_EQ(machine.messages.shown[1].text, question);
  EXPECT_EQ(machine.messages.shown[1].title, "Reset homepage?");
  EXPECT_EQ(world.GetRegistryString(ie, "Start Page"), before);
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
  world.AddFile("C:\\x\\a.txt", "a");
  AddRow("file", "C:\\x\\a.txt");
  report = engine.RemoveChecked();
  EXPECT_TRUE(machine.messages.shown.empty());
  EXPECT_FALSE(world.files.count("C:\\x\\a.txt"));
  EXPECT_EQ(report.rows, 1u);
}

TEST_F(RemovalTest, AutoEraseQuarantinesFirstAndKeepsWhatCannotBeCopied) {
  SetAutoErase();
  world.AddFile("C:\\x\\a.exe", "AAAA");
  world.AddFile("C:\\x\\b.txt", "BBBB");
  world.failCopyFrom.insert("C:\\x\\b.txt");
  world.AddFile("C:\\Cookies\\c.txt", "CCCC");
  AddRow("file", "C:\\x\\a.exe", false);
  AddRow("path", "C:\\x\\b.txt", false);
  AddRow("cookie", "c.txt", false);
  engine.RemoveChecked();
  EXPECT_TRUE(machine.messages.shown.empty());
  EXPECT_EQ(world.flushedLog, (Strings{
                                  "File deleted=C:\\x\\a.exe",
                                  "File not deleted (quarantine copy failed)=C:\\x\\b.txt",
                                  "Cookie deleted=c.txt",
                              }));
  EXPECT_TRUE(world.files.count("C:\\x\\b.txt"));
  const Text s = Session() + "\\";
  EXPECT_EQ(world.files.at(s + "10000.qit"), "AAAA");
  EXPECT_EQ(world.files.at(s + "10000.qnf"), "file|10000.qit|C:\\x\\a.exe");
  EXPECT_EQ(world.files.at(s + "10001.qnf"), "cookie|10001.qit|C:\\Cookies\\c.txt");
  EXPECT_EQ(world.files.at(s + "10001.qit"), "CCCC");
  EXPECT_FALSE(world.files.count(s + "10002.qnf"));
}

// The quarantine option copies every row type first, in any scan mode; a row
// whose copy fails stays in place and is logged.
TEST_F(RemovalTest, QuarantineOptionCopiesEveryTypeBeforeRemoval) {
  app.lstCustomScanSettings[3] = "1";
  world.AddFile("C:\\Cookies\\c.txt", "CCCC");
  world.AddFile("C:\\Bad\\f.txt", "FFFF");
  world.AddFile("C:\\Bad Tree\\a.txt", "a");
  world.SetValue("HKEY_CURRENT_USER\\Software\\Bad", "v", win::kRegSz, "x");
  world.SetValue("HKEY_CURRENT_USER\\Run", "spy", win::kRegDword, "7");
  world.AddFile("C:\\Bad\\locked.txt", "L");
  world.failCopyFrom.insert("C:\\Bad\\locked.txt");
  AddRow("cookie", "c.txt");
  AddRow("file", "C:\\Bad\\f.txt");
  AddRow("folder", "C:\\Bad Tree");
  AddRow("regkey", "HKEY_CURRENT_USER\\Software\\Bad");
  AddRow("regval", "HKEY_CURRENT_USER\\Run,spy");
  AddRow("path", "C:\\Bad\\locked.txt");
  AnswerNext(MsgResult::Yes);
  engine.RemoveChecked();

  const Text s = Session() + "\\";
  EXPECT_EQ(world.files.at(s + "10000.qnf"), "cookie|10000.qit|C:\\Cookies\\c.txt");
  EXPECT_EQ(world.files.at(s + "10001.qnf"), "file|10001.qit|C:\\Bad\\f.txt");
  EXPECT_EQ(world.files.at(s + "10001.qit"), "FFFF");
  EXPECT_EQ(world.files.at(s + "10002.qnf"), "folder|Bad Tree|C:\\Bad Tree");
  EXPECT_EQ(world.files.at(s + "Bad Tree\\a.txt"), "a");
  EXPECT_EQ(world.files.at(s + "10003.qnf"), "regkey|10003.qit|HKEY_CURRENT_USER\\Software\\Bad");
  EXPECT_EQ(world.files.at(s + "10004.qnf"), "regval|10004.qit|HKEY_CURRENT_USER\\Run,spy");
  EXPECT_EQ(world.files.at(s + "10004.qit"), "DWORD|7");
  EXPECT_FALSE(world.files.count(s + "10005.qnf"));

  EXPECT_FALSE(world.files.count("C:\\Bad\\f.txt"));
  EXPECT_FALSE(world.FolderExists("C:\\Bad Tree"));
  EXPECT_FALSE(world.KeyExists("HKEY_CURRENT_USER\\Software\\Bad"));
  EXPECT_EQ(world.ValueType("HKEY_CURRENT_USER\\Run", "spy"), -1);
  EXPECT_TRUE(world.files.count("C:\\Bad\\locked.txt"));
  EXPECT_EQ(world.flushedLog.back(), "File not deleted (quarantine copy failed)=C:\\Bad\\locked.txt");

  // A key that cannot be exported stays too.
  world.regeditWorks = false;
  ctx.OperationInProgress = true;
  world.SetValue("HKEY_CURRENT_USER\\Software\\Other", "v", win::kRegSz, "x");
  AddRow("regkey", "HKEY_CURRENT_USER\\Software\\Other");
  AnswerNext(MsgResult::Yes);
  engine.RemoveChecked();
  EXPECT_TRUE(world.KeyExists("HKEY_CURRENT_USER\\Software\\Other"));
  EXPECT_EQ(world.flushedLog.back(),
            "Registry key not deleted (quarantine copy failed)=HKEY_CURRENT_USER\\Software\\Other");
}

TEST_F(RemovalTest, EmptySessionFolderIsRemovedAtTheStart) {
  world.AddFolderTree(Session());
  engine.RemoveChecked();
  EXPECT_FALSE(world.FolderExists(Session()));
  EXPECT_TRUE(world.FolderExists(Quarantine()));

  world.AddFile(Session() + "\\10000.qnf", "file|10000.qit|C:\\a");
  engine.RemoveChecked();
  EXPECT_TRUE(world.FolderExists(Session()));
}

TEST_F(RemovalTest, AbortedScanRemovesOnlyEmptyFoldersAndLeafKeys) {
  // Without an operation in progress the real listings do not descend; the
  // step must still survive an empty listing and a key listed alone.
  world.AddFolderTree("C:\\Empty");
  AddRow("folder", "C:\\Empty");
  AnswerNext(MsgResult::Yes);
  ctx.OperationInProgress = false;
  engine.RemoveChecked();
  EXPECT_FALSE(world.FolderExists("C:\\Empty"));
  EXPECT_TRUE(world.flushedLog.empty());
}

TEST_F(RemovalTest, WipeFolderRepeatsUntilNothingIsLeftAndGivesUpAfterThirty) {
  world.AddFile("C:\\W\\a\\b\\c.txt", "c");
  world.AddFile("C:\\W\\d.txt", "d");
  engine.WipeFolder("C:\\W");
  EXPECT_TRUE(world.FilesBelow("C:\\W").empty());
  EXPECT_TRUE(world.FolderExists("C:\\W"));
  EXPECT_EQ(RemovedTotal(), "14");  // a, a\b, a\b\c.txt, d.txt

  world.AddFile("C:\\W\\stuck.txt", "s");
  world.locked.insert("C:\\W\\stuck.txt");
  uint64_t before = ctx.yieldCount;
  engine.WipeFolder("C:\\W");
  EXPECT_EQ(RemovedTotal(), "14");
  // 30 passes, each yielding once per row and once per pass.
  EXPECT_EQ(ctx.yieldCount - before, 60u);
}

TEST_F(RemovalTest, ResultListSelectionCommands) {
  engine.SelectAllResults();  // empty list: nothing happens
  AddRow("file", "a", false);
  AddRow("file", "b", true);
  AddRow("file", "c", false);
  auto checks = [&] {
    std::vector<bool> c;
    for (const auto& r : app.lstScanResult.Rows()) c.push_back(r.checked);
    return c;
  };
  engine.InvertResults();
  EXPECT_EQ(checks(), (std::vector<bool>{true, false, true}));
  engine.InvertResults();
  EXPECT_EQ(checks(), (std::vector<bool>{false, true, false}));
  engine.SelectAllResults();
  EXPECT_EQ(checks(), (std::vector<bool>{true, true, true}));
  engine.SelectNoResults();
  EXPECT_EQ(checks(), (std::vector<bool>{false, false, false}));
}

TEST(RaisedByOne, TakesTheIntegerPartOfTheLeadingNumber) {
  EXPECT_EQ(RaisedByOne("41"), "42");
  EXPECT_EQ(RaisedByOne("3.9"), "4");
  EXPECT_EQ(RaisedByOne(""), "1");
  EXPECT_EQ(RaisedByOne("abc"), "1");
}

}  // namespace
}  // namespace morvane::testing
