// The registry editor's export format as the simulated machine imports it
// (restore of a quarantined key): any file imports without harm; an export
// of the result imports to itself; a file that passes the restore's
// confinement test changes nothing outside its key, and one that passes the
// comparison with the key's export changes no value the key held.
#include "database/protected.h"
#include "fuzz/fuzz_input.h"
#include "platform/simulated/machine.h"

using namespace morvane;

namespace {
std::string Export(IRegistry& reg, const Text& key) {
  std::string out;
  return sim::ExportRegistry(reg, key, out) ? out : std::string("<none>");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const bool wide = in.Flag();
  std::string file = in.Rest();
  if (wide) {
    // The editor writes UTF-16 with a byte order mark.
    std::string w = "\xff\xfe";
    for (char c : file) w += std::string{c, '\0'};
    file = w;
  }
  sim::SimulatedMachine machine;
  IRegistry& reg = machine.registry;
  machine.registry.SetStringValue(win::kCurrentUser, "Software\\Bad\\Sub", "v", "x");
  machine.registry.SetStringValue(win::kCurrentUser, "Software\\Good", "keep", "y");
  machine.registry.SetStringValue(win::kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "App",
                                  "app.exe");
  const Text bad = "HKEY_CURRENT_USER\\Software\\Bad";
  const std::string machineBefore = Export(reg, "HKEY_LOCAL_MACHINE");
  const std::string goodBefore = Export(reg, "HKEY_CURRENT_USER\\Software\\Good");
  const bool confined = ExportConfinedTo(file, bad);
  const std::string badBefore = Export(reg, bad);
  const bool changesNothing = ImportChangesNothing(file, badBefore);

  sim::ImportRegistry(reg, file);
  if (confined) {
    FUZZ_CHECK(Export(reg, "HKEY_LOCAL_MACHINE") == machineBefore);
    FUZZ_CHECK(Export(reg, "HKEY_CURRENT_USER\\Software\\Good") == goodBefore);
    if (changesNothing) FUZZ_CHECK(ImportChangesNothing(badBefore, Export(reg, bad)));
  }
  // What the editor exports, it imports back unchanged.
  const std::string exported = Export(reg, "HKEY_CURRENT_USER");
  if (exported != "<none>") {
    FUZZ_CHECK(ExportConfinedTo(exported, "HKEY_CURRENT_USER"));
    sim::ImportRegistry(reg, exported);
    FUZZ_CHECK(Export(reg, "HKEY_CURRENT_USER") == exported);
  }
  return 0;
}
