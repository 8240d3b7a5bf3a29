// The small simulated services: system folders, a settable clock and
// message boxes answered from a script.
#pragma once
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/services.h"

namespace morvane::sim {

class SimSystemInfo : public ISystemInfo {
 public:
  Text systemDir = "C:\\WINDOWS\\SYSTEM32";
  Text windowsDir = "C:\\WINDOWS";
  Text tempPath = "C:\\WINDOWS\\TEMP\\";
  Text programFolder = "C:\\Program Files\\Morvane";
  // The user's decimal separator; no other locale information is answered.
  Text decimalSeparator = ".";
  bool failSystemDir = false, failWindowsDir = false, failTempPath = false;

  uint32_t SystemDirectory(char* buffer, uint32_t size) override { return Put(systemDir, failSystemDir, buffer, size); }
  uint32_t WindowsDirectory(char* buffer, uint32_t size) override { return Put(windowsDir, failWindowsDir, buffer, size); }
  uint32_t TempPath(uint32_t size, char* buffer) override { return Put(tempPath, failTempPath, buffer, size); }
  Text ProgramFolder() override { return programFolder; }
  int32_t LocaleInfo(uint32_t locale, uint32_t type, char* buffer, int32_t size) override;

 private:
  static uint32_t Put(const Text& value, bool fail, char* buffer, uint32_t size);
};

class FixedClock : public IClock {
 public:
  DateTime now{2026, 12, 7, 14, 5, 9};
  // Advances by one second at every Now() when set, so successive stamps differ.
  bool ticking = false;
  DateTime Now() override;
  // "M/d/yyyy", the English (United States) short date.
  Text ShortDate(const DateTime& when) override;
};

// Message boxes: every call is recorded; answers come from a queue, else the default.
class ScriptedMessages : public IMessages {
 public:
  struct Shown {
    Text text, title;
    MsgButtons buttons;
    MsgIcon icon;
  };
  std::vector<Shown> shown;
  std::deque<MsgResult> answers;
  MsgResult defaultAnswer = MsgResult::Ok;
  // Runs while the box is open: its modal loop still delivers timer events.
  std::function<void()> whileOpen;
  MsgResult Show(const Text& text, const Text& title, MsgButtons buttons, MsgIcon icon) override;
  bool Showing() const override { return open_ > 0; }

 private:
  int open_ = 0;
};

}  // namespace morvane::sim
