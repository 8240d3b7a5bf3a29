#include "platform/simulated/sim_sockets.h"

#include <cstring>

namespace morvane::sim {

int32_t SimSockets::Startup(uint16_t, WsaData& out) {
  calls.push_back("startup");
  if (startupResult == 0) out = data;
  return startupResult;
}

int32_t SimSockets::Cleanup() {
  calls.push_back("cleanup");
  return cleanupResult;
}

int32_t SimSockets::HostName(char* name, int32_t size) {
  calls.push_back("hostname");
  if (failHostName || size <= 0 || int32_t(hostName.size()) >= size) return kSocketError;
  std::memcpy(name, hostName.c_str(), hostName.size() + 1);
  return 0;
}

bool SimSockets::HostByName(const Text& name, HostEntry& entry) {
  calls.push_back("hostbyname " + name);
  const size_t b = hostName.find_first_not_of(' '), e = hostName.find_last_not_of(' ');
  const Text trimmed = b == Text::npos ? Text() : hostName.substr(b, e - b + 1);
  if (addresses.empty() || name != trimmed) return false;
  entry.addressLength = int16_t(addresses.front().size());
  entry.addresses = addresses;
  return true;
}

}  // namespace morvane::sim
