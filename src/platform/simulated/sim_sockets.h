// Simulated Windows Sockets: a scriptable host name, its addresses and
// failures of each call.
#pragma once
#include "platform/services.h"

namespace morvane::sim {

class SimSockets : public ISockets {
 public:
  Text hostName = "SIMHOST";
  // Addresses of hostName (found by its name without surrounding blanks), 4 bytes each; empty = gethostbyname finds nothing.
  std::vector<std::string> addresses{std::string("\xC0\xA8\x00\x0A", 4)};  // 192.168.0.10
  int32_t startupResult = 0;          // WSAStartup's result
  WsaData data{0x0101, 0x0101, 32767};  // what WSAStartup reports
  bool failHostName = false;
  int32_t lastError = 10093;          // WSANOTINITIALISED
  int32_t cleanupResult = 0;

  // Calls made, for tests: "startup", "hostname", "hostbyname NAME", "cleanup".
  std::vector<Text> calls;

  int32_t Startup(uint16_t versionRequested, WsaData& out) override;
  int32_t Cleanup() override;
  int32_t LastError() override { return lastError; }
  int32_t HostName(char* name, int32_t size) override;
  bool HostByName(const Text& name, HostEntry& entry) override;
};

}  // namespace morvane::sim
