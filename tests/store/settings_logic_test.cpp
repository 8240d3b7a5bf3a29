#include <gtest/gtest.h>

#include "platform/simulated/machine.h"
#include "store/app_settings.h"
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

// The screen and the scan read the mode line alike; no line means no scan.
TEST(ScanModeLine, LeadingNumberSelectsAndAnyOtherLineIsTheSmartScan) {
  AppState app;
  Settings s(app);
  const std::pair<const char*, ScanMode> cases[] = {
      {"1", ScanMode::Custom},   {" 1", ScanMode::Custom}, {"01", ScanMode::Custom}, {"2.0", ScanMode::Folders},
      {"+2", ScanMode::Folders}, {"0", ScanMode::Smart},   {"7", ScanMode::Smart},   {"30", ScanMode::Smart},
      {"-1", ScanMode::Smart},   {"", ScanMode::Smart},    {"x", ScanMode::Smart}};
  for (const auto& [line, mode] : cases) {
    s.Set(SettingsLine::ScanMode, line);
    EXPECT_EQ(s.Mode(), mode) << '"' << line << '"';
  }
}

TEST(Flags, OnlyExactlyOneIsOn) {
  sim::SimulatedMachine m{sim::SimulatedMachine::WindowsLayout{}};
  Context ctx{m.os()};
  AppState state;
  state.programFolder = m.system.programFolder;
  SettingsStore store(ctx, state);
  store.CheckSettings();
  m.files.WriteAll(state.programFolder + "\\Settings\\Settings.stg", "01\r\n 1\r\n1\r\n1 \r\n\r\n0");
  store.LoadAllFiles();
  const Settings settings(state);
  // Lines are kept as written; only a line reading exactly "1" is on.
  EXPECT_EQ(settings.Line(SettingsLine::ScanLog), "1 ");
  EXPECT_FALSE(settings.StartMinimized());
  EXPECT_FALSE(settings.ScanAtStart());
  EXPECT_TRUE(settings.HomePageProtected());
  EXPECT_FALSE(settings.HomePageProtectionOff());
  EXPECT_FALSE(settings.ScanLogOn());
  EXPECT_FALSE(settings.AutoScanOn());
  EXPECT_FALSE(settings.RegistryBackupOn());
  // A line past the end reads as off and is written with the lines before it padded.
  AppState empty;
  Settings fresh(empty);
  EXPECT_FALSE(fresh.On(SettingsLine::ScanLog));
  fresh.SetOn(SettingsLine::ScanLog, true);
  EXPECT_EQ(empty.lstSettingsFile, (ListBox{"", "", "", "1"}));
  EXPECT_TRUE(fresh.ScanLogOn());
}

}  // namespace
}  // namespace morvane
