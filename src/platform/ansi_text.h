// Windows-1252 text as the system compares it: file names by upper-cased
// bytes, registry names by lower-cased code points, FindFirstFileA wildcards.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/winapi_types.h"

namespace morvane {

// A Windows-1252 byte's Unicode code point.
uint32_t AnsiCodePoint(unsigned char c);
// The code point lower-cased within what Windows-1252 holds.
uint32_t LowerCodePoint(uint32_t cp);
// The byte upper-cased as file names compare.
unsigned char UpperAnsiByte(unsigned char c);
// The two foldings as tables over all 256 bytes, built once: [b] is
// UpperAnsiByte(b), and LowerCodePoint(AnsiCodePoint(b)).
const unsigned char* UpperAnsiTable();
const uint16_t* RegistryFoldTable();
// A hash of a name as the same comparisons see it: names that compare
// equal hash alike.
uint64_t FileNameHash(std::string_view n);
uint64_t RegistryNameHash(std::string_view n);
// File names ordered as their upper-cased bytes would (unsigned, shorter first).
int CompareFileNames(std::string_view a, std::string_view b);
// "*" and "?" of [p, pe) against the whole of [n, ne), bytes compared upper-cased.
bool StarMatch(const char* p, const char* pe, const char* n, const char* ne);
// The text with A-Z lower-cased and every other byte kept.
Text AsciiLower(Text s);
// A registry sub-path split at "\", empty components dropped.
std::vector<Text> KeyPathComponents(const Text& path);

}  // namespace morvane
