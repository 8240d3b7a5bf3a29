#include <memory>

#include "contract/fixture.h"
#include "platform/simulated/machine.h"

namespace morvane::contract {
namespace {

class SimFixture : public MachineFixture {
 public:
  Platform& os() override { return machine.os(); }
  const char* Name() const override { return "simulated"; }
  Text ScratchFolder() override {
    // The simulated disk starts with C:\ only; make the folder chain.
    machine.files.MakeFolder("C:\\MorvaneContract");
    Text path = "C:\\MorvaneContract\\t" + std::to_string(++counter_);
    machine.files.MakeFolder(path);
    return path;
  }
  Text ScratchSubKey() override { return "Software\\MorvaneContract\\k1"; }
  Text ScratchKey() override {
    win::HKey k = 0;
    if (machine.registry.CreateKey(win::kCurrentUser, ScratchSubKey(), k) == win::kSuccess)
      machine.registry.CloseKey(k);
    return "HKEY_CURRENT_USER\\" + ScratchSubKey();
  }
  uint32_t StartChild(const Text& exeName, const ChildProcessKind& kind) override {
    const Text image = ScratchFolder() + "\\" + exeName;
    machine.files.AddFile(image, "MZ");
    uint32_t pid = machine.processes.AddProcess(image, kind.closesOnWmClose);
    childImage[pid] = image;
    if (kind.topLevelWindow) machine.processes.AddWindow(pid);
    if (kind.onlyChildWindow) {
      uint32_t host = machine.processes.AddProcess("host.exe");
      machine.processes.AddWindow(pid, machine.processes.AddWindow(host));
    }
    return pid;
  }
  bool ChildRunning(uint32_t pid) override { return machine.processes.IsRunning(pid); }
  bool DenyKeyAccess(const Text& subPath, uint32_t mask) override {
    return machine.registry.DenyAccess(win::kCurrentUser, subPath, mask);
  }
  bool MakeKeyLink(const Text& subPath, const Text& target) override {
    return machine.registry.CreateLink(win::kCurrentUser, subPath, win::kCurrentUser, target);
  }
  bool FolderWithLink(Text& folder, Text& link) override {
    folder = ScratchFolder();
    machine.files.AddFile(folder + "\\own.txt", "x");
    link = folder + "\\Desktop";
    // The simulated junction shows the target's entries, as a real one does.
    machine.files.AddJunction(link, "C:\\");
    machine.files.AddFile(link + "\\through-link.txt", "x");
    return true;
  }
  sim::SimulatedMachine machine;

 private:
  int counter_ = 0;
};

}  // namespace

std::unique_ptr<MachineFixture> MakeFixture() { return std::make_unique<SimFixture>(); }

}  // namespace morvane::contract
