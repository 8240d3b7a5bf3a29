// Simulated file system: drives with folder trees in memory.
//  - Names compare case-insensitively and keep the case they were created with.
//  - A folder lists its entries sorted by upper-cased name, as NTFS does;
//    non-root folders also list "." and "..".
//  - Wildcards as FindFirstFileA: "*" any run, "?" one character, and a
//    pattern ending in ".*" also matches names without a dot ("*.*" = all).
//  - DOS attributes; DeleteFile refuses read-only files, RemoveDirectory
//    refuses folders that are not empty; locked files refuse deletion.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/simulated/sim_faults.h"

namespace morvane::sim {

class SimFileSystem : public IFileSystem {
 public:
  SimFileSystem();
  ~SimFileSystem() override;
  SimFileSystem(const SimFileSystem&) = delete;
  SimFileSystem& operator=(const SimFileSystem&) = delete;

  FindHandle FindFirst(const Text& pattern, FindData& data) override;
  bool FindNext(FindHandle h, FindData& data) override;
  bool FindClose(FindHandle h) override;
  uint32_t GetAttributes(const Text& path) override;
  bool SetAttributes(const Text& path, uint32_t attributes) override;
  bool RemoveFile(const Text& path) override;
  bool MakeFolder(const Text& path) override;
  bool RemoveFolder(const Text& path) override;
  bool CopyTo(const Text& source, const Text& destination, bool failIfExists) override;
  bool MoveReplace(const Text& source, const Text& destination) override;
  bool RemoveAtRestart(const Text& path) override;
  bool FinalPath(const Text& path, Text& out) override;
  bool ReadAll(const Text& path, std::string& data) override;
  bool ReadPieces(const Text& path, const PieceSink& take) override;
  bool WriteAll(const Text& path, const std::string& data) override;
  bool FlushFile(const Text& path) override;
  bool Append(const Text& path, const std::string& data) override;

  // Test setup; missing parent folders are made.
  void AddDrive(char letter);
  bool AddFolder(const Text& path, uint32_t attributes = win::kAttrDirectory);
  bool AddFile(const Text& path, const std::string& content = {}, uint32_t attributes = win::kAttrArchive);
  // A file of the given size whose bytes are not held (for large listings).
  bool AddSizedFile(const Text& path, uint64_t size, uint32_t attributes = win::kAttrArchive);
  // A folder that is a junction or symbolic link (reparse point) to target.
  bool AddJunction(const Text& path, const Text& target);
  bool SetLocked(const Text& path, bool locked);
  // The file was written by a program that leaves it to the cache: a
  // restart before FlushFile finds zeros in it.
  void MarkUnflushed(const Text& path);
  // Deletions waiting for the next start, in the order they were asked for.
  const std::vector<Text>& PendingRemovals() const { return pendingDeletes_; }
  // Faults: written bytes (WriteAll, Append, CopyTo) draw from a budget, -1
  // for none; deleting or replacing a file gives its bytes back, so the
  // budget is the disk's free space. A write that does not fit writes what
  // fits and fails (a full disk). With kill the writing process is gone
  // after it: every later change fails, as if it had been killed at that byte.
  void SetWriteBudget(int64_t bytes, bool kill = false) {
    writeBudget_ = bytes;
    kill_ = kill;
    dead_ = false;
  }
  bool Killed() const { return dead_; }
  int64_t FreeSpace() const { return writeBudget_; }
  // The disk fills during the write after the first n (WriteAll, Append,
  // CopyTo): it gets half its bytes; later writes get what deletions free.
  void FillDiskAfterWrites(uint64_t n) { fillAfter_ = int64_t(n); }
  uint64_t Writes() const { return writes_; }
  // The power and fault switches the machine shares among its services.
  void UseFaults(SimFaults& faults) { faults_ = &faults; }
  // Deleted when the machine starts again (MoveFileEx with a null target and
  // MOVEFILE_DELAY_UNTIL_REBOOT); files and empty folders.
  void DeleteAtRestart(const Text& path) { pendingDeletes_.push_back(path); }
  const std::vector<Text>& PendingDeletes() const { return pendingDeletes_; }
  // The machine starts again: search handles are gone, pending deletions are
  // carried out in order (a folder only when empty), locks are gone
  // with the programs that held them, a killed writer is forgotten; the disk keeps what it holds.
  void Restart();
  bool Exists(const Text& path) const;
  bool IsFolder(const Text& path) const;
  // Entries below a folder, full paths, depth first, sorted; "" for every drive.
  std::vector<Text> ListTree(const Text& folder) const;
  size_t OpenFindCount() const { return finds_.size(); }

  static bool WildcardMatch(const Text& pattern, const Text& name);
  static Text Upper(const Text& s);

 private:
  struct Node;
  Node* Resolve(const Text& path) const;
  // The parent folder of path and the last component; null when the parent is missing.
  Node* ResolveParent(const Text& path, Text& leaf) const;
  Node* MakeChain(const Text& path);
  void CollectTree(const Node& node, const Text& path, std::vector<Text>& out) const;

  // How much of size bytes may be written now; false when not all of it.
  bool Spend(uint64_t size, size_t& allowed);
  void AtRestart(Node& node);
  void Refund(uint64_t size) {
    if (writeBudget_ >= 0) writeBudget_ += int64_t(size);
  }
  bool Mutate(const char* operation) { return !dead_ && (!faults_ || faults_->Mutate(operation)); }
  bool Read(const char* operation) { return !faults_ || faults_->Read(operation); }
  // For calls counted where they change the machine: one count a call.
  bool Powered() const { return !faults_ || !faults_->PowerOff(); }
  SimFaults* faults_ = nullptr;
  std::vector<Text> pendingDeletes_;
  int64_t writeBudget_ = -1;
  int64_t fillAfter_ = -1;
  uint64_t writes_ = 0;
  bool kill_ = false;
  bool dead_ = false;

  std::map<char, std::unique_ptr<Node>> drives_;
  struct Search {
    std::vector<FindData> entries;
    size_t next = 0;
  };
  std::map<FindHandle, Search> finds_;
  FindHandle nextFind_ = 0x100;
};

}  // namespace morvane::sim
