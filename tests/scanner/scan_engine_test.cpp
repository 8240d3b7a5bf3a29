#include "scanner/scan_fixture.h"

using namespace morvane;
using namespace morvane::testing;
using C_ = Counter;

class RecordLoop : public ScanFixture {};

TEST_F(RecordLoop, CountsEntriesFromTheSecondAndSkipsCommentLines) {
  Mode("0");
  app.lstDBaseFile.Item(1).text = "path|C:\\WINDOWS\\evil.exe|Cat|";  // the version line, never scanned
  machine.files.AddFile("C:\\WINDOWS\\evil.exe");
  Db({"# comment", "@ marker", "", "junk line", "file|*.exe|Cat|"});
  Scan();
  EXPECT_EQ(C(C_::lblScannedObjects), "3");  // empty, junk, file
  EXPECT_EQ(app.lstScanResult.Count(), 0u);
  EXPECT_EQ(view.lastOperation, "Finished.");
  EXPECT_EQ(view.phase, ScanPhase::Ended);
  EXPECT_TRUE(ctx.OperationInProgress);
  EXPECT_FALSE(view.scrolling);
}

TEST_F(RecordLoop, FieldsBeyondFourAreDroppedAndFieldsAreClearedPerRecord) {
  Mode("0");
  machine.files.AddFile("C:\\WINDOWS\\a.exe");
  machine.files.AddFile("C:\\WINDOWS\\b.exe");
  Db({"PATH|C:\\WINDOWS\\a.exe|Adware|http://x/info|extra|more", "path|C:\\WINDOWS\\b.exe|Spy"});
  Scan();
  ASSERT_EQ(app.lstIremovable.Count(), 1u);
  const auto& manual = app.lstIremovable.Item(1);
  EXPECT_EQ(manual.text, "PATH");  // the type word as written
  EXPECT_EQ(manual.SubItems(1), "Adware");
  EXPECT_EQ(manual.SubItems(2), "C:\\WINDOWS\\a.exe");
  EXPECT_EQ(manual.SubItems(3), "http://x/info");
  EXPECT_EQ(manual.icon, 3);
  ASSERT_EQ(app.lstScanResult.Count(), 1u);  // no URL carried over from the record before
  EXPECT_EQ(app.lstScanResult.Item(1).SubItems(3), "");
  EXPECT_FALSE(app.lstScanResult.Item(1).checked);
  EXPECT_EQ(C(C_::lblNewObjects), "2");
  EXPECT_EQ(C(C_::lblFilesIdentified), "2");
}

// A mode line naming no mode runs the Smart Scan, as the screen shows it:
// never a scan of nothing that reports a clean machine.
TEST_F(RecordLoop, UnknownModeRunsTheSmartScan) {
  Mode("3");
  machine.files.AddFile("C:\\WINDOWS\\a.exe");
  Db({"path|C:\\WINDOWS\\a.exe|Cat|"});
  app.counter(C_::lblNewObjects) = "9";
  Scan();
  EXPECT_EQ(C(C_::lblScannedObjects), "1");
  EXPECT_EQ(C(C_::lblNewObjects), "1");
  ASSERT_GE(app.lstLog.size(), 4u);
  EXPECT_EQ(app.lstLog[1].rfind("Scan process started on ", 0), 0u);
  EXPECT_EQ(app.lstLog[3], "Scan mode: Smart Scan");
  EXPECT_EQ(view.lastOperation, "Finished.");
}

TEST_F(RecordLoop, ModeLinesAreLogged) {
  for (auto [mode, line] : {std::pair{"0", "Scan mode: Smart Scan"}, std::pair{"1", "Scan mode: Custom Scan"},
                            std::pair{"2", "Scan mode: File/Folder Scan"}}) {
    Mode(mode);
    Scan();
    ASSERT_EQ(app.lstLog.size(), 4u);
    EXPECT_EQ(app.lstLog[3], line);
  }
}

