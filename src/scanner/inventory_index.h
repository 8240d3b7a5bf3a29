// Indexes over the scan inventories, built once per record phase, that answer
// the listing tests with the same finds, in the same order, as walking the
// listings entry by entry.
#pragma once
#include <memory>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/path_table.h"
#include "platform/tables.h"
#include "scanner/aho_corasick.h"

namespace morvane {

// The file-name pattern comparison of one listed name against one target
// (both already split at their last "."): F0/P0 extensions, F1/P1 base names.
bool PatternMatches(const Text& F0, const Text& F1, const Text& P0, const Text& P1);

// The targets as the records will ask them, in order, each with its slot:
// a question in that order is answered by comparing one text.
class TargetOrder {
 public:
  void Add(const Text& target, size_t slot) { order_.emplace_back(target, slot); }
  // target's slot when it is the next one in order (and then moves on);
  // SIZE_MAX otherwise.
  size_t Next(const Text& target) {
    if (next_ >= order_.size() || order_[next_].first != target) return SIZE_MAX;
    return order_[next_++].second;
  }

 private:
  std::vector<std::pair<Text, size_t>> order_;
  size_t next_ = 0;
};

// Listed paths (lstHDDItems row texts) by exact text and prefix.
class PathIndex {
 public:
  explicit PathIndex(const PathTable& listing);
  // Some row equals path.
  bool HasPath(const Text& path) const;
  // Some row begins with prefix.
  bool HasPrefix(const Text& prefix) const;

 private:
  // Some row of the folder has a name that begins with (or, when whole,
  // equals) name.
  bool FolderHas(uint32_t folder, std::string_view name, bool whole) const;
  const PathTable& listing_;
  std::vector<uint32_t> byName_;      // rows by folder, then name
  std::vector<uint32_t> folderRows_;  // per folder: where its rows begin in byName_
  std::vector<uint32_t> folders_;     // folder ids by text
};

// File-name pattern tests of many targets against the listed paths: for each
// target, the texts of the rows whose file name matches it, in row order. The
// targets are gathered first and the listing is read once for all of them;
// a row's text is made then, while its folder and name are at hand.
class PatternIndex {
 public:
  // targets: every pattern the records will ask, in order.
  PatternIndex(const PathTable& listing, const std::vector<Text>& targets);
  struct Asked {
    std::vector<Text>& texts;
    bool last;  // target is not asked again: the texts may be moved out
  };
  Asked Rows(const Text& target);

 private:
  void Answer(const std::vector<Text>& targets);
  const PathTable& listing_;
  std::unordered_map<Text, size_t> slotOf_;
  TargetOrder order_;
  std::vector<std::vector<Text>> rows_;
  std::vector<size_t> asks_;  // per slot: the asks still to come
};

// Lower-case substring tests of many targets against one list of texts: for
// each target, the positions (ascending) of the texts that contain it.
class SubstringIndex {
 public:
  // texts: the listed texts (lines or row texts) in order; targets: every
  // target the records will ask.
  SubstringIndex(const std::vector<std::string_view>& texts, const std::vector<Text>& targets);
  SubstringIndex(const ListBox& texts, const std::vector<Text>& targets);
  SubstringIndex(const ListView& texts, const std::vector<Text>& targets);
  SubstringIndex(const PathTable& texts, const std::vector<Text>& targets);
  const std::vector<size_t>& Rows(const Text& target);

 private:
  // Adds the targets to ac and gives each pattern id its slot in rows_;
  // false when there are none.
  bool AddTargets(AhoCorasick& ac, const std::vector<Text>& targets, std::vector<size_t>& slotOfPattern);
  // textAt(i) is text i.
  template <class TextAt>
  void Build(size_t count, TextAt textAt, const std::vector<Text>& targets);
  std::unordered_map<Text, size_t> idOf_;  // lower-cased target -> slot
  TargetOrder order_;
  std::vector<std::vector<size_t>> rows_;
  std::vector<size_t> none_;
};

}  // namespace morvane
