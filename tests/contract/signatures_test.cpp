#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "contract/fixture.h"
#include "database/signature.h"

namespace morvane::contract {
namespace {

std::string Read(const char* name) {
  std::ifstream in(std::string(MORVANE_SIGNATURE_DATA) + "/" + name, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string Key(const char* name) {
  std::string hex = Read(name), key;
  for (size_t i = 0; i + 1 < hex.size() && hex[i] != '\n'; i += 2) key += char(std::stoi(hex.substr(i, 2), nullptr, 16));
  return key;
}

// Signatures made by the native signing tool hold on this backend, and
// nothing else does.
TEST(SignaturesContract, OnlyTheSignerAndTheSignedBytesVerify) {
  auto m = MakeFixture();
  ISignatures& sig = m->os().signatures;
  const std::string key1 = Key("key1.hex"), key2 = Key("key2.hex");
  const std::string first = Read("first.bin"), second = Read("second.bin");
  const std::string good = Read("first.bin.sig");
  ASSERT_EQ(key1.size(), 64u);
  ASSERT_EQ(good.size(), 64u);
  ASSERT_GT(first.size(), 1000u);
  EXPECT_TRUE(sig.VerifyP256(key1, first, good)) << m->Name();
  EXPECT_TRUE(sig.VerifyP256(key1, second, Read("second.bin.sig")));
  EXPECT_TRUE(sig.VerifyP256(key2, first, Read("first.key2.sig")));

  std::string flippedFile = first, flippedSig = good;
  flippedFile[700] ^= 0x10;
  flippedSig[40] ^= 0x01;
  const struct {
    const char* what;
    std::string key, data, signature;
  } bad[] = {
      {"flipped bit in the file", key1, flippedFile, good},
      {"flipped bit in the signature", key1, first, flippedSig},
      {"another file's signature", key1, first, Read("second.bin.sig")},
      {"another key's signature", key1, first, Read("first.key2.sig")},
      {"the other key", key2, first, good},
      {"empty signature", key1, first, ""},
      {"short signature", key1, first, good.substr(0, 63)},
      {"long signature", key1, first, good + '\0'},
      {"zero signature", key1, first, std::string(64, '\0')},
      {"key off the curve", std::string(64, '\x01'), first, good},
      {"short key", key1.substr(0, 63), first, good},
      {"empty file", key1, "", good},
  };
  for (const auto& b : bad) EXPECT_FALSE(sig.VerifyP256(b.key, b.data, b.signature)) << b.what;

  // The database check names the key that signed.
  Text name;
  const std::vector<TrustedKey> keys = {{"publisher key", key2}, {"development key", key1}};
  EXPECT_TRUE(CheckDatabaseSignature(sig, keys, first, good, name));
  EXPECT_EQ(name, "development key");
  EXPECT_FALSE(CheckDatabaseSignature(sig, {{"publisher key", key2}}, first, good, name));
}

}  // namespace
}  // namespace morvane::contract
