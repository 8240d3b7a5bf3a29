#include "scanner/inventory_index.h"

#include <algorithm>

#include "scanner/parse.h"

namespace morvane {

namespace {
bool EndsEqual(std::string_view a, std::string_view b, size_t m) {
  // Right$(a, m) = Right$(b, m)
  std::string_view ra = a.size() > m ? a.substr(a.size() - m) : a;
  std::string_view rb = b.size() > m ? b.substr(b.size() - m) : b;
  return ra == rb;
}
bool StartsEqual(std::string_view a, std::string_view b, size_t m) {
  return a.substr(0, std::min(m, a.size())) == b.substr(0, std::min(m, b.size()));
}
// The eight cases on views.
bool Matches(std::string_view F0, std::string_view F1, std::string_view P0, std::string_view P1) {
  bool s0 = P0.find('*') != std::string_view::npos;
  bool s1 = P1.find('*') != std::string_view::npos;
  size_t m = P0.empty() ? 0 : P0.size() - 1;
  if (!s0 && !s1) return F0 == P0 && F1 == P1;
  if (s1 && !s0) return F0 == P0;
  if (s0 && !s1) {
    if (P0 == "*") return F1 == P1;
    if (P0.front() == '*') return F1 == P1 && EndsEqual(F0, P0, m);
    return F1 == P1 && StartsEqual(F0, P0, m);
  }
  if (P0 == "*") return false;
  if (P0.front() == '*') return EndsEqual(F0, P0, m);
  return StartsEqual(F0, P0, m);
}
std::string_view FileNameOf(std::string_view path) {
  size_t at = path.rfind('\\');
  return at == std::string_view::npos ? path : path.substr(at + 1);
}
}  // namespace

bool PatternMatches(const Text& F0, const Text& F1, const Text& P0, const Text& P1) {
  return Matches(F0, F1, P0, P1);
}

void RowGroups::Build(const std::vector<std::string_view>& keys, const std::vector<bool>& hasKey) {
  keys_ = &keys;
  size_t capacity = 16;
  while (capacity < keys.size() * 2) capacity <<= 1;
  mask_ = capacity - 1;
  slots_.assign(capacity, -1);
  next_.assign(keys.size(), -1);
  std::vector<int32_t> tail(capacity, -1);
  std::hash<std::string_view> hash;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (!hasKey[i]) continue;
    size_t at = hash(keys[i]) & mask_;
    while (slots_[at] >= 0 && keys[size_t(slots_[at])] != keys[i]) at = (at + 1) & mask_;
    if (slots_[at] < 0) slots_[at] = int32_t(i);
    else next_[size_t(tail[at])] = int32_t(i);
    tail[at] = int32_t(i);
  }
}

int32_t RowGroups::Head(std::string_view key) const {
  if (!keys_) return -1;
  size_t at = std::hash<std::string_view>{}(key) & mask_;
  while (slots_[at] >= 0) {
    if ((*keys_)[size_t(slots_[at])] == key) return slots_[at];
    at = (at + 1) & mask_;
  }
  return -1;
}

PathIndex::PathIndex(const ListView& listing) : listing_(listing) {
  const auto& rows = listing.Rows();
  const size_t n = rows.size();
  pathKeys_.resize(n);
  nameKeys_.resize(n);
  extKeys_.resize(n);
  baseKeys_.resize(n);
  dotted_.assign(n, false);
  for (size_t i = 0; i < n; ++i) {
    std::string_view path = rows[i].text;
    pathKeys_[i] = path;
    std::string_view name = FileNameOf(path);
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) continue;
    dotted_[i] = true;
    nameKeys_[i] = name;
    extKeys_[i] = name.substr(dot + 1);
    baseKeys_[i] = name.substr(0, dot);
  }
}

const RowGroups& PathIndex::Groups(RowGroups& g, bool& built, const std::vector<std::string_view>& keys) const {
  if (!built) {
    g.Build(keys, &keys == &pathKeys_ ? std::vector<bool>(keys.size(), true) : dotted_);
    built = true;
  }
  return g;
}

bool PathIndex::HasPath(const Text& path) const {
  bool any = false;
  Groups(paths_, havePaths_, pathKeys_).ForEach(path, [&](size_t) { any = true; });
  return any;
}

bool PathIndex::HasPrefix(const Text& prefix) const {
  if (sorted_.empty() && !pathKeys_.empty()) {
    sorted_ = pathKeys_;
    std::sort(sorted_.begin(), sorted_.end());
  }
  auto it = std::lower_bound(sorted_.begin(), sorted_.end(), std::string_view(prefix));
  return it != sorted_.end() && it->substr(0, prefix.size()) == prefix;
}

std::vector<size_t> PathIndex::PatternRows(const Text& pattern) const {
  std::array<Text, 2> parts;
  if (!ParseFile(pattern, parts, ".")) return {};
  const Text& P0 = parts[0];
  const Text& P1 = parts[1];
  bool s0 = P0.find('*') != Text::npos;
  bool s1 = P1.find('*') != Text::npos;
  std::vector<size_t> rows;
  auto add = [&](size_t r) { rows.push_back(r + 1); };
  if (!s0 && !s1) {
    // Both split at their last ".": equal parts are equal whole names.
    Groups(byName_, haveName_, nameKeys_).ForEach(pattern, add);
  } else if (s1 && !s0) {
    Groups(byExt_, haveExt_, extKeys_).ForEach(P0, add);
  } else if (s0 && !s1) {
    Groups(byBase_, haveBase_, baseKeys_).ForEach(P1, [&](size_t r) {
      if (Matches(extKeys_[r], baseKeys_[r], P0, P1)) add(r);
    });
  } else if (P0 != "*") {
    // Any base name: every extension that fits, rows merged in listing order.
    const RowGroups& exts = Groups(byExt_, haveExt_, extKeys_);
    exts.ForEachKey([&](std::string_view ext, int32_t head) {
      if (!Matches(ext, {}, P0, P1)) return;
      for (int32_t r = head; r >= 0; r = exts.Next(r)) add(size_t(r));
    });
    std::sort(rows.begin(), rows.end());
  }
  return rows;
}

SubstringIndex::SubstringIndex(const std::vector<std::string_view>& texts, const std::vector<Text>& targets) {
  AhoCorasick ac;
  std::vector<size_t> slotOfPattern;
  for (const Text& t : targets) {
    Text lower = AnsiLower(t);
    if (idOf_.count(lower)) continue;
    uint32_t id = ac.Add(lower);
    if (slotOfPattern.size() <= id) slotOfPattern.resize(id + 1, SIZE_MAX);
    if (slotOfPattern[id] == SIZE_MAX) {
      slotOfPattern[id] = rows_.size();
      rows_.emplace_back();
    }
    idOf_[lower] = slotOfPattern[id];
  }
  if (rows_.empty()) return;
  ac.Build();
  uint8_t fold[256];
  for (int c = 0; c < 256; ++c) fold[c] = uint8_t(AnsiLowerChar(char(c)));
  for (size_t i = 0; i < texts.size(); ++i) {
    ac.Scan(texts[i], [&](uint32_t id) { rows_[slotOfPattern[id]].push_back(i); }, fold);
  }
}

const std::vector<size_t>& SubstringIndex::Rows(const Text& target) const {
  auto it = idOf_.find(AnsiLower(target));
  return it == idOf_.end() ? none_ : rows_[it->second];
}

}  // namespace morvane
