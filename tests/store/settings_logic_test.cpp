#include <gtest/gtest.h>

#include "platform/simulated/machine.h"
#include "store/settings.h"

namespace morvane {
namespace {

TEST(RaiseByOne, IntegerPartPlusOne) {
  const std::pair<Text, Text> cases[] = {{"0", "1"},  {"41", "42"}, {"2.9", "3"}, {"", "1"},
                                         {"abc", "1"}, {" 7", "8"},  {"5x", "6"}, {"-1", "0"},
                                         {"-2.5", "-2"}, {"0x10", "1"}, {"1e3", "2"}, {"+3", "4"}};
  for (const auto& [in, out] : cases) {
    Text line = in;
    RaiseByOne(line);
    EXPECT_EQ(line, out) << "from '" << in << "'";
  }
}

TEST(StartPage, UnreadableGivesAboutBlank) {
  sim::SimulatedMachine m{sim::SimulatedMachine::WindowsLayout{}};
  Context ctx{m.os()};
  AppState state;
  state.programFolder = m.system.programFolder;
  SettingsStore store(ctx, state);
  EXPECT_EQ(store.ReadStartPage(), "http://home.example.net/");
  m.registry.SetStringValue(win::kCurrentUser, "Software\\Microsoft\\Internet Explorer\\Main", "Start Page", "");
  EXPECT_EQ(store.ReadStartPage(), "about:blank");
  m.registry.Clear();
  EXPECT_EQ(store.ReadStartPage(), "about:blank");
  store.CheckSettings();
  ListBox lines;
  store.LoadFiles("\\Settings\\", "Settings.stg", lines);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[6], "about:blank");
}

TEST(Flags, OnlyExactlyOneIsOn) {
  // The flag rule readers apply to loaded lines.
  for (const Text& off : {Text("01"), Text(" 1"), Text("1 "), Text("0"), Text("")}) EXPECT_NE(off, "1");
  sim::SimulatedMachine m{sim::SimulatedMachine::WindowsLayout{}};
  Context ctx{m.os()};
  AppState state;
  state.programFolder = m.system.programFolder;
  SettingsStore store(ctx, state);
  store.CheckSettings();
  m.files.WriteAll(state.programFolder + "\\Settings\\Settings.stg", "01\r\n 1\r\n1");
  store.LoadAllFiles();
  EXPECT_EQ(state.lstSettingsFile[0], "01");
  EXPECT_EQ(state.lstSettingsFile[1], " 1");
  EXPECT_EQ(state.lstSettingsFile[2], "1");
}

}  // namespace
}  // namespace morvane
