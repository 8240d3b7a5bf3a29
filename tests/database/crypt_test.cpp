#include <gtest/gtest.h>

#include <random>

#include "database/crypt.h"

namespace morvane {
namespace {

// k = floor(sum of codes / 10 / 6); the program key's codes sum to 575.
// Enciphering with the program key: +5, -3, +10, -2, +9, -7 for n = 1..5, 0.
TEST(Crypt, KeyValueIsATenthOfTheCodeSumOverSixRoundedDown) {
  const std::pair<Text, long long> cases[] = {
      {"", 0}, {";", 0}, {"<", 1}, {"\xff\xff", 8}, {Text(12, 'x'), 24}, {kDatabaseKey, 9}};
  for (const auto& [key, k] : cases) EXPECT_EQ(modCrypt::KeyValue(key), k) << key;
}

TEST(Crypt, KnownAnswerComputedByHand) {
  // "path|C:\" : p+5 a-3 t+10 h-2 |+9 C-7 :+5 \-3
  EXPECT_EQ(modCrypt::EncryptString("path|C:\\", kDatabaseKey), Text("u^~f\x85<?Y"));
  EXPECT_EQ(modCrypt::DecryptString(Text("u^~f\x85<?Y"), kDatabaseKey), "path|C:\\");
  // "v1.0": v+5 1-3 .+10 0-2
  EXPECT_EQ(modCrypt::EncryptString("v1.0", kDatabaseKey), "{.8.");
  EXPECT_EQ(modCrypt::DecryptString("{.8.", kDatabaseKey), "v1.0");
  EXPECT_EQ(modCrypt::EncryptString("", kDatabaseKey), "");
  EXPECT_EQ(modCrypt::DecryptString("", kDatabaseKey), "");
}

TEST(Crypt, CounterCyclesEverySixCharacters) {
  // Thirteen equal characters: positions 6 and 12 take n = 0, 7 and 13 take n = 1.
  const Text plain(13, 'A');  // 65
  const Text enc = modCrypt::EncryptString(plain, kDatabaseKey);
  ASSERT_EQ(enc.size(), 13u);
  const int expected[13] = {70, 62, 75, 63, 74, 58, 70, 62, 75, 63, 74, 58, 70};
  for (size_t i = 0; i < 13; ++i) EXPECT_EQ(static_cast<unsigned char>(enc[i]), expected[i]) << "position " << i + 1;
}

TEST(Crypt, CodesOutsideTheByteRangeAreDropped) {
  // 'y'+10 at n = 3 is 131 (kept); 0xFF+5 at n = 1 overflows and is dropped.
  EXPECT_EQ(modCrypt::EncryptString(Text("\xFF"), kDatabaseKey), "");
  // Deciphering code 1 at n = 1 gives -4: dropped, the walk goes on.
  EXPECT_EQ(modCrypt::DecryptString(Text("\x01") + "^", kDatabaseKey), "a");
  // Code 0 at n = 2 deciphers to 3: low codes survive when in range.
  EXPECT_EQ(modCrypt::DecryptString(Text("\x0A") + Text(1, '\0'), kDatabaseKey), Text("\x05\x03"));
}

TEST(Crypt, RoundTripOnRandomBytes) {
  std::mt19937 rng(12345);
  // Enciphering stays within 0..255 for codes 7..245 at every counter value.
  std::uniform_int_distribution<int> code(7, 245), length(0, 80);
  for (int round = 0; round < 2000; ++round) {
    Text plain;
    const int n = length(rng);
    for (int i = 0; i < n; ++i) plain.push_back(static_cast<char>(code(rng)));
    const Text enc = modCrypt::EncryptString(plain, kDatabaseKey);
    ASSERT_EQ(enc.size(), plain.size());
    ASSERT_EQ(modCrypt::DecryptString(enc, kDatabaseKey), plain);
  }
}

TEST(Crypt, OtherKeysDeriveTheirOwnValue) {
  // "1": s = 49, 4.9 / 6 = 0.81 -> 0; "": 0.
  EXPECT_EQ(modCrypt::KeyValue("1"), 0);
  EXPECT_EQ(modCrypt::KeyValue(""), 0);
  // "zzzzzz": s = 732, 73.2 / 6 = 12.2 -> 12.
  EXPECT_EQ(modCrypt::KeyValue("zzzzzz"), 12);
  const Text t = "regk|HKEY_LOCAL_MACHINE\\Software\\Example";
  EXPECT_EQ(modCrypt::DecryptString(modCrypt::EncryptString(t, "zzzzzz"), "zzzzzz"), t);
}

TEST(Crypt, EveryByteAtEveryCounterValueFollowsTheFormula) {
  // The line formula written out, against the deciphering in place and both
  // directions, with keys alternating (each key has its own byte tables).
  auto literal = [](const Text& in, const Text& key, bool encrypt) {
    const int offset[6] = {2, 5, 4, 2, 3, 5};
    const bool adds[6] = {false, true, false, true, false, true};
    const long long k = modCrypt::KeyValue(key);
    Text out;
    int n = 0;
    for (unsigned char c : in) {
      n = (n + 1) % 6;
      const long long shift = k - offset[n];
      const long long x = encrypt ? (adds[n] ? c + shift : c - shift) + n : (adds[n] ? c - shift : c + shift) - n;
      if (x >= 0 && x <= 255) out.push_back(char(x));
    }
    return out;
  };
  Text all;
  for (int c = 0; c < 256 * 6; ++c) all.push_back(char(c / 6));
  for (const Text& key : {Text(kDatabaseKey), Text("zzzzzz"), Text(kDatabaseKey), Text("")}) {
    SCOPED_TRACE(key);
    Text inPlace = all;
    modCrypt::DecryptInPlace(inPlace, key);
    EXPECT_EQ(inPlace, literal(all, key, false));
    EXPECT_EQ(modCrypt::DecryptString(all, key), literal(all, key, false));
    EXPECT_EQ(modCrypt::EncryptString(all, key), literal(all, key, true));
  }
}

}  // namespace
}  // namespace morvane