TEST_F(RecordLoop, EmptyTargetsNameNothingInAnyMode) {
  machine.files.AddFile(kCookies + "\\u@ad[1].txt");
  machine.files.AddFile("C:\\S\\a.exe");
  app.lstSelectedFolders = {"C:\\S"};
  machine.registry.CreateKeyPath(win::kCurrentUser, "Software\\Ad");
  Db({"cook||c|", "regs||c|", "fold||c|", "fold|", "path||c|", "file||c|", "regk||c|", "regv||c|"});
  Options({0, 1, 2, 5, 6});
  for (const char* mode : {"0", "1", "2"}) {
    Mode(mode);
    Scan();
    EXPECT_EQ(Objects(app.lstScanResult), std::vector<Text>{}) << mode;
    EXPECT_EQ(C(C_::lblObjectsRecognized), "0") << mode;
  }
}

class FoundObjects : public ScanFixture {};

TEST_F(FoundObjects, RegkNeverRaisesRecognized) {
  Mode("0");
  machine.registry.CreateKeyPath(win::kCurrentUser, "Software\\BadCo");
  machine.registry.CreateKeyPath(win::kCurrentUser, "Software\\Other");
  machine.registry.SetStringValue(win::kCurrentUser, "Software\\BadCo", "Run", "x.exe");
  Db({"regk|HKEY_CURRENT_USER\\Software\\badco|Spy|", "regv|HKEY_CURRENT_USER\\Software\\BadCo,Run|Spy|",
      "regk|HKEY_CURRENT_USER\\Software\\Other|Spy|", "regk|HKEY_CURRENT_USER\\Software\\|Spy|",
      "regk|HKEY_CURRENT_USER\\Software\\Missing|Spy|"});
  app.lstIgnoreListFile = {"regk|HKEY_CURRENT_USER\\Software\\Other|Spy"};
  Scan();
  EXPECT_EQ(C(C_::lblObjectsRecognized), "1");  // the value only
  EXPECT_EQ(C(C_::lblNewObjects), "2");
  EXPECT_EQ(C(C_::lblObjectsIgnored), "1");
  EXPECT_EQ(C(C_::lblRegKeysIdentified), "1");
  EXPECT_EQ(C(C_::lblRegValuesIdentified), "1");
  ASSERT_EQ(app.lstScanResult.Count(), 2u);
  EXPECT_EQ(app.lstScanResult.Item(1).icon, 4);
  EXPECT_EQ(app.lstScanResult.Item(1).SubItems(2), "HKEY_CURRENT_USER\\Software\\badco");
  EXPECT_EQ(app.lstScanResult.Item(2).icon, 5);
}

TEST_F(FoundObjects, ValueTestNeedsACommaAndANonEmptyReadableValue) {
  Mode("0");
  machine.registry.SetStringValue(win::kCurrentUser, "Software\\V", "Empty", "");
  machine.registry.SetStringValue(win::kCurrentUser, "Software\\V", "Full", "1");
  machine.registry.SetDwordValue(win::kCurrentUser, "Software\\V", "Zero", 0);
  Db({"regv|HKEY_CURRENT_USER\\Software\\V,Empty|c|", "regv|HKEY_CURRENT_USER\\Software\\V|c|",
      "regv|HKEY_CURRENT_USER\\Software\\V,Gone|c|", "regv|HKEY_CURRENT_USER\\Software\\V,Full|c|",
      "regv|HKEY_CURRENT_USER\\Software\\V,Zero|c|"});
  Scan();
  EXPECT_EQ(Objects(app.lstScanResult),
            (std::vector<Text>{"HKEY_CURRENT_USER\\Software\\V,Full", "HKEY_CURRENT_USER\\Software\\V,Zero"}));
}

TEST_F(FoundObjects, IgnoreEntriesNameTheObjectExactly) {
  Mode("0");
  for (auto f : {"a.exe", "b.exe", "c.exe"}) machine.files.AddFile(Text("C:\\WINDOWS\\") + f);
  Db({"path|C:\\WINDOWS\\a.exe|c|", "path|C:\\WINDOWS\\b.exe|c|", "path|C:\\WINDOWS\\c.exe|c|"});
  app.lstIgnoreListFile = {"path|C:\\WINDOWS\\a.exe|c|x", "C:\\windows\\b.exe", "path|C:\\WINDOWS\\c.exe.bak|c"};
  Scan();
  EXPECT_EQ(C(C_::lblObjectsRecognized), "3");
  EXPECT_EQ(C(C_::lblObjectsIgnored), "1");
  EXPECT_EQ(Objects(app.lstScanResult), (std::vector<Text>{"C:\\WINDOWS\\b.exe", "C:\\WINDOWS\\c.exe"}));
}

