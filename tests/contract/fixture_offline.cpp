#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "contract/fixture.h"
#include "offline/planted.h"
#include "platform/handles.h"
#include "platform/offline/machine.h"

namespace morvane::contract {
namespace {

class OfflineFixture : public MachineFixture {
 public:
  OfflineFixture() : machine(install.Root(), offline_test::PlantedInstall::kUser) {}
  Platform& os() override { return machine.os(); }
  const char* Name() const override { return "offline"; }
  Text ScratchFolder() override {
    machine.files.MakeFolder("C:\\MorvaneContract");
    Text path = "C:\\MorvaneContract\\t" + std::to_string(++counter_);
    machine.files.MakeFolder(path);
    return path;
  }
  Text ScratchSubKey() override { return "Software\\MorvaneContract\\k1"; }
  Text ScratchKey() override {
    RegKey k(machine.registry);
    k.Create(win::kCurrentUser, ScratchSubKey());
    return "HKEY_CURRENT_USER\\" + ScratchSubKey();
  }
  uint32_t StartChild(const Text&, const ChildProcessKind&) override { return 0; }
  bool ChildRunning(uint32_t) override { return false; }
  bool DenyKeyAccess(const Text&, uint32_t) override { return false; }
  // A folder link as ntfs-3g shows a junction: a symbolic link.
  bool ForeignNameBesideVictim(Text& folder) override {
    folder = ScratchFolder();
    machine.files.MakeFolder(folder + "\\Spy");
    machine.files.MakeFolder(folder + "\\Victim");
    machine.files.WriteAll(folder + "\\Victim\\precious.doc", "x");
    std::string host;
    // A name no Windows disk holds, as a Linux one may: a backslash in it.
    return machine.files.HostPath(folder + "\\Spy", host) && mkdir((host + "/..\\Victim").c_str(), 0777) == 0;
  }
  bool FolderWithLink(Text& folder, Text& link) override {
    folder = ScratchFolder();
    Text target = ScratchFolder();
    machine.files.WriteAll(folder + "\\own.txt", "x");
    machine.files.WriteAll(target + "\\through-link.txt", "x");
    std::string host, targetHost;
    if (!machine.files.HostPath(folder, host) || !machine.files.HostPath(target, targetHost)) return false;
    link = folder + "\\Desktop";
    return symlink(targetHost.c_str(), (host + "/Desktop").c_str()) == 0;
  }

  offline_test::PlantedInstall install;
  offline::OfflineMachine machine;

 private:
  int counter_ = 0;
};

}  // namespace

std::unique_ptr<MachineFixture> MakeFixture() { return std::make_unique<OfflineFixture>(); }

}  // namespace morvane::contract
