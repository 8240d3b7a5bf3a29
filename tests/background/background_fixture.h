// The settings screen, scheduler and timers on the simulated machine, with a
// recording view.
#pragma once
#include <gtest/gtest.h>

#include <map>

#include "platform/modules.h"
#include "platform/simulated/machine.h"
#include "shell/background/scheduler.h"
#include "shell/background/settings_screen.h"
#include "store/settings.h"

namespace morvane::testing {

class RecordingSettingsView : public ISettingsView {
 public:
  std::array<bool, 6> boxes{};
  bool startWithWindows = false;
  int scanMode = -1;
  std::map<SettingsLabel, Text> labels;
  std::map<ShellTimer, bool> timers;

  void ShowChkSettings(int i, bool ticked) override { boxes.at(size_t(i)) = ticked; }
  void ShowChkStartWithWindows(bool ticked) override { startWithWindows = ticked; }
  void ShowOptScanMode(int index) override { scanMode = index; }
  void SetLabel(SettingsLabel label, const Text& caption) override { labels[label] = caption; }
  void EnableTimer(ShellTimer timer, bool enabled) override { timers[timer] = enabled; }
};

class BackgroundTest : public ::testing::Test {
 protected:
  BackgroundTest()
      : machine(sim::SimulatedMachine::WindowsLayout{}),
        ctx(machine.os()),
        run(ctx, "C:\\Program Files\\Morvane", "Morvane"),
        scheduler(ctx, app, view, {[this] { RunAutoScan(); }, [this] { screen.ApplySettings(); }}),
        screen(ctx, app, view, scheduler, run, {[this] { ++statusRefreshes; }, "1.0.3"}) {
    app.programFolder = "C:\\Program Files\\Morvane";
    machine.files.AddFolder(app.programFolder + "\\Settings");
    machine.registry.CreateKeyPath(win::kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    app.lstSettingsFile = DefaultSettingsLines("http://home.example/");
    app.lstDBaseFile.Add("DB 2026.12");
    ctx.onYield = [this] { if (scanRunning) Tick(); };
  }

  // One wall-clock second: the 987 ms timer fires once or twice in it.
  void Tick() {
    DateTime& now = machine.clock.now;
    if (++now.second == 60) {
      now.second = 0;
      if (++now.minute == 60) now.minute = 0, now.hour = (now.hour + 1) % 24;
    }
    if (scheduler.ClockRunning()) scheduler.tmrTimer_Timer();
    if (scheduler.ClockRunning()) scheduler.tmrTimer_Timer();
  }
  void RunSeconds(int seconds) {
    for (int i = 0; i < seconds; ++i) Tick();
  }

  // An automatic scan that lasts scanSeconds; the clock goes on during its yields.
  void RunAutoScan() {
    scanStarts.push_back(elapsed());
    app.AutoScan = true;
    ctx.OperationInProgress = scanRunning = true;
    for (int i = 0; i < scanSeconds; ++i) ctx.YieldToHost();
    ctx.OperationInProgress = scanRunning = false;
  }
  int elapsed() const {
    const DateTime& n = machine.clock.now;
    return ((n.hour - start.hour) * 60 + n.minute - start.minute) * 60 + n.second - start.second;
  }

  Text Reg(const Text& key, const Text& value) { return modRegistry(ctx).GetRegistryString(key, value).value_or("Error"); }
  Text Label() { return view.labels[SettingsLabel::lblNextAutoScanIn]; }

  sim::SimulatedMachine machine;
  Context ctx;
  AppState app;
  RecordingSettingsView view;
  StartWithWindows run;
  AutoScanScheduler scheduler;
  SettingsScreen screen;
  int statusRefreshes = 0;
  std::vector<int> scanStarts;
  int scanSeconds = 0;
  bool scanRunning = false;
  DateTime start = machine.clock.now;
};

}  // namespace morvane::testing
