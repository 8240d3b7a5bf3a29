// Processes and windows through kernel32 and user32, ANSI forms.
#pragma once
#include "platform/services.h"

namespace morvane::w32 {

class Win32Processes : public IProcesses {
 public:
  win::Handle CreateSnapshot(uint32_t flags, uint32_t processId) override;
  bool FirstProcess(win::Handle snapshot, ProcessEntry& entry) override;
  bool NextProcess(win::Handle snapshot, ProcessEntry& entry) override;
  bool ImagePath(uint32_t processId, Text& path) override;
  bool GetVersionInfo(OsVersion& v) override;
  win::HWnd DesktopWindow() override;
  win::HWnd GetWindow(win::HWnd window, uint32_t command) override;
  win::HWnd GetParent(win::HWnd window) override;
  uint32_t WindowProcessId(win::HWnd window) override;
  bool Post(win::HWnd window, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  win::Handle OpenProcess(uint32_t access, bool inherit, uint32_t processId) override;
  bool TerminateProcess(win::Handle process, uint32_t exitCode) override;
  win::Handle Launch(const Text& commandLine, uint16_t show) override;
  uint32_t Wait(win::Handle h, uint32_t milliseconds) override;
  bool CloseHandle(win::Handle h) override;
};

}  // namespace morvane::w32
