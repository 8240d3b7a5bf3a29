// Test hives written in one pass from the published layout: base block, then
// bins of cells (one sk shared by all keys, nk with "lh" subkey lists, vk).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace morvane::offline_test {

// Writes a hive holding only its root key; false when it cannot be written.
bool WriteEmptyHive(const std::string& path);

// Keys and values to put in a hive; "\"-separated paths below its root.
struct HiveValue {
  std::string key, name;
  uint32_t type;
  std::string bytes;  // as stored: strings UTF-16LE with their NUL
};
struct HiveContent {
  std::vector<std::string> keys;
  std::vector<HiveValue> values;
  HiveContent& Key(const std::string& path);
  HiveContent& String(const std::string& key, const std::string& name, const std::string& ansi,
                      uint32_t type = 1);
  HiveContent& Dword(const std::string& key, const std::string& name, uint32_t value);
};

// An empty hive at path with the content added (keys made as needed).
bool MakeHive(const std::string& path, const HiveContent& content);

}  // namespace morvane::offline_test
