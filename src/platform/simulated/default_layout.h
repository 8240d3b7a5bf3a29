// A default Windows layout for the simulated machine: system folders, one
// user profile, the shell folders key and the program files folder.
#pragma once
#include "platform/winapi_types.h"

namespace morvane::sim {

class SimulatedMachine;

inline constexpr const char* kDefaultProfile = "C:\\Documents and Settings\\User";

void InstallDefaultWindowsLayout(SimulatedMachine& machine);

}  // namespace morvane::sim
