// In-memory tables: list-box tables (lines, index from 0) and list-view
// tables (rows with text, sub-items 1 to 3, icon and check box, index from 1).
#pragma once
#include <array>
#include <cstddef>
#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/winapi_types.h"

namespace morvane {

using ListBox = std::vector<Text>;

// Most rows never get sub-items (a disk listing has a million of them), so
// they are held apart and made at the first write.
struct ListItem {
  Text text;
  int icon = 0;
  bool checked = false;

  ListItem() = default;
  ListItem(Text t, int i) : text(std::move(t)), icon(i) {}
  ListItem(const ListItem& o) : text(o.text), icon(o.icon), checked(o.checked) {
    if (o.subItems_) subItems_ = std::make_unique<std::array<Text, 4>>(*o.subItems_);
  }
  ListItem(ListItem&&) noexcept = default;
  ListItem& operator=(const ListItem& o) {
    if (this != &o) *this = ListItem(o);
    return *this;
  }
  ListItem& operator=(ListItem&&) noexcept = default;

  // Sub-items [1..3] used; an index past 3 throws std::out_of_range.
  Text& SubItems(int i) {
    Check(i);
    if (!subItems_) subItems_ = std::make_unique<std::array<Text, 4>>();
    return (*subItems_)[size_t(i)];
  }
  const Text& SubItems(int i) const {
    Check(i);
    static const Text kEmpty;
    return subItems_ ? (*subItems_)[size_t(i)] : kEmpty;
  }
  bool operator==(const ListItem& o) const {
    if (text != o.text || icon != o.icon || checked != o.checked) return false;
    for (int i = 0; i < 4; ++i)
      if (SubItems(i) != o.SubItems(i)) return false;
    return true;
  }

 private:
  static void Check(int i) {
    if (i < 0 || i > 3) throw std::out_of_range("ListItem::SubItems");
  }
  std::unique_ptr<std::array<Text, 4>> subItems_;
};

class ListView {
 public:
  size_t Count() const { return rows_.size(); }
  bool Empty() const { return rows_.empty(); }
  // Rows are numbered from 1.
  ListItem& Item(size_t index) { return rows_.at(index - 1); }
  const ListItem& Item(size_t index) const { return rows_.at(index - 1); }
  ListItem& Add(Text text, int icon = 0) {
    rows_.emplace_back(std::move(text), icon);
    return rows_.back();
  }
  void Clear() { rows_.clear(); }
  std::deque<ListItem>& Rows() { return rows_; }
  const std::deque<ListItem>& Rows() const { return rows_; }
  bool operator==(const ListView&) const = default;

 private:
  std::deque<ListItem> rows_;
};

}  // namespace morvane
