#include <gtest/gtest.h>

#include "removal/removal_fixture.h"

namespace morvane::testing {
namespace {

using Strings = std::vector<Text>;

TEST_F(RemovalTest, QuarantineWritesItemLinesAndDataForEveryType) {
  fs.AddFile("C:\\Cookies\\u@ads.txt", "cookie bytes");
  fs.AddFile("C:\\x\\spy.exe", std::string("MZ\0\x90\xff", 5));
  fs.AddFile("C:\\x\\p.dat", "path bytes");
  fs.AddFile("C:\\Spy Folder\\in.txt", "inner");
  SetText("HKEY_CURRENT_USER\\Software\\Spy", "a", "text");
  SetDword("HKEY_CURRENT_USER\\Software\\Spy\\Sub", "n", 7u);
  SetDword("HKEY_CURRENT_USER\\Software\\Spy Ware", "n", 7u);
  SetText("HKEY_CURRENT_USER\\Run", "spy,x", "c:\\x|y.exe");
  SetDword("HKEY_CURRENT_USER\\Run", "big", 4294967295u);
  SetText("HKEY_CURRENT_USER\\Run", "ab", "ab");
  AddRow("cookie", "u@ads.txt", true, "Ads");
  AddRow("file", "C:\\x\\spy.exe", true, "Spy");
  AddRow("path", "C:\\x\\p.dat");
  AddRow("folder", "C:\\Spy Folder");
  AddRow("regkey", "HKEY_CURRENT_USER\\Software\\Spy");
  AddRow("regval", "HKEY_CURRENT_USER\\Run,spy,x");
  AddRow("regval", "HKEY_CURRENT_USER\\Run,big");
  AddRow("regval", "HKEY_CURRENT_USER\\Run,ab");
  AddRow("regkey", "HKEY_CURRENT_USER\\Software\\Spy Ware");
  AddRow("file", "C:\\x\\unticked", false);
  AddRow("other", "C:\\x\\spy.exe");
  const std::optional<QuarantineReport> report = engine.QuarantineChecked();

  const Text s = Session() + "\\";
  EXPECT_EQ(Data(s + "10000.qnf"), "cookie|10000.qit|C:\\Cookies\\u@ads.txt");
  EXPECT_EQ(Data(s + "10000.qit"), "cookie bytes");
  EXPECT_EQ(Data(s + "10001.qnf"), "file|10001.qit|C:\\x\\spy.exe");
  EXPECT_EQ(Data(s + "10001.qit"), std::string("MZ\0\x90\xff", 5));
  EXPECT_EQ(Data(s + "10002.qnf"), "path|10002.qit|C:\\x\\p.dat");
  EXPECT_EQ(Data(s + "10003.qnf"), "folder|Spy Folder|C:\\Spy Folder");
  EXPECT_FALSE(HasFile(s + "10003.qit"));
  EXPECT_EQ(Data(s + "Spy Folder\\in.txt"), "inner");
  EXPECT_EQ(Data(s + "10004.qnf"), "regkey|10004.qit|HKEY_CURRENT_USER\\Software\\Spy");
  EXPECT_NE(Narrow(Data(s + "10004.qit")).find("[HKEY_CURRENT_USER\\Software\\Spy\\Sub]"), std::string::npos);
  EXPECT_FALSE(HasFile("C:\\TEMP\\Temp.reg"));
  EXPECT_EQ(Commands().at(0),
            "C:\\WINDOWS\\regedit.exe /e C:\\TEMP\\Temp.reg HKEY_CURRENT_USER\\Software\\Spy");
  EXPECT_EQ(Data(s + "10005.qnf"), "regval|10005.qit|HKEY_CURRENT_USER\\Run,spy,x");
  EXPECT_EQ(Data(s + "10005.qit"), "String|c:\\x|y.exe");
  EXPECT_EQ(Data(s + "10006.qit"), "DWORD|-1");
  // A short text stays text.
  EXPECT_EQ(Data(s + "10007.qit"), "String|ab");
  EXPECT_EQ(Commands().at(1),
            "C:\\WINDOWS\\regedit.exe /e C:\\TEMP\\Temp.reg \"HKEY_CURRENT_USER\\Software\\Spy Ware\"");
  EXPECT_NE(Narrow(Data(s + "10008.qit")).find("[HKEY_CURRENT_USER\\Software\\Spy Ware]"), std::string::npos);
  EXPECT_FALSE(HasFile(s + "10009.qnf"));

  EXPECT_EQ(app.lstLog, (Strings{"", " Following items Quarantined:",
                                 "     cookie:u@ads.txt   |Ads",
                                 "     file:C:\\x\\spy.exe   |Spy",
                                 "     path:C:\\x\\p.dat   |Threat",
                                 "     folder:C:\\Spy Folder   |Threat",
                                 "     regkey:HKEY_CURRENT_USER\\Software\\Spy   |Threat",
                                 "     regval:HKEY_CURRENT_USER\\Run,spy,x   |Threat",
                                 "     regval:HKEY_CURRENT_USER\\Run,big   |Threat",
                                 "     regval:HKEY_CURRENT_USER\\Run,ab   |Threat",
                                 "     regkey:HKEY_CURRENT_USER\\Software\\Spy Ware   |Threat"}));
  ASSERT_TRUE(report);
  EXPECT_EQ(report->stored, 9u);
  EXPECT_EQ(report->failed, 0u);
  // Nothing is removed and the rows stay checked.
  EXPECT_TRUE(HasFile("C:\\x\\spy.exe"));
  EXPECT_TRUE(app.lstScanResult.Item(1).checked);
}

TEST_F(RemovalTest, QuarantineWithNothingCheckedStillLogsAndReportsZero) {
  AddRow("file", "C:\\x", false);
  const std::optional<QuarantineReport> report = engine.QuarantineChecked();
  EXPECT_EQ(app.lstLog, (Strings{"", " Following items Quarantined:"}));
  ASSERT_TRUE(report);
  EXPECT_EQ(report->stored, 0u);
  EXPECT_TRUE(HasFolder(Session()));

  // An empty list does nothing at all.
  app.lstScanResult.Clear();
  app.lstLog.clear();
  EXPECT_FALSE(engine.QuarantineChecked());
  EXPECT_TRUE(app.lstLog.empty());
}

TEST_F(RemovalTest, NumbersContinueAboveThoseInUse) {
  fs.AddFile("C:\\x\\a", "a");
  AddRow("file", "C:\\x\\a");
  engine.QuarantineChecked();
  engine.QuarantineChecked();
  const Text s = Session() + "\\";
  EXPECT_TRUE(HasFile(s + "10000.qnf"));
  EXPECT_EQ(Data(s + "10001.qnf"), "file|10001.qit|C:\\x\\a");
  EXPECT_EQ(app.QuarantineCounter, 10001);
}

TEST_F(RemovalTest, FailedCopiesAreNotReportedAsQuarantined) {
  AddRow("file", "C:\\x\\missing.exe");
  SetText("HKEY_CURRENT_USER\\Run", "there", "x");
  AddRow("regval", "HKEY_CURRENT_USER\\Run,gone");
  AddRow("regkey", "HKEY_CURRENT_USER\\NoSuchKey");
  AddRow("folder", "C:\\x\\GoneFolder");
  const std::optional<QuarantineReport> report = engine.QuarantineChecked();
  EXPECT_EQ(report->stored, 0u);
  EXPECT_EQ(report->failed, 4u);
  EXPECT_EQ(app.lstLog.back(), "     Not quarantined=C:\\x\\GoneFolder");
  EXPECT_TRUE(Below(Session()).empty());
  // Never a shell copy of what is gone: its error box would hold an unattended scan.
  EXPECT_TRUE(machine.shell.operations.empty());
}

TEST_F(RemovalTest, StoringStopsWhenNoNumberIsLeft) {
  fs.AddFile("C:\\x\\a", "a");
  fs.AddFile(Session() + "\\32767.qnf", "file|32767.qit|C:\\old");
  app.QuarantineCounter = 32767;
  AddRow("file", "C:\\x\\a");
  AddRow("file", "C:\\x\\a");
  const std::optional<QuarantineReport> report = engine.QuarantineChecked();
  EXPECT_TRUE(report->noFreeNumber);
  EXPECT_EQ(report->stored, 0u);
  EXPECT_EQ(report->failed, 0u);
  EXPECT_EQ(app.QuarantineCounter, 32767);

  // In auto-erase mode the object then stays where it is.
  SetAutoErase();
  app.lstLog.clear();
  engine.RemoveChecked();
  EXPECT_TRUE(HasFile("C:\\x\\a"));
  EXPECT_EQ(flushedLog.at(0), "File not deleted (no free quarantine number)=C:\\x\\a");
}

}  // namespace
}  // namespace morvane::testing
