// The real machine: every service through the Win32 API.
#pragma once
#include "platform/win32/win32_basics.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_sockets.h"

namespace morvane::w32 {

class Win32Machine {
 public:
  Win32Machine() : platform_{registry, files, processes, shell, system, clock, messages, sockets, signatures} {}
  Win32Machine(const Win32Machine&) = delete;
  Win32Machine& operator=(const Win32Machine&) = delete;

  Platform& os() { return platform_; }

  Win32Registry registry;
  Win32FileSystem files;
  Win32Processes processes;
  Win32Shell shell;
  Win32SystemInfo system;
  Win32Clock clock;
  Win32Messages messages;
  Win32Sockets sockets;
  HostSignatures signatures;

 private:
  Platform platform_;
};

}  // namespace morvane::w32
