// The ignore list: the test the scans apply and the table operations.
#pragma once
#include <functional>
#include <string_view>
#include <unordered_set>

#include "platform/context.h"
#include "store/app_state.h"

namespace morvane {

// Ignored when an entry names object: the entry's object field (after the
// type and its "|", up to the next "|" or the end) is object, case-sensitive,
// or the whole entry is. Entries in order, a yield after each.
bool ObjectIgnored(Context& ctx, const ListBox& lstIgnoreListFile, const Text& object);

// The same test over a list prepared once: the entries' object fields in a
// set (an object holding a "|" is tested entry by entry), one yield per
// test. A scan's lists of many thousand entries stay quick.
class IgnoreIndex {
 public:
  explicit IgnoreIndex(const ListBox& lstIgnoreListFile);
  bool Ignored(Context& ctx, const Text& object) const;
  size_t Count() const { return list_.size(); }

 private:
  const ListBox& list_;
  std::unordered_set<std::string_view> objects_;
};

// "type|object|name" and "|note" when the row has one.
Text IgnoreEntry(const ListItem& row);

class IgnoreList {
 public:
  // saveData writes every settings table (the settings store's SaveData).
  IgnoreList(Context& ctx, AppState& app, std::function<void()> saveData)
      : ctx_(ctx), app_(app), saveData_(std::move(saveData)) {}

  // Adds the checked result rows (logged) or manual-removal rows to the list
  // and saves. A row whose entry holds a line break is left out: a line of
  // the list cannot keep it.
  struct Added {
    size_t added = 0;
    size_t refused = 0;
  };
  Added IgnoreChecked();
  Added IgnoreCheckedManual();
  void LoadIgnoredToList();
  // Drops the entries of the checked rows of lstIgnoreList, saves and lists
  // again; returns how many were dropped.
  size_t DeleteSelected();

  ListView lstIgnoreList;  // Type, then sub-items Category, Object, Comment

 private:
  Added Add(const ListView& rows, bool log);
  Context& ctx_;
  AppState& app_;
  std::function<void()> saveData_;
  ListBox listed_;  // the entries lstIgnoreList was made from, row by row
};

}  // namespace morvane
