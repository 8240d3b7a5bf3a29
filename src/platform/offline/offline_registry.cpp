#include "platform/offline/offline_registry.h"

#include <fcntl.h>
#include <hivex.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "platform/ansi_text.h"
#include "platform/offline/offline_text.h"

namespace morvane::offline {

namespace {

constexpr size_t kMaxKeyNameLength = 255;
// Keys nest at most this deep in the registry; deeper ones are not there.
constexpr uint32_t kMaxDepth = 512;
constexpr size_t kMaxValueNameLength = 16383;
constexpr size_t kNone = ~size_t(0);

bool IsPredefined(win::HKey key) { return key >= win::kClassesRoot && key <= win::kDynData; }

bool IsText(uint32_t type) { return type == win::kRegSz || type == win::kRegExpandSz || type == win::kRegMultiSz; }

bool HasHighBytes(const Text& s) {
  return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// Memory libhivex hands over, freed on every path.
struct Freed {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, Freed>;

Text NodeName(hive_h* h, size_t node) {
  Owned<char> n(hivex_node_name(h, node));
  return n ? FromUtf8(n.get()) : Text();
}

// A name a key can have: one that opens it again below its parent. An
// unreadable name reads empty, and an empty one would open the parent.
bool UsableKeyName(const Text& name) {
  return !name.empty() && name.size() <= kMaxKeyNameLength && name.find('\\') == Text::npos;
}

Text ValueName(hive_h* h, size_t value) {
  Owned<char> n(hivex_value_key(h, value));
  return n ? FromUtf8(n.get()) : Text();
}

// A value's type is any 32 bits, which libhivex hands over in its enum as
// stored: such a type is read and written only through its bytes.
static_assert(sizeof(hive_type) == sizeof(uint32_t));
uint32_t TypeBits(const hive_type& t) {
  uint32_t bits;
  std::memcpy(&bits, &t, sizeof bits);
  return bits;
}
void SetTypeBits(hive_type& t, uint32_t bits) { std::memcpy(&t, &bits, sizeof bits); }

// Copies into a new file; fails rather than write through anything already there.
bool CopyNew(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  int fd = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (!in || fd < 0) {
    if (fd >= 0) close(fd);
    return false;
  }
  char buffer[65536];
  bool ok = true;
  while (ok && in) {
    in.read(buffer, sizeof buffer);
    for (const char* p = buffer; ok && p < buffer + in.gcount();) {
      ssize_t w = write(fd, p, size_t(buffer + in.gcount() - p));
      ok = w > 0;
      p += ok ? w : 0;
    }
  }
  ok = ok && in.eof() && fsync(fd) == 0;
  close(fd);
  if (!ok) unlink(to.c_str());
  return ok;
}

// The file's bytes on the disk, before it takes another's name.
bool SyncFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  close(fd);
  return ok;
}

}  // namespace

OfflineRegistry::OfflineRegistry(std::vector<HiveFile> machineHives, std::string userHive, IClock& clock,
                                 bool readOnly, std::string userClassesHive)
    : clock_(clock), readOnly_(readOnly) {
  for (auto& f : machineHives) hives_.push_back(Hive{std::move(f.name), std::move(f.path)});
  if (!userHive.empty()) {
    userHive_ = hives_.size();
    hives_.push_back(Hive{"NTUSER.DAT", std::move(userHive)});
    if (!userClassesHive.empty()) {
      userClasses_ = hives_.size();
      hives_.push_back(Hive{"UsrClass.dat", std::move(userClassesHive)});
    }
  }
}

OfflineRegistry::~OfflineRegistry() {
  Flush();
  for (Hive& h : hives_)
    if (h.h) hivex_close(h.h);
}

OfflineRegistry::Hive* OfflineRegistry::Loaded(size_t i) {
  if (i >= hives_.size()) return nullptr;
  Hive& hive = hives_[i];
  if (!hive.tried) {
    hive.tried = true;
    hive.writable = !readOnly_ && access(hive.path.c_str(), W_OK) == 0;
    hive.h = hivex_open(hive.path.c_str(), hive.writable ? HIVEX_OPEN_WRITE : 0);
    if (!hive.h) problems_.push_back(hive.path + ": " + std::strerror(errno));
  }
  return hive.h ? &hive : nullptr;
}

int32_t OfflineRegistry::Resolve(win::HKey key, Open& out) {
  if (!IsPredefined(key)) {
    auto it = handles_.find(key);
    if (it == handles_.end()) return win::kInvalidHandle;
    if (it->second.deleted) return win::kKeyDeleted;
    out = it->second;
    return win::kSuccess;
  }
  out = Open{{}, win::kKeyAllAccess, false, std::to_string(key)};
  out.key.kind = Key::kEmptyRoot;
  if (key == win::kLocalMachine) {
    out.key.kind = Key::kMachineRoot;
  } else if (key == win::kCurrentUser) {
    if (Hive* h = Loaded(userHive_)) out.key = Key{Key::kParts, {Part{userHive_, hivex_root(h->h)}}};
  } else if (key == win::kClassesRoot) {
    Key user, machine, root;
    if (Hive* h = Loaded(userHive_); h && Walk(Key{Key::kParts, {Part{userHive_, hivex_root(h->h)}}},
                                               "Software\\Classes", user) == win::kSuccess)
      out.key = user;
    root.kind = Key::kMachineRoot;
    if (Walk(root, "SOFTWARE\\Classes", machine) == win::kSuccess) {
      out.key.kind = Key::kParts;
      out.key.parts.insert(out.key.parts.end(), machine.parts.begin(), machine.parts.end());
    }
    out.key.depth = 0;
  }
  return win::kSuccess;
}

bool OfflineRegistry::IsChild(const Part& p, size_t node) {
  hive_h* h = hives_[p.hive].h;
  return node && node != hivex_root(h) && hivex_node_parent(h, node) == p.node;
}

size_t OfflineRegistry::Child(const Part& p, const Text& name) {
  hive_h* h = hives_[p.hive].h;
  const size_t first = hivex_node_get_child(h, p.node, ToUtf8(name).c_str());
  if (IsChild(p, first)) return first;
  if (first || HasHighBytes(name)) {
    Owned<size_t> children(hivex_node_children(h, p.node));
    for (size_t* c = children.get(); c && *c; ++c)
      if (IsChild(p, *c) && EqualNoCase(NodeName(h, *c), name)) return *c;
  }
  // The running system links CurrentControlSet to the set Select\Current names.
  if (hives_[p.hive].name == "SYSTEM" && p.node == hivex_root(h) && EqualNoCase(name, "CurrentControlSet")) {
    size_t select = hivex_node_get_child(h, p.node, "Select");
    size_t current = select ? hivex_node_get_value(h, select, "Current") : 0;
    hive_type t;
    size_t len = 0;
    if (current && hivex_value_type(h, current, &t, &len) == 0 && TypeBits(t) == win::kRegDword) {
      char set[32];
      std::snprintf(set, sizeof set, "ControlSet%03u", unsigned(hivex_value_dword(h, current)));
      const size_t c = hivex_node_get_child(h, p.node, set);
      return IsChild(p, c) ? c : 0;
    }
  }
  return 0;
}

int32_t OfflineRegistry::Walk(const Key& from, const Text& subKey, Key& out) {
  if (!subKey.empty() && subKey[0] == '\\') return kBadPathName;
  Key k = from;
  for (const Text& name : KeyPathComponents(subKey)) {
    if (k.kind == Key::kEmptyRoot || k.depth >= kMaxDepth) return win::kFileNotFound;
    ++k.depth;
    if (k.kind == Key::kMachineRoot) {
      size_t found = kNone;
      for (size_t i = 0; i < hives_.size(); ++i)
        if (IsMachineHive(i) && EqualNoCase(hives_[i].name, name) && Loaded(i)) found = i;
      if (found == kNone) return win::kFileNotFound;
      k = Key{Key::kParts, {Part{found, hivex_root(hives_[found].h)}}, k.depth};
      continue;
    }
    std::vector<Part> next;
    for (const Part& p : k.parts)
      if (size_t c = Child(p, name)) next.push_back(Part{p.hive, c});
    if (next.empty()) return win::kFileNotFound;
    k.parts = std::move(next);
    JoinUserClasses(k);
  }
  out = std::move(k);
  return win::kSuccess;
}

void OfflineRegistry::JoinUserClasses(Key& key) {
  Hive* classes = Loaded(userClasses_);
  Hive* user = Loaded(userHive_);
  if (!classes || !user || key.parts.size() != 1 || key.parts[0].hive != userHive_) return;
  if (!userClassesNode_) {
    size_t software = hivex_node_get_child(user->h, hivex_root(user->h), "Software");
    userClassesNode_ = software ? hivex_node_get_child(user->h, software, "Classes") : 0;
  }
  if (userClassesNode_ && key.parts[0].node == userClassesNode_)
    key.parts.insert(key.parts.begin(), Part{userClasses_, hivex_root(classes->h)});
}

win::HKey OfflineRegistry::NewHandle(Key key, uint32_t access, Text where) {
  win::HKey h = nextHandle_;
  nextHandle_ += 4;
  handles_[h] = Open{std::move(key), access, false, std::move(where)};
  return h;
}

namespace {
Text Where(Text where, const Text& subKey) {
  for (const Text& n : KeyPathComponents(subKey)) where += "\\" + UpperName(n);
  return where;
}
}  // namespace

void OfflineRegistry::AddFallback(win::HKey root, const Text& subPath, const Text& name, const Text& value) {
  fallbacks_[Where(std::to_string(root), subPath) + "\\" + UpperName(name)] = value;
}

Text OfflineRegistry::ReadString(win::HKey root, const Text& subPath, const Text& name) {
  win::HKey k = 0;
  if (OpenKeyEx(root, subPath, win::kKeyRead, k) != win::kSuccess) return {};
  Text out;
  uint32_t type = 0, size = 0;
  if (QueryValue(k, name.c_str(), &type, nullptr, &size) == win::kSuccess && IsText(type)) {
    out.resize(size);
    if (QueryValue(k, name.c_str(), &type, reinterpret_cast<uint8_t*>(out.data()), &size) != win::kSuccess) size = 0;
    out.resize(std::min<size_t>(size, std::strlen(out.c_str())));
  }
  CloseKey(k);
  return out;
}

const OfflineRegistry::Listing& OfflineRegistry::ListingOf(win::HKey handle, const Key& key) {
  Listing& l = listings_[handle];
  if (l.version == version_) return l;
  l = Listing{version_, {}, {}};
  if (key.kind == Key::kMachineRoot) {
    for (size_t i = 0; i < hives_.size(); ++i)
      if (IsMachineHive(i) && Loaded(i)) l.keys.push_back(hives_[i].name);
  }
  for (const Part& p : key.parts) {
    hive_h* h = hives_[p.hive].h;
    Owned<size_t> children(key.depth < kMaxDepth ? hivex_node_children(h, p.node) : nullptr);
    for (size_t* c = children.get(); c && *c; ++c)
      if (Text name = NodeName(h, *c); IsChild(p, *c) && UsableKeyName(name)) l.keys.push_back(std::move(name));
    Owned<size_t> values(hivex_node_values(h, p.node));
    for (size_t* v = values.get(); v && *v; ++v) {
      // A value whose name cannot be read is not there (it would read as the default value).
      Owned<char> raw(hivex_value_key(h, *v));
      if (!raw) continue;
      Text name = FromUtf8(raw.get());
      // A merged key shows the user's value over the machine's.
      if (std::none_of(l.values.begin(), l.values.end(), [&](const ValueRef& r) { return EqualNoCase(r.name, name); }))
        l.values.push_back(ValueRef{std::move(name), p, *v});
    }
  }
  std::stable_sort(l.keys.begin(), l.keys.end(), [](const Text& a, const Text& b) { return CompareNoCase(a, b) < 0; });
  l.keys.erase(std::unique(l.keys.begin(), l.keys.end(), EqualNoCase), l.keys.end());
  return l;
}

const OfflineRegistry::ValueRef* OfflineRegistry::FindValue(const Key& key, const Text& name,
                                                            std::vector<ValueRef>& scratch) {
  for (const Part& p : key.parts) {
    hive_h* h = hives_[p.hive].h;
    size_t v = HasHighBytes(name) ? 0 : hivex_node_get_value(h, p.node, name.c_str());
    if (!v && HasHighBytes(name)) {
      Owned<size_t> values(hivex_node_values(h, p.node));
      for (size_t* x = values.get(); x && *x && !v; ++x)
        if (EqualNoCase(ValueName(h, *x), name)) v = *x;
    }
    if (v) {
      scratch.assign(1, ValueRef{name, p, v});
      return &scratch[0];
    }
  }
  return nullptr;
}

std::string OfflineRegistry::ValueBytes(const ValueRef& v, uint32_t& type) {
  hive_type t = hive_t_REG_NONE;
  size_t len = 0;
  Owned<char> raw(hivex_value_value(hives_[v.at.hive].h, v.value, &t, &len));
  type = TypeBits(t);
  if (!raw) return {};
  return IsText(type) ? FromUtf16(raw.get(), len) : std::string(raw.get(), len);
}

bool OfflineRegistry::BeginChange(size_t hive) {
  Hive& h = hives_[hive];
  if (!h.h || !h.writable) return false;
  if (h.backedUp) return true;
  DateTime t = clock_.Now();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, ".%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  std::string backup = h.path + stamp + ".bak";
  for (int n = 2; access(backup.c_str(), F_OK) == 0; ++n) backup = h.path + stamp + "-" + std::to_string(n) + ".bak";
  if (!CopyNew(h.path, backup)) {
    problems_.push_back(backup + ": the hive could not be copied; it is left unchanged");
    return false;
  }
  backups_.push_back(backup);
  h.backedUp = true;
  return true;
}

bool OfflineRegistry::Commit(size_t hive) {
  ++version_;
  hives_[hive].dirty = true;
  return defer_ || Write(hives_[hive]);
}

bool OfflineRegistry::Write(Hive& h) {
  // Written whole beside the hive, then put in its place in one step.
  const std::string next = h.path + ".new";
  unlink(next.c_str());
  if (hivex_commit(h.h, next.c_str(), 0) == 0 && SyncFile(next) && std::rename(next.c_str(), h.path.c_str()) == 0) {
    h.dirty = false;
    return true;
  }
  unlink(next.c_str());
  problems_.push_back(h.path + ": changes could not be written");
  return false;
}

bool OfflineRegistry::Flush() {
  bool ok = true;
  for (Hive& h : hives_)
    if (h.dirty) ok = Write(h) && ok;
  return ok;
}

int32_t OfflineRegistry::OpenKeyEx(win::HKey parent, const Text& subKey, uint32_t access, win::HKey& out) {
  out = 0;
  Open p;
  if (int32_t r = Resolve(parent, p)) return r;
  Key key;
  if (int32_t r = Walk(p.key, subKey, key)) return r;
  if (IsPredefined(parent) && KeyPathComponents(subKey).empty()) {
    out = parent;
    return win::kSuccess;
  }
  out = NewHandle(std::move(key), access, Where(p.where, subKey));
  return win::kSuccess;
}

int32_t OfflineRegistry::OpenKey(win::HKey parent, const Text& subKey, win::HKey& out) {
  if (subKey.empty()) {
    out = 0;
    Open p;
    if (int32_t r = Resolve(parent, p)) return r;
    out = parent;
    return win::kSuccess;
  }
  return OpenKeyEx(parent, subKey, win::kKeyAllAccess, out);
}

int32_t OfflineRegistry::CreateKey(win::HKey parent, const Text& subKey, win::HKey& out) {
  out = 0;
  Open p;
  if (int32_t r = Resolve(parent, p)) return r;
  if (!subKey.empty() && subKey[0] == '\\') return kBadPathName;
  auto names = KeyPathComponents(subKey);
  for (const Text& n : names)
    if (n.size() > kMaxKeyNameLength) return win::kInvalidParameter;
  Key k = p.key;
  for (const Text& n : names) {
    Key next;
    if (Walk(k, n, next) == win::kSuccess) {
      k = std::move(next);
      continue;
    }
    if (k.kind != Key::kParts || k.parts.empty() || k.depth >= kMaxDepth) return win::kAccessDenied;
    // A new class key goes where its parent is the machine's, as the system
    // makes them, else into the user's classes hive.
    Part at = k.parts.back();
    if (at.hive == userHive_ && k.parts.front().hive == userClasses_) at = k.parts.front();
    if (!BeginChange(at.hive)) return win::kAccessDenied;
    size_t made = hivex_node_add_child(hives_[at.hive].h, at.node, ToUtf8(n).c_str());
    if (!made) return win::kAccessDenied;
    if (!Commit(at.hive)) return win::kAccessDenied;
    k = Key{Key::kParts, {Part{at.hive, made}}, k.depth + 1};
  }
  if (IsPredefined(parent) && names.empty()) {
    out = parent;
    return win::kSuccess;
  }
  out = NewHandle(std::move(k), win::kKeyAllAccess, Where(p.where, subKey));
  return win::kSuccess;
}

int32_t OfflineRegistry::EnumKey(win::HKey key, uint32_t index, char* name, uint32_t& nameSize, char* cls,
                                 uint32_t* clsSize) {
  Open k;
  if (int32_t r = Resolve(key, k)) return r;
  if (!(k.access & win::kKeyEnumerateSubKeys)) return win::kAccessDenied;
  if (name == nullptr || (cls != nullptr && clsSize == nullptr)) return win::kInvalidParameter;
  const Listing& l = ListingOf(key, k.key);
  if (index >= l.keys.size()) return win::kNoMoreItems;
  const Text& child = l.keys[index];
  // Nothing is written when either buffer is too small; class names are not kept here.
  if (child.size() + 1 > nameSize) return win::kMoreData;
  if (cls != nullptr && *clsSize < 1) return win::kMoreData;
  std::memcpy(name, child.c_str(), child.size() + 1);
  nameSize = uint32_t(child.size());
  if (cls != nullptr) cls[0] = '\0';
  if (clsSize != nullptr) *clsSize = 0;
  return win::kSuccess;
}

int32_t OfflineRegistry::EnumValue(win::HKey key, uint32_t index, char* name, uint32_t& nameSize, uint32_t* type,
                                   uint8_t* data, uint32_t* dataSize) {
  Open k;
  if (int32_t r = Resolve(key, k)) return r;
  if (!(k.access & win::kKeyQueryValue)) return win::kAccessDenied;
  if (name == nullptr || (data != nullptr && dataSize == nullptr)) return win::kInvalidParameter;
  const Listing& l = ListingOf(key, k.key);
  if (index >= l.values.size()) return win::kNoMoreItems;
  const ValueRef& v = l.values[index];
  if (v.name.size() + 1 > nameSize) return win::kMoreData;
  uint32_t t = 0;
  std::string bytes = ValueBytes(v, t);
  uint32_t size = uint32_t(bytes.size());
  if (data != nullptr && *dataSize < size) {
    *dataSize = size;
    return win::kMoreData;
  }
  std::memcpy(name, v.name.c_str(), v.name.size() + 1);
  nameSize = uint32_t(v.name.size());
  if (type) *type = t;
  if (data != nullptr && size > 0) std::memcpy(data, bytes.data(), size);
  if (dataSize) *dataSize = size;
  return win::kSuccess;
}

int32_t OfflineRegistry::QueryValue(win::HKey key, const char* valueName, uint32_t* type, uint8_t* data,
                                    uint32_t* dataSize) {
  Open k;
  if (int32_t r = Resolve(key, k)) return r;
  if (!(k.access & win::kKeyQueryValue)) return win::kAccessDenied;
  if (data != nullptr && dataSize == nullptr) return win::kInvalidParameter;
  std::vector<ValueRef> scratch;
  const Text n = valueName ? valueName : "";
  const ValueRef* v = FindValue(k.key, n, scratch);
  uint32_t t = win::kRegSz;
  std::string bytes;
  if (v) {
    bytes = ValueBytes(*v, t);
  } else {
    auto f = fallbacks_.find(k.where + "\\" + UpperName(n));
    if (f == fallbacks_.end()) return win::kFileNotFound;
    bytes = f->second + '\0';
  }
  uint32_t size = uint32_t(bytes.size());
  if (type) *type = t;
  if (data != nullptr && *dataSize < size) {
    *dataSize = size;
    return win::kMoreData;
  }
  if (data != nullptr && size > 0) std::memcpy(data, bytes.data(), size);
  if (dataSize) *dataSize = size;
  return win::kSuccess;
}

int32_t OfflineRegistry::SetValue(win::HKey key, const char* valueName, uint32_t type, const uint8_t* data,
                                  uint32_t dataSize) {
  Open k;
  if (int32_t r = Resolve(key, k)) return r;
  if (!(k.access & win::kKeySetValue)) return win::kAccessDenied;
  Text n = valueName ? valueName : "";
  if (n.size() > kMaxValueNameLength || (data == nullptr && dataSize > 0)) return win::kInvalidParameter;
  if (k.key.kind != Key::kParts || k.key.parts.empty()) return win::kAccessDenied;
  std::string bytes(reinterpret_cast<const char*>(data), data ? dataSize : 0);
  // Text written without its NUL is stored with one, as the real registry does.
  if ((type == win::kRegSz || type == win::kRegExpandSz) && !bytes.empty() && bytes.back() != '\0') bytes += '\0';
  if (IsText(type)) bytes = ToUtf16(bytes);
  const Part at = k.key.parts.front();
  if (!BeginChange(at.hive)) return win::kAccessDenied;
  std::string utf8 = ToUtf8(n);
  hive_set_value v{utf8.data(), hive_t_REG_NONE, bytes.size(), bytes.data()};
  SetTypeBits(v.t, type);
  if (hivex_node_set_value(hives_[at.hive].h, at.node, &v, 0) != 0) return win::kAccessDenied;
  return Commit(at.hive) ? win::kSuccess : win::kAccessDenied;
}

int32_t OfflineRegistry::DeleteKey(win::HKey parent, const Text& subKey) {
  Open p;
  if (int32_t r = Resolve(parent, p)) return r;
  Key key;
  if (int32_t r = Walk(p.key, subKey, key)) return r;
  if (key.kind != Key::kParts || key.parts.empty()) return win::kAccessDenied;
  for (const Part& part : key.parts) {
    hive_h* h = hives_[part.hive].h;
    if (part.node == hivex_root(h) || hivex_node_nr_children(h, part.node) > 0) return win::kAccessDenied;
  }
  for (const Part& part : key.parts) {
    if (!BeginChange(part.hive) || hivex_node_delete_child(hives_[part.hive].h, part.node) != 0 ||
        !Commit(part.hive))
      return win::kAccessDenied;
    for (auto& [h, open] : handles_)
      if (std::find(open.key.parts.begin(), open.key.parts.end(), part) != open.key.parts.end()) open.deleted = true;
  }
  return win::kSuccess;
}

int32_t OfflineRegistry::DeleteValue(win::HKey key, const char* valueName) {
  Open k;
  if (int32_t r = Resolve(key, k)) return r;
  if (!(k.access & win::kKeySetValue)) return win::kAccessDenied;
  const Text n = valueName ? valueName : "";
  // The other values of each part holding it, to be written back as they are.
  struct Rest {
    Part part;
    std::vector<Owned<char>> names, datas;
    std::vector<hive_set_value> kept;
  };
  std::vector<Rest> rests;
  // The value goes from every part of a merged key, so that it is gone from the view.
  for (const Part& part : k.key.parts) {
    hive_h* h = hives_[part.hive].h;
    Owned<size_t> values(hivex_node_values(h, part.node));
    Rest rest{part, {}, {}, {}};
    bool here = false;
    for (size_t* v = values.get(); v && *v; ++v) {
      Owned<char> raw(hivex_value_key(h, *v));
      // A value whose name or data cannot be read exactly would be lost or
      // renamed by the rewrite, and its cells freed blindly (the library
      // asserts on a bad one): the hive is left alone. The value that goes
      // is read too.
      hive_type t = hive_t_REG_NONE;
      size_t stored = 0, len = 0;
      if (!raw || hivex_value_type(h, *v, &t, &stored) != 0) return win::kAccessDenied;
      Owned<char> data(hivex_value_value(h, *v, &t, &len));
      if (!data || len != stored) return win::kAccessDenied;
      if (EqualNoCase(FromUtf8(raw.get()), n)) {
        here = true;
        continue;
      }
      rest.kept.push_back(hive_set_value{raw.get(), hive_t_REG_NONE, len, data.get()});
      std::memcpy(&rest.kept.back().t, &t, sizeof t);
      rest.names.push_back(std::move(raw));
      rest.datas.push_back(std::move(data));
    }
    if (here) rests.push_back(std::move(rest));
  }
  if (rests.empty()) return win::kFileNotFound;
  for (Rest& rest : rests) {
    const Part& part = rest.part;
    if (!BeginChange(part.hive) ||
        hivex_node_set_values(hives_[part.hive].h, part.node, rest.kept.size(), rest.kept.data(), 0) != 0 ||
        !Commit(part.hive))
      return win::kAccessDenied;
  }
  return win::kSuccess;
}

int32_t OfflineRegistry::FlushKey(win::HKey key) {
  Open p;
  if (int32_t r = Resolve(key, p)) return r;
  return Flush() ? win::kSuccess : win::kAccessDenied;
}

int32_t OfflineRegistry::CloseKey(win::HKey key) {
  if (IsPredefined(key)) return win::kSuccess;
  listings_.erase(key);
  return handles_.erase(key) ? win::kSuccess : win::kInvalidHandle;
}

}  // namespace morvane::offline
