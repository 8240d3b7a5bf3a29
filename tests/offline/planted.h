// A Windows installation planted in a fresh temporary folder, as a mounted
// disk shows one: system folders, SOFTWARE and SYSTEM hives and one user
// profile with its NTUSER.DAT. Removed with everything in it at the end.
#pragma once
#include <string>
#include <vector>

#include "hive_maker.h"

namespace morvane::offline_test {

class PlantedInstall {
 public:
  // The hives hold what a system needs to be read (versions, profile list,
  // control set, shell folders), then the extra content given.
  explicit PlantedInstall(const HiveContent& software = {}, const HiveContent& system = {},
                          const HiveContent& user = {});
  ~PlantedInstall();
  PlantedInstall(const PlantedInstall&) = delete;
  PlantedInstall& operator=(const PlantedInstall&) = delete;

  static constexpr const char* kUser = "Alice";
  // The folders planted (below the mount root) and the hives' own content.
  static const std::vector<std::string>& Folders();
  static void AddBaseline(HiveContent& software, HiveContent& system, HiveContent& user);
  static constexpr const char* kProfile = "C:\\Documents and Settings\\Alice";
  const std::string& Root() const { return root_; }
  // Host path of a path below the mount root ("/"-separated).
  std::string Host(const std::string& rel) const { return root_ + "/" + rel; }
  bool ok() const { return ok_; }

 private:
  std::string root_;
  bool ok_ = false;
};

}  // namespace morvane::offline_test
