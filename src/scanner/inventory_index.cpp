#include "scanner/inventory_index.h"

#include <algorithm>
#include <cstring>

#include "scanner/parse.h"

namespace morvane {

namespace {
// Rows ahead whose texts are asked for while this one is read.
constexpr size_t kAhead = 24;

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
// Short texts to small numbers: open addressing over a power-of-two table
// that stays small enough to sit in the cache while a listing is read.
class KeyTable {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;
  // The key's number, given the first time it is added (0, 1, 2, ...).
  uint32_t Add(std::string_view key) {
    if ((keys_.size() + 1) * 2 > slots_.size()) Grow();
    uint64_t h = Hash(key);
    size_t at = h & (slots_.size() - 1);
    for (; slots_[at].id != kNone; at = (at + 1) & (slots_.size() - 1))
      if (slots_[at].tag == uint32_t(h >> 32) && keys_[slots_[at].id] == key) return slots_[at].id;
    slots_[at] = {uint32_t(h >> 32), uint32_t(keys_.size())};
    keys_.push_back(key);
    return uint32_t(keys_.size() - 1);
  }
  uint32_t Find(std::string_view key) const {
    if (keys_.empty()) return kNone;
    uint64_t h = Hash(key);
    size_t at = h & (slots_.size() - 1);
    for (; slots_[at].id != kNone; at = (at + 1) & (slots_.size() - 1))
      if (slots_[at].tag == uint32_t(h >> 32) && keys_[slots_[at].id] == key) return slots_[at].id;
    return kNone;
  }

 private:
  struct Slot {
    uint32_t tag = 0;  // the hash's high half
    uint32_t id = kNone;
  };
  static uint64_t Hash(std::string_view key) {
    // Eight bytes at a time, each step multiplied and folded.
    const char* p = key.data();
    size_t n = key.size();
    uint64_t h = uint64_t(n) * 0x9E3779B97F4A7C15ull;
    for (; n >= 8; p += 8, n -= 8) {
      uint64_t w;
      std::memcpy(&w, p, 8);
      h = (h ^ w) * 0xff51afd7ed558ccdull;
      h ^= h >> 32;
    }
    if (n) {
      uint64_t w = 0;
      std::memcpy(&w, p, n);
      h = (h ^ w) * 0xc4ceb9fe1a85ec53ull;
    }
    return h ^ (h >> 29);
  }
  void Grow() {
    slots_.assign(slots_.empty() ? 16 : slots_.size() * 2, Slot{});
    for (uint32_t id = 0; id < keys_.size(); ++id) {
      size_t at = Hash(keys_[id]) & (slots_.size() - 1);
      while (slots_[at].id != kNone) at = (at + 1) & (slots_.size() - 1);
      slots_[at] = {uint32_t(Hash(keys_[id]) >> 32), id};
    }
  }
  std::vector<Slot> slots_;
  std::vector<std::string_view> keys_;
};

// A bit per (length, first and last four bytes) of the keys: most names
// are turned away by one bit, before any hashing.
class KeyFilter {
 public:
  void Add(std::string_view key) {
    const uint32_t b = Bit(key);
    bits_[b >> 6] |= uint64_t(1) << (b & 63);
  }
  bool MayHold(std::string_view key) const {
    const uint32_t b = Bit(key);
    return (bits_[b >> 6] >> (b & 63)) & 1;
  }

