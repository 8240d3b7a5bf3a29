// Making keys and signatures (OpenSSL's libcrypto; the native tool only).
#pragma once
#include <string>

namespace morvane {

// A new P-256 key pair as PEM texts (PKCS#8 private key, SubjectPublicKeyInfo).
bool GenerateKeyPair(std::string& privatePem, std::string& publicPem, std::string& error);
// The 64-byte signature (r then s) of SHA-256(data) with a private PEM key.
bool SignP256(const std::string& privatePem, const std::string& data, std::string& signature, std::string& error);
// The public point (X then Y, 64 bytes) of a private or public PEM key.
bool PublicPoint(const std::string& pem, std::string& point, std::string& error);

}  // namespace morvane
