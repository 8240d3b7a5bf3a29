#include "platform/ansi_text.h"
#include "platform/handles.h"
#include "platform/modules.h"

namespace morvane {

namespace {
// How long a program may take to close its windows before it is ended by force.
constexpr uint32_t kCloseWaitMs = 2000;
}  // namespace

bool modEndProcess::PostToProcessWindows(uint32_t ProcessId, uint32_t Message, uintptr_t WParam) {
  IProcesses& p = ctx_.processes();
  win::HWnd window = p.GetWindow(p.DesktopWindow(), win::kGwChild);
  bool found = false;
  while (window != 0) {
    if (p.GetParent(window) == 0 && p.WindowProcessId(window) == ProcessId) {
      p.Post(window, Message, WParam, 0);
      found = true;
    }
    window = p.GetWindow(window, win::kGwHwndNext);
  }
  return found;
}

bool modEndProcess::EndProcess(uint32_t ProcessId, uint32_t ExitCode, const Text& Image) {
  IProcesses& p = ctx_.processes();
  // While a handle to the process is held its id stays its own: the image is
  // read after the open, before anything is posted or ended.
  auto meant = [&] {
    Text now;
    return Image.empty() || (p.ImagePath(ProcessId, now) && CompareFileNames(now, Image) == 0);
  };
  if (!VersionKnown) {
    OsVersion v;
    if (p.GetVersionInfo(v))
      IsWin9xFamily = (v.platformId == 1 && (v.major > 4 || (v.major == 4 && v.minor == 0))) ||
                      (v.major == 4 && v.minor > 0);
    VersionKnown = true;
  }
  if (IsWin9xFamily) {
    // Windows are told the session ends; the process is ended by force even
    // when it has no window to tell.
    HandleOwner h(p, p.OpenProcess(win::kProcessTerminate | win::kSynchronize, false, ProcessId));
    if (!meant()) return true;
    PostToProcessWindows(ProcessId, win::kWmEndSession, uintptr_t(-1));
    if (!h) return false;
    return p.TerminateProcess(h.get(), ExitCode) || p.Wait(h.get(), 0) == win::kWaitObject0;
  }
  // NT family: ask the windows to close, then make sure the process is gone.
  // A program without a window, or one that ignores the request, is ended by
  // force: spyware must not survive its removal.
  HandleOwner h(p, p.OpenProcess(win::kProcessTerminate | win::kSynchronize, false, ProcessId));
  if (!meant()) return true;
  bool asked = PostToProcessWindows(ProcessId, win::kWmClose, 0);
  if (!h) return asked;
  if (asked && p.Wait(h.get(), kCloseWaitMs) == win::kWaitObject0) return true;
  if (p.TerminateProcess(h.get(), ExitCode)) {
    p.Wait(h.get(), kCloseWaitMs);
    return true;
  }
  return p.Wait(h.get(), 0) == win::kWaitObject0;
}

}  // namespace morvane
