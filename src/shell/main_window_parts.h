// The main window's full parts: the settings screen with ApplySettings, the
// five dialogs, home page protection, the auto-scan scheduler, the tray icon
// and start with Windows, installed into frmMain with SetParts. They reach
// the window only through its PartsHost.
#pragma once
#include <vector>

#include "shell/background/scheduler.h"
#include "shell/background/settings_screen.h"
#include "shell/background/tray.h"
#include "shell/dialogs/dialogs.h"
#include "shell/frm_main.h"

namespace morvane {

// What the parts need of the window beyond IMainView.
class IPartsView : public ITrayView {
 public:
  // Each runs its dialog modally; the object is the dialog's data in and out.
  virtual void RunDialog(frmHomePageInfo& dialog) = 0;
  virtual void RunDialog(frmActiveProtection& dialog) = 0;
  virtual void RunDialog(frmRegBackUp& dialog) = 0;
  virtual void RunDialog(frmCustomScanSettings& dialog) = 0;
  virtual void RunDialog(frmAddDir& dialog) = 0;
  // Closes whichever dialog is open (exit).
  virtual void EndDialogs() = 0;
  // The machine's drives as "C:", in letter order.
  virtual std::vector<Text> Drives() = 0;
  // The tray record for the main window and its icon.
  virtual NotifyIconRecord TrayRecord() = 0;
  virtual bool PreviousInstance() = 0;
  // The window's left and top (pixels).
  virtual void WindowPosition(int& left, int& top) = 0;
};

class MainWindowParts : public IMainWindowParts, private ISettingsView {
 public:
  // programFileBase: the program file's name without extension, for the Run value.
  MainWindowParts(PartsHost host, IPartsView& view, const Text& programFileBase);

  void ApplySettings() override { settings.ApplySettings(); }
  void chkSettings_Click(int index, bool ticked) override;
  void chkStartWithWindows_Click(bool ticked) override;
  void optScanMode_Click(int index) override;
  void OpenDialog(Dialog dialog) override;
  void UnloadDialogs() override { view_.EndDialogs(); }
  void AddToSystemTray() override { tray.AddToSystemTray(view_.TrayRecord(), view_.PreviousInstance()); }
  void RemoveFromSystemTray() override { tray.RemoveFromSystemTray(); }
  void Form_Resize(WindowState state) override;
  void tmrTimer_Timer() override { scheduler.tmrTimer_Timer(); }
  void tmrHomePageCheck_Timer() override { homePage.tmrHomePageCheck_Timer(); }

  // The tray icon's events, from the window's message handler.
  void OnTrayMessage(uint32_t code) { tray.OnTrayMessage(code); }
  void OnTaskbarCreated() { tray.OnTaskbarCreated(); }
  void mnuPopUpOpen_Click() { tray.mnuPopUpOpen_Click(); }
  void mnuPopUpExit_Click() { tray.mnuPopUpExit_Click(); }

  StartWithWindows run;
  AutoScanScheduler scheduler;
  SettingsScreen settings;
  HomePageGuard homePage;
  TrayIcon tray;

 private:
  void ShowChkSettings(int index, bool ticked) override;
  void ShowChkStartWithWindows(bool ticked) override;
  void ShowOptScanMode(int index) override;
  void SetLabel(SettingsLabel label, const Text& caption) override;
  void EnableTimer(ShellTimer timer, bool enabled) override;

  PartsHost host_;
  IPartsView& view_;
  bool dialogOpen_ = false;
};

}  // namespace morvane
