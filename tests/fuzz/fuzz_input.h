// Reads a fuzz input as a sequence of choices and texts.
#pragma once
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <string>
#include <vector>

namespace morvane::fuzz {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : p_(data), n_(size) {}
  bool Empty() const { return n_ == 0; }
  uint8_t Byte() {
    if (n_ == 0) return 0;
    --n_;
    return *p_++;
  }
  size_t Pick(size_t count) { return count ? Byte() % count : 0; }
  bool Flag() { return Byte() & 1; }
  // A text up to the next NUL byte (or the end).
  std::string Text() {
    std::string out;
    while (n_ > 0) {
      const char c = char(Byte());
      if (c == '\0') break;
      out += c;
    }
    return out;
  }
  std::string Rest() {
    std::string out(reinterpret_cast<const char*>(p_), n_);
    p_ += n_;
    n_ = 0;
    return out;
  }

 private:
  const uint8_t* p_;
  size_t n_;
};

// Splits at every marker; parts beyond count join the last.
inline std::vector<std::string> SplitParts(const std::string& s, const std::string& marker, size_t count) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (parts.size() + 1 < count) {
    const size_t at = s.find(marker, start);
    if (at == std::string::npos) break;
    parts.push_back(s.substr(start, at - start));
    start = at + marker.size();
  }
  parts.push_back(s.substr(start));
  parts.resize(count);
  return parts;
}

}  // namespace morvane::fuzz

// A failed property ends the run like a crash, with its reason.
#define FUZZ_CHECK(cond)                                                                   \
  do {                                                                                     \
    if (!(cond)) {                                                                         \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                        \
    }                                                                                      \
  } while (0)
