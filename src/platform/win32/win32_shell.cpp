#include "platform/win32/win32_shell.h"

#include <windows.h>
#include <shellapi.h>

namespace morvane::w32 {

int32_t Win32Shell::FileOperation(uint32_t operation, const Text& from, const Text& to, uint16_t flags) {
  // Both lists end with two NULs.
  std::string f = from + std::string(2, '\0');
  std::string t = to + std::string(2, '\0');
  SHFILEOPSTRUCTA op = {};
  op.hwnd = nullptr;
  op.wFunc = operation;
  op.pFrom = f.c_str();
  op.pTo = t.c_str();
  op.fFlags = flags;
  const int r = SHFileOperationA(&op);
  // A "replace?" answered No returns 0 with only this flag to tell.
  return r == 0 && op.fAnyOperationsAborted ? ERROR_CANCELLED : r;
}

intptr_t Win32Shell::Execute(win::HWnd owner, const Text& verb, const Text& file, const Text& parameters,
                             const Text& directory, int show) {
  HINSTANCE r = ShellExecuteA(HWND(owner), verb.c_str(), file.c_str(), parameters.c_str(),
                              directory.empty() ? nullptr : directory.c_str(), show);
  return reinterpret_cast<intptr_t>(r);
}

}  // namespace morvane::w32
