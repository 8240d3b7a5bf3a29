// The Win32 side of the main window's parts: the five modal dialogs over
// their data objects, the notification-area icon with its menu, and the
// window's hiding in the tray and coming back.
#pragma once
#include <windows.h>

#include <memory>

#include "shell/main_window_parts.h"

namespace morvane::w32ui {

class PartsWindow : public IPartsView {
 public:
  PartsWindow(HINSTANCE instance, HWND main) : instance_(instance), main_(main) {}
  void Attach(MainWindowParts* parts) { parts_ = parts; }

  // Messages of the main window that belong to the parts: the icon's
  // callback, "TaskbarCreated" and the tray menu's items. True when handled.
  bool OnMainMessage(UINT msg, WPARAM wp, LPARAM lp);

  // IPartsView.
  void RunDialog(frmHomePageInfo& dialog) override;
  void RunDialog(frmActiveProtection& dialog) override;
  void RunDialog(frmRegBackUp& dialog) override;
  void RunDialog(frmCustomScanSettings& dialog) override;
  void RunDialog(frmAddDir& dialog) override;
  void EndDialogs() override;
  std::vector<Text> Drives() override;
  NotifyIconRecord TrayRecord() override;
  bool PreviousInstance() override { return false; }
  void WindowPosition(int& left, int& top) override;

  // ITrayView.
  bool NotifyIcon(TrayCommand command, const NotifyIconRecord& record) override;
  void ShowTrayMenu() override;
  FrameState State() const override;
  void SetState(FrameState state) override;
  void SetVisible(bool visible) override;
  void Move(int left, int top) override;
  void BringToFront() override;

  struct Binding;

 private:
  void Run(int templateId, Binding& binding);

  HINSTANCE instance_;
  HWND main_;
  MainWindowParts* parts_ = nullptr;
  UINT taskbarCreated_ = RegisterWindowMessageA(kTaskbarCreatedMessage);
};

}  // namespace morvane::w32ui
