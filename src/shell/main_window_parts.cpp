#include "shell/main_window_parts.h"

#include <utility>

#include "store/app_settings.h"

namespace morvane {

MainWindowParts::MainWindowParts(PartsHost host, IPartsView& view, const Text& programFileBase)
    : run(host.ctx, host.app.programFolder, programFileBase),
      // Through the window's rule: no scan starts inside another long handler
      // either, nor while a dialog or a message box is open over the window.
      scheduler(host.ctx, host.app, *this,
                {[this, scan = host.autoScan] {
                   if (!dialogOpen_ && !host_.ctx.messages().Showing() && scan) scan();
                 },
                 [this] { settings.ApplySettings(); }}),
      settings(host.ctx, host.app, *this, scheduler, run, {host.statusInfoDisplay, host.programVersion}),
      homePage(host.ctx, host.app),
      tray(host.ctx, view, {host.saveData, host.exit}),
      host_(std::move(host)),
      view_(view) {}

void MainWindowParts::chkSettings_Click(int index, bool ticked) { settings.chkSettings_Click(index, ticked); }

void MainWindowParts::chkStartWithWindows_Click(bool ticked) { settings.chkStartWithWindows_Click(ticked); }

void MainWindowParts::optScanMode_Click(int index) {
  // The three options are one group on every screen: the others clear.
  ShowOptScanMode(index);
  settings.optScanMode_Click(index);
}

void MainWindowParts::OpenDialog(Dialog dialog) {
  Context& ctx = host_.ctx;
  AppState& app = host_.app;
  auto apply = [this] { settings.ApplySettings(); };
  // The dialog's modal loop still runs the timers.
  const bool wasOpen = std::exchange(dialogOpen_, true);
  struct Reopen {
    bool& open;
    bool was;
    ~Reopen() { open = was; }
  } reopen{dialogOpen_, wasOpen};
  switch (dialog) {
    case Dialog::HomePage: {
      frmHomePageInfo d(ctx, app);
      view_.RunDialog(d);
      break;
    }
    case Dialog::ActiveProtection: {
      frmActiveProtection d(ctx, app);
      view_.RunDialog(d);
      break;
    }
    case Dialog::RegBackup: {
      frmRegBackUp d(ctx, app);
      view_.RunDialog(d);
      break;
    }
    case Dialog::CustomScan: {
      frmCustomScanSettings d(ctx, app, apply);
      view_.RunDialog(d);
      break;
    }
    case Dialog::AddDir: {
      frmAddDir d(ctx, app, view_.Drives(), apply);
      view_.RunDialog(d);
      break;
    }
  }
}

void MainWindowParts::Form_Resize(WindowState state) {
  int left = 0, top = 0;
  view_.WindowPosition(left, top);
  tray.Form_Resize(left, top, state == WindowState::Minimized ? FrameState::Minimized : FrameState::Normal);
}

void MainWindowParts::ShowChkSettings(int index, bool ticked) {
  host_.view.SetChecked(Check(int(Check::chkSettings0) + index), ticked);
}

void MainWindowParts::ShowChkStartWithWindows(bool ticked) { host_.view.SetChecked(Check::chkStartWithWindows, ticked); }

void MainWindowParts::ShowOptScanMode(int index) {
  for (int i = 0; i < kScanModeCount; ++i) host_.view.SetChecked(Check(int(Check::optScanMode0) + i), i == index);
}

void MainWindowParts::SetLabel(SettingsLabel label, const Text& caption) {
  switch (label) {
    case SettingsLabel::lblDBaseVer: host_.setCaption(Label::lblDBaseVer, caption); break;
    case SettingsLabel::lblAppVersion: host_.setCaption(Label::lblAppVersion, caption); break;
    case SettingsLabel::lblNextAutoScanIn: host_.setCaption(Label::lblNextAutoScanIn, caption); break;
  }
}

void MainWindowParts::EnableTimer(ShellTimer timer, bool enabled) {
  host_.view.SetTimerEnabled(timer == ShellTimer::tmrTimer ? Timer::tmrTimer : Timer::tmrHomePageCheck, enabled);
}

}  // namespace morvane
