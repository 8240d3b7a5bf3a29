#include <gtest/gtest.h>

#include "database/crypt.h"
#include "database/database.h"
#include "store/app_state.h"
#include "platform/simulated/machine.h"

namespace morvane {
namespace {

struct RecordingLauncher : IUpdaterLauncher {
  int starts = 0;
  bool StartUpdater(win::HWnd) override {
    ++starts;
    return true;
  }
};

class DatabaseLoading : public ::testing::Test {
 protected:
  sim::SimulatedMachine m{sim::SimulatedMachine::WindowsLayout{}};
  Context ctx{m.os()};
  AppState state;
  Text dbPath = m.system.programFolder + "\\DataBase.ref";

  void WriteDatabase(const std::vector<Text>& plain, bool finalBreak = true) {
    std::string content;
    for (size_t i = 0; i < plain.size(); ++i) {
      content += modCrypt::EncryptString(plain[i], kDatabaseKey);
      if (i + 1 < plain.size() || finalBreak) content += "\r\n";
    }
    m.files.AddFile(dbPath, content);
  }
};

TEST_F(DatabaseLoading, EveryLineDecipheredInFileOrderWithAYieldEach) {
  WriteDatabase({"Database 2026.12", "# comment", "", "PATH|%WinDir%\\x.exe|Adware", "path|C:\\a|B|C|D"}, false);
  DatabaseLoader loader(ctx, state.programFolder, state.lstDBaseFile);
  ASSERT_TRUE(loader.DatabaseExists());
  const uint64_t before = ctx.yieldCount;
  loader.LoadDatabase();
  ASSERT_EQ(state.lstDBaseFile.Count(), 5u);
  EXPECT_EQ(state.lstDBaseFile.Item(1).text, "Database 2026.12");
  EXPECT_EQ(state.lstDBaseFile.Item(2).text, "# comment");
  EXPECT_EQ(state.lstDBaseFile.Item(3).text, "");
  EXPECT_EQ(state.lstDBaseFile.Item(4).text, "PATH|%WinDir%\\x.exe|Adware");
  EXPECT_EQ(state.lstDBaseFile.Item(5).text, "path|C:\\a|B|C|D");
  EXPECT_EQ(ctx.yieldCount - before, 5u);
}

TEST_F(DatabaseLoading, FinalLineBreakAddsNoEntryAndReloadReplaces) {
  WriteDatabase({"v1"});
  DatabaseLoader loader(ctx, state.programFolder, state.lstDBaseFile);
  state.lstDBaseFile.Add("stale");
  loader.LoadDatabase();
  ASSERT_EQ(state.lstDBaseFile.Count(), 1u);
  EXPECT_EQ(state.lstDBaseFile.Item(1).text, "v1");
}

TEST_F(DatabaseLoading, HiddenOrSystemDatabaseCountsAsMissing) {
  WriteDatabase({"v1"});
  DatabaseLoader loader(ctx, state.programFolder, state.lstDBaseFile);
  m.files.SetAttributes(dbPath, win::kAttrReadOnly | win::kAttrArchive);
  EXPECT_TRUE(loader.DatabaseExists());
  m.files.SetAttributes(dbPath, win::kAttrHidden);
  EXPECT_FALSE(loader.DatabaseExists());
  m.files.SetAttributes(dbPath, win::kAttrSystem);
  EXPECT_FALSE(loader.DatabaseExists());
  m.files.RemoveFile(dbPath);
  m.files.AddFolder(dbPath);
  EXPECT_FALSE(loader.DatabaseExists());
}

TEST_F(DatabaseLoading, MissingDatabaseAnsweredNoEndsStartUp) {
  DatabaseLoader loader(ctx, state.programFolder, state.lstDBaseFile);
  RecordingLauncher launcher;
  m.messages.answers.push_back(MsgResult::No);
  EXPECT_FALSE(loader.EnsureDatabase(launcher, 0));
  ASSERT_EQ(m.messages.shown.size(), 1u);
  EXPECT_EQ(m.messages.shown[0].title, "Error");
  EXPECT_EQ(m.messages.shown[0].text,
            "Missing reference Database.\r\nDo you want to download new reference Database?");
  EXPECT_EQ(m.messages.shown[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(m.messages.shown[0].icon, MsgIcon::Critical);
  EXPECT_EQ(launcher.starts, 0);
}

TEST_F(DatabaseLoading, MissingDatabaseAnsweredYesStartsUpdaterAndLoadsNothing) {
  DatabaseLoader loader(ctx, state.programFolder, state.lstDBaseFile);
  ShellUpdaterLauncher launcher(ctx, m.system.programFolder);
  m.messages.answers.push_back(MsgResult::Yes);
  EXPECT_TRUE(loader.EnsureDatabase(launcher, 0));
  ASSERT_EQ(m.shell.executed.size(), 1u);
  EXPECT_EQ(m.shell.executed[0].verb, "Open");
  EXPECT_EQ(m.shell.executed[0].file, m.system.programFolder + "\\Tessarin.exe");
  EXPECT_EQ(m.shell.executed[0].parameters, "");
  EXPECT_EQ(m.shell.executed[0].directory, m.system.programFolder);
  EXPECT_EQ(m.shell.executed[0].show, 1);
  loader.LoadDatabase();
  EXPECT_EQ(state.lstDBaseFile.Count(), 0u);
  EXPECT_FALSE(m.files.Exists(dbPath));  // loading never creates the file
}

TEST_F(DatabaseLoading, PresentDatabaseAsksNothing) {
  WriteDatabase({"v1"});
  DatabaseLoader loader(ctx, state.programFolder, state.lstDBaseFile);
  RecordingLauncher launcher;
  EXPECT_TRUE(loader.EnsureDatabase(launcher, 0));
  EXPECT_TRUE(m.messages.shown.empty());
}

}  // namespace
}  // namespace morvane
