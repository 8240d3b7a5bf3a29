// The console front ends' arguments: "/name" on Windows, "--name" on Linux
// (either form is taken by both), "/?", "-h" and "--help" for the usage.
#pragma once
#include <string>
#include <vector>

#include "frontend/console_scan.h"

namespace morvane::frontend {

struct Arguments {
  ScanRequest request;
  std::string report;  // host path; empty: none
  bool quiet = false;
  bool help = false;
  // Offline only.
  std::string offline, quarantine;
  Text user;
};

// False with a message when the arguments are not understood. offline
// admits the Linux front end's own options (--offline, --user, --quarantine).
bool ParseArguments(const std::vector<std::string>& args, bool offline, Arguments& out, std::string& error);

std::string WindowsUsage();
std::string OfflineUsage();

}  // namespace morvane::frontend
