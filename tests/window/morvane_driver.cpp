// Drives Morvane's real windows the way a user does, finding every window
// and control by its words. Reads a script (one command a line) and prints
// what it saw; the first failed wait ends it with code 1 and a window dump.
//
//   start DIR | start2 DIR | wait-exit | kill       the program in folder DIR
//   wait TEXT | wait-gone TEXT                      a visible window or control
//   click TEXT | click-sync TEXT | key TEXT         press a button or link (click: once enabled)
//   enabled TEXT                                    whether a control is enabled
//   read TEXT | wait-value TEXT VALUE | wait-number TEXT MIN
//   screen                                          the visible screen's title
//   rows | wait-rows N | tick N | untick N | select N   the visible list view
//   box TEXT BUTTON|-                               answer a message box (-: only wait for it)
//   close | close-sync | shot FILE TEXT|- | shot-box FILE TEXT | dump
//   wait-top TEXT | close-top TEXT                  another program's window
//   reg-key KEY | reg-set KEY VALUE DATA | reg-read KEY VALUE | reg-delete-tree KEY
//   write FILE TEXT | cookies NAME                  planting; a file in the cookie folder
//   resources                                       the program's GDI and USER objects, handles, windows;
//                                                   counted apart too, where Wine's GetGuiResources is a stub
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "win32_tree.h"

namespace {

constexpr DWORD kCapMs = 120000;  // generous: readiness, never speed

PROCESS_INFORMATION gProc = {};
HWND gLastSeen = nullptr;  // the control of the last wait
std::string gFolder;       // program folder of the last start
int gFailed = 0;

std::string Text(HWND h) {
  char buffer[2048] = {};
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(h, WM_GETTEXT, sizeof buffer, LPARAM(buffer), SMTO_ABORTIFHUNG, 5000, &ignored);
  return buffer;
}

// Captions compare without their '&' markers.
std::string Plain(std::string s) {
  std::string out;
  for (char c : s)
    if (c != '&') out += c;
  return out;
}

std::string ClassOf(HWND h) {
  char cls[64] = {};
  GetClassNameA(h, cls, sizeof cls);
  return cls;
}

std::vector<HWND> TopWindows(DWORD pid) {
  std::vector<HWND> out;
  struct S { DWORD pid; std::vector<HWND>* out; } s{pid, &out};
  EnumWindows([](HWND h, LPARAM lp) -> BOOL {
    auto* s = reinterpret_cast<S*>(lp);
    DWORD p = 0;
    GetWindowThreadProcessId(h, &p);
    if (p == s->pid) s->out->push_back(h);
    return TRUE;
  }, LPARAM(&s));
  return out;
}

void AddChildren(HWND parent, std::vector<HWND>& out) {
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    out.push_back(c);
    AddChildren(c, out);
  }
}

// Every visible window of the program, top-level windows first.
std::vector<HWND> Visible() {
  std::vector<HWND> all;
  for (HWND top : TopWindows(gProc.dwProcessId)) {
    if (!IsWindowVisible(top)) continue;
    all.push_back(top);
    AddChildren(top, all);
  }
  std::vector<HWND> out;
  for (HWND h : all)
    if (IsWindowVisible(h)) out.push_back(h);
  return out;
}

HWND Find(const std::string& words) {
  for (HWND h : Visible())
    if (Plain(Text(h)) == words) return h;
  return nullptr;
}

void Dump() {
  for (HWND top : TopWindows(gProc.dwProcessId)) {
    std::vector<HWND> all{top};
    AddChildren(top, all);
    for (HWND h : all)
      std::printf("  [%s%s] %s\n", ClassOf(h).c_str(), IsWindowVisible(h) ? "" : ",hidden", Text(h).c_str());
  }
}

[[noreturn]] void Fail(const std::string& what) {
  std::printf("FAIL %s\n", what.c_str());
  Dump();
  std::fflush(stdout);
  if (gProc.hProcess) TerminateProcess(gProc.hProcess, 9);
  std::exit(1);
}

template <class Cond>
void WaitFor(const std::string& what, Cond cond) {
  const DWORD start = GetTickCount();
  while (!cond()) {
    if (GetTickCount() - start > kCapMs) Fail("timeout: " + what);
    Sleep(20);
  }
}

HWND Need(const std::string& words) {
  HWND h = nullptr;
  WaitFor("control '" + words + "'", [&] { return (h = Find(words)) != nullptr; });
  return h;
}

HWND MainWindow() {
  for (HWND h : TopWindows(gProc.dwProcessId))
    if (ClassOf(h) == "MorvaneMain") return h;
  return nullptr;
}

