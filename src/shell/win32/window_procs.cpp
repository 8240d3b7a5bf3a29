// The main window's message handling: window and dialog procedures (each an
// exception barrier), the command table, list notifications, timers and the
// time-sliced pump of the yield hook.
#include <windows.h>
#include <commctrl.h>

#include <windowsx.h>

#include <cstring>
#include <iterator>

#include "shell/win32/control_map.h"
#include "shell/win32/link_label.h"
#include "shell/win32/main_window.h"
#include "shell/win32/parts_window.h"

namespace morvane::w32ui {

namespace {

constexpr UINT kWmDpiChanged = 0x02E0;  // WM_DPICHANGED (Windows 8.1 and later)

char Lower(char c) {
  char s[2] = {c, 0};
  CharLowerA(s);
  return s[0];
}

MainWindow* FromWindow(HWND hwnd) { return reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)); }

}  // namespace

LRESULT CALLBACK MainWindow::MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    if (msg == WM_NCCREATE) {
      auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, LONG_PTR(self));
      self->hwnd_ = hwnd;
    }
    if (MainWindow* self = FromWindow(hwnd)) return self->OnMainMessage(msg, wp, lp);
  } catch (...) {
    // Nothing crosses into the system; the window goes on.
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT MainWindow::OnMainMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (parts_ && parts_->OnMainMessage(msg, wp, lp)) return 0;
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_TIMER:
      OnTimer(wp);
      return 0;
    case kMsgRefreshList:
      if (form_ && wp < std::size(kLists)) RefreshList(ListId(wp), form_->Table(ListId(wp)));
      return 0;
    case WM_ACTIVATE:
      // The splash window goes once the main window is in front after start-up.
      if (LOWORD(wp) != WA_INACTIVE && form_ && form_->Started() && IsWindowVisible(hwnd_)) UnloadSplash();
      break;
    case WM_SIZE:
      // Starting minimized hides the window in the tray as a later minimize does.
      if (form_ && (form_->Started() || wp == SIZE_MINIMIZED) && (wp == SIZE_MINIMIZED || wp == SIZE_RESTORED))
        form_->Form_Resize(wp == SIZE_MINIMIZED ? WindowState::Minimized : WindowState::Normal);
      break;
    case kWmDpiChanged: {
      // Moved to a screen of another scale: the size the system proposes.
      const RECT& r = *reinterpret_cast<const RECT*>(lp);
      SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    // Log-off and shut-down send no WM_CLOSE: the process ends after these.
    case WM_QUERYENDSESSION:
      return form_ ? form_->QueryEndSession() : TRUE;
    case WM_ENDSESSION:
      if (wp && form_) form_->EndSession();
      return 0;
    case WM_CLOSE:
      // The logic may refuse (a scan runs or waits for its removal step).
      if (form_ && form_->Form_Unload()) return 0;
      CloseProgram();
      return 0;
    case WM_DESTROY:
      closed_ = true;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

INT_PTR CALLBACK MainWindow::ScreenProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    if (msg == WM_INITDIALOG) {
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, LONG_PTR(lp));
      reinterpret_cast<MainWindow*>(lp)->InitScreen(hwnd);
      return FALSE;
    }
    if (MainWindow* self = FromWindow(hwnd)) return self->OnScreenMessage(hwnd, msg, wp, lp);
  } catch (...) {
    return FALSE;
  }
  return FALSE;
}

INT_PTR MainWindow::OnScreenMessage(HWND screen, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return TRUE;
    case WM_NOTIFY:
      if (OnNotify(*reinterpret_cast<const NMHDR*>(lp))) return TRUE;
      break;
    case WM_CONTEXTMENU:
      // A right click, Shift+F10 or the context-menu key on a list.
      OnContextMenu(reinterpret_cast<HWND>(wp), lp);
      return TRUE;
    case WM_CTLCOLORSTATIC: {
      HWND c = reinterpret_cast<HWND>(lp);
      HDC dc = reinterpret_cast<HDC>(wp);
      const int id = GetDlgCtrlID(c);
      if (IsLink(c)) SetTextColor(dc, IsWindowEnabled(c) ? LinkColour() : GetSysColor(COLOR_GRAYTEXT));
      else if (id % 100 == 1 || id == IDC_NAV_NAME) SetTextColor(dc, RGB(16, 56, 112));
      else return FALSE;
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return INT_PTR(GetSysColorBrush(COLOR_BTNFACE));
    }
  }
  return FALSE;
}

// Every control's command through the command table; boxes and options
// with their index and state.
void MainWindow::OnCommand(int id, int code, HWND control) {
  if (!form_ || (code != BN_CLICKED && code != STN_CLICKED)) return;
  int index = 0;
  const CommandRow* row = CommandWithId(id, index);
  if (!row) return;
  const bool ticked = !row->box || SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
  form_->Run(row->command, index, ticked);
}

