#include "database/tool/signing.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstring>
#include <memory>

namespace morvane {

namespace {

struct Free {
  void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
  void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
  void operator()(ECDSA_SIG* p) const { ECDSA_SIG_free(p); }
  void operator()(BIO* p) const { BIO_free(p); }
  void operator()(BIGNUM* p) const { BN_free(p); }
};
template <class T>
using Owned = std::unique_ptr<T, Free>;

std::string Drain(BIO* bio) {
  char* data = nullptr;
  const long n = BIO_get_mem_data(bio, &data);
  return std::string(data, size_t(n > 0 ? n : 0));
}

bool IsP256(EVP_PKEY* key) {
  char group[64] = {};
  size_t length = 0;
  return EVP_PKEY_is_a(key, "EC") &&
         EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group, &length) == 1 &&
         std::strcmp(group, "prime256v1") == 0;
}

// A P-256 key from PEM text: a private key, or else a public one.
Owned<EVP_PKEY> ReadKey(const std::string& pem, bool needPrivate, std::string& error) {
  Owned<BIO> in(BIO_new_mem_buf(pem.data(), int(pem.size())));
  Owned<EVP_PKEY> key(PEM_read_bio_PrivateKey(in.get(), nullptr, nullptr, nullptr));
  if (!key && !needPrivate) {
    in.reset(BIO_new_mem_buf(pem.data(), int(pem.size())));
    key.reset(PEM_read_bio_PUBKEY(in.get(), nullptr, nullptr, nullptr));
  }
  if (!key) {
    error = needPrivate ? "not a PEM private key" : "not a PEM key";
    return nullptr;
  }
  if (!IsP256(key.get())) {
    error = "not an ECDSA key on the P-256 curve";
    return nullptr;
  }
  return key;
}

bool Pad32(const BIGNUM* n, std::string& out) {
  unsigned char bytes[32];
  if (BN_bn2binpad(n, bytes, sizeof bytes) != 32) return false;
  out.append(reinterpret_cast<char*>(bytes), sizeof bytes);
  return true;
}

}  // namespace

bool GenerateKeyPair(std::string& privatePem, std::string& publicPem, std::string& error) {
  Owned<EVP_PKEY> key(EVP_EC_gen("P-256"));
  Owned<BIO> priv(BIO_new(BIO_s_mem())), pub(BIO_new(BIO_s_mem()));
  if (!key || !PEM_write_bio_PrivateKey(priv.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) ||
      !PEM_write_bio_PUBKEY(pub.get(), key.get())) {
    error = "cannot make a P-256 key pair";
    return false;
  }
  privatePem = Drain(priv.get());
  publicPem = Drain(pub.get());
  return true;
}

bool SignP256(const std::string& privatePem, const std::string& data, std::string& signature, std::string& error) {
  Owned<EVP_PKEY> key = ReadKey(privatePem, true, error);
  if (!key) return false;
  Owned<EVP_MD_CTX> md(EVP_MD_CTX_new());
  size_t size = 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  if (!md || EVP_DigestSignInit(md.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1 ||
      EVP_DigestSign(md.get(), nullptr, &size, bytes, data.size()) != 1) {
    error = "cannot sign";
    return false;
  }
  std::string der(size, '\0');
  auto* out = reinterpret_cast<unsigned char*>(der.data());
  if (EVP_DigestSign(md.get(), out, &size, bytes, data.size()) != 1) {
    error = "cannot sign";
    return false;
  }
  const unsigned char* p = out;
  Owned<ECDSA_SIG> sig(d2i_ECDSA_SIG(nullptr, &p, long(size)));
  signature.clear();
  if (!sig || !Pad32(ECDSA_SIG_get0_r(sig.get()), signature) || !Pad32(ECDSA_SIG_get0_s(sig.get()), signature)) {
    error = "cannot sign";
    return false;
  }
  return true;
}

bool PublicPoint(const std::string& pem, std::string& point, std::string& error) {
  Owned<EVP_PKEY> key = ReadKey(pem, false, error);
  if (!key) return false;
  BIGNUM* x = nullptr;
  BIGNUM* y = nullptr;
  const bool got = EVP_PKEY_get_bn_param(key.get(), OSSL_PKEY_PARAM_EC_PUB_X, &x) == 1 &&
                   EVP_PKEY_get_bn_param(key.get(), OSSL_PKEY_PARAM_EC_PUB_Y, &y) == 1;
  Owned<BIGNUM> ox(x), oy(y);
  point.clear();
  if (!got || !Pad32(x, point) || !Pad32(y, point)) {
    error = "cannot read the public point";
    return false;
  }
  return true;
}

}  // namespace morvane
