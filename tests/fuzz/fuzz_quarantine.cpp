// Quarantine packages: item lines (".qnf") and data files (".qit", also
// "regval" records and registry exports) from the input, listed, viewed,
// restored and purged through the real modules on the simulated machine.
// Whatever they say, the Windows folder and the program's own files lose
// nothing, the registry's system keys stay, and every item that was not put
// back stays in its package.
#include <map>

#include "database/folders.h"
#include "fuzz/fuzz_input.h"
#include "platform/simulated/machine.h"
#include "removal/removal_engine.h"

using namespace morvane;

namespace {

std::map<Text, std::string> Files(sim::SimFileSystem& fs, const Text& folder) {
  std::map<Text, std::string> out;
  for (const Text& p : fs.ListTree(folder)) {
    std::string d;
    out[sim::SimFileSystem::Upper(p)] = fs.IsFolder(p) ? "<dir>" : (fs.ReadAll(p, d), d);
  }
  return out;
}

size_t ItemLines(sim::SimFileSystem& fs, const Text& package) {
  size_t n = 0;
  for (const Text& p : fs.ListTree(package))
    if (p.size() > 4 && sim::SimFileSystem::Upper(p.substr(p.size() - 4)) == ".QNF") ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  sim::SimulatedMachine machine(sim::SimulatedMachine::WindowsLayout{});
  Context ctx(machine.os());
  AppState app;
  app.programFolder = "C:\\Program Files\\Morvane";
  DiscoverFolders(ctx, app.folders);
  sim::SimFileSystem& fs = machine.files;
  fs.AddFile("C:\\WINDOWS\\regedit.exe", "MZ");
  fs.AddFile("C:\\WINDOWS\\SYSTEM32\\kernel32.dll", "MZ");
  fs.AddFile(app.programFolder + "\\DataBase.ref", "db");
  fs.AddFile(app.programFolder + "\\Settings\\Settings.stg", "0");
  machine.registry.SetStringValue(win::kLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
                                  "Shell", "Explorer.exe");
  machine.registry.SetStringValue(win::kCurrentUser, "Software\\Bad\\Sub", "v", "x");

  const Text package = app.programFolder + "\\Quarantine\\1-1-2026-0-0-0";
  fs.AddFolder(package);
  for (int i = 0; i < 4 && !in.Empty(); ++i) {
    const Text n = std::to_string(10000 + i);
    fs.AddFile(package + "\\" + n + ".qnf", in.Text());
    const Text dataName = in.Flag() ? n + ".qit" : in.Text();
    // Names the system would read as "." or ".." are not names of files.
    if (dataName.find_first_not_of(". ") != Text::npos && dataName.find_first_of("\\/:") == Text::npos) {
      if (in.Flag()) fs.AddFile(package + "\\" + dataName + "\\inner.txt", in.Text());
      else fs.AddFile(package + "\\" + dataName, in.Text());
    }
  }

  const auto windows = Files(fs, "C:\\WINDOWS");
  const auto program = Files(fs, app.programFolder + "\\Settings");

  RemovalEngine engine(ctx, app);
  engine.ListQuarantine();
  FUZZ_CHECK(engine.lstQuarantinedList.Count() == 1);
  engine.selectedQuarantined = 1;
  engine.ViewPackage();
  engine.SelectAllPackages();
  const size_t before = ItemLines(fs, package);
  const size_t failed = engine.RestoreSelected().failed;
  const size_t left = ItemLines(fs, package);
  FUZZ_CHECK(left == failed);
  FUZZ_CHECK(left <= before);

  auto checkSystem = [&] {
    const auto now = Files(fs, "C:\\WINDOWS");
    for (const auto& [path, bytes] : windows) FUZZ_CHECK(now.count(path) && now.at(path) == bytes);
    FUZZ_CHECK(Files(fs, app.programFolder + "\\Settings") == program);
    std::string db;
    FUZZ_CHECK(fs.ReadAll(app.programFolder + "\\DataBase.ref", db) && db == "db");
    modRegistry reg(ctx);
    FUZZ_CHECK(reg.GetRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
                                     "Shell") == Text("Explorer.exe"));
    FUZZ_CHECK(reg.GetRegistryString(kShellFoldersKey, "AppData").value_or("Error") == app.folders.txtAppData);
  };
  checkSystem();

  engine.ListQuarantine();
  engine.SelectAllPackages();
  engine.PurgeSelected();
  FUZZ_CHECK(engine.lstQuarantinedList.Empty());
  FUZZ_CHECK(fs.IsFolder(app.programFolder + "\\Quarantine"));
  checkSystem();
  return 0;
}
