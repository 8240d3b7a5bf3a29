#include "hive_maker.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <tuple>
#include <unordered_map>

#include "platform/offline/offline_text.h"

namespace morvane::offline_test {

namespace {

void Put32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = char(v >> (8 * i));
}
void Put16(std::string& b, size_t at, uint16_t v) {
  b[at] = char(v);
  b[at + 1] = char(v >> 8);
}

}  // namespace

namespace {

// A key of the hive being written: its name as stored, children by name.
struct Node {
  std::string name;  // Latin-1 when compressed, else UTF-16LE
  bool compressed = true;
  std::string upper;  // the ANSI name upper-cased: order and lookup
  std::vector<uint32_t> children;
  std::vector<const HiveValue*> values;
};

// A stored name: one byte a character when every character fits, else UTF-16LE.
std::pair<std::string, bool> StoredName(const std::string& ansi) {
  const std::string wide = offline::ToUtf16(ansi);
  std::string narrow;
  for (size_t i = 0; i + 1 < wide.size(); i += 2) {
    if (wide[i + 1] != 0) return {wide, false};
    narrow += wide[i];
  }
  return {narrow, true};
}

std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The hive file built in memory: base block, then bins of cells appended in order.
class HiveWriter {
 public:
  static constexpr uint32_t kBase = 0x1000, kBinHeader = 0x20;

  HiveWriter() : f_(kBase, '\0') {}

  // A used cell of size bytes of data; its offset from the first bin.
  uint32_t Cell(size_t size) {
    const size_t need = (size + 4 + 7) & ~size_t(7);
    if (binUsed_ + need > binSize_) NewBin(need);
    const uint32_t at = uint32_t(binStart_ + binUsed_ - kBase);
    Put32(kBase + at, uint32_t(-int32_t(need)));
    binUsed_ += need;
    return at;
  }
  // Data of the cell at offset at.
  void Put32(uint32_t cell, size_t off, uint32_t v) { Put32(kBase + cell + 4 + off, v); }
  void Put16(uint32_t cell, size_t off, uint16_t v) { ::morvane::offline_test::Put16(f_, kBase + cell + 4 + off, v); }
  void Bytes(uint32_t cell, size_t off, const std::string& b) { f_.replace(kBase + cell + 4 + off, b.size(), b); }

  bool Save(const std::string& path, uint32_t root) {
    CloseBin();
    f_.replace(0, 4, "regf");
    Put32(0x04, 1);
    Put32(0x08, 1);
    Put32(0x14, 1);
    Put32(0x18, 3);
    Put32(0x20, 1);
    Put32(0x24, root);
    Put32(0x28, uint32_t(f_.size() - kBase));
    Put32(0x2C, 1);
    uint32_t sum = 0;
    for (size_t i = 0; i < 0x1FC; i += 4) {
      uint32_t v;
      std::memcpy(&v, f_.data() + i, 4);
      sum ^= v;
    }
    Put32(0x1FC, sum);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(f_.data(), std::streamsize(f_.size()));
    return bool(out.flush());
  }

 private:
  void Put32(size_t at, uint32_t v) { ::morvane::offline_test::Put32(f_, at, v); }

  // The rest of the open bin becomes one free cell.
  void CloseBin() {
    if (binSize_ > binUsed_) Put32(binStart_ + binUsed_, uint32_t(binSize_ - binUsed_));
  }
  void NewBin(size_t cell) {
    CloseBin();
    binStart_ = f_.size();
    binSize_ = (kBinHeader + cell + 0xFFF) & ~size_t(0xFFF);
    binUsed_ = kBinHeader;
    f_.resize(binStart_ + binSize_, '\0');
    f_.replace(binStart_, 4, "hbin");
    Put32(binStart_ + 0x04, uint32_t(binStart_ - kBase));
    Put32(binStart_ + 0x08, uint32_t(binSize_));
  }

