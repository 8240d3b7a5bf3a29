// Multi-pattern substring search: which patterns occur in a text, in one pass.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/winapi_types.h"

namespace morvane {

class AhoCorasick {
 public:
  // Returns the pattern's id (the same id for a repeated pattern). The empty
  // pattern occurs in every text.
  uint32_t Add(std::string_view pattern);
  // Call once after the last Add. fold, when given, maps every byte of the
  // scanned texts before matching (for example to lower case).
  void Build(const uint8_t* fold = nullptr);
  // Calls hit(id) once for every distinct pattern that occurs in text.
  template <class F>
  void Scan(std::string_view text, F&& hit);
  // The automaton after text, starting from state (0 = before any text):
  // calls hit(id) at every end of a non-empty pattern, repeats included.
  template <class F>
  int32_t Resume(int32_t state, std::string_view text, F&& hit) const;
  // The id of the empty pattern, -1 when it was not added.
  int32_t EmptyPattern() const { return nodes_[0].pattern; }
  size_t PatternCount() const { return patternEnd_.size(); }

 private:
  struct Node {
    int32_t outLink = -1;   // nearest proper suffix node that ends a pattern
    int32_t pattern = -1;   // pattern ending here
  };
  int32_t Child(int32_t node, uint8_t c) const;

  std::vector<Node> nodes_{Node{}};
  // The trie while patterns are added: each node's children as a list
  // (first child, next sibling) and the byte that leads to it; dropped by Build.
  std::vector<int32_t> firstChild_{-1}, sibling_{-1};
  std::vector<uint8_t> byte_{0};
  // Bytes that occur in no pattern share class 0; the automaton's moves are
  // a dense table of nodes by classes.
  std::array<uint16_t, 256> classOf_{};  // of a pattern byte
  std::array<uint16_t, 256> inputClass_{};  // of a text byte, folded
  size_t classes_ = 1;
  // A move's target node; the sign bit marks nodes where a pattern ends.
  static constexpr int32_t kTarget = INT32_MAX;
  std::unique_ptr<int32_t[]> move_;
  std::vector<int32_t> firstOut_;  // per node: itself or its outLink, whichever ends a pattern first
  std::vector<int32_t> patternEnd_;
  std::vector<uint64_t> seenStamp_;
  uint64_t stamp_ = 0;
  template <class F>
  void Emit(int32_t id, F& hit) {
    if (seenStamp_[size_t(id)] == stamp_) return;
    seenStamp_[size_t(id)] = stamp_;
    hit(uint32_t(id));
  }
};

template <class F>
void AhoCorasick::Scan(std::string_view text, F&& hit) {
  ++stamp_;
  if (nodes_[0].pattern >= 0) Emit(nodes_[0].pattern, hit);
  const int32_t* move = move_.get();
  const int32_t* firstOut = firstOut_.data();
  const size_t classes = classes_;
  size_t state = 0;
  for (char ch : text) {
    int32_t to = move[state * classes + inputClass_[uint8_t(ch)]];
    if (to < 0) {  // a pattern ends here
      to &= kTarget;
      for (int32_t n = firstOut[to]; n > 0; n = nodes_[size_t(n)].outLink) Emit(nodes_[size_t(n)].pattern, hit);
    }
    state = size_t(to);
  }
}

template <class F>
int32_t AhoCorasick::Resume(int32_t state, std::string_view text, F&& hit) const {
  const int32_t* move = move_.get();
  const size_t classes = classes_;
  for (char ch : text) {
    int32_t to = move[size_t(state) * classes + inputClass_[uint8_t(ch)]];
    if (to < 0) {
      to &= kTarget;
      for (int32_t n = firstOut_[size_t(to)]; n > 0; n = nodes_[size_t(n)].outLink)
        hit(uint32_t(nodes_[size_t(n)].pattern));
    }
    state = to;
  }
  return state;
}

}  // namespace morvane
