// A signature file and the database bytes as a download hands them to the
// check: a mode byte, the signature file, "\n--db--\n", the database. A
// signature holds only for the database that was signed, with the key that
// signed it.
#include "database/signature.h"
#include "database/tool/signing.h"
#include "fuzz/fuzz_input.h"

using namespace morvane;

namespace {

struct Signed {
  std::string key, database, signature;
};

const Signed& Known() {
  static const Signed known = [] {
    Signed s;
    std::string privatePem, publicPem, error;
    s.database = "Test database 1\r\npath|%WinDir%\\evil.exe|Adware|\r\n";
    FUZZ_CHECK(GenerateKeyPair(privatePem, publicPem, error) && PublicPoint(publicPem, s.key, error) &&
               SignP256(privatePem, s.database, s.signature, error));
    return s;
  }();
  return known;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Signed& known = Known();
  fuzz::Input in(data, size);
  const size_t mode = in.Pick(4);
  const auto parts = fuzz::SplitParts(in.Rest(), "\n--db--\n", 2);
  std::string signature = parts[0], database = parts[1];
  if (mode == 1) signature = known.signature;  // the good signature on any bytes
  if (mode == 2) database = known.database;    // any signature on the signed bytes
  if (mode == 3) {                             // the good pair with bits changed
    signature = known.signature;
    database = known.database;
    for (size_t i = 0; i < parts[0].size(); ++i) signature[i % signature.size()] ^= parts[0][i];
    for (size_t i = 0; i < parts[1].size() && !database.empty(); ++i) database[i % database.size()] ^= parts[1][i];
  }
  HostSignatures host;
  Text name;
  const bool holds = CheckDatabaseSignature(host, {{"publisher key", known.key}}, database, signature, name);
  if (holds) FUZZ_CHECK(database == known.database && name == "publisher key");
  if (signature == known.signature && database == known.database) FUZZ_CHECK(holds);
  return 0;
}
