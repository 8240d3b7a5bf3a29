// A recording main window for frmMain with the full parts installed: the
// IMainView and IPartsView of the Win32 window, kept in memory.
#pragma once
#include <functional>
#include <map>
#include <vector>

#include "database/crypt.h"
#include "shell/main_window_parts.h"

namespace morvane::testing {

// A database file: the version line, then the records, each enciphered.
inline std::string EncipheredDatabase(const Text& version, const std::vector<Text>& records) {
  std::string text = modCrypt::EncryptString(version, kDatabaseKey);
  for (const Text& r : records) text += "\r\n" + modCrypt::EncryptString(r, kDatabaseKey);
  return text;
}

struct PartsView : IMainView, IPartsView {
  frmMain* form = nullptr;
  Screen screen = Screen::Status;
  std::map<Check, bool> checks;
  std::map<Timer, bool> timers;
  std::map<ListId, size_t> rows;
  std::map<Button, Text> buttonCaptions;
  std::vector<Text> events;
  FrameState state = FrameState::Normal;
  bool visible = true, closed = false;
  int left = 120, top = -40;
  // Each runs while its dialog is open; an unset one leaves with Cancel.
  std::function<void(frmHomePageInfo&)> onHomePage;
  std::function<void(frmActiveProtection&)> onActiveProtection;
  std::function<void(frmRegBackUp&)> onRegBackup;
  std::function<void(frmCustomScanSettings&)> onCustomScan;
  std::function<void(frmAddDir&)> onAddDir;
  // Observers of timers and command controls switched by the logic.
  std::function<void(Timer, bool)> onTimer;
  std::function<void(const CommandSet&)> onCommandsEnabled;
  CommandSet enabled;

  // IMainView
  void ShowScreen(Screen s) override { screen = s; }
  void SetCaption(Label, const Text&) override {}
  void SetButtonCaption(Button b, const Text& t) override { buttonCaptions[b] = t; }
  void SetCommandsEnabled(const CommandSet& allowed) override {
    enabled = allowed;
    if (onCommandsEnabled) onCommandsEnabled(allowed);
  }
  void SetChecked(Check c, bool on) override { checks[c] = on; }
  void RefreshList(ListId l, const ListView& t) override { rows[l] = t.Count(); }
  void ShowPopupMenu(Menu) override {}
  void SetTimerEnabled(Timer t, bool on) override {
    timers[t] = on;
    if (onTimer) onTimer(t, on);
  }
  void SetScrollingBarLeft(float) override {}
  void SetWindowState(WindowState s) override {
    state = s == WindowState::Minimized ? FrameState::Minimized : FrameState::Normal;
    form->Form_Resize(s);  // the window reports its new size
  }
  void CenterWindow() override {}
  win::HWnd OwnerWindow() override { return 0x10; }
  void CloseProgram() override { closed = true; }

  // IPartsView
  bool NotifyIcon(TrayCommand c, const NotifyIconRecord& r) override {
    events.push_back(Text(c == TrayCommand::Add ? "icon add " : "icon delete ") + r.tip.data());
    return true;
  }
  void ShowTrayMenu() override { events.push_back("tray menu"); }
  FrameState State() const override { return state; }
  void SetState(FrameState s) override { state = s; }
  void SetVisible(bool v) override { visible = v; }
  void Move(int l, int t) override { events.push_back("move " + std::to_string(l) + "," + std::to_string(t)); }
  void BringToFront() override { events.push_back("front"); }
  template <class D>
  static void Run(const std::function<void(D&)>& script, D& d) {
    if (script) script(d);
    else d.cmdCancel_Click();
  }
  void RunDialog(frmHomePageInfo& d) override { Run(onHomePage, d); }
  void RunDialog(frmActiveProtection& d) override { Run(onActiveProtection, d); }
  void RunDialog(frmRegBackUp& d) override { Run(onRegBackup, d); }
  void RunDialog(frmCustomScanSettings& d) override { Run(onCustomScan, d); }
  void RunDialog(frmAddDir& d) override { Run(onAddDir, d); }
  void EndDialogs() override { events.push_back("end dialogs"); }
  std::vector<Text> Drives() override { return {"C:"}; }
  NotifyIconRecord TrayRecord() override { return MakeTrayRecord(0x10, 0x20); }
  bool PreviousInstance() override { return false; }
  void WindowPosition(int& l, int& t) override { l = left, t = top; }
};

}  // namespace morvane::testing