TEST_F(FoundObjects, ProcessTestComparesTheFileNameExactly) {
  Mode("0");
  machine.files.AddFile("C:\\WINDOWS\\spy.exe");
  machine.files.AddFile("C:\\WINDOWS\\other.exe");
  machine.processes.AddProcess("spy.exe");
  machine.processes.AddProcess("OTHER.EXE");
  Db({"path|C:\\WINDOWS\\spy.exe|c|", "path|C:\\WINDOWS\\other.exe|c|"});
  Scan();
  EXPECT_EQ(C(C_::lblProcessesIdentified), "1");
  EXPECT_EQ(C(C_::lblFilesIdentified), "2");
  EXPECT_NE(C(C_::lblRunningProcesses), "0");
}

class SmartScan : public ScanFixture {};

TEST_F(SmartScan, HiddenFilesWildcardsFoldersAndVariables) {
  Mode("0");
  machine.files.AddFile("C:\\WINDOWS\\hid.exe", "", win::kAttrHidden);
  machine.files.AddFile("C:\\WINDOWS\\SYSTEM32\\wild123.dll");
  machine.files.AddFolder("C:\\Program Files\\BadApp");
  Db({"path|C:\\WINDOWS\\hid.exe|c|", "path|%WinDir%\\SYSTEM32\\wild*.dll|c|", "fold|C:\\Program Files\\BadApp|c|",
      "fold|C:\\Program Files\\None|c|", "file|*.dll|c|"});
  Scan();
  EXPECT_EQ(Objects(app.lstScanResult),
            (std::vector<Text>{"C:\\WINDOWS\\SYSTEM32\\wild*.dll", "C:\\Program Files\\BadApp"}));
  EXPECT_EQ(app.lstScanResult.Item(2).icon, 2);
  EXPECT_EQ(C(C_::lblFoldersIdentified), "1");
}

TEST_F(SmartScan, OnlyHiddenAndSystemHideFilesAndFolders) {
  Mode("0");
  const std::pair<const char*, uint32_t> attrs[] = {
      {"offline", win::kAttrOffline},     {"encrypted", win::kAttrEncrypted},
      {"sparse", win::kAttrSparse},       {"pinned", win::kAttrPinned},
      {"unpinned", win::kAttrUnpinned},   {"recall", win::kAttrRecallOnDataAccess},
      {"recallopen", win::kAttrRecallOnOpen}, {"link", win::kAttrReparsePoint},
      {"hidden", win::kAttrHidden},       {"system", win::kAttrSystem | win::kAttrOffline}};
  std::vector<Text> expect;
  for (const auto& [name, a] : attrs) {
    const Text file = "C:\\A\\" + Text(name) + ".exe", folder = "C:\\A\\" + Text(name);
    machine.files.AddFile(file, "", a);
    machine.files.AddFolder(folder, a);
    Db({"path|" + file + "|c|", "fold|" + folder + "|c|"});
    if (!(a & (win::kAttrHidden | win::kAttrSystem))) expect.insert(expect.end(), {file, folder});
  }
  Scan();
  EXPECT_EQ(Objects(app.lstScanResult), expect);
}

TEST_F(SmartScan, CookiesMatchInAnyCaseOnlyTxtInTheFolderItself) {
  Mode("0");
  for (auto f : {"user@adserver[1].txt", "user@AdServer[2].txt", "user@good[1].txt", "adserver.dat"})
    machine.files.AddFile(kCookies + "\\" + f);
  machine.files.AddFile(kCookies + "\\sub\\user@adserver[3].txt");
  Db({"cook|adserver|Tracking|"});
  Scan();
  EXPECT_EQ(Objects(app.lstScanResult), (std::vector<Text>{"user@adserver[1].txt", "user@AdServer[2].txt"}));
  EXPECT_EQ(app.lstScanResult.Item(1).icon, 6);
  EXPECT_EQ(C(C_::lblFilesIdentified), "2");
  EXPECT_EQ(C(C_::lblObjectsRecognized), "2");
}

