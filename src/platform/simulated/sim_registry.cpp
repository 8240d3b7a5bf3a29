#include "platform/simulated/sim_registry.h"

#include <algorithm>
#include <cstring>

#include "platform/ansi_text.h"
#include "platform/simulated/name_index.h"

namespace morvane::sim {

namespace {

constexpr uint32_t kDelete = 0x00010000;
// Links one open goes through at most.
constexpr int kMaxLinkHops = 32;

}  // namespace

struct SimRegistry::Node : std::enable_shared_from_this<SimRegistry::Node> {
  // What a look-up down the tree reads comes first, in the node's first lines.
  Text name;
  std::vector<std::shared_ptr<Node>> children;  // sorted by CompareNames
  NameIndex<Node> index;                       // of the children, when there are many
  uint32_t deny = 0;
  bool deleted = false;
  bool link = false;  // its target is in SimRegistry::links_
  std::unique_ptr<Text> cls;  // held apart: few keys have a class
  Node* parent = nullptr;
  std::vector<Value> values;  // creation order

  std::vector<std::shared_ptr<Node>>::iterator LowerBound(std::string_view n) {
    auto before = [](const std::shared_ptr<Node>& c, std::string_view k) { return CompareNames(c->name, k) < 0; };
    return std::lower_bound(children.begin(), children.end(), n, before);
  }
  std::shared_ptr<Node> Child(std::string_view n) {
    Node* child = ChildNode(n);
    return child ? child->shared_from_this() : nullptr;
  }
  // The same, without taking a share of the node.
  Node* ChildNode(std::string_view n) {
    if (children.size() >= NameIndex<Node>::kFrom) {
      if (!index.Ready())
        for (const auto& c : children) index.Insert(RegistryNameHash(c->name), c.get());
      return index.Find(RegistryNameHash(n), [n](const Node& c) { return CompareNames(c.name, n) == 0; });
    }
    auto it = LowerBound(n);
    return it != children.end() && CompareNames((*it)->name, n) == 0 ? it->get() : nullptr;
  }
  std::shared_ptr<Node> AddChild(const Text& n) {
    auto it = LowerBound(n);
    auto node = std::make_shared<Node>();
    node->name = n;
    node->parent = this;
    children.insert(it, node);
    if (index.Ready()) index.Insert(RegistryNameHash(n), node.get());
    return node;
  }
  const Text& Class() const {
    static const Text kNone;
    return cls ? *cls : kNone;
  }
  Value* FindValue(const Text& n) {
    for (auto& v : values)
      if (CompareNames(v.name, n) == 0) return &v;
    return nullptr;
  }
  void MarkDeleted() {
    for (auto& c : children) c->MarkDeleted();
    children.clear();
    index.Drop();
    values.clear();
    deleted = true;
  }
};

// Names order by their lower-cased code points ("_" sorts before letters), as
// the registry the contract tests run against enumerates them.
int SimRegistry::CompareNames(std::string_view a, std::string_view b) {
  static const uint16_t* const fold = RegistryFoldTable();
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const uint16_t x = fold[static_cast<unsigned char>(a[i])], y = fold[static_cast<unsigned char>(b[i])];
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

SimRegistry::SimRegistry() {
  static const char* names[7] = {"HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                 "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
  for (int i = 0; i < 7; ++i) {
    roots_[i] = std::make_shared<Node>();
    roots_[i]->name = names[i];
  }
}

SimRegistry::~SimRegistry() = default;

int32_t SimRegistry::Resolve(win::HKey key, Open& out) const {
  if (IsPredefined(key)) {
    out = Open{roots_[key - win::kClassesRoot], win::kKeyAllAccess};
    return win::kSuccess;
  }
  auto it = handles_.find(key);
  if (it == handles_.end()) return win::kInvalidHandle;
  if (it->second.node->deleted) return win::kKeyDeleted;
  out = it->second;
  return win::kSuccess;
}

int32_t SimRegistry::Walk(const std::shared_ptr<Node>& from, const Text& subKey, std::shared_ptr<Node>& out,
                          bool openLink) const {
  if (!subKey.empty() && subKey[0] == '\\') return kBadPathName;
  int hops = 0;
  Node* node = nullptr;
  if (int32_t r = WalkFrom(from.get(), subKey, node, openLink, hops)) return r;
  out = node == from.get() ? from : node->shared_from_this();
  return win::kSuccess;
}

// Down the names between "\" (empty ones skipped); a share is taken of the
// last node alone, by the caller.
int32_t SimRegistry::WalkFrom(Node* parent, const Text& subKey, Node*& out, bool openLink, int& hops) const {
  std::string_view last;
  size_t start = 0;
  while (start <= subKey.size()) {
    size_t end = subKey.find('\\', start);
    if (end == Text::npos) end = subKey.size();
    if (end > start) {
      if (!last.empty()) {
        if (!(parent = parent->ChildNode(last))) return win::kFileNotFound;
        if (parent->link && !(parent = Follow(*parent, hops))) return win::kFileNotFound;
      }
      last = std::string_view(subKey).substr(start, end - start);
    }
    start = end + 1;
  }
  if (!last.empty()) {
    if (!(parent = parent->ChildNode(last))) return win::kFileNotFound;
    if (parent->link && !openLink && !(parent = Follow(*parent, hops))) return win::kFileNotFound;
  }
  out = parent;
  return win::kSuccess;
}

SimRegistry::Node* SimRegistry::Follow(const Node& link, int& hops) const {
  auto it = links_.find(&link);
  if (it == links_.end() || ++hops > kMaxLinkHops) return nullptr;
  Node* target = nullptr;
  return WalkFrom(roots_[it->second.root - win::kClassesRoot].get(), it->second.path, target, false, hops) ==
                 win::kSuccess
             ? target
             : nullptr;
}

win::HKey SimRegistry::NewHandle(const std::shared_ptr<Node>& node, uint32_t access) {
  win::HKey h = nextHandle_;
  nextHandle_ += 4;
  handles_[h] = Open{node, access};
  return h;
}

int32_t SimRegistry::OpenKeyEx(win::HKey parent, const Text& subKey, uint32_t access, win::HKey& out) {
  return OpenAs(parent, subKey, access, false, out);
}

int32_t SimRegistry::OpenLink(win::HKey parent, const Text& subKey, uint32_t access, win::HKey& out) {
  return OpenAs(parent, subKey, access, true, out);
}

int32_t SimRegistry::OpenAs(win::HKey parent, const Text& subKey, uint32_t access, bool openLink, win::HKey& out) {
  out = 0;
  if (!Read("OpenKeyEx")) return win::kAccessDenied;
  Open p;
  if (int32_t r = Resolve(parent, p)) return r;
  std::shared_ptr<Node> node;
  if (int32_t r = Walk(p.node, subKey, node, openLink)) return r;
  if (node->deny & access) return win::kAccessDenied;
  if (node == p.node && IsPredefined(parent)) {
    out = parent;
    return win::kSuccess;
  }
  out = NewHandle(node, access);
  return win::kSuccess;
}

int32_t SimRegistry::OpenKey(win::HKey parent, const Text& subKey, win::HKey& out) {
  out = 0;
  if (!Read("OpenKey")) return win::kAccessDenied;
  Open p;
  if (int32_t r = Resolve(parent, p)) return r;
  if (subKey.empty()) {
    out = parent;
    return win::kSuccess;
  }
  std::shared_ptr<Node> node;
  if (int32_t r = Walk(p.node, subKey, node)) return r;
  uint32_t granted = win::kKeyAllAccess & ~node->deny;
  if (granted == 0) return win::kAccessDenied;
  out = NewHandle(node, granted);
  return win::kSuccess;
}

int32_t SimRegistry::CreateKey(win::HKey parent, const Text& subKey, win::HKey& out) {
  out = 0;
  if (!Alive()) return win::kAccessDenied;
  Open p;
  if (int32_t r = Resolve(parent, p)) return r;
  if (!subKey.empty() && subKey[0] == '\\') return kBadPathName;
  auto parts = KeyPathComponents(subKey);
  for (const Text& part : parts)
    if (part.size() > kMaxKeyNameLength) return win::kInvalidParameter;
  std::shared_ptr<Node> node = p.node;
  bool made = false;
  for (const Text& part : parts) {
    auto child = node->Child(part);
    if (child && child->link) {
      int hops = 0;
      Node* target = Follow(*child, hops);
      if (!target) return win::kFileNotFound;
      child = target->shared_from_this();
    }
    if (!child) {
      if (node->deny & win::kKeyCreateSubKey) return win::kAccessDenied;
      // One call makes every missing level: one change.
      if (!made && !Mutate("CreateKey")) return win::kAccessDenied;
      child = node->AddChild(part);
      made = true;
    }
    node = child;
  }
  if (!made && (node->deny & win::kKeyAllAccess)) return win::kAccessDenied;
  if (node == p.node && IsPredefined(parent)) {
    out = parent;
    return win::kSuccess;
  }
  out = NewHandle(node, win::kKeyAllAccess);
  return win::kSuccess;
}

int32_t SimRegistry::EnumKey(win::HKey key, uint32_t index, char* name, uint32_t& nameSize, char* cls,
                             uint32_t* clsSize) {
  if (!Read("EnumKey")) return win::kAccessDenied;
  Open k;
  if (int32_t r = Resolve(key, k)) return r;
  if (!(k.access & win::kKeyEnumerateSubKeys)) return win::kAccessDenied;
  if (name == nullptr || (cls != nullptr && clsSize == nullptr)) return win::kInvalidParameter;
  if (index >= k.node->children.size()) return win::kNoMoreItems;
  const Node& child = *k.node->children[index];
  // Nothing is written when either buffer is too small; a class buffer of
  // size 0 is too small even for an empty class.
  if (child.name.size() + 1 > nameSize) return win::kMoreData;
  const Text& childClass = child.Class();
  if (cls != nullptr && childClass.size() + 1 > *clsSize) return win::kMoreData;
  std::memcpy(name, child.name.c_str(), child.name.size() + 1);
  nameSize = static_cast<uint32_t>(child.name.size());
  if (cls != nullptr) std::memcpy(cls, childClass.c_str(), childClass.size() + 1);
  if (clsSize != nullptr) *clsSize = static_cast<uint32_t>(childClass.size());
  return win::kSuccess;
}

int32_t SimRegistry::EnumValue(win::HKey key, uint32_t index, char* name, uint32_t& nameSize, uint32_t* type,
                               uint8_t* data, uint32_t* dataSize) {
  if (!Read("EnumValue")) return win::kAccessDenied;
  Open k;
  if (int32_t r = Resolve(key, k)) return r;
  if (!(k.access & win::kKeyQueryValue)) return win::kAccessDenied;
  if (name == nullptr || (data != nullptr && dataSize == nullptr)) return win::kInvalidParameter;
  if (index >= k.node->values.size()) return win::kNoMoreItems;
  const Value& v = k.node->values[index];
  if (v.name.size() + 1 > nameSize) return win::kMoreData;
  uint32_t size = static_cast<uint32_t>(v.data.size());
  if (data != nullptr && *dataSize < size) {
    *dataSize = size;
    return win::kMoreData;
  }
  std::memcpy(name, v.name.c_str(), v.name.size() + 1);
  nameSize = static_cast<uint32_t>(v.name.size());
  if (type) *type = v.type;
  if (data != nullptr && size > 0) std::memcpy(data, v.data.data(), size);
  if (dataSize) *dataSize = size;
  return win::kSuccess;
}

int32_t SimRegistry::QueryValue(win::HKey key, const char* valueName, uint32_t* type, uint8_t* data,
                                uint32_t* dataSize) {
  if (!Read("QueryValue")) return win::kAccessDenied;
  Open k;
  if (int32_t r = Resolve(key, k)) return r;
  if (!(k.access & win::kKeyQueryValue)) return win::kAccessDenied;
  if (data != nullptr && dataSize == nullptr) return win::kInvalidParameter;
  const Value* v = k.node->FindValue(valueName ? valueName : "");
  if (!v) return win::kFileNotFound;
  uint32_t size = static_cast<uint32_t>(v->data.size());
  if (type) *type = v->type;
  if (data != nullptr && *dataSize < size) {
    *dataSize = size;
    return win::kMoreData;
  }
  if (data != nullptr && size > 0) std::memcpy(data, v->data.data(), size);
  if (dataSize) *dataSize = size;
  return win::kSuccess;
}

int32_t SimRegistry::SetValue(win::HKey key, const char* valueName, uint32_t type, const uint8_t* data,
                              uint32_t dataSize) {
  Open k;
  if (int32_t r = Resolve(key, k)) return r;
  if (!(k.access & win::kKeySetValue)) return win::kAccessDenied;
  Text n = valueName ? valueName : "";
  if (n.size() > kMaxValueNameLength) return win::kInvalidParameter;
  if (data == nullptr && dataSize > 0) return win::kInvalidParameter;
  std::string bytes(reinterpret_cast<const char*>(data), data ? dataSize : 0);
  // Text written without its NUL is stored with one, as the real registry does.
  if ((type == win::kRegSz || type == win::kRegExpandSz) && !bytes.empty() && bytes.back() != '\0') bytes += '\0';
  if (!Mutate("SetValue")) return win::kAccessDenied;
  if (Value* v = k.node->FindValue(n)) {
    v->type = type;
    v->data = std::move(bytes);
  } else {
    k.node->values.push_back(Value{n, type, std::move(bytes)});
  }
  return win::kSuccess;
}

int32_t SimRegistry::DeleteKey(win::HKey parent, const Text& subKey) {
  Open p;
  if (int32_t r = Resolve(parent, p)) return r;
  std::shared_ptr<Node> node;
  if (int32_t r = Walk(p.node, subKey, node)) return r;
  if (node->parent == nullptr || !node->children.empty() || (node->deny & kDelete)) return win::kAccessDenied;
  if (!Mutate("DeleteKey")) return win::kAccessDenied;
  Remove(node);
  return win::kSuccess;
}

void SimRegistry::Remove(const std::shared_ptr<Node>& node) {
  auto& siblings = node->parent->children;
  siblings.erase(std::find(siblings.begin(), siblings.end(), node));
  node->parent->index.Drop();
  links_.erase(node.get());
  node->MarkDeleted();
  node->parent = nullptr;
}

bool SimRegistry::LinkTarget(win::HKey parent, const Text& subKey, Text& target) {
  target.clear();
  Open p;
  std::shared_ptr<Node> node;
  if (Resolve(parent, p) != win::kSuccess || Walk(p.node, subKey, node, true) != win::kSuccess || !node->link)
    return false;
  if (auto it = links_.find(node.get()); it != links_.end())
    target = roots_[it->second.root - win::kClassesRoot]->name + "\\" + it->second.path;
  return true;
}

int32_t SimRegistry::DeleteLink(win::HKey parent, const Text& subKey) {
  Open p;
  if (int32_t r = Resolve(parent, p)) return r;
  std::shared_ptr<Node> node;
  if (int32_t r = Walk(p.node, subKey, node, true)) return r;
  if (!node->link) return win::kFileNotFound;
  if (node->deny & kDelete) return win::kAccessDenied;
  if (!Mutate("DeleteKey")) return win::kAccessDenied;
  Remove(node);
  return win::kSuccess;
}

int32_t SimRegistry::DeleteValue(win::HKey key, const char* valueName) {
  Open k;
  if (int32_t r = Resolve(key, k)) return r;
  if (!(k.access & win::kKeySetValue)) return win::kAccessDenied;
  Text n = valueName ? valueName : "";
  auto& vs = k.node->values;
  auto it = std::find_if(vs.begin(), vs.end(), [&](const Value& v) { return CompareNames(v.name, n) == 0; });
  if (it == vs.end()) return win::kFileNotFound;
  if (!Mutate("DeleteValue")) return win::kAccessDenied;
  vs.erase(it);
  return win::kSuccess;
}

int32_t SimRegistry::CloseKey(win::HKey key) {
  if (IsPredefined(key)) return win::kSuccess;
  return handles_.erase(key) ? win::kSuccess : win::kInvalidHandle;
}

// ---- test setup ----

std::shared_ptr<SimRegistry::Node> SimRegistry::Find(win::HKey root, const Text& subPath) const {
  if (!IsPredefined(root)) return nullptr;
  std::shared_ptr<Node> node;
  if (Walk(roots_[root - win::kClassesRoot], subPath, node) != win::kSuccess) return nullptr;
  return node;
}

std::shared_ptr<SimRegistry::Node> SimRegistry::Make(win::HKey root, const Text& subPath) {
  if (!IsPredefined(root) || (!subPath.empty() && subPath[0] == '\\')) return nullptr;
  std::shared_ptr<Node> node = roots_[root - win::kClassesRoot];
  for (const Text& part : KeyPathComponents(subPath)) {
    if (part.size() > kMaxKeyNameLength) return nullptr;
    auto child = node->Child(part);
    node = child ? child : node->AddChild(part);
  }
  return node;
}

bool SimRegistry::CreateKeyPath(win::HKey root, const Text& subPath) { return Make(root, subPath) != nullptr; }

bool SimRegistry::SetRawValue(win::HKey root, const Text& subPath, const Text& name, uint32_t type,
                              const std::string& bytes) {
  auto node = Make(root, subPath);
  if (!node) return false;
  if (Value* v = node->FindValue(name)) {
    v->type = type;
    v->data = bytes;
  } else {
    node->values.push_back(Value{name, type, bytes});
  }
  return true;
}

bool SimRegistry::SetStringValue(win::HKey root, const Text& subPath, const Text& name, const Text& value,
                                 uint32_t type) {
  return SetRawValue(root, subPath, name, type, value + '\0');
}

bool SimRegistry::SetDwordValue(win::HKey root, const Text& subPath, const Text& name, uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[size_t(i)] = char((value >> (8 * i)) & 0xFF);
  return SetRawValue(root, subPath, name, win::kRegDword, bytes);
}

bool SimRegistry::KeyExists(win::HKey root, const Text& subPath) const { return Find(root, subPath) != nullptr; }

std::optional<SimRegistry::Value> SimRegistry::GetValue(win::HKey root, const Text& subPath, const Text& name) const {
  auto node = Find(root, subPath);
  if (!node) return std::nullopt;
  if (Value* v = node->FindValue(name)) return *v;
  return std::nullopt;
}

bool SimRegistry::DenyAccess(win::HKey root, const Text& subPath, uint32_t mask) {
  auto node = Find(root, subPath);
  if (!node) return false;
  node->deny = mask;
  return true;
}

bool SimRegistry::SetKeyClass(win::HKey root, const Text& subPath, const Text& cls) {
  auto node = Find(root, subPath);
  if (!node) return false;
  node->cls = std::make_unique<Text>(cls);
  return true;
}

bool SimRegistry::CreateLink(win::HKey root, const Text& subPath, win::HKey targetRoot, const Text& target) {
  if (!IsPredefined(root) || !IsPredefined(targetRoot)) return false;
  const size_t slash = subPath.rfind('\\');
  auto parent = slash == Text::npos ? roots_[root - win::kClassesRoot] : Find(root, subPath.substr(0, slash));
  const Text name = slash == Text::npos ? subPath : subPath.substr(slash + 1);
  if (!parent || name.empty() || parent->Child(name)) return false;
  auto node = parent->AddChild(name);
  node->link = true;
  links_[node.get()] = LinkTo{targetRoot, target};
  return true;
}

int32_t SimRegistry::FlushKey(win::HKey key) {
  Open k;
  if (int32_t r = Resolve(key, k)) return r;
  if (!Read("FlushKey")) return win::kAccessDenied;
  if (!trackFlushes_) return win::kSuccess;
  const Node* top = k.node.get();
  while (top->parent) top = top->parent;
  for (size_t i = 0; i < 7; ++i)
    if (roots_[i].get() == top) {
      DropLinks(*flushed_[i], flushedLinks_);
      flushed_[i] = CopyTree(*roots_[i], nullptr, links_, flushedLinks_);
    }
  return win::kSuccess;
}

void SimRegistry::TrackFlushes() {
  trackFlushes_ = true;
  flushedLinks_.clear();
  for (size_t i = 0; i < 7; ++i) flushed_[i] = CopyTree(*roots_[i], nullptr, links_, flushedLinks_);
}

void SimRegistry::Restart() {
  handles_.clear();
  if (!trackFlushes_) return;
  for (size_t i = 0; i < 7; ++i) {
    DropLinks(*roots_[i], links_);
    roots_[i] = CopyTree(*flushed_[i], nullptr, flushedLinks_, links_);
  }
}

std::shared_ptr<SimRegistry::Node> SimRegistry::CopyTree(const Node& from, Node* parent, const Links& fromLinks,
                                                         Links& toLinks) {
  auto node = std::make_shared<Node>();
  node->name = from.name;
  node->deny = from.deny;
  node->link = from.link;
  if (from.cls) node->cls = std::make_unique<Text>(*from.cls);
  node->parent = parent;
  node->values = from.values;
  if (auto it = fromLinks.find(&from); it != fromLinks.end()) toLinks[node.get()] = it->second;
  node->children.reserve(from.children.size());
  for (const auto& c : from.children) node->children.push_back(CopyTree(*c, node.get(), fromLinks, toLinks));
  return node;
}

void SimRegistry::DropLinks(const Node& tree, Links& links) {
  links.erase(&tree);
  for (const auto& c : tree.children) DropLinks(*c, links);
}

void SimRegistry::Clear() {
  links_.clear();
  for (auto& root : roots_) {
    for (auto& c : root->children) c->MarkDeleted();
    root->children.clear();
    root->index.Drop();
    root->values.clear();
  }
}

}  // namespace morvane::sim
