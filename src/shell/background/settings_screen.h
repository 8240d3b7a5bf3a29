// The settings screen: ApplySettings and the click operations of its boxes
// and of the scan mode options, the start-with-Windows Run value and the
// home page protection timer.
#pragma once
#include <functional>
#include <optional>

#include "platform/context.h"
#include "store/app_state.h"

namespace morvane {

enum class ShellTimer { tmrTimer, tmrHomePageCheck };
enum class SettingsLabel { lblDBaseVer, lblAppVersion, lblNextAutoScanIn };

// What the settings logic needs of the main window's controls. The boxes
// and options only show the settings table (and the Run value); showing a
// state must not raise its click event.
class ISettingsView {
 public:
  virtual ~ISettingsView() = default;
  virtual void ShowChkSettings(int index, bool ticked) = 0;  // 0 to 5
  virtual void ShowChkStartWithWindows(bool ticked) = 0;
  virtual void ShowOptScanMode(int index) = 0;
  virtual void SetLabel(SettingsLabel label, const Text& caption) = 0;
  virtual void EnableTimer(ShellTimer timer, bool enabled) = 0;
};

constexpr const char* kRunKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValue = "Morvane";
constexpr const char* kBrowserMainKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main";
constexpr uint32_t kHomePageCheckMs = 30000;

// The Run value that starts the program at every log-on.
class StartWithWindows {
 public:
  // programFileBase: the program file's name without its extension.
  StartWithWindows(Context& ctx, Text programFolder, Text programFileBase)
      : ctx_(ctx), folder_(std::move(programFolder)), base_(std::move(programFileBase)) {}
  // The value's data: the program path in double quotes, so that a folder
  // with blanks cannot be read as a shorter program plus arguments.
  Text Data() const { return "\"" + folder_ + "\\" + base_ + ".Exe\""; }
  // Present: the value reads neither empty nor "Error".
  bool Registered();
  // The value's data; nothing when it cannot be read.
  std::optional<Text> Value();
  void Register();
  void Unregister();

 private:
  Context& ctx_;
  Text folder_;
  Text base_;
};

// Writes the protected start page and window title (settings lines 6 and 7).
class HomePageGuard {
 public:
  HomePageGuard(Context& ctx, AppState& app) : ctx_(ctx), app_(app) {}
  void tmrHomePageCheck_Timer();

 private:
  Context& ctx_;
  AppState& app_;
};

class AutoScanScheduler;

struct SettingsHooks {
  std::function<void()> StatusInfoDisplay;  // refreshes the status screen
  Text appVersion;                          // major.minor.revision
};

class SettingsScreen {
 public:
  SettingsScreen(Context& ctx, AppState& app, ISettingsView& view, AutoScanScheduler& scheduler,
                 StartWithWindows& startWithWindows, SettingsHooks hooks)
      : ctx_(ctx), app_(app), view_(view), scheduler_(scheduler), run_(startWithWindows), hooks_(std::move(hooks)) {}

  // Shows the settings table in the boxes, the scan mode and the labels
  // and brings both timers in line with it.
  void ApplySettings();
  // The user changed a box or option: its line, then ApplySettings.
  void chkSettings_Click(int Index, bool ticked);
  void optScanMode_Click(int Index);
  void chkStartWithWindows_Click(bool ticked);

  bool HomePageTimerEnabled() const { return homePageTimer_; }
  int applyCount = 0;  // ApplySettings runs so far

 private:
  Context& ctx_;
  AppState& app_;
  ISettingsView& view_;
  AutoScanScheduler& scheduler_;
  StartWithWindows& run_;
  SettingsHooks hooks_;
  bool homePageTimer_ = false;
};

}  // namespace morvane
