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

PathIndex::PathIndex(const ListView& listing) : listing_(listing) {
  const auto& rows = listing.Rows();
  paths_.reserve(rows.size() * 2);
  sorted_.reserve(rows.size());
  names_.resize(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    std::string_view path = rows[i].text;
    paths_.insert(path);
    sorted_.push_back(path);
    std::string_view name = FileNameOf(path);
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) continue;
    Name n{name.substr(dot + 1), name.substr(0, dot)};
    if (n.base.data() == nullptr) n.base = name.substr(0, 0);
    names_[i] = n;
    byExt_[n.ext].push_back(i + 1);
    byBase_[n.base].push_back(i + 1);
    std::string key(n.ext);
    key.push_back('\0');
    key.append(n.base);
    byExtBase_[key].push_back(i + 1);
  }
  std::sort(sorted_.begin(), sorted_.end());
}

bool PathIndex::HasPath(const Text& path) const { return paths_.count(path) != 0; }

bool PathIndex::HasPrefix(const Text& prefix) const {
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
  auto lookup = [](const auto& map, const auto& key) -> std::vector<size_t> {
    auto it = map.find(key);
    return it == map.end() ? std::vector<size_t>{} : it->second;
  };
  if (!s0 && !s1) {
    std::string key(P0);
    key.push_back('\0');
    key.append(P1);
    return lookup(byExtBase_, key);
  }
  if (s1 && !s0) return lookup(byExt_, std::string_view(P0));
  if (s0 && !s1) {
    // Any extension or a filtered one, always with this base name.
    std::vector<size_t> rows;
    auto it = byBase_.find(std::string_view(P1));
    if (it == byBase_.end()) return rows;
    for (size_t r : it->second) {
      const Name& n = names_[r - 1];
      if (Matches(n.ext, n.base, P0, P1)) rows.push_back(r);
    }
    return rows;
  }
  if (P0 == "*") return {};
  // Any base name: every extension that fits, rows merged in listing order.
  std::vector<size_t> rows;
  for (const auto& [ext, list] : byExt_) {
    if (Matches(ext, {}, P0, P1)) rows.insert(rows.end(), list.begin(), list.end());
  }
  std::sort(rows.begin(), rows.end());
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
  Text lower;
  for (size_t i = 0; i < texts.size(); ++i) {
    lower.assign(texts[i]);
    for (char& c : lower) c = AnsiLowerChar(c);
    ac.Scan(lower, [&](uint32_t id) { rows_[slotOfPattern[id]].push_back(i); });
  }
}

const std::vector<size_t>& SubstringIndex::Rows(const Text& target) const {
  auto it = idOf_.find(AnsiLower(target));
  return it == idOf_.end() ? none_ : rows_[it->second];
}

}  // namespace morvane
