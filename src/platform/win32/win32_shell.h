// Shell through shell32, ANSI forms.
#pragma once
#include "platform/services.h"

namespace morvane::w32 {

class Win32Shell : public IShell {
 public:
  int32_t FileOperation(uint32_t operation, const Text& from, const Text& to, uint16_t flags) override;
  intptr_t Execute(win::HWnd owner, const Text& verb, const Text& file, const Text& parameters,
                   const Text& directory, int show) override;
};

}  // namespace morvane::w32
