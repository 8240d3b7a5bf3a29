#include "platform/offline/offline_text.h"

#include <algorithm>

#include "platform/ansi_text.h"

namespace morvane::offline {

namespace {

char AnsiOf(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return char(cp);
  for (int i = 0; i < 32; ++i)
    if (AnsiCodePoint(static_cast<unsigned char>(0x80 + i)) == cp) return char(0x80 + i);
  return '?';
}


}  // namespace

std::string ToUtf8(const Text& ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (unsigned char c : ansi) {
    uint32_t cp = AnsiCodePoint(c);
    if (cp < 0x80) {
      out += char(cp);
    } else if (cp < 0x800) {
      out += char(0xC0 | (cp >> 6));
      out += char(0x80 | (cp & 0x3F));
    } else {
      out += char(0xE0 | (cp >> 12));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

Text FromUtf8(const std::string& utf8) {
  Text out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = utf8[i];
    uint32_t cp = c;
    size_t n = 1;
    if (c >= 0xF0) {
      n = 4, cp = 0xFFFD;
    } else if (c >= 0xE0 && i + 2 < utf8.size()) {
      n = 3, cp = ((c & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F);
    } else if (c >= 0xC0 && i + 1 < utf8.size()) {
      n = 2, cp = ((c & 0x1F) << 6) | (utf8[i + 1] & 0x3F);
    } else if (c >= 0x80) {
      cp = 0xFFFD;
    }
    out += AnsiOf(cp);
    i += n;
  }
  return out;
}

std::string ToUtf16(const Text& ansi) {
  std::string out;
  out.reserve(ansi.size() * 2);
  for (unsigned char c : ansi) {
    uint32_t cp = AnsiCodePoint(c);
    out += char(cp & 0xFF);
    out += char(cp >> 8);
  }
  return out;
}

Text FromUtf16(const char* data, size_t size) {
  Text out;
  out.reserve(size / 2);
  for (size_t i = 0; i + 1 < size; i += 2) {
    uint32_t cp = uint8_t(data[i]) | (uint32_t(uint8_t(data[i + 1])) << 8);
    if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < size) i += 2;  // a pair: one character 1252 cannot hold
    out += AnsiOf(cp);
  }
  return out;
}

int CompareNoCase(const Text& a, const Text& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    uint32_t x = LowerCodePoint(AnsiCodePoint(static_cast<unsigned char>(a[i])));
    uint32_t y = LowerCodePoint(AnsiCodePoint(static_cast<unsigned char>(b[i])));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualNoCase(const Text& a, const Text& b) { return a.size() == b.size() && CompareNoCase(a, b) == 0; }

Text UpperName(const Text& name) {
  Text u = name;
  for (auto& c : u) c = char(UpperAnsiByte(static_cast<unsigned char>(c)));
  return u;
}

bool WildcardMatch(const Text& pattern, const Text& name) {
  if (StarMatch(pattern.data(), pattern.data() + pattern.size(), name.data(), name.data() + name.size())) return true;
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 && name.find('.') == Text::npos)
    return StarMatch(pattern.data(), pattern.data() + pattern.size() - 2, name.data(), name.data() + name.size());
  return false;
}

}  // namespace morvane::offline
