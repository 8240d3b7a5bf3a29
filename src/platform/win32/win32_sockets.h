// Windows Sockets 1.1 through wsock32.
#pragma once
#include "platform/services.h"

namespace morvane::w32 {

class Win32Sockets : public ISockets {
 public:
  int32_t Startup(uint16_t versionRequested, WsaData& data) override;
  int32_t Cleanup() override;
  int32_t LastError() override;
  int32_t HostName(char* name, int32_t size) override;
  bool HostByName(const Text& name, HostEntry& entry) override;
};

}  // namespace morvane::w32
