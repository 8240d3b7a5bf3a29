// Scans on the real API: a folder and a registry tree planted with traces of
// every kind, found by each scan mode as the tables say.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "database/folders.h"
#include "platform/win32/machine.h"
#include "scanner/scan_engine.h"
#include "win32_tree.h"

namespace morvane {
namespace {

const std::string kBase = "C:\\MorvaneScanE2E";
const char* kRegBase = "Software\\MorvaneScanE2E";

using testing_win32::RemoveKeyTree;
using testing_win32::RemoveTree;


class ScanOnWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    TearDown();
    CreateDirectoryA(kBase.c_str(), nullptr);
    for (auto d : {"\\Prog", "\\Prog\\Sub", "\\Cookies", "\\Progress"}) CreateDirectoryA((kBase + d).c_str(), nullptr);
    auto write = [](const std::string& p) { std::ofstream(p, std::ios::binary) << "x"; };
    write(kBase + "\\Prog\\visible.exe");
    write(kBase + "\\Prog\\hidden.exe");
    SetFileAttributesA((kBase + "\\Prog\\hidden.exe").c_str(), FILE_ATTRIBUTE_HIDDEN);
    write(kBase + "\\Prog\\Sub\\payload.dll");
    write(kBase + "\\Cookies\\user@adserver[1].txt");
    write(kBase + "\\Cookies\\user@AdServer[2].txt");
    write(kBase + "\\Cookies\\desktop.ini");
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kRegBase) + "\\Tree\\Inner").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Run", 0, REG_SZ, reinterpret_cast<const BYTE*>("evil.exe"), 9);
    RegCloseKey(key);

    DiscoverFolders(ctx, app.folders);
    app.folders.txtCookies = kBase + "\\Cookies";
    app.lstSettingsFile.assign(12, "0");
    app.lstCustomScanSettings.assign(7, "0");
    const std::string reg = "HKEY_CURRENT_USER\\" + std::string(kRegBase);
    for (const std::string& r : std::vector<std::string>{std::string("Version"), "path|" + kBase + "\\Prog\\visible.exe|Spy|", "path|" + kBase + "\\Prog\\hidden.exe|Spy|",
          "fold|" + kBase + "\\Prog|Spy|", "regv|" + reg + "\\Tree\\Inner,Run|Spy|", "regk|" + reg + "\\tree|Spy|",
          "cook|adserver|Track|", "file|payload.dll|Spy|", "regs|morvanescane2e\\tree|Spy|http://manual"})
      app.lstDBaseFile.Add(r);
  }
  void TearDown() override {
    RemoveTree(kBase);
    RemoveKeyTree(HKEY_CURRENT_USER, kRegBase);
  }
  std::vector<Text> Objects(const ListView& t) {
    std::vector<Text> out;
    for (const auto& r : t.Rows()) out.push_back(r.SubItems(2));
    return out;
  }
  void Scan() {
    ScanEngine engine(ctx, app, view);
    engine.StartScan();
  }

  w32::Win32Machine machine;
  Context ctx{machine.os()};
  AppState app;
  NullScanView view;
};

TEST_F(ScanOnWindows, SmartScanProbesEachTrace) {
  app.lstSettingsFile[9] = "0";
  Scan();
  const std::string reg = "HKEY_CURRENT_USER\\" + std::string(kRegBase);
  EXPECT_EQ(Objects(app.lstScanResult),
            (std::vector<Text>{kBase + "\\Prog\\visible.exe", kBase + "\\Prog", reg + "\\Tree\\Inner,Run",
                               reg + "\\tree", "user@adserver[1].txt", "user@AdServer[2].txt"}));
  EXPECT_EQ(app.lstCache.size(), 2u);  // desktop.ini left out
  EXPECT_EQ(app.counter(Counter::lblObjectsRecognized), "5");  // not the key
  EXPECT_EQ(app.counter(Counter::lblNewObjects), "6");
  EXPECT_EQ(view.lastOperation, "Finished.");
}

TEST_F(ScanOnWindows, FolderScanSeesHiddenFilesAndPatternsInSubFolders) {
  app.lstSettingsFile[9] = "2";
  app.lstSelectedFolders = {kBase};
  Scan();
  EXPECT_EQ(Objects(app.lstScanResult),
            (std::vector<Text>{kBase + "\\Prog\\visible.exe", kBase + "\\Prog\\hidden.exe", kBase + "\\Prog",
                               kBase + "\\Prog\\Sub\\payload.dll"}));
}

TEST_F(ScanOnWindows, CustomScanListsTheDiskAndTheRegistry) {
  app.lstSettingsFile[9] = "1";
  app.lstCustomScanSettings = {"1", "1", "1", "0", "0", "1", "1"};
  Scan();
  std::vector<Text> rows = Objects(app.lstScanResult);
  EXPECT_NE(std::find(rows.begin(), rows.end(), kBase + "\\Prog\\Sub\\payload.dll"), rows.end());
  EXPECT_EQ(std::find(rows.begin(), rows.end(), kBase + "\\Prog\\hidden.exe"), rows.end());
  const std::string reg = "HKEY_CURRENT_USER\\" + std::string(kRegBase);
  EXPECT_EQ(Objects(app.lstIremovable), (std::vector<Text>{reg + "\\Tree", reg + "\\Tree\\Inner"}));
  EXPECT_EQ(app.lstIremovable.Item(1).SubItems(1), "RegKey");
  EXPECT_GT(app.lstHDDItems.Count(), 10u);
}

}  // namespace
}  // namespace morvane
