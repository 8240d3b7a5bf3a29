// Small text helpers of the removal code.
#pragma once
#include <algorithm>
#include <array>
#include <cctype>

#include "platform/tables.h"

namespace morvane::removal_text {

inline Text Lower(Text s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

// Line i of a settings table; empty when missing.
inline Text Line(const ListBox& table, size_t i) { return i < table.size() ? table[i] : Text(); }

inline Text Before(const Text& s, size_t pos) { return pos == Text::npos ? s : s.substr(0, pos); }
inline Text After(const Text& s, size_t pos) { return pos == Text::npos ? Text() : s.substr(pos + 1); }

// Fields 0 to 2 of a text split at every separator; further fields are dropped.
inline std::array<Text, 3> SplitFields(const Text& s, char sep) {
  std::array<Text, 3> f;
  size_t field = 0, start = 0;
  while (field < 3) {
    size_t pos = s.find(sep, start);
    f[field++] = s.substr(start, pos == Text::npos ? Text::npos : pos - start);
    if (pos == Text::npos) break;
    start = pos + 1;
  }
  return f;
}

// A value's bytes as two hex digits each, and back; false for any other text.
inline Text HexBytes(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  Text hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) hex.append({kDigits[c >> 4], kDigits[c & 15]});
  return hex;
}
inline bool BytesOfHex(const Text& hex, std::string& bytes) {
  auto digit = [](char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
  };
  if (hex.size() % 2) return false;
  bytes.clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int hi = digit(hex[i]), lo = digit(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes += char(hi << 4 | lo);
  }
  return true;
}

inline bool EndsWithLower(const Text& s, const char* suffix3) {
  return s.size() >= 3 && Lower(s.substr(s.size() - 3)) == suffix3;
}

}  // namespace morvane::removal_text
