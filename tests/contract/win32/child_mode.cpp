// The contract test program started as a child: "--child KIND" where KIND is
// window, ignoreclose, nowindow, childonly, or "exit N" (ends at once).
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "contract/child_mode.h"

namespace morvane::contract {

namespace {
bool gIgnoreClose = false;

LRESULT CALLBACK ChildProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CLOSE && gIgnoreClose) return 0;
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}
}  // namespace

bool RunChildMode(int argc, char** argv, int& exitCode) {
  if (argc < 3 || std::strcmp(argv[1], "--child") != 0) return false;
  std::string kind = argv[2];
  if (kind == "exit") {
    exitCode = argc > 3 ? std::atoi(argv[3]) : 0;
    return true;
  }
  WNDCLASSA wc = {};
  wc.lpfnWndProc = ChildProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "MorvaneContractChild";
  RegisterClassA(&wc);
  gIgnoreClose = kind == "ignoreclose";
  if (kind == "window" || kind == "ignoreclose") {
    CreateWindowExA(0, wc.lpszClassName, "child", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                    wc.hInstance, nullptr);
  } else if (kind == "childonly") {
    // A message-only parent owned by this process gives a window that has a parent.
    HWND parent = CreateWindowExA(0, wc.lpszClassName, "parent", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
    CreateWindowExA(0, wc.lpszClassName, "child", WS_CHILD, 0, 0, 10, 10, parent, nullptr, wc.hInstance, nullptr);
  }
  std::string ready = "MorvaneChildReady" + std::to_string(GetCurrentProcessId());
  HANDLE e = CreateEventA(nullptr, TRUE, TRUE, ready.c_str());
  if (kind == "nowindow" || kind == "childonly") {
    // Lives until the test ends it; the cap only keeps a stray child from staying forever.
    Sleep(900000);
  } else {
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
  }
  if (e) CloseHandle(e);
  exitCode = 0;
  return true;
}

}  // namespace morvane::contract