  std::string f_;
  size_t binStart_ = 0, binSize_ = 0, binUsed_ = 0;
};

// Writes the keys below root (pre-order, children sorted without regard to case).
class TreeWriter {
 public:
  TreeWriter(HiveWriter& w, std::vector<Node>& nodes) : w_(w), nodes_(nodes) {}

  bool Write() {
    sk_ = w_.Cell(0x2C);
    w_.Bytes(sk_, 0, "sk");
    w_.Put32(sk_, 4, sk_);
    w_.Put32(sk_, 8, sk_);
    w_.Put32(sk_, 12, uint32_t(nodes_.size()));
    w_.Put32(sk_, 16, 20);
    w_.Bytes(sk_, 20, std::string("\x01\x00\x00\x80", 4));  // revision 1, self-relative, no DACL
    root_ = Key(0, 0, true);
    return ok_;
  }
  uint32_t Root() const { return root_; }

 private:
  uint32_t Key(uint32_t index, uint32_t parent, bool isRoot) {
    Node& n = nodes_[index];
    const uint32_t nk = w_.Cell(0x4C + n.name.size());
    w_.Bytes(nk, 0, "nk");
    w_.Put16(nk, 0x02, uint16_t((isRoot ? 0x0C : 0) | (n.compressed ? 0x20 : 0)));
    w_.Put32(nk, 0x10, parent);
    w_.Put32(nk, 0x1C, 0xFFFFFFFF);
    w_.Put32(nk, 0x20, 0xFFFFFFFF);
    w_.Put32(nk, 0x28, 0xFFFFFFFF);
    w_.Put32(nk, 0x2C, sk_);
    w_.Put32(nk, 0x30, 0xFFFFFFFF);
    w_.Put16(nk, 0x48, uint16_t(n.name.size()));
    w_.Bytes(nk, 0x4C, n.name);
    if (!n.values.empty()) {
      uint32_t maxName = 0, maxData = 0;
      std::vector<uint32_t> vks;
      for (const HiveValue* v : n.values) vks.push_back(Value(*v, maxName, maxData));
      const uint32_t list = w_.Cell(4 * vks.size());
      for (size_t i = 0; i < vks.size(); ++i) w_.Put32(list, 4 * i, vks[i]);
      w_.Put32(nk, 0x24, uint32_t(vks.size()));
      w_.Put32(nk, 0x28, list);
      w_.Put32(nk, 0x3C, maxName);
      w_.Put32(nk, 0x40, maxData);
    }
    if (!n.children.empty()) {
      std::vector<uint32_t> order = n.children;
      std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return nodes_[a].upper < nodes_[b].upper; });
      if (order.size() > 0xFFFF) ok_ = false;
      std::vector<uint32_t> offsets, hashes;
      uint32_t maxName = 0;
      for (uint32_t c : order) {
        const Node& child = nodes_[c];
        maxName = std::max(maxName, uint32_t(child.name.size() * (child.compressed ? 2 : 1)));
        hashes.push_back(Hash(child));
        offsets.push_back(Key(c, nk, false));
      }
      // An "lh" list: each child with the hash of its upper-cased name.
      const uint32_t lh = w_.Cell(4 + 8 * offsets.size());
      w_.Bytes(lh, 0, "lh");
      w_.Put16(lh, 2, uint16_t(offsets.size()));
      for (size_t i = 0; i < offsets.size(); ++i) {
        w_.Put32(lh, 4 + 8 * i, offsets[i]);
        w_.Put32(lh, 8 + 8 * i, hashes[i]);
      }
      w_.Put32(nk, 0x14, uint32_t(offsets.size()));
      w_.Put32(nk, 0x1C, lh);
      w_.Put32(nk, 0x34, maxName);
    }
    nodes_[index] = Node();  // written: its memory goes
    return nk;
  }

  uint32_t Value(const HiveValue& v, uint32_t& maxName, uint32_t& maxData) {
    const auto [name, compressed] = StoredName(v.name);
    const uint32_t vk = w_.Cell(0x14 + name.size());
    w_.Bytes(vk, 0, "vk");
    w_.Put16(vk, 0x02, uint16_t(name.size()));
    w_.Put32(vk, 0x0C, v.type);
    w_.Put16(vk, 0x10, compressed ? 1 : 0);
    w_.Bytes(vk, 0x14, name);
    if (v.bytes.size() <= 4) {
      // Small data lives in the offset field.
      w_.Put32(vk, 0x04, 0x80000000u | uint32_t(v.bytes.size()));
      w_.Bytes(vk, 0x08, v.bytes);
    } else {
      if (v.bytes.size() > 16344) ok_ = false;  // larger data needs a "db" chain
      const uint32_t data = w_.Cell(v.bytes.size());
      w_.Bytes(data, 0, v.bytes);
      w_.Put32(vk, 0x04, uint32_t(v.bytes.size()));
      w_.Put32(vk, 0x08, data);
    }
    maxName = std::max(maxName, uint32_t(name.size() * (compressed ? 2 : 1)));
    maxData = std::max(maxData, uint32_t(v.bytes.size()));
    return vk;
  }

  static uint32_t Hash(const Node& n) {
    uint32_t h = 0;
    const std::string wide = n.compressed ? offline::ToUtf16(n.upper) : n.name;
    for (size_t i = 0; i + 1 < wide.size(); i += 2) {
      uint16_t c = uint16_t(uint8_t(wide[i]) | uint8_t(wide[i + 1]) << 8);
      if (c < 128) c = uint16_t(std::toupper(c));
      h = h * 37 + c;
    }
    return h;
  }

  HiveWriter& w_;
  std::vector<Node>& nodes_;
  uint32_t sk_ = 0, root_ = 0;
  bool ok_ = true;
};

}  // namespace

