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
  std::unordered_set<std::string_view> paths_;
  std::vector<std::string_view> sorted_;
  std::vector<Name> names_;                       // per row; base.data()==nullptr: no "."
  std::unordered_map<std::string_view, std::vector<size_t>> byExt_, byBase_;
  std::unordered_map<std::string, std::vector<size_t>> byExtBase_;
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
