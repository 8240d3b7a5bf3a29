// Hive files of a mounted disk, as the offline machine reads them: the input
// is every hive of a planted installation (SOFTWARE, SYSTEM, the profile's
// NTUSER.DAT and UsrClass.dat). Opening the machine and walking its registry
// as a scan does (keys recursively, every value, fixed paths) ends without
// harm; every key a walk lists opens again by its path; deleting a value
// takes it away or leaves the hive as it was; no handle stays open.
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/context.h"
#include "platform/handles.h"
#include "platform/modules.h"
#include "platform/offline/machine.h"
#include "platform/path_table.h"

using namespace morvane;

namespace {

namespace fs = std::filesystem;

const char* const kHives[] = {"WINDOWS/system32/config/SOFTWARE", "WINDOWS/system32/config/SYSTEM",
                              "Documents and Settings/Alice/NTUSER.DAT",
                              "Documents and Settings/Alice/Local Settings/Application Data/Microsoft/Windows/UsrClass.dat"};

// One installation folder for the process, removed at its end.
struct Disk {
  std::string root;
  Disk() {
    std::string dir = (fs::temp_directory_path() / "morvane-fuzz-hive-XXXXXX").string();
    if (!mkdtemp(dir.data())) std::abort();
    root = dir;
    for (const char* hive : kHives) fs::create_directories(fs::path(root + "/" + hive).parent_path());
  }
  ~Disk() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  void Plant(const uint8_t* data, size_t size) {
    for (const char* hive : kHives) {
      const std::string path = root + "/" + hive;
      // Leftovers of an earlier run (backups, half-written copies) go first.
      for (const auto& e : fs::directory_iterator(fs::path(path).parent_path()))
        if (e.is_regular_file()) fs::remove(e.path());
      std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
  }
};

// Every value of the key: listed, then read by its name as the scan reads it.
void ReadValues(Context& ctx, modRegistry& reg, win::HKey root, const Text& rootName, const Text& path) {
  IRegistry& r = ctx.registry();
  RegKey key(r);
  if (key.OpenEx(root, path, win::kKeyRead) != win::kSuccess) return;
  std::vector<Text> names;
  for (uint32_t i = 0; i < 4096; ++i) {
    char name[16384];
    uint32_t nameSize = sizeof name, type = 0, dataSize = 0;
    int32_t e = r.EnumValue(key.get(), i, name, nameSize, &type, nullptr, &dataSize);
    if (e == win::kNoMoreItems) break;
    if (e != win::kSuccess) continue;
    std::vector<uint8_t> data(dataSize + 1);
    uint32_t got = dataSize;
    nameSize = sizeof name;
    if (r.EnumValue(key.get(), i, name, nameSize, &type, data.data(), &got) == win::kSuccess)
      FUZZ_CHECK(got == dataSize);
    names.emplace_back(name, nameSize);
  }
  key.Close();
  const Text full = rootName + "\\" + path;
  for (const Text& n : names) {
    reg.GetRegistryString(full, n);
    reg.GetRegistryDword(full, n);
  }
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Deletes the first value of the first of the user's keys holding one: it is
// gone, or the hive file is as it was.
void DeleteOneValue(IRegistry& r, const PathTable& rows, const std::string& hive) {
  for (size_t i = 1; i <= rows.Count() && i <= 64; ++i) {
    const Text row = rows.RowText(i);
    RegKey key(r);
    char name[16384];
    uint32_t size = sizeof name;
    if (row.size() <= 18 || key.OpenEx(win::kCurrentUser, row.substr(18), win::kKeyAllAccess) != win::kSuccess ||
        r.EnumValue(key.get(), 0, name, size, nullptr, nullptr, nullptr) != win::kSuccess)
      continue;
    const Text n(name, size);
    const std::string before = FileBytes(hive);
    if (r.DeleteValue(key.get(), n.c_str()) == win::kSuccess)
      FUZZ_CHECK(r.QueryValue(key.get(), n.c_str(), nullptr, nullptr, nullptr) == win::kFileNotFound);
    else
      FUZZ_CHECK(FileBytes(hive) == before);
    return;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Disk disk;
  disk.Plant(data, size);
  offline::OfflineMachine machine(disk.root, "Alice");
  Context ctx(machine.os());
  ctx.OperationInProgress = true;
  modRegistry reg(ctx);
  modRegScan scan(ctx);

  const std::pair<const char*, const char*> walks[] = {{"HKEY_CURRENT_USER", "Software"},
                                                       {"HKEY_LOCAL_MACHINE", "System"},
                                                       {"HKEY_LOCAL_MACHINE", "SOFTWARE"},
                                                       {"HKEY_CLASSES_ROOT", ""}};
  size_t read = 0;
  PathTable userRows;
  for (const auto& [rootName, start] : walks) {
    const win::HKey root = modRegistry::GetRootKeyHandle(rootName);
    PathTable rows;
    scan.EnumRegistryKeys(root, start, rootName, rows);
    if (root == win::kCurrentUser) userRows = rows;
    for (size_t i = 1; i <= rows.Count() && read < 2000; ++i, ++read) {
      const Text row = rows.RowText(i);
      const Text path = row.size() > std::strlen(rootName) ? row.substr(std::strlen(rootName) + 1) : Text();
      // A name with characters the program's code page lacks lists with "?" in
      // their place and opens by that spelling no more than under Windows.
      RegKey again(ctx.registry());
      FUZZ_CHECK(again.OpenEx(root, path, win::kKeyRead) == win::kSuccess || path.find('?') != Text::npos);
      again.Close();
      ReadValues(ctx, reg, root, rootName, path);
    }
  }
  for (const char* path : {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                           "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                           "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services",
                           "HKEY_CLASSES_ROOT\\CLSID"})
    for (const Text& name : reg.GetSubKeyNames(path)) reg.GetRegistryString(Text(path) + "\\" + name, "");
  reg.GetRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "CurrentVersion");
  reg.GetRegistryDword("HKEY_LOCAL_MACHINE\\SYSTEM\\Select", "Current");
  DeleteOneValue(ctx.registry(), userRows, disk.root + "/" + kHives[2]);
  FUZZ_CHECK(machine.registry.OpenHandleCount() == 0);
  return 0;
}
