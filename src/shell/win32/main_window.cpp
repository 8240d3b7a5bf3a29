// The main window's creation and what the logic asks of it (IMainView).
#include "shell/win32/main_window.h"

#include <commctrl.h>

#include <cmath>

#include "shell/win32/control_map.h"
#include "shell/win32/link_label.h"
#include "shell/win32/list_view.h"

namespace morvane::w32ui {

namespace {

INT_PTR CALLBACK SplashProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

HFONT DerivedFont(HWND from, int heightPt, int weight, bool underline) {
  LOGFONTA lf = {};
  HFONT base = reinterpret_cast<HFONT>(SendMessageA(from, WM_GETFONT, 0, 0));
  GetObjectA(base ? HGDIOBJ(base) : GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  if (heightPt) {
    HDC dc = GetDC(from);
    lf.lfHeight = -MulDiv(heightPt, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(from, dc);
  }
  lf.lfWeight = weight;
  lf.lfUnderline = underline;
  return CreateFontIndirectA(&lf);
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance) {}

MainWindow::~MainWindow() {
  if (titleFont_) DeleteObject(titleFont_);
  if (linkFont_) DeleteObject(linkFont_);
  if (typeImages_) ImageList_Destroy(typeImages_);
  if (packageImages_) ImageList_Destroy(packageImages_);
}

void MainWindow::ShowSplash() {
  splash_ = CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_SPLASH), nullptr, SplashProc, 0);
  if (!splash_) return;
  ShowWindow(splash_, SW_SHOWNORMAL);
  UpdateWindow(splash_);
}

bool MainWindow::Create() {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = MainProc;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainWindowClass;
  wc.hIcon = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_MORVANE), IMAGE_ICON, 32, 32, 0));
  wc.hIconSm = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_MORVANE), IMAGE_ICON, 16, 16, 0));
  RegisterClassExA(&wc);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  hwnd_ = CreateWindowExA(WS_EX_CONTROLPARENT, kMainWindowClass, kMainWindowCaption, style, CW_USEDEFAULT,
                          CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance_, this);
  if (!hwnd_) return false;

  typeImages_ = MakeImageList(instance_, {IDI_TYPE_FILE, IDI_TYPE_FOLDER, IDI_TYPE_PATH, IDI_TYPE_REGKEY,
                                          IDI_TYPE_REGVAL, IDI_TYPE_COOKIE});
  packageImages_ = MakeImageList(instance_, {IDI_TYPE_FOLDER});
  nav_ = CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_NAV), hwnd_, ScreenProc, LPARAM(this));
  for (size_t i = 0; i < kScreenCount; ++i)
    screens_[i] = CreateDialogParamA(instance_, MAKEINTRESOURCEA(ScreenDialogId(Screen(i))), hwnd_, ScreenProc,
                                     LPARAM(this));
  if (!nav_) return false;
  for (HWND s : screens_)
    if (!s) return false;

  // Navigation on the left, the screens beside it; the window fits them.
  RECT nav, screen;
  GetWindowRect(nav_, &nav);
  GetWindowRect(screens_[0], &screen);
  const int navW = nav.right - nav.left, w = screen.right - screen.left, h = screen.bottom - screen.top;
  SetWindowPos(nav_, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(nav_, SW_SHOW);
  for (HWND s : screens_) SetWindowPos(s, nullptr, navW, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RECT r = {0, 0, navW + w, h};
  AdjustWindowRectEx(&r, style, FALSE, WS_EX_CONTROLPARENT);
  SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowScreen(Screen::Status);
  return true;
}

// Fonts, links, lists and the scrolling strip of one child dialog.
void MainWindow::InitScreen(HWND screen) {
  if (!titleFont_) titleFont_ = DerivedFont(screen, 12, FW_BOLD, false);
  if (!linkFont_) linkFont_ = DerivedFont(screen, 0, FW_NORMAL, true);
  for (HWND c = GetWindow(screen, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    const int id = GetDlgCtrlID(c);
    char cls[32] = {};
    GetClassNameA(c, cls, sizeof cls);
    const LONG style = GetWindowLongA(c, GWL_STYLE);
    if (lstrcmpiA(cls, "Static") == 0 && (style & SS_NOTIFY)) MakeLink(c, linkFont_);
    if (id % 100 == 1 || id == IDC_NAV_NAME) SendMessageA(c, WM_SETFONT, WPARAM(titleFont_), FALSE);
    if (ListById(id)) InitList(screen, id);
    if (id == IDC_PIC_SCROLLING) {
      // The strip's size is given in twips.
      RECT rc;
      GetWindowRect(c, &rc);
      MapWindowPoints(nullptr, screen, reinterpret_cast<POINT*>(&rc), 2);
      SetWindowPos(c, nullptr, rc.left, rc.top, MulDiv(int(kStripWidth), Dpi(true), 1440) + 2,
                   MulDiv(252, Dpi(false), 1440) + 2, SWP_NOZORDER);
      SetWindowSubclass(c, StripProc, 1, DWORD_PTR(this));
    }
  }
}

void MainWindow::InitList(HWND screen, int id) {
  const ListColumns& columns = *ListById(id);
  ListViewControl lv(GetDlgItem(screen, id));
  // A package's items are only viewed: no boxes to tick.
  lv.SetCheckListStyle(columns.list != ListId::lstQuarantinedItems);
  lv.SetImageList(columns.list == ListId::lstQuarantinedList ? packageImages_ : typeImages_);
  for (int i = 0; i < 4 && columns.captions[i]; ++i) {
    RECT r = {0, 0, columns.widths[i], 0};
    MapDialogRect(screen, &r);
    lv.InsertColumn(i, columns.captions[i], r.right);
  }
  SetWindowTextA(lv.Handle(), columns.captions[2]);
}

int MainWindow::Dpi(bool horizontal) const {
  int& known = horizontal ? dpiX_ : dpiY_;
  if (!known) {
    HDC dc = GetDC(nullptr);
    known = GetDeviceCaps(dc, horizontal ? LOGPIXELSX : LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    if (known <= 0) known = 96;
  }
  return known;
}

HWND MainWindow::ScreenOf(int id) const {
  if (id >= IDD_NAV && id < IDD_STATUS) return nav_;
  if (id >= IDD_STATUS && id < IDD_STATUS + 100 * int(kScreenCount)) return screens_[size_t(id / 100 - 11)];
  if (id >= IDD_SPLASH && id < IDD_SPLASH + 10) return splash_;
  return nullptr;
}

HWND MainWindow::Control(int id) const {
  HWND parent = ScreenOf(id);
  return parent ? GetDlgItem(parent, id) : nullptr;
}

// ---- IMainView ------------------------------------------------------------------

void MainWindow::ShowScreen(Screen screen) {
  FlushCaptions();
  for (size_t i = 0; i < kScreenCount; ++i)
    if (i != size_t(screen)) ShowWindow(screens_[i], SW_HIDE);
  ShowWindow(screens_[size_t(screen)], SW_SHOW);
  // Keyboard focus never stays on a hidden screen: it moves to the new
  // screen's first stop (its list or button), else to the navigation.
  shownScreen_ = screen;
  if (FocusLost()) {
    HWND first = GetNextDlgTabItem(screens_[size_t(screen)], nullptr, FALSE);
    SetFocus(first && IsChild(screens_[size_t(screen)], first) ? first : nav_);
  }
}

// The focus of the active main window is nowhere, on a hidden or disabled
// control, or on the navigation panel itself.
bool MainWindow::FocusLost() const {
  HWND f = GetFocus();
  if (!hwnd_ || GetActiveWindow() != hwnd_) return false;
  return !f || f == hwnd_ || f == nav_ || (IsChild(hwnd_, f) && (!IsWindowVisible(f) || !IsWindowEnabled(f)));
}

void MainWindow::SetCaption(Label label, const Text& caption) {
  if (HeldBack(label)) {
    Held& h = held_[size_t(label)];
    if (!h.dirty && h.text == caption) return;
    h.text = caption;
    h.dirty = true;
    anyHeld_ = true;
    if (GetTickCount() - lastPaint_ >= kCaptionPaintMs) {
      FlushCaptions();
    } else if (!flushTimer_ && hwnd_) {
      flushTimer_ = true;
      SetTimer(hwnd_, kTimerCaptionFlush, kCaptionPaintMs, nullptr);
    }
    return;
  }
  HWND c = Control(kLabelIds[size_t(label)]);
  if (!c) return;
  SetWindowTextA(c, caption.c_str());
  if (label == Label::lblLoading) UpdateWindow(c);
}

void MainWindow::FlushCaptions() {
  if (flushTimer_) {
    KillTimer(hwnd_, kTimerCaptionFlush);
    flushTimer_ = false;
  }
  lastPaint_ = GetTickCount();
  if (!anyHeld_) return;
  anyHeld_ = false;
  for (size_t i = 0; i < held_.size(); ++i) {
    if (!held_[i].dirty) continue;
    held_[i].dirty = false;
    if (HWND c = Control(kLabelIds[i])) SetWindowTextA(c, held_[i].text.c_str());
  }
  UpdateWindow(screens_[size_t(Screen::ScanProc)]);
}

void MainWindow::SetButtonCaption(Button button, const Text& caption) {
  // The end of a scan: its last counters and operation are shown with it.
  FlushCaptions();
  // Its first letter is the Alt access key ("Abort", "Next").
  const Text shown = caption.empty() || caption.find('&') != Text::npos ? caption : "&" + caption;
  if (HWND c = Control(kButtonIds[size_t(button)])) SetWindowTextA(c, shown.c_str());
}

void MainWindow::SetCommandsEnabled(const CommandSet& allowed) {
  for (size_t i = 0; i < kCommandCount; ++i) {
    const CommandRow& row = CommandInfo(Command(i));
    if (row.id == 0 || row.id >= IDM_RESULT_ALL) continue;  // none, or a pop-up menu item
    for (int k = 0; k < row.ids; ++k) {
      HWND c = Control(row.id + k);
      if (!c || bool(IsWindowEnabled(c)) == allowed[i]) continue;
      // A control that loses the keyboard focus by being disabled gets it
      // back when it is enabled again and nothing else has taken it.
      if (!allowed[i] && GetFocus() == c) refocus_ = c;
      EnableWindow(c, allowed[i]);
      if (IsLink(c)) InvalidateRect(c, nullptr, TRUE);
    }
  }
  if (!FocusLost()) return;
  if (refocus_ && IsWindowEnabled(refocus_) && IsWindowVisible(refocus_)) {
    SetFocus(refocus_);
  } else {
    // Else the visible screen's first stop, once it has one.
    HWND screen = screens_[size_t(shownScreen_)];
    HWND first = screen ? GetNextDlgTabItem(screen, nullptr, FALSE) : nullptr;
    if (first && IsChild(screen, first) && IsWindowEnabled(first)) SetFocus(first);
  }
  if (!FocusLost()) refocus_ = nullptr;
}

void MainWindow::SetChecked(Check box, bool checked) {
  if (HWND c = Control(kCheckIds[size_t(box)])) SendMessageA(c, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void MainWindow::RefreshList(ListId list, const ListView& table) {
  if (notifying_) {
    // Not inside the list's own notification: redrawn right after it.
    PostMessageA(hwnd_, kMsgRefreshList, WPARAM(list), 0);
    return;
  }
  ListViewControl lv(Control(ListOf(list).id));
  if (!lv.Handle()) return;
  const int columns = lv.ColumnCount();
  ++refreshing_;
  // Long lists are drawn once at the end.
  const bool quiet = table.Count() > 64;
  if (quiet) lv.SetRedraw(false);
  lv.DeleteAllItems();
  for (const ListItem& row : table.Rows()) {
    const int i = lv.AddItem(row.text.c_str(), row.icon - 1);
    for (int s = 1; s < columns && s <= 3; ++s) lv.SetSubItem(i, s, row.SubItems(s).c_str());
    if (lv.HasCheckBoxes()) lv.SetCheckState(i, row.checked);
  }
  // Object (or Original Path) is the main column; the packages' is their name.
  lv.FitColumns(list == ListId::lstQuarantinedList ? 0 : 2);
  if (quiet) lv.SetRedraw(true);
  InvalidateRect(lv.Handle(), nullptr, TRUE);
  --refreshing_;
}

void MainWindow::ShowPopupMenu(Menu menu) {
  const int position = kMenuPositions[size_t(menu)];
  if (position < 0) return;
  HMENU bar = LoadMenuA(instance_, MAKEINTRESOURCEA(IDR_LIST_MENUS));
  POINT at = menuAt_;
  if (at.x == kAtCursor) GetCursorPos(&at);
  menuAt_.x = kAtCursor;
  SetForegroundWindow(hwnd_);
  const int chosen = int(TrackPopupMenu(GetSubMenu(bar, position), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0,
                                        hwnd_, nullptr));
  DestroyMenu(bar);
  if (chosen) PostMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
}

void MainWindow::SetTimerEnabled(Timer timer, bool enabled) {
  static constexpr UINT_PTR ids[] = {kTimerScrollingBar, kTimerAutoScan, kTimerHomePageCheck};
  static constexpr UINT intervals[] = {UINT(kScrollingBarInterval), kAutoScanInterval, kHomePageCheckInterval};
  if (enabled) SetTimer(hwnd_, ids[size_t(timer)], intervals[size_t(timer)], nullptr);
  else KillTimer(hwnd_, ids[size_t(timer)]);
}

void MainWindow::SetScrollingBarLeft(float twips) {
  barLeftPx_ = int(std::lround(double(twips) * Dpi(true) / 1440.0));
  if (HWND strip = Control(IDC_PIC_SCROLLING)) InvalidateRect(strip, nullptr, FALSE);
}

void MainWindow::SetWindowState(WindowState state) {
  state_ = state;
  if (shown_) ShowWindow(hwnd_, state == WindowState::Minimized ? SW_MINIMIZE : SW_RESTORE);
}

void MainWindow::CenterWindow() {
  RECT r;
  GetWindowRect(hwnd_, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(hwnd_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EnsureShown();
}

void MainWindow::EnsureShown() {
  if (shown_ || closed_ || !hwnd_) return;
  shown_ = true;
  ShowWindow(hwnd_, state_ == WindowState::Minimized ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  // The splash stays in front until start-up has shown its last text.
  if (splash_) SetWindowPos(splash_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::UnloadSplash() {
  if (!splash_) return;
  DestroyWindow(splash_);
  splash_ = nullptr;
}

void MainWindow::PaintNow() {
  FlushCaptions();
  RedrawWindow(screens_[size_t(Screen::ScanProc)], nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

win::HWnd MainWindow::OwnerWindow() {
  HWND owner = shown_ && !closed_ ? hwnd_ : splash_;
  // While a modal dialog holds the main window, a box belongs to the dialog:
  // owned by the disabled main window it left the dialog usable behind it.
  if (owner && owner == hwnd_ && !IsWindowEnabled(owner)) {
    HWND popup = GetLastActivePopup(owner);
    if (popup && popup != owner && IsWindowVisible(popup) && IsWindowEnabled(popup)) owner = popup;
  }
  return win::HWnd(reinterpret_cast<uintptr_t>(owner));
}

void MainWindow::CloseProgram() {
  if (closed_) return;
  closed_ = true;
  if (splash_) DestroyWindow(splash_);
  splash_ = nullptr;
  if (hwnd_) DestroyWindow(hwnd_);
  else PostQuitMessage(0);
}

Text ProgramVersion() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (!size) return "";
  std::string data(size, '\0');
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoA(path, 0, size, data.data()) ||
      !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info)
    return "";
  return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
         std::to_string(LOWORD(info->dwFileVersionLS));
}

}  // namespace morvane::w32ui
