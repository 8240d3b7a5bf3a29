// Tessarin's window: a thin Win32 view over the updater logic.
#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <memory>
#include <utility>

#include "platform/win32/machine.h"
#include "updater/updater.h"
#include "updater/win32/inet_transfer.h"
#include "updater/win32/tessarin_ids.h"

using namespace morvane;
using namespace morvane::updater;

namespace {

class WindowView : public IUpdaterView {
 public:
  HWND window = nullptr;
  void SetStatus(const Text& text) override {
    HWND label = GetDlgItem(window, kIdStatus);
    SetWindowTextA(label, text.c_str());
    UpdateWindow(label);
  }
  void SetProgress(int percent) override { SendDlgItemMessageA(window, kIdProgress, PBM_SETPOS, WPARAM(percent), 0); }
  void SetHeaders(const Text& text) override { SetDlgItemTextA(window, kIdHeaders, text.c_str()); }
  void ShowCompleted() override {
    MessageBoxA(window, kDownloadCompleted, kMessageTitle, MB_OK | MB_ICONINFORMATION);
  }
};

struct App {
  w32::Win32Machine machine;
  WindowView view;
  std::unique_ptr<InetTransfer> inet;
  std::unique_ptr<Updater> logic;
  bool handling = false;
  std::deque<std::pair<WPARAM, LPARAM>> pending;
  HFONT fixedFont = nullptr;
  HWND focus = nullptr;  // the control that had the keyboard focus when the window was left
};
App* gApp = nullptr;

// Lets the window and its timers run while a handler works.
void Pump() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(int(m.wParam));
      return;
    }
    // Keys go through the dialog manager here too (Tab, Enter).
    if (IsDialogMessageA(gApp->view.window, &m)) continue;
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

void Handle(WPARAM state, LPARAM request) {
  if (!gApp->inet->Accept(state, request)) return;
  gApp->logic->StateChanged(int(state));
}

// The layout is drawn for 96 dots per inch; the manifest declares the program
// DPI aware, so it scales itself to the system's setting.
int Scaled(int pixels) {
  static const int dpi = [] {
    HDC screen = GetDC(nullptr);
    const int d = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return d > 0 ? d : 96;
  }();
  return MulDiv(pixels, dpi, 96);
}

HWND Child(HWND parent, const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
  HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, Scaled(x), Scaled(y), Scaled(w), Scaled(h),
                           parent,
                           reinterpret_cast<HMENU>(intptr_t(id)), GetModuleHandleA(nullptr), nullptr);
  SendMessageA(c, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  return c;
}

LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE: {
      Child(hwnd, "BUTTON", kCaption, BS_GROUPBOX, 8, 4, 424, 236, kIdFrame);
      Child(hwnd, "STATIC", kInitialStatus, SS_LEFT, 20, 26, 400, 34, kIdStatus);
      Child(hwnd, PROGRESS_CLASSA, "", 0, 20, 64, 400, 18, kIdProgress);
      HWND edit = Child(hwnd, "EDIT", "", WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 20,
                        90, 400, 110, kIdHeaders);
      gApp->fixedFont = CreateFontA(-Scaled(12), 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FIXED_PITCH | FF_MODERN,
                                    "Courier New");
      SendMessageA(edit, WM_SETFONT, WPARAM(gApp->fixedFont), TRUE);
      Child(hwnd, "BUTTON", "&Update Now", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 220, 208, 96, 26, kIdFetch);
      Child(hwnd, "BUTTON", "E&xit", BS_PUSHBUTTON | WS_TABSTOP, 324, 208, 96, 26, kIdExit);
      SendDlgItemMessageA(hwnd, kIdProgress, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND f = GetFocus();
        if (f && IsChild(hwnd, f)) gApp->focus = f;
      }
      break;
    case WM_SETFOCUS: {
      // The focus goes back to its control (at first Update Now), never stays on the window itself.
      HWND to = gApp->focus && IsWindow(gApp->focus) ? gApp->focus : GetDlgItem(hwnd, kIdFetch);
      if (to) SetFocus(to);
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) {
        // Enter from the dialog manager: the focused button, else the default one.
        const int id = GetFocus() == GetDlgItem(hwnd, kIdExit) ? kIdExit : kIdFetch;
        SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(hwnd, id)));
        return 0;
      }
      if (LOWORD(wp) == kIdFetch && HIWORD(wp) == BN_CLICKED) {
        gApp->logic->UpdateNowPressed();
        return 0;
      }
      if (LOWORD(wp) == kIdExit && HIWORD(wp) == BN_CLICKED) {
        DestroyWindow(hwnd);
        return 0;
      }
      break;
    case kStateMessage:
      // State changes run one at a time; one arriving inside a running handler waits for it.
      gApp->pending.emplace_back(wp, lp);
      if (gApp->handling) return 0;
      gApp->handling = true;
      while (!gApp->pending.empty()) {
        auto [state, request] = gApp->pending.front();
        gApp->pending.pop_front();
        try {
          Handle(state, request);
        } catch (...) {
          // The next states still run.
        }
      }
      gApp->handling = false;
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// Nothing crosses into the system; the window goes on.
LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    return OnMessage(hwnd, msg, wp, lp);
  } catch (...) {
    return 0;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  App app;
  gApp = &app;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kWindowClass;
  wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  RegisterClassA(&wc);

  // The logic needs the window for its events, and the window the logic for its commands.
  RECT r = {0, 0, Scaled(440), Scaled(248)};
  AdjustWindowRect(&r, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, FALSE);
  HWND hwnd = CreateWindowExA(0, kWindowClass, kCaption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                              CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                              instance, nullptr);
  if (!hwnd) return 1;
  app.view.window = hwnd;
  app.inet = std::make_unique<InetTransfer>(hwnd);
  app.logic = std::make_unique<Updater>(app.machine.files, app.machine.signatures, TrustedKeys(), *app.inet, app.view,
                                        app.machine.system.ProgramFolder(), Pump);
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);

  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageA(hwnd, &m)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
  }
  if (app.fixedFont) DeleteObject(app.fixedFont);
  // A transfer still running ends with the program.
  ExitProcess(0);
}
