#include "contract/process_fixture.h"
#include "platform/simulated/sim_processes.h"

namespace morvane::contract {

namespace {
sim::SimProcesses& Sim(MachineFixture& m) { return dynamic_cast<sim::SimProcesses&>(m.os().processes); }
}  // namespace

bool SetReportedVersion(MachineFixture& m, const OsVersion& version) {
  Sim(m).version = version;
  return true;
}

long OpenHandles(MachineFixture& m) { return long(Sim(m).OpenHandleCount()); }

}  // namespace morvane::contract

namespace morvane::contract {
Text QuickProgramCommand(MachineFixture& m) {
  Sim(m).RegisterProgram("quick.exe", [](const Text&) { return 0u; });
  return "\"C:\\Program Files\\quick.exe\" --child exit 0";
}
}  // namespace morvane::contract
