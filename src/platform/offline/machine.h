// A Windows installation mounted at a folder, as a machine: its files, its
// registry from its hives, one of its user profiles as the current user.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/offline/offline_basics.h"
#include "platform/offline/offline_files.h"
#include "platform/offline/offline_registry.h"

namespace morvane::offline {

struct Profile {
  Text name;         // the profile folder's name
  Text folder;       // "C:\Documents and Settings\Alice"
  std::string hive;  // host path of its NTUSER.DAT
  std::string classesHive;  // host path of its UsrClass.dat; empty when it has none
};

// The user profiles of the installation mounted at mountRoot: those the
// SOFTWARE hive's ProfileList names, then other folders below "Users" and
// "Documents and Settings" holding an NTUSER.DAT; templates, the shared
// profile and service profiles are left out.
std::vector<Profile> ListProfiles(const std::string& mountRoot, char drive = 'C');

class OfflineMachine {
 public:
  // userName names the profile whose NTUSER.DAT is HKEY_CURRENT_USER (the
  // first of ListProfiles by that name); with none (or one not found: see
  // UserProfile()) that root is empty.
  explicit OfflineMachine(const std::string& mountRoot, const Text& userName = {}, char drive = 'C');
  // The profile given, one of ListProfiles.
  OfflineMachine(const std::string& mountRoot, const Profile& profile, char drive = 'C');
  OfflineMachine(const OfflineMachine&) = delete;
  OfflineMachine& operator=(const OfflineMachine&) = delete;

  Platform& os() { return platform_; }
  const std::optional<Profile>& UserProfile() const { return profile_; }
  // The environment the installation gives its user (SystemRoot, windir,
  // USERPROFILE, ProgramFiles, APPDATA, ... and the hives' Environment keys).
  const std::map<Text, Text>& Environment() const { return environment_; }
  // Replaces each "%name%" of the environment, names without regard to case.
  Text Expand(const Text& text) const;

 private:
  struct Chosen {};
  OfflineMachine(const std::string& mountRoot, std::optional<Profile> profile, char drive, Chosen);

  Text windowsDir_;
  std::optional<Profile> profile_;

 public:
  OfflineFileSystem files;
  OfflineClock clock;
  OfflineRegistry registry;
  OfflineProcesses processes;
  OfflineShell shell;
  OfflineSystemInfo system;
  OfflineMessages messages;
  OfflineSockets sockets;
  HostSignatures signatures;

 private:
  void ReadEnvironment();
  std::map<Text, Text> environment_;  // keys upper-cased
  Platform platform_;
};

}  // namespace morvane::offline
