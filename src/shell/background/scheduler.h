// The auto-scan scheduler: a clock sampled just under once a second, minute
// and second counters, the "next scan" label and the due scan.
#pragma once
#include <functional>

#include "platform/context.h"
#include "shell/background/settings_screen.h"
#include "store/app_state.h"

namespace morvane {

struct SchedulerHooks {
  // Shows the scan progress screen and runs a scan with AutoScan True; the
  // scan and its removal step run to their end inside this call.
  std::function<void()> RunAutoScan;
  // Applies the settings (after the scheduler switched itself off).
  std::function<void()> ApplySettings;
};

class AutoScanScheduler {
 public:
  static constexpr uint32_t kClockMs = 987;

  AutoScanScheduler(Context& ctx, AppState& app, ISettingsView& view, SchedulerHooks hooks)
      : ctx_(ctx), app_(app), view_(view), hooks_(std::move(hooks)) {}

  // The last step of ApplySettings: starts or stops the clock by line 4.
  void ApplyClock();
  // tmrTimer: the clock field takes the time of day; a new text runs the second step.
  void tmrTimer_Timer();
  // The second step.
  void txtTime_Change();

  bool ClockRunning() const { return running_; }
  // The interval as a whole number of minutes of at least 1; 0 when line 8
  // holds anything else (the scheduler then switches itself off).
  int64_t IntervalMinutes() const;

  Text txtMinutes = "0";
  Text txtSeconds = "0";
  Text txtTime;

 private:
  void SetClock(bool running);
  void SwitchOff();

  Context& ctx_;
  AppState& app_;
  ISettingsView& view_;
  SchedulerHooks hooks_;
  bool running_ = false;
};

}  // namespace morvane