 private:
  static constexpr uint32_t kBits = 1u << 18;
  static uint32_t Bit(std::string_view key) {
    uint32_t head = 0, tail = 0;
    const size_t n = key.size();
    if (n >= 4) {
      std::memcpy(&head, key.data(), 4);
      std::memcpy(&tail, key.data() + n - 4, 4);
    } else if (n) {
      std::memcpy(&head, key.data(), n);
    }
    const uint64_t h = (uint64_t(head) << 32 | tail) * 0x9E3779B97F4A7C15ull + n;
    return uint32_t((h ^ (h >> 31)) * 0xff51afd7ed558ccdull >> 46);
  }
  std::vector<uint64_t> bits_ = std::vector<uint64_t>(kBits / 64);
};

std::string_view FileNameOf(std::string_view path) {
  size_t at = path.rfind('\\');
  return at == std::string_view::npos ? path : path.substr(at + 1);
}
}  // namespace

bool PatternMatches(const Text& F0, const Text& F1, const Text& P0, const Text& P1) {
  return Matches(F0, F1, P0, P1);
}

PathIndex::PathIndex(const ListView& listing) {
  sorted_.reserve(listing.Count());
  for (const auto& row : listing.Rows()) sorted_.push_back(row.text);
  std::sort(sorted_.begin(), sorted_.end());
}

bool PathIndex::HasPath(const Text& path) const {
  return std::binary_search(sorted_.begin(), sorted_.end(), std::string_view(path));
}

bool PathIndex::HasPrefix(const Text& prefix) const {
  auto it = std::lower_bound(sorted_.begin(), sorted_.end(), std::string_view(prefix));
  return it != sorted_.end() && it->substr(0, prefix.size()) == prefix;
}

PatternIndex::PatternIndex(const ListView& listing, const std::vector<Text>& targets) : listing_(listing) {
  Answer(targets);
}

const std::vector<size_t>& PatternIndex::Rows(const Text& target) {
  auto it = slotOf_.find(target);
  if (it == slotOf_.end()) {
    Answer({target});
    it = slotOf_.find(target);
  }
  return rows_[it->second];
}

void PatternIndex::Answer(const std::vector<Text>& targets) {
  // A name "base.ext" and a pattern "P1.P0", both split at their last ".".
  struct Pattern {
    size_t slot;
    Text P0, P1;
  };
  std::vector<Pattern> patterns;
  for (const Text& t : targets) {
    if (slotOf_.count(t)) continue;
    slotOf_[t] = rows_.size();
    rows_.emplace_back();
    std::array<Text, 2> parts;
    if (!ParseFile(t, parts, ".")) continue;
    patterns.push_back({rows_.size() - 1, std::move(parts[0]), std::move(parts[1])});
  }
  if (patterns.empty()) return;

  using Slots = std::vector<uint32_t>;  // indexes into patterns
  // Whole names and base-name patterns both need the row's base name to be
  // the pattern's: one table by base name answers both.
  KeyTable baseKeys, extKeys;
  std::vector<Slots> byBase, byExt;
  KeyFilter baseFilter;
  auto put = [](KeyTable& keys, std::vector<Slots>& lists, std::string_view key, uint32_t p) {
    uint32_t id = keys.Add(key);
    if (id == lists.size()) lists.emplace_back();
    lists[id].push_back(p);
  };
  std::vector<char> exact(patterns.size(), 0);  // the pattern is a whole name
  Slots generic;
  for (size_t p = 0; p < patterns.size(); ++p) {
    const Text& P0 = patterns[p].P0;
    const Text& P1 = patterns[p].P1;
    bool s0 = P0.find('*') != Text::npos;
    bool s1 = P1.find('*') != Text::npos;
    if (!s1) {
      exact[p] = !s0;
      put(baseKeys, byBase, P1, uint32_t(p));
      baseFilter.Add(P1);
    } else if (!s0) {
      put(extKeys, byExt, P0, uint32_t(p));
    } else if (P0 != "*") {
      generic.push_back(uint32_t(p));
    }
  }
  const bool anyBase = !byBase.empty(), anyExt = !byExt.empty();
  // The generic patterns that fit each extension met, decided once per extension.
  KeyTable seenExts;
  std::vector<Slots> genericByExt;

  const auto& rows = listing_.Rows();
  for (size_t i = 0; i < rows.size(); ++i) {
    // The row texts sit apart from the rows: ask for them ahead.
    if (i + kAhead < rows.size()) __builtin_prefetch(rows[i + kAhead].text.data() + rows[i + kAhead].text.size() - 1);
    std::string_view name = FileNameOf(rows[i].text);
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) continue;
    std::string_view ext = name.substr(dot + 1), base = name.substr(0, dot);
    auto add = [&](uint32_t p) { rows_[patterns[p].slot].push_back(i + 1); };
    if (anyBase && baseFilter.MayHold(base))
      if (uint32_t id = baseKeys.Find(base); id != KeyTable::kNone)
        for (uint32_t p : byBase[id])
          if (exact[p] ? ext == patterns[p].P0 : Matches(ext, base, patterns[p].P0, patterns[p].P1)) add(p);
    if (anyExt)
      if (uint32_t id = extKeys.Find(ext); id != KeyTable::kNone)
        for (uint32_t p : byExt[id]) add(p);
    if (!generic.empty()) {
      uint32_t id = seenExts.Add(ext);
      if (id == genericByExt.size()) {
        genericByExt.emplace_back();
        for (uint32_t p : generic)
          if (Matches(ext, {}, patterns[p].P0, patterns[p].P1)) genericByExt.back().push_back(p);
      }
      for (uint32_t p : genericByExt[id]) add(p);
    }
  }
}

