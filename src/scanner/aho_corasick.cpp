#include "scanner/aho_corasick.h"

#include <algorithm>

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

void AhoCorasick::Build(const uint8_t* fold) {
  // Number the nodes breadth first: the shallow ones, where a scan spends
  // most of its moves, then share a few cache lines.
  {
    std::vector<int32_t> order{0}, newId(nodes_.size(), 0);
    order.reserve(nodes_.size());
    for (size_t q = 0; q < order.size(); ++q)
      for (const auto& [c, child] : nodes_[size_t(order[q])].next) {
        newId[size_t(child)] = int32_t(order.size());
        order.push_back(child);
      }
    std::vector<Node> renumbered(nodes_.size());
    for (size_t n = 0; n < order.size(); ++n) {
      renumbered[n] = std::move(nodes_[size_t(order[n])]);
      for (auto& entry : renumbered[n].next) entry.second = newId[size_t(entry.second)];
    }
    nodes_ = std::move(renumbered);
    for (int32_t& node : patternEnd_) node = newId[size_t(node)];
  }
  classOf_.fill(0);
  classes_ = 1;
  for (const Node& n : nodes_)
    for (const auto& [c, child] : n.next)
      if (classOf_[c] == 0) classOf_[c] = uint16_t(classes_++);
  const size_t k = classes_;
  move_.assign(nodes_.size() * k, 0);
  std::vector<int32_t> fail(nodes_.size(), 0), queue;
  queue.reserve(nodes_.size());
  for (const auto& [c, child] : nodes_[0].next) {
    move_[classOf_[c]] = child;
    queue.push_back(child);
  }
  // Breadth first: a node's fail node is shallower, so its row is complete.
  for (size_t q = 0; q < queue.size(); ++q) {
    const int32_t node = queue[q];
    const int32_t f = fail[size_t(node)];
    // The root's pattern (the empty one) is reported separately.
    nodes_[size_t(node)].outLink = f > 0 ? (nodes_[size_t(f)].pattern >= 0 ? f : nodes_[size_t(f)].outLink) : -1;
    int32_t* row = &move_[size_t(node) * k];
    const int32_t* failRow = &move_[size_t(f) * k];
    std::copy(failRow, failRow + k, row);
    for (const auto& [c, child] : nodes_[size_t(node)].next) {
      fail[size_t(child)] = failRow[classOf_[c]];
      row[classOf_[c]] = child;
      queue.push_back(child);
    }
  }
  firstOut_.resize(nodes_.size());
  for (size_t i = 0; i < nodes_.size(); ++i) {
    Node& n = nodes_[i];
    firstOut_[i] = n.pattern >= 0 ? int32_t(i) : n.outLink;
    std::vector<std::pair<uint8_t, int32_t>>().swap(n.next);
  }
  firstOut_[0] = -1;  // the root's (empty) pattern is reported apart
  for (int32_t& to : move_)
    if (firstOut_[size_t(to)] > 0) to |= INT32_MIN;
  for (int b = 0; b < 256; ++b) inputClass_[size_t(b)] = classOf_[fold ? fold[b] : uint8_t(b)];
  seenStamp_.assign(patternEnd_.size(), 0);
}

}  // namespace morvane
