#include "shell/background/scheduler.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "shell/dialogs/dialogs.h"
#include "store/app_settings.h"
#include "store/settings.h"

namespace morvane {

namespace {
constexpr const char* kProtectionOff = " Active Spyware Protection is OFF";

int64_t CounterValue(const Text& text) {
  double value = 0;
  return ReadNumber(text, value) ? int64_t(value) : 0;
}
}  // namespace

int64_t AutoScanScheduler::IntervalMinutes() const {
  double value = 0;
  if (!ReadNumber(Settings(app_).AutoScanMinutes(), value)) return 0;
  const double whole = std::floor(value);
  return whole >= 1 ? int64_t(std::min(whole, 1e12)) : 0;
}

void AutoScanScheduler::SetClock(bool running) {
  running_ = running;
  view_.EnableTimer(ShellTimer::tmrTimer, running);
}

void AutoScanScheduler::ApplyClock() {
  if (Settings(app_).AutoScanOn()) {
    if (!running_) txtMinutes = txtSeconds = "0";
    SetClock(true);
  } else {
    txtMinutes = txtSeconds = "0";
    SetClock(false);
    view_.SetLabel(SettingsLabel::lblNextAutoScanIn, kProtectionOff);
  }
}

void AutoScanScheduler::tmrTimer_Timer() {
  const DateTime now = ctx_.clock().Now();
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", now.hour % 100, now.minute % 100, now.second % 100);
  if (txtTime == text) return;
  txtTime = text;
  txtTime_Change();
}

// An interval of "0" switches automatic scanning off; so does one that is no
// whole number of at least one minute, since no scan could ever fall due.
void AutoScanScheduler::SwitchOff() {
  SetClock(false);
  Settings(app_).SetOn(SettingsLine::AutoScan, false);
  SettingsStore(ctx_, app_).SaveSettingsToFile("\\Settings\\", "Settings.stg", app_.lstSettingsFile);
  ctx_.YieldToHost();
  // The box and the label say so at once rather than at the next change.
  if (hooks_.ApplySettings) hooks_.ApplySettings();
}

void AutoScanScheduler::txtTime_Change() {
  if (!running_) return;  // a tick that was already queued when the clock stopped
  const int64_t interval = IntervalMinutes();
  if (interval == 0) {
    SwitchOff();
    return;
  }
  txtSeconds = std::to_string(CounterValue(txtSeconds) + 1);
  if (CounterValue(txtSeconds) > 59) {
    txtMinutes = std::to_string(CounterValue(txtMinutes) + 1);
    if (CounterValue(txtMinutes) >= IntervalMinutes() && IntervalMinutes() >= 1) {
      txtMinutes = txtSeconds = "0";
      if (!ctx_.OperationInProgress && hooks_.RunAutoScan) hooks_.RunAutoScan();
    }
    txtSeconds = "0";
  }
  const int64_t left = IntervalMinutes() - CounterValue(txtMinutes) - 1;
  view_.SetLabel(SettingsLabel::lblNextAutoScanIn, " Next Auto Scan in " + std::to_string(left) + " minutes and " +
                                                       std::to_string(60 - CounterValue(txtSeconds)) + " seconds");
}

}  // namespace morvane
