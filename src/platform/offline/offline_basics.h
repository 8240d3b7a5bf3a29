// The services an installation at rest does not have or answers itself:
// no processes and no windows, no network, no programs to run; system
// folders as the installation names them; the host's clock; message boxes
// answered without asking (the choice that changes nothing, unless set).
#pragma once
#include <cstring>
#include <functional>
#include <vector>

#include "platform/services.h"

namespace morvane::offline {

class OfflineFileSystem;

class OfflineProcesses : public IProcesses {
 public:
  OsVersion version;  // as the installation's hive gives it
  win::Handle CreateSnapshot(uint32_t flags, uint32_t processId) override;
  bool FirstProcess(win::Handle, ProcessEntry&) override { return false; }
  bool NextProcess(win::Handle, ProcessEntry&) override { return false; }
  bool GetVersionInfo(OsVersion& v) override {
    v = version;
    return true;
  }
  win::HWnd DesktopWindow() override { return 0; }
  win::HWnd GetWindow(win::HWnd, uint32_t) override { return 0; }
  win::HWnd GetParent(win::HWnd) override { return 0; }
  uint32_t WindowProcessId(win::HWnd) override { return 0; }
  bool Post(win::HWnd, uint32_t, uintptr_t, intptr_t) override { return false; }
  win::Handle OpenProcess(uint32_t, bool, uint32_t) override { return 0; }
  bool TerminateProcess(win::Handle, uint32_t) override { return false; }
  bool ImagePath(uint32_t, Text&) override { return false; }
  // A program the host runs in the installation's stead (the registry
  // editor's export, for example); none when unset.
  std::function<void(const Text& commandLine)> run;
  win::Handle Launch(const Text& commandLine, uint16_t) override;
  uint32_t Wait(win::Handle h, uint32_t) override;
  bool CloseHandle(win::Handle h) override;

 private:
  std::vector<win::Handle> snapshots_;
  win::Handle next_ = 0x4000;
};

// Copies and moves of files and folder trees on the mounted installation.
class OfflineShell : public IShell {
 public:
  static constexpr int32_t kFailed = 0x402;
  static constexpr int32_t kMissingSource = 0x7C;
  explicit OfflineShell(IFileSystem& files) : files_(files) {}
  int32_t FileOperation(uint32_t operation, const Text& from, const Text& to, uint16_t flags) override;
  intptr_t Execute(win::HWnd, const Text&, const Text&, const Text&, const Text&, int) override { return 2; }

 private:
  bool CopyTree(const Text& from, const Text& to);
  bool RemoveTree(const Text& path);
  IFileSystem& files_;
};

class OfflineSystemInfo : public ISystemInfo {
 public:
  Text windowsDir = "C:\\WINDOWS";
  Text systemDir = "C:\\WINDOWS\\system32";
  Text tempPath = "C:\\WINDOWS\\TEMP\\";
  Text programFolder = "C:\\Program Files\\Morvane";
  uint32_t SystemDirectory(char* buffer, uint32_t size) override { return Put(systemDir, buffer, size); }
  uint32_t WindowsDirectory(char* buffer, uint32_t size) override { return Put(windowsDir, buffer, size); }
  uint32_t TempPath(uint32_t size, char* buffer) override { return Put(tempPath, buffer, size); }
  Text decimalSeparator = ".";
  int32_t LocaleInfo(uint32_t, uint32_t type, char* buffer, int32_t size) override {
    if (type != win::kLocaleSDecimal || size < 0) return 0;
    const int32_t needed = int32_t(decimalSeparator.size() + 1);
    if (size == 0) return needed;
    if (size < needed || buffer == nullptr) return 0;
    std::memcpy(buffer, decimalSeparator.c_str(), size_t(needed));
    return needed;
  }
  Text ProgramFolder() override { return programFolder; }

 private:
  static uint32_t Put(const Text& value, char* buffer, uint32_t size);
};

class OfflineClock : public IClock {
 public:
  DateTime Now() override;
  // "M/d/yyyy".
  Text ShortDate(const DateTime& when) override;
};

class OfflineMessages : public IMessages {
 public:
  struct Shown {
    Text text, title;
  };
  std::vector<Shown> shown;
  // Decides the answer when set; otherwise OK boxes get OK and questions No / Cancel.
  std::function<MsgResult(const Text& text, MsgButtons buttons)> answer;
  MsgResult Show(const Text& text, const Text& title, MsgButtons buttons, MsgIcon icon) override;
};

class OfflineSockets : public ISockets {
 public:
  static constexpr int32_t kNetworkDown = 10050;
  int32_t Startup(uint16_t, WsaData&) override { return kNetworkDown; }
  int32_t Cleanup() override { return kSocketError; }
  int32_t LastError() override { return kNetworkDown; }
  int32_t HostName(char*, int32_t) override { return kSocketError; }
  bool HostByName(const Text&, HostEntry&) override { return false; }
};

}  // namespace morvane::offline
