#include "database/signature.h"

#include "trusted_keys.h"

namespace morvane {

std::vector<TrustedKey> TrustedKeys() { return BuiltInTrustedKeys(); }

bool CheckDatabaseSignature(ISignatures& signatures, const std::vector<TrustedKey>& keys, const std::string& database,
                            const std::string& signature, Text& name) {
  if (signature.size() != ISignatures::kSignatureSize) return false;
  for (const TrustedKey& key : keys) {
    if (signatures.VerifyP256(key.publicKey, database, signature)) {
      name = key.name;
      return true;
    }
  }
  return false;
}

}  // namespace morvane
