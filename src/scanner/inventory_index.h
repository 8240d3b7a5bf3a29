// Indexes over the scan inventories, built once per record phase, that answer
// the listing tests with the same finds, in the same order, as walking the
// listings entry by entry.
#pragma once
#include <memory>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/tables.h"
#include "scanner/aho_corasick.h"

namespace morvane {

// The file-name pattern comparison of one listed name against one target
// (both already split at their last "."): F0/P0 extensions, F1/P1 base names.
bool PatternMatches(const Text& F0, const Text& F1, const Text& P0, const Text& P1);

// Rows grouped by a text key without one allocation per key: open addressing
// over the first row of each key, later rows chained in listing order.
class RowGroups {
 public:
  // keys[i] is row i's key; rows with hasKey[i] false are left out.
  void Build(const std::vector<std::string_view>& keys, const std::vector<bool>& hasKey);
  // Calls f(row) for the rows (0-based, ascending) whose key is key.
  template <class F>
  void ForEach(std::string_view key, F&& f) const {
    for (int32_t r = Head(key); r >= 0; r = next_[size_t(r)]) f(size_t(r));
  }
  // Every distinct key with its first row.
  template <class F>
  void ForEachKey(F&& f) const {
    for (int32_t h : slots_)
      if (h >= 0) f((*keys_)[size_t(h)], h);
  }
  int32_t Next(int32_t row) const { return next_[size_t(row)]; }

 private:
  int32_t Head(std::string_view key) const;
  const std::vector<std::string_view>* keys_ = nullptr;
  std::vector<int32_t> slots_, next_;
  size_t mask_ = 0;
};

// Listed paths (lstHDDItems row texts), by exact text, prefix and file name.
class PathIndex {
 public:
  explicit PathIndex(const ListView& listing);
  // Some row equals path.
  bool HasPath(const Text& path) const;
  // Some row begins with prefix.
  bool HasPrefix(const Text& prefix) const;
  // Rows (1-based, ascending) whose file name matches the pattern target.
  std::vector<size_t> PatternRows(const Text& pattern) const;

 private:
  struct Name {
    std::string_view ext, base;
  };
  const ListView& listing_;
  std::vector<std::string_view> pathKeys_, nameKeys_, extKeys_, baseKeys_;
  // Each grouping is built at its first question.
  mutable RowGroups paths_, byName_, byExt_, byBase_;
  mutable bool havePaths_ = false, haveName_ = false, haveExt_ = false, haveBase_ = false;
  const RowGroups& Groups(RowGroups& g, bool& built, const std::vector<std::string_view>& keys) const;
  mutable std::vector<std::string_view> sorted_;  // built at the first prefix question
  std::vector<bool> dotted_;                      // the file name holds a "."
};

// Lower-case substring tests of many targets against one list of texts: for
// each target, the positions (ascending) of the texts that contain it.
class SubstringIndex {
 public:
  // texts: the listed texts in order; targets: every target the records will ask.
  SubstringIndex(const std::vector<std::string_view>& texts, const std::vector<Text>& targets);
  const std::vector<size_t>& Rows(const Text& target) const;

 private:
  std::unordered_map<Text, size_t> idOf_;  // lower-cased target -> slot
  std::vector<std::vector<size_t>> rows_;
  std::vector<size_t> none_;
};

}  // namespace morvane