HWND VisibleList() {
  for (HWND h : Visible())
    if (ClassOf(h) == "SysListView32") return h;
  Fail("no visible list");
}

// A button is pressed with BM_CLICK; a link gets the mouse click a user gives it.
void Press(HWND h, bool sync) {
  DWORD_PTR r = 0;
  if (ClassOf(h) == "Button") {
    if (sync) SendMessageTimeoutA(h, BM_CLICK, 0, 0, 0, kCapMs, &r);
    else PostMessageA(h, BM_CLICK, 0, 0);
  } else if (sync) {
    SendMessageTimeoutA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2), 0, kCapMs, &r);
    SendMessageTimeoutA(h, WM_LBUTTONUP, 0, MAKELPARAM(2, 2), 0, kCapMs, &r);
  } else {
    PostMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  }
}

// List view items live in the program's memory: a buffer there for LVITEM.
struct Remote {
  void* base = nullptr;
  Remote() { base = VirtualAllocEx(gProc.hProcess, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE); }
  ~Remote() { VirtualFreeEx(gProc.hProcess, base, 0, MEM_RELEASE); }
  char* at(size_t off) const { return static_cast<char*>(base) + off; }
};

std::string ItemText(HWND list, int item, int sub) {
  Remote mem;
  LVITEMA it = {};
  it.iSubItem = sub;
  it.pszText = mem.at(512);
  it.cchTextMax = 2048;
  WriteProcessMemory(gProc.hProcess, mem.base, &it, sizeof it, nullptr);
  SendMessageA(list, LVM_GETITEMTEXTA, WPARAM(item), LPARAM(mem.base));
  char text[2048] = {};
  ReadProcessMemory(gProc.hProcess, mem.at(512), text, sizeof text - 1, nullptr);
  return text;
}

void SetState(HWND list, int item, UINT mask, UINT state) {
  Remote mem;
  LVITEMA it = {};
  it.stateMask = mask;
  it.state = state;
  WriteProcessMemory(gProc.hProcess, mem.base, &it, sizeof it, nullptr);
  SendMessageA(list, LVM_SETITEMSTATE, WPARAM(item), LPARAM(mem.base));
}

HWND FindBox(const std::string& part, std::string& text) {
  for (HWND h : TopWindows(gProc.dwProcessId)) {
    if (ClassOf(h) != "#32770" || !IsWindowVisible(h)) continue;
    HWND label = GetDlgItem(h, 0xFFFF);
    text = label ? Text(label) : "";
    if (text.find(part) != std::string::npos) return h;
  }
  return nullptr;
}

void Start(const std::string& dir, PROCESS_INFORMATION& pi) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  std::string cmd = "\"" + dir + "\\Morvane.exe\"";
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
    Fail("start " + dir);
}

