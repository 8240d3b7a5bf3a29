#include "shell/main_window_parts.h"

namespace morvane {

MainWindowParts::MainWindowParts(frmMain& form, IPartsView& view, const Text& programFileBase)
    : run(form.ctx, form.app.programFolder, programFileBase),
      scheduler(form.ctx, form.app, *this,
                // Through the window's rule: no scan starts inside another long handler either.
                {[&form] { form.Run(Command::AutoScan); }, [this] { settings.ApplySettings(); }}),
      settings(form.ctx, form.app, *this, scheduler, run, {[&form] { form.StatusInfoDisplay(); }, form.programVersion}),
      homePage(form.ctx, form.app),
      tray(form.ctx, view, {[&form] { form.SaveData(); }, [&form] { form.mnuPopUpExit_Click(); }}),
      form_(form),
      view_(view) {}

void MainWindowParts::chkSettings_Click(int index, bool ticked) {
  if (index < 0 || index >= int(boxes_.size())) return;
  boxes_[size_t(index)] = ticked;
  settings.chkSettings_Click(index);
}

void MainWindowParts::chkStartWithWindows_Click(bool ticked) {
  startBox_ = ticked;
  settings.chkStartWithWindows_Click();
}

void MainWindowParts::optScanMode_Click(int index) {
  // The three options are one group on every screen: the others clear.
  SetOptScanMode(index);
  settings.optScanMode_Click(index);
}

void MainWindowParts::OpenDialog(Dialog dialog) {
  Context& ctx = form_.ctx;
  AppState& app = form_.app;
  auto apply = [this] { settings.ApplySettings(); };
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

void MainWindowParts::SetChkSettings(int index, bool ticked) {
  boxes_.at(size_t(index)) = ticked;
  form_.view.SetChecked(Check(int(Check::chkSettings0) + index), ticked);
}

void MainWindowParts::SetChkStartWithWindows(bool ticked) {
  startBox_ = ticked;
  form_.view.SetChecked(Check::chkStartWithWindows, ticked);
}

void MainWindowParts::SetOptScanMode(int index) {
  mode_ = index;
  for (int i = 0; i < 3; ++i) form_.view.SetChecked(Check(int(Check::optScanMode0) + i), i == index);
}

void MainWindowParts::SetLabel(SettingsLabel label, const Text& caption) {
  switch (label) {
    case SettingsLabel::lblDBaseVer: form_.SetCaption(Label::lblDBaseVer, caption); break;
    case SettingsLabel::lblAppVersion: form_.SetCaption(Label::lblAppVersion, caption); break;
    case SettingsLabel::lblNextAutoScanIn: form_.SetCaption(Label::lblNextAutoScanIn, caption); break;
  }
}

void MainWindowParts::EnableTimer(ShellTimer timer, bool enabled) {
  form_.view.SetTimerEnabled(timer == ShellTimer::tmrTimer ? Timer::tmrTimer : Timer::tmrHomePageCheck, enabled);
}

}  // namespace morvane
