// Simulated registry: the seven predefined roots and their key trees in memory,
// with the status codes the real advapi32 calls give.
//  - Key and value names compare case-insensitively and keep the case they were
//    created with; subkeys enumerate in sorted (lower-cased) order, as the real
//    registry keeps them; values enumerate in creation order.
//  - A path may hold empty components ("a\\b", trailing "\"), but not begin with "\".
//  - Handles carry the access they were opened with; a call the handle does not
//    allow fails with access denied; a handle to a deleted key gives kKeyDeleted.
//  - Test hooks: DenyAccess makes a key refuse opens asking for certain rights;
//    SetKeyClass gives a key a class string; OpenHandleCount counts live handles.
#pragma once
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/services.h"
#include "platform/simulated/sim_faults.h"

namespace morvane::sim {

class SimRegistry : public IRegistry {
 public:
  static constexpr int32_t kBadPathName = 161;
  static constexpr size_t kMaxKeyNameLength = 255;
  static constexpr size_t kMaxValueNameLength = 16383;

  SimRegistry();
  ~SimRegistry() override;
  SimRegistry(const SimRegistry&) = delete;
  SimRegistry& operator=(const SimRegistry&) = delete;

  int32_t OpenKeyEx(win::HKey parent, const Text& subKey, uint32_t access, win::HKey& out) override;
  int32_t OpenKey(win::HKey parent, const Text& subKey, win::HKey& out) override;
  int32_t CreateKey(win::HKey parent, const Text& subKey, win::HKey& out) override;
  int32_t EnumKey(win::HKey key, uint32_t index, char* name, uint32_t& nameSize, char* cls,
                  uint32_t* clsSize) override;
  int32_t EnumValue(win::HKey key, uint32_t index, char* name, uint32_t& nameSize, uint32_t* type, uint8_t* data,
                    uint32_t* dataSize) override;
  int32_t QueryValue(win::HKey key, const char* valueName, uint32_t* type, uint8_t* data,
                     uint32_t* dataSize) override;
  int32_t SetValue(win::HKey key, const char* valueName, uint32_t type, const uint8_t* data,
                   uint32_t dataSize) override;
  int32_t DeleteKey(win::HKey parent, const Text& subKey) override;
  int32_t DeleteValue(win::HKey key, const char* valueName) override;
  int32_t CloseKey(win::HKey key) override;
  int32_t FlushKey(win::HKey key) override;
  int32_t OpenLink(win::HKey parent, const Text& subKey, uint32_t access, win::HKey& out) override;
  int32_t DeleteLink(win::HKey parent, const Text& subKey) override;
  bool LinkTarget(win::HKey parent, const Text& subKey, Text& target) override;

  // Test setup, bypassing access checks. Paths are sub-paths below a root.
  bool CreateKeyPath(win::HKey root, const Text& subPath);
  // REG_SZ with its terminating NUL; creates the key path.
  bool SetStringValue(win::HKey root, const Text& subPath, const Text& name, const Text& value,
                      uint32_t type = win::kRegSz);
  bool SetDwordValue(win::HKey root, const Text& subPath, const Text& name, uint32_t value);
  // Any type, exactly these bytes; creates the key path.
  bool SetRawValue(win::HKey root, const Text& subPath, const Text& name, uint32_t type, const std::string& bytes);
  bool KeyExists(win::HKey root, const Text& subPath) const;
  struct Value {
    Text name;
    uint32_t type = win::kRegNone;
    std::string data;
  };
  std::optional<Value> GetValue(win::HKey root, const Text& subPath, const Text& name) const;
  // Opens asking for any right in mask fail with kAccessDenied; opens with the
  // default (maximum allowed) access get every right but those.
  bool DenyAccess(win::HKey root, const Text& subPath, uint32_t mask);
  bool SetKeyClass(win::HKey root, const Text& subPath, const Text& cls);
  // A new key at subPath that is a symbolic link to the key at target: opens
  // through it reach the target (resolved at each open); OpenLink reaches it
  // itself. False when the key is there already or its parent is not.
  bool CreateLink(win::HKey root, const Text& subPath, win::HKey targetRoot, const Text& target);
  // Keys opened and not yet closed (the predefined roots do not count).
  size_t OpenHandleCount() const { return handles_.size(); }
  // The power and fault switches the machine shares among its services.
  void UseFaults(SimFaults& faults) { faults_ = &faults; }
  // From now on a restart finds each root's keys as its last flush (or this
  // call) left them: changes no flush wrote are lost, as in a power cut.
  // Until then a restart keeps every change.
  void TrackFlushes();
  // The machine starts again: every open handle is gone.
  void Restart();
  // Removes every key and value below every root (handles stay valid but their keys are gone).
  void Clear();

  static bool IsPredefined(win::HKey key) { return key >= win::kClassesRoot && key <= win::kDynData; }
  // Case-insensitive comparison in the registry's order (lower-cased, by code point).
  static int CompareNames(std::string_view a, std::string_view b);

 private:
  struct Node;
  struct Open {
    std::shared_ptr<Node> node;
    uint32_t access = 0;
  };
  // Resolves a handle to its key; status kInvalidHandle or kKeyDeleted when it cannot.
  int32_t Resolve(win::HKey key, Open& out) const;
  // openLink: a link named last is the key reached, not its target.
  int32_t Walk(const std::shared_ptr<Node>& from, const Text& subKey, std::shared_ptr<Node>& out,
               bool openLink = false) const;
  // OpenKeyEx, or OpenLink when openLink.
  int32_t OpenAs(win::HKey parent, const Text& subKey, uint32_t access, bool openLink, win::HKey& out);
  // Takes a key out of its parent's children, gone for its open handles too.
  void Remove(const std::shared_ptr<Node>& node);
  // The key a link points at, or null (gone, or too many links on the way).
  Node* Follow(const Node& link, int& hops) const;
  int32_t WalkFrom(Node* parent, const Text& subKey, Node*& out, bool openLink, int& hops) const;
  std::shared_ptr<Node> Find(win::HKey root, const Text& subPath) const;
  std::shared_ptr<Node> Make(win::HKey root, const Text& subPath);
  win::HKey NewHandle(const std::shared_ptr<Node>& node, uint32_t access);

  bool Mutate(const char* operation) { return !faults_ || faults_->Mutate(operation); }
  bool Read(const char* operation) { return !faults_ || faults_->Read(operation); }
  bool Alive() const { return !faults_ || !faults_->PowerOff(); }
  SimFaults* faults_ = nullptr;
  std::shared_ptr<Node> roots_[7];
  std::map<win::HKey, Open> handles_;
  struct LinkTo {
    win::HKey root;
    Text path;
  };
  std::map<const Node*, LinkTo> links_;
  // With flushes tracked: each root as last flushed, and its links.
  bool trackFlushes_ = false;
  std::shared_ptr<Node> flushed_[7];
  std::map<const Node*, LinkTo> flushedLinks_;
  using Links = std::map<const Node*, LinkTo>;
  // A copy of a key and all below it; the links among them are entered in toLinks.
  static std::shared_ptr<Node> CopyTree(const Node& from, Node* parent, const Links& fromLinks, Links& toLinks);
  static void DropLinks(const Node& tree, Links& links);
  win::HKey nextHandle_ = 0x1000;
};

}  // namespace morvane::sim
