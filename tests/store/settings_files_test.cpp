// Settings files on the simulated machine (native) and on real files in a
// scratch folder (Windows build, under Wine).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "database/crypt.h"
#include "database/database.h"
#include "store/settings.h"

#ifdef _WIN32
#include "platform/win32/machine.h"
#else
#include "platform/simulated/machine.h"
#endif

namespace morvane {
namespace {

#ifdef _WIN32
using Machine = w32::Win32Machine;
#else
using Machine = sim::SimulatedMachine;
#endif

void RemoveTree(IFileSystem& fs, const Text& path) {
  FindData d;
  auto h = fs.FindFirst(path + "\\*", d);
  if (h != IFileSystem::kInvalidFind) {
    do {
      if (d.name == "." || d.name == "..") continue;
      const Text full = path + "\\" + d.name;
      fs.SetAttributes(full, win::kAttrNormal);
      if (d.attributes & win::kAttrDirectory)
        RemoveTree(fs, full);
      else
        fs.RemoveFile(full);
    } while (fs.FindNext(h, d));
    fs.FindClose(h);
  }
  fs.RemoveFolder(path);
}

class SettingsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    static int serial = 0;
    root_ = "C:\\MorvaneSettingsTest";
    m_.files.MakeFolder(root_);
    state.programFolder = root_ + "\\p" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                          std::to_string(++serial);
    RemoveTree(m_.files, state.programFolder);
#else
    sim::InstallDefaultWindowsLayout(m_);
    state.programFolder = "C:\\Program Files\\Morvane";
#endif
    m_.files.MakeFolder(state.programFolder);
  }
  void TearDown() override {
#ifdef _WIN32
    RemoveTree(m_.files, state.programFolder);
    m_.files.RemoveFolder(root_);
#endif
  }

  std::string Read(const Text& relative) {
    std::string data;
    EXPECT_TRUE(fs().ReadAll(state.programFolder + relative, data)) << relative;
    return data;
  }
  void Write(const Text& relative, const std::string& data) {
    ASSERT_TRUE(fs().WriteAll(state.programFolder + relative, data)) << relative;
  }
  bool Exists(const Text& relative) {
    return fs().GetAttributes(state.programFolder + relative) != win::kInvalidAttributes;
  }
  IFileSystem& fs() { return m_.files; }

  Machine m_;
  Text root_;
  Context ctx{m_.os()};
  AppState state;
  SettingsStore store{ctx, state};
};

TEST_F(SettingsFiles, LoadSplitsAtCrLfWithOrWithoutFinalBreak) {
  store.CheckSettings();
  ListBox lines;
  Write("\\Settings\\IgnoreList.stg", "a\r\nb\r\n");
  store.LoadFiles("\\Settings\\", "IgnoreList.stg", lines);
  EXPECT_EQ(lines, (ListBox{"a", "b"}));
  Write("\\Settings\\IgnoreList.stg", "a\r\nb");
  store.LoadFiles("\\Settings\\", "IgnoreList.stg", lines);
  EXPECT_EQ(lines, (ListBox{"a", "b"}));
  Write("\\Settings\\IgnoreList.stg", "a\r\n\r\n\r\nb\r");
  store.LoadFiles("\\Settings\\", "IgnoreList.stg", lines);
  EXPECT_EQ(lines, (ListBox{"a", "", "", "b"}));
  // Edited by hand: lone line feeds and carriage returns end lines too.
  Write("\\Settings\\IgnoreList.stg", "a\nb\rc\n\nd\r\n");
  store.LoadFiles("\\Settings\\", "IgnoreList.stg", lines);
  EXPECT_EQ(lines, (ListBox{"a", "b", "c", "", "d"}));
  // A missing file loads empty and is created.
  store.LoadFiles("\\Settings\\", "Other.stg", lines);
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(Exists("\\Settings\\Other.stg"));
}

