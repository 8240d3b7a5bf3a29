#include "platform/simulated/sim_files.h"

#include <algorithm>

#include "platform/ansi_text.h"
#include "platform/simulated/name_index.h"

namespace morvane::sim {

namespace {

// Calls part(name) for each non-empty name between "\" or "/" in path, in
// order, while it returns true; false when one returned false.
template <class F>
bool EachPart(std::string_view path, F&& part) {
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start && !part(path.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

std::vector<Text> Split(const Text& path) {
  std::vector<Text> parts;
  EachPart(path, [&](std::string_view part) {
    parts.emplace_back(part);
    return true;
  });
  return parts;
}

char DriveOf(const Text& path) {
  if (path.size() < 2 || path[1] != ':') return 0;
  char c = path[0];
  if (c >= 'a' && c <= 'z') c = char(c - 32);
  return (c >= 'A' && c <= 'Z') ? c : 0;
}

}  // namespace

// Content, link target and children are held apart, in one block made when
// first needed: most nodes of a large simulated disk are sized files that
// have none of them. Children are kept in a vector sorted by upper-cased
// name, compared byte by byte without a copy.
struct SimFileSystem::Node {
  using List = std::vector<std::unique_ptr<Node>>;
  struct Extra {
    std::string content;
    Text linkTarget;
    List children;                  // sorted by upper-cased name
    mutable NameIndex<Node> index;  // of the children, when there are many
    size_t durable = 0;             // while unflushed: the bytes before this are on the disk
  };
  Text name;
  uint64_t declaredSize = 0;
  uint32_t attributes = win::kAttrArchive;
  bool sized = false;  // declaredSize stands for the content
  bool locked = false;
  bool unflushed = false;  // copied or appended, not flushed: after a restart the bytes past durable are zeros
  std::unique_ptr<Extra> extra;

  bool IsDir() const { return attributes & win::kAttrDirectory; }
  Extra& More() {
    if (!extra) extra = std::make_unique<Extra>();
    return *extra;
  }
  const List& Children() const {
    static const List kNone;
    return extra ? extra->children : kNone;
  }
  const std::string& Data() const {
    static const std::string kNone;
    return extra ? extra->content : kNone;
  }
  void SetData(std::string data) {
    if (extra || !data.empty()) More().content = std::move(data);
  }
  uint64_t Size() const { return sized ? declaredSize : Data().size(); }

  List::iterator LowerBound(List& list, std::string_view n) const {
    return std::lower_bound(list.begin(), list.end(), n, [](const std::unique_ptr<Node>& c, std::string_view k) {
      return CompareFileNames(c->name, k) < 0;
    });
  }
  // The child named n (any case); null when there is none.
  Node* Child(std::string_view n) const {
    if (!extra) return nullptr;
    List& list = extra->children;
    if (list.size() >= NameIndex<Node>::kFrom) {
      if (!extra->index.Ready())
        for (const auto& c : list) extra->index.Insert(FileNameHash(c->name), c.get());
      return extra->index.Find(FileNameHash(n), [n](const Node& c) { return CompareFileNames(c.name, n) == 0; });
    }
    auto it = LowerBound(list, n);
    return it != list.end() && CompareFileNames((*it)->name, n) == 0 ? it->get() : nullptr;
  }
  // Puts node under its name, replacing a child of the same name.
  Node* Put(std::unique_ptr<Node> node) {
    List& list = More().children;
    // Children made in order go on the end without a search.
    auto it = list.empty() || CompareFileNames(list.back()->name, node->name) < 0 ? list.end()
                                                                             : LowerBound(list, node->name);
    if (it != list.end() && CompareFileNames((*it)->name, node->name) == 0) {
      *it = std::move(node);
      extra->index.Drop();
    } else {
      it = list.insert(it, std::move(node));
      if (extra->index.Ready()) extra->index.Insert(FileNameHash((*it)->name), it->get());
    }
    return it->get();
  }
  // Takes the child named n out; null when there is none.
  std::unique_ptr<Node> Take(const Text& n) {
    if (!extra) return nullptr;
    List& list = extra->children;
    auto it = LowerBound(list, n);
    if (it == list.end() || CompareFileNames((*it)->name, n) != 0) return nullptr;
    std::unique_ptr<Node> node = std::move(*it);
    list.erase(it);
    extra->index.Drop();
    return node;
  }
};

Text SimFileSystem::Upper(const Text& s) {
  Text u = s;
  for (auto& c : u) c = char(UpperAnsiByte(static_cast<unsigned char>(c)));
  return u;
}

bool SimFileSystem::WildcardMatch(const Text& pattern, const Text& name) {
  if (StarMatch(pattern.data(), pattern.data() + pattern.size(), name.data(), name.data() + name.size())) return true;
  // "x.*" also matches "x" (a name without an extension).
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 && name.find('.') == Text::npos) {
    Text stem = pattern.substr(0, pattern.size() - 2);
    return StarMatch(stem.data(), stem.data() + stem.size(), name.data(), name.data() + name.size());
  }
  return false;
}

SimFileSystem::SimFileSystem() { AddDrive('C'); }
SimFileSystem::~SimFileSystem() = default;

void SimFileSystem::AddDrive(char letter) {
  char d = char(UpperAnsiByte(static_cast<unsigned char>(letter)));
  if (drives_.count(d)) return;
  auto root = std::make_unique<Node>();
  root->name = Text(1, d) + ":";
  root->attributes = win::kAttrDirectory;
  drives_[d] = std::move(root);
}

SimFileSystem::Node* SimFileSystem::Resolve(const Text& path) const {
  char d = DriveOf(path);
  auto it = drives_.find(d);
  if (it == drives_.end()) return nullptr;
  Node* node = it->second.get();
  const bool found = EachPart(std::string_view(path).substr(2), [&](std::string_view part) {
    node = node->IsDir() ? node->Child(part) : nullptr;
    return node != nullptr;
  });
  return found ? node : nullptr;
}

SimFileSystem::Node* SimFileSystem::ResolveParent(const Text& path, Text& leaf) const {
  char d = DriveOf(path);
  auto parts = Split(path.size() >= 2 ? path.substr(2) : Text());
  if (!d || parts.empty()) return nullptr;
  leaf = parts.back();
  Text parent = path.substr(0, 2);
  for (size_t i = 0; i + 1 < parts.size(); ++i) parent += "\\" + parts[i];
  Node* p = Resolve(parent);
  return p && p->IsDir() ? p : nullptr;
}

SimFileSystem::Node* SimFileSystem::MakeChain(const Text& path) {
  char d = DriveOf(path);
  if (!d) return nullptr;
  AddDrive(d);
  Node* node = drives_[d].get();
  for (const Text& part : Split(path.substr(2))) {
    if (!node->IsDir()) return nullptr;
    Node* child = node->Child(part);
    if (!child) {
      auto made = std::make_unique<Node>();
      made->name = part;
      made->attributes = win::kAttrDirectory;
      child = node->Put(std::move(made));
    }
    node = child;
  }
  return node;
}

IFileSystem::FindHandle SimFileSystem::FindFirst(const Text& pattern, FindData& data) {
  if (!Read("FindFirst")) return kInvalidFind;
  size_t slash = pattern.find_last_of('\\');
  if (slash == Text::npos) return kInvalidFind;
  Text folder = pattern.substr(0, slash);
  Text namePattern = pattern.substr(slash + 1);
  Node* dir = Resolve(folder.size() == 2 ? folder + "\\" : folder);
  if (!dir || !dir->IsDir() || namePattern.empty()) return kInvalidFind;
  Search s;
  const std::string_view below = std::string_view(folder).substr(std::min<size_t>(2, folder.size()));
  const bool isRoot = EachPart(below, [](std::string_view) { return false; });  // no name below the drive
  if (!isRoot) {
    for (const char* dot : {".", ".."})
      if (WildcardMatch(namePattern, dot)) s.entries.push_back(FindData{win::kAttrDirectory, 0, 0, dot});
  }
  auto add = [&](const Node& child) {
    uint64_t size = child.IsDir() ? 0 : child.Size();
    s.entries.push_back(FindData{child.attributes, uint32_t(size >> 32), uint32_t(size), child.name});
  };
  if (namePattern.find_first_of("*?") == Text::npos) {
    // No wildcard: the one child of that name, if any.
    if (const Node* child = dir->Child(namePattern)) add(*child);
  } else {
    for (const auto& child : dir->Children())
      if (WildcardMatch(namePattern, child->name)) add(*child);
  }
  if (s.entries.empty()) return kInvalidFind;
  data = s.entries[0];
  s.next = 1;
  FindHandle h = nextFind_++;
  finds_[h] = std::move(s);
  return h;
}

bool SimFileSystem::FindNext(FindHandle h, FindData& data) {
  if (!Read("FindNext")) return false;
  auto it = finds_.find(h);
  if (it == finds_.end() || it->second.next >= it->second.entries.size()) return false;
  data = it->second.entries[it->second.next++];
  return true;
}

bool SimFileSystem::FindClose(FindHandle h) { return finds_.erase(h) > 0; }

uint32_t SimFileSystem::GetAttributes(const Text& path) {
  if (!Read("GetAttributes")) return win::kInvalidAttributes;
  Node* n = Resolve(path);
  return n ? n->attributes : win::kInvalidAttributes;
}

bool SimFileSystem::SetAttributes(const Text& path, uint32_t attributes) {
  Node* n = Resolve(path);
  if (!n || !Mutate("SetAttributes")) return false;
  // What SetFileAttributesA may change; the rest (folder, link, compression,
  // encryption, sparse, cloud placeholder states) stays as it is.
  constexpr uint32_t kSettable = win::kAttrReadOnly | win::kAttrHidden | win::kAttrSystem | win::kAttrArchive |
                                 win::kAttrTemporary | win::kAttrOffline | win::kAttrNotIndexed;
  uint32_t keep = n->attributes & ~(kSettable | win::kAttrNormal);
  uint32_t a = (attributes & kSettable) | keep;
  if (a == 0) a = win::kAttrNormal;
  n->attributes = a;
  return true;
}

bool SimFileSystem::RemoveFile(const Text& path) {
  Text leaf;
  Node* p = ResolveParent(path, leaf);
  if (!p || !Mutate("RemoveFile")) return false;
  Node* n = p->Child(leaf);
  if (!n || n->IsDir() || (n->attributes & win::kAttrReadOnly) || n->locked) return false;
  Refund(n->Size());
  p->Take(leaf);
  return true;
}

bool SimFileSystem::MakeFolder(const Text& path) {
  Text leaf;
  Node* p = ResolveParent(path, leaf);
  if (!p || p->Child(leaf) || !Mutate("MakeFolder")) return false;
  auto n = std::make_unique<Node>();
  n->name = leaf;
  n->attributes = win::kAttrDirectory;
  p->Put(std::move(n));
  return true;
}

bool SimFileSystem::RemoveFolder(const Text& path) {
  Text leaf;
  Node* p = ResolveParent(path, leaf);
  if (!p) return false;
  Node* n = p->Child(leaf);
  if (!n || !n->IsDir() || !n->Children().empty() || (n->attributes & win::kAttrReadOnly)) return false;
  if (!Mutate("RemoveFolder")) return false;
  p->Take(leaf);
  return true;
}

bool SimFileSystem::Spend(uint64_t size, size_t& allowed) {
  allowed = size_t(size);
  if (fillAfter_ >= 0 && int64_t(writes_) == fillAfter_) writeBudget_ = int64_t(size / 2);
  ++writes_;
  if (writeBudget_ < 0) return true;
  if (int64_t(size) <= writeBudget_) {
    writeBudget_ -= int64_t(size);
    return true;
  }
  allowed = size_t(writeBudget_);
  writeBudget_ = 0;
  if (kill_) dead_ = true;
  return false;
}

bool SimFileSystem::CopyTo(const Text& source, const Text& destination, bool failIfExists) {
  if (!Powered()) return false;
  Node* s = Resolve(source);
  if (!s || s->IsDir()) return false;
  Text leaf;
  Node* p = ResolveParent(destination, leaf);
  if (!p) return false;
  Node* old = p->Child(leaf);
  if (old && (failIfExists || old->IsDir() || (old->attributes & win::kAttrReadOnly) || old->locked)) return false;
  if (!Mutate("CopyTo")) return false;
  if (old) Refund(old->Size());
  auto n = std::make_unique<Node>();
  n->name = old ? old->name : leaf;
  n->attributes = s->attributes | win::kAttrArchive;
  n->attributes &= ~uint32_t(win::kAttrNormal);
  n->SetData(s->Data());
  n->sized = s->sized;
  n->declaredSize = s->declaredSize;
  n->unflushed = true;
  n->More().durable = 0;
  size_t allowed = 0;
  const bool fits = Spend(s->sized ? s->declaredSize : s->Data().size(), allowed);
  if (!fits) {
    // What reached the disk before it was full.
    n->sized = false;
    n->SetData(s->sized ? std::string(allowed, '\0') : s->Data().substr(0, allowed));
  }
  p->Put(std::move(n));
  return fits;
}

bool SimFileSystem::MoveReplace(const Text& source, const Text& destination) {
  Text sleaf, dleaf;
  Node* sp = ResolveParent(source, sleaf);
  Node* dp = ResolveParent(destination, dleaf);
  if (!sp || !dp) return false;
  Node* s = sp->Child(sleaf);
  if (!s || s->locked) return false;
  Node* d = dp->Child(dleaf);
  if (d) {
    if (d == s) return true;
    if (d->IsDir() || s->IsDir() || (d->attributes & win::kAttrReadOnly) || d->locked) return false;
  }
  if (!Mutate("MoveReplace")) return false;
  if (d) Refund(d->Size());
  std::unique_ptr<Node> n = sp->Take(sleaf);
  n->name = dleaf;
  dp->Put(std::move(n));
  return true;
}

bool SimFileSystem::ReadAll(const Text& path, std::string& data) {
  if (!Read("ReadAll")) return false;
  Node* n = Resolve(path);
  if (!n || n->IsDir() || n->locked) return false;
  data = n->sized ? std::string(size_t(n->declaredSize), '\0') : n->Data();
  return true;
}

// Pieces of at most 64 KB, as a real read through a buffer gives them.
bool SimFileSystem::ReadPieces(const Text& path, const PieceSink& take) {
  if (!Read("ReadPieces")) return false;
  Node* n = Resolve(path);
  if (!n || n->IsDir() || n->locked) return false;
  constexpr size_t kPiece = 65536;
  static const char kZeros[kPiece] = {};
  if (n->sized) {
    for (uint64_t left = n->declaredSize; left > 0;) {
      const size_t size = size_t(std::min<uint64_t>(left, kPiece));
      take(kZeros, size);
      left -= size;
    }
    return true;
  }
  const std::string& data = n->Data();
  for (size_t at = 0; at < data.size(); at += kPiece) take(data.data() + at, std::min(kPiece, data.size() - at));
  return true;
}

bool SimFileSystem::WriteAll(const Text& path, const std::string& data) {
  Text leaf;
  Node* p = ResolveParent(path, leaf);
  if (!p) return false;
  Node* n = p->Child(leaf);
  if (n && (n->IsDir() || (n->attributes & win::kAttrReadOnly) || n->locked)) return false;
  if (!Mutate("WriteAll")) return false;
  if (n) {
    Refund(n->Size());
  } else {
    auto made = std::make_unique<Node>();
    made->name = leaf;
    made->attributes = win::kAttrArchive;
    n = p->Put(std::move(made));
  }
  size_t allowed = 0;
  const bool fits = Spend(data.size(), allowed);
  n->SetData(data.substr(0, allowed));
  n->sized = false;
  n->unflushed = false;  // written through and flushed
  return fits;
}

bool SimFileSystem::FlushFile(const Text& path) {
  if (!Read("FlushFile")) return false;
  Node* n = Resolve(path);
  if (!n || n->IsDir()) return false;
  n->unflushed = false;
  return true;
}

bool SimFileSystem::Append(const Text& path, const std::string& data) {
  if (!Powered()) return false;
  Node* n = Resolve(path);
  if (!n) {
    const bool written = WriteAll(path, data);
    MarkUnflushed(path);
    return written;
  }
  if (n->IsDir() || (n->attributes & win::kAttrReadOnly) || n->locked || !Mutate("Append")) return false;
  size_t allowed = 0;
  const bool fits = Spend(data.size(), allowed);
  // A plain write stays in the cache until a flush; what was on the disk stays.
  if (!n->unflushed) n->More().durable = n->Data().size();
  n->unflushed = true;
  if (allowed) n->More().content += data.substr(0, allowed);
  return fits;
}

void SimFileSystem::Restart() {
  finds_.clear();
  dead_ = false;
  kill_ = false;
  for (auto& [letter, root] : drives_) AtRestart(*root);
  std::vector<Text> pending;
  pending.swap(pendingDeletes_);
  for (const Text& path : pending) {
    Text leaf;
    Node* p = ResolveParent(path, leaf);
    Node* n = p ? p->Child(leaf) : nullptr;
    if (!n || n->locked || (n->IsDir() && !n->Children().empty())) continue;
    Refund(n->Size());
    p->Take(leaf);
  }
}

bool SimFileSystem::AddFolder(const Text& path, uint32_t attributes) {
  Node* n = MakeChain(path);
  if (!n || !n->IsDir()) return false;
  n->attributes = attributes | win::kAttrDirectory;
  return true;
}

bool SimFileSystem::AddFile(const Text& path, const std::string& content, uint32_t attributes) {
  Text leaf;
  size_t slash = path.find_last_of('\\');
  if (slash == Text::npos || !MakeChain(path.substr(0, slash))) return false;
  Node* p = ResolveParent(path, leaf);
  if (!p) return false;
  Node* old = p->Child(leaf);
  if (old && old->IsDir()) return false;
  auto n = std::make_unique<Node>();
  n->name = leaf;
  n->attributes = attributes & ~uint32_t(win::kAttrDirectory);
  if (n->attributes == 0) n->attributes = win::kAttrNormal;
  n->SetData(content);
  p->Put(std::move(n));
  return true;
}

bool SimFileSystem::AddSizedFile(const Text& path, uint64_t size, uint32_t attributes) {
  if (!AddFile(path, {}, attributes)) return false;
  Node* n = Resolve(path);
  n->sized = true;
  n->declaredSize = size;
  return true;
}

bool SimFileSystem::AddJunction(const Text& path, const Text& target) {
  if (!AddFolder(path)) return false;
  Node* n = Resolve(path);
  n->attributes |= win::kAttrReparsePoint;
  n->More().linkTarget = target;
  return true;
}

bool SimFileSystem::FinalPath(const Text& path, Text& out) {
  if (!Resolve(path)) return false;
  // A simulated link keeps what is seen through it as its own children: the
  // nodes are found along path, and each link on the way puts its target in
  // place of the final text up to it.
  Text walked = path.substr(0, 2), at = walked;
  EachPart(std::string_view(path).substr(2), [&](std::string_view part) {
    walked.append("\\").append(part);
    at.append("\\").append(part);
    const Node* n = Resolve(walked);
    if (n->extra && !n->extra->linkTarget.empty()) {
      at = n->extra->linkTarget;
      while (!at.empty() && at.back() == '\\') at.pop_back();
    }
    return true;
  });
  out = at.size() == 2 ? at + "\\" : at;
  return true;
}

bool SimFileSystem::RemoveAtRestart(const Text& path) {
  if (!Powered() || !Resolve(path) || !Mutate("RemoveAtRestart")) return false;
  DeleteAtRestart(path);
  return true;
}

// What a start finds: no file held open; a copy or an append that was never
// flushed kept its name and size, but its bytes never reached the disk.
void SimFileSystem::AtRestart(Node& node) {
  node.locked = false;
  if (node.unflushed && !node.sized) {
    const size_t kept = std::min(node.More().durable, node.Data().size());
    node.SetData(node.Data().substr(0, kept) + std::string(node.Data().size() - kept, '\0'));
  }
  node.unflushed = false;
  if (node.extra)
    for (auto& child : node.extra->children) AtRestart(*child);
}

void SimFileSystem::MarkUnflushed(const Text& path) {
  if (Node* n = Resolve(path); n && !n->IsDir()) {
    n->unflushed = true;
    n->More().durable = 0;
  }
}

bool SimFileSystem::SetLocked(const Text& path, bool locked) {
  Node* n = Resolve(path);
  if (!n) return false;
  n->locked = locked;
  return true;
}

bool SimFileSystem::Exists(const Text& path) const { return Resolve(path) != nullptr; }

bool SimFileSystem::IsFolder(const Text& path) const {
  Node* n = Resolve(path);
  return n && n->IsDir();
}

void SimFileSystem::CollectTree(const Node& node, const Text& path, std::vector<Text>& out) const {
  for (const auto& child : node.Children()) {
    Text full = path + "\\" + child->name;
    out.push_back(full);
    if (child->IsDir()) CollectTree(*child, full, out);
  }
}

std::vector<Text> SimFileSystem::ListTree(const Text& folder) const {
  std::vector<Text> out;
  if (folder.empty()) {
    for (const auto& [d, root] : drives_) CollectTree(*root, Text(1, d) + ":", out);
    return out;
  }
  Node* n = Resolve(folder);
  Text base = folder;
  while (!base.empty() && base.back() == '\\') base.pop_back();
  if (n) CollectTree(*n, base, out);
  return out;
}

}  // namespace morvane::sim
