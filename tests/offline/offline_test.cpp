// What the offline backend adds over the contract suites: a mounted tree's
// names and attributes, the hives' roots and merges, backups and lasting
// changes, the profiles and environment, and the services it has not.
#include <gtest/gtest.h>
#include <hivex.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <filesystem>
#include <fstream>

#include "offline/planted.h"
#include "platform/handles.h"
#include "platform/modules.h"
#include "platform/offline/machine.h"
#include "platform/offline/offline_text.h"
#include "platform/path_table.h"

namespace morvane::offline_test {
namespace {

namespace fs = std::filesystem;
using offline::OfflineMachine;

void Plant(const PlantedInstall& p, const std::string& rel, const std::string& content = "x") {
  fs::create_directories(fs::path(p.Host(rel)).parent_path());
  std::ofstream(p.Host(rel), std::ios::binary) << content;
}

Text Read(OfflineMachine& m, const Text& path) {
  Context ctx(m.os());
  modRegistry reg(ctx);
  return reg.GetRegistryString(path.substr(0, path.rfind('|')), path.substr(path.rfind('|') + 1)).value_or("Error");
}

Text Read(OfflineMachine&& m, const Text& path) { return Read(m, path); }

TEST(OfflineFiles, NamesCaseAndAttributesAsWindowsShowsThem) {
  PlantedInstall p;
  ASSERT_TRUE(p.ok());
  Plant(p, "WINDOWS/system32/Drivers/Spy.SYS", "12345");
  Plant(p, "Program Files/caf\xC3\xA9/a.txt");  // UTF-8 on the mount
  Plant(p, "hidden.dat");
  Plant(p, "marked.dat");
  const char hidden[] = "0x22";
  ASSERT_EQ(setxattr(p.Host("hidden.dat").c_str(), "user.DOSATTRIB", hidden, sizeof hidden, 0), 0)
      << "the test folder's file system keeps no user attributes";
  OfflineMachine m(p.Root(), "alice");
  IFileSystem& f = m.files;
  struct Case {
    const char* path;
    uint32_t attributes;
  } cases[] = {
      {"C:\\windows\\SYSTEM32\\drivers\\spy.sys", win::kAttrArchive},
      {"c:\\WINDOWS", win::kAttrDirectory},
      {"C:/Windows/System32/../System32/Drivers/SPY.sys", win::kAttrArchive},
      {"C:\\PROGRAM FILES\\CAF\xC9\\A.TXT", win::kAttrArchive},
      {"C:\\hidden.dat", win::kAttrHidden | win::kAttrArchive},
      {"C:\\windows\\missing\\spy.sys", win::kInvalidAttributes},
      {"D:\\WINDOWS", win::kInvalidAttributes},
  };
  for (const Case& c : cases) EXPECT_EQ(f.GetAttributes(c.path), c.attributes) << c.path;

  FindData fd;
  auto h = f.FindFirst("C:\\program files\\*.*", fd);
  ASSERT_NE(h, IFileSystem::kInvalidFind);
  Text names;
  do names += fd.name + "|";
  while (f.FindNext(h, fd));
  f.FindClose(h);
  EXPECT_EQ(names, ".|..|caf\xE9|");
  h = f.FindFirst("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\spy.*", fd);
  ASSERT_NE(h, IFileSystem::kInvalidFind);
  EXPECT_EQ(fd.name, "Spy.SYS");
  EXPECT_EQ(fd.Size(), 5u);
  f.FindClose(h);

  // Changes keep the case a file has, and new names are written in UTF-8.
  EXPECT_TRUE(f.WriteAll("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\SPY.SYS", "new"));
  EXPECT_TRUE(f.WriteAll("C:\\Program Files\\\xE9t\xE9.txt", "e"));
  EXPECT_TRUE(fs::exists(p.Host("Program Files/\xC3\xA9t\xC3\xA9.txt")));
  EXPECT_TRUE(f.SetAttributes("C:\\MARKED.DAT", win::kAttrSystem | win::kAttrHidden));
  EXPECT_EQ(f.GetAttributes("C:\\marked.dat"), win::kAttrSystem | win::kAttrHidden);
  EXPECT_FALSE(f.RemoveFile("C:\\WINDOWS\\system32\\drivers"));
  EXPECT_TRUE(f.RemoveFile("C:\\WINDOWS\\system32\\drivers\\spy.sys"));
  EXPECT_FALSE(fs::exists(p.Host("WINDOWS/system32/Drivers/Spy.SYS")));
  EXPECT_FALSE(f.MakeFolder("C:\\Windows"));
}

TEST(OfflineFiles, LinksOutOfTheMountAndSpecialFilesAreNotFollowed) {
  PlantedInstall p, outside;
  ASSERT_TRUE(p.ok() && outside.ok());
  Plant(outside, "secret.txt", "keep");
  fs::create_directory_symlink(outside.Root(), p.Host("escape"));
  fs::create_symlink(outside.Host("secret.txt"), p.Host("outfile"));
  fs::create_symlink("WINDOWS", p.Host("inside"));
  ASSERT_EQ(mkfifo(p.Host("pipe").c_str(), 0600), 0);
  OfflineMachine m(p.Root());
  IFileSystem& f = m.files;
  std::string data;
  FindData fd;
  EXPECT_EQ(f.GetAttributes("C:\\escape\\secret.txt"), win::kInvalidAttributes);
  EXPECT_EQ(f.FindFirst("C:\\escape\\*", fd), IFileSystem::kInvalidFind);
  EXPECT_FALSE(f.ReadAll("C:\\outfile", data));
  EXPECT_FALSE(f.WriteAll("C:\\outfile", "lost"));
  EXPECT_FALSE(f.Append("C:\\outfile", "lost"));
  EXPECT_FALSE(f.WriteAll("C:\\escape\\new.txt", "lost"));
  EXPECT_FALSE(f.ReadAll("C:\\pipe", data));  // at once, not waiting for a writer
  EXPECT_NE(f.GetAttributes("C:\\inside\\system32"), win::kInvalidAttributes);
  // Removing the link removes the link alone.
  EXPECT_TRUE(f.RemoveFile("C:\\outfile"));
  std::ifstream in(outside.Host("secret.txt"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep");
  EXPECT_FALSE(fs::exists(outside.Host("new.txt")));
}

TEST(OfflineRegistry, RootsMergesAndLastingChangesWithOneBackup) {
  HiveContent software, system, user;
  software.String("Classes\\CLSID\\{11}", "", "machine object")
      .String("Classes\\.spy", "", "machine")
      .String("Classes\\.spy", "Content Type", "spy/machine")
      .String("Microsoft\\Windows\\CurrentVersion\\Run", "Caf\xE9", "C:\\spy\\\xE9t\xE9.exe");
  system.String("ControlSet001\\Services\\SpySvc", "ImagePath", "spy.sys");
  user.String("Software\\Classes\\.spy", "", "user").Key("Software\\Classes\\CLSID\\{22}");
  PlantedInstall p(software, system, user);
  ASSERT_TRUE(p.ok());
  // The user's own classes, in the hive of their own that later systems keep.
  const std::string classes = "Documents and Settings/Alice/Local Settings/Application Data/Microsoft/Windows";
  fs::create_directories(p.Host(classes));
  ASSERT_TRUE(MakeHive(p.Host(classes + "/UsrClass.dat"), HiveContent().String("CLSID\\{33}", "", "user object")));
  {
    OfflineMachine m(p.Root(), "Alice");
    struct Case {
      const char* at;
      const char* expected;
    } cases[] = {
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion|CurrentVersion", "5.1"},
        {"HKEY_LOCAL_MACHINE\\software\\microsoft\\windows\\currentversion\\run|caf\xC9", "C:\\spy\\\xE9t\xE9.exe"},
        {"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\SpySvc|ImagePath", "spy.sys"},
        {"HKEY_CLASSES_ROOT\\.spy|", "user"},
        {"HKEY_CLASSES_ROOT\\.spy|Content Type", "spy/machine"},
        {"HKEY_CLASSES_ROOT\\CLSID\\{11}|", "machine object"},
        {"HKEY_CLASSES_ROOT\\CLSID\\{33}|", "user object"},
        {"HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{33}|", "user object"},
        {"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders|AppData",
         "C:\\Documents and Settings\\Alice\\Application Data"},
    };
    for (const Case& c : cases) EXPECT_EQ(Read(m, c.at), c.expected) << c.at;
    Context ctx(m.os());
    modRegistry reg(ctx);
    EXPECT_EQ(reg.GetSubKeyNames("HKEY_CLASSES_ROOT\\CLSID"), (std::vector<Text>{"{11}", "{22}", "{33}", ""}));
    EXPECT_EQ(reg.GetSubKeyNames("HKEY_LOCAL_MACHINE"), (std::vector<Text>{"SOFTWARE", "SYSTEM", ""}));

    EXPECT_TRUE(m.registry.Backups().empty());
    reg.DeleteRegistryValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "Caf\xE9");
    reg.SetRegistryString("HKEY_CLASSES_ROOT\\.spy", "", "cleaned");
    EXPECT_TRUE(reg.DeleteRegistryKey("HKEY_CLASSES_ROOT\\CLSID\\{11}"));
    EXPECT_TRUE(reg.DeleteRegistryKey("HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{33}"));
    EXPECT_TRUE(reg.DeleteRegistryKey("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\SpySvc"));
    // One copy per changed hive, beside it, named by the date and time.
    ASSERT_EQ(m.registry.Backups().size(), 4u);
    for (const auto& b : m.registry.Backups()) {
      EXPECT_TRUE(fs::exists(b)) << b;
      EXPECT_NE(fs::path(b).filename().string().find(".20"), std::string::npos) << b;
    }
    EXPECT_TRUE(m.registry.Problems().empty());
  }
  // A new machine reads the changes back from the files.
  OfflineMachine again(p.Root(), "Alice");
  EXPECT_EQ(Read(again, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run|Caf\xE9"), "Error");
  EXPECT_EQ(Read(again, "HKEY_CLASSES_ROOT\\.spy|"), "cleaned");
  EXPECT_EQ(Read(again, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.spy|"), "machine");
  EXPECT_EQ(Read(again, "HKEY_CLASSES_ROOT\\CLSID\\{11}|"), "Error");
  EXPECT_EQ(Read(again, "HKEY_CLASSES_ROOT\\CLSID\\{33}|"), "Error");
  EXPECT_EQ(Read(again, "HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\SpySvc|ImagePath"), "Error");
  // The backup still holds what was there before.
  int backups = 0;
  for (const auto& entry : fs::directory_iterator(p.Host("WINDOWS/system32/config"))) {
    std::string name = entry.path().filename().string();
    if (name.rfind("SYSTEM.", 0) != 0) continue;
    ++backups;
    hive_h* h = hivex_open(entry.path().c_str(), 0);
    ASSERT_NE(h, nullptr);
    hive_node_h n = hivex_node_get_child(h, hivex_root(h), "ControlSet001");
    n = n ? hivex_node_get_child(h, n, "Services") : 0;
    EXPECT_NE(n ? hivex_node_get_child(h, n, "SpySvc") : 0, 0u) << name;
    hivex_close(h);
  }
  EXPECT_EQ(backups, 1);

  // Deferred, a change reaches the file at Flush only.
  again.registry.DeferCommits(true);
  Context ctx(again.os());
  modRegistry reg(ctx);
  reg.SetRegistryString("HKEY_CLASSES_ROOT\\.spy", "", "deferred");
  EXPECT_EQ(Read(OfflineMachine(p.Root(), "Alice"), "HKEY_CLASSES_ROOT\\.spy|"), "cleaned");
  EXPECT_TRUE(again.registry.Flush());
  EXPECT_EQ(Read(OfflineMachine(p.Root(), "Alice"), "HKEY_CLASSES_ROOT\\.spy|"), "deferred");
}

// The registry nests keys at most 512 levels deep: below that a hive's keys
// are not there, so that a walk ends however deep a crafted hive goes.
TEST(OfflineRegistry, KeysBelow512LevelsAreNotThere) {
  HiveContent user;
  std::string path = "Software";
  for (int level = 2; level <= 514; ++level) {
    path += "\\z";
    user.Dword(path, "level", uint32_t(level));
  }
  PlantedInstall p({}, {}, user);
  ASSERT_TRUE(p.ok());
  OfflineMachine m(p.Root(), "Alice");
  Context ctx(m.os());
  ctx.OperationInProgress = true;
  PathTable rows;
  modRegScan(ctx).EnumRegistryKeys(win::kCurrentUser, "Software", "HKEY_CURRENT_USER", rows);
  // The chain of "z" comes last in the walk, down to level 512.
  const Text deepest = "HKEY_CURRENT_USER\\" + path.substr(0, path.size() - 2 * 2);
  EXPECT_EQ(rows.RowText(rows.Count()), deepest);
  modRegistry reg(ctx);
  EXPECT_EQ(reg.GetRegistryDword(deepest, "level"), 512);
  EXPECT_EQ(reg.GetRegistryDword(deepest + "\\z", "level"), std::nullopt);
  RegKey made(m.registry);
  EXPECT_NE(made.Create(win::kCurrentUser, deepest.substr(18) + "\\new"), win::kSuccess);
  EXPECT_TRUE(m.registry.Backups().empty());
}

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Overwrites bytes of a value's vk record (at is from its "vk") in a hive file.
bool PatchValue(const std::string& path, const char* key, const char* name, size_t at, const std::string& bytes) {
  hive_h* h = hivex_open(path.c_str(), 0);
  if (!h) return false;
  hive_node_h n = hivex_node_get_child(h, hivex_root(h), "Software");
  n = n ? hivex_node_get_child(h, n, key) : 0;
  const hive_value_h v = n ? hivex_node_get_value(h, n, name) : 0;
  hivex_close(h);
  std::string file = Contents(path);
  if (!v || file.compare(v + 4, 2, "vk") != 0) return false;
  file.replace(v + 4 + at, bytes.size(), bytes);
  return bool(std::ofstream(path, std::ios::binary | std::ios::trunc) << file);
}

// A value that cannot be read exactly cannot be written back: deleting its
// sibling refuses and leaves the hive as it was.
TEST(OfflineRegistry, DeleteValueBesideAnUnreadableValueChangesNothing) {
  const struct {
    const char* sibling;
    size_t at;
    std::string bytes;
  } cases[] = {
      {"broken", 0x04, std::string("\x08\0\0\x80", 4)},  // inline data longer than the field holding it
      {"odd", 0x10, std::string("\0\0", 2)},              // an odd-length name flagged UTF-16
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sibling);
    PlantedInstall p({}, {}, HiveContent().String("Software\\Spy", "target", "x").Dword("Software\\Spy", c.sibling, 7));
    ASSERT_TRUE(p.ok());
    const std::string hive = p.Host("Documents and Settings/Alice/NTUSER.DAT");
    ASSERT_TRUE(PatchValue(hive, "Spy", c.sibling, c.at, c.bytes));
    const std::string before = Contents(hive);
    {
      OfflineMachine m(p.Root(), "Alice");
      RegKey k(m.registry);
      ASSERT_EQ(k.OpenEx(win::kCurrentUser, "Software\\Spy", win::kKeyAllAccess), win::kSuccess);
      EXPECT_NE(m.registry.DeleteValue(k.get(), "target"), win::kSuccess);
      EXPECT_EQ(Read(m, "HKEY_CURRENT_USER\\Software\\Spy|target"), "x");
      EXPECT_TRUE(m.registry.Backups().empty());
    }
    EXPECT_TRUE(Contents(hive) == before);
  }
}

TEST(OfflineMachine, ProfilesEnvironmentAndAbsentServices) {
  PlantedInstall p;
  ASSERT_TRUE(p.ok());
  // A profile the profile list does not name, and a template that is not a user.
  fs::create_directories(p.Host("Documents and Settings/Bob"));
  fs::create_directories(p.Host("Documents and Settings/Default User"));
  ASSERT_TRUE(WriteEmptyHive(p.Host("Documents and Settings/Bob/NTUSER.DAT")));
  ASSERT_TRUE(WriteEmptyHive(p.Host("Documents and Settings/Default User/NTUSER.DAT")));
  // The same folders again through a link: each profile once.
  fs::create_directory_symlink("Documents and Settings", p.Host("Users"));
  auto profiles = offline::ListProfiles(p.Root());
  ASSERT_EQ(profiles.size(), 2u);
  EXPECT_EQ(profiles[0].name, "Alice");
  EXPECT_EQ(profiles[0].folder, PlantedInstall::kProfile);
  EXPECT_EQ(profiles[1].folder, "C:\\Documents and Settings\\Bob");

  OfflineMachine m(p.Root(), "ALICE");
  ASSERT_TRUE(m.UserProfile());
  EXPECT_EQ(m.Expand("%SystemRoot%\\x;%userprofile%\\y;%TEMP%;%ComSpec%;%ProgramFiles%;%AllUsersProfile%;%nope%"),
            "C:\\WINDOWS\\x;C:\\Documents and Settings\\Alice\\y;C:\\WINDOWS\\TEMP;C:\\WINDOWS\\system32\\cmd.exe;"
            "C:\\Program Files;C:\\Documents and Settings\\All Users;%nope%");
  EXPECT_EQ(m.Environment().at("APPDATA"), "C:\\Documents and Settings\\Alice\\Application Data");
  char buffer[64];
  EXPECT_EQ(Text(buffer, m.system.SystemDirectory(buffer, 64)), "C:\\WINDOWS\\system32");
  OsVersion v;
  ASSERT_TRUE(m.processes.GetVersionInfo(v));
  EXPECT_EQ(v.major * 10 + v.minor, 51u);

  // Nothing runs on an installation at rest: no processes, no programs, no network.
  win::Handle snap = m.processes.CreateSnapshot(win::kTh32csSnapAll, 0);
  ProcessEntry e;
  EXPECT_FALSE(m.processes.FirstProcess(snap, e));
  EXPECT_TRUE(m.processes.CloseHandle(snap));
  EXPECT_EQ(m.processes.OpenProcess(win::kProcessTerminate, false, 4), 0u);
  EXPECT_FALSE(m.processes.TerminateProcess(0, 0));
  EXPECT_EQ(m.processes.Launch("C:\\WINDOWS\\system32\\cmd.exe", 0), 0u);
  EXPECT_LE(m.shell.Execute(0, "open", "C:\\WINDOWS\\system32\\cmd.exe", "", "", 1), 32);
  WsaData wsa;
  EXPECT_NE(m.sockets.Startup(0x0101, wsa), 0);

  // No user named: HKEY_CURRENT_USER is empty and takes no keys.
  OfflineMachine none(p.Root());
  RegKey k(none.registry);
  EXPECT_EQ(k.OpenEx(win::kCurrentUser, "Software", win::kKeyRead), win::kFileNotFound);
  EXPECT_EQ(k.Create(win::kCurrentUser, "Software\\Spy"), win::kAccessDenied);
}

}  // namespace
}  // namespace morvane::offline_test