bool MainWindow::OnNotify(const NMHDR& hdr) {
  const ListColumns* list = ListById(int(hdr.idFrom));
  if (!list || !form_) return false;
  ++notifying_;
  switch (hdr.code) {
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(hdr);
      if (refreshing_ || !(change.uChanged & LVIF_STATE) || change.iItem < 0) break;
      const UINT diff = change.uNewState ^ change.uOldState;
      if ((diff & LVIS_STATEIMAGEMASK) && (change.uOldState & LVIS_STATEIMAGEMASK))
        form_->SetRowChecked(list->list, size_t(change.iItem) + 1, (change.uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2));
      if (diff & LVIS_SELECTED)
        form_->SelectRow(list->list, (change.uNewState & LVIS_SELECTED) ? size_t(change.iItem) + 1 : 0);
      break;
    }
    case NM_DBLCLK:
      --notifying_;
      if (list->list == ListId::lstQuarantinedList) form_->lstQuarantinedList_DblClick();
      return true;
  }
  --notifying_;
  return false;
}

void MainWindow::OnContextMenu(HWND control, LPARAM at) {
  const ListColumns* list = form_ ? ListById(GetDlgCtrlID(control)) : nullptr;
  if (!list || !IsChild(hwnd_, control)) return;
  if (at == -1) {
    // From the keyboard: below the focused row, else at the list's corner.
    RECT r = {LVIR_BOUNDS, 0, 0, 0};
    const int item = int(SendMessageA(control, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
    POINT p = {8, 8};
    if (item >= 0 && SendMessageA(control, LVM_GETITEMRECT, WPARAM(item), LPARAM(&r))) p = {r.left + 8, r.bottom};
    ClientToScreen(control, &p);
    menuAt_ = p;
  } else {
    menuAt_ = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  }
  switch (list->list) {
    case ListId::lstScanResult: form_->lstScanResult_MouseUp(2); break;
    case ListId::lstIgnoreList: form_->lstIgnoreList_MouseUp(2); break;
    case ListId::lstQuarantinedList: form_->lstQuarantinedList_MouseUp(2); break;
    default: break;
  }
  menuAt_.x = kAtCursor;
}

// Alt+letter on a link of the navigation or the visible screen runs it as a
// click; buttons and boxes are left to the dialog manager.
bool MainWindow::OnAccessKey(char letter) {
  const char want = Lower(letter);
  for (HWND parent : {nav_, screens_[size_t(form_ ? form_->State().screen : Screen::Status)]}) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      if (!IsLink(c) || !IsWindowVisible(c) || !IsWindowEnabled(c)) continue;
      char text[128] = {};
      GetWindowTextA(c, text, sizeof text);
      const char* amp = strchr(text, '&');
      if (!amp || !amp[1]) continue;
      if (Lower(amp[1]) != want) continue;
      SetFocus(c);
      SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c), STN_CLICKED), LPARAM(c));
      return true;
    }
  }
  return false;
}

void MainWindow::OnTimer(UINT_PTR id) {
  if (id == kTimerCaptionFlush) {
    FlushCaptions();
    return;
  }
  if (!form_) return;
  switch (id) {
    case kTimerScrollingBar: form_->tmrScrollingBar_Timer(); break;
    case kTimerAutoScan: form_->tmrTimer_Timer(); break;
    case kTimerHomePageCheck: form_->tmrHomePageCheck_Timer(); break;
  }
}

// picScrolling: a white strip with the bar shpScrolling drawn at its place.
LRESULT CALLBACK MainWindow::StripProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
  try {
    if (msg == WM_PAINT) {
      reinterpret_cast<MainWindow*>(self)->PaintStrip(hwnd);
      return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;
    return DefSubclassProc(hwnd, msg, wp, lp);
  } catch (...) {
    return 0;
  }
}

void MainWindow::PaintStrip(HWND strip) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(strip, &ps);
  RECT rc;
  GetClientRect(strip, &rc);
  FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
  RECT bar = {barLeftPx_, rc.top, barLeftPx_ + MulDiv(int(kBarWidth), Dpi(true), 1440), rc.bottom};
  FillRect(dc, &bar, GetSysColorBrush(COLOR_HIGHLIGHT));
  EndPaint(strip, &ps);
}

// ---- the yield hook ---------------------------------------------------------------

void MainWindow::OnYield() {
  const DWORD now = GetTickCount();
  if (now - lastPump_ < kPumpSliceMs) return;
  lastPump_ = now;
  if (anyHeld_ && now - lastPaint_ >= kCaptionPaintMs) FlushCaptions();
  if (GetQueueStatus(QS_ALLINPUT) == 0) return;
  Pump();
}

void MainWindow::Pump() {
  MSG m;
  while (!quitting_ && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      // For the outer loop; nothing more is pumped here.
      quitting_ = true;
      PostQuitMessage(int(m.wParam));
      return;
    }
    Dispatch(m);
  }
}

void MainWindow::Dispatch(MSG& m) {
  if (m.message == WM_SYSCHAR && hwnd_ && !closed_ && (m.hwnd == hwnd_ || IsChild(hwnd_, m.hwnd)) &&
      OnAccessKey(char(m.wParam)))
    return;
  if (hwnd_ && !closed_ && IsDialogMessageA(hwnd_, &m)) return;
  TranslateMessage(&m);
  DispatchMessageA(&m);
}

}  // namespace morvane::w32ui