HKEY Root(const std::string& path, std::string& sub) {
  const size_t slash = path.find('\\');
  const std::string root = path.substr(0, slash);
  sub = slash == std::string::npos ? "" : path.substr(slash + 1);
  if (root == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
  if (root == "HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
  if (root == "HKEY_USERS") return HKEY_USERS;
  return HKEY_CURRENT_USER;
}


// The program file of a window's process.
std::string ImageOf(HWND h) {
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  char path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  if (HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
    QueryFullProcessImageNameA(p, 0, path, &size);
    CloseHandle(p);
  }
  return path;
}

// A window of a program started from the folder of the last start.
HWND FindTop(const std::string& words) {
  HWND found = nullptr;
  struct S { const std::string* w; HWND* found; } s{&words, &found};
  EnumWindows([](HWND h, LPARAM lp) -> BOOL {
    auto* s = reinterpret_cast<S*>(lp);
    if (IsWindowVisible(h) && Plain(Text(h)) == *s->w &&
        lstrcmpiA(ImageOf(h).substr(0, gFolder.size()).c_str(), gFolder.c_str()) == 0) {
      *s->found = h;
      return FALSE;
    }
    return TRUE;
  }, LPARAM(&s));
  return found;
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> out;
  for (size_t i = 0; i < line.size();) {
    if (line[i] == ' ') { ++i; continue; }
    if (line[i] == '"') {
      size_t end = line.find('"', i + 1);
      out.push_back(line.substr(i + 1, end - i - 1));
      i = end == std::string::npos ? line.size() : end + 1;
    } else {
      size_t end = line.find(' ', i);
      if (end == std::string::npos) end = line.size();
      out.push_back(line.substr(i, end - i));
      i = end;
    }
  }
  return out;
}

// GDI objects in use: the program's entries of the GDI handle table its
// PEB points to (Wine keeps one table a process; Windows one shared table).
long GdiTableCount() {
  using QueryProcess = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<QueryProcess>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  struct { void* reserved1; char* peb; void* reserved2[2]; ULONG_PTR pid; void* reserved3; } basic = {};
  ULONG got = 0;
  if (!query || query(gProc.hProcess, 0, &basic, sizeof basic, &got) != 0) return -1;
  UINT64 table = 0;
  if (!ReadProcessMemory(gProc.hProcess, basic.peb + 0xF8, &table, sizeof table, nullptr) || !table) return -1;
  struct Entry { UINT64 object; USHORT pid, count; USHORT unique; UCHAR type, flags; UINT64 user; };
  std::vector<Entry> entries(0x10000);
  SIZE_T read = 0;
  ReadProcessMemory(gProc.hProcess, reinterpret_cast<void*>(table), entries.data(), entries.size() * sizeof(Entry),
                    &read);
  long n = 0;
  for (size_t i = 0; i < read / sizeof(Entry); ++i)
    n += entries[i].type && (entries[i].pid == 0 || entries[i].pid == USHORT(gProc.dwProcessId)) ? 1 : 0;
  return n;
}

// Handles of the program in the system's handle list.
long HandleListCount() {
  using QuerySystem = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<QuerySystem>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  struct Entry { ULONG pid; BYTE type, flags; USHORT value; void* object; ULONG access; };
  std::vector<char> buffer(1 << 20);
  ULONG got = 0;
  LONG status;
  while ((status = query ? query(16, buffer.data(), ULONG(buffer.size()), &got) : -1) == LONG(0xC0000004))
    buffer.resize(buffer.size() * 2);
  if (status != 0) return -1;
  const ULONG count = *reinterpret_cast<ULONG*>(buffer.data());
  const auto* e = reinterpret_cast<const Entry*>(buffer.data() + sizeof(void*));
  long n = 0;
  for (ULONG i = 0; i < count; ++i) n += e[i].pid == gProc.dwProcessId ? 1 : 0;
  return n;
}

#include "driver_parts.inc"

void Command(const std::vector<std::string>& w) {
  const std::string& c = w[0];
  auto arg = [&](size_t i) -> const std::string& {
    if (i >= w.size()) Fail("missing argument of " + c);
    return w[i];
  };
  if (c == "start") {
    gFolder = arg(1);
    Start(arg(1), gProc);
  } else if (c == "start2") {
    PROCESS_INFORMATION second = {};
    Start(arg(1), second);
    DWORD code = 99;
    if (WaitForSingleObject(second.hProcess, kCapMs) == WAIT_OBJECT_0) GetExitCodeProcess(second.hProcess, &code);
    int windows = 0;
    for (HWND h : TopWindows(second.dwProcessId)) windows += IsWindowVisible(h) ? 1 : 0;
    std::printf("SECOND exited=%lu windows=%d\n", code, windows);
    CloseHandle(second.hThread);
    CloseHandle(second.hProcess);
  } else if (c == "wait-exit") {
    if (WaitForSingleObject(gProc.hProcess, kCapMs) != WAIT_OBJECT_0) Fail("program still running");
    DWORD code = 0;
    GetExitCodeProcess(gProc.hProcess, &code);
    std::printf("EXITED %lu\n", code);
  } else if (c == "kill") {
    TerminateProcess(gProc.hProcess, 9);
    WaitForSingleObject(gProc.hProcess, kCapMs);
  } else if (c == "wait") {
    gLastSeen = Need(arg(1));
    std::printf("SEEN %s\n", arg(1).c_str());
  } else if (c == "wait-gone") {
    WaitFor("gone '" + arg(1) + "'", [&] { return Find(arg(1)) == nullptr; });
  } else if (c == "click") {
    // A control the program has disabled is clicked once it is enabled again.
    HWND h = Need(arg(1));
    WaitFor("enabled '" + arg(1) + "'", [&] { return IsWindowEnabled(h) || (h = Find(arg(1))) == nullptr; });
    Press(Need(arg(1)), false);
  } else if (c == "click-sync") {
    Press(Need(arg(1)), true);
  } else if (c == "enabled") {
    std::printf("ENABLED %s=%d\n", arg(1).c_str(), IsWindowEnabled(Need(arg(1))) ? 1 : 0);
  } else if (c == "key") {
    PostMessageA(Need(arg(1)), WM_KEYDOWN, VK_SPACE, 0);
  } else if (c == "read") {
    HWND next = GetWindow(Need(arg(1)), GW_HWNDNEXT);
    std::printf("READ %s=%s\n", arg(1).c_str(), next ? Text(next).c_str() : "");
  } else if (c == "wait-value" || c == "wait-number") {
    HWND next = GetWindow(Need(arg(1)), GW_HWNDNEXT);
    WaitFor(arg(1) + " " + arg(2), [&] {
      return c == "wait-value" ? Text(next) == arg(2) : std::atol(Text(next).c_str()) >= std::atol(arg(2).c_str());
    });
    std::printf("VALUE %s=%s\n", arg(1).c_str(), Text(next).c_str());
  } else if (c == "screen") {
    for (HWND h : Visible())
      if (Text(h).rfind("Morvane - ", 0) == 0) std::printf("SCREEN %s\n", Text(h).c_str());
  } else if (c == "rows") {
    HWND list = VisibleList();
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    const int columns = int(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    const int n = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    const bool boxes = SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES;
    std::printf("ROWS %d%s\n", n, boxes ? " boxes" : "");
    for (int i = 0; i < n; ++i) {
      const bool checked = ((SendMessageA(list, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK) >> 12) & 0xF) == 2;
      std::printf("ROW %d|%d", i + 1, checked ? 1 : 0);
      for (int s = 0; s < columns; ++s) std::printf("|%s", ItemText(list, i, s).c_str());
      std::printf("\n");
    }
  } else if (c == "wait-rows") {
    WaitFor("rows " + arg(1), [&] {
      for (HWND h : Visible())
        if (ClassOf(h) == "SysListView32") return SendMessageA(h, LVM_GETITEMCOUNT, 0, 0) == std::atoi(arg(1).c_str());
      return false;
    });
  } else if (c == "tick" || c == "untick") {
    SetState(VisibleList(), std::atoi(arg(1).c_str()) - 1, LVIS_STATEIMAGEMASK,
             INDEXTOSTATEIMAGEMASK(c == "tick" ? 2 : 1));
  } else if (c == "select") {
    SetState(VisibleList(), std::atoi(arg(1).c_str()) - 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  } else if (c == "box") {
    std::string text;
    HWND box = nullptr;
    WaitFor("message box '" + arg(1) + "'", [&] { return (box = FindBox(arg(1), text)) != nullptr; });
    std::printf("BOX %s|%s\n", Text(box).c_str(), text.c_str());
    if (arg(2) == "-") return;  // answered by keys
    HWND button = nullptr;
    for (HWND b = GetWindow(box, GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT))
      if (ClassOf(b) == "Button" && Plain(Text(b)) == arg(2)) button = b;
    if (!button) Fail("no button " + arg(2));
    PostMessageA(button, BM_CLICK, 0, 0);
    WaitFor("box closed", [&] { return !IsWindow(box) || !IsWindowVisible(box); });
  } else if (c == "shot-box") {
    // A picture of a message box before it is answered.
    std::string text;
    HWND box = nullptr;
    WaitFor("message box '" + arg(2) + "'", [&] { return (box = FindBox(arg(2), text)) != nullptr; });
    RECT r;
    GetWindowRect(box, &r);
    std::printf("SHOT %s %ld %ld %ld %ld\n", arg(1).c_str(), r.left, r.top, r.right - r.left, r.bottom - r.top);
    std::fflush(stdout);
    WaitFor("screenshot " + arg(1), [&] { return GetFileAttributesA(arg(1).c_str()) != INVALID_FILE_ATTRIBUTES; });
  } else if (c == "query-end-session" || c == "end-session") {
    // As Windows logs off: it asks, and on a yes tells the session ends and
    // then ends the process, with no WM_CLOSE.
    HWND main = MainWindow();
    DWORD_PTR yes = 0;
    SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, 0, 0, kCapMs, &yes);
    std::printf("QUERYENDSESSION %d\n", yes ? 1 : 0);
    if (c == "end-session" && yes) {
      DWORD_PTR r = 0;
      SendMessageTimeoutA(main, WM_ENDSESSION, TRUE, 0, 0, kCapMs, &r);
      TerminateProcess(gProc.hProcess, 0);
      WaitForSingleObject(gProc.hProcess, kCapMs);
    }
  } else if (c == "close" || c == "close-sync") {
    HWND main = MainWindow();
    DWORD_PTR r = 0;
    if (c == "close") PostMessageA(main, WM_CLOSE, 0, 0);
    else SendMessageTimeoutA(main, WM_CLOSE, 0, 0, 0, kCapMs, &r);
  } else if (c == "shot") {
    // "-": the window of the last wait (a splash window may change its words meanwhile).
    HWND h = GetAncestor(arg(2) == "-" ? gLastSeen : Need(arg(2)), GA_ROOT);
    RECT r;
    GetWindowRect(h, &r);
    std::printf("SHOT %s %ld %ld %ld %ld\n", arg(1).c_str(), r.left, r.top, r.right - r.left, r.bottom - r.top);
    std::fflush(stdout);
    // The harness takes the picture and then writes the file.
    WaitFor("screenshot " + arg(1), [&] { return GetFileAttributesA(arg(1).c_str()) != INVALID_FILE_ATTRIBUTES; });
  } else if (c == "wait-top") {
    WaitFor("window '" + arg(1) + "'", [&] { return FindTop(arg(1)) != nullptr; });
    std::printf("TOP %s\n", arg(1).c_str());
  } else if (c == "close-top") {
    HWND h = FindTop(arg(1));
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    PostMessageA(h, WM_CLOSE, 0, 0);
    HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (p && WaitForSingleObject(p, kCapMs) != WAIT_OBJECT_0) Fail("still open: " + arg(1));
    if (p) CloseHandle(p);
  } else if (c == "reg-key" || c == "reg-set") {
    std::string sub;
    HKEY root = Root(arg(1), sub), key;
    if (RegCreateKeyExA(root, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
      Fail("create key " + arg(1));
    if (c == "reg-set")
      RegSetValueExA(key, arg(2).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(arg(3).c_str()),
                     DWORD(arg(3).size() + 1));
    RegCloseKey(key);
  } else if (c == "reg-read") {
    std::string sub;
    HKEY root = Root(arg(1), sub), key;
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    std::string shown = "(missing)";
    if (RegOpenKeyExA(root, sub.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
      if (RegQueryValueExA(key, arg(2).c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) ==
          ERROR_SUCCESS)
        shown = data;
      else
        shown = "(key)";
      RegCloseKey(key);
    }
    std::printf("REG %s,%s=%s\n", arg(1).c_str(), arg(2).c_str(), shown.c_str());
  } else if (c == "reg-delete-tree") {
    std::string sub;
    HKEY root = Root(arg(1), sub);
    morvane::testing_win32::RemoveKeyTree(root, sub);
  } else if (c == "write") {
    std::ofstream(arg(1), std::ios::binary) << arg(2);
  } else if (c == "cookies") {
    HKEY key;
    char data[MAX_PATH] = {};
    DWORD size = sizeof data - 1;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_READ, &key) == ERROR_SUCCESS) {
      RegQueryValueExA(key, "Cookies", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
      RegCloseKey(key);
    }
    if (data[0]) {
      CreateDirectoryA(data, nullptr);
      std::ofstream(std::string(data) + "\\" + arg(1), std::ios::binary) << "morvane.test/\n";
    }
    std::printf("COOKIES %s\n", data);
  } else if (c == "resources") {
    // The least of a few samples: a handle open for a moment is no leak.
    long least[6] = {LONG_MAX, LONG_MAX, LONG_MAX, LONG_MAX, LONG_MAX, LONG_MAX};
    for (int sample = 0; sample < 5; ++sample, Sleep(20)) {
      DWORD handles = 0;
      GetProcessHandleCount(gProc.hProcess, &handles);
      long windows = 0;
      for (HWND top : TopWindows(gProc.dwProcessId)) {
        std::vector<HWND> all{top};
        AddChildren(top, all);
        windows += long(all.size());
      }
      const long now[6] = {long(GetGuiResources(gProc.hProcess, GR_GDIOBJECTS)),
                           long(GetGuiResources(gProc.hProcess, GR_USEROBJECTS)), long(handles), windows,
                           GdiTableCount(), HandleListCount()};
      for (int i = 0; i < 6; ++i) least[i] = std::min(least[i], now[i]);
    }
    std::printf("RES gdi=%ld user=%ld handles=%ld windows=%ld gdi-table=%ld handle-list=%ld\n", least[0], least[1],
                least[2], least[3], least[4], least[5]);
  } else if (c == "dump") {
    Dump();
  } else if (!PartsCommand(w)) {
    Fail("unknown command " + c);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::ifstream script(argv[1]);
  std::string line;
  while (std::getline(script, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> w = Words(line);
    if (w.empty() || w[0][0] == '#') continue;
    std::printf("> %s\n", line.c_str());
    Command(w);
    std::fflush(stdout);
  }
  std::printf("DONE\n");
  return gFailed;
}
