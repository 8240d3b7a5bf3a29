#include "shell/background/settings_screen.h"

#include "platform/modules.h"
#include "shell/background/scheduler.h"
#include "shell/dialogs/dialogs.h"

namespace morvane {

namespace {
constexpr size_t kHomePageLine = 2;
constexpr size_t kScanModeLine = 9;
constexpr int kSettingsBoxes = 6;
constexpr int kScanModes = 3;

// The integer value of a line: its leading whole number, 0 when it has none.
long long LeadingInteger(const Text& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value < 1000000; ++i) value = value * 10 + (text[i] - '0');
  return negative ? -value : value;
}
}  // namespace

bool StartWithWindows::Registered() {
  const Text data = modRegistry(ctx_).GetRegistryString(kRunKey, kRunValue);
  return !data.empty() && data != "Error";
}

void StartWithWindows::Register() { modRegistry(ctx_).SetRegistryString(kRunKey, kRunValue, Data()); }

void StartWithWindows::Unregister() { modRegistry(ctx_).DeleteRegistryValue(kRunKey, kRunValue); }

void HomePageGuard::tmrHomePageCheck_Timer() {
  modRegistry registry(ctx_);
  registry.SetRegistryString(kBrowserMainKey, "Start Page", TableLine(app_.lstSettingsFile, 6));
  registry.SetRegistryString(kBrowserMainKey, "Window Title", TableLine(app_.lstSettingsFile, 7));
}

void SettingsScreen::ApplySettings() {
  ++applyCount;
  const ListBox& lines = app_.lstSettingsFile;
  view_.SetLabel(SettingsLabel::lblDBaseVer, app_.lstDBaseFile.Empty() ? Text() : app_.lstDBaseFile.Item(1).text);
  if (hooks_.StatusInfoDisplay) hooks_.StatusInfoDisplay();
  view_.SetLabel(SettingsLabel::lblAppVersion, hooks_.appVersion);

  const bool registered = run_.Registered();
  if (view_.chkStartWithWindows() != registered) {
    view_.SetChkStartWithWindows(registered);
    chkStartWithWindows_Click();
  }

  for (int i = 0; i < kSettingsBoxes; ++i) {
    const bool on = TableLine(lines, size_t(i)) == "1";
    if (view_.chkSettings(i) != on) {
      view_.SetChkSettings(i, on);
      chkSettings_Click(i);
    }
  }

  homePageTimer_ = TableLine(lines, kHomePageLine) == "1";
  view_.EnableTimer(ShellTimer::tmrHomePageCheck, homePageTimer_);

  // A mode outside the three options selects none and leaves the line as it is.
  const long long mode = LeadingInteger(TableLine(lines, kScanModeLine));
  if (mode >= 0 && mode < kScanModes && view_.optScanMode() != int(mode)) {
    view_.SetOptScanMode(int(mode));
    optScanMode_Click(int(mode));
  }

  scheduler_.ApplyClock();
}

void SettingsScreen::chkSettings_Click(int Index) {
  if (Index < 0 || Index >= kSettingsBoxes) return;
  SetTableLine(app_.lstSettingsFile, size_t(Index), view_.chkSettings(Index) ? "1" : "0");
  ApplySettings();
}

void SettingsScreen::optScanMode_Click(int Index) {
  SetTableLine(app_.lstSettingsFile, kScanModeLine, std::to_string(Index));
  ApplySettings();
  ctx_.YieldToHost();
}

void SettingsScreen::chkStartWithWindows_Click() {
  if (view_.chkStartWithWindows())
    run_.Register();
  else
    run_.Unregister();
}

}  // namespace morvane
