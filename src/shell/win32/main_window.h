// Morvane's main window: the Win32 view of frmMain. One top-level window
// holding the navigation panel and the nine screens (child dialogs from the
// resource script), the splash window, the timers and the message pump that
// the logic's long loops yield to.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <array>

#include "shell/frm_main.h"
#include "shell/main_view.h"

namespace morvane::w32ui {

class PartsWindow;

constexpr const char* kMainWindowClass = "MorvaneMain";
constexpr const char* kMainWindowCaption = "Morvane";

// Timer identifiers of the main window.
constexpr UINT_PTR kTimerScrollingBar = 1;   // tmrScrollingBar
constexpr UINT_PTR kTimerAutoScan = 2;       // tmrTimer
constexpr UINT_PTR kTimerHomePageCheck = 3;  // tmrHomePageCheck
constexpr UINT_PTR kTimerCaptionFlush = 4;   // paints captions held back during a scan
constexpr UINT kAutoScanInterval = 987;
constexpr UINT kHomePageCheckInterval = 30000;

// Private messages.
constexpr UINT kMsgRefreshList = WM_APP + 1;  // wParam: ListId; redraws the list from its table

// The yield hook pumps at most this often; captions of the scan screen are
// painted at most this often (the last one always).
constexpr DWORD kPumpSliceMs = 12;
constexpr DWORD kCaptionPaintMs = 50;

class MainWindow : public IMainView {
 public:
  explicit MainWindow(HINSTANCE instance);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // The splash window, shown at once.
  void ShowSplash();
  // The main window (hidden until the logic places it) with its screens.
  bool Create();
  void Attach(frmMain* form) { form_ = form; }
  // The tray icon, its menu and the settings dialogs.
  void AttachParts(PartsWindow* parts) { parts_ = parts; }
  HWND Handle() const { return hwnd_; }
  bool Closed() const { return closed_; }

  // Context::onYield: a time-sliced message pump.
  void OnYield();
  // Dispatches one message of a loop (keyboard navigation included).
  void Dispatch(MSG& m);
  // Paints every held-back caption now.
  void FlushCaptions();
  // Shows the window if the logic has not (start-up ended early).
  void EnsureShown();

  // IMainView.
  void ShowScreen(Screen screen) override;
  void SetCaption(Label label, const Text& caption) override;
  void SetButtonCaption(Button button, const Text& caption) override;
  void SetCommandsEnabled(const CommandSet& allowed) override;
  void SetChecked(Check box, bool checked) override;
  void RefreshList(ListId list, const ListView& table) override;
  void ShowPopupMenu(Menu menu) override;
  void SetTimerEnabled(Timer timer, bool enabled) override;
  void SetScrollingBarLeft(float twips) override;
  void SetWindowState(WindowState state) override;
  void CenterWindow() override;
  win::HWnd OwnerWindow() override;
  void CloseProgram() override;
  void UnloadSplash() override;
  void PaintNow() override;

  // Window procedures (exception barriers).
  static LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static INT_PTR CALLBACK ScreenProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  LRESULT OnMainMessage(UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR OnScreenMessage(HWND screen, UINT msg, WPARAM wp, LPARAM lp);
  void OnCommand(int id, int code, HWND control);
  bool OnNotify(const NMHDR& hdr);
  void OnTimer(UINT_PTR id);
  void OnContextMenu(HWND list, LPARAM at);
  bool OnAccessKey(char letter);
  void InitScreen(HWND screen);
  void InitList(HWND screen, int id);
  void PaintStrip(HWND strip);
  bool FocusLost() const;
  void Pump();
  HWND Control(int id) const;
  HWND ScreenOf(int id) const;
  int Dpi(bool horizontal) const;
  static LRESULT CALLBACK StripProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self);

  struct Held {
    Text text;
    bool dirty = false;
  };

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  HWND splash_ = nullptr;
  HWND nav_ = nullptr;
  std::array<HWND, kScreenCount> screens_{};
  frmMain* form_ = nullptr;
  PartsWindow* parts_ = nullptr;
  HFONT titleFont_ = nullptr;
  HFONT linkFont_ = nullptr;
  HIMAGELIST typeImages_ = nullptr;
  HIMAGELIST packageImages_ = nullptr;
  WindowState state_ = WindowState::Normal;
  bool shown_ = false;
  bool closed_ = false;
  bool quitting_ = false;
  int refreshing_ = 0;
  int notifying_ = 0;
  int barLeftPx_ = -1000;
  mutable int dpiX_ = 0, dpiY_ = 0;
  // Where the next pop-up menu opens; kAtCursor: at the mouse.
  static constexpr LONG kAtCursor = LONG(0x80000000);
  POINT menuAt_ = {kAtCursor, 0};
  DWORD lastPump_ = 0;
  DWORD lastPaint_ = 0;
  bool flushTimer_ = false;
  std::array<Held, kLabelCount> held_{};
  bool anyHeld_ = false;
  HWND refocus_ = nullptr;
  Screen shownScreen_ = Screen::Status;
};

// "major.minor.revision" from the running program's version resource.
Text ProgramVersion();

}  // namespace morvane::w32ui
