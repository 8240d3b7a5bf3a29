#include "platform/win32/win32_sockets.h"

#include <winsock.h>

namespace morvane::w32 {

int32_t Win32Sockets::Startup(uint16_t versionRequested, WsaData& data) {
  WSADATA wsa = {};
  int result = WSAStartup(versionRequested, &wsa);
  if (result == 0) data = WsaData{wsa.wVersion, wsa.wHighVersion, wsa.iMaxSockets};
  return result;
}

int32_t Win32Sockets::Cleanup() { return WSACleanup(); }

int32_t Win32Sockets::LastError() { return WSAGetLastError(); }

int32_t Win32Sockets::HostName(char* name, int32_t size) { return gethostname(name, size); }

bool Win32Sockets::HostByName(const Text& name, HostEntry& entry) {
  const hostent* h = gethostbyname(name.c_str());
  if (!h) return false;
  entry.addressLength = h->h_length;
  entry.addresses.clear();
  if (h->h_addr_list && h->h_length > 0)
    for (char** a = h->h_addr_list; *a; ++a) entry.addresses.emplace_back(*a, size_t(h->h_length));
  return true;
}

}  // namespace morvane::w32
