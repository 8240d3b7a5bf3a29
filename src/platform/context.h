// What every module works with: the machine's services, the one guard flag
// of the user-interface thread and the host's yield hook.
#pragma once
#include <functional>

#include "platform/services.h"

namespace morvane {

class Context {
 public:
  explicit Context(Platform& os) : os(os) {}
  Platform& os;

  // True from the start of a scan until its removal step ends or the user aborts.
  bool OperationInProgress = false;

  // Called after every element of a long loop. The GUI host pumps messages
  // here; tests script it (abort after the n-th yield, for example).
  std::function<void()> onYield;
  void YieldToHost() {
    ++yieldCount;
    if (onYield) onYield();
  }
  uint64_t yieldCount = 0;

  IRegistry& registry() { return os.registry; }
  IFileSystem& files() { return os.files; }
  IProcesses& processes() { return os.processes; }
  IShell& shell() { return os.shell; }
  ISystemInfo& system() { return os.system; }
  IClock& clock() { return os.clock; }
  IMessages& messages() { return os.messages; }
  ISockets& sockets() { return os.sockets; }
};

}  // namespace morvane
