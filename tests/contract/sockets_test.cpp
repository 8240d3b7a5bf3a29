#include <gtest/gtest.h>
#include <cstring>

#include "contract/fixture.h"

namespace morvane::contract {
namespace {

// Windows Sockets 1.1 as the status screen uses it: start, local host name,
// its first address, clean-up.
TEST(SocketsContract, VersionOneOneResolvesTheLocalHostName) {
  auto m = MakeFixture();
  ISockets& s = m->os().sockets;
  WsaData data;
  ASSERT_EQ(s.Startup(257, data), 0);
  EXPECT_EQ(data.version, 257);
  EXPECT_GE(data.maxSockets, 1);
  char name[257] = {};
  ASSERT_EQ(s.HostName(name, 256), 0);
  EXPECT_GT(strlen(name), 0u);
  HostEntry entry;
  ASSERT_TRUE(s.HostByName(name, entry));
  EXPECT_EQ(entry.addressLength, 4);
  ASSERT_FALSE(entry.addresses.empty());
  EXPECT_EQ(entry.addresses.front().size(), 4u);
  EXPECT_EQ(s.Cleanup(), 0);
}

TEST(SocketsContract, TooSmallNameBufferFails) {
  auto m = MakeFixture();
  ISockets& s = m->os().sockets;
  WsaData data;
  ASSERT_EQ(s.Startup(257, data), 0);
  char name[2] = {};
  EXPECT_EQ(s.HostName(name, 1), ISockets::kSocketError);
  EXPECT_NE(s.LastError(), 0);
  s.Cleanup();
}

}  // namespace
}  // namespace morvane::contract
