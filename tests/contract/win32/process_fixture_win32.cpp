#include <windows.h>

#include "contract/process_fixture.h"

namespace morvane::contract {

bool SetReportedVersion(MachineFixture&, const OsVersion&) { return false; }

long OpenHandles(MachineFixture&) {
  DWORD count = 0;
  if (!GetProcessHandleCount(GetCurrentProcess(), &count)) return -1;
  return long(count);
}

}  // namespace morvane::contract

namespace morvane::contract {
Text QuickProgramCommand(MachineFixture& m) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  Text exe = m.ScratchFolder() + "\\quick.exe";
  CopyFileA(self, exe.c_str(), FALSE);
  return "\"" + exe + "\" --child exit 0";
}
}  // namespace morvane::contract
