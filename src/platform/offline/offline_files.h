// Files of a Windows installation mounted at a folder. "C:\" (the system
// drive) is the mount root; each path component is found without regard to
// case, as Windows finds it. DOS attributes come from the ntfs-3g attribute
// ("system.ntfs_attrib_be") or a "user.DOSATTRIB" text ("0x22"), else from
// the file type and its write permission. Links show as reparse points.
// The tree is untrusted: a link is followed only to a place inside the
// mount, and only regular files are read (never a device or a pipe).
#pragma once
#include <sys/stat.h>

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/services.h"

namespace morvane::offline {

class OfflineFileSystem : public IFileSystem {
 public:
  explicit OfflineFileSystem(std::string mountRoot, char drive = 'C');

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
  bool ReadAll(const Text& path, std::string& data) override;
  bool ReadPieces(const Text& path, const PieceSink& take) override;
  bool WriteAll(const Text& path, const std::string& data) override;
  bool FlushFile(const Text& path) override;
  bool Append(const Text& path, const std::string& data) override;
  // Nothing on an installation at rest is in use, so nothing waits for its start.
  bool RemoveAtRestart(const Text&) override { return false; }
  bool FinalPath(const Text& path, Text& out) override;

  // The host path of an existing Windows path; false when it does not exist.
  bool HostPath(const Text& path, std::string& host);
  // The host path a Windows path has or would have (its parent must exist).
  bool HostTarget(const Text& path, std::string& host);
  const std::string& MountRoot() const { return root_; }
  // False when host is a link leading out of the mount (or nowhere).
  bool Contained(const std::string& host);
  // host's path once every link is followed; false when that is not on the disk.
  bool RealPath(const std::string& host, std::string& real);

 private:
  // Resolves the components of a Windows path; the last one may be missing
  // when allowMissingLeaf (its given name is used then).
  bool Resolve(const Text& path, bool allowMissingLeaf, std::string& host, bool& exists);
  // The name in dir matching name without regard to case; empty when none.
  std::string FindEntry(const std::string& dir, const Text& name);
  void Forget(const std::string& host);
  uint32_t AttributesOf(const std::string& host);
  // The same from the entry's lstat.
  uint32_t AttributesOf(const std::string& host, const struct stat& st);
  bool Writable(const std::string& host);
  int OpenForReading(const std::string& host);

  std::string root_, realRoot_;
  char drive_;
  // Whether the mount's file system knows each attribute's extended attribute
  // (one that does not is not asked again for every file).
  bool ntfsAttrib_ = true, dosAttrib_ = true;
  // Upper-cased 1252 name -> name on the mount, per folder read.
  std::unordered_map<std::string, std::unordered_map<std::string, std::string>> listings_;
  struct Search {
    std::vector<FindData> entries;
    size_t next = 0;
  };
  std::map<FindHandle, Search> finds_;
  FindHandle nextFind_ = 0x100;
};

}  // namespace morvane::offline
