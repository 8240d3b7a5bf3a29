// Files through kernel32, ANSI forms.
#pragma once
#include "platform/services.h"

namespace morvane::w32 {

class Win32FileSystem : public IFileSystem {
 public:
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
};

// The plainest recursive FindFirstFileA/FindNextFileA walk of a folder
// (links not followed), for timing the listing against: the entries seen,
// "." and ".." left out.
size_t BareWalk(const Text& folder);

}  // namespace morvane::w32
