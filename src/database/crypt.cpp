#include "database/crypt.h"

#include <cmath>
#include <cstdint>

namespace morvane {

namespace {

// d per counter value n = 0..5, and whether enciphering adds (k - d).
constexpr int kOffset[6] = {2, 5, 4, 2, 3, 5};
constexpr bool kEncryptAdds[6] = {false, true, false, true, false, true};

// What each byte becomes at each counter value; -1 where the code falls
// outside 0 to 255 and is dropped. The last key's tables are kept.
struct ByteMap {
  long long k = 0;
  bool encrypt = false;
  bool ready = false;
  int16_t to[6][256];
};

const ByteMap& MapFor(const Text& key, bool encrypt) {
  thread_local ByteMap map;
  const long long k = modCrypt::KeyValue(key);
  if (map.ready && map.k == k && map.encrypt == encrypt) return map;
  for (int n = 0; n < 6; ++n) {
    const long long shift = k - kOffset[n];
    for (int c = 0; c < 256; ++c) {
      long long x;
      if (encrypt)
        x = (kEncryptAdds[n] ? c + shift : c - shift) + n;
      else
        x = (kEncryptAdds[n] ? c - shift : c + shift) - n;
      map.to[n][c] = (x < 0 || x > 255) ? int16_t(-1) : int16_t(x);
    }
  }
  map.k = k;
  map.encrypt = encrypt;
  map.ready = true;
  return map;
}

// Transforms text in place: the result is never longer than the input.
void TransformInPlace(Text& text, const Text& key, bool encrypt) {
  const ByteMap& map = MapFor(key, encrypt);
  size_t out = 0;
  int n = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    n = n == 5 ? 0 : n + 1;  // the counter runs 1, 2, 3, 4, 5, 0, 1, ...
    const int16_t x = map.to[n][static_cast<unsigned char>(text[i])];
    if (x >= 0) text[out++] = static_cast<char>(static_cast<unsigned char>(x));
  }
  text.resize(out);
}

Text Transform(const Text& in, const Text& key, bool encrypt) {
  Text out = in;
  TransformInPlace(out, key, encrypt);
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

void modCrypt::DecryptInPlace(Text& strText, const Text& Key) { TransformInPlace(strText, Key, false); }

Text modCrypt::EncryptString(const Text& strText, const Text& Key) { return Transform(strText, Key, true); }

}  // namespace morvane
