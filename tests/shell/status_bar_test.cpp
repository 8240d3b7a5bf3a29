// The host address through the simulated sockets, and the progress bar.
#include <gtest/gtest.h>

#include <functional>

#include "platform/simulated/machine.h"
#include "shell/scrolling_bar.h"
#include "shell/status_page.h"

namespace morvane {
namespace {

TEST(RetrieveIP, AddressesAndEveryFailureMessage) {
  struct Case {
    const char* name;
    std::function<void(sim::SimSockets&)> setup;
    Text ip;
    Text message;         // empty: none
    bool cleanedUp;
  };
  const std::vector<Case> cases = {
      {"default host", [](sim::SimSockets&) {}, "192.168.0.10", "", true},
      {"10.0.0.1, name with blanks",
       [](sim::SimSockets& s) {
         s.hostName = "  box ";
         s.addresses = {std::string("\x0A\x00\x00\x01", 4), std::string("\x01\x02\x03\x04", 4)};
       },
       "10.0.0.1", "", true},
      {"startup fails", [](sim::SimSockets& s) { s.startupResult = 10091; }, "",
       "The 32-bit Windows Socket is not responding.", false},
      {"no sockets", [](sim::SimSockets& s) { s.data.maxSockets = 0; }, "",
       "This application requires a minimum of 1 supported sockets.", false},
      {"version 1.0", [](sim::SimSockets& s) { s.data.version = 0x0001; }, "",
       "Sockets version 1.0 is not supported by 32-bit Windows Sockets.", false},
      {"version 0.2", [](sim::SimSockets& s) { s.data.version = 0x0200; }, "",
       "Sockets version 0.2 is not supported by 32-bit Windows Sockets.", false},
      {"host name fails", [](sim::SimSockets& s) { s.failHostName = true; }, "",
       "Windows Sockets error  10093 has occurred. Unable to successfully get Host Name.", true},
      {"negative error code",
       [](sim::SimSockets& s) {
         s.failHostName = true;
         s.lastError = -5;
       },
       "", "Windows Sockets error -5 has occurred. Unable to successfully get Host Name.", true},
      {"name does not resolve", [](sim::SimSockets& s) { s.addresses.clear(); }, "",
       "Windows Sockets are not responding. Unable to successfully get Host Name.", true},
      {"cleanup fails", [](sim::SimSockets& s) { s.cleanupResult = 10093; }, "192.168.0.10",
       "Socket error occurred in Cleanup.", true},
  };
  for (const Case& c : cases) {
    sim::SimulatedMachine m;
    c.setup(m.sockets);
    Context ctx(m.os());
    EXPECT_EQ(RetrieveIP(ctx).GetHostIPAddress(), c.ip) << c.name;
    if (c.message.empty()) {
      EXPECT_TRUE(m.messages.shown.empty()) << c.name;
    } else {
      ASSERT_EQ(m.messages.shown.size(), 1u) << c.name;
      EXPECT_EQ(m.messages.shown[0].text, c.message) << c.name;
      EXPECT_EQ(m.messages.shown[0].title, "") << c.name;
      EXPECT_EQ(m.messages.shown[0].buttons, MsgButtons::Ok) << c.name;
    }
    EXPECT_EQ(m.sockets.calls.back() == "cleanup", c.cleanedUp) << c.name;
  }
}

TEST(ScrollingBar, StepsWrapStrictlyAfterTheStripAndPassInFortyTicks) {
  sim::SimulatedMachine m;
  Context ctx(m.os());
  const ScrollShape strip{0, kStripWidth};
  struct Case {
    float from, to;
  };
  for (Case c : {Case{kBarRestLeft, -1125}, Case{3610, 3735}, Case{3735, -1325}, Case{3734.5f, -1325}}) {
    ScrollShape bar{c.from, kBarWidth};
    MoveScrollingBar(ctx, bar, strip, kBarStep);
    EXPECT_FLOAT_EQ(bar.Left, c.to) << c.from;
  }
  EXPECT_EQ(ctx.yieldCount, 8u);  // two yields per step

  ScrollShape bar{kBarRestLeft, kBarWidth};
  int ticks = 0;
  bool wrapped = false;
  while (!wrapped && ticks < 100) {
    const float before = bar.Left;
    MoveScrollingBar(ctx, bar, strip, kBarStep);
    ++ticks;
    wrapped = bar.Left < before;
  }
  EXPECT_EQ(ticks, 40);
}

}  // namespace
}  // namespace morvane
