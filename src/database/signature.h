// Detached database signatures: "DataBase.ref.sig" beside "DataBase.ref"
// holds 64 bytes, r then s of an ECDSA P-256 signature over the SHA-256 of
// the enciphered file's bytes.
#pragma once
#include <string>
#include <vector>

#include "platform/services.h"

namespace morvane {

inline constexpr const char* kSignatureSuffix = ".sig";

struct TrustedKey {
  Text name;              // "publisher key" or "development key"
  std::string publicKey;  // X then Y, 64 bytes
};

// The keys this build trusts (its publisher key, or its development key,
// and the next publisher key when one is set).
std::vector<TrustedKey> TrustedKeys();

// True when signature is a valid signature of database by one of keys; name
// is then that key's name.
bool CheckDatabaseSignature(ISignatures& signatures, const std::vector<TrustedKey>& keys, const std::string& database,
                            const std::string& signature, Text& name);

}  // namespace morvane
