#include "planted.h"

#include <stdlib.h>

#include <filesystem>

namespace morvane::offline_test {

namespace fs = std::filesystem;

const std::vector<std::string>& PlantedInstall::Folders() {
  static const std::vector<std::string> folders{
      "WINDOWS/system32/config", "WINDOWS/Temp", "Program Files", "Documents and Settings/Alice/Application Data",
      "Documents and Settings/Alice/Desktop", "Documents and Settings/Alice/Start Menu/Programs",
      "Documents and Settings/Alice/Cookies", "Documents and Settings/All Users"};
  return folders;
}

void PlantedInstall::AddBaseline(HiveContent& sw, HiveContent& sys, HiveContent& nu) {
  const std::string nt = "Microsoft\\Windows NT\\CurrentVersion";
  sw.String(nt, "CurrentVersion", "5.1").String(nt, "SystemRoot", "C:\\WINDOWS");
  sw.String(nt + "\\ProfileList", "ProfilesDirectory", "%SystemDrive%\\Documents and Settings", 2)
      .String(nt + "\\ProfileList", "AllUsersProfile", "All Users")
      .String(nt + "\\ProfileList\\S-1-5-18", "ProfileImagePath", "%SystemRoot%\\system32\\config\\systemprofile", 2)
      .String(nt + "\\ProfileList\\S-1-5-21-1-2-3-1003", "ProfileImagePath",
              "%SystemDrive%\\Documents and Settings\\Alice", 2);
  sw.String("Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", "C:\\Program Files").Key("Classes");

  sys.Dword("Select", "Current", 1)
      .String("ControlSet001\\Control\\Session Manager\\Environment", "TEMP", "%SystemRoot%\\TEMP", 2)
      .String("ControlSet001\\Control\\Session Manager\\Environment", "ComSpec", "%SystemRoot%\\system32\\cmd.exe", 2);

  const std::string shell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
  nu.String(shell + "Shell Folders", "Desktop", std::string(kProfile) + "\\Desktop")
      .String(shell + "Shell Folders", "Cookies", std::string(kProfile) + "\\Cookies")
      .String(shell + "User Shell Folders", "AppData", "%USERPROFILE%\\Application Data", 2)
      .String(shell + "User Shell Folders", "Start Menu", "%USERPROFILE%\\Start Menu", 2)
      .String(shell + "User Shell Folders", "Programs", "%USERPROFILE%\\Start Menu\\Programs", 2)
      .Key("Software\\Classes");
}

PlantedInstall::PlantedInstall(const HiveContent& software, const HiveContent& system, const HiveContent& user) {
  std::string dir = (fs::temp_directory_path() / "morvane-offline-XXXXXX").string();
  if (!mkdtemp(dir.data())) return;
  root_ = dir;
  for (const std::string& folder : Folders()) fs::create_directories(Host(folder));
  HiveContent sw = software, sys = system, nu = user;
  AddBaseline(sw, sys, nu);
  ok_ = MakeHive(Host("WINDOWS/system32/config/SOFTWARE"), sw) && MakeHive(Host("WINDOWS/system32/config/SYSTEM"), sys) &&
        MakeHive(Host("Documents and Settings/Alice/NTUSER.DAT"), nu);
}

PlantedInstall::~PlantedInstall() {
  std::error_code ec;
  if (!root_.empty()) fs::remove_all(root_, ec);
}

}  // namespace morvane::offline_test
