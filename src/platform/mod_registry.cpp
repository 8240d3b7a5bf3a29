#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/handles.h"
#include "platform/modules.h"

namespace morvane {

namespace {

struct RootName {
  const char* name;
  win::HKey handle;
};
constexpr RootName kRoots[] = {
    {"HKEY_CLASSES_ROOT", win::kClassesRoot},         {"HKEY_CURRENT_USER", win::kCurrentUser},
    {"HKEY_LOCAL_MACHINE", win::kLocalMachine},       {"HKEY_USERS", win::kUsers},
    {"HKEY_PERFORMANCE_DATA", win::kPerformanceData}, {"HKEY_CURRENT_CONFIG", win::kCurrentConfig},
    {"HKEY_DYN_DATA", win::kDynData},
};

Text Trim(const Text& s) {
  size_t b = s.find_first_not_of(' ');
  if (b == Text::npos) return Text();
  size_t e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

}  // namespace

win::HKey modRegistry::GetRootKeyHandle(const Text& RootName) {
  for (const auto& r : kRoots)
    if (RootName == r.name) return r.handle;
  return 0;
}

Text modRegistry::TrimAtNull(const Text& text) {
  size_t p = text.find('\0');
  return p == Text::npos ? text : text.substr(0, p);
}

void modRegistry::SplitRegistryPath(Text& KeyPath, win::HKey& RootKey) {
  size_t slash = KeyPath.find('\\');
  if (KeyPath.compare(0, 5, "HKEY_") != 0 || KeyPath.size() < 5 || KeyPath.back() == '\\') {
    ctx_.messages().Show("Incorrect Format:\n\n" + KeyPath, "", MsgButtons::Ok, MsgIcon::None);
    RootKey = 0;
    return;
  }
  if (slash != Text::npos) {
    RootKey = GetRootKeyHandle(KeyPath.substr(0, slash));
    KeyPath = KeyPath.substr(slash + 1);
  } else {
    RootKey = GetRootKeyHandle(KeyPath);
    KeyPath.clear();
  }
}

std::optional<Text> modRegistry::GetRegistryString(const Text& KeyPath, const Text& ValueName) {
  Text sub = KeyPath;
  SplitRegistryPath(sub, currentRoot_);
  if (currentRoot_ == 0) return Text();
  RegKey key(ctx_.registry());
  LastRegResult = key.OpenEx(currentRoot_, sub, win::kKeyRead);
  if (LastRegResult != win::kSuccess) return std::nullopt;
  // Any length is read: the size is asked first, then the whole value.
  uint32_t type = win::kRegSz;
  uint32_t size = 0;
  LastRegResult = ctx_.registry().QueryValue(key.get(), ValueName.c_str(), &type, nullptr, &size);
  if (LastRegResult != win::kSuccess) return std::nullopt;
  // The data lands on the front of a buffer of blanks, one longer than the
  // value, so a text's NUL (stored, or added by the platform) is part of it.
  std::vector<uint8_t> buffer(size_t(size) + 1, ' ');
  for (int attempt = 0; attempt < 4; ++attempt) {
    uint32_t got = uint32_t(buffer.size());
    LastRegResult = ctx_.registry().QueryValue(key.get(), ValueName.c_str(), &type, buffer.data(), &got);
    if (LastRegResult == win::kMoreData) {
      buffer.assign(size_t(got) + 1, ' ');
      continue;
    }
    if (LastRegResult != win::kSuccess) return std::nullopt;
    // Blanks trimmed from both ends, then the last character dropped: a text
    // loses its leading blanks and its NUL and keeps its trailing blanks; the
    // bytes of a number or binary value are kept, a first byte 0 included.
    Text data = Trim(Text(reinterpret_cast<const char*>(buffer.data()), buffer.size()));
    if (!data.empty()) data.pop_back();
    return data;
  }
  return std::nullopt;
}

std::optional<int32_t> modRegistry::GetRegistryDword(const Text& KeyPath, const Text& ValueName) {
  Text sub = KeyPath;
  SplitRegistryPath(sub, currentRoot_);
  if (currentRoot_ == 0) return std::nullopt;
  RegKey key(ctx_.registry());
  LastRegResult = key.OpenEx(currentRoot_, sub, win::kKeyRead);
  if (LastRegResult != win::kSuccess) return std::nullopt;
  uint8_t buffer[4] = {};
  uint32_t size = 4;
  uint32_t type = 0;
  LastRegResult = ctx_.registry().QueryValue(key.get(), ValueName.c_str(), &type, buffer, &size);
  if (LastRegResult != win::kSuccess) return std::nullopt;
  uint32_t v = uint32_t(buffer[0]) | uint32_t(buffer[1]) << 8 | uint32_t(buffer[2]) << 16 | uint32_t(buffer[3]) << 24;
  return int32_t(v);
}

void modRegistry::SetRegistryString(const Text& KeyPath, const Text& ValueName, const Text& Data) {
  Text sub = KeyPath;
  SplitRegistryPath(sub, currentRoot_);
  if (currentRoot_ == 0) return;
  RegKey key(ctx_.registry());
  LastRegResult = key.OpenEx(currentRoot_, sub, win::kKeyWrite);
  if (LastRegResult != win::kSuccess) return;
  LastRegResult = ctx_.registry().SetValue(key.get(), ValueName.c_str(), win::kRegSz,
                                           reinterpret_cast<const uint8_t*>(Data.data()), uint32_t(Data.size()));
}

void modRegistry::SetRegistryDword(const Text& KeyPath, const Text& ValueName, int32_t& Value) {
  Text sub = KeyPath;
  SplitRegistryPath(sub, currentRoot_);
  if (currentRoot_ == 0) return;
  RegKey key(ctx_.registry());
  LastRegResult = key.OpenEx(currentRoot_, sub, win::kKeyWrite);
  if (LastRegResult != win::kSuccess) return;
  uint32_t v = uint32_t(Value);
  uint8_t bytes[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  LastRegResult = ctx_.registry().SetValue(key.get(), ValueName.c_str(), win::kRegDword, bytes, 4);
}

bool modRegistry::DeleteRegistryKey(const Text& KeyPath) {
  Text sub = KeyPath;
  SplitRegistryPath(sub, currentRoot_);
  if (currentRoot_ == 0) return false;
  // A link goes alone: the key it points at belongs elsewhere.
  LastRegResult = ctx_.registry().DeleteLink(currentRoot_, sub);
  if (LastRegResult == win::kFileNotFound) LastRegResult = ctx_.registry().DeleteKey(currentRoot_, sub);
  return LastRegResult == win::kSuccess;
}

void modRegistry::DeleteRegistryValue(const Text& KeyPath, const Text& ValueName) {
  Text sub = KeyPath;
  SplitRegistryPath(sub, currentRoot_);
  if (currentRoot_ == 0) return;
  RegKey key(ctx_.registry());
  LastRegResult = key.Open(currentRoot_, sub);
  if (LastRegResult != win::kSuccess) return;
  LastRegResult = ctx_.registry().DeleteValue(key.get(), ValueName.c_str());
}

std::vector<Text> modRegistry::GetSubKeyNames(const Text& KeyPath) {
  std::vector<Text> names;
  Text sub = KeyPath;
  SplitRegistryPath(sub, currentRoot_);
  RegKey key(ctx_.registry());
  if (currentRoot_ != 0) LastRegResult = key.Open(currentRoot_, sub);
  for (uint32_t i = 0;; ++i) {
    // A key name has up to 255 characters; the size counts the NUL.
    char buffer[256] = {};
    uint32_t size = sizeof buffer;
    int32_t r = key.IsOpen() ? ctx_.registry().EnumKey(key.get(), i, buffer, size, nullptr, nullptr)
                             : win::kInvalidHandle;
    LastRegResult = r;
    names.resize(size_t(i) + 1);
    if (r != win::kSuccess) return names;
    names[i] = TrimAtNull(Text(buffer, std::min<uint32_t>(size, 255)));
  }
}

}  // namespace morvane
