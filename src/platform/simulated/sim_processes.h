// Simulated process table with top-level and child windows, and programs
// that tests register for CreateProcess (they run inside Launch).
#pragma once
#include <functional>
#include <map>
#include <vector>

#include "platform/services.h"
#include "platform/simulated/sim_faults.h"

namespace morvane::sim {

class SimProcesses : public IProcesses {
 public:
  using Program = std::function<uint32_t(const Text& commandLine)>;

  struct Process {
    uint32_t pid = 0;
    Text exeFile;
    Text imagePath;  // empty: the path cannot be read
    bool running = true;
    uint32_t exitCode = 259;  // STILL_ACTIVE
    bool closesOnWmClose = true;
  };
  struct Window {
    win::HWnd hwnd = 0;
    uint32_t pid = 0;
    win::HWnd parent = 0;  // 0 = top-level
  };

  // A running process; returns its id. Windows are added with AddWindow.
  // A full path gives the image path and the snapshot's name after its last
  // "\"; a bare name gives a process whose image path cannot be read.
  uint32_t AddProcess(const Text& program, bool closesOnWmClose = true);
  // A window of pid; parent 0 makes it top-level.
  win::HWnd AddWindow(uint32_t pid, win::HWnd parent = 0);
  bool IsRunning(uint32_t pid);
  void EndProcessNow(uint32_t pid, uint32_t exitCode = 0);
  void EndAll();
  // Program run by Launch when the command line's first token names exeName.
  void RegisterProgram(const Text& exeName, Program run);
  size_t OpenHandleCount() const { return handles_.size(); }
  // The power and fault switches the machine shares among its services.
  void UseFaults(SimFaults& faults) { faults_ = &faults; }
  // The machine starts again: handles are gone, and so is every process.
  void Restart();

  OsVersion version;
  bool snapshotFails = false;
  std::vector<Text> launched;
  std::vector<std::pair<win::HWnd, uint32_t>> posted;  // window, message

  win::Handle CreateSnapshot(uint32_t flags, uint32_t processId) override;
  bool FirstProcess(win::Handle snapshot, ProcessEntry& entry) override;
  bool NextProcess(win::Handle snapshot, ProcessEntry& entry) override;
  bool ImagePath(uint32_t processId, Text& path) override;
  bool GetVersionInfo(OsVersion& v) override;
  win::HWnd DesktopWindow() override { return kDesktop; }
  win::HWnd GetWindow(win::HWnd window, uint32_t command) override;
  win::HWnd GetParent(win::HWnd window) override;
  uint32_t WindowProcessId(win::HWnd window) override;
  bool Post(win::HWnd window, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  win::Handle OpenProcess(uint32_t access, bool inherit, uint32_t processId) override;
  bool TerminateProcess(win::Handle process, uint32_t exitCode) override;
  win::Handle Launch(const Text& commandLine, uint16_t show) override;
  uint32_t Wait(win::Handle h, uint32_t milliseconds) override;
  bool CloseHandle(win::Handle h) override;

  static constexpr win::HWnd kDesktop = 0x10010;
  // The program name a command line starts with (quotes removed, folder dropped).
  static Text ProgramName(const Text& commandLine);

 private:
  struct HandleInfo {
    enum Kind { kSnapshot, kProcess } kind;
    uint32_t pid = 0;
    uint32_t access = 0;
    std::vector<ProcessEntry> entries;
    size_t next = 0;
  };
  Process* Find(uint32_t pid);
  bool Mutate(const char* operation) { return !faults_ || faults_->Mutate(operation); }
  bool Read(const char* operation) { return !faults_ || faults_->Read(operation); }
  SimFaults* faults_ = nullptr;
  void RemoveWindowsOf(uint32_t pid);
  void Forget(uint32_t pid);
  // Posted close requests take effect when the poster next looks.
  void FlushPosted();
  std::vector<uint32_t> pendingEnd_;

  std::vector<Process> processes_;
  std::vector<Window> windows_;  // z-order: first is the top
  std::map<Text, Program> programs_;  // by upper-cased name
  std::map<win::Handle, HandleInfo> handles_;
  uint32_t nextPid_ = 1000;
  win::HWnd nextHwnd_ = 0x20000;
  win::Handle nextHandle_ = 0x500;
};

}  // namespace morvane::sim
