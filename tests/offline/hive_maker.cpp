#include "hive_maker.h"

#include <hivex.h>

#include <cstring>
#include <fstream>

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

bool WriteEmptyHive(const std::string& path) {
  constexpr uint32_t kBin = 0x1000, kRoot = 0x20, kSk = 0x78, kFree = 0xA8;
  std::string f(2 * kBin, '\0');
  // Base block: signature, equal sequence numbers, version 1.3, the root
  // cell and the size of the hive bins, then the XOR checksum of its first 508 bytes.
  f.replace(0, 4, "regf");
  Put32(f, 0x04, 1);
  Put32(f, 0x08, 1);
  Put32(f, 0x14, 1);
  Put32(f, 0x18, 3);
  Put32(f, 0x20, 1);
  Put32(f, 0x24, kRoot);
  Put32(f, 0x28, kBin);
  Put32(f, 0x2C, 1);
  uint32_t sum = 0;
  for (size_t i = 0; i < 0x1FC; i += 4) {
    uint32_t v;
    std::memcpy(&v, f.data() + i, 4);
    sum ^= v;
  }
  Put32(f, 0x1FC, sum);
  // The bin: header, then cells (negative size = in use).
  const size_t bin = kBin;
  f.replace(bin, 4, "hbin");
  Put32(f, bin + 0x04, 0);
  Put32(f, bin + 0x08, kBin);
  // Root key "ROOT": hive entry, not deletable, ASCII name.
  size_t nk = bin + kRoot;
  Put32(f, nk, uint32_t(-0x58));
  f.replace(nk + 4, 2, "nk");
  Put16(f, nk + 4 + 0x02, 0x2C);
  Put32(f, nk + 4 + 0x10, 0);            // parent
  Put32(f, nk + 4 + 0x1C, 0xFFFFFFFF);   // subkey list
  Put32(f, nk + 4 + 0x20, 0xFFFFFFFF);   // volatile subkey list
  Put32(f, nk + 4 + 0x28, 0xFFFFFFFF);   // value list
  Put32(f, nk + 4 + 0x2C, kSk);          // security
  Put32(f, nk + 4 + 0x30, 0xFFFFFFFF);   // class name
  Put16(f, nk + 4 + 0x48, 4);
  f.replace(nk + 4 + 0x4C, 4, "ROOT");
  // Its security cell: a list of one, a self-relative descriptor without a DACL.
  size_t sk = bin + kSk;
  Put32(f, sk, uint32_t(-0x30));
  f.replace(sk + 4, 2, "sk");
  Put32(f, sk + 8, kSk);
  Put32(f, sk + 12, kSk);
  Put32(f, sk + 16, 1);
  Put32(f, sk + 20, 20);
  f[sk + 24] = 1;
  Put16(f, sk + 26, 0x8000);
  // The rest of the bin is one free cell.
  Put32(f, bin + kFree, kBin - kFree);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(f.data(), std::streamsize(f.size()));
  return bool(out.flush());
}

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
  if (!WriteEmptyHive(path)) return false;
  hive_h* h = hivex_open(path.c_str(), HIVEX_OPEN_WRITE);
  if (!h) return false;
  auto make = [&](const std::string& key) {
    hive_node_h node = hivex_root(h);
    size_t start = 0;
    while (node && start < key.size()) {
      size_t end = key.find('\\', start);
      if (end == std::string::npos) end = key.size();
      std::string part = offline::ToUtf8(key.substr(start, end - start));
      hive_node_h child = hivex_node_get_child(h, node, part.c_str());
      node = child ? child : hivex_node_add_child(h, node, part.c_str());
      start = end + 1;
    }
    return node;
  };
  bool ok = true;
  for (const auto& k : content.keys) ok = make(k) && ok;
  for (const auto& v : content.values) {
    hive_node_h node = make(v.key);
    std::string name = offline::ToUtf8(v.name), bytes = v.bytes;
    hive_set_value set{name.data(), hive_type(v.type), bytes.size(), bytes.data()};
    ok = node && hivex_node_set_value(h, node, &set, 0) == 0 && ok;
  }
  ok = hivex_commit(h, nullptr, 0) == 0 && ok;
  hivex_close(h);
  return ok;
}

}  // namespace morvane::offline_test
