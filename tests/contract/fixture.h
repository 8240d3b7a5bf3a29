// The machine a contract test runs on: the simulated one natively, the real
// Win32 API under Wine. Tests written once against this run on both.
#pragma once
#include <map>
#include <memory>
#include <string>

#include "platform/context.h"

namespace morvane::contract {

// Process-specific setup that differs per backend.
struct ChildProcessKind {
  bool topLevelWindow = true;   // owns a top-level window
  bool closesOnWmClose = true;  // ends when its window gets WM_CLOSE
  bool onlyChildWindow = false; // owns a window that has a parent only
};

class MachineFixture {
 public:
  virtual ~MachineFixture() = default;
  virtual Platform& os() = 0;
  virtual const char* Name() const = 0;  // "simulated" or "win32"
  bool IsSimulated() const { return std::string(Name()) == "simulated"; }

  // A fresh, empty folder on the C: drive for this test, removed afterwards.
  virtual Text ScratchFolder() = 0;
  // A fresh key path "HKEY_CURRENT_USER\Software\MorvaneContract\<n>", created, removed afterwards.
  virtual Text ScratchKey() = 0;
  // The scratch key's sub-path below HKEY_CURRENT_USER.
  virtual Text ScratchSubKey() = 0;

  // Starts a program named exeName of the given kind from a fresh scratch
  // folder; its process id, 0 on failure. childImage holds its program file.
  virtual uint32_t StartChild(const Text& exeName, const ChildProcessKind& kind) = 0;
  std::map<uint32_t, Text> childImage;
  virtual bool ChildRunning(uint32_t pid) = 0;
  // True once the child has ended; waits for it, capped generously, as a
  // process that was told to end may take a moment on a loaded machine.
  virtual bool ChildEnds(uint32_t pid) { return !ChildRunning(pid); }
  // Makes the key at sub-path (below HKEY_CURRENT_USER) refuse opens asking for
  // any right in mask; false when the backend cannot.
  virtual bool DenyKeyAccess(const Text& subPath, uint32_t mask) = 0;
  // A folder that holds a link (junction or symbolic link) to a folder with
  // entries; sets link to the link's full path. False when none can be had.
  virtual bool FolderWithLink(Text& folder, Text& link) = 0;
  // A scratch folder with a file "Victim\\precious.doc" and a folder "Spy"
  // whose one sub-folder has a name Windows' code page cannot hold, made of
  // look-alikes of "..\\Victim"; false when the backend has no such names.
  virtual bool ForeignNameBesideVictim(Text& folder) {
    (void)folder;
    return false;
  }
  // Makes a key below sub-path (below HKEY_CURRENT_USER) named a Greek capital
  // omega and "mega"; false when the backend has no names beyond the code page.
  virtual bool ForeignKeyName(const Text& subPath) {
    (void)subPath;
    return false;
  }
  // Makes the key at sub-path (below HKEY_CURRENT_USER) a link to the key at
  // target (also below it); false when the backend has no registry links.
  virtual bool MakeKeyLink(const Text& subPath, const Text& target) {
    (void)subPath;
    (void)target;
    return false;
  }
};

// The fixture of this build's backend; a new one for every test.
std::unique_ptr<MachineFixture> MakeFixture();


}  // namespace morvane::contract
