#include "platform/simulated/default_layout.h"

#include "platform/simulated/machine.h"

namespace morvane::sim {

void InstallDefaultWindowsLayout(SimulatedMachine& m) {
  const Text profile = kDefaultProfile;
  m.system.systemDir = "C:\\WINDOWS\\SYSTEM32";
  m.system.windowsDir = "C:\\WINDOWS";
  m.system.tempPath = "C:\\WINDOWS\\TEMP\\";
  for (const Text& folder : {Text("C:\\WINDOWS"), Text("C:\\WINDOWS\\SYSTEM32"), Text("C:\\WINDOWS\\TEMP"),
                             Text("C:\\Program Files"), profile + "\\Application Data", profile + "\\Start Menu",
                             profile + "\\Start Menu\\Programs", profile + "\\Desktop", profile + "\\Cookies"})
    m.files.AddFolder(folder);
  if (!m.system.programFolder.empty()) m.files.AddFolder(m.system.programFolder);

  const Text shellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  m.registry.SetStringValue(win::kCurrentUser, shellFolders, "AppData", profile + "\\Application Data");
  m.registry.SetStringValue(win::kCurrentUser, shellFolders, "Start Menu", profile + "\\Start Menu");
  m.registry.SetStringValue(win::kCurrentUser, shellFolders, "Programs", profile + "\\Start Menu\\Programs");
  m.registry.SetStringValue(win::kCurrentUser, shellFolders, "Desktop", profile + "\\Desktop");
  m.registry.SetStringValue(win::kCurrentUser, shellFolders, "Cookies", profile + "\\Cookies");
  m.registry.SetStringValue(win::kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                            "C:\\Program Files");
  m.registry.SetStringValue(win::kCurrentUser, "Software\\Microsoft\\Internet Explorer\\Main", "Start Page",
                            "http://home.example.net/");
  m.registry.SetStringValue(win::kCurrentUser, "Software\\Microsoft\\Internet Explorer\\Main", "Window Title",
                            "Microsoft Internet Explorer");
}

}  // namespace morvane::sim
