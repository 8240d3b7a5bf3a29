// The five settings files through LoadFiles and everything that reads their
// lines: statistics raised by one, the kept-backups number (pruning), scan
// mode and custom options, the selected folders, the ignore test. Saving
// what was loaded and loading it again gives the same tables.
#include <algorithm>

#include "fuzz/fuzz_input.h"
#include "platform/simulated/machine.h"
#include "store/ignore_list.h"
#include "store/reg_backups.h"
#include "store/scan_targets.h"
#include "store/settings.h"

using namespace morvane;

namespace {
const char* const kFiles[] = {"Settings.stg", "ScanInfo.stg", "IgnoreList.stg", "SelectedFolders.stg",
                              "CustomScan.stg"};

std::array<ListBox, 5> Tables(const AppState& a) {
  return {a.lstSettingsFile, a.lstScanInfoFile, a.lstIgnoreListFile, a.lstSelectedFolders, a.lstCustomScanSettings};
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const auto parts = fuzz::SplitParts(in.Rest(), "@@@@", 6);
  sim::SimulatedMachine machine;
  Context ctx(machine.os());
  AppState app;
  app.programFolder = "C:\\Morvane";
  for (size_t i = 0; i < 5; ++i) machine.files.AddFile("C:\\Morvane\\Settings\\" + Text(kFiles[i]), parts[i]);
  // Registry backups named from the sixth part, for the pruning.
  machine.files.AddFolder("C:\\Morvane\\Registry Backups");
  for (const std::string& name : fuzz::SplitParts(parts[5], "\n", 8))
    if (!name.empty() && name.find_first_of("\\/:*?") == std::string::npos)
      machine.files.AddFile("C:\\Morvane\\Registry Backups\\" + name + ".reg", "x");

  SettingsStore store(ctx, app);
  store.CheckSettings();
  store.LoadAllFiles();
  const auto loaded = Tables(app);
  FUZZ_CHECK(app.lstSettingsFile.size() >= 11 && app.lstScanInfoFile.size() >= 3 &&
             app.lstCustomScanSettings.size() >= 7);

  for (Text line : app.lstScanInfoFile) RaiseByOne(line);
  const auto checks = CustomOptionChecks(app.lstCustomScanSettings);
  FUZZ_CHECK(CustomOptionLines(checks).size() == kCustomOptionCount);
  ListBox folders;
  for (const Text& f : app.lstSelectedFolders) AddSelectedFolder(folders, f);
  RemoveDuplicates(folders);
  for (const Text& f : app.lstSelectedFolders) FUZZ_CHECK(ObjectIgnored(ctx, {"x|" + f + "|y"}, f));
  ObjectIgnored(ctx, app.lstIgnoreListFile, app.lstSettingsFile[6]);
  PruneRegBackups(ctx, app);

  // Nothing read is lost on the way back: every line comes back where it
  // was, but for empty last lines (the file has no line end after its last
  // line, so an empty one has no line of its own; a short table then takes
  // its default there). The same holds for every further round.
  auto keeps = [](const std::array<ListBox, 5>& before, const std::array<ListBox, 5>& after) {
    for (size_t i = 0; i < before.size(); ++i) {
      ListBox b = before[i];
      while (!b.empty() && b.back().empty()) b.pop_back();
      FUZZ_CHECK(after[i].size() >= b.size() && std::equal(b.begin(), b.end(), after[i].begin()));
    }
  };
  auto previous = loaded;
  for (int round = 0; round < 3; ++round) {
    store.SaveData();
    store.LoadAllFiles();
    keeps(previous, Tables(app));
    previous = Tables(app);
  }
  return 0;
}
