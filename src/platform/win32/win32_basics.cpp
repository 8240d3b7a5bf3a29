#include "platform/win32/win32_basics.h"

#include <windows.h>

namespace morvane::w32 {

Text AnsiName(const wchar_t* name, size_t length) {
  if (length == 0) return {};
  Text out(length * 2, '\0');  // a double-byte code page takes two bytes a character
  BOOL lossy = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, int(length), out.data(), int(out.size()), "?",
                                    &lossy);
  out.resize(n > 0 ? size_t(n) : 0);
  return out;
}

uint32_t Win32SystemInfo::SystemDirectory(char* buffer, uint32_t size) { return GetSystemDirectoryA(buffer, size); }
uint32_t Win32SystemInfo::WindowsDirectory(char* buffer, uint32_t size) { return GetWindowsDirectoryA(buffer, size); }
uint32_t Win32SystemInfo::TempPath(uint32_t size, char* buffer) { return GetTempPathA(size, buffer); }

Text Win32SystemInfo::ProgramFolder() {
  char path[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  Text p(path, n);
  size_t cut = p.find_last_of('\\');
  return cut == Text::npos ? p : p.substr(0, cut);
}

int32_t Win32SystemInfo::LocaleInfo(uint32_t locale, uint32_t type, char* buffer, int32_t size) {
  return GetLocaleInfoA(LCID(locale), LCTYPE(type), buffer, size);
}

DateTime Win32Clock::Now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

Text Win32Clock::ShortDate(const DateTime& when) {
  SYSTEMTIME t = {};
  t.wYear = WORD(when.year);
  t.wMonth = WORD(when.month);
  t.wDay = WORD(when.day);
  char buffer[128] = {};
  int n = GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, buffer, sizeof buffer);
  return n > 0 ? Text(buffer, size_t(n - 1)) : Text();
}

MsgResult Win32Messages::Show(const Text& text, const Text& title, MsgButtons buttons, MsgIcon icon) {
  UINT type = 0;
  switch (buttons) {
    case MsgButtons::Ok: type = MB_OK; break;
    case MsgButtons::OkCancel: type = MB_OKCANCEL; break;
    case MsgButtons::YesNo: type = MB_YESNO; break;
    case MsgButtons::YesNoCancel: type = MB_YESNOCANCEL; break;
  }
  switch (icon) {
    case MsgIcon::None: break;
    case MsgIcon::Critical: type |= MB_ICONHAND; break;
    case MsgIcon::Question: type |= MB_ICONQUESTION; break;
    case MsgIcon::Exclamation: type |= MB_ICONEXCLAMATION; break;
    case MsgIcon::Information: type |= MB_ICONASTERISK; break;
  }
  const Text& caption = title.empty() ? Text(kDefaultTitle) : title;
  switch (MessageBoxA(HWND(owner), text.c_str(), caption.c_str(), type)) {
    case IDYES: return MsgResult::Yes;
    case IDNO: return MsgResult::No;
    case IDCANCEL: return MsgResult::Cancel;
    default: return MsgResult::Ok;
  }
}

}  // namespace morvane::w32