TEST_F(SettingsFiles, SaveWritesCrLfBetweenLinesAndEmptyTablesAsZeroBytes) {
  store.CheckSettings();
  store.SaveSettingsToFile("\\Settings\\", "IgnoreList.stg", ListBox{"x", "y", ""});
  EXPECT_EQ(Read("\\Settings\\IgnoreList.stg"), "x\r\ny\r\n");
  // A break inside a value keeps to its line.
  store.SaveSettingsToFile("\\Settings\\", "Settings.stg", ListBox{"http://evil/\r\nx", "1\r", "\n2"});
  EXPECT_EQ(Read("\\Settings\\Settings.stg"), "http://evil/  x\r\n1 \r\n 2");
  ListBox lines;
  store.LoadFiles("\\Settings\\", "IgnoreList.stg", lines);
  EXPECT_EQ(lines, (ListBox{"x", "y"}));  // the empty last line is lost
  store.SaveSettingsToFile("\\Settings\\", "IgnoreList.stg", ListBox{});
  EXPECT_EQ(Read("\\Settings\\IgnoreList.stg"), "");
  store.LoadFiles("\\Settings\\", "IgnoreList.stg", lines);
  EXPECT_TRUE(lines.empty());
  EXPECT_FALSE(Exists("\\Settings\\IgnoreList.stg.tmp"));
}

TEST_F(SettingsFiles, SaveReplacesReadOnlyFileAndKeepsOldContentWhenItCannotWrite) {
  store.CheckSettings();
  Write("\\Settings\\SelectedFolders.stg", "old");
  fs().SetAttributes(state.programFolder + "\\Settings\\SelectedFolders.stg", win::kAttrReadOnly | win::kAttrHidden);
  // A read-only leftover of an interrupted save does not block the next one.
  Write("\\Settings\\SelectedFolders.stg.tmp", "leftover");
  fs().SetAttributes(state.programFolder + "\\Settings\\SelectedFolders.stg.tmp", win::kAttrReadOnly);
  store.SaveSettingsToFile("\\Settings\\", "SelectedFolders.stg", ListBox{"C:\\new"});
  EXPECT_EQ(Read("\\Settings\\SelectedFolders.stg"), "C:\\new");
  EXPECT_FALSE(Exists("\\Settings\\SelectedFolders.stg.tmp"));
  // The folder is gone: nothing can be written, nothing is lost elsewhere.
  store.SaveSettingsToFile("\\Missing\\", "SelectedFolders.stg", ListBox{"z"});
  EXPECT_FALSE(Exists("\\Missing\\SelectedFolders.stg"));
  EXPECT_EQ(Read("\\Settings\\SelectedFolders.stg"), "C:\\new");
}

TEST_F(SettingsFiles, FirstStartCreatesExactlyTheDefaultsAndSecondChangesNothing) {
  store.CheckSettings();
  for (const char* folder : {"\\Settings", "\\Quarantine", "\\Registry Backups"})
    EXPECT_TRUE(fs().GetAttributes(state.programFolder + folder) & win::kAttrDirectory) << folder;
  const Text startPage = store.ReadStartPage();
  EXPECT_EQ(Read("\\Settings\\Settings.stg"),
            "0\r\n0\r\n0\r\n1\r\n0\r\n0\r\n" + startPage + "\r\nMicrosoft Internet Explorer\r\n30\r\n0\r\n10");
  EXPECT_EQ(Read("\\Settings\\ScanInfo.stg"), "{never}\r\n0\r\n0");
  EXPECT_EQ(Read("\\Settings\\CustomScan.stg"), "0\r\n1\r\n1\r\n0\r\n0\r\n0\r\n1");
  EXPECT_EQ(Read("\\Settings\\IgnoreList.stg"), "");
  EXPECT_EQ(Read("\\Settings\\SelectedFolders.stg"), "");
  EXPECT_EQ(Read("\\SpyLog.txt"), "");

  Write("\\Settings\\ScanInfo.stg", "x");
  Write("\\SpyLog.txt", "log line\r\n");
  store.CheckSettings();
  EXPECT_EQ(Read("\\Settings\\ScanInfo.stg"), "x");
  EXPECT_EQ(Read("\\SpyLog.txt"), "log line\r\n");
  EXPECT_EQ(Read("\\Settings\\CustomScan.stg"), "0\r\n1\r\n1\r\n0\r\n0\r\n0\r\n1");

  store.LoadAllFiles();
  EXPECT_EQ(state.lstSettingsFile.size(), 11u);
  EXPECT_EQ(state.lstSettingsFile[6], startPage);
  EXPECT_EQ(state.lstCustomScanSettings.size(), 7u);
  EXPECT_TRUE(state.lstIgnoreListFile.empty());
}

