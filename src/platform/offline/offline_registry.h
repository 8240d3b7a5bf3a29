// The registry of a Windows installation from its hive files, through
// libhivex. The machine hives show below HKEY_LOCAL_MACHINE under their
// names, a profile's NTUSER.DAT is HKEY_CURRENT_USER (its UsrClass.dat, when
// there is one, joins HKCU\Software\Classes, first), and HKEY_CLASSES_ROOT
// merges HKCU\Software\Classes over HKLM\SOFTWARE\Classes: reads take the
// user's key first, listings join both, writes go to the user's key when it
// has one, deletions remove the key from both.
//  - Status codes, access rights and name order as the simulated registry.
//  - HKLM\SYSTEM\CurrentControlSet is the control set Select\Current names.
//  - Every change is committed at once (written beside the hive, then put in
//    its place); before the first change to a hive it is copied beside
//    itself as "<name>.<yyyymmdd-hhmmss>.bak".
#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/services.h"

struct hive_h;

namespace morvane::offline {

class OfflineRegistry : public IRegistry {
 public:
  static constexpr int32_t kBadPathName = 161;
  struct HiveFile {
    Text name;         // "SOFTWARE", "SYSTEM"
    std::string path;  // host path of the hive file
  };
  // userHive empty: HKEY_CURRENT_USER is an empty root. readOnly: every change is refused.
  OfflineRegistry(std::vector<HiveFile> machineHives, std::string userHive, IClock& clock, bool readOnly = false,
                  std::string userClassesHive = {});
  ~OfflineRegistry() override;
  OfflineRegistry(const OfflineRegistry&) = delete;
  OfflineRegistry& operator=(const OfflineRegistry&) = delete;

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
  // Every change is on the disk once its hive is written: the deferred ones are written now.
  int32_t FlushKey(win::HKey key) override;

  // With deferral, changes wait in memory until Flush() or the end, as each
  // commit writes the whole hive; for long runs of changes.
  void DeferCommits(bool defer) { defer_ = defer; }
  // Writes every hive with changes not yet written; false when one fails.
  bool Flush();
  // Host paths of the copies made before the first change to each hive.
  const std::vector<std::string>& Backups() const { return backups_; }
  // Hive files that could not be opened, with the reason.
  const std::vector<std::string>& Problems() const { return problems_; }
  size_t OpenHandleCount() const { return handles_.size(); }
  // A string value read when the hive has none by that name (not listed).
  void AddFallback(win::HKey root, const Text& subPath, const Text& name, const Text& value);
  // A string value as the hive holds it; empty when there is none.
  Text ReadString(win::HKey root, const Text& subPath, const Text& name);

 private:
  struct Hive {
    Text name;
    std::string path;
    hive_h* h = nullptr;
    bool tried = false, writable = false, backedUp = false, dirty = false;
  };
  struct Part {
    size_t hive;
    size_t node;
    bool operator==(const Part& o) const { return hive == o.hive && node == o.node; }
  };
  // A key: parts in the hives (two for a merged class key), or a root without hive.
  struct Key {
    enum { kParts, kMachineRoot, kEmptyRoot } kind = kParts;
    std::vector<Part> parts;
    uint32_t depth = 0;  // levels below the predefined root
  };
  struct ValueRef {
    Text name;
    Part at;
    size_t value;
  };
  struct Listing {
    uint64_t version = ~uint64_t(0);
    std::vector<Text> keys;
    std::vector<ValueRef> values;
  };
  struct Open {
    Key key;
    uint32_t access = 0;
    bool deleted = false;
    Text where;  // upper-cased root tag and path, for fallback values
  };

  Hive* Loaded(size_t i);
  int32_t Resolve(win::HKey key, Open& out);
  int32_t Walk(const Key& from, const Text& subKey, Key& out);
  // A subkey that is the key's own: its cell names the key as its parent, so
  // that no key shows below two keys and a crafted list cannot loop.
  size_t Child(const Part& p, const Text& name);
  bool IsChild(const Part& p, size_t node);
  const Listing& ListingOf(win::HKey handle, const Key& key);
  const ValueRef* FindValue(const Key& key, const Text& name, std::vector<ValueRef>& scratch);
  std::string ValueBytes(const ValueRef& v, uint32_t& type);
  bool BeginChange(size_t hive);
  bool Commit(size_t hive);
  bool Write(Hive& hive);
  win::HKey NewHandle(Key key, uint32_t access, Text where);

  std::vector<Hive> hives_;
  size_t userHive_ = ~size_t(0), userClasses_ = ~size_t(0), userClassesNode_ = 0;
  bool IsMachineHive(size_t i) const { return i != userHive_ && i != userClasses_; }
  // The user's classes hive joins the key parts of HKCU\Software\Classes.
  void JoinUserClasses(Key& key);
  IClock& clock_;
  std::map<win::HKey, Open> handles_;
  std::map<win::HKey, Listing> listings_;
  win::HKey nextHandle_ = 0x1000;
  bool defer_ = false, readOnly_ = false;
  uint64_t version_ = 0;  // advances at every change; listings older are read again
  std::vector<std::string> backups_, problems_;
  std::map<Text, Text> fallbacks_;  // upper-cased where + "\\" + name -> value
};

}  // namespace morvane::offline
