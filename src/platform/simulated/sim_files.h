// Simulated file system. (Placeholder until the store lands.)
#pragma once
#include "platform/services.h"

namespace morvane::sim {

class SimFileSystem : public IFileSystem {
 public:
  FindHandle FindFirst(const Text&, FindData&) override { return kInvalidFind; }
  bool FindNext(FindHandle, FindData&) override { return false; }
  bool FindClose(FindHandle) override { return false; }
  uint32_t GetAttributes(const Text&) override { return win::kInvalidAttributes; }
  bool SetAttributes(const Text&, uint32_t) override { return false; }
  bool RemoveFile(const Text&) override { return false; }
  bool MakeFolder(const Text&) override { return false; }
  bool RemoveFolder(const Text&) override { return false; }
  bool CopyTo(const Text&, const Text&, bool) override { return false; }
  bool MoveReplace(const Text&, const Text&) override { return false; }
  bool ReadAll(const Text&, std::string&) override { return false; }
  bool WriteAll(const Text&, const std::string&) override { return false; }
  bool Append(const Text&, const std::string&) override { return false; }
};

}  // namespace morvane::sim
