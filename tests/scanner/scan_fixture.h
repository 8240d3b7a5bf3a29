// A simulated Windows machine with the program's tables, ready to scan.
#pragma once
#include <gtest/gtest.h>

#include "database/folders.h"
#include "platform/simulated/machine.h"
#include "scanner/scan_engine.h"

namespace morvane::testing {

inline const Text kCookies = Text(sim::kDefaultProfile) + "\\Cookies";

class ScanFixture : public ::testing::Test {
 protected:
  ScanFixture() : machine(sim::SimulatedMachine::WindowsLayout{}), ctx(machine.os()) {
    DiscoverFolders(ctx, app.folders);
    app.lstSettingsFile.assign(12, "0");
    app.lstCustomScanSettings.assign(7, "0");
    app.lstDBaseFile.Add("Version 1");
  }
  void Mode(const Text& m) { app.lstSettingsFile[9] = m; }
  void Options(std::initializer_list<int> on) {
    app.lstCustomScanSettings.assign(7, "0");
    for (int i : on) app.lstCustomScanSettings[size_t(i)] = "1";
  }
  void Db(std::initializer_list<Text> records) {
    for (const Text& r : records) app.lstDBaseFile.Add(r);
  }
  void Scan() {
    ScanEngine engine(ctx, app, view);
    engine.StartScan();
  }
  Text C(Counter c) { return app.counter(c); }
  std::vector<Text> Objects(const ListView& t) {
    std::vector<Text> out;
    for (const auto& r : t.Rows()) out.push_back(r.SubItems(2));
    return out;
  }

  sim::SimulatedMachine machine;
  Context ctx;
  AppState app;
  NullScanView view;
};

}  // namespace morvane::testing
