// Multi-pattern substring search: which patterns occur in a text, in one pass.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/winapi_types.h"

namespace morvane {

class AhoCorasick {
 public:
  // Returns the pattern's id (the same id for a repeated pattern). The empty
  // pattern occurs in every text.
  uint32_t Add(std::string_view pattern);
  // Room for patterns of this many bytes in all, before the first Add.
  void Reserve(size_t bytes);
  // Call once after the last Add. fold, when given, maps every byte of the
  // scanned texts before matching (for example to lower case).
  void Build(const uint8_t* fold = nullptr);
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
  // The move from state on a byte of class cls.
  int32_t Step(int32_t state, uint16_t cls) const;
  // The same from a deep node, kept out of the scan loop.
  int32_t StepDeep(int32_t state, uint16_t cls) const;

  std::vector<Node> nodes_{Node{}};
  // The trie while patterns are added: each node's children as a list
  // (first child, next sibling) and the byte that leads to it; dropped by Build.
  std::vector<int32_t> firstChild_{-1}, sibling_{-1};
  std::vector<uint8_t> byte_{0};
  // Bytes that occur in no pattern share class 0.
  std::array<uint16_t, 256> classOf_{};  // of a pattern byte
  std::array<uint16_t, 256> inputClass_{};  // of a text byte, folded
  size_t classes_ = 1;
  // Nodes are numbered breadth first. The shallow ones, where a scan spends
  // most of its moves, have a dense row of moves by class; deeper nodes keep
  // their own children and their fail node. A move's target has the sign
  // bit set where a pattern ends.
  static constexpr int32_t kTarget = INT32_MAX;
  size_t dense_ = 1;
  std::unique_ptr<int32_t[]> move_;
  std::vector<uint32_t> edgeBegin_;                   // per deep node, into edges_
  std::vector<std::pair<uint16_t, int32_t>> edges_;   // class, target
  std::vector<int32_t> deepFail_;                     // per deep node
  std::vector<int32_t> firstOut_;  // per node: itself or its outLink, whichever ends a pattern first
  std::vector<int32_t> patternEnd_;
};

inline int32_t AhoCorasick::Step(int32_t state, uint16_t cls) const {
  return size_t(state) < dense_ ? move_[size_t(state) * classes_ + cls] : StepDeep(state, cls);
}

template <class F>
int32_t AhoCorasick::Resume(int32_t state, std::string_view text, F&& hit) const {
  for (char ch : text) {
    int32_t to = Step(state, inputClass_[uint8_t(ch)]);
    if (to < 0) [[unlikely]] {
      to &= kTarget;
      for (int32_t n = firstOut_[size_t(to)]; n > 0; n = nodes_[size_t(n)].outLink)
        hit(uint32_t(nodes_[size_t(n)].pattern));
    }
    state = to;
  }
  return state;
}

}  // namespace morvane
