// Text of a mounted Windows installation: names on the mount are UTF-8,
// strings in hives UTF-16LE, the program's text Windows-1252.
#pragma once
#include <string>

#include "platform/winapi_types.h"

namespace morvane::offline {

// Windows-1252 to UTF-8 and back; a character 1252 cannot hold becomes "?".
std::string ToUtf8(const Text& ansi);
Text FromUtf8(const std::string& utf8);
// Windows-1252 bytes to UTF-16LE code units (two bytes each) and back.
std::string ToUtf16(const Text& ansi);
Text FromUtf16(const char* data, size_t size);

// Case-insensitive comparison in the registry's order (lower-cased code points).
int CompareNoCase(const Text& a, const Text& b);
bool EqualNoCase(const Text& a, const Text& b);
// Upper-cased bytes, as file names compare and sort.
Text UpperName(const Text& name);
// FindFirstFileA's wildcards: "*", "?", and "x.*" also matching "x".
bool WildcardMatch(const Text& pattern, const Text& name);

}  // namespace morvane::offline
