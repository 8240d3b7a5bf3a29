#include <windows.h>

#include <memory>
#include <string>

#include "contract/fixture.h"
#include "platform/win32/machine.h"

namespace morvane::contract {
namespace {

// Removes a folder tree with plain kernel32 calls (independent of the code under test).
void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = path + "\\" + name;
      SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTree(full);
      else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryA(full.c_str());
      else
        DeleteFileA(full.c_str());
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(path.c_str());
}

class Win32Fixture : public MachineFixture {
 public:
  Win32Fixture() {
    id_ = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial_);
  }
  ~Win32Fixture() override {
    for (const auto& f : folders_) RemoveTree(f);
    if (keyMade_) RegDeleteTreeA(HKEY_CURRENT_USER, ScratchSubKey().c_str());
  }
  Platform& os() override { return machine.os(); }
  const char* Name() const override { return "win32"; }
  Text ScratchFolder() override {
    CreateDirectoryA("C:\\MorvaneContract", nullptr);
    Text path = "C:\\MorvaneContract\\t" + id_ + "_" + std::to_string(folders_.size());
    RemoveTree(path);
    CreateDirectoryA(path.c_str(), nullptr);
    folders_.push_back(path);
    return path;
  }
  Text ScratchSubKey() override { return "Software\\MorvaneContract\\k" + id_; }
  Text ScratchKey() override {
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, ScratchSubKey().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                        nullptr) == ERROR_SUCCESS) {
      RegCloseKey(k);
      keyMade_ = true;
    }
    return "HKEY_CURRENT_USER\\" + ScratchSubKey();
  }
  w32::Win32Machine machine;

 private:
  static inline int serial_ = 0;
  std::string id_;
  std::vector<std::string> folders_;
  bool keyMade_ = false;
};

}  // namespace

std::unique_ptr<MachineFixture> MakeFixture() { return std::make_unique<Win32Fixture>(); }

}  // namespace morvane::contract
