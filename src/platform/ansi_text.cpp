#include "platform/ansi_text.h"

#include <algorithm>
#include <array>

namespace morvane {

uint32_t AnsiCodePoint(unsigned char c) {
  static const uint16_t k80[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  return c >= 0x80 && c < 0xA0 ? k80[c - 0x80] : c;
}

uint32_t LowerCodePoint(uint32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 0x20;
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 0x20;
  switch (cp) {
    case 0x178: return 0xFF;
    case 0x160: return 0x161;
    case 0x152: return 0x153;
    case 0x17D: return 0x17E;
    default: return cp;
  }
}

unsigned char UpperAnsiByte(unsigned char c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  if (c == 0x9A || c == 0x9C || c == 0x9E) return c - 16;
  if (c == 0xFF) return 0x9F;
  return c;
}

const unsigned char* UpperAnsiTable() {
  static const auto table = [] {
    std::array<unsigned char, 256> t{};
    for (int b = 0; b < 256; ++b) t[size_t(b)] = UpperAnsiByte(static_cast<unsigned char>(b));
    return t;
  }();
  return table.data();
}

const uint16_t* RegistryFoldTable() {
  static const auto table = [] {
    std::array<uint16_t, 256> t{};
    for (int b = 0; b < 256; ++b) t[size_t(b)] = uint16_t(LowerCodePoint(AnsiCodePoint(static_cast<unsigned char>(b))));
    return t;
  }();
  return table.data();
}

namespace {

template <class T>
uint64_t HashThrough(std::string_view n, const T* fold) {
  uint64_t h = 0x9E3779B97F4A7C15ull ^ n.size();
  for (char c : n) h = (h ^ fold[static_cast<unsigned char>(c)]) * 0x100000001B3ull;
  return h ^ (h >> 29);
}

}  // namespace

uint64_t FileNameHash(std::string_view n) {
  static const unsigned char* const upper = UpperAnsiTable();
  return HashThrough(n, upper);
}

uint64_t RegistryNameHash(std::string_view n) {
  static const uint16_t* const fold = RegistryFoldTable();
  return HashThrough(n, fold);
}

Text AsciiLower(Text s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return s;
}

int CompareFileNames(std::string_view a, std::string_view b) {
  static const unsigned char* const upper = UpperAnsiTable();
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = upper[static_cast<unsigned char>(a[i])], y = upper[static_cast<unsigned char>(b[i])];
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool StarMatch(const char* p, const char* pe, const char* n, const char* ne) {
  const unsigned char* upper = UpperAnsiTable();
  // On a mismatch only the last "*" is tried again, one name byte further:
  // an earlier one could only take fewer bytes, which the last one covers.
  // Time grows with the product of the lengths, never with the count of "*".
  const char* afterStar = nullptr;
  const char* retry = nullptr;
  while (n < ne) {
    if (p < pe && *p == '*') {
      afterStar = ++p;
      retry = n;
    } else if (p < pe && (*p == '?' || upper[static_cast<unsigned char>(*p)] == upper[static_cast<unsigned char>(*n)])) {
      ++p;
      ++n;
    } else if (afterStar) {
      p = afterStar;
      n = ++retry;
    } else {
      return false;
    }
  }
  while (p < pe && *p == '*') ++p;
  return p == pe;
}

std::vector<Text> KeyPathComponents(const Text& path) {
  std::vector<Text> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == Text::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace morvane
