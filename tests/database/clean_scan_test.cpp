// The shipped database on a freshly made Windows installation: every scan mode
// walks all of its records and finds nothing. Run in a new Wine prefix; the
// enciphered database is named by MORVANE_DB (a Windows path).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "database/crypt.h"
#include "database/folders.h"
#include "database/records.h"
#include "platform/win32/machine.h"
#include "scanner/scan_engine.h"

namespace morvane {
namespace {

struct Mode {
  const char* name;
  const char* code;
  std::vector<Text> options;
  std::vector<Text> folders;
};
void PrintTo(const Mode& mode, std::ostream* os) { *os << mode.name; }

class CleanSystemScan : public ::testing::TestWithParam<Mode> {
 protected:
  void SetUp() override {
    const char* db = std::getenv("MORVANE_DB");
    ASSERT_NE(db, nullptr) << "MORVANE_DB names the enciphered database";
    std::ifstream in(db, std::ios::binary);
    ASSERT_TRUE(in) << db;
    std::ostringstream content;
    content << in.rdbuf();
    lines = SplitTextLines(content.str());
    for (Text& line : lines) line = modCrypt::DecryptString(line, kDatabaseKey);
    records = CheckDatabase(lines).records;
    ASSERT_GT(records, 50u);
    for (const Text& line : lines) app.lstDBaseFile.Add(line);
    DiscoverFolders(ctx, app.folders);
    app.lstSettingsFile.assign(12, "0");
  }

  std::vector<Text> lines;
  size_t records = 0;
  w32::Win32Machine machine;
  Context ctx{machine.os()};
  AppState app;
  NullScanView view;
};

TEST_P(CleanSystemScan, FindsNothing) {
  const Mode& mode = GetParam();
  app.lstSettingsFile[9] = mode.code;
  app.lstCustomScanSettings.assign(mode.options.begin(), mode.options.end());
  for (const Text& f : mode.folders) app.lstSelectedFolders.push_back(f);
  ScanEngine engine(ctx, app, view);
  engine.StartScan();

  EXPECT_EQ(view.lastOperation, "Finished.");
  EXPECT_EQ(app.counter(Counter::lblScannedObjects), std::to_string(records));
  auto describe = [](const ListView& t) {
    std::string out;
    for (const auto& r : t.Rows()) out += r.text + " | " + r.SubItems(2) + "\n";
    return out;
  };
  EXPECT_EQ(app.lstScanResult.Count(), 0u) << describe(app.lstScanResult);
  EXPECT_EQ(app.lstIremovable.Count(), 0u) << describe(app.lstIremovable);
  EXPECT_EQ(app.counter(Counter::lblNewObjects), "0");
  EXPECT_EQ(app.counter(Counter::lblObjectsIgnored), "0");
  // The listings really covered the drive and the registry.
  if (!mode.folders.empty() || mode.options[0] == "1") {
    EXPECT_GT(app.lstHDDItems.Count(), 500u);
  }
  if (mode.options[5] == "1") {
    EXPECT_GT(app.lstRegScan.Count(), 100u);
  }
}

const Text kSevenOn[] = {"1", "1", "1", "1", "1", "1", "1"};

INSTANTIATE_TEST_SUITE_P(
    ShippedDatabase, CleanSystemScan,
    ::testing::Values(Mode{"Smart", "0", {"0", "0", "0", "0", "0", "0", "0"}, {}},
                      Mode{"Custom", "1", {std::begin(kSevenOn), std::end(kSevenOn)}, {}},
                      Mode{"FolderC", "2", {"0", "0", "0", "0", "0", "0", "0"}, {"C:\\"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace morvane

namespace morvane {
namespace {

// The records work on a real system: traces of one documented program, planted
// where its write-ups put them, are all found by a Custom Scan.
TEST_F(CleanSystemScan, PlantedTracesAreFound) {
  const Text programs = app.folders.txtProgramsDir, cookies = app.folders.txtCookies;
  const Text folder = programs + "\\ISTbar", dll = folder + "\\istbarcm.dll", cookie = cookies + "\\user@doubleclick[1].txt";
  const char* runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  CreateDirectoryA(folder.c_str(), nullptr);
  CreateDirectoryA(cookies.c_str(), nullptr);
  for (const Text& f : {dll, cookie}) std::ofstream(f, std::ios::binary) << "x";
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\ISTbar", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, runKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  RegSetValueExA(key, "Trickler", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
  RegCloseKey(key);

  app.lstSettingsFile[9] = "1";
  app.lstCustomScanSettings.assign(7, "1");
  ScanEngine engine(ctx, app, view);
  engine.StartScan();

  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\ISTbar");
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, runKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    RegDeleteValueA(key, "Trickler");
    RegCloseKey(key);
  }
  DeleteFileA(dll.c_str());
  DeleteFileA(cookie.c_str());
  RemoveDirectoryA(folder.c_str());

  std::vector<std::pair<Text, Text>> found;
  for (const auto& r : app.lstScanResult.Rows()) found.emplace_back(r.text, r.SubItems(2));
  const std::vector<std::pair<Text, Text>> expected = {
      {"regval", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run,Trickler"},
      {"path", dll},
      {"folder", folder},
      {"file", dll},
      {"regkey", "HKEY_CURRENT_USER\\Software\\ISTbar"},
      {"regs", "HKEY_CURRENT_USER\\Software\\ISTbar"},
      {"cookie", "user@doubleclick[1].txt"}};
  for (const auto& e : expected)
    EXPECT_NE(std::find(found.begin(), found.end(), e), found.end()) << e.first << " " << e.second;
}

}  // namespace
}  // namespace morvane