TEST_F(SettingsFiles, ShortTablesArePaddedWithDefaultsOnLoad) {
  store.CheckSettings();
  Write("\\Settings\\Settings.stg", "1\r\n1");
  Write("\\Settings\\ScanInfo.stg", "12-1-2026  10:00:00\r\n4\r\n");
  store.LoadAllFiles();
  ListBox expected = DefaultSettingsLines(store.ReadStartPage());
  expected[0] = expected[1] = "1";
  EXPECT_EQ(state.lstSettingsFile, expected);
  EXPECT_EQ(state.lstScanInfoFile, (ListBox{"12-1-2026  10:00:00", "4", "0"}));
}

TEST_F(SettingsFiles, SaveDataWritesAllFiveTables) {
  store.CheckSettings();
  store.LoadAllFiles();
  state.lstSettingsFile[4] = "1";
  RaiseByOne(state.lstScanInfoFile[1]);
  state.lstIgnoreListFile = {"path|C:\\a"};
  state.lstSelectedFolders = {"C:\\"};
  state.lstCustomScanSettings[0] = "1";
  const uint64_t before = ctx.yieldCount;
  store.SaveData();
  EXPECT_EQ(ctx.yieldCount - before, 5u);
  EXPECT_EQ(Read("\\Settings\\ScanInfo.stg"), "{never}\r\n1\r\n0");
  EXPECT_EQ(Read("\\Settings\\IgnoreList.stg"), "path|C:\\a");
  EXPECT_EQ(Read("\\Settings\\SelectedFolders.stg"), "C:\\");
  EXPECT_EQ(Read("\\Settings\\CustomScan.stg"), "1\r\n1\r\n1\r\n0\r\n0\r\n0\r\n1");
  AppState reloaded;
  reloaded.programFolder = state.programFolder;
  SettingsStore(ctx, reloaded).LoadAllFiles();
  EXPECT_EQ(reloaded.lstSettingsFile, state.lstSettingsFile);
}

#ifndef _WIN32
// A file held by another program loads empty or as the defaults: saving must
// not put that over the user's lines, and once it reads again it is saved.
TEST_F(SettingsFiles, FileThatCouldNotBeReadIsNotSavedOver) {
  store.CheckSettings();
  Write("\\Settings\\IgnoreList.stg", "path|C:\\kept");
  Write("\\Settings\\Settings.stg", "1\r\n1\r\n1\r\n1\r\n1\r\n1\r\nhttp://mine/\r\nIE\r\n7\r\n1\r\n3");
  m_.faults.FailCall("ReadAll", 1);
  m_.faults.FailCall("ReadAll", 3);
  store.LoadAllFiles();
  EXPECT_NE(state.lstSettingsFile[6], "http://mine/");  // the defaults
  EXPECT_TRUE(state.lstIgnoreListFile.empty());
  state.lstIgnoreListFile = {"path|C:\\new"};
  store.SaveData();
  store.SaveSettingsToFile("\\Settings\\", "IGNORELIST.STG", state.lstIgnoreListFile);
  EXPECT_EQ(Read("\\Settings\\IgnoreList.stg"), "path|C:\\kept");
  EXPECT_EQ(Read("\\Settings\\Settings.stg").substr(0, 12), "1\r\n1\r\n1\r\n1\r\n");
  store.LoadFiles("\\Settings\\", "IgnoreList.stg", state.lstIgnoreListFile);
  state.lstIgnoreListFile.push_back("path|C:\\new");
  store.SaveData();
  EXPECT_EQ(Read("\\Settings\\IgnoreList.stg"), "path|C:\\kept\r\npath|C:\\new");
}
#endif

