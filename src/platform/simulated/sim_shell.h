// Simulated shell. (Placeholder.)
#pragma once
#include "platform/services.h"

namespace morvane::sim {

class SimFileSystem;
class SimProcesses;

class SimShell : public IShell {
 public:
  SimShell(SimFileSystem& files, SimProcesses& processes) : files_(files), processes_(processes) {}
  int32_t FileOperation(uint32_t, const Text&, const Text&, uint16_t) override { return 0x402; }
  intptr_t Execute(win::HWnd, const Text&, const Text&, const Text&, const Text&, int) override { return 2; }

 private:
  SimFileSystem& files_;
  SimProcesses& processes_;
};

}  // namespace morvane::sim
