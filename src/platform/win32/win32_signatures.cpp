// Signature checks through CNG (bcrypt): SHA-256 of the data, then ECDSA
// P-256 with the public key imported as an ECC public blob.
#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/services.h"

namespace morvane {

namespace {

bool Ok(NTSTATUS status) { return status >= 0; }

struct Algorithm {
  BCRYPT_ALG_HANDLE handle = nullptr;
  explicit Algorithm(LPCWSTR name) {
    if (!Ok(BCryptOpenAlgorithmProvider(&handle, name, nullptr, 0))) handle = nullptr;
  }
  ~Algorithm() {
    if (handle) BCryptCloseAlgorithmProvider(handle, 0);
  }
};

bool Sha256(const std::string& data, unsigned char (&digest)[32]) {
  Algorithm sha(BCRYPT_SHA256_ALGORITHM);
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (!sha.handle || !Ok(BCryptCreateHash(sha.handle, &hash, nullptr, 0, nullptr, 0, 0))) return false;
  bool ok = true;
  // HashData takes a 32-bit length: large files go in pieces.
  constexpr size_t kPiece = size_t(1) << 24;
  for (size_t at = 0; ok && at < data.size(); at += kPiece) {
    const size_t n = std::min(kPiece, data.size() - at);
    ok = Ok(BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(data.data() + at)), ULONG(n), 0));
  }
  ok = ok && Ok(BCryptFinishHash(hash, digest, sizeof digest, 0));
  BCryptDestroyHash(hash);
  return ok;
}

}  // namespace

bool HostSignatures::VerifyP256(const std::string& publicKey, const std::string& data, const std::string& signature) {
  if (publicKey.size() != kPublicKeySize || signature.size() != kSignatureSize) return false;
  unsigned char digest[32];
  if (!Sha256(data, digest)) return false;
  Algorithm ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
  if (!ecdsa.handle) return false;
  std::vector<unsigned char> blob(sizeof(BCRYPT_ECCKEY_BLOB) + kPublicKeySize);
  BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
  std::memcpy(blob.data(), &header, sizeof header);
  std::memcpy(blob.data() + sizeof header, publicKey.data(), kPublicKeySize);
  BCRYPT_KEY_HANDLE key = nullptr;
  if (!Ok(BCryptImportKeyPair(ecdsa.handle, nullptr, BCRYPT_ECCPUBLIC_BLOB, &key, blob.data(), ULONG(blob.size()), 0)))
    return false;
  unsigned char sig[kSignatureSize];
  std::memcpy(sig, signature.data(), sizeof sig);
  const bool valid = Ok(BCryptVerifySignature(key, nullptr, digest, sizeof digest, sig, sizeof sig, 0));
  BCryptDestroyKey(key);
  return valid;
}

}  // namespace morvane