class CustomScan : public ScanFixture {
 protected:
  void SetUp() override {
    Mode("1");
    machine.files.AddFile("C:\\WINDOWS\\setup.exe");
    machine.files.AddFile("C:\\Program Files\\X\\setup.exe");
    machine.files.AddFile("C:\\Program Files\\X\\setup.dll");
    machine.files.AddFile("C:\\Program Files\\Y\\Setup.exe");
    machine.files.AddFile("C:\\Program Files\\X\\noext");
    machine.files.AddFile(kCookies + "\\me@tracker[1].txt");
    machine.registry.CreateKeyPath(win::kCurrentUser, "Software\\Deep\\BadKey\\Inner");
    machine.registry.CreateKeyPath(win::kLocalMachine, "System\\a=b");
    machine.registry.CreateKeyPath(win::kLocalMachine, "Software\\BadKey");  // not walked
    Db({"path|C:\\WINDOWS\\setup.exe|c|", "fold|C:\\Program Files\\X|c|", "file|setup.*|c|", "file|*.*|c|",
        "cook|TRACKER|c|", "regs|badkey|c|", "regs|a=|c|http://manual", "regk|HKEY_CURRENT_USER\\Software\\Deep|c|"});
  }
};

TEST_F(CustomScan, AllOptionsOffCountsAndFindsNothing) {
  Options({});
  Scan();
  EXPECT_EQ(C(C_::lblScannedObjects), "8");
  EXPECT_EQ(C(C_::lblObjectsRecognized), "0");
  EXPECT_TRUE(app.lstScanResult.Empty());
}

TEST_F(CustomScan, EveryOptionOn) {
  Options({0, 1, 2, 5, 6});
  Scan();
  std::vector<Text> expect = {"C:\\WINDOWS\\setup.exe",
                              "C:\\Program Files\\X",
                              "C:\\Program Files\\X\\setup.dll",
                              "C:\\Program Files\\X\\setup.exe",
                              "C:\\WINDOWS\\setup.exe",
                              "me@tracker[1].txt",
                              "HKEY_CURRENT_USER\\Software\\Deep\\BadKey",
                              "HKEY_CURRENT_USER\\Software\\Deep\\BadKey\\Inner",
                              "HKEY_CURRENT_USER\\Software\\Deep"};
  EXPECT_EQ(Objects(app.lstScanResult), expect);
  // regs rows: type word, RegKey category; the value row goes to the manual list.
  const auto& key = app.lstScanResult.Item(7);
  EXPECT_EQ(key.text, "regs");
  EXPECT_EQ(key.SubItems(1), "RegKey");
  EXPECT_EQ(key.icon, 4);
  ASSERT_EQ(app.lstIremovable.Count(), 1u);
  EXPECT_EQ(app.lstIremovable.Item(1).SubItems(1), "RegVal");
  EXPECT_EQ(app.lstIremovable.Item(1).SubItems(2), "HKEY_LOCAL_MACHINE\\System\\a");
  EXPECT_EQ(app.lstIremovable.Item(1).icon, 5);
  EXPECT_EQ(C(C_::lblRegKeysIdentified), "3");
  EXPECT_EQ(C(C_::lblRegValuesIdentified), "1");
  EXPECT_EQ(C(C_::lblObjectsRecognized), "9");  // every regs row, not the regk record
}

TEST_F(CustomScan, ProcessesWithoutDiskStillProbesPaths) {
  Options({1});
  Scan();
  EXPECT_EQ(Objects(app.lstScanResult), (std::vector<Text>{"C:\\WINDOWS\\setup.exe"}));
  EXPECT_TRUE(app.lstHDDItems.Empty());
}

class FolderScan : public ScanFixture {};

