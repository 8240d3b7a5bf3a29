// Shell through shell32 (ANSI forms). (Placeholder.)
#pragma once
#include "platform/services.h"

namespace morvane::w32 {

class Win32Shell : public IShell {
 public:
  int32_t FileOperation(uint32_t, const Text&, const Text&, uint16_t) override { return 0x402; }
  intptr_t Execute(win::HWnd, const Text&, const Text&, const Text&, const Text&, int) override { return 2; }
};

}  // namespace morvane::w32
