// The same installation planted twice, as a mounted tree with its hives and
// as a simulated machine: the engine finds exactly the same in every mode.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "database/folders.h"
#include "offline/planted.h"
#include "platform/offline/machine.h"
#include "platform/offline/offline_text.h"
#include "platform/simulated/machine.h"
#include "scanner/scan_engine.h"

namespace morvane::offline_test {
namespace {

namespace fs = std::filesystem;

struct PlantedFile {
  const char* path;
  const char* content;
  uint32_t attributes;
};
const PlantedFile kFiles[] = {
    {"C:\\WINDOWS\\system32\\spy.dll", "spy", win::kAttrArchive},
    {"C:\\WINDOWS\\system32\\Hidden.exe", "h", win::kAttrHidden | win::kAttrArchive},
    {"C:\\WINDOWS\\system32\\sys.dll", "sys", win::kAttrSystem},
    {"C:\\WINDOWS\\ro.exe", "r", win::kAttrReadOnly},
    {"C:\\Program Files\\SpyBar\\bar.dll", "bar", win::kAttrArchive},
    {"C:\\Program Files\\SpyBar\\Data\\log.txt", "", win::kAttrArchive},
    {"C:\\Program Files\\Good\\good.exe", "good", win::kAttrArchive},
    {"C:\\Documents and Settings\\Alice\\Cookies\\alice@adserver[1].txt", "c", win::kAttrArchive},
    {"C:\\Documents and Settings\\Alice\\Cookies\\alice@good[2].txt", "c", win::kAttrArchive},
    {"C:\\Documents and Settings\\Alice\\Application Data\\Spy\\conf.ini", "ini", win::kAttrArchive},
    {"C:\\Documents and Settings\\Alice\\Start Menu\\Programs\\SpyBar.lnk", "lnk", win::kAttrArchive},
    {"C:\\setup.exe", "setup", win::kAttrArchive},
};

const char* const kDatabase[] = {
    "path|C:\\WINDOWS\\SYSTEM32\\SPY.DLL|Spyware|http://info/1",
    "path|%WinDir%\\ro.exe|Adware|",
    "path|C:\\WINDOWS\\system32\\hidden.exe|Trojan|",
    "path|C:\\WINDOWS\\system32\\sys.dll|Trojan|",
    "path|C:\\nothere.exe|Spyware|",
    "fold|C:\\Program Files\\spybar|Spyware|",
    "fold|%AppData%\\Spy|Spyware|",
    "fold|C:\\Program Files\\Missing|Spyware|",
    "file|setup.exe|Dropper|",
    "file|spy*.*|Spyware|",
    "regk|HKEY_LOCAL_MACHINE\\SOFTWARE\\SpyBar|Spyware|",
    "regk|HKEY_CURRENT_USER\\Software\\spybar\\TOOLBAR|Spyware|",
    "regk|HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\SpySvc|Trojan|",
    "regk|HKEY_CURRENT_USER\\Software\\Nothing|Spyware|",
    "regv|HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run,SpyBar|Spyware|",
    "regv|HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run,spy|Spyware|",
    "regv|HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run,Empty|Spyware|",
    "cook|adserver|Tracking Cookie|",
    "regs|SpyBar|Spyware|",
    "regs|SpySvc|Trojan|",
};

struct Outcome {
  ListView results, manual;
  std::array<Text, kCounterCount> counters;
  ListBox cache;
  size_t listed = 0, keys = 0;
};

Outcome Scan(Platform& os, const Text& mode) {
  Context ctx(os);
  AppState app;
  DiscoverFolders(ctx, app.folders);
  app.lstSettingsFile.assign(12, "0");
  app.lstSettingsFile[9] = mode;
  app.lstCustomScanSettings.assign(7, "1");
  app.lstSelectedFolders = {"C:\\Program Files", "C:\\WINDOWS"};
  app.lstDBaseFile.Add("Version 1");
  for (const char* r : kDatabase) app.lstDBaseFile.Add(r);
  NullScanView view;
  ScanEngine(ctx, app, view).StartScan();
  return Outcome{app.lstScanResult, app.lstIremovable, app.counters, app.lstCache, app.lstHDDItems.Count(),
                 app.lstRegScan.Count()};
}

// The hive content in the simulated registry: strings back in 1252, keys below their roots.
void Load(sim::SimRegistry& reg, win::HKey root, const std::string& prefix, const HiveContent& c) {
  for (const auto& k : c.keys) reg.CreateKeyPath(root, prefix + k);
  for (const auto& v : c.values) {
    bool text = v.type == win::kRegSz || v.type == win::kRegExpandSz;
    reg.SetRawValue(root, prefix + v.key, v.name, v.type,
                    text ? offline::FromUtf16(v.bytes.data(), v.bytes.size()) : v.bytes);
  }
}

TEST(OfflineEquivalence, ScansFindWhatTheSimulatedMachineFindsInEveryMode) {
  HiveContent sw, sys, user;
  sw.Key("SpyBar\\Settings").String("Microsoft\\Windows\\CurrentVersion\\Run", "SpyBar", "C:\\Program Files\\SpyBar\\bar.exe");
  sys.String("ControlSet001\\Services\\SpySvc", "ImagePath", "system32\\drivers\\spy.sys", 2);
  const std::string shell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  user.String("Software\\SpyBar\\Toolbar", "Id", "7")
      .String("Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Spy", "spy.exe")
      .String("Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Empty", "")
      .String(shell, "AppData", std::string(PlantedInstall::kProfile) + "\\Application Data")
      .String(shell, "Start Menu", std::string(PlantedInstall::kProfile) + "\\Start Menu");
  PlantedInstall p(sw, sys, user);
  ASSERT_TRUE(p.ok());
  offline::OfflineMachine disk(p.Root(), PlantedInstall::kUser);
  sim::SimulatedMachine machine;

  for (const std::string& folder : PlantedInstall::Folders()) {
    Text path = "C:\\" + folder;
    std::replace(path.begin(), path.end(), '/', '\\');
    machine.files.AddFolder(path);
  }
  for (const PlantedFile& f : kFiles) {
    Text path = f.path;
    std::string host = p.Root() + "/" + path.substr(3);
    std::replace(host.begin(), host.end(), '\\', '/');
    fs::create_directories(fs::path(host).parent_path());
    std::ofstream(host, std::ios::binary) << f.content;
    ASSERT_TRUE(disk.files.SetAttributes(path, f.attributes)) << path;
    ASSERT_TRUE(machine.files.AddFile(path, f.content, f.attributes));
  }
  // The hive files are files of the disk too.
  for (const char* hive : {"C:\\WINDOWS\\system32\\config\\SOFTWARE", "C:\\WINDOWS\\system32\\config\\SYSTEM",
                           "C:\\Documents and Settings\\Alice\\NTUSER.DAT"}) {
    std::string bytes;
    ASSERT_TRUE(disk.files.ReadAll(hive, bytes));
    machine.files.AddFile(hive, bytes, disk.files.GetAttributes(hive));
  }
  PlantedInstall::AddBaseline(sw, sys, user);
  Load(machine.registry, win::kLocalMachine, "SOFTWARE\\", sw);
  Load(machine.registry, win::kLocalMachine, "SYSTEM\\", sys);
  Load(machine.registry, win::kCurrentUser, "", user);
  machine.system.systemDir = disk.system.systemDir;
  machine.system.windowsDir = disk.system.windowsDir;
  machine.system.tempPath = disk.system.tempPath;

  for (const char* mode : {"0", "1", "2"}) {
    SCOPED_TRACE(std::string("mode ") + mode);
    Outcome want = Scan(machine.os(), mode), got = Scan(disk.os(), mode);
    EXPECT_EQ(got.results, want.results);
    EXPECT_EQ(got.manual, want.manual);
    EXPECT_EQ(got.counters, want.counters);
    EXPECT_EQ(got.cache, want.cache);
    EXPECT_EQ(got.listed, want.listed);
    EXPECT_EQ(got.keys, want.keys);
    // The database must find something in each mode, or the comparison proves little.
    EXPECT_GE(want.results.Count() + want.manual.Count(), 2u);
  }
}

}  // namespace
}  // namespace morvane::offline_test
