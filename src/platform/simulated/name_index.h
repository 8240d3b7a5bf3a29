// A node's children by the hash of their folded name, for nodes with many
// children: open addressing over the children's addresses. It is kept up as
// children are added; when one goes it is dropped and made again at the
// next look-up.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace morvane::sim {

template <class Node>
class NameIndex {
 public:
  // Below this many children a search in order is as quick.
  static constexpr size_t kFrom = 16;

  bool Ready() const { return !slots_.empty(); }
  void Drop() {
    slots_.clear();
    used_ = 0;
  }
  void Insert(uint64_t hash, Node* node) {
    if ((used_ + 1) * 2 > slots_.size()) Grow();
    Place(hash, node);
    ++used_;
  }
  // The child whose hash is hash and for which same(child) holds, or null.
  template <class Same>
  Node* Find(uint64_t hash, Same&& same) const {
    const size_t mask = slots_.size() - 1;
    for (size_t at = hash & mask; slots_[at].node; at = (at + 1) & mask)
      if (slots_[at].hash == hash && same(*slots_[at].node)) return slots_[at].node;
    return nullptr;
  }

 private:
  struct Slot {
    uint64_t hash = 0;
    Node* node = nullptr;
  };
  void Place(uint64_t hash, Node* node) {
    const size_t mask = slots_.size() - 1;
    size_t at = hash & mask;
    while (slots_[at].node) at = (at + 1) & mask;
    slots_[at] = {hash, node};
  }
  void Grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? 2 * kFrom : old.size() * 2, Slot{});
    for (const Slot& s : old)
      if (s.node) Place(s.hash, s.node);
  }
  std::vector<Slot> slots_;
  size_t used_ = 0;
};

}  // namespace morvane::sim
