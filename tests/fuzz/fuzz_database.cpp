// The database file: loading and deciphering on the machine, the record
// split, the checks of morvane-db and Tessarin, and the cipher round trip.
#define MORVANE_DB_NO_MAIN
#include "database/tool/morvane_db.cpp"

#include "database/database.h"
#include "store/app_state.h"
#include "fuzz/fuzz_input.h"
#include "platform/simulated/machine.h"

using namespace morvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);

  std::ostringstream out, err;
  const int rc = CheckContent(content, "DataBase.ref", out, err);
  const DatabaseReport report = CheckDatabaseFile(content);
  Text why;
  // What Tessarin would install holds records.
  if (IsDatabase(report, why)) FUZZ_CHECK(report.records > 0);
  FUZZ_CHECK((rc == 0) == report.problems.empty() || SplitTextLines(content).empty());

  sim::SimulatedMachine machine;
  Context ctx(machine.os());
  AppState app;
  app.programFolder = "C:\\Morvane";
  machine.files.AddFile("C:\\Morvane\\DataBase.ref", content);
  DatabaseLoader loader(ctx, app.programFolder, app.lstDBaseFile);
  FUZZ_CHECK(loader.DatabaseExists());
  loader.LoadDatabase();
  const std::vector<Text> lines = SplitTextLines(content);
  FUZZ_CHECK(app.lstDBaseFile.Count() == lines.size());
  for (size_t i = 1; i <= app.lstDBaseFile.Count(); ++i) {
    const Text& entry = app.lstDBaseFile.Item(i).text;
    FUZZ_CHECK(entry == modCrypt::DecryptString(lines[i - 1], kDatabaseKey));
    const auto fields = SplitRecord(entry);
    FUZZ_CHECK(fields[0].size() + fields[1].size() + fields[2].size() + fields[3].size() <= entry.size());
    RecordType(entry);
    // Every text whose enciphered codes stay in range comes back.
    const Text enciphered = modCrypt::EncryptString(entry, kDatabaseKey);
    if (enciphered.size() == entry.size()) FUZZ_CHECK(modCrypt::DecryptString(enciphered, kDatabaseKey) == entry);
  }
  return 0;
}
