// Simulated process table and top-level windows. (Placeholder.)
#pragma once
#include "platform/services.h"

namespace morvane::sim {

class SimProcesses : public IProcesses {
 public:
  win::Handle CreateSnapshot(uint32_t, uint32_t) override { return 0; }
  bool FirstProcess(win::Handle, ProcessEntry&) override { return false; }
  bool NextProcess(win::Handle, ProcessEntry&) override { return false; }
  bool GetVersionInfo(OsVersion& v) override { v = OsVersion{}; return true; }
  win::HWnd DesktopWindow() override { return 0; }
  win::HWnd GetWindow(win::HWnd, uint32_t) override { return 0; }
  win::HWnd GetParent(win::HWnd) override { return 0; }
  uint32_t WindowProcessId(win::HWnd) override { return 0; }
  bool Post(win::HWnd, uint32_t, uintptr_t, intptr_t) override { return false; }
  win::Handle OpenProcess(uint32_t, bool, uint32_t) override { return 0; }
  bool TerminateProcess(win::Handle, uint32_t) override { return false; }
  win::Handle Launch(const Text&, uint16_t) override { return 0; }
  uint32_t Wait(win::Handle, uint32_t) override { return win::kWaitFailed; }
  bool CloseHandle(win::Handle) override { return false; }
};

}  // namespace morvane::sim
