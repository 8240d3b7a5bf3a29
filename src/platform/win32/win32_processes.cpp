#include "platform/win32/win32_processes.h"

#include <windows.h>
#include <tlhelp32.h>

#include <vector>

namespace morvane::w32 {

namespace {
HANDLE H(win::Handle h) { return reinterpret_cast<HANDLE>(h); }
HWND W(win::HWnd h) { return reinterpret_cast<HWND>(h); }

bool Fill(BOOL ok, const PROCESSENTRY32& pe, ProcessEntry& entry) {
  if (!ok) return false;
  entry.processId = pe.th32ProcessID;
  size_t n = 0;
  while (n < MAX_PATH && pe.szExeFile[n] != '\0') ++n;
  entry.exeFile.assign(pe.szExeFile, n);
  return true;
}
}  // namespace

win::Handle Win32Processes::CreateSnapshot(uint32_t flags, uint32_t processId) {
  HANDLE h = CreateToolhelp32Snapshot(flags, processId);
  return h == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<win::Handle>(h);
}

bool Win32Processes::FirstProcess(win::Handle snapshot, ProcessEntry& entry) {
  PROCESSENTRY32 pe = {};
  pe.dwSize = sizeof pe;  // 296 bytes, the ANSI record
  return Fill(Process32First(H(snapshot), &pe), pe, entry);
}

bool Win32Processes::NextProcess(win::Handle snapshot, ProcessEntry& entry) {
  PROCESSENTRY32 pe = {};
  pe.dwSize = sizeof pe;
  return Fill(Process32Next(H(snapshot), &pe), pe, entry);
}

bool Win32Processes::ImagePath(uint32_t processId, Text& path) {
  path.clear();
  HANDLE h = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!h) return false;
  char buffer[32768];
  DWORD size = sizeof buffer;
  const bool ok = QueryFullProcessImageNameA(h, 0, buffer, &size) != 0;
  ::CloseHandle(h);
  if (ok) path.assign(buffer, size);
  return ok && !path.empty();
}

bool Win32Processes::GetVersionInfo(OsVersion& v) {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
  v.platformId = info.dwPlatformId;
  v.major = info.dwMajorVersion;
  v.minor = info.dwMinorVersion;
  return true;
}

win::HWnd Win32Processes::DesktopWindow() { return reinterpret_cast<win::HWnd>(GetDesktopWindow()); }

win::HWnd Win32Processes::GetWindow(win::HWnd window, uint32_t command) {
  return reinterpret_cast<win::HWnd>(::GetWindow(W(window), command));
}

win::HWnd Win32Processes::GetParent(win::HWnd window) { return reinterpret_cast<win::HWnd>(::GetParent(W(window))); }

uint32_t Win32Processes::WindowProcessId(win::HWnd window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(W(window), &pid);
  return pid;
}

bool Win32Processes::Post(win::HWnd window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return PostMessageA(W(window), message, wParam, lParam) != 0;
}

win::Handle Win32Processes::OpenProcess(uint32_t access, bool inherit, uint32_t processId) {
  return reinterpret_cast<win::Handle>(::OpenProcess(access, inherit, processId));
}

bool Win32Processes::TerminateProcess(win::Handle process, uint32_t exitCode) {
  return ::TerminateProcess(H(process), exitCode) != 0;
}

win::Handle Win32Processes::Launch(const Text& commandLine, uint16_t show) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;  // 68 bytes in the 32-bit layout the record was made for
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = show;
  PROCESS_INFORMATION pi = {};
  std::vector<char> cmd(commandLine.begin(), commandLine.end());
  cmd.push_back('\0');
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &si,
                      &pi))
    return 0;
  ::CloseHandle(pi.hThread);
  return reinterpret_cast<win::Handle>(pi.hProcess);
}

uint32_t Win32Processes::Wait(win::Handle h, uint32_t milliseconds) {
  return WaitForSingleObject(H(h), milliseconds);
}

bool Win32Processes::CloseHandle(win::Handle h) { return ::CloseHandle(H(h)) != 0; }

}  // namespace morvane::w32
