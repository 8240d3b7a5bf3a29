#include "scanner/aho_corasick.h"

#include <algorithm>

namespace morvane {

int32_t AhoCorasick::Child(int32_t node, uint8_t c) const {
  for (int32_t n = firstChild_[size_t(node)]; n >= 0; n = sibling_[size_t(n)])
    if (byte_[size_t(n)] == c) return n;
  return -1;
}

int32_t AhoCorasick::StepDeep(int32_t state, uint16_t cls) const {
  for (;;) {
    if (size_t(state) < dense_) return move_[size_t(state) * classes_ + cls];
    const size_t deep = size_t(state) - dense_;
    for (uint32_t e = edgeBegin_[deep]; e < edgeBegin_[deep + 1]; ++e)
      if (edges_[e].first == cls) return edges_[e].second;
    state = deepFail_[deep];  // shallower: the loop ends at a dense node
  }
}

void AhoCorasick::Reserve(size_t bytes) {
  nodes_.reserve(bytes + 1);
  firstChild_.reserve(bytes + 1);
  sibling_.reserve(bytes + 1);
  byte_.reserve(bytes + 1);
}

uint32_t AhoCorasick::Add(std::string_view pattern) {
  int32_t node = 0;
  for (char ch : pattern) {
    auto c = uint8_t(ch);
    int32_t child = Child(node, c);
    if (child < 0) {
      child = int32_t(nodes_.size());
      nodes_.push_back(Node{});
      byte_.push_back(c);
      sibling_.push_back(firstChild_[size_t(node)]);
      firstChild_.push_back(-1);
      firstChild_[size_t(node)] = child;
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
  // most of its moves, then share a few cache lines, and a node's fail node
  // (shallower) always comes before it.
  const size_t count = nodes_.size();
  std::vector<int32_t> order{0}, newId(count, 0);
  order.reserve(count);
  for (size_t q = 0; q < order.size(); ++q)
    for (int32_t child = firstChild_[size_t(order[q])]; child >= 0; child = sibling_[size_t(child)]) {
      newId[size_t(child)] = int32_t(order.size());
      order.push_back(child);
    }
  {
    std::vector<Node> renumbered(count);
    for (size_t n = 0; n < count; ++n) renumbered[n] = nodes_[size_t(order[n])];
    nodes_ = std::move(renumbered);
    for (int32_t& node : patternEnd_) node = newId[size_t(node)];
  }
  classOf_.fill(0);
  classes_ = 1;
  for (size_t n = 1; n < count; ++n)
    if (classOf_[byte_[n]] == 0) classOf_[byte_[n]] = uint16_t(classes_++);
  const size_t k = classes_;
  // Dense rows for the shallowest nodes, within about a megabyte.
  dense_ = std::min(count, std::max<size_t>(1, (size_t(1) << 18) / k));
  move_.reset(new int32_t[dense_ * k]);  // every row is written in full below
  edgeBegin_.assign(1, 0);
  edgeBegin_.reserve(count - dense_ + 1);
  edges_.clear();
  edges_.reserve(count - 1);
  deepFail_.clear();
  deepFail_.reserve(count - dense_);
  std::vector<int32_t> fail(count, 0);
  // In the new numbering, for every node in order: its fail node comes
  // before it, so a dense node's row starts as a copy of its fail node's. A
  // child's fail node is shallower, so its output link is known when the
  // move to it is made, and the move carries the sign bit when a pattern
  // ends there.
  for (size_t node = 0; node < count; ++node) {
    const size_t old = size_t(order[node]);
    int32_t* row = node < dense_ ? &move_[node * k] : nullptr;
    if (node == 0) {
      std::fill(row, row + k, 0);
    } else if (row) {
      const int32_t* failRow = &move_[size_t(fail[node]) * k];
      std::copy(failRow, failRow + k, row);
    } else {
      deepFail_.push_back(fail[node]);
    }
    for (int32_t c = firstChild_[old]; c >= 0; c = sibling_[size_t(c)]) {
      const size_t child = size_t(newId[size_t(c)]);
      const uint16_t cls = classOf_[byte_[size_t(c)]];
      const int32_t f = node == 0 ? 0 : Step(fail[node], cls) & kTarget;
      fail[child] = f;
      // The root's pattern (the empty one) is reported separately.
      Node& n = nodes_[child];
      n.outLink = f > 0 ? (nodes_[size_t(f)].pattern >= 0 ? f : nodes_[size_t(f)].outLink) : -1;
      const int32_t target = int32_t(child) | (n.pattern >= 0 || n.outLink > 0 ? INT32_MIN : 0);
      if (row) row[cls] = target;
      else edges_.emplace_back(cls, target);
    }
    if (!row) edgeBegin_.push_back(uint32_t(edges_.size()));
  }
  std::vector<int32_t>().swap(firstChild_);
  std::vector<int32_t>().swap(sibling_);
  std::vector<uint8_t>().swap(byte_);
  firstOut_.resize(count);
  for (size_t i = 0; i < count; ++i) firstOut_[i] = nodes_[i].pattern >= 0 ? int32_t(i) : nodes_[i].outLink;
  firstOut_[0] = -1;  // the root's (empty) pattern is reported apart
  for (int b = 0; b < 256; ++b) inputClass_[size_t(b)] = classOf_[fold ? fold[b] : uint8_t(b)];
}

}  // namespace morvane
