// Registry through advapi32, ANSI forms; outcomes exactly as the API gives them.
#pragma once
#include "platform/services.h"

namespace morvane::w32 {

class Win32Registry : public IRegistry {
 public:
  int32_t OpenKeyEx(win::HKey parent, const Text& subKey, uint32_t access, win::HKey& out) override;
  int32_t OpenKey(win::HKey parent, const Text& subKey, win::HKey& out) override;
  int32_t CreateKey(win::HKey parent, const Text& subKey, win::HKey& out) override;
  int32_t EnumKey(win::HKey key, uint32_t index, char* name, uint32_t& nameSize, char* cls,
                  uint32_t* clsSize) override;
  int32_t EnumValue(win::HKey key, uint32_t index, char* name, uint32_t& nameSize, uint32_t* type, uint8_t* data,
                    uint32_t* dataSize) override;
  int32_t QueryValue(win::HKey key, const char* valueName, uint32_t* type, uint8_t* data,
                     uint32_t* dataSize) override;
  int32_t SetValue(win::HKey key, const char* valueName, uint32_t type, const uint8_t* data,
                   uint32_t dataSize) override;
  int32_t DeleteKey(win::HKey parent, const Text& subKey) override;
  int32_t DeleteValue(win::HKey key, const char* valueName) override;
  int32_t CloseKey(win::HKey key) override;
  int32_t FlushKey(win::HKey key) override;
  int32_t OpenLink(win::HKey parent, const Text& subKey, uint32_t access, win::HKey& out) override;
  int32_t DeleteLink(win::HKey parent, const Text& subKey) override;
  bool LinkTarget(win::HKey parent, const Text& subKey, Text& target) override;
};

// The plainest recursive RegOpenKeyExA/RegEnumKeyExA walk of a key tree
// (each sub-key opened by name from its parent, a link as itself), for
// timing the registry listing against: the keys seen, the start key
// included; 0 when it does not open.
size_t BareKeyWalk(win::HKey root, const Text& path);

}  // namespace morvane::w32
