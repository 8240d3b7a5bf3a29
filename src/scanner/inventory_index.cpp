#include "scanner/inventory_index.h"

#include <algorithm>
#include <cstring>

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

}  // namespace

bool PatternMatches(const Text& F0, const Text& F1, const Text& P0, const Text& P1) {
  return Matches(F0, F1, P0, P1);
}

PathIndex::PathIndex(const PathTable& listing) : listing_(listing) {
  // Rows by folder (counted out), then by name within each folder.
  const size_t count = listing.Count(), folders = listing.FolderCount();
  folderRows_.assign(folders + 1, 0);
  for (size_t i = 1; i <= count; ++i) ++folderRows_[listing.FolderOf(i) + 1];
  for (size_t f = 0; f < folders; ++f) folderRows_[f + 1] += folderRows_[f];
  byName_.resize(count);
  {
    std::vector<uint32_t> next(folderRows_.begin(), folderRows_.end() - 1);
    for (size_t i = 1; i <= count; ++i) byName_[next[listing.FolderOf(i)]++] = uint32_t(i);
  }
  for (size_t f = 0; f < folders; ++f)
    std::sort(byName_.begin() + folderRows_[f], byName_.begin() + folderRows_[f + 1],
              [&](uint32_t a, uint32_t b) { return listing.Name(a) < listing.Name(b); });
  folders_.resize(folders);
  for (uint32_t f = 0; f < folders; ++f) folders_[f] = f;
  std::sort(folders_.begin(), folders_.end(),
            [&](uint32_t a, uint32_t b) { return listing.Folder(a) < listing.Folder(b); });
}

bool PathIndex::FolderHas(uint32_t folder, std::string_view name, bool whole) const {
  auto begin = byName_.begin() + folderRows_[folder], end = byName_.begin() + folderRows_[folder + 1];
  auto it = std::lower_bound(begin, end, name, [&](uint32_t row, std::string_view n) { return listing_.Name(row) < n; });
  if (it == end) return false;
  const std::string_view found = listing_.Name(*it);
  return whole ? found == name : found.substr(0, name.size()) == name;
}

bool PathIndex::HasPath(const Text& path) const {
  const std::string_view p(path);
  const size_t slash = p.rfind('\\');
  const size_t cut = slash == std::string_view::npos ? 0 : slash + 1;
  const uint32_t folder = listing_.FindFolder(p.substr(0, cut));
  return folder != PathTable::kNoFolder && FolderHas(folder, p.substr(cut), true);
}

bool PathIndex::HasPrefix(const Text& prefix) const {
  // A row is its folder (up to its last "\") and its name: either the folder
  // begins with prefix, or prefix runs past the folder into the name.
  const std::string_view p(prefix);
  auto it = std::lower_bound(folders_.begin(), folders_.end(), p,
                             [&](uint32_t f, std::string_view t) { return listing_.Folder(f) < t; });
  if (it != folders_.end() && listing_.Folder(*it).substr(0, p.size()) == p) return true;
  for (size_t cut = 0; cut <= p.size(); cut = p.find('\\', cut) + 1) {
    const uint32_t folder = listing_.FindFolder(p.substr(0, cut));
    if (folder != PathTable::kNoFolder && FolderHas(folder, p.substr(cut), false)) return true;
    if (p.find('\\', cut) == std::string_view::npos) break;
  }
  return false;
}

PatternIndex::PatternIndex(const PathTable& listing, const std::vector<Text>& targets) : listing_(listing) {
  Answer(targets);
  asks_.assign(rows_.size(), 0);
  for (const Text& t : targets) {
    order_.Add(t, slotOf_[t]);
    ++asks_[slotOf_[t]];
  }
}

PatternIndex::Asked PatternIndex::Rows(const Text& target) {
  size_t slot = order_.Next(target);
  if (slot == SIZE_MAX)
    if (auto it = slotOf_.find(target); it != slotOf_.end()) slot = it->second;
  if (slot == SIZE_MAX || asks_[slot] == 0) {
    // Not among the targets, or asked once more than counted (its texts
    // may be gone): answered afresh, never moved from.
    slotOf_.erase(target);
    Answer({target});
    slot = slotOf_[target];
    asks_.resize(rows_.size(), SIZE_MAX);
  }
  if (asks_[slot] != SIZE_MAX) --asks_[slot];
  return {rows_[slot], asks_[slot] == 0};
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

  const size_t count = listing_.Count();
  for (size_t i = 0; i < count; ++i) {
    std::string_view name = listing_.Name(i + 1);
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) continue;
    std::string_view ext = name.substr(dot + 1), base = name.substr(0, dot);
    auto add = [&](uint32_t p) {
      const std::string_view folder = listing_.Folder(listing_.FolderOf(i + 1));
      Text text;
      text.reserve(folder.size() + name.size());
      rows_[patterns[p].slot].push_back(std::move(text.append(folder).append(name)));
    };
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
  Build(texts.size(), [&](size_t i) { return std::string_view(texts[i]); }, targets);
}

SubstringIndex::SubstringIndex(const ListView& texts, const std::vector<Text>& targets) {
  const auto& rows = texts.Rows();
  Build(rows.size(), [&](size_t i) { return std::string_view(rows[i].text); }, targets);
}

