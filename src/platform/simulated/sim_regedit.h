// The registry editor of the simulated machine: "regedit /e FILE [KEY]"
// exports in the editor's format (UTF-16LE with BOM, "Windows Registry Editor
// Version 5.00"), "regedit [/c] /s FILE" imports that format or REGEDIT4.
#pragma once
#include <string>

#include "platform/services.h"

namespace morvane::sim {

class SimulatedMachine;
class SimFaults;

// Registers "regedit.exe" as a program ShellAndWait can run on the machine.
void InstallRegedit(SimulatedMachine& machine);

// One run of the editor over any registry and file system: "regedit /e FILE
// [KEY]" or "regedit [/c] /s FILE"; 0 on success, 1 otherwise. With faults,
// the import or export counts as one change of the machine.
uint32_t RunRegedit(IRegistry& registry, IFileSystem& files, const Text& commandLine, SimFaults* faults = nullptr);

// The export of a key tree ("HKEY_...\path", or every root when empty) as file bytes.
bool ExportRegistry(IRegistry& reg, const Text& keyPath, std::string& file);
// Applies an export file; false when the file is not in a known format.
bool ImportRegistry(IRegistry& reg, const std::string& file);

}  // namespace morvane::sim
