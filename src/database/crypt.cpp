#include "database/crypt.h"

#include <cmath>

namespace morvane {

namespace {

// d per counter value n = 0..5, and whether enciphering adds (k - d).
constexpr int kOffset[6] = {2, 5, 4, 2, 3, 5};
constexpr bool kEncryptAdds[6] = {false, true, false, true, false, true};

Text Transform(const Text& in, const Text& key, bool encrypt) {
  const long long k = modCrypt::KeyValue(key);
  Text out;
  out.reserve(in.size());
  int n = 0;
  for (unsigned char ch : in) {
    n = n + 1;
    if (n == 6) n = 0;
    const long long c = ch;
    const long long shift = k - kOffset[n];
    long long x;
    if (encrypt)
      x = (kEncryptAdds[n] ? c + shift : c - shift) + n;
    else
      x = (kEncryptAdds[n] ? c - shift : c + shift) - n;
    if (x < 0 || x > 255) continue;
    out.push_back(static_cast<char>(static_cast<unsigned char>(x)));
  }
  return out;
}

}  // namespace

long long modCrypt::KeyValue(const Text& Key) {
  long long s = 0;
  for (unsigned char ch : Key) s += ch;
  volatile double product = static_cast<double>(s) * 0.1;
  volatile double quotient = product / 6.0;
  return static_cast<long long>(std::floor(quotient));
}

Text modCrypt::DecryptString(const Text& strText, const Text& Key) { return Transform(strText, Key, false); }

Text modCrypt::EncryptString(const Text& strText, const Text& Key) { return Transform(strText, Key, true); }

}  // namespace morvane