HiveContent& HiveContent::Key(const std::string& path) {
  keys.push_back(path);
  return *this;
}

HiveContent& HiveContent::String(const std::string& key, const std::string& name, const std::string& ansi,
                                 uint32_t type) {
  values.push_back({key, name, type, offline::ToUtf16(ansi + '\0')});
  return *this;
}

HiveContent& HiveContent::Dword(const std::string& key, const std::string& name, uint32_t value) {
  std::string b(4, '\0');
  Put32(b, 0, value);
  values.push_back({key, name, 4, b});
  return *this;
}

bool MakeHive(const std::string& path, const HiveContent& content) {
  // The tree first: keys by parent and upper-cased name, values replaced by name.
  std::vector<Node> nodes(1);
  nodes[0].name = "ROOT";
  nodes[0].upper = "ROOT";
  std::unordered_map<std::string, uint32_t> index;
  auto make = [&](const std::string& key) {
    uint32_t node = 0;
    for (size_t start = 0; start < key.size();) {
      size_t end = key.find('\\', start);
      if (end == std::string::npos) end = key.size();
      const std::string part = key.substr(start, end - start);
      const std::string id = std::to_string(node) + '\\' + Upper(part);
      auto [it, added] = index.emplace(id, uint32_t(nodes.size()));
      if (added) {
        Node child;
        std::tie(child.name, child.compressed) = StoredName(part);
        child.upper = Upper(part);
        nodes[node].children.push_back(it->second);
        nodes.push_back(std::move(child));
      }
      node = it->second;
      start = end + 1;
    }
    return node;
  };
  for (const auto& k : content.keys) make(k);
  for (const auto& v : content.values) {
    auto& values = nodes[make(v.key)].values;
    const std::string name = Upper(v.name);
    auto same = std::find_if(values.begin(), values.end(), [&](const HiveValue* o) { return Upper(o->name) == name; });
    if (same != values.end()) *same = &v;
    else values.push_back(&v);
  }
  index.clear();
  HiveWriter w;
  TreeWriter tree(w, nodes);
  return tree.Write() && w.Save(path, tree.Root());
}

bool WriteEmptyHive(const std::string& path) { return MakeHive(path, HiveContent()); }

}  // namespace morvane::offline_test
