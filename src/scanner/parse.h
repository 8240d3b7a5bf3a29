// Splitting records and file names, ANSI lower case and counter captions.
#pragma once
#include <array>
#include <span>
#include <string_view>

#include "platform/winapi_types.h"

namespace morvane {

// Splits Item at every Separator into Fields[0], Fields[1], ... Stops with the
// last field (the rest is dropped); fields beyond the last piece keep their
// text; an empty Item stores nothing; a trailing separator adds no piece.
void ParseItem(std::string_view Item, std::span<Text> Fields, std::string_view Separator);
// The field ParseItem would store at index (empty when Item has fewer
// pieces), without a copy.
std::string_view ItemField(std::string_view Item, size_t index, char Separator);

// Splits Path at the last Separator: Parts[0] = after it, Parts[1] = before it.
// False (Parts untouched) when Path holds no Separator.
bool ParseFile(const Text& Path, std::array<Text, 2>& Parts, const Text& Separator);

// Lower case in the ANSI code page (Windows-1252).
char AnsiLowerChar(char c);
Text AnsiLower(const Text& text);
// AnsiLower(text) == lower, without a copy.
bool LowerEquals(std::string_view text, std::string_view lower);

// Caption of a raised counter: the whole part of the caption's number plus 1.
Text RaisedCaption(const Text& caption);

}  // namespace morvane
