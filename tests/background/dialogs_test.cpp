#include <gtest/gtest.h>

#include "platform/simulated/machine.h"
#include "shell/dialogs/dialogs.h"
#include "store/settings.h"

namespace morvane::testing {
namespace {

TEST(UpDown, ArrowsKeepTheirBoundsAndMakeNonNumbersZero) {
  struct Case {
    const char* text;
    bool up;
    double high;
    const char* expected;
  };
  for (const Case& c : std::vector<Case>{
           {"98", true, 99, "99"},      {"99", true, 99, "99"},         {" 99", true, 99, " 99"},
           {"0", false, 99, "0"},       {"150", true, 99, "150"},       {"150", false, 99, "149"},
           {"abc", true, 99, "1"},      {"abc", false, 99, "0"},        {"", false, 90000, "0"},
           {"89999", true, 90000, "90000"}, {"90000", true, 90000, "90000"}, {" 7 ", false, 90000, "6"},
           {"1.5", true, 99, "2.5"},    {"-4", false, 99, "-4"},        {"-4", true, 99, "-3"},
           {"1e3", true, 99, "1"},
       }) {
    EXPECT_EQ(UpDownClick(c.text, c.up, c.high), c.expected) << c.text << (c.up ? " up" : " down");
  }
}

class DialogTest : public ::testing::Test {
 protected:
  DialogTest() : machine(sim::SimulatedMachine::WindowsLayout{}), ctx(machine.os()) {
    app.programFolder = "C:\\Program Files\\Morvane";
    app.lstSettingsFile = DefaultSettingsLines("http://home.example/");
    app.lstCustomScanSettings = {"1 ", "1", "0"};
    app.lstSelectedFolders = {"C:\\WINDOWS", "D:\\Data"};
  }
  sim::SimulatedMachine machine;
  Context ctx;
  AppState app;
  int applied = 0;
  std::function<void()> apply = [this] { ++applied; };
};

TEST_F(DialogTest, NumberAndHomePageDialogsStoreOnOkOnly) {
  const AppState before = app;
  frmActiveProtection interval(ctx, app);
  EXPECT_EQ(interval.txtInterval, "30");
  interval.UpDown_UpClick();
  EXPECT_EQ(interval.txtInterval, "31");
  interval.cmdCancel_Click();
  EXPECT_FALSE(interval.IsOpen());

  frmHomePageInfo home(ctx, app);
  EXPECT_EQ(home.txtIEHomePage, "http://home.example/");
  EXPECT_EQ(home.txtIETitle, "Microsoft Internet Explorer");
  home.txtIETitle = "Hijacked";
  home.cmdUseBlank_Click();
  EXPECT_TRUE(home.IsOpen());
  EXPECT_EQ(home.txtIEHomePage, "about:blank");
  EXPECT_EQ(home.txtIETitle, "Microsoft Internet Explorer");
  home.cmdCancel_Click();
  EXPECT_EQ(app.lstSettingsFile, before.lstSettingsFile);

  frmRegBackUp backups(ctx, app);
  EXPECT_EQ(backups.txtInterval, "10");
  backups.txtInterval = "abc";  // typed text is stored unchecked
  backups.cmdOk_Click();
  frmActiveProtection typed(ctx, app);
  typed.txtInterval = "120";
  typed.cmdOk_Click();
  frmHomePageInfo cleared(ctx, app);
  cleared.txtIEHomePage.clear();
  cleared.cmdOk_Click();
  EXPECT_FALSE(cleared.IsOpen());
  EXPECT_EQ(app.lstSettingsFile[10], "abc");
  EXPECT_EQ(app.lstSettingsFile[8], "120");
  EXPECT_EQ(app.lstSettingsFile[6], "");
  EXPECT_EQ(applied, 0);  // these dialogs do not apply the settings
}

TEST_F(DialogTest, CustomScanOptionsAlwaysWriteSevenLines) {
  frmCustomScanSettings cancelled(ctx, app, apply);
  EXPECT_EQ(cancelled.chkCustomScanSettings, (std::array<bool, 7>{false, true, false, false, false, false, false}));
  cancelled.chkCustomScanSettings[3] = true;
  cancelled.cmdCancel_Click();
  EXPECT_EQ(app.lstCustomScanSettings, (ListBox{"1 ", "1", "0"}));

  frmCustomScanSettings dialog(ctx, app, apply);
  dialog.chkCustomScanSettings[6] = true;
  dialog.cmdOk_Click();
  EXPECT_FALSE(dialog.IsOpen());
  EXPECT_EQ(app.lstCustomScanSettings, (ListBox{"0", "1", "0", "0", "0", "0", "1"}));
  EXPECT_EQ(applied, 1);
}

TEST_F(DialogTest, FolderDialogBrowsesAddsRemovesAndStoresSortedWithoutDuplicates) {
  machine.files.AddFolder("C:\\Program Files\\Morvane\\Settings");
  machine.files.AddFolder("C:\\Program Files\\Bad Tools");
  machine.files.AddFile("C:\\Program Files\\readme.txt", "x");
  machine.files.AddDrive('E');
  frmAddDir dialog(ctx, app, {"A:", "C:", "E:"}, apply);
  EXPECT_EQ(dialog.lstSelectedFolders, (ListBox{"C:\\WINDOWS", "D:\\Data"}));
  EXPECT_EQ(dialog.dirList.Path(), "C:\\");
  auto names = [&] {
    std::vector<Text> out;
    for (const auto& e : dialog.dirList.Entries()) out.push_back(e.name);
    return out;
  };
  ASSERT_EQ(names()[0], "C:\\");
  EXPECT_EQ(dialog.dirList.MarkedPath(), "C:\\");

  // Mark "Program Files", Space opens it: the path's components, then its sub-folders sorted.
  const std::vector<Text> root = names();
  const size_t programFiles = size_t(std::find(root.begin(), root.end(), "Program Files") - root.begin());
  ASSERT_LT(programFiles, root.size());
  dialog.dirList_Click(programFiles);
  dialog.dirList_KeyDown(frmAddDir::kKeySpace);
  EXPECT_EQ(names(), (std::vector<Text>{"C:\\", "Program Files", "Bad Tools", "Morvane"}));
  EXPECT_EQ(dialog.dirList.MarkedPath(), "C:\\Program Files");

  // Enter and Add append the marked folder, twice here; the list stays sorted.
  dialog.dirList_Click(2);
  dialog.dirList_KeyPress(frmAddDir::kCharEnter);
  dialog.cmdAdd_Click();
  dialog.dirList_Click(3);
  dialog.cmdAdd_Click();
  EXPECT_EQ(dialog.lstSelectedFolders,
            (ListBox{"C:\\Program Files\\Bad Tools", "C:\\Program Files\\Bad Tools", "C:\\Program Files\\Morvane",
                     "C:\\WINDOWS", "D:\\Data"}));
  // Remove needs a selection; Delete and a double click remove the selected entry.
  dialog.cmdRemove_Click();
  EXPECT_EQ(dialog.lstSelectedFolders.size(), 5u);
  dialog.lstSelectedFolders_Click(4);
  dialog.lstSelectedFolders_KeyDown(frmAddDir::kKeyDelete);
  dialog.lstSelectedFolders_Click(2);
  dialog.lstSelectedFolders_DblClick();
  EXPECT_EQ(dialog.lstSelectedFolders.size(), 3u);

  // A drive without a medium: "Device unavailable." and back to C:.
  dialog.drvList_Change("E:");
  EXPECT_EQ(dialog.dirList.Path(), "E:\\");
  dialog.drvList_Change("A:");
  ASSERT_EQ(machine.messages.shown.size(), 1u);
  EXPECT_EQ(machine.messages.shown[0].text, "Device unavailable.");
  EXPECT_EQ(machine.messages.shown[0].icon, MsgIcon::Critical);
  EXPECT_EQ(machine.messages.shown[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(dialog.drvListDrive, "C:");
  EXPECT_EQ(dialog.dirList.Path(), "C:\\");

  EXPECT_EQ(app.lstSelectedFolders, (ListBox{"C:\\WINDOWS", "D:\\Data"}));  // a working copy until OK
  dialog.cmdOk_Click();
  EXPECT_FALSE(dialog.IsOpen());
  EXPECT_EQ(app.lstSelectedFolders, (ListBox{"C:\\Program Files\\Bad Tools", "C:\\WINDOWS"}));
  EXPECT_EQ(applied, 1);

  frmAddDir cancelled(ctx, app, {"C:"}, apply);
  cancelled.cmdAdd_Click();
  cancelled.cmdCancel_Click();
  EXPECT_EQ(app.lstSelectedFolders, (ListBox{"C:\\Program Files\\Bad Tools", "C:\\WINDOWS"}));
}

}  // namespace
}  // namespace morvane::testing
