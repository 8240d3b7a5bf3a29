// The same Smart Scan of a synthetic database, once through the engine alone
// and once through Morvane.exe's window (the start-up scan), timed apart.
// Usage: morvane_window_bench MORVANE_EXE WORK_FOLDER [RECORDS]
// Last line: records=R engine_s=A window_s=B ratio=B/A
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "database/crypt.h"
#include "database/database.h"
#include "database/folders.h"
#include "platform/win32/machine.h"
#include "removal/store_hooks.h"
#include "scanner/scan_engine.h"
#include "store/settings.h"

using namespace morvane;
using Clock = std::chrono::steady_clock;

namespace {

// Traces of every Smart Scan type, none of them present.
std::string Record(int i) {
  const std::string n = std::to_string(i);
  switch (i % 10) {
    case 0: case 1: case 2: case 3: return "path|%WinDir%\\benchspy" + n + "\\spy" + n + ".exe|Bench|";
    case 4: case 5: return "folder|%ProgramsDir%\\BenchSpy" + n + "|Bench|";
    case 6: case 7: return "regval|HKEY_CURRENT_USER\\Software\\BenchSpy" + n + ",Value|Bench|";
    case 8: return "regkey|HKEY_LOCAL_MACHINE\\SOFTWARE\\BenchSpy" + n + "|Bench|";
    default: return "cookie|benchspy" + n + "|Bench|";
  }
}

void Plant(const std::string& folder, int records, w32::Win32Machine& machine) {
  CreateDirectoryA(folder.c_str(), nullptr);
  CreateDirectoryA((folder + "\\Settings").c_str(), nullptr);
  std::string db = modCrypt::EncryptString("Bench database 1.0", kDatabaseKey) + "\r\n";
  for (int i = 0; i < records; ++i) db += modCrypt::EncryptString(Record(i), kDatabaseKey) + "\r\n";
  machine.files.WriteAll(folder + "\\DataBase.ref", db);
  ListBox settings = DefaultSettingsLines("about:blank");
  settings[1] = "1";  // scan at start-up
  settings[9] = "0";  // Smart Scan
  std::string text;
  for (size_t i = 0; i < settings.size(); ++i) text += (i ? "\r\n" : "") + settings[i];
  machine.files.WriteAll(folder + "\\Settings\\Settings.stg", text);
}

double EngineRun(const std::string& folder, w32::Win32Machine& machine) {
  Context ctx(machine.os());
  AppState app;
  app.programFolder = folder;
  SettingsStore store(ctx, app);
  store.CheckSettings();
  store.LoadAllFiles();
  DatabaseLoader(ctx, app.programFolder, app.lstDBaseFile).LoadDatabase();
  DiscoverFolders(ctx, app.folders);
  NullScanView view;
  StoreScanHooks hooks(view);
  ScanEngine engine(ctx, app, view, &hooks);
  const auto t0 = Clock::now();
  engine.StartScan();
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

std::string Text(HWND h) {
  char buffer[64] = {};
  GetWindowTextA(h, buffer, sizeof buffer);
  return buffer;
}

HWND FindChild(HWND parent, const char* text) {
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (Text(c) == text) return c;
    if (HWND inner = FindChild(c, text)) return inner;
  }
  return nullptr;
}

double WindowRun(const std::string& exe, const std::string& folder) {
  const std::string target = folder + "\\Morvane.exe";
  CopyFileA(exe.c_str(), target.c_str(), FALSE);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::string cmd = "\"" + target + "\"";
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) return -1;
  // The scan starts when its screen shows; it ends when Abort turns into Next.
  HWND title = nullptr, button = nullptr;
  const DWORD cap = GetTickCount();
  // Both: the screen's controls appear one by one while it is being made.
  while (!(title && button) && GetTickCount() - cap < 600000) {
    if (HWND main = FindWindowA("MorvaneMain", "Morvane")) {
      title = FindChild(main, "Morvane - System Scan");
      button = FindChild(main, "Abort");
    }
    if (!(title && button)) Sleep(1);
  }
  while (title && !IsWindowVisible(title) && GetTickCount() - cap < 600000) Sleep(1);
  const auto t0 = Clock::now();
  while (button && Text(button) != "Next" && GetTickCount() - cap < 600000) Sleep(10);
  const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 60000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  if (!title || !button) std::printf("window not found (title %d, button %d)\n", title != nullptr, button != nullptr);
  return title && button ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: morvane_window_bench MORVANE_EXE WORK_FOLDER [RECORDS]\n");
    return 2;
  }
  const int records = argc > 3 ? std::atoi(argv[3]) : 50000;
  w32::Win32Machine machine;
  Plant(argv[2], records, machine);
  const double engine = EngineRun(argv[2], machine);
  std::printf("engine alone: %.3f s\n", engine);
  const double window = WindowRun(argv[1], argv[2]);
  std::printf("through the window: %.3f s\n", window);
  std::printf("records=%d engine_s=%.3f window_s=%.3f ratio=%.3f\n", records, engine, window, window / engine);
  return window < 0 ? 1 : 0;
}
