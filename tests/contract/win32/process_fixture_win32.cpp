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
