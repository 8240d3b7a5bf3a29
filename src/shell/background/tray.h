// The notification-area icon and the main window's hiding in it.
#pragma once
#include <array>
#include <functional>

#include "platform/context.h"

namespace morvane {

constexpr const char* kTrayTip = "Clik here to open Morvane.";
// The icon reports through a message of its own (WM_APP + 20), so ordinary
// mouse movement over the window can never look like an icon event.
constexpr uint32_t kTrayCallbackMessage = 0x8000 + 20;
constexpr uint32_t kTrayLeftButtonUp = 514;   // WM_LBUTTONUP
constexpr uint32_t kTrayRightButtonUp = 517;  // WM_RBUTTONUP
constexpr uint32_t kTrayFlags = 7;            // message, icon and tip are valid
constexpr const char* kTaskbarCreatedMessage = "TaskbarCreated";

// The platform's notification icon record, kept from creation to exit and
// passed unchanged to add and delete.
struct NotifyIconRecord {
  win::HWnd window = 0;
  uint32_t id = 1;
  uint32_t flags = kTrayFlags;
  uint32_t callbackMessage = kTrayCallbackMessage;
  uintptr_t icon = 0;
  std::array<char, 64> tip{};  // NUL-terminated
};
NotifyIconRecord MakeTrayRecord(win::HWnd window, uintptr_t icon);

enum class TrayCommand : uint32_t { Add = 0, Delete = 2 };
enum class FrameState { Normal, Minimized, Maximized };

class ITrayView {
 public:
  virtual ~ITrayView() = default;
  virtual bool NotifyIcon(TrayCommand command, const NotifyIconRecord& record) = 0;
  // mnuPopUp at the mouse position: the open item, a separator, "Exit".
  virtual void ShowTrayMenu() = 0;
  virtual FrameState State() const = 0;
  virtual void SetState(FrameState state) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void Move(int left, int top) = 0;
  // Topmost and at once not topmost again, without moving or sizing.
  virtual void BringToFront() = 0;
};

struct TrayHooks {
  std::function<void()> SaveData;        // all settings tables
  std::function<void()> CloseMainWindow;  // the exit rules apply (refused during a scan)
};

class TrayIcon {
 public:
  TrayIcon(Context& ctx, ITrayView& view, TrayHooks hooks) : ctx_(ctx), view_(view), hooks_(std::move(hooks)) {}

  // Adds the icon unless another instance of the program runs.
  void AddToSystemTray(const NotifyIconRecord& record, bool previousInstance);
  void RemoveFromSystemTray();
  // Explorer restarted: the icon is added again.
  void OnTaskbarCreated();
  // The icon's callback message; code = the mouse message it reports.
  void OnTrayMessage(uint32_t code);
  void mnuPopUpOpen_Click() { RestoreWindow(); }
  void mnuPopUpExit_Click() {
    if (hooks_.CloseMainWindow) hooks_.CloseMainWindow();
  }
  // Every size or state change of the main window.
  void Form_Resize(int left, int top, FrameState state);
  void RestoreWindow();

  bool IconShown() const { return shown_; }
  int rememberedLeft = 0;
  int rememberedTop = 0;

 private:
  Context& ctx_;
  ITrayView& view_;
  TrayHooks hooks_;
  NotifyIconRecord record_;
  bool shown_ = false;
};

}  // namespace morvane
