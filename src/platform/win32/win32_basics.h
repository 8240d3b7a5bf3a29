// System folders, clock and message boxes through the real API.
#pragma once
#include "platform/services.h"

namespace morvane::w32 {

// A wide name in the ANSI code page without best-fit look-alikes: a
// character the code page lacks comes back as "?".
Text AnsiName(const wchar_t* name, size_t length);

class Win32SystemInfo : public ISystemInfo {
 public:
  uint32_t SystemDirectory(char* buffer, uint32_t size) override;
  uint32_t WindowsDirectory(char* buffer, uint32_t size) override;
  uint32_t TempPath(uint32_t size, char* buffer) override;
  Text ProgramFolder() override;
  int32_t LocaleInfo(uint32_t locale, uint32_t type, char* buffer, int32_t size) override;
};

class Win32Clock : public IClock {
 public:
  DateTime Now() override;
  Text ShortDate(const DateTime& when) override;
};

class Win32Messages : public IMessages {
 public:
  win::HWnd owner = 0;
  MsgResult Show(const Text& text, const Text& title, MsgButtons buttons, MsgIcon icon) override;
};

}  // namespace morvane::w32
