// A whole simulated Windows machine: every service, wired together.
#pragma once
#include "platform/simulated/default_layout.h"
#include "platform/simulated/sim_basics.h"
#include "platform/simulated/sim_files.h"
#include "platform/simulated/sim_processes.h"
#include "platform/simulated/sim_regedit.h"
#include "platform/simulated/sim_registry.h"
#include "platform/simulated/sim_shell.h"
#include "platform/simulated/sim_sockets.h"

namespace morvane::sim {

class SimulatedMachine {
 public:
  // The registry editor is installed as a program ShellAndWait can run.
  SimulatedMachine() : shell(files, processes), platform_{registry, files, processes, shell, system, clock, messages, sockets, signatures} {
    files.UseFaults(faults);
    registry.UseFaults(faults);
    processes.UseFaults(faults);
    InstallRegedit(*this);
  }
  // With a default Windows layout (system folders, user profile, shell folders key).
  struct WindowsLayout {};
  explicit SimulatedMachine(WindowsLayout) : SimulatedMachine() { InstallDefaultWindowsLayout(*this); }
  SimulatedMachine(const SimulatedMachine&) = delete;
  SimulatedMachine& operator=(const SimulatedMachine&) = delete;

  Platform& os() { return platform_; }

  // The machine starts again after a crash: the power is back, what was
  // written stays (but a copy never flushed, and, once flushes are tracked,
  // registry changes no flush wrote), every open handle and process is gone, deletions
  // pending until the restart are carried out (locks go with
  // the programs that held them). The disk keeps its size.
  void Restart() {
    faults.PowerOn();
    files.Restart();
    registry.Restart();
    processes.Restart();
  }

  // Declared first: the services hold it.
  SimFaults faults;
  SimRegistry registry;
  SimFileSystem files;
  SimProcesses processes;
  SimShell shell;
  SimSystemInfo system;
  FixedClock clock;
  ScriptedMessages messages;
  SimSockets sockets;
  // Real checks: a signature is mathematics, not machine state.
  HostSignatures signatures;

 private:
  Platform platform_;
};

}  // namespace morvane::sim
