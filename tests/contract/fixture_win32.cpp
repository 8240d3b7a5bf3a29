#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <memory>
#include <string>

#include "contract/fixture.h"
#include "platform/win32/machine.h"
#include "win32_tree.h"

namespace morvane::contract {
namespace {

using testing_win32::RemoveTree;

class Win32Fixture : public MachineFixture {
 public:
  Win32Fixture() {
    id_ = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial_);
  }
  ~Win32Fixture() override {
    for (HANDLE h : children_) {
      TerminateProcess(h, 1);
      WaitForSingleObject(h, 5000);
      CloseHandle(h);
    }
    for (const auto& f : folders_) RemoveTree(f);
    for (const auto& k : deniedKeys_) SetKeyDacl(k, "D:(A;;KA;;;WD)");
    // Links first: a tree deletion would go through them.
    for (auto it = links_.rbegin(); it != links_.rend(); ++it) machine.os().registry.DeleteLink(win::kCurrentUser, *it);
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
  uint32_t StartChild(const Text& exeName, const ChildProcessKind& kind) override {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    Text exe = ScratchFolder() + "\\" + exeName;
    if (!CopyFileA(self, exe.c_str(), FALSE)) return 0;
    const char* mode = kind.onlyChildWindow ? "childonly"
                       : !kind.topLevelWindow ? "nowindow"
                       : kind.closesOnWmClose ? "window"
                                              : "ignoreclose";
    std::string cmd = "\"" + exe + "\" --child " + mode;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 0;
    CloseHandle(pi.hThread);
    children_.push_back(pi.hProcess);
    childImage[pi.dwProcessId] = exe;
    // The child signals readiness by creating a named event.
    std::string name = "MorvaneChildReady" + std::to_string(pi.dwProcessId);
    // Wait for it as long as a loaded machine may need, not for a fixed time.
    for (DWORD begin = GetTickCount(); GetTickCount() - begin < 120000;) {
      HANDLE e = OpenEventA(SYNCHRONIZE, FALSE, name.c_str());
      if (e) {
        CloseHandle(e);
        break;
      }
      if (WaitForSingleObject(pi.hProcess, 25) == WAIT_OBJECT_0) break;
    }
    return pi.dwProcessId;
  }
  bool ChildRunning(uint32_t pid) override {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!h) return false;
    bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return running;
  }
  bool ChildEnds(uint32_t pid) override {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!h) return true;
    const bool ended = WaitForSingleObject(h, 120000) == WAIT_OBJECT_0;
    CloseHandle(h);
    return ended;
  }
  bool MakeKeyLink(const Text& subPath, const Text& target) override {
    // The link names its target by the kernel's path of the user's hive.
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    alignas(TOKEN_USER) char buffer[256];
    DWORD size = 0;
    char* sid = nullptr;
    const bool user = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
                      ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid);
    CloseHandle(token);
    if (!user) return false;
    const std::string path = std::string("\\Registry\\User\\") + sid + "\\" + target;
    LocalFree(sid);
    const std::wstring wide(path.begin(), path.end());
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, subPath.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS,
                        nullptr, &k, nullptr) != ERROR_SUCCESS)
      return false;
    links_.push_back(subPath);
    const LONG r = RegSetValueExW(k, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(wide.data()),
                                  DWORD(wide.size() * sizeof(wchar_t)));
    RegCloseKey(k);
    return r == ERROR_SUCCESS;
  }
  // A DACL that denies everyone the rights in mask and allows the rest.
  bool ForeignKeyName(const Text& subPath) override {
    const std::wstring path = std::wstring(subPath.begin(), subPath.end()) + L"\\\u03a9mega";
    HKEY k;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
      return false;
    RegCloseKey(k);
    return true;
  }
  bool DenyKeyAccess(const Text& subPath, uint32_t mask) override {
    char sddl[96];
    snprintf(sddl, sizeof sddl, "D:(D;;0x%lX;;;WD)(A;;KA;;;WD)", static_cast<unsigned long>(mask));
    if (!SetKeyDacl(subPath, sddl)) return false;
    deniedKeys_.push_back(subPath);
    return true;
  }
  static bool SetKeyDacl(const Text& subPath, const char* sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr)) return false;
    HKEY k;
    bool ok = false;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subPath.c_str(), 0, WRITE_DAC, &k) == ERROR_SUCCESS) {
      ok = RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, sd) == ERROR_SUCCESS;
      RegCloseKey(k);
    }
    LocalFree(sd);
    return ok;
  }
  // Wine links the user's shell folders into the host's home; use one of those.
  bool ForeignNameBesideVictim(Text& folder) override {
    folder = ScratchFolder();
    CreateDirectoryA((folder + "\\Victim").c_str(), nullptr);
    CreateDirectoryA((folder + "\\Spy").c_str(), nullptr);
    HANDLE f = CreateFileA((folder + "\\Victim\\precious.doc").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    CloseHandle(f);
    // Fullwidth full stops and reverse solidus.
    std::wstring spy(folder.begin(), folder.end());
    return CreateDirectoryW((spy + L"\\Spy\\\uFF0E\uFF0E\uFF3CVictim").c_str(), nullptr) != 0;
  }
  bool FolderWithLink(Text& folder, Text& link) override {
    WIN32_FIND_DATAA user;
    HANDLE hu = FindFirstFileA("C:\\users\\*", &user);
    if (hu == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do {
      std::string base = std::string("C:\\users\\") + user.cFileName;
      if (user.cFileName[0] == '.') continue;
      WIN32_FIND_DATAA fd;
      HANDLE h = FindFirstFileA((base + "\\*").c_str(), &fd);
      if (h == INVALID_HANDLE_VALUE) continue;
      do {
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
          folder = base;
          link = base + "\\" + fd.cFileName;
          found = true;
        }
      } while (!found && FindNextFileA(h, &fd));
      FindClose(h);
    } while (!found && FindNextFileA(hu, &user));
    FindClose(hu);
    return found;
  }
  w32::Win32Machine machine;

 private:
  std::vector<HANDLE> children_;
  static inline int serial_ = 0;
  std::string id_;
  std::vector<std::string> folders_;
  bool keyMade_ = false;
  std::vector<std::string> deniedKeys_;
  std::vector<std::string> links_;
};

}  // namespace

std::unique_ptr<MachineFixture> MakeFixture() { return std::make_unique<Win32Fixture>(); }

}  // namespace morvane::contract
