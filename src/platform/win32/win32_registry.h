// Registry through advapi32 (ANSI forms). (Placeholder.)
#pragma once
#include "platform/services.h"

namespace morvane::w32 {

class Win32Registry : public IRegistry {
 public:
  int32_t OpenKeyEx(win::HKey, const Text&, uint32_t, win::HKey&) override { return win::kFileNotFound; }
  int32_t OpenKey(win::HKey, const Text&, win::HKey&) override { return win::kFileNotFound; }
  int32_t CreateKey(win::HKey, const Text&, win::HKey&) override { return win::kAccessDenied; }
  int32_t EnumKey(win::HKey, uint32_t, char*, uint32_t&, char*, uint32_t*) override { return win::kNoMoreItems; }
  int32_t EnumValue(win::HKey, uint32_t, char*, uint32_t&, uint32_t*, uint8_t*, uint32_t*) override {
    return win::kNoMoreItems;
  }
  int32_t QueryValue(win::HKey, const char*, uint32_t*, uint8_t*, uint32_t*) override { return win::kFileNotFound; }
  int32_t SetValue(win::HKey, const char*, uint32_t, const uint8_t*, uint32_t) override { return win::kAccessDenied; }
  int32_t DeleteKey(win::HKey, const Text&) override { return win::kFileNotFound; }
  int32_t DeleteValue(win::HKey, const char*) override { return win::kFileNotFound; }
  int32_t CloseKey(win::HKey) override { return win::kSuccess; }
};

}  // namespace morvane::w32
