// Ignore entries: load from the file, the ignore test, adding result rows,
// the list screen and deleting. Deleting nothing keeps every object ignored
// that was ignored before; a deleted entry's object is no longer ignored
// through it.
#include "fuzz/fuzz_input.h"
#include "platform/simulated/machine.h"
#include "store/ignore_list.h"
#include "store/settings.h"

using namespace morvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const std::string file = in.Text();
  sim::SimulatedMachine machine;
  Context ctx(machine.os());
  AppState app;
  app.programFolder = "C:\\Morvane";
  machine.files.AddFile("C:\\Morvane\\Settings\\IgnoreList.stg", file);
  SettingsStore store(ctx, app);
  store.LoadFiles("\\Settings\\", "IgnoreList.stg", app.lstIgnoreListFile);

  // Result rows from the input, some ticked, to add.
  for (int i = 0; i < 4 && !in.Empty(); ++i) {
    // A type is a record's first field: it holds no "|".
    Text type = in.Text();
    std::erase(type, '|');
    ListItem& row = app.lstScanResult.Add(type);
    for (int s = 1; s <= 3; ++s) row.SubItems(s) = in.Text();
    row.checked = in.Flag();
  }
  IgnoreList list(ctx, app, [&] { store.SaveData(); });
  // A row whose entry holds a line break is refused (a line cannot keep it);
  // every other ticked row is ignored from now on.
  const IgnoreList::Added added = list.IgnoreChecked();
  size_t refused = 0;
  for (const auto& row : app.lstScanResult.Rows()) {
    if (!row.checked) continue;
    if (IgnoreEntry(row).find_first_of("\r\n") != Text::npos) ++refused;
    else FUZZ_CHECK(ObjectIgnored(ctx, app.lstIgnoreListFile, row.SubItems(2)));
  }
  FUZZ_CHECK(added.refused == refused);

  list.LoadIgnoredToList();
  FUZZ_CHECK(list.lstIgnoreList.Count() == app.lstIgnoreListFile.size());
  // The scan's prepared test agrees with the plain one, also for objects
  // made of the input and of pieces of the entries.
  const IgnoreIndex index(app.lstIgnoreListFile);
  std::vector<Text> probes = {in.Text(), in.Text(), ""};
  for (const Text& e : app.lstIgnoreListFile) probes.push_back(e.substr(e.size() / 3, e.size() / 2));
  for (const Text& o : probes) FUZZ_CHECK(index.Ignored(ctx, o) == ObjectIgnored(ctx, app.lstIgnoreListFile, o));
  // Nothing ticked: every entry stays as written.
  const ListBox before = app.lstIgnoreListFile;
  list.DeleteSelected();
  FUZZ_CHECK(app.lstIgnoreListFile == before);

  // Delete the ticked ones: what is left is what was not ticked.
  ListBox kept;
  for (size_t i = 0; i < list.lstIgnoreList.Count(); ++i) {
    auto& row = list.lstIgnoreList.Rows()[i];
    row.checked = in.Flag();
    if (!row.checked) kept.push_back(before[i]);
  }
  list.DeleteSelected();
  FUZZ_CHECK(app.lstIgnoreListFile == kept);
  FUZZ_CHECK(list.lstIgnoreList.Count() == kept.size());
  return 0;
}
