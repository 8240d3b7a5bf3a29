#include <gtest/gtest.h>

#include "removal/removal_fixture.h"

namespace morvane::testing {
namespace {

using Strings = std::vector<Text>;

TEST(QuarantineSizeText, UnitsAndRounding) {
  EXPECT_EQ(QuarantineSizeText(0), "0 bytes");
  EXPECT_EQ(QuarantineSizeText(1023), "1023 bytes");
  EXPECT_EQ(QuarantineSizeText(1024), "1 KB");
  EXPECT_EQ(QuarantineSizeText(1536), "1.5 KB");
  EXPECT_EQ(QuarantineSizeText(1088), "1.062 KB");  // 1.0625: tie to even
  EXPECT_EQ(QuarantineSizeText(1216), "1.188 KB");  // 1.1875: tie to even
  EXPECT_EQ(QuarantineSizeText(1048575), "1023.999 KB");
  EXPECT_EQ(QuarantineSizeText(1048576), "1 MB");
  EXPECT_EQ(QuarantineSizeText(1073741824), "1 GB");
  // Past the 32-bit range.
  EXPECT_EQ(QuarantineSizeText(5ull << 30), "5 GB");
  EXPECT_EQ(QuarantineSizeText((3ull << 30) + (1ull << 29)), "3.5 GB");
}

class QuarantineListTest : public RemovalTest {
 protected:
  // Quarantines every planted object, then removes it from the machine.
  void QuarantineAndRemoveAll() {
    engine.QuarantineChecked();
    AnswerNext(MsgResult::Yes);
    engine.RemoveChecked();
    app.QuarantineSession = "8-12-2026-9-0-0";
  }
  ListItem& Package(const Text& name) {
    for (auto& r : engine.lstQuarantinedList.Rows())
      if (r.text == name) return r;
    throw std::runtime_error("no package " + name);
  }
};

TEST_F(QuarantineListTest, PackagesShowSizeItemsAndCount) {
  const Text p = Quarantine() + "\\1-1-2026-1-1-1\\";
  fs.AddFile(p + "10000.qnf", "file|10000.qit|C:\\a.txt");  // 24 bytes
  fs.AddFile(p + "10000.qit", std::string(1000, 'x'));
  fs.AddFile(p + "10001.qnf", "folder|F|C:\\F");            // 13 bytes
  fs.AddFile(p + "F\\in.txt", "12345");
  fs.AddFile(p + "desktop.ini", "ignored");
  fs.AddFile(Quarantine() + "\\stray.txt", "s");
  fs.AddFile(Quarantine() + "\\desktop.ini", "d");
  EXPECT_EQ(engine.ListQuarantine(), 2u);
  EXPECT_EQ(engine.lstQuarantinedFiles, (Strings{"1-1-2026-1-1-1", "stray.txt"}));
  ASSERT_EQ(engine.lstQuarantinedList.Count(), 2u);
  const ListItem& pkg = engine.lstQuarantinedList.Item(1);
  EXPECT_EQ(pkg.icon, 1);
  EXPECT_EQ(pkg.SubItems(1), "1.023 KB");  // 23 + 1000 + 13 + 5 + 7 = 1048 bytes
  EXPECT_EQ(pkg.SubItems(2), "2");
  EXPECT_EQ(engine.lstQuarantinedList.Item(2).SubItems(1), "0 bytes");
  EXPECT_EQ(engine.lstQuarantinedList.Item(2).SubItems(2), "0");
  // The user's own decimal separator.
  machine.system.decimalSeparator = ",";
  engine.ListQuarantine();
  EXPECT_EQ(engine.lstQuarantinedList.Item(1).SubItems(1), "1,023 KB");
}

TEST_F(QuarantineListTest, ViewShowsKnownItemsOfTheSelectedPackage) {
  const Text p = Quarantine() + "\\pkg\\";
  fs.AddFile(p + "10000.qnf", "regval|10000.qit|HKEY_CURRENT_USER\\Run,x");
  fs.AddFile(p + "10001.qnf", "junk|10001.qit|C:\\j");
  fs.AddFile(p + "10002.qnf", "Cookie|10002.qit|C:\\Cookies\\c.txt");
  engine.ListQuarantine();
  EXPECT_FALSE(engine.ViewPackage());  // nothing selected
  engine.selectedQuarantined = 1;
  EXPECT_TRUE(engine.ViewPackage());
  ASSERT_EQ(engine.lstQuarantinedItems.Count(), 2u);
  EXPECT_EQ(engine.lstQuarantinedItems.Item(1).text, "regval");
  EXPECT_EQ(engine.lstQuarantinedItems.Item(1).icon, 5);
  EXPECT_EQ(engine.lstQuarantinedItems.Item(1).SubItems(1), "10000.qit");
  EXPECT_EQ(engine.lstQuarantinedItems.Item(1).SubItems(2), "HKEY_CURRENT_USER\\Run,x");
  EXPECT_EQ(engine.lstQuarantinedItems.Item(2).icon, 6);
}

TEST_F(QuarantineListTest, RestorePutsEveryTypeBackExactly) {
  const std::string binary("MZ\0\x01\xfe|,", 7);
  fs.AddFile("C:\\Cookies\\u@ads.txt", "cookie");
  fs.AddFile("C:\\x\\spy.dll", binary);
  fs.AddFile("C:\\Spy\\a.txt", "a");
  fs.AddFile("C:\\Spy\\sub\\b.txt", "b");
  SetText("HKEY_CURRENT_USER\\Software\\Spy", "s", "text");
  SetDword("HKEY_CURRENT_USER\\Software\\Spy\\Sub\\Deep", "d", 4294967294u);
  SetText("HKEY_CURRENT_USER\\Run", "spy,one", "run|me");
  SetDword("HKEY_CURRENT_USER\\Run", "num", 2147483648u);
  SetText("HKEY_CURRENT_USER\\Run", "keep", "k");
  // Values of other types come back with their type and every byte.
  const std::pair<const char*, std::pair<uint32_t, std::string>> raw[] = {
      {"exp", {win::kRegExpandSz, std::string("%SystemRoot%\\x.exe\0", 19)}},
      {"bin", {win::kRegBinary, std::string("a\x01 ", 3)}},
      {"q", {win::kRegQword, std::string("\x01\0\0\0\0\0\0\x80", 8)}},
      {"multi", {win::kRegMultiSz, std::string("a\0b c \0\0", 8)}}};
  for (const auto& [name, value] : raw) {
    machine.registry.SetRawValue(win::kCurrentUser, "Run", name, value.first, value.second);
    AddRow("regval", Text("HKEY_CURRENT_USER\\Run,") + name);
  }
  const auto filesBefore = Below("C:\\", true);
  const auto keysBefore = Registry("HKEY_CURRENT_USER");
  AddRow("cookie", "u@ads.txt");
  AddRow("path", "C:\\x\\spy.dll");
  AddRow("folder", "C:\\Spy");
  AddRow("regkey", "HKEY_CURRENT_USER\\Software\\Spy");
  AddRow("regval", "HKEY_CURRENT_USER\\Run,spy,one");
  AddRow("regval", "HKEY_CURRENT_USER\\Run,num");
  QuarantineAndRemoveAll();
  EXPECT_FALSE(HasFile("C:\\x\\spy.dll"));
  EXPECT_FALSE(HasFolder("C:\\Spy"));
  EXPECT_FALSE(KeyExists("HKEY_CURRENT_USER\\Software\\Spy"));
  EXPECT_EQ(ValueType("HKEY_CURRENT_USER\\Run", "num"), -1);
  for (const auto& [name, value] : raw) EXPECT_EQ(ValueType("HKEY_CURRENT_USER\\Run", name), -1) << name;

  engine.ListQuarantine();
  ASSERT_EQ(engine.lstQuarantinedList.Count(), 1u);
  EXPECT_EQ(engine.lstQuarantinedList.Item(1).SubItems(2), "10");
  engine.SelectAllPackages();
  const RestoreReport report = engine.RestoreSelected();

  EXPECT_EQ(report.restored, 10u);
  EXPECT_EQ(report.failed, 0u);
  EXPECT_EQ(Commands().back(), "C:\\WINDOWS\\regedit.exe /s C:\\TEMP\\Temp.reg");
  EXPECT_EQ(Registry("HKEY_CURRENT_USER"), keysBefore);
  // The quarantine is empty again: the package folder went with its last item.
  EXPECT_TRUE(engine.lstQuarantinedList.Empty());
  EXPECT_EQ(report.packages, 0u);
  EXPECT_EQ(Below("C:\\", true), filesBefore);
}

// Two folders of one name in one session: the second is not copied over the
// first's copy, so it stays in place and the first comes back as it was. A
// folder written with a closing backslash comes back too.
TEST_F(QuarantineListTest, FolderCopiesNeverShareAName) {
  app.lstCustomScanSettings[3] = "1";
  fs.AddFile("C:\\A\\Toolbar\\a.txt", "from A");
  fs.AddFile("C:\\B\\Toolbar\\a.txt", "from B");
  fs.AddFile("C:\\B\\Toolbar\\b.txt", "only B");
  fs.AddFile("C:\\Slash\\s.txt", "s");
  const auto filesBefore = Below("C:\\", true);
  AddRow("folder", "C:\\A\\Toolbar");
  AddRow("folder", "C:\\B\\Toolbar");
  AddRow("folder", "C:\\Slash\\");
  AnswerNext(MsgResult::Yes);
  engine.RemoveChecked();
  EXPECT_EQ(flushedLog, Strings{"Folder not deleted (quarantine copy failed)=C:\\B\\Toolbar"});
  EXPECT_FALSE(HasFolder("C:\\A\\Toolbar"));
  EXPECT_FALSE(HasFolder("C:\\Slash"));

  engine.ListQuarantine();
  engine.SelectAllPackages();
  const RestoreReport report = engine.RestoreSelected();
  EXPECT_EQ(report.restored, 2u);
  EXPECT_EQ(report.failed, 0u);
  EXPECT_EQ(Below("C:\\", true), filesBefore);
}

TEST_F(QuarantineListTest, FailedRestoreKeepsTheItemInQuarantine) {
  fs.AddFile("C:\\Gone\\f.txt", "f");
  SetText("HKEY_CURRENT_USER\\Software\\K", "v", "x");
  AddRow("file", "C:\\Gone\\f.txt");
  AddRow("regkey", "HKEY_CURRENT_USER\\Software\\K");
  QuarantineAndRemoveAll();
  // The file's copy back and the key's import fail.
  machine.faults.FailCall("CopyTo", 1);
  machine.faults.FailCall("Import", 1);
  engine.ListQuarantine();
  engine.SelectAllPackages();
  const RestoreReport report = engine.RestoreSelected();
  EXPECT_EQ(report.failed, 2u);
  EXPECT_EQ(report.packages, 1u);
  ASSERT_EQ(engine.lstQuarantinedList.Count(), 1u);
  EXPECT_EQ(engine.lstQuarantinedList.Item(1).SubItems(2), "2");
  EXPECT_FALSE(HasFile("C:\\TEMP\\Temp.reg"));

  // Once the way back is open again, the same package restores.
  engine.SelectAllPackages();
  engine.RestoreSelected();
  EXPECT_EQ(Data("C:\\Gone\\f.txt"), "f");
  EXPECT_TRUE(KeyExists("HKEY_CURRENT_USER\\Software\\K"));
  EXPECT_TRUE(engine.lstQuarantinedList.Empty());

  // A file now in the item's place, and the shell's "replace?" answered No:
  // that file stays and so does the quarantined copy.
  AddRow("file", "C:\\Gone\\f.txt");
  QuarantineAndRemoveAll();
  fs.AddFile("C:\\Gone\\f.txt", "new");
  machine.shell.declineReplace = true;
  engine.ListQuarantine();
  engine.SelectAllPackages();
  EXPECT_EQ(engine.RestoreSelected().failed, 1u);
  EXPECT_EQ(Data("C:\\Gone\\f.txt"), "new");
  ASSERT_EQ(engine.lstQuarantinedList.Count(), 1u);
  machine.shell.declineReplace = false;
  engine.SelectAllPackages();
  engine.RestoreSelected();
  EXPECT_EQ(Data("C:\\Gone\\f.txt"), "f");
  EXPECT_TRUE(engine.lstQuarantinedList.Empty());

  // A stored copy that is gone is not handed to the shell, which would show
  // an error box; the item stays listed.
  fs.AddFile("C:\\Gone\\Dir\\d.txt", "d");
  AddRow("file", "C:\\Gone\\f.txt");
  AddRow("folder", "C:\\Gone\\Dir");
  QuarantineAndRemoveAll();
  for (const auto& [p, bytes] : Below(Quarantine()))
    if (p.size() > 4 && (p.compare(p.size() - 4, 4, ".qit") == 0 || p.compare(p.size() - 6, 6, "\\d.txt") == 0))
      fs.RemoveFile(p);
  for (const Text& p : fs.ListTree(Quarantine()))
    if (p.size() > 4 && p.compare(p.size() - 4, 4, "\\Dir") == 0) fs.RemoveFolder(p);
  machine.shell.operations.clear();
  engine.ListQuarantine();
  engine.SelectAllPackages();
  EXPECT_EQ(engine.RestoreSelected().failed, 2u);
  EXPECT_TRUE(machine.shell.operations.empty());
}

TEST_F(QuarantineListTest, RestoreAndPurgeOnlyTouchCheckedPackages) {
  fs.AddFile(Quarantine() + "\\A\\10000.qnf", "file|10000.qit|C:\\a.txt");
  fs.AddFile(Quarantine() + "\\A\\10000.qit", "a");
  fs.AddFile(Quarantine() + "\\B\\10000.qnf", "folder|F|C:\\F");
  fs.AddFile(Quarantine() + "\\B\\F\\x.txt", "x");
  fs.AddFile(Quarantine() + "\\stray.txt", "s");
  engine.ListQuarantine();
  engine.InvertPackages();
  engine.lstQuarantinedList.Item(1).checked = false;  // A stays
  EXPECT_EQ(engine.PurgeSelected().purged, 2u);  // the checked entries, B and stray.txt
  // B's four entries were wiped and counted; the stray file is not a folder.
  EXPECT_EQ(RemovedTotal(), "13");
  EXPECT_FALSE(HasFolder(Quarantine() + "\\B"));
  EXPECT_TRUE(HasFile(Quarantine() + "\\stray.txt"));
  EXPECT_EQ(engine.lstQuarantinedFiles, (Strings{"A", "stray.txt"}));
  EXPECT_FALSE(engine.lstQuarantinedList.Item(1).checked);
  EXPECT_TRUE(ctx.OperationInProgress);  // put back as it was

  engine.SelectNoPackages();
  engine.RestoreSelected();
  EXPECT_FALSE(HasFile("C:\\a.txt"));
}

}  // namespace
}  // namespace morvane::testing