SubstringIndex::SubstringIndex(const PathTable& texts, const std::vector<Text>& targets) {
  AhoCorasick ac;
  std::vector<size_t> slotOfPattern;
  if (!AddTargets(ac, targets, slotOfPattern)) return;
  // Rows come folder by folder, a folder after the one that begins it (a
  // key, then its sub-keys). What each folder holds and the automaton's
  // state after it are worked out once, resumed from the longest folder on
  // the stack that begins it, or, for the folder of the row just read (its
  // sub-keys), from where that row ended; a row then reads only its name.
  // Every frame's folder begins the folder pushed last.
  struct Frame {
    size_t length;
    int32_t state;
    size_t hitsEnd;  // hits[0, hitsEnd) occur in the frame's folder
  };
  std::vector<Frame> stack;
  std::vector<uint32_t> hits, nameHits;  // nameHits: met in the last row's name alone
  std::vector<size_t> lastText(ac.PatternCount(), SIZE_MAX);
  std::vector<size_t> lastPass(ac.PatternCount(), 0);  // per pattern: the folder pass that met it last
  size_t pass = 0;
  const int32_t empty = ac.EmptyPattern();
  std::string_view top, lastName;
  int32_t lastState = 0;  // after the last row
  uint32_t current = PathTable::kNoFolder;
  auto resume = [&](int32_t state, std::string_view more) {
    return ac.Resume(state, more, [&](uint32_t id) {
      if (lastPass[id] == pass) return;
      lastPass[id] = pass;
      hits.push_back(id);
    });
  };
  const size_t count = texts.Count();
  for (size_t i = 0; i < count; ++i) {
    const uint32_t folder = texts.FolderOf(i + 1);
    if (folder != current) {
      const std::string_view text = texts.Folder(folder);
      if (current != PathTable::kNoFolder && text.size() == top.size() + lastName.size() + 1 &&
          text.back() == '\\' && text.substr(0, top.size()) == top &&
          text.substr(top.size(), lastName.size()) == lastName) {
        // The last row's own folder: on from where it ended.
        ++pass;
        hits.insert(hits.end(), nameHits.begin(), nameHits.end());
        for (uint32_t id : hits) lastPass[id] = pass;
        stack.push_back({text.size(), resume(lastState, "\\"), 0});
        stack.back().hitsEnd = hits.size();
      } else {
        while (!stack.empty() && text.substr(0, stack.back().length) != top.substr(0, stack.back().length))
          stack.pop_back();
        const Frame base = stack.empty() ? Frame{0, 0, 0} : stack.back();
        hits.resize(base.hitsEnd);
        if (stack.empty() || base.length != text.size()) {  // else the folder is on the stack
          ++pass;
          for (uint32_t id : hits) lastPass[id] = pass;
          stack.push_back({text.size(), resume(base.state, text.substr(base.length)), 0});
          stack.back().hitsEnd = hits.size();
        }
      }
      top = text;
      current = folder;
    }
    auto hit = [&](uint32_t id) {
      if (lastText[id] == i) return;
      lastText[id] = i;
      rows_[slotOfPattern[id]].push_back(i);
    };
    if (empty >= 0) hit(uint32_t(empty));
    for (uint32_t id : hits) hit(id);
    nameHits.clear();
    lastName = texts.Name(i + 1);
    lastState = ac.Resume(stack.back().state, lastName, [&](uint32_t id) {
      if (lastText[id] == i) return;
      hit(id);
      nameHits.push_back(id);
    });
  }
}

bool SubstringIndex::AddTargets(AhoCorasick& ac, const std::vector<Text>& targets,
                                std::vector<size_t>& slotOfPattern) {
  size_t bytes = 0;
  for (const Text& t : targets) bytes += t.size();
  ac.Reserve(bytes);
  for (const Text& t : targets) {
    Text lower = AnsiLower(t);
    if (auto known = idOf_.find(lower); known != idOf_.end()) {
      order_.Add(t, known->second);
      continue;
    }
    uint32_t id = ac.Add(lower);
    if (slotOfPattern.size() <= id) slotOfPattern.resize(id + 1, SIZE_MAX);
    if (slotOfPattern[id] == SIZE_MAX) {
      slotOfPattern[id] = rows_.size();
      rows_.emplace_back();
    }
    idOf_[lower] = slotOfPattern[id];
    order_.Add(t, slotOfPattern[id]);
  }
  if (rows_.empty()) return false;
  uint8_t fold[256];
  for (int c = 0; c < 256; ++c) fold[c] = uint8_t(AnsiLowerChar(char(c)));
  ac.Build(fold);
  return true;
}

template <class TextAt>
void SubstringIndex::Build(size_t count, TextAt textAt, const std::vector<Text>& targets) {
  AhoCorasick ac;
  std::vector<size_t> slotOfPattern;
  if (!AddTargets(ac, targets, slotOfPattern)) return;
  // Each text is read whole; key paths, which begin with one another, come
  // as a path table instead.
  std::vector<size_t> lastText(ac.PatternCount(), SIZE_MAX);
  const int32_t empty = ac.EmptyPattern();
  for (size_t i = 0; i < count; ++i) {
    auto hit = [&](uint32_t id) {
      if (lastText[id] == i) return;
      lastText[id] = i;
      rows_[slotOfPattern[id]].push_back(i);
    };
    if (empty >= 0) hit(uint32_t(empty));
    ac.Resume(0, textAt(i), hit);
  }
}

const std::vector<size_t>& SubstringIndex::Rows(const Text& target) {
  if (size_t slot = order_.Next(target); slot != SIZE_MAX) return rows_[slot];
  auto it = idOf_.find(AnsiLower(target));
  return it == idOf_.end() ? none_ : rows_[it->second];
}

}  // namespace morvane
