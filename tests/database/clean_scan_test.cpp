// The shipped database on a freshly made Windows installation: every scan mode
// walks all of its records and finds nothing. Run in a new Wine prefix; the
// enciphered database is named by MORVANE_DB (a Windows path).
#include <windows.h>

#include <gtest/gtest.h>

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
  if (!mode.folders.empty() || mode.options[0] == "1") EXPECT_GT(app.lstHDDItems.Count(), 1000u);
  if (mode.options.size() > 5 && mode.options[5] == "1") EXPECT_GT(app.lstRegScan.Count(), 1000u);
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
