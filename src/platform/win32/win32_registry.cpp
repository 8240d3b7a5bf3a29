#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/win32_basics.h"

namespace morvane::w32 {

namespace {
HKEY HK(win::HKey k) { return reinterpret_cast<HKEY>(k); }
win::HKey K(HKEY h) { return reinterpret_cast<win::HKey>(h); }
// The predefined roots arrive as 32-bit values; the API wants them sign-extended.
HKEY Root(win::HKey k) {
  if (k >= win::kClassesRoot && k <= win::kDynData) return reinterpret_cast<HKEY>(intptr_t(int32_t(uint32_t(k))));
  return HK(k);
}
win::HKey Back(HKEY h) {
  intptr_t v = reinterpret_cast<intptr_t>(h);
  if (v >= intptr_t(int32_t(0x80000000u)) && v <= intptr_t(int32_t(0x80000006u))) return win::HKey(uint32_t(v));
  return K(h);
}
}  // namespace

int32_t Win32Registry::OpenKeyEx(win::HKey parent, const Text& subKey, uint32_t access, win::HKey& out) {
  HKEY h = nullptr;
  LONG r = RegOpenKeyExA(Root(parent), subKey.c_str(), 0, access, &h);
  out = r == ERROR_SUCCESS ? Back(h) : 0;
  return r;
}

int32_t Win32Registry::OpenKey(win::HKey parent, const Text& subKey, win::HKey& out) {
  HKEY h = nullptr;
  LONG r = RegOpenKeyA(Root(parent), subKey.c_str(), &h);
  out = r == ERROR_SUCCESS ? Back(h) : 0;
  return r;
}

int32_t Win32Registry::CreateKey(win::HKey parent, const Text& subKey, win::HKey& out) {
  HKEY h = nullptr;
  LONG r = RegCreateKeyExA(Root(parent), subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr);
  out = r == ERROR_SUCCESS ? Back(h) : 0;
  return r;
}

int32_t Win32Registry::EnumKey(win::HKey key, uint32_t index, char* name, uint32_t& nameSize, char* cls,
                               uint32_t* clsSize) {
  if (cls) {  // the class in the ANSI form (no listing asks for it)
    DWORD n = nameSize, c = clsSize ? *clsSize : 0;
    LONG r = RegEnumKeyExA(Root(key), index, name, &n, nullptr, cls, &c, nullptr);
    nameSize = n;
    if (clsSize) *clsSize = c;
    return r;
  }
  // Read wide, named without look-alikes: RegEnumKeyExA gives one, the
  // name of another key or of none (a Greek capital omega as "O").
  wchar_t wide[256];
  DWORD n = 256;
  // No write time asked: without it and the class the API takes the key's
  // basic information, the cheapest answer.
  LONG r = RegEnumKeyExW(Root(key), index, wide, &n, nullptr, nullptr, nullptr, nullptr);
  if (r != ERROR_SUCCESS) return r;
  const Text ansi = AnsiName(wide, n);
  if (ansi.size() + 1 > nameSize) return ERROR_MORE_DATA;
  std::memcpy(name, ansi.c_str(), ansi.size() + 1);
  nameSize = uint32_t(ansi.size());
  return ERROR_SUCCESS;
}

int32_t Win32Registry::EnumValue(win::HKey key, uint32_t index, char* name, uint32_t& nameSize, uint32_t* type,
                                 uint8_t* data, uint32_t* dataSize) {
  DWORD n = nameSize, t = 0, d = dataSize ? *dataSize : 0;
  LONG r = RegEnumValueA(Root(key), index, name, &n, nullptr, &t, data, dataSize ? &d : nullptr);
  nameSize = n;
  if (type) *type = t;
  if (dataSize) *dataSize = d;
  return r;
}

int32_t Win32Registry::QueryValue(win::HKey key, const char* valueName, uint32_t* type, uint8_t* data,
                                  uint32_t* dataSize) {
  DWORD t = type ? *type : 0, d = dataSize ? *dataSize : 0;
  LONG r = RegQueryValueExA(Root(key), valueName, nullptr, &t, data, dataSize ? &d : nullptr);
  if (type) *type = t;
  if (dataSize) *dataSize = d;
  return r;
}

int32_t Win32Registry::SetValue(win::HKey key, const char* valueName, uint32_t type, const uint8_t* data,
                                uint32_t dataSize) {
  return RegSetValueExA(Root(key), valueName, 0, type, data, dataSize);
}

int32_t Win32Registry::DeleteKey(win::HKey parent, const Text& subKey) {
  return RegDeleteKeyA(Root(parent), subKey.c_str());
}

int32_t Win32Registry::DeleteValue(win::HKey key, const char* valueName) {
  return RegDeleteValueA(Root(key), valueName);
}

int32_t Win32Registry::CloseKey(win::HKey key) {
  if (key >= win::kClassesRoot && key <= win::kDynData) return ERROR_SUCCESS;
  return RegCloseKey(HK(key));
}

int32_t Win32Registry::FlushKey(win::HKey key) { return RegFlushKey(Root(key)); }

int32_t Win32Registry::OpenLink(win::HKey parent, const Text& subKey, uint32_t access, win::HKey& out) {
  HKEY h = nullptr;
  LONG r = RegOpenKeyExA(Root(parent), subKey.c_str(), REG_OPTION_OPEN_LINK, access, &h);
  out = r == ERROR_SUCCESS ? Back(h) : 0;
  return r;
}

namespace {
// A key opened as itself is a link when it holds its target as a link value.
bool HoldsLinkValue(HKEY h) {
  DWORD type = 0;
  return RegQueryValueExW(h, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
         type == REG_LINK;
}
}  // namespace

bool Win32Registry::LinkTarget(win::HKey parent, const Text& subKey, Text& target) {
  target.clear();
  HKEY h = nullptr;
  if (RegOpenKeyExA(Root(parent), subKey.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
    return false;
  // One read tells both: a link value, and the target when it fits.
  wchar_t path[1024] = {};
  DWORD size = sizeof path - sizeof(wchar_t);
  DWORD type = 0;
  const LONG read = RegQueryValueExW(h, L"SymbolicLinkValue", nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
  const bool link = (read == ERROR_SUCCESS || read == ERROR_MORE_DATA) && type == REG_LINK;
  if (link && read == ERROR_SUCCESS) {
    // The kernel's name of a hive key: "\\Registry\\Machine\\..." or "\\Registry\\User\\...".
    Text text;
    bool latin = true;
    for (DWORD i = 0; i < size / sizeof(wchar_t) && path[i]; ++i) {
      latin = latin && path[i] < 0x100;
      text += char(path[i]);
    }
    const std::pair<const char*, const char*> hives[] = {{"\\REGISTRY\\MACHINE\\", "HKEY_LOCAL_MACHINE\\"},
                                                         {"\\REGISTRY\\USER\\", "HKEY_USERS\\"}};
    for (const auto& [kernel, root] : hives) {
      const size_t n = std::strlen(kernel);
      if (latin && text.size() > n && _strnicmp(text.c_str(), kernel, n) == 0) target = root + text.substr(n);
    }
  }
  RegCloseKey(h);
  return link;
}

int32_t Win32Registry::DeleteLink(win::HKey parent, const Text& subKey) {
  HKEY h = nullptr;
  LONG r = RegOpenKeyExA(Root(parent), subKey.c_str(), REG_OPTION_OPEN_LINK, DELETE | KEY_QUERY_VALUE, &h);
  if (r != ERROR_SUCCESS) return r;
  const bool link = HoldsLinkValue(h);
  r = ERROR_FILE_NOT_FOUND;
  if (link) {
    // The Reg* calls open the name again, which goes through the link: the
    // open link itself is deleted.
    using DeleteKeyCall = LONG(WINAPI*)(HANDLE);
    auto deleteKey = reinterpret_cast<DeleteKeyCall>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
    r = deleteKey && deleteKey(h) == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
  }
  RegCloseKey(h);
  return r;
}

namespace {
size_t BareKeys(HKEY key) {
  size_t count = 1;
  char name[256];
  for (DWORD index = 0;; ++index) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY sub = nullptr;
    if (RegOpenKeyExA(key, name, REG_OPTION_OPEN_LINK, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    count += BareKeys(sub);
    RegCloseKey(sub);
  }
  return count;
}
}  // namespace

size_t BareKeyWalk(win::HKey root, const Text& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(Root(root), path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  size_t count = BareKeys(key);
  RegCloseKey(key);
  return count;
}

}  // namespace morvane::w32
