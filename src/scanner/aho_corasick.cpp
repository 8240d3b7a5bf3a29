#include "scanner/aho_corasick.h"

#include <algorithm>
#include <deque>

namespace morvane {

int32_t AhoCorasick::Child(int32_t node, uint8_t c) const {
  const auto& next = nodes_[size_t(node)].next;
  auto it = std::lower_bound(next.begin(), next.end(), c,
                             [](const std::pair<uint8_t, int32_t>& e, uint8_t v) { return e.first < v; });
  return it != next.end() && it->first == c ? it->second : -1;
}

uint32_t AhoCorasick::Add(std::string_view pattern) {
  int32_t node = 0;
  for (char ch : pattern) {
    auto c = uint8_t(ch);
    int32_t child = Child(node, c);
    if (child < 0) {
      child = int32_t(nodes_.size());
      nodes_.push_back(Node{});
      auto& next = nodes_[size_t(node)].next;
      auto it = std::lower_bound(next.begin(), next.end(), c,
                                 [](const std::pair<uint8_t, int32_t>& e, uint8_t v) { return e.first < v; });
      next.insert(it, {c, child});
    }
    node = child;
  }
  if (nodes_[size_t(node)].pattern < 0) {
    nodes_[size_t(node)].pattern = int32_t(patternEnd_.size());
    patternEnd_.push_back(node);
  }
  return uint32_t(nodes_[size_t(node)].pattern);
}

int32_t AhoCorasick::Step(int32_t node, uint8_t c) const {
  for (;;) {
    int32_t child = Child(node, c);
    if (child >= 0) return child;
    if (node == 0) return 0;
    node = nodes_[size_t(node)].fail;
  }
}

void AhoCorasick::Build() {
  std::deque<int32_t> queue;
  for (auto& [c, child] : nodes_[0].next) {
    nodes_[size_t(child)].fail = 0;
    queue.push_back(child);
  }
  while (!queue.empty()) {
    int32_t node = queue.front();
    queue.pop_front();
    int32_t f = nodes_[size_t(node)].fail;
    // The root's pattern (the empty one) is reported separately.
    nodes_[size_t(node)].outLink = f > 0 ? (nodes_[size_t(f)].pattern >= 0 ? f : nodes_[size_t(f)].outLink) : -1;
    for (auto& [c, child] : nodes_[size_t(node)].next) {
      nodes_[size_t(child)].fail = Step(f, c) == child ? 0 : Step(f, c);
      queue.push_back(child);
    }
  }
  for (int c = 0; c < 256; ++c) root_[size_t(c)] = std::max(Child(0, uint8_t(c)), 0);
  seenStamp_.assign(patternEnd_.size(), 0);
}

}  // namespace morvane
