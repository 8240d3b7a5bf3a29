// Presses a button of a running program by the words on it, for the demo and
// the install test: waits until a visible, enabled button with that caption
// ("&" marks ignored) appears in a visible top-level window with the given
// caption ("*" for any window), then clicks it.
//   ui_click.exe WINDOW-CAPTION BUTTON-CAPTION [SECONDS]
// Exit codes: 0 clicked, 1 not found in time, 2 bad usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Plain(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != '&') out += c;
  return out;
}

std::string Caption(HWND w) {
  char text[512] = "";
  GetWindowTextA(w, text, sizeof text);
  return text;
}

struct Search {
  std::string window, button;
  HWND found = nullptr;
};

BOOL CALLBACK EachChild(HWND child, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  char cls[64] = "";
  GetClassNameA(child, cls, sizeof cls);
  if (lstrcmpiA(cls, "Button") == 0 && IsWindowVisible(child) && IsWindowEnabled(child) &&
      Plain(Caption(child)) == s->button) {
    s->found = child;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK EachTop(HWND top, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  if (!IsWindowVisible(top)) return TRUE;
  if (s->window != "*" && Caption(top) != s->window) return TRUE;
  EnumChildWindows(top, EachChild, p);
  return s->found ? FALSE : TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: ui_click WINDOW-CAPTION BUTTON-CAPTION [SECONDS]\n");
    return 2;
  }
  Search s{argv[1], Plain(argv[2])};
  const int seconds = argc > 3 ? std::atoi(argv[3]) : 60;
  for (int i = 0; i < seconds * 4; ++i) {
    s.found = nullptr;
    EnumWindows(EachTop, reinterpret_cast<LPARAM>(&s));
    if (s.found) {
      // Posted, so that a modal loop the click opens does not block this program.
      PostMessageA(s.found, BM_CLICK, 0, 0);
      return 0;
    }
    Sleep(250);
  }
  std::fprintf(stderr, "ui_click: no button \"%s\" in \"%s\" after %d s\n", argv[2], argv[1], seconds);
  return 1;
}