TEST_F(SettingsFiles, QuarantineDataFilesAndBlankFiles) {
  store.CheckSettings();
  state.QuarantineSession = "7-12-2026-14-5-9";
  fs().MakeFolder(state.programFolder + "\\Quarantine\\" + state.QuarantineSession);
  const Text data = Text("bin\0ary\r\n", 9);
  store.SaveLineToFile("10000.qit", data);
  Text back;
  store.LoadLineFromFile(state.QuarantineSession + "\\10000.qit", back);
  EXPECT_EQ(back, data);
  store.SaveLineToFile("10000.qit", "short");
  store.LoadLineFromFile(state.QuarantineSession + "\\10000.qit", back);
  EXPECT_EQ(back, "short");
  store.LoadLineFromFile(state.QuarantineSession + "\\none.qit", back);
  EXPECT_EQ(back, "");

  Write("\\keep.txt", "content");
  store.CreateBlankFile("\\", "keep.txt");
  EXPECT_EQ(Read("\\keep.txt"), "content");
}

TEST_F(SettingsFiles, ListViewReaderForTheDatabase) {
  ListView rows;
  rows.Add("stale");
  store.LoadListView("\\", "DataBase.ref", rows);
  EXPECT_TRUE(rows.Empty());
  EXPECT_FALSE(Exists("\\DataBase.ref"));
  Write("\\DataBase.ref", "v\r\n\r\nlast");
  store.LoadListView("\\", "DataBase.ref", rows);
  ASSERT_EQ(rows.Count(), 3u);
  EXPECT_EQ(rows.Item(2).text, "");
  EXPECT_EQ(rows.Item(3).text, "last");

  // Lines across the reader's pieces: a CR LF split between two, a line
  // longer than a piece, a final line ending in a lone CR.
  std::vector<Text> want;
  std::string file;
  while (file.size() < 60000) {
    want.push_back("row" + std::to_string(want.size()));
    file += want.back() + "\r\n";
  }
  want.push_back(std::string(65535 - file.size(), 'a'));
  file += want.back() + "\r\n";  // the CR ends the first 64 KB, the LF begins the next
  want.push_back(std::string(140000, 'b'));
  file += want.back() + "\n\n";
  want.push_back("");
  want.push_back("end");
  file += "end\r";
  Write("\\DataBase.ref", file);
  store.LoadListView("\\", "DataBase.ref", rows);
  ASSERT_EQ(rows.Count(), want.size());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(rows.Item(i + 1).text, want[i]) << i;
}

}  // namespace
}  // namespace morvane

namespace morvane {
namespace {

// The database on the same backend: the existence test relies on the
// platform's directory search and attribute reporting.
TEST_F(SettingsFiles, DatabaseExistenceAndLoadingOnThisBackend) {
  DatabaseLoader loader(ctx, state.programFolder, state.lstDBaseFile);
  EXPECT_FALSE(loader.DatabaseExists());
  const Text db = state.programFolder + "\\DataBase.ref";
  Write("\\DataBase.ref", modCrypt::EncryptString("v7", kDatabaseKey) + "\r\n\r\n" +
                              modCrypt::EncryptString("regk|HKEY_CURRENT_USER\\Software\\Spy|Spy", kDatabaseKey));
  EXPECT_TRUE(loader.DatabaseExists());
  fs().SetAttributes(db, win::kAttrReadOnly);
  EXPECT_TRUE(loader.DatabaseExists());
  fs().SetAttributes(db, win::kAttrHidden);
  EXPECT_FALSE(loader.DatabaseExists());
  fs().SetAttributes(db, win::kAttrSystem | win::kAttrArchive);
  EXPECT_FALSE(loader.DatabaseExists());
  loader.LoadDatabase();  // still read: only the existence test looks at attributes
  ASSERT_EQ(state.lstDBaseFile.Count(), 3u);
  EXPECT_EQ(state.lstDBaseFile.Item(1).text, "v7");
  EXPECT_EQ(state.lstDBaseFile.Item(2).text, "");
  EXPECT_EQ(state.lstDBaseFile.Item(3).text, "regk|HKEY_CURRENT_USER\\Software\\Spy|Spy");
  fs().SetAttributes(db, win::kAttrNormal);
}

}  // namespace
}  // namespace morvane
