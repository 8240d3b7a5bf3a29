// Simulated shell: file and folder copy and move as the Explorer shell does
// them (answering its questions with yes, unless told), and ShellExecute records.
#pragma once
#include <vector>

#include "platform/services.h"

namespace morvane::sim {

class SimFileSystem;
class SimProcesses;

class SimShell : public IShell {
 public:
  // Status for a source that does not exist.
  static constexpr int32_t kMissingSource = 2;
  static constexpr int32_t kFailed = 0x402;
  static constexpr int32_t kCancelled = 1223;
  // The user answers No when asked to replace a file: nothing is copied.
  bool declineReplace = false;

  SimShell(SimFileSystem& files, SimProcesses& processes) : files_(files), processes_(processes) {}
  int32_t FileOperation(uint32_t operation, const Text& from, const Text& to, uint16_t flags) override;
  intptr_t Execute(win::HWnd owner, const Text& verb, const Text& file, const Text& parameters,
                   const Text& directory, int show) override;

  struct Executed {
    Text verb, file, parameters, directory;
    int show;
  };
  std::vector<Executed> executed;
  std::vector<Text> operations;  // "copy FROM -> TO" and "move FROM -> TO"

 private:
  bool CopyTree(const Text& from, const Text& to);
  bool MakeFolders(const Text& path);
  SimFileSystem& files_;
  SimProcesses& processes_;
};

}  // namespace morvane::sim
