// Prints how long checking a database's signature takes beside reading it:
//   signature_bench DB      (DB.sig beside it, signed by a key this build trusts)
// Each step runs five times; the fastest counts.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "database/signature.h"

using namespace morvane;

namespace {

std::string Read(const std::string& path) {
  std::string data;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    std::fseek(f, 0, SEEK_END);
    data.resize(size_t(std::ftell(f)));
    std::fseek(f, 0, SEEK_SET);
    data.resize(std::fread(data.data(), 1, data.size(), f));
    std::fclose(f);
  }
  return data;
}

template <class F>
double FastestMs(F step) {
  double best = 1e300;
  for (int i = 0; i < 5; ++i) {
    const auto start = std::chrono::steady_clock::now();
    step();
    best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: signature_bench DB\n");
    return 2;
  }
  const std::string path = argv[1];
  std::string database;
  const double readMs = FastestMs([&] { database = Read(path); });
  const std::string signature = Read(path + kSignatureSuffix);
  HostSignatures signatures;
  const auto keys = TrustedKeys();
  Text name;
  bool holds = false;
  const double verifyMs = FastestMs([&] { holds = CheckDatabaseSignature(signatures, keys, database, signature, name); });
  std::printf("%s: %zu bytes, read %.1f ms, signature check %.1f ms (%s), check/read %.2f\n", path.c_str(),
              database.size(), readMs, verifyMs, holds ? name.c_str() : "does not hold", verifyMs / readMs);
  return holds ? 0 : 1;
}
