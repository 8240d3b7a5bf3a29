// The database line cipher. Lines are byte strings; each byte is a
// character code 0 to 255 of the ANSI code page.
#pragma once
#include "platform/winapi_types.h"

namespace morvane {

// The key of every database line.
inline constexpr const char* kDatabaseKey = "70453918262";

class modCrypt {
 public:
  // Deciphers one line; codes that fall outside 0 to 255 are dropped.
  static Text DecryptString(const Text& strText, const Text& Key);
  // The same, on the line itself.
  static void DecryptInPlace(Text& strText, const Text& Key);
  // Enciphers one line (the inverse of DecryptString).
  static Text EncryptString(const Text& strText, const Text& Key);
  // k of the key: floor((sum of codes * 0.1) / 6) in double precision.
  static long long KeyValue(const Text& Key);
};

}  // namespace morvane
