// morvane-scan over a planted installation with Morvane on it: --remove, then
// each object read back gone from the disk and the hives, and quarantined.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "database/crypt.h"
#include "offline/planted.h"
#include "platform/offline/machine.h"

namespace morvane::offline_test {
namespace {

namespace fs = std::filesystem;

void Put(const std::string& path, const std::string& content) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

// Runs morvane-scan over the disk with these options (its output dropped) and
// a report beside the disk, over an earlier run's; the exit status (-1 when it
// did not exit) and the report, which is removed.
std::pair<int, std::string> RunScan(const PlantedInstall& disk, const std::string& options) {
  const std::string report = disk.Root() + "-report.json";
  Put(report, "an earlier run's report");
  const std::string command = std::string(MORVANE_SCAN) + " --offline '" + disk.Root() + "' " + options +
                              " --quiet --report '" + report + "' > /dev/null 2>&1";
  const int rc = std::system(command.c_str());
  std::stringstream json;
  json << std::ifstream(report).rdbuf();
  fs::remove(report);
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, json.str()};
}

TEST(OfflineScan, RemoveQuarantinesIntoMorvanesFolderAndChangesTheHives) {
  HiveContent software, system, user;
  software.String("Microsoft\\Windows\\CurrentVersion\\Run", "Morvane", "\"C:\\Program Files\\Morvane\\Morvane.exe\"")
      .String("SpyCo\\Settings", "id", "7");
  user.String("Software\\SpyCo", "id", "1").Dword("Software\\SpyCo\\Sub", "n", 2);
  PlantedInstall disk(software, system, user);
  ASSERT_TRUE(disk.ok());
  Put(disk.Host("Program Files/Morvane/Morvane.exe"), "MZ");
  std::string db = modCrypt::EncryptString("Version 9", kDatabaseKey);
  for (const char* r : {"path|C:\\Program Files\\SpyBar\\bar.dll|Spy Bar|", "folder|C:\\Program Files\\SpyBar\\Data|Spy Data|",
                        "regkey|HKEY_CURRENT_USER\\Software\\SpyCo|Spy Key|",
                        "regkey|HKEY_LOCAL_MACHINE\\SOFTWARE\\SpyCo|Spy Machine Key|"})
    db += "\r\n" + modCrypt::EncryptString(r, kDatabaseKey);
  Put(disk.Host("Program Files/Morvane/DataBase.ref"), db);
  Put(disk.Host("Program Files/SpyBar/bar.dll"), "bar");
  Put(disk.Host("Program Files/SpyBar/Data/log.txt"), "log");

  const auto [status, report] = RunScan(disk, "--remove");
  EXPECT_EQ(status, 1);
  size_t quarantined = 0;
  for (size_t at = 0; (at = report.find("\"outcome\": \"quarantined\"", at)) != std::string::npos; ++at)
    ++quarantined;
  EXPECT_EQ(quarantined, 4u) << report;
  EXPECT_NE(report.find("\"user\": \"Alice\""), std::string::npos);

  // Gone from the disk and the hives.
  EXPECT_FALSE(fs::exists(disk.Host("Program Files/SpyBar/bar.dll")));
  EXPECT_FALSE(fs::exists(disk.Host("Program Files/SpyBar/Data")));
  {
    offline::OfflineMachine m(disk.Root(), "Alice");
    win::HKey k = 0;
    EXPECT_NE(m.registry.OpenKey(win::kCurrentUser, "Software\\SpyCo", k), 0);
    EXPECT_NE(m.registry.OpenKey(win::kLocalMachine, "SOFTWARE\\SpyCo", k), 0);
    EXPECT_EQ(m.registry.OpenKey(win::kLocalMachine, "SOFTWARE\\Microsoft", k), 0);
    m.registry.CloseKey(k);
  }
  // Quarantined in Morvane's own folder: four items, the key exports among them; hives backed up first.
  size_t items = 0, exports = 0;
  for (const auto& e : fs::recursive_directory_iterator(disk.Host("Program Files/Morvane/Quarantine"))) {
    if (e.path().extension() == ".qnf") ++items;
    std::string head;
    if (e.path().extension() == ".qit" && std::getline(std::ifstream(e.path()), head) &&
        head.find("W\0i\0n\0d\0o\0w\0s", 0, 13) != std::string::npos)
      ++exports;
  }
  EXPECT_EQ(items, 4u);
  EXPECT_EQ(exports, 2u);
  size_t backups = 0;
  for (const auto& e : fs::directory_iterator(disk.Host("Documents and Settings/Alice")))
    backups += e.path().filename().string().rfind("NTUSER.DAT", 0) == 0 && e.path().filename() != "NTUSER.DAT";
  EXPECT_EQ(backups, 1u);
}

// Two profile folders of one name are two profiles, each scanned with its own hive.
TEST(OfflineScan, ProfilesOfOneNameAreEachScanned) {
  PlantedInstall disk;
  ASSERT_TRUE(disk.ok());
  Put(disk.Host("Program Files/Morvane/Morvane.exe"), "MZ");
  Put(disk.Host("Program Files/Morvane/DataBase.ref"),
      modCrypt::EncryptString("Version 9", kDatabaseKey) + "\r\n" +
          modCrypt::EncryptString("regkey|HKEY_CURRENT_USER\\Software\\SpyCo|Spy Key|", kDatabaseKey));
  fs::create_directories(disk.Host("Users/Alice"));
  ASSERT_TRUE(MakeHive(disk.Host("Users/Alice/NTUSER.DAT"), HiveContent().String("Software\\SpyCo", "id", "1")));
  for (const char* user : {"", "--user alice"}) {
    SCOPED_TRACE(user);
    const auto [status, report] = RunScan(disk, user);
    EXPECT_EQ(status, 1);
    // Found once, in the report of the second folder.
    const size_t second = report.find("\"profile\": \"C:\\\\Users\\\\Alice\"");
    const size_t found = report.find("\"object\": \"HKEY_CURRENT_USER\\\\Software\\\\SpyCo\"");
    EXPECT_TRUE(second != std::string::npos && found != std::string::npos && found > second &&
                report.find("SpyCo", found + 50) == std::string::npos)
        << report;
  }
}

// A disk that cannot be scanned as asked ends with status 2, never a clean
// run; the report says why, after those of the profiles already scanned.
TEST(OfflineScan, AnUnreadableInstallationOrAQuarantineOffTheDiskIsAnError) {
  struct Case {
    const char* name;
    const char* garbage;     // a file below the mount made no hive ("" none)
    const char* gone;        // a file below the mount removed ("" none)
    const char* quarantine;  // appended to the mount's host path; "" Morvane installed
    int status;
    const char* reported;    // in the report
  };
  const Case cases[] = {
      {"installed", "", "", "", 0, "\"user\": \"Alice\""},
      {"no SOFTWARE hive", "", "WINDOWS/system32/config/SOFTWARE", "", 2, "\"error\": \"No Windows installation"},
      {"SOFTWARE no hive", "WINDOWS/system32/config/SOFTWARE", "", "", 2, "\"error\": \"No Windows installation"},
      {"NTUSER.DAT no hive", "Documents and Settings/Alice/NTUSER.DAT", "", "", 2, "\"error\": \"A hive cannot"},
      {"second profile no hive", "Documents and Settings/Bob/NTUSER.DAT", "", "", 2, "\"user\": \"Alice\""},
      {"quarantine below the mount", "", "", "/Morvane Q", 0, "\"status\": 0"},
      {"quarantine beside the mount", "", "", "-q", 2, "\"error\": \"The quarantine folder must be on"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PlantedInstall disk;
    ASSERT_TRUE(disk.ok());
    if (!*c.quarantine) Put(disk.Host("Program Files/Morvane/Morvane.exe"), "MZ");
    const std::string db = disk.Host(*c.quarantine ? "db.ref" : "Program Files/Morvane/DataBase.ref");
    Put(db, modCrypt::EncryptString("Version 9", kDatabaseKey) + "\r\n" +
                modCrypt::EncryptString("regkey|HKEY_CURRENT_USER\\Software\\SpyCo|Spy Key|", kDatabaseKey));
    if (*c.garbage) Put(disk.Host(c.garbage), std::string(8192, 'x'));
    if (*c.gone) fs::remove(disk.Host(c.gone));
    const auto [status, report] =
        RunScan(disk, *c.quarantine ? "--db '" + db + "' --quarantine '" + disk.Root() + c.quarantine + "'" : "");
    EXPECT_EQ(status, c.status);
    EXPECT_NE(report.find("\"status\": " + std::to_string(c.status)), std::string::npos) << report;
    EXPECT_NE(report.find(c.reported), std::string::npos) << report;
    // A sibling folder whose name starts with the mount's is not on the disk.
    EXPECT_FALSE(fs::exists(disk.Host("-q")));
  }
}

}  // namespace
}  // namespace morvane::offline_test