SubstringIndex::SubstringIndex(const std::vector<std::string_view>& texts, const std::vector<Text>& targets) {
  Build(texts.size(), [&](size_t i) { return texts[i]; }, targets);
}

SubstringIndex::SubstringIndex(const ListBox& texts, const std::vector<Text>& targets) {
  Build(texts.size(), [&](size_t i) -> std::string_view { return texts[i]; }, targets);
}

SubstringIndex::SubstringIndex(const ListView& texts, const std::vector<Text>& targets) {
  const auto& rows = texts.Rows();
  Build(rows.size(), [&](size_t i) -> std::string_view { return rows[i].text; }, targets);
}

template <class TextAt>
void SubstringIndex::Build(size_t count, TextAt textAt, const std::vector<Text>& targets) {
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
  uint8_t fold[256];
  for (int c = 0; c < 256; ++c) fold[c] = uint8_t(AnsiLowerChar(char(c)));
  ac.Build(fold);
  // A listing often holds a text and then texts that begin with it (a key,
  // then its sub-keys). What a text's beginning holds and the automaton's
  // state after it are kept on a stack, and only the rest is scanned.
  struct Frame {
    std::string_view text;
    int32_t state;
    size_t hitsEnd;  // hits[0, hitsEnd) occur in text
  };
  std::vector<Frame> stack;
  std::vector<uint32_t> hits;
  std::vector<size_t> lastText(ac.PatternCount(), SIZE_MAX);
  const int32_t empty = ac.EmptyPattern();
  for (size_t i = 0; i < count; ++i) {
    if (i + kAhead < count) __builtin_prefetch(textAt(i + kAhead).data());
    std::string_view text = textAt(i);
    while (!stack.empty() && text.substr(0, stack.back().text.size()) != stack.back().text) stack.pop_back();
    Frame base = stack.empty() ? Frame{{}, 0, 0} : stack.back();
    hits.resize(base.hitsEnd);
    auto hit = [&](uint32_t id) {
      if (lastText[id] == i) return;
      lastText[id] = i;
      rows_[slotOfPattern[id]].push_back(i);
    };
    if (empty >= 0) hit(uint32_t(empty));
    for (uint32_t id : hits) hit(id);
    int32_t state = ac.Resume(base.state, text.substr(base.text.size()), [&](uint32_t id) {
      if (lastText[id] == i) return;
      hit(id);
      hits.push_back(id);
    });
    stack.push_back({text, state, hits.size()});
  }
}

const std::vector<size_t>& SubstringIndex::Rows(const Text& target) const {
  auto it = idOf_.find(AnsiLower(target));
  return it == idOf_.end() ? none_ : rows_[it->second];
}

}  // namespace morvane
