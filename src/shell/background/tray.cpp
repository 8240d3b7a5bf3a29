#include "shell/background/tray.h"

#include <cstring>

namespace morvane {

NotifyIconRecord MakeTrayRecord(win::HWnd window, uintptr_t icon) {
  NotifyIconRecord record;
  record.window = window;
  record.icon = icon;
  std::strncpy(record.tip.data(), kTrayTip, record.tip.size() - 1);
  return record;
}

void TrayIcon::AddToSystemTray(const NotifyIconRecord& record, bool previousInstance) {
  record_ = record;
  if (previousInstance) return;
  view_.NotifyIcon(TrayCommand::Add, record_);
  shown_ = true;
}

void TrayIcon::RemoveFromSystemTray() {
  if (!shown_) return;
  view_.NotifyIcon(TrayCommand::Delete, record_);
  shown_ = false;
}

void TrayIcon::OnTaskbarCreated() {
  if (shown_) view_.NotifyIcon(TrayCommand::Add, record_);
}

void TrayIcon::OnTrayMessage(uint32_t code) {
  if (code == kTrayLeftButtonUp)
    RestoreWindow();
  else if (code == kTrayRightButtonUp)
    view_.ShowTrayMenu();
}

void TrayIcon::Form_Resize(int left, int top, FrameState state) {
  if (state != FrameState::Minimized) {
    // A minimized window reports the parking place far off screen, not a position to come back to.
    rememberedLeft = left < 0 ? 0 : left;
    rememberedTop = top < 0 ? 0 : top;
    return;
  }
  view_.SetVisible(false);
  if (hooks_.SaveData) hooks_.SaveData();
  ctx_.YieldToHost();
}

void TrayIcon::RestoreWindow() {
  if (view_.State() != FrameState::Normal) {
    view_.SetState(FrameState::Normal);
    view_.SetVisible(true);
    view_.Move(rememberedLeft, rememberedTop);
  }
  view_.BringToFront();
}

}  // namespace morvane
