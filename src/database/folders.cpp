#include "database/folders.h"

#include <cstring>

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

  // A folder that cannot be read stands as "Error": the paths built from it
  // name nothing on the machine.
  modRegistry reg(ctx);
  auto read = [&reg](const char* key, const char* name) { return reg.GetRegistryString(key, name).value_or("Error"); };
  folders.txtAppData = read(kShellFoldersKey, "AppData");
  folders.txtStartMenu = read(kShellFoldersKey, "Start Menu");
  folders.txtProgramsDir = read(kCurrentVersionKey, "ProgramFilesDir");
  folders.txtDesktop = read(kShellFoldersKey, "Desktop");
  folders.txtCookies = read(kShellFoldersKey, "Cookies");
  ctx.YieldToHost();
}

namespace {
// The C library's tolower in its "C" locale: A-Z only.
char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }

size_t FindNoCase(const Text& text, const Text& needle, size_t from) {
  const size_t n = needle.size();
  // A first character without case ("%") is looked for directly.
  const bool caseless = needle[0] < 'a' || needle[0] > 'z';
  for (size_t i = from; i + n <= text.size(); ++i) {
    if (caseless) {
      const void* at = std::memchr(text.data() + i, needle[0], text.size() - n + 1 - i);
      if (!at) return Text::npos;
      i = size_t(static_cast<const char*>(at) - text.data());
    } else if (FoldAscii(text[i]) != needle[0]) {
      continue;
    }
    size_t k = 1;
    while (k < n && FoldAscii(text[i + k]) == needle[k]) ++k;
    if (k == n) return i;
  }
  return Text::npos;
}
}  // namespace

void ReplaceNoCase(Text& text, const Text& what, const Text& with) {
  if (what.empty()) return;
  Text needle = what;
  for (char& ch : needle) ch = FoldAscii(ch);
  size_t hit = FindNoCase(text, needle, 0);
  if (hit == Text::npos) return;
  Text result;
  size_t pos = 0;
  for (; hit != Text::npos; hit = FindNoCase(text, needle, pos)) {
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
