// Signature checks through OpenSSL's libcrypto: the raw r and s become a DER
// ECDSA signature, the public point a P-256 key.
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>

#include <cstring>
#include <memory>

#include "platform/services.h"

namespace morvane {

namespace {

struct Free {
  void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
  void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
  void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
  void operator()(ECDSA_SIG* p) const { ECDSA_SIG_free(p); }
};
template <class T>
using Owned = std::unique_ptr<T, Free>;

Owned<EVP_PKEY> PublicKey(const std::string& xy) {
  unsigned char point[65];
  point[0] = 0x04;  // uncompressed
  std::memcpy(point + 1, xy.data(), 64);
  char group[] = "prime256v1";
  OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, group, 0),
                         OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point),
                         OSSL_PARAM_construct_end()};
  Owned<EVP_PKEY_CTX> ctx(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
  EVP_PKEY* key = nullptr;
  if (!ctx || EVP_PKEY_fromdata_init(ctx.get()) <= 0 ||
      EVP_PKEY_fromdata(ctx.get(), &key, EVP_PKEY_PUBLIC_KEY, params) <= 0)
    return nullptr;
  return Owned<EVP_PKEY>(key);
}

}  // namespace

bool HostSignatures::VerifyP256(const std::string& publicKey, const std::string& data, const std::string& signature) {
  if (publicKey.size() != kPublicKeySize || signature.size() != kSignatureSize) return false;
  Owned<EVP_PKEY> key = PublicKey(publicKey);
  if (!key) return false;
  Owned<ECDSA_SIG> sig(ECDSA_SIG_new());
  const auto* raw = reinterpret_cast<const unsigned char*>(signature.data());
  BIGNUM* r = BN_bin2bn(raw, 32, nullptr);
  BIGNUM* s = BN_bin2bn(raw + 32, 32, nullptr);
  if (!sig || !r || !s || !ECDSA_SIG_set0(sig.get(), r, s)) {
    BN_free(r);
    BN_free(s);
    return false;
  }
  unsigned char* der = nullptr;
  const int derSize = i2d_ECDSA_SIG(sig.get(), &der);
  if (derSize <= 0) return false;
  Owned<EVP_MD_CTX> md(EVP_MD_CTX_new());
  const bool valid = md && EVP_DigestVerifyInit(md.get(), nullptr, EVP_sha256(), nullptr, key.get()) == 1 &&
                     EVP_DigestVerify(md.get(), der, size_t(derSize),
                                      reinterpret_cast<const unsigned char*>(data.data()), data.size()) == 1;
  OPENSSL_free(der);
  return valid;
}

}  // namespace morvane
