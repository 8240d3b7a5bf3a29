// Drives Tessarin's real window the way a user does: starts the program from
// a folder, presses "&Update Now", answers its message box and reports what
// the window showed. Usage: tessarin_driver FOLDER [--press-twice] [--no-press] [--keys]
// (--keys: Tab and Enter as from the keyboard instead of the click)
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "updater/win32/tessarin_ids.h"

using namespace morvane::updater;

namespace {

std::string Text(HWND h) {
  char buffer[1024] = {};
  SendMessageA(h, WM_GETTEXT, sizeof buffer, LPARAM(buffer));
  return buffer;
}

struct BoxSearch {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindBox(HWND h, LPARAM lp) {
  auto* s = reinterpret_cast<BoxSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  char cls[64] = {};
  GetClassNameA(h, cls, sizeof cls);
  if (pid == s->pid && std::strcmp(cls, "#32770") == 0 && IsWindowVisible(h)) {
    s->found = h;
    return FALSE;
  }
  return TRUE;
}

// The message box's text: its static control with the text.
std::string BoxText(HWND box) {
  HWND c = GetDlgItem(box, 0xFFFF);
  return c ? Text(c) : std::string();
}

// The identifier of the control that has the keyboard focus in the thread (0: none).
int FocusId(DWORD thread) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread, &info) && info.hwndFocus ? GetDlgCtrlID(info.hwndFocus) : 0;
}

// Waits, capped generously, for the focus to reach the control; the one it is on.
int FocusAfter(DWORD thread, int id) {
  for (DWORD begin = GetTickCount(); FocusId(thread) != id && GetTickCount() - begin < 20000;) Sleep(20);
  return FocusId(thread);
}

// A key as the window's thread reads it from its queue, posted to the control
// with the focus: the display's keyboard, shared with other tests, is not used.
// (Posted keys carry no Shift: Shift+Tab is not tried.)
void Key(DWORD thread, HWND main, WORD vk) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  HWND to = GetGUIThreadInfo(thread, &info) && info.hwndFocus ? info.hwndFocus : main;
  PostMessageA(to, WM_KEYDOWN, vk, 1);
  PostMessageA(to, WM_KEYUP, vk, LPARAM(0xC0000001u));
}

bool Final(const std::string& s) {
  return s.rfind("Updates currently", 0) == 0 || s.rfind("Error while", 0) == 0 || s.rfind("Update installed", 0) == 0 ||
         s.rfind("The downloaded file is not", 0) == 0 || s.find("Tessarin.ini") != std::string::npos ||
         s.find("Nothing was installed.") != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string folder = argv[1];
  bool twice = argc > 2 && std::strcmp(argv[2], "--press-twice") == 0;
  bool press = !(argc > 2 && std::strcmp(argv[2], "--no-press") == 0);
  bool keys = argc > 2 && std::strcmp(argv[2], "--keys") == 0;
  std::string exe = folder + "\\Tessarin.exe";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::string cmd = "\"" + exe + "\"";
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
    std::printf("START-FAILED %lu\n", GetLastError());
    return 1;
  }
  HWND main = nullptr;
  // A loaded machine may take long to show the window: wait for it, capped generously.
  for (DWORD begin = GetTickCount(); !main && GetTickCount() - begin < 120000;) {
    main = FindWindowA(kWindowClass, "Morvane DataBase Update");
    if (!main) Sleep(25);
  }
  if (!main) {
    std::printf("NO-WINDOW\n");
    TerminateProcess(pi.hProcess, 1);
    return 1;
  }
  std::printf("CAPTION:%s\n", Text(main).c_str());
  std::printf("FRAME:%s\n", Text(GetDlgItem(main, kIdFrame)).c_str());
  std::printf("FETCH:%s\n", Text(GetDlgItem(main, kIdFetch)).c_str());
  std::printf("EXIT:%s\n", Text(GetDlgItem(main, kIdExit)).c_str());
  std::printf("INITIAL:%s\n", Text(GetDlgItem(main, kIdStatus)).c_str());
  LRESULT hi = SendDlgItemMessageA(main, kIdProgress, PBM_GETRANGE, FALSE, 0);
  std::printf("RANGE:%ld\n", long(hi));

  HWND fetch = GetDlgItem(main, kIdFetch);
  auto click = [&] { PostMessageA(main, WM_COMMAND, MAKEWPARAM(kIdFetch, BN_CLICKED), LPARAM(fetch)); };
  if (keys) {
    // The focus starts on Update Now; Tab moves it to Exit and round again; Enter presses the focused default.
    SetForegroundWindow(main);
    std::string seen = std::to_string(FocusAfter(pi.dwThreadId, kIdFetch));
    Key(pi.dwThreadId, main, VK_TAB);
    seen += "," + std::to_string(FocusAfter(pi.dwThreadId, kIdExit));
    Key(pi.dwThreadId, main, VK_TAB);
    seen += "," + std::to_string(FocusAfter(pi.dwThreadId, kIdFetch));
    std::printf("KEYS:%s\n", seen.c_str());
    Key(pi.dwThreadId, main, VK_RETURN);
  } else if (press) {
    click();
  }
  if (twice) {
    click();
    // The server holds the body back until both presses are queued: the
    // second one lands while the first transfer runs, however slow the machine.
    CloseHandle(CreateFileA((folder + "\\pressed.flag").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  std::string status;
  int boxes = 0;
  DWORD start = GetTickCount();
  while (GetTickCount() - start < 180000) {
    BoxSearch s{pi.dwProcessId, nullptr};
    EnumWindows(FindBox, LPARAM(&s));
    if (s.found) {
      ++boxes;
      std::printf("BOX:%s|%s\n", Text(s.found).c_str(), BoxText(s.found).c_str());
      PostMessageA(s.found, WM_COMMAND, IDOK, 0);
      Sleep(200);
      continue;
    }
    status = Text(GetDlgItem(main, kIdStatus));
    // An installed update always shows its box: wait for it rather than for a fixed time.
    const bool boxDue = status.rfind("Update installed", 0) == 0 && boxes == 0;
    if (!press || (Final(status) && !boxDue)) {
      // A box may still be coming right after the final status.
      Sleep(500);
      BoxSearch again{pi.dwProcessId, nullptr};
      EnumWindows(FindBox, LPARAM(&again));
      if (!again.found) break;
      continue;
    }
    Sleep(50);
  }
  std::printf("STATUS:%s\n", status.c_str());
  std::printf("BOXES:%d\n", boxes);
  PostMessageA(main, WM_COMMAND, MAKEWPARAM(kIdExit, BN_CLICKED), LPARAM(GetDlgItem(main, kIdExit)));
  if (WaitForSingleObject(pi.hProcess, 120000) != WAIT_OBJECT_0) {
    std::printf("EXIT-HUNG\n");
    TerminateProcess(pi.hProcess, 1);
  } else {
    std::printf("EXITED\n");
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::fflush(stdout);
  return 0;
}
