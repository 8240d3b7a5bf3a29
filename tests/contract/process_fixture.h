// Process setup that only one backend can offer.
#pragma once
#include "contract/fixture.h"

namespace morvane::contract {

// Makes GetVersionExA report this version; false when the backend cannot.
bool SetReportedVersion(MachineFixture& m, const OsVersion& version);
// Handles this program holds open now (the simulated machine counts its own
// process and snapshot handles).
long OpenHandles(MachineFixture& m);

}  // namespace morvane::contract

namespace morvane::contract {
// A command line naming a program that ends at once by itself.
Text QuickProgramCommand(MachineFixture& m);
}  // namespace morvane::contract
