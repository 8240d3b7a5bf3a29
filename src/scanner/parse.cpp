#include "scanner/parse.h"

#include <algorithm>
#include <cstdint>

namespace morvane {

void ParseItem(std::string_view Item, std::span<Text> Fields, std::string_view Separator) {
  if (Item.empty() || Fields.empty()) return;
  size_t field = 0;
  if (Separator.empty()) {
    Fields[0].assign(Item);
    return;
  }
  while (!Item.empty()) {
    size_t at = Item.find(Separator);
    if (at == std::string_view::npos) {
      Fields[field].assign(Item);
      return;
    }
    Fields[field].assign(Item.substr(0, at));
    Item.remove_prefix(at + Separator.size());
    if (++field == Fields.size()) return;
  }
}

std::string_view ItemField(std::string_view Item, size_t index, char Separator) {
  for (; index > 0; --index) {
    const size_t at = Item.find(Separator);
    if (at == std::string_view::npos) return {};
    Item.remove_prefix(at + 1);
  }
  return Item.substr(0, Item.find(Separator));
}

bool ParseFile(const Text& Path, std::array<Text, 2>& Parts, const Text& Separator) {
  if (Separator.empty()) return false;
  size_t at = Path.rfind(Separator);
  if (at == Text::npos) return false;
  Parts[0] = Path.substr(at + Separator.size());
  Parts[1] = Path.substr(0, at);
  return true;
}

char AnsiLowerChar(char c) {
  auto u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') return char(u + 32);
  if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return char(u + 32);
  switch (u) {
    case 0x8A: return char(0x9A);
    case 0x8C: return char(0x9C);
    case 0x8E: return char(0x9E);
    case 0x9F: return char(0xFF);
    default: return c;
  }
}

Text AnsiLower(const Text& text) {
  Text out = text;
  for (char& c : out) c = AnsiLowerChar(c);
  return out;
}

bool LowerEquals(std::string_view text, std::string_view lower) {
  return text.size() == lower.size() &&
         std::equal(text.begin(), text.end(), lower.begin(), [](char t, char l) { return AnsiLowerChar(t) == l; });
}

Text RaisedCaption(const Text& caption) {
  // Leading blanks, an optional sign, then digits; anything else ends the number.
  size_t i = 0;
  while (i < caption.size() && (caption[i] == ' ' || caption[i] == '\t')) ++i;
  bool negative = false;
  if (i < caption.size() && (caption[i] == '-' || caption[i] == '+')) negative = caption[i++] == '-';
  int64_t value = 0;
  for (; i < caption.size() && caption[i] >= '0' && caption[i] <= '9'; ++i) {
    if (value < INT64_MAX / 10) value = value * 10 + (caption[i] - '0');
  }
  if (negative) value = -value;
  return std::to_string(value + 1);
}

}  // namespace morvane