TEST_F(FolderScan, ExactCaseAndPrefixFolders) {
  Mode("2");
  machine.files.AddFile("C:\\Program Files\\Foobar\\x.dat", "", win::kAttrHidden | win::kAttrSystem);
  machine.files.AddFolder("C:\\Program Files\\Empty");
  machine.files.AddFolder("C:\\Sel");
  app.lstSelectedFolders = {"C:\\PROGRAM FILES", "C:\\Sel", "C:\\Nowhere"};
  Db({"path|C:\\Program Files\\Foobar\\x.dat|c|", "path|C:\\PROGRAM FILES\\Foobar\\x.dat|c|",
      "fold|C:\\PROGRAM FILES\\Foo|c|", "fold|C:\\PROGRAM FILES\\Foobar\\|c|", "fold|C:\\PROGRAM FILES\\Empty|c|",
      "fold|C:\\Sel|c|", "file|x.dat|c|", "regv|HKEY_CURRENT_USER\\Software,x|c|"});
  Scan();
  // "Foo" only begins "Foobar": it is not there.
  EXPECT_EQ(Objects(app.lstScanResult),
            (std::vector<Text>{"C:\\PROGRAM FILES\\Foobar\\x.dat", "C:\\PROGRAM FILES\\Foobar\\",
                               "C:\\PROGRAM FILES\\Empty", "C:\\PROGRAM FILES\\Foobar\\x.dat"}));
  EXPECT_EQ(C(C_::lblScannedObjects), "8");
}

TEST_F(FolderScan, PatternFindsEachListedFileAndTestsDottedFolders) {
  Mode("2");
  machine.files.AddFile("C:\\S\\a\\t.exe");
  machine.files.AddFile("C:\\S\\b\\t.exe");
  machine.files.AddFolder("C:\\S\\dir.exe");
  machine.files.AddFile("C:\\S\\exe");
  // Folders inside another selected one, or named twice, are listed once.
  app.lstSelectedFolders = {"C:\\S\\a", "C:\\S", "c:\\s\\", "C:\\S\\B"};
  Db({"file|*.exe|c|"});
  Scan();
  EXPECT_EQ(Objects(app.lstScanResult),
            (std::vector<Text>{"C:\\S\\dir.exe", "C:\\S\\a\\t.exe", "C:\\S\\b\\t.exe"}));
  EXPECT_EQ(C(C_::lblObjectsRecognized), "3");
  EXPECT_EQ(C(C_::lblNewObjects), "3");
  EXPECT_EQ(C(C_::lblFilesIdentified), "3");
}

class Abort : public ScanFixture {};

TEST_F(Abort, StopsAtTheNextCheckAndKeepsResults) {
  Mode("0");
  for (int i = 0; i < 5; ++i) {
    Text p = "C:\\WINDOWS\\f" + std::to_string(i) + ".exe";
    machine.files.AddFile(p);
    app.lstDBaseFile.Add("path|" + p + "|c|");
  }
  ScanEngine engine(ctx, app, view);
  ctx.onYield = [&] {
    if (engine.entriesDone == 2) ctx.OperationInProgress = false;
  };
  engine.StartScan();
  // The third record still runs before the loop's check.
  EXPECT_EQ(app.lstScanResult.Count(), 3u);
  EXPECT_EQ(C(C_::lblScannedObjects), "3");
  EXPECT_FALSE(ctx.OperationInProgress);
  EXPECT_EQ(view.lastOperation, "Finished.");
  EXPECT_EQ(view.phase, ScanPhase::Ended);
}

TEST_F(Abort, EndsAWalkOverFoundRowsAfterTheRowBeingAdded) {
  for (const char* n : {"1", "2", "3"}) {
    machine.files.AddFile(kCookies + "\\u@zq" + n + ".txt");
    machine.files.AddFile(Text("C:\\S\\zq") + n + ".exe");
    machine.registry.CreateKeyPath(win::kCurrentUser, Text("Software\\zq") + n);
  }
  app.lstSelectedFolders = {"C:\\S"};
  ctx.onYield = [&] {
    if (app.lstScanResult.Count() == 1) ctx.OperationInProgress = false;
  };
  const std::pair<const char*, const char*> cases[] = {{"0", "cook|zq|c|"}, {"2", "file|*.exe|c|"}, {"1", "regs|zq|c|"}};
  Options({5});
  for (const auto& [mode, record] : cases) {
    Mode(mode);
    app.lstDBaseFile.Clear();
    Db({"Version 1", record});
    Scan();
    EXPECT_EQ(app.lstScanResult.Count(), 1u) << record;
    EXPECT_EQ(C(C_::lblObjectsRecognized), "1") << record;
  }
}
