#include "shell/background/settings_screen.h"

#include "platform/modules.h"
#include "shell/background/scheduler.h"
#include "shell/dialogs/dialogs.h"
#include "store/app_settings.h"

namespace morvane {

bool StartWithWindows::Registered() {
  return HasRegistryText(Value());
}

std::optional<Text> StartWithWindows::Value() { return modRegistry(ctx_).GetRegistryString(kRunKey, kRunValue); }

void StartWithWindows::Register() { modRegistry(ctx_).SetRegistryString(kRunKey, kRunValue, Data()); }

void StartWithWindows::Unregister() { modRegistry(ctx_).DeleteRegistryValue(kRunKey, kRunValue); }

void HomePageGuard::tmrHomePageCheck_Timer() {
  modRegistry registry(ctx_);
  const Settings settings(app_);
  registry.SetRegistryString(kBrowserMainKey, "Start Page", settings.HomePage());
  registry.SetRegistryString(kBrowserMainKey, "Window Title", settings.WindowTitle());
}

void SettingsScreen::ApplySettings() {
  ++applyCount;
  const Settings settings(app_);
  view_.SetLabel(SettingsLabel::lblDBaseVer, app_.lstDBaseFile.Empty() ? Text() : app_.lstDBaseFile.Item(1).text);
  if (hooks_.StatusInfoDisplay) hooks_.StatusInfoDisplay();
  view_.SetLabel(SettingsLabel::lblAppVersion, hooks_.appVersion);

  // A start from a moved folder finds the value and rewrites it with this
  // path; an empty value counts as absent and goes.
  const std::optional<Text> value = run_.Value();
  const bool registered = HasRegistryText(value);
  if (registered && *value != run_.Data()) run_.Register();
  if (value && value->empty()) run_.Unregister();
  view_.ShowChkStartWithWindows(registered);

  for (int i = 0; i < kSettingsBoxCount; ++i) view_.ShowChkSettings(i, settings.On(Settings::BoxLine(i)));

  homePageTimer_ = settings.HomePageProtected();
  view_.EnableTimer(ShellTimer::tmrHomePageCheck, homePageTimer_);

  // The mode the scan will run; the line stays as written until a click.
  view_.ShowOptScanMode(int(settings.Mode()));

  scheduler_.ApplyClock();
}

void SettingsScreen::chkSettings_Click(int Index, bool ticked) {
  if (Index < 0 || Index >= kSettingsBoxCount) return;
  Settings(app_).SetOn(Settings::BoxLine(Index), ticked);
  ApplySettings();
}

void SettingsScreen::optScanMode_Click(int Index) {
  Settings(app_).SetScanMode(Index);
  ApplySettings();
  ctx_.YieldToHost();
}

void SettingsScreen::chkStartWithWindows_Click(bool ticked) {
  if (ticked)
    run_.Register();
  else
    run_.Unregister();
  // The box shows what the registry holds, also when it refused the change.
  view_.ShowChkStartWithWindows(run_.Registered());
}

}  // namespace morvane
