#include "database/folders.h"

#include <cctype>

#include "platform/modules.h"

namespace morvane {

namespace {

constexpr uint32_t kBufferSize = 256;

Text SystemFolder(uint32_t (ISystemInfo::*call)(char*, uint32_t), ISystemInfo& system, const char* fallback) {
  char buffer[kBufferSize];
  const uint32_t n = (system.*call)(buffer, kBufferSize);
  if (n >= 1 && n <= kBufferSize) return Text(buffer, n);
  return fallback;
}

}  // namespace

void DiscoverFolders(Context& ctx, FolderValues& folders) {
  ISystemInfo& system = ctx.system();
  folders.strSystemDir = SystemFolder(&ISystemInfo::SystemDirectory, system, "C:\\WINDOWS\\SYSTEM32");
  folders.strWinDir = SystemFolder(&ISystemInfo::WindowsDirectory, system, "C:\\WINDOWS");
  char buffer[kBufferSize];
  const uint32_t n = system.TempPath(kBufferSize, buffer);
  folders.strTempDir = (n >= 1 && n <= kBufferSize) ? Text(buffer, n - 1) : Text("C:\\WINDOWS\\TEMP");

  modRegistry reg(ctx);
  folders.txtAppData = reg.GetRegistryString(kShellFoldersKey, "AppData");
  folders.txtStartMenu = reg.GetRegistryString(kShellFoldersKey, "Start Menu");
  folders.txtProgramsDir = reg.GetRegistryString(kCurrentVersionKey, "ProgramFilesDir");
  folders.txtDesktop = reg.GetRegistryString(kShellFoldersKey, "Desktop");
  folders.txtCookies = reg.GetRegistryString(kShellFoldersKey, "Cookies");
  ctx.YieldToHost();
}

void ReplaceNoCase(Text& text, const Text& what, const Text& with) {
  if (what.empty()) return;
  // No character that lowers to what's first one: no match, nothing to copy.
  const char first = static_cast<char>(std::tolower(static_cast<unsigned char>(what[0])));
  bool maybe = false;
  for (char ch : text)
    if (static_cast<char>(std::tolower(static_cast<unsigned char>(ch))) == first) {
      maybe = true;
      break;
    }
  if (!maybe) return;
  auto lower = [](Text s) {
    for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
  };
  const Text needle = lower(what);
  Text haystack = lower(text);
  if (haystack.find(needle) == Text::npos) return;
  Text result;
  size_t pos = 0;
  for (;;) {
    const size_t hit = haystack.find(needle, pos);
    if (hit == Text::npos) break;
    result.append(text, pos, hit - pos);
    result += with;
    pos = hit + what.size();
  }
  result.append(text, pos, Text::npos);
  text = std::move(result);
}

void ReplaceVariableFolders(const FolderValues& folders, Text& target) {
  ReplaceNoCase(target, "%AppData%", folders.txtAppData);
  ReplaceNoCase(target, "%StartMenu%", folders.txtStartMenu);
  ReplaceNoCase(target, "%ProgramsDir%", folders.txtProgramsDir);
  ReplaceNoCase(target, "%Desktop%", folders.txtDesktop);
  ReplaceNoCase(target, "%TempDir%", folders.strTempDir);
  ReplaceNoCase(target, "%WinDir%", folders.strWinDir);
  ReplaceNoCase(target, "%SystemDir%", folders.strSystemDir);
}

}  // namespace morvane
