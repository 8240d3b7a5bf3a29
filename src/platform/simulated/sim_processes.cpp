#include "platform/simulated/sim_processes.h"

#include <algorithm>

#include "platform/simulated/sim_files.h"

namespace morvane::sim {

uint32_t SimProcesses::AddProcess(const Text& program, bool closesOnWmClose) {
  Process p;
  p.pid = (nextPid_ += 4);
  const size_t slash = program.rfind('\\');
  p.exeFile = slash == Text::npos ? program : program.substr(slash + 1);
  if (slash != Text::npos) p.imagePath = program;
  p.closesOnWmClose = closesOnWmClose;
  processes_.push_back(p);
  return p.pid;
}

win::HWnd SimProcesses::AddWindow(uint32_t pid, win::HWnd parent) {
  win::HWnd h = (nextHwnd_ += 2);
  windows_.push_back({h, pid, parent});
  return h;
}

SimProcesses::Process* SimProcesses::Find(uint32_t pid) {
  for (auto& p : processes_)
    if (p.pid == pid) return &p;
  return nullptr;
}

bool SimProcesses::IsRunning(uint32_t pid) {
  FlushPosted();
  for (const auto& p : processes_)
    if (p.pid == pid) return p.running;
  return false;
}

void SimProcesses::RemoveWindowsOf(uint32_t pid) {
  windows_.erase(std::remove_if(windows_.begin(), windows_.end(), [&](const Window& w) { return w.pid == pid; }),
                 windows_.end());
}

void SimProcesses::EndProcessNow(uint32_t pid, uint32_t exitCode) {
  if (Process* p = Find(pid); p && p->running) {
    p->running = false;
    p->exitCode = exitCode;
    RemoveWindowsOf(pid);
    Forget(pid);
  }
}

void SimProcesses::EndAll() {
  pendingEnd_.clear();
  std::vector<uint32_t> pids;
  for (const auto& p : processes_) pids.push_back(p.pid);
  for (uint32_t pid : pids) EndProcessNow(pid, 0);
}

// An ended process that no handle refers to is gone from the table, as on
// the real system: a long run does not keep every process it ever started.
void SimProcesses::Forget(uint32_t pid) {
  if (Process* p = Find(pid); !p || p->running) return;
  for (const auto& [h, info] : handles_)
    if (info.kind == HandleInfo::kProcess && info.pid == pid) return;
  processes_.erase(std::find_if(processes_.begin(), processes_.end(), [&](const Process& q) { return q.pid == pid; }));
}

void SimProcesses::RegisterProgram(const Text& exeName, Program run) {
  programs_[SimFileSystem::Upper(exeName)] = std::move(run);
}

win::Handle SimProcesses::CreateSnapshot(uint32_t, uint32_t) {
  FlushPosted();
  if (snapshotFails || !Read("CreateSnapshot")) return 0;
  HandleInfo info{HandleInfo::kSnapshot, 0, 0, {}, 0};
  for (const auto& p : processes_)
    if (p.running) info.entries.push_back({p.pid, p.exeFile});
  win::Handle h = (nextHandle_ += 4);
  handles_[h] = std::move(info);
  return h;
}

bool SimProcesses::FirstProcess(win::Handle snapshot, ProcessEntry& entry) {
  auto it = handles_.find(snapshot);
  if (it == handles_.end() || it->second.kind != HandleInfo::kSnapshot) return false;
  it->second.next = 0;
  return NextProcess(snapshot, entry);
}

bool SimProcesses::NextProcess(win::Handle snapshot, ProcessEntry& entry) {
  auto it = handles_.find(snapshot);
  if (it == handles_.end() || it->second.kind != HandleInfo::kSnapshot) return false;
  auto& info = it->second;
  if (info.next >= info.entries.size()) return false;
  entry = info.entries[info.next++];
  return true;
}

bool SimProcesses::ImagePath(uint32_t processId, Text& path) {
  FlushPosted();
  path.clear();
  Process* p = Find(processId);
  if (!p || !p->running || p->imagePath.empty()) return false;
  path = p->imagePath;
  return true;
}

bool SimProcesses::GetVersionInfo(OsVersion& v) {
  v = version;
  return true;
}

win::HWnd SimProcesses::GetWindow(win::HWnd window, uint32_t command) {
  // The desktop's children are the top-level windows, then child windows are
  // below their parents; GW_HWNDNEXT walks siblings of the same parent.
  if (command == win::kGwChild) {
    for (const auto& w : windows_)
      if ((window == kDesktop && w.parent == 0) || (window != kDesktop && w.parent == window)) return w.hwnd;
    return 0;
  }
  if (command == win::kGwHwndNext) {
    auto it = std::find_if(windows_.begin(), windows_.end(), [&](const Window& w) { return w.hwnd == window; });
    if (it == windows_.end()) return 0;
    win::HWnd parent = it->parent;
    for (++it; it != windows_.end(); ++it)
      if (it->parent == parent) return it->hwnd;
  }
  return 0;
}

win::HWnd SimProcesses::GetParent(win::HWnd window) {
  for (const auto& w : windows_)
    if (w.hwnd == window) return w.parent;
  return 0;
}

uint32_t SimProcesses::WindowProcessId(win::HWnd window) {
  for (const auto& w : windows_)
    if (w.hwnd == window) return w.pid;
  return 0;
}

bool SimProcesses::Post(win::HWnd window, uint32_t message, uintptr_t, intptr_t) {
  if (!Read("Post")) return false;
  auto it = std::find_if(windows_.begin(), windows_.end(), [&](const Window& w) { return w.hwnd == window; });
  if (it == windows_.end()) return false;
  posted.push_back({window, message});
  uint32_t pid = it->pid;
  // A program that honours WM_CLOSE (or WM_ENDSESSION) ends; the window list changes after the post.
  if (Process* p = Find(pid); p && p->running && p->closesOnWmClose &&
                              (message == win::kWmClose || message == win::kWmEndSession))
    pendingEnd_.push_back(pid);
  return true;
}

win::Handle SimProcesses::OpenProcess(uint32_t access, bool, uint32_t processId) {
  FlushPosted();
  if (!Read("OpenProcess")) return 0;
  Process* p = Find(processId);
  if (!p) return 0;
  // An ended process stays reachable only while some handle still refers to it.
  if (!p->running && std::none_of(handles_.begin(), handles_.end(), [&](const auto& e) {
        return e.second.kind == HandleInfo::kProcess && e.second.pid == processId;
      }))
    return 0;
  win::Handle h = (nextHandle_ += 4);
  handles_[h] = HandleInfo{HandleInfo::kProcess, processId, access, {}, 0};
  return h;
}

bool SimProcesses::TerminateProcess(win::Handle process, uint32_t exitCode) {
  auto it = handles_.find(process);
  if (it == handles_.end() || it->second.kind != HandleInfo::kProcess ||
      !(it->second.access & win::kProcessTerminate))
    return false;
  Process* p = Find(it->second.pid);
  if (!p || !p->running || !Mutate("TerminateProcess")) return false;
  EndProcessNow(p->pid, exitCode);
  return true;
}

Text SimProcesses::ProgramName(const Text& commandLine) {
  size_t b = commandLine.find_first_not_of(' ');
  if (b == Text::npos) return Text();
  Text first;
  if (commandLine[b] == '"') {
    size_t e = commandLine.find('"', b + 1);
    first = commandLine.substr(b + 1, e == Text::npos ? Text::npos : e - b - 1);
  } else {
    size_t e = commandLine.find(' ', b);
    first = commandLine.substr(b, e == Text::npos ? Text::npos : e - b);
  }
  size_t s = first.find_last_of('\\');
  return s == Text::npos ? first : first.substr(s + 1);
}

win::Handle SimProcesses::Launch(const Text& commandLine, uint16_t) {
  if (!Read("Launch")) return 0;
  launched.push_back(commandLine);
  Text name = SimFileSystem::Upper(ProgramName(commandLine));
  auto it = programs_.find(name);
  if (it == programs_.end() && name.find('.') == Text::npos) it = programs_.find(name + ".EXE");
  if (it == programs_.end()) return 0;
  uint32_t pid = AddProcess(ProgramName(commandLine));
  uint32_t code = it->second(commandLine);
  EndProcessNow(pid, code);
  win::Handle h = (nextHandle_ += 4);
  handles_[h] = HandleInfo{HandleInfo::kProcess, pid, win::kSynchronize | win::kProcessTerminate, {}, 0};
  return h;
}

uint32_t SimProcesses::Wait(win::Handle h, uint32_t) {
  FlushPosted();
  auto it = handles_.find(h);
  if (it == handles_.end() || it->second.kind != HandleInfo::kProcess) return win::kWaitFailed;
  // Processes in the table never end by themselves: a running one times out.
  return IsRunning(it->second.pid) ? win::kWaitTimeout : win::kWaitObject0;
}

bool SimProcesses::CloseHandle(win::Handle h) {
  auto it = handles_.find(h);
  if (it == handles_.end()) return false;
  const bool process = it->second.kind == HandleInfo::kProcess;
  const uint32_t pid = it->second.pid;
  handles_.erase(it);
  if (process) Forget(pid);
  return true;
}

void SimProcesses::Restart() {
  handles_.clear();
  pendingEnd_.clear();
  windows_.clear();
  for (auto& p : processes_) {
    p.running = false;
    p.exitCode = 0;
  }
}

void SimProcesses::FlushPosted() {
  std::vector<uint32_t> pending;
  pending.swap(pendingEnd_);
  for (uint32_t pid : pending) EndProcessNow(pid, 0);
}

}  // namespace morvane::sim
