#include "platform/simulated/sim_basics.h"

#include <cstring>

namespace morvane::sim {

uint32_t SimSystemInfo::Put(const Text& value, bool fail, char* buffer, uint32_t size) {
  if (fail) return 0;
  // The API reports the size needed (with NUL) when the buffer is too small.
  if (value.size() + 1 > size) return uint32_t(value.size() + 1);
  std::memcpy(buffer, value.c_str(), value.size() + 1);
  return uint32_t(value.size());
}

int32_t SimSystemInfo::LocaleInfo(uint32_t, uint32_t type, char* buffer, int32_t size) {
  if (type != win::kLocaleSDecimal || size < 0) return 0;
  const int32_t needed = int32_t(decimalSeparator.size() + 1);
  if (size == 0) return needed;
  if (size < needed || buffer == nullptr) return 0;
  std::memcpy(buffer, decimalSeparator.c_str(), size_t(needed));
  return needed;
}

DateTime FixedClock::Now() {
  DateTime t = now;
  if (ticking) {
    if (++now.second == 60) {
      now.second = 0;
      if (++now.minute == 60) {
        now.minute = 0;
        now.hour = (now.hour + 1) % 24;
      }
    }
  }
  return t;
}

Text FixedClock::ShortDate(const DateTime& when) {
  return std::to_string(when.month) + "/" + std::to_string(when.day) + "/" + std::to_string(when.year);
}

MsgResult ScriptedMessages::Show(const Text& text, const Text& title, MsgButtons buttons, MsgIcon icon) {
  shown.push_back({text, title, buttons, icon});
  ++open_;
  if (whileOpen) whileOpen();
  --open_;
  if (answers.empty()) {
    if (buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel)
      return defaultAnswer == MsgResult::Ok ? MsgResult::Yes : defaultAnswer;
    return MsgResult::Ok;
  }
  MsgResult r = answers.front();
  answers.pop_front();
  return r;
}

}  // namespace morvane::sim
