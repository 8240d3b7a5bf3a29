#include "platform/offline/machine.h"

#include <algorithm>
#include <cstdlib>

#include "platform/offline/offline_text.h"

namespace morvane::offline {

namespace {

constexpr const char* kProfileList = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kUserShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

Text Drive(char drive) { return Text(1, drive) + ":"; }

// A path as the mount spells it, from the drive down; empty when it does not exist.
Text OnDisk(OfflineFileSystem& files, const Text& path) {
  std::string host;
  if (!files.HostPath(path, host)) return {};
  return path.substr(0, 2) + FromUtf8(host.substr(files.MountRoot().size()));
}

Text Slashes(Text p) {
  std::replace(p.begin(), p.end(), '/', '\\');
  return p;
}

Text WindowsFolder(OfflineFileSystem& files, char drive) {
  for (const char* name : {"\\Windows", "\\WINNT"})
    if (Text found = Slashes(OnDisk(files, Drive(drive) + name)); !found.empty()) return found;
  return Drive(drive) + "\\WINDOWS";
}

std::vector<OfflineRegistry::HiveFile> MachineHives(OfflineFileSystem& files, const Text& windowsDir) {
  std::vector<OfflineRegistry::HiveFile> hives;
  for (const char* name : {"SOFTWARE", "SYSTEM"}) {
    std::string host;
    if (files.HostPath(windowsDir + "\\System32\\config\\" + name, host) && files.Contained(host))
      hives.push_back({name, host});
  }
  return hives;
}

Text Leaf(const Text& path) { return path.substr(path.find_last_of('\\') + 1); }

bool IsTemplateOrShared(const Text& name) {
  for (const char* n : {"Default", "Default User", "All Users", "Public", "LocalService", "NetworkService"})
    if (EqualNoCase(name, n)) return true;
  return false;
}

Text ExpandWith(const std::map<Text, Text>& env, Text text) {
  for (int pass = 0; pass < 4 && text.find('%') != Text::npos; ++pass) {
    Text out;
    size_t i = 0;
    bool changed = false;
    while (i < text.size()) {
      size_t a = text.find('%', i), b = a == Text::npos ? a : text.find('%', a + 1);
      if (b == Text::npos) break;
      auto it = env.find(UpperName(text.substr(a + 1, b - a - 1)));
      if (it == env.end()) {
        out += text.substr(i, b - i);
        i = b;
        continue;
      }
      out += text.substr(i, a - i) + it->second;
      i = b + 1;
      changed = true;
    }
    out += text.substr(std::min(i, text.size()));
    text = std::move(out);
    if (!changed) break;
  }
  return text;
}

std::vector<Text> SubKeys(IRegistry& reg, win::HKey root, const Text& path) {
  std::vector<Text> out;
  win::HKey k = 0;
  if (reg.OpenKeyEx(root, path, win::kKeyRead, k) != win::kSuccess) return out;
  char name[256];
  for (uint32_t i = 0;; ++i) {
    uint32_t size = sizeof name;
    if (reg.EnumKey(k, i, name, size, nullptr, nullptr) != win::kSuccess) break;
    out.emplace_back(name, size);
  }
  reg.CloseKey(k);
  return out;
}

std::vector<std::pair<Text, Text>> StringValues(OfflineRegistry& reg, win::HKey root, const Text& path) {
  std::vector<std::pair<Text, Text>> out;
  win::HKey k = 0;
  if (reg.OpenKeyEx(root, path, win::kKeyRead, k) != win::kSuccess) return out;
  char name[16384];
  for (uint32_t i = 0;; ++i) {
    uint32_t size = sizeof name, type = 0;
    if (reg.EnumValue(k, i, name, size, &type, nullptr, nullptr) != win::kSuccess) break;
    if (type == win::kRegSz || type == win::kRegExpandSz) out.emplace_back(Text(name, size), Text());
  }
  reg.CloseKey(k);
  for (auto& [n, v] : out) v = reg.ReadString(root, path, n);
  return out;
}

}  // namespace

std::vector<Profile> ListProfiles(const std::string& mountRoot, char drive) {
  OfflineFileSystem files(mountRoot, drive);
  const Text windowsDir = WindowsFolder(files, drive);
  OfflineClock clock;
  OfflineRegistry reg(MachineHives(files, windowsDir), {}, clock, true);
  const std::map<Text, Text> env{{"SYSTEMDRIVE", Drive(drive)}, {"SYSTEMROOT", windowsDir}, {"WINDIR", windowsDir}};
  std::vector<Profile> out;
  std::vector<std::string> seen;  // the folders' real paths: one reached through a link is the same profile
  auto add = [&](const Text& folder) {
    Text name = Leaf(folder);
    std::string host, real, hive;
    if (name.empty() || IsTemplateOrShared(name) || !files.HostPath(folder, host) || !files.RealPath(host, real) ||
        !files.HostPath(folder + "\\NTUSER.DAT", hive) || !files.Contained(hive) ||
        std::find(seen.begin(), seen.end(), real) != seen.end())
      return;
    seen.push_back(real);
    std::string classes;
    for (const char* at : {"\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat",
                           "\\Local Settings\\Application Data\\Microsoft\\Windows\\UsrClass.dat"})
      if (classes.empty() && !(files.HostPath(folder + at, classes) && files.Contained(classes))) classes.clear();
    out.push_back(Profile{name, folder, hive, classes});
  };
  for (const Text& sid : SubKeys(reg, win::kLocalMachine, kProfileList))
    if (sid.rfind("S-1-5-21-", 0) == 0)
      if (Text path = ExpandWith(env, reg.ReadString(win::kLocalMachine, Text(kProfileList) + "\\" + sid,
                                                     "ProfileImagePath"));
          path.size() > 3) {
        Text spelled = Slashes(OnDisk(files, path));
        add(spelled.empty() ? path : spelled);
      }
  for (const char* base : {"\\Documents and Settings", "\\Users"}) {
    Text folder = Slashes(OnDisk(files, Drive(drive) + base));
    FindData fd;
    auto h = folder.empty() ? IFileSystem::kInvalidFind : files.FindFirst(folder + "\\*", fd);
    if (h == IFileSystem::kInvalidFind) continue;
    do
      if ((fd.attributes & win::kAttrDirectory) && !(fd.attributes & win::kAttrReparsePoint) && fd.name != "." &&
          fd.name != "..")
        add(folder + "\\" + fd.name);
    while (files.FindNext(h, fd));
    files.FindClose(h);
  }
  return out;
}

namespace {
std::optional<Profile> ProfileNamed(const std::string& mountRoot, char drive, const Text& name) {
  if (name.empty()) return std::nullopt;
  for (Profile& p : ListProfiles(mountRoot, drive))
    if (EqualNoCase(p.name, name)) return std::move(p);
  return std::nullopt;
}
}  // namespace

OfflineMachine::OfflineMachine(const std::string& mountRoot, const Text& userName, char drive)
    : OfflineMachine(mountRoot, ProfileNamed(mountRoot, drive, userName), drive, Chosen{}) {}

OfflineMachine::OfflineMachine(const std::string& mountRoot, const Profile& profile, char drive)
    : OfflineMachine(mountRoot, std::optional<Profile>(profile), drive, Chosen{}) {}

OfflineMachine::OfflineMachine(const std::string& mountRoot, std::optional<Profile> profile, char drive, Chosen)
    : windowsDir_([&] {
        OfflineFileSystem f(mountRoot, drive);
        return WindowsFolder(f, drive);
      }()),
      profile_(std::move(profile)),
      files(mountRoot, drive),
      registry(MachineHives(files, windowsDir_), profile_ ? profile_->hive : std::string(), clock, false,
               profile_ ? profile_->classesHive : std::string()),
      shell(files),
      platform_{registry, files, processes, shell, system, clock, messages, sockets, signatures} {
  system.windowsDir = windowsDir_;
  Text sys = Slashes(OnDisk(files, windowsDir_ + "\\System32"));
  system.systemDir = sys.empty() ? windowsDir_ + "\\system32" : sys;
  Text temp = Slashes(OnDisk(files, windowsDir_ + "\\Temp"));
  system.tempPath = (temp.empty() ? windowsDir_ + "\\TEMP" : temp) + "\\";
  system.programFolder = Drive(drive) + "\\Program Files\\Morvane";
  Text version = registry.ReadString(win::kLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                                     "CurrentVersion");
  if (size_t dot = version.find('.'); dot != Text::npos) {
    processes.version.major = uint32_t(std::atoi(version.c_str()));
    processes.version.minor = uint32_t(std::atoi(version.c_str() + dot + 1));
  }
  ReadEnvironment();
}

void OfflineMachine::ReadEnvironment() {
  auto& env = environment_;
  const Text drive = windowsDir_.substr(0, 2);
  env["SYSTEMDRIVE"] = drive;
  env["SYSTEMROOT"] = env["WINDIR"] = windowsDir_;
  auto fromKey = [&](win::HKey root, const Text& path) {
    for (auto& [name, value] : StringValues(registry, root, path)) env[UpperName(name)] = Expand(value);
  };
  fromKey(win::kLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment");
  auto machineValue = [&](const Text& path, const Text& name) {
    return Expand(registry.ReadString(win::kLocalMachine, path, name));
  };
  const Text cv = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  if (Text v = machineValue(cv, "ProgramFilesDir"); !v.empty()) env["PROGRAMFILES"] = v;
  if (Text v = machineValue(cv, "CommonFilesDir"); !v.empty()) env["COMMONPROGRAMFILES"] = v;
  Text all = machineValue(kProfileList, "ProgramData");
  if (all.empty())
    if (Text dir = machineValue(kProfileList, "ProfilesDirectory"), name = machineValue(kProfileList, "AllUsersProfile");
        !dir.empty() && !name.empty())
      all = dir + "\\" + name;
  if (!all.empty()) env["ALLUSERSPROFILE"] = all;
  if (!profile_) return;
  env["USERPROFILE"] = profile_->folder;
  env["USERNAME"] = profile_->name;
  env["HOMEDRIVE"] = drive;
  env["HOMEPATH"] = profile_->folder.substr(2);
  fromKey(win::kCurrentUser, "Environment");
  // The shell folders: where the hive has no absolute value, the expanded one
  // of "User Shell Folders" is read in its place.
  for (auto& [name, value] : StringValues(registry, win::kCurrentUser, kUserShellFolders)) {
    Text path = Expand(value);
    if (registry.ReadString(win::kCurrentUser, kShellFolders, name).empty())
      registry.AddFallback(win::kCurrentUser, kShellFolders, name, path);
    if (EqualNoCase(name, "AppData")) env["APPDATA"] = path;
  }
  if (Text app = registry.ReadString(win::kCurrentUser, kShellFolders, "AppData"); !app.empty()) env["APPDATA"] = app;
}

Text OfflineMachine::Expand(const Text& text) const { return ExpandWith(environment_, text); }

}  // namespace morvane::offline
