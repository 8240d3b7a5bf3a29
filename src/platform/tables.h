// In-memory tables: list-box tables (lines, index from 0) and list-view
// tables (rows with text, sub-items 1 to 3, icon and check box, index from 1).
#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/winapi_types.h"

namespace morvane {

using ListBox = std::vector<Text>;

struct ListItem {
  Text text;
  std::array<Text, 4> subItems;  // [1..3] used
  int icon = 0;
  bool checked = false;
  Text& SubItems(int i) { return subItems.at(size_t(i)); }
  const Text& SubItems(int i) const { return subItems.at(size_t(i)); }
  bool operator==(const ListItem&) const = default;
};

class ListView {
 public:
  size_t Count() const { return rows_.size(); }
  bool Empty() const { return rows_.empty(); }
  // Rows are numbered from 1.
  ListItem& Item(size_t index) { return rows_.at(index - 1); }
  const ListItem& Item(size_t index) const { return rows_.at(index - 1); }
  ListItem& Add(const Text& text, int icon = 0) {
    rows_.push_back(ListItem{text, {}, icon, false});
    return rows_.back();
  }
  void Clear() { rows_.clear(); }
  std::vector<ListItem>& Rows() { return rows_; }
  const std::vector<ListItem>& Rows() const { return rows_; }
  bool operator==(const ListView&) const = default;

 private:
  std::vector<ListItem> rows_;
};

}  // namespace morvane
