// Morvane.exe: one instance, the splash window, the main window's start-up
// and the message loop.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/machine.h"
#include "shell/frm_main.h"
#include "shell/main_window_parts.h"
#include "shell/win32/main_window.h"
#include "shell/win32/parts_window.h"

using namespace morvane;

namespace {

// Held for the program's life; a second launch finds it and ends.
constexpr const char* kInstanceMutex = "Morvane.SingleInstance.Mutex";

// Message boxes owned by whichever window is in front: the splash window
// during start-up, the main window after it.
class WindowMessages : public IMessages {
 public:
  explicit WindowMessages(w32ui::MainWindow& window) : window_(window) {}
  MsgResult Show(const Text& text, const Text& title, MsgButtons buttons, MsgIcon icon) override {
    boxes_.owner = window_.OwnerWindow();
    window_.FlushCaptions();
    ++open_;
    const MsgResult answer = boxes_.Show(text, title, buttons, icon);
    --open_;
    // What the box covered is drawn again at once.
    if (HWND main = window_.Handle(); main && IsWindowVisible(main))
      RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return answer;
  }

  bool Showing() const override { return open_ > 0; }

 private:
  w32ui::MainWindow& window_;
  w32::Win32Messages boxes_;
  int open_ = 0;
};

// The running program file's name without folder and extension.
Text ProgramFileBase() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  Text name = path;
  const size_t slash = name.find_last_of("\\/");
  if (slash != Text::npos) name.erase(0, slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != Text::npos && dot > 0) name.erase(dot);
  return name.empty() ? Text("Morvane") : name;
}

int Run(HINSTANCE instance) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);

  w32ui::MainWindow window(instance);
  window.ShowSplash();
  if (!window.Create()) return 1;
  w32::Win32Machine machine;
  WindowMessages messages(window);
  Platform os{machine.registry, machine.files,  machine.processes, machine.shell,
              machine.system,   machine.clock,  messages,          machine.sockets, machine.signatures};
  Context ctx(os);
  ctx.onYield = [&window] { window.OnYield(); };
  frmMain form(ctx, window, w32ui::ProgramVersion());
  window.Attach(&form);
  w32ui::PartsWindow partsWindow(instance, window.Handle());
  MainWindowParts parts(form.Host(), partsWindow, ProgramFileBase());
  partsWindow.Attach(&parts);
  window.AttachParts(&partsWindow);
  form.SetParts(&parts);
  if (form.Form_Load()) {
    window.EnsureShown();
    window.FlushCaptions();
  }
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) window.Dispatch(m);
  window.AttachParts(nullptr);
  form.SetParts(nullptr);
  window.Attach(nullptr);
  return int(m.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, kInstanceMutex);
  if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) return 0;
  int code = 0;
  try {
    code = Run(instance);
  } catch (...) {
    code = 1;
  }
  CloseHandle(mutex);
  return code;
}
