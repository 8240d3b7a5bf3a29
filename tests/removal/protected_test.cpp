// Protected locations: the rules, and the removal step, quarantine and
// restore refusing what they name.
#include <gtest/gtest.h>

#include "database/crypt.h"
#include "database/protected.h"
#include "database/records.h"
#include "removal/removal_fixture.h"

namespace morvane::testing {
namespace {

FolderValues Machine() {
  FolderValues f;
  f.strWinDir = "C:\\WINDOWS";
  f.strSystemDir = "C:\\WINDOWS\\system32";
  f.strTempDir = "C:\\DOCUME~1\\bob\\LOCALS~1\\Temp";
  f.txtAppData = "C:\\Documents and Settings\\bob\\Application Data";
  f.txtStartMenu = "C:\\Documents and Settings\\bob\\Start Menu";
  f.txtProgramsDir = "D:\\Apps";
  f.txtDesktop = "C:\\Documents and Settings\\bob\\Desktop";
  f.txtCookies = "C:\\Documents and Settings\\bob\\Cookies";
  return f;
}

TEST(ProtectedLocations, FilesAndFolders) {
  const ProtectedLocations rules(Machine(), "E:\\Tools\\Morvane");
  struct Case {
    const char* path;
    bool isProtected;
  };
  const Case cases[] = {
      {"C:\\", true}, {"c:", true}, {"D:\\\\", true}, {"\\\\server\\share\\", true}, {"", true},
      {"relative\\x", true}, {"C:stray", true}, {"Error\\x.exe", true},
      {"C:\\WINDOWS", true}, {"c:\\windows\\", true}, {"C:\\WINDOWS\\.", true}, {"C:/Windows", true},
      {"C:\\WINDOWS\\system32\\..", true}, {"C:\\Bad\\..\\WINDOWS", true}, {"C:\\WINDOWS.", true},
      {"C:\\WINDOWS  ", true}, {"\\\\?\\C:\\WINDOWS", true}, {"C:\\..\\..\\WINDOWS\\SYSTEM32", true},
      {"D:\\Apps", true}, {"D:\\Apps (x86)", true}, {"C:\\Program Files", true}, {"F:\\Program Files (x86)\\", true},
      {"C:\\Documents and Settings", true}, {"C:\\Documents and Settings\\bob", true},
      {"C:\\Documents and Settings\\alice", true}, {"C:\\Users\\carol", true},
      {"C:\\Documents and Settings\\bob\\Desktop", true}, {"C:\\DOCUME~1\\bob\\LOCALS~1\\Temp", true},
      {"C:\\Documents and Settings\\bob\\Cookies", true}, {"C:\\Documents and Settings\\bob\\Start Menu", true},
      {"E:\\Tools", true}, {"E:\\Tools\\Morvane", true}, {"E:\\Tools\\Morvane\\DataBase.ref", true},
      {"e:\\tools\\morvane\\settings\\Settings.stg", true}, {"C:\\WINDOWS\\explorer.exe", true},
      {"C:\\WINDOWS\\system32\\KERNEL32.DLL", true}, {"C:\\WINDOWS\\regedit.exe", true},
      // What spyware leaves is removable, also beside the system's files.
      {"C:\\WINDOWS\\grimbleton.exe", false}, {"C:\\WINDOWS\\system32\\quellbar32.dll", false},
      {"C:\\Documents and Settings\\bob\\Desktop\\Free Stuff.lnk", false}, {"D:\\Apps\\Grimbleton", false},
      {"C:\\Documents and Settings\\bob\\Application Data\\Frobnik", false}, {"C:\\Bad\\explorer.exe", false},
      {"C:\\Program Files\\Bad", false}, {"C:\\keep.txt", false}, {"E:\\Tools\\Morvane2\\x", false},
      {"C:\\DOCUME~1\\bob\\LOCALS~1\\Temp\\zzspy", false}, {"\\\\server\\share\\bad.exe", false}};
  for (const Case& c : cases) EXPECT_EQ(rules.File(c.path), c.isProtected) << c.path;
  // Cookies are names in the cookie folder; one climbing out of it is not.
  EXPECT_FALSE(rules.Row("cookie", "bob@ads[1].txt"));
  EXPECT_TRUE(rules.Row("Cookie", "..\\..\\..\\..\\WINDOWS"));
  EXPECT_TRUE(rules.Row("cookie", ""));
  EXPECT_FALSE(rules.Row("regs", "HKEY_LOCAL_MACHINE"));
}

TEST(ProtectedLocations, RegistryKeysAndValues) {
  const ProtectedLocations rules(Machine(), "E:\\Tools\\Morvane");
  const char* keys[] = {"HKEY_LOCAL_MACHINE", "HKEY_LOCAL_MACHINE\\", "HKEY_LOCAL_MACHINE\\Software",
                        "hkey_local_machine\\SOFTWARE\\", "HKLM\\System", "HKEY_CURRENT_USER\\Software",
                        "HKEY_CLASSES_ROOT\\CLSID", "HKEY_CLASSES_ROOT\\.exe", "HKEY_USERS\\S-1-5-21-1",
                        "HKEY_USERS\\S-1-5-21-1\\Software", "HKEY_CURRENT_USER\\Software\\Classes\\CLSID",
                        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.exe",
                        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft",
                        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                        "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\",
                        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
                        "HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services",
                        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Grimbleton\\..\\Microsoft",
                        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects",
                        ""};
  for (const char* k : keys) EXPECT_TRUE(rules.Key(k)) << k;
  const char* removable[] = {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Grimbleton", "HKEY_CURRENT_USER\\Software\\Quellbar\\Toolbar",
                             "HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}",
                             "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser "
                             "Helper Objects\\{11111111-2222-3333-4444-555555555555}",
                             "HKEY_USERS\\S-1-5-21-1\\Software\\Bad", "HKEY_NOWHERE\\Software", "Software\\Bad",
                             "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Quellbar.Toolbar"};
  for (const char* k : removable) EXPECT_FALSE(rules.Key(k)) << k;

  EXPECT_TRUE(rules.Value("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon,Shell"));
  EXPECT_TRUE(rules.Value("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell "
                          "Folders,AppData"));
  EXPECT_TRUE(rules.Value("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run,Morvane"));
  EXPECT_TRUE(rules.Value("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run,Morvane"));
  EXPECT_TRUE(rules.Value("HKEY_LOCAL_MACHINE,Anything"));
  EXPECT_FALSE(rules.Value("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run,zzspy"));
  EXPECT_FALSE(rules.Value("HKEY_CURRENT_USER\\Run,bad,one"));
}

TEST(ProtectedLocations, RestoredKeyExportsStayBelowTheirKey) {
  const Text key = "HKEY_CURRENT_USER\\Software\\Bad";
  const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n";
  EXPECT_TRUE(ExportConfinedTo(head + "[HKEY_CURRENT_USER\\Software\\Bad]\r\n\"v\"=\"x\"\r\n\r\n"
                                      "[HKEY_CURRENT_USER\\Software\\Bad\\Sub]\r\n@=dword:00000001\r\n",
                               key));
  for (const char* bad : {"[HKEY_CURRENT_USER\\Software]\r\n", "[-HKEY_CURRENT_USER\\Software\\Bad]\r\n",
                          "[HKEY_CURRENT_USER\\Software\\Bad]\r\n\"v\"=-\r\n", "[HKEY_CURRENT_USER\\Software\\Badder]\r\n",
                          "[HKEY_CURRENT_USER\\Software\\Bad\\..\\..\\Microsoft]\r\n"})
    EXPECT_FALSE(ExportConfinedTo(head + bad, key)) << bad;
  // The editor's own UTF-16 form.
  std::string wide = "\xff\xfe";
  for (char c : head + "[-HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n") wide += std::string{c, '\0'};
  EXPECT_FALSE(ExportConfinedTo(wide, key));
}

// A stored key goes back over one of that name only when no value both
// hold would change: names and keys compare without case, hex data whole.
TEST(ProtectedLocations, KeyImportsOverAKeyChangeNoValueThere) {
  const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Bad]\r\n";
  const std::string present = head + "\"Run\"=\"a\"\r\n@=\"d\"\r\n\"Blob\"=hex:01,02,\\\r\n  03,04\r\n\r\n";
  const struct {
    const char* values;
    bool same;
  } cases[] = {
      {"\"RUN\"=\"a\"\r\n\"New\"=\"n\"\r\n", true},
      {"\"run\"=\"b\"\r\n", false},
      {"@=\"e\"\r\n", false},
      {"\"Blob\"=hex:01,02,\\\r\n  03,04\r\n", true},
      {"\"Blob\"=hex:01,02,\\\r\n  03,05\r\n", false},
      {"\"Blob\"=\"x\"\r\n[HKEY_CURRENT_USER\\Software\\Bad\\Sub]\r\n\"Run\"=\"z\"\r\n", false},
      {"[HKEY_CURRENT_USER\\Software\\Bad\\Sub]\r\n\"Run\"=\"z\"\r\n", true},
  };
  for (const auto& c : cases) EXPECT_EQ(ImportChangesNothing(head + c.values + "\r\n", present), c.same) << c.values;
  // Text beyond Latin-1 in the editor's UTF-16 stays apart.
  auto wide = [](char low) {
    std::string w = "\xff\xfe";
    for (char c : std::string("[HKEY_CURRENT_USER\\Software\\Bad]\r\n\"v\"=\"")) w += std::string{c, '\0'};
    return w + std::string{low, '\x04', '"', 0, '\r', 0, '\n', 0};
  };
  EXPECT_FALSE(ImportChangesNothing(wide('\x30'), wide('\x31')));
  EXPECT_TRUE(ImportChangesNothing(wide('\x30'), wide('\x30')));
}

TEST(ProtectedLocations, DatabaseCheckReportsThemUnexpanded) {
  const std::vector<Text> lines = {"v1",
                                   "folder|%WinDir%|X|",
                                   "fold|%windir%\\|X|http://help/",
                                   "path|%SystemDir%\\..|X|",
                                   "regkey|HKEY_LOCAL_MACHINE\\Software|X|",
                                   "regk|HKEY_CURRENT_USER\\Software\\|X|http://help/",
                                   "regval|HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon,Userinit|X|",
                                   "folder|C:\\Program Files|X|",
                                   "folder|%AppData%\\..|X|",
                                   "file|*.*|X|",
                                   "file|*.dll|X|",
                                   "path|%WinDir%\\grimbleton.exe|X|",
                                   "folder|%ProgramsDir%\\Grimbleton|X|",
                                   "file|*.qbar|X|",
                                   "regval|HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run,zz|X|"};
  const DatabaseReport report = CheckDatabase(lines);
  std::vector<size_t> flagged;
  for (const RecordProblem& p : report.problems) flagged.push_back(p.lineNumber);
  EXPECT_EQ(flagged, (std::vector<size_t>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
}

// The removal step with a planted record for the Windows folder and for
// HKEY_LOCAL_MACHINE\Software, in auto-erase mode: nothing of either is
// touched or copied, both are logged, the other rows go as usual.
TEST_F(RemovalTest, ProtectedRowsAreLeftInPlaceAndLogged) {
  SetAutoErase();
  app.folders.strSystemDir = "C:\\WINDOWS\\system32";
  fs.AddFile("C:\\WINDOWS\\system32\\kernel32.dll", "MZ");
  fs.AddFile("C:\\WINDOWS\\notepad.exe", "MZ");
  SetText("HKEY_LOCAL_MACHINE\\Software\\Microsoft", "v", "x");
  fs.AddFile("C:\\Bad\\bad.txt", "b");
  fs.AddFile(app.programFolder + "\\DataBase.ref", "db");
  AddRow("folder", "C:\\WINDOWS");
  AddRow("regkey", "HKEY_LOCAL_MACHINE\\Software");
  AddRow("path", "C:\\Bad\\..\\WINDOWS\\system32\\kernel32.dll");
  AddRow("file", app.programFolder + "\\DataBase.ref");
  AddRow("file", "C:\\Bad\\bad.txt");
  const auto filesBefore = Below("C:\\");
  engine.RemoveChecked();

  for (const char* gone : {"C:\\Bad\\bad.txt"}) EXPECT_FALSE(HasFile(gone));
  for (const auto& [path, data] : filesBefore) {
    if (path != "C:\\Bad\\bad.txt" && path.find("Quarantine") == Text::npos) {
      EXPECT_TRUE(HasFile(path)) << path;
    }
  }
  EXPECT_TRUE(KeyExists("HKEY_LOCAL_MACHINE\\Software\\Microsoft"));
  for (const Text& line : {Text("Protected location not removed=C:\\WINDOWS"),
                           Text("Protected location not removed=HKEY_LOCAL_MACHINE\\Software"),
                           Text("Protected location not removed=C:\\Bad\\..\\WINDOWS\\system32\\kernel32.dll"),
                           "Protected location not removed=" + app.programFolder + "\\DataBase.ref"})
    EXPECT_NE(std::find(flushedLog.begin(), flushedLog.end(), line), flushedLog.end()) << line;
  // Only the removable row was quarantined.
  EXPECT_EQ(Below(Session()).size(), 2u);
  EXPECT_TRUE(Commands().empty());
}

// A registry link on the way is followed before the check: a key or value
// reached through one is judged where it lies; a link to an ordinary key
// (a control set) removes as usual.
TEST_F(RemovalTest, RegistryLinksOnTheWayAreJudgedByWhereTheyLead) {
  const Text cv = "Software\\Microsoft\\Windows\\CurrentVersion";
  SetText("HKEY_LOCAL_MACHINE\\" + cv + "\\Run", "keep", "c:\\good.exe");
  SetText("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Shell", "explorer.exe");
  SetText("HKEY_LOCAL_MACHINE\\System\\ControlSet001\\Services\\spysvc", "ImagePath", "spy.exe");
  auto& reg = machine.registry;
  reg.CreateKeyPath(win::kCurrentUser, "Software");
  ASSERT_TRUE(reg.CreateLink(win::kCurrentUser, "Software\\Spy", win::kLocalMachine, cv));
  ASSERT_TRUE(reg.CreateLink(win::kCurrentUser, "Software\\Spy2", win::kLocalMachine,
                             "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"));
  ASSERT_TRUE(reg.CreateLink(win::kLocalMachine, "System\\CurrentControlSet", win::kLocalMachine, "System\\ControlSet001"));
  AddRow("regkey", "HKEY_CURRENT_USER\\Software\\Spy\\Run");
  AddRow("regval", "HKEY_CURRENT_USER\\Software\\Spy2,Shell");
  AddRow("regkey", "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\spysvc");
  AnswerNext(MsgResult::Yes);
  engine.RemoveChecked();

  EXPECT_EQ(ValueType("HKEY_LOCAL_MACHINE\\" + cv + "\\Run", "keep"), win::kRegSz);
  EXPECT_EQ(ValueType("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Shell"),
            win::kRegSz);
  EXPECT_FALSE(KeyExists("HKEY_LOCAL_MACHINE\\System\\ControlSet001\\Services\\spysvc"));
  EXPECT_TRUE(KeyExists("HKEY_LOCAL_MACHINE\\System\\ControlSet001\\Services"));
  for (const Text& line : {Text("Protected location not removed=HKEY_CURRENT_USER\\Software\\Spy\\Run"),
                           Text("Protected location not removed=HKEY_CURRENT_USER\\Software\\Spy2,Shell")})
    EXPECT_NE(std::find(flushedLog.begin(), flushedLog.end(), line), flushedLog.end()) << line;
}

// Tampered item lines are kept in their package, never put back.
TEST_F(RemovalTest, RestoreRefusesItemsNamingProtectedLocations) {
  const Text pkg = Quarantine() + "\\1-1-2026-0-0-0";
  fs.AddFile(pkg + "\\10000.qnf", "path|10000.qit|" + app.programFolder + "\\DataBase.ref");
  fs.AddFile(pkg + "\\10000.qit", "evil");
  fs.AddFile(pkg + "\\10001.qnf", "regkey|10001.qit|HKEY_CURRENT_USER\\Software\\Bad");
  fs.AddFile(pkg + "\\10001.qit", "Windows Registry Editor Version 5.00\r\n\r\n[-HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n");
  fs.AddFile(pkg + "\\10002.qnf", "folder|WINDOWS|C:\\WINDOWS");
  fs.AddFile(pkg + "\\WINDOWS\\x.dll", "x");
  fs.AddFile(pkg + "\\10003.qnf", "path|..\\..\\..\\Settings\\Settings.stg|C:\\Bad\\x.txt");
  fs.AddFile(pkg + "\\10004.qnf",
                "regval|10004.qit|HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon,Shell");
  fs.AddFile(pkg + "\\10004.qit", "String|evil.exe");
  fs.AddFile(pkg + "\\10005.qnf", "folder|system32|C:\\WINDOWS\\Fonts2");
  fs.AddFile(pkg + "\\system32\\kernel32.dll", "evil");
  fs.AddFile(pkg + "\\10006.qnf", "path|10006.qit|C:\\WINDOWS\\Fonts");
  fs.AddFile(pkg + "\\10006.qit", "evil");
  // Windows would open the package folder itself for this name.
  fs.AddFile(pkg + "\\10007.qnf", "path|. |C:\\Bad\\dot.txt");
  fs.AddFile(pkg + "\\. ", "the package");
  fs.AddFile("C:\\WINDOWS\\Fonts\\arial.ttf", "font");
  fs.AddFile(app.programFolder + "\\DataBase.ref", "db");
  const auto before = Below("C:\\");
  const auto keys = Registry("HKEY_LOCAL_MACHINE");
  engine.ListQuarantine();
  engine.lstQuarantinedList.Item(1).checked = true;
  EXPECT_EQ(engine.RestoreSelected().failed, 8u);
  EXPECT_EQ(Below("C:\\"), before);
  EXPECT_TRUE(Commands().empty());
  EXPECT_EQ(Registry("HKEY_LOCAL_MACHINE"), keys);
  EXPECT_FALSE(KeyExists("HKEY_CURRENT_USER\\Software\\Bad"));
}

}  // namespace
}  // namespace morvane::testing
