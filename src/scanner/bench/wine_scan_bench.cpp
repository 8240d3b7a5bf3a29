// A Custom Scan on the real API, against the plainest walks of what it reads.
//   wine_scan_bench DRIVE [--files N] [--keys K] [--records R] [--rounds M]
// DRIVE ("M:") is a drive of its own, mapped to an empty folder (under Wine:
// a link in the prefix's dosdevices); its root is filled, when it holds less, with
// N empty files, a hundred to a folder, in folders ten to a parent, and
// HKEY_CURRENT_USER\Software\MorvaneBench with K keys, a value in each leaf.
// The scan lists the drive that holds the Windows folder and four registry
// branches: the Windows folder is placed on DRIVE, so the scan's file listing
// is the planted tree and its registry listing the planted branch with what
// else the four branches hold. Over exactly those the program times (a) a
// bare FindFirstFileA/FindNextFileA walk, (b) a bare RegOpenKeyExA/
// RegEnumKeyExA walk, (c) the program's file listing, (d) its registry
// listing (best of M rounds each, after a warm-up), then (e) a whole Custom
// Scan with R records (once).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "database/folders.h"
#include "platform/win32/machine.h"
#include "scanner/bench/bench_timing.h"
#include "scanner/scan_engine.h"

using namespace morvane;
using bench::Clock;
using bench::Since;
using bench::TimingView;

namespace {

struct Branch {
  const char* root;
  const char* path;
};
// The branches a Custom Scan walks, in its order.
constexpr Branch kBranches[] = {{"HKEY_CURRENT_USER", "Software"},
                                {"HKEY_LOCAL_MACHINE", "System"},
                                {"HKEY_CURRENT_CONFIG", "Software"},
                                {"HKEY_CURRENT_CONFIG", "System"}};
const Text kBench = "Software\\MorvaneBench";

// FILES empty files under root: root\dI\eJ\fK.dat.
bool PlantFiles(IFileSystem& fs, const Text& root, size_t files) {
  auto folder = [&](const Text& path) {
    return fs.MakeFolder(path) || fs.GetAttributes(path) != win::kInvalidAttributes;
  };
  for (size_t made = 0, leaf = 0; made < files; ++leaf) {
    Text d = root + "d" + std::to_string(leaf / 10);
    if (leaf % 10 == 0 && !folder(d)) return false;
    Text e = d + "\\e" + std::to_string(leaf % 10);
    if (!folder(e)) return false;
    for (size_t k = 0; k < 100 && made < files; ++k, ++made)
      if (!fs.Append(e + "\\f" + std::to_string(made) + ".dat", {})) return false;
  }
  return true;
}

// KEYS keys under HKCU\Software\MorvaneBench: vI\pJ\kL, a hundred leaves to
// a product, ten products to a vendor, each leaf with a string value "Run".
bool PlantKeys(IRegistry& reg, size_t keys) {
  win::HKey bench = 0;
  if (reg.CreateKey(win::kCurrentUser, kBench, bench) != win::kSuccess) return false;
  const char data[] = "C:\\WINDOWS\\system32\\x.exe";
  bool ok = true;
  for (size_t made = 0, product = 0; ok && made < keys; ++product) {
    win::HKey p = 0;
    const Text path = "v" + std::to_string(product / 10) + "\\p" + std::to_string(product % 10);
    if (reg.CreateKey(bench, path, p) != win::kSuccess) return false;
    for (size_t k = 0; ok && k < 100 && made < keys; ++k, ++made) {
      win::HKey leaf = 0;
      ok = reg.CreateKey(p, "k" + std::to_string(made), leaf) == win::kSuccess &&
           reg.SetValue(leaf, "Run", win::kRegSz, reinterpret_cast<const uint8_t*>(data), sizeof data) ==
               win::kSuccess;
      if (leaf) reg.CloseKey(leaf);
    }
    reg.CloseKey(p);
  }
  reg.CloseKey(bench);
  return ok;
}

size_t BareKeys() {
  size_t keys = 0;
  for (const auto& b : kBranches) keys += w32::BareKeyWalk(modRegistry::GetRootKeyHandle(b.root), b.path);
  return keys;
}

// A mix of records, mostly not found: paths, folders, values, keys,
// cookies, file patterns and listed-key texts.
void AddRecords(ListView& db, const Text& root, size_t records) {
  db.Add("Bench");
  for (size_t r = 0; r < records; ++r) {
    const Text n = std::to_string(r);
    const Text leaf = std::to_string(r % 10) + "\\p" + std::to_string(r % 7) + "\\k" + n;
    Text line;
    switch (r % 20) {
      case 0: case 1: case 2: case 3: case 4:
        line = "path|" + root + "d" + std::to_string(r % 100) + "\\e" + std::to_string(r % 10) + "\\f" + n +
               (r % 7 == 0 ? ".dat" : ".exe");
        break;
      case 5: case 6: line = "fold|" + root + "d" + std::to_string(r % 97) + "x"; break;
      case 7: case 8: case 9: line = "regv|HKEY_CURRENT_USER\\" + kBench + "\\v" + leaf + ",Run"; break;
      case 10: case 11: case 12: line = "regk|HKEY_CURRENT_USER\\" + kBench + "\\v" + leaf; break;
      case 13: line = "cook|spy" + n; break;
      case 14: line = "file|spy" + n + ".*"; break;
      case 15: line = "file|f" + n + ".exe"; break;
      case 16: line = "file|*.x" + std::to_string(r % 50); break;
      default: line = "regs|MorvaneBench\\v9\\p" + std::to_string(r % 13) + "\\k" + n + "x"; break;
    }
    db.Add(line + "|Bench" + std::to_string(r % 9) + (r % 11 == 0 ? "|http://info" : "|"));
  }
}

}  // namespace

int main(int argc, char** argv) {
  size_t files = 100000, keys = 100000, records = 50000, rounds = 3;
  Text drive;
  for (int i = 1; i < argc; ++i) {
    auto next = [&] { return i + 1 < argc ? size_t(std::strtoull(argv[++i], nullptr, 10)) : size_t(0); };
    if (!std::strcmp(argv[i], "--files")) files = next();
    else if (!std::strcmp(argv[i], "--keys")) keys = next();
    else if (!std::strcmp(argv[i], "--records")) records = next();
    else if (!std::strcmp(argv[i], "--rounds")) rounds = std::max<size_t>(1, next());
    else if (drive.empty() && std::strlen(argv[i]) == 2 && argv[i][1] == ':') drive = argv[i];
    else drive.clear(), i = argc;
  }
  w32::Win32Machine machine;
  const Text root = drive + "\\";
  if (drive.empty() || machine.files.GetAttributes(root) == win::kInvalidAttributes) {
    std::fprintf(stderr, "usage: wine_scan_bench DRIVE [--files N] [--keys K] [--records R] [--rounds M]\n"
                         "DRIVE (\"M:\") must be mapped to a folder of its own\n");
    return 2;
  }
  Context ctx(machine.os());

  // Planting, when short of the sizes asked: what is planted stays for the next runs.
  // The last file and key planted stand for all of them.
  const size_t lastLeaf = files ? (files - 1) / 100 : 0;
  const Text lastFile = root + "d" + std::to_string(lastLeaf / 10) + "\\e" + std::to_string(lastLeaf % 10) + "\\f" +
                        std::to_string(files ? files - 1 : 0) + ".dat";
  if (files && machine.files.GetAttributes(lastFile) == win::kInvalidAttributes) {
    auto start = Clock::now();
    if (!PlantFiles(machine.files, root, files)) {
      std::fprintf(stderr, "cannot plant the files on %s\n", drive.c_str());
      return 1;
    }
    std::printf("planted %zu files in %.1f s\n", files, Since(start));
  }
  const size_t lastProduct = keys ? (keys - 1) / 100 : 0;
  const Text lastKey = kBench + "\\v" + std::to_string(lastProduct / 10) + "\\p" + std::to_string(lastProduct % 10) +
                       "\\k" + std::to_string(keys ? keys - 1 : 0);
  if (keys && w32::BareKeyWalk(win::kCurrentUser, lastKey) == 0) {
    auto start = Clock::now();
    if (!PlantKeys(machine.registry, keys)) {
      std::fprintf(stderr, "cannot plant the keys\n");
      return 1;
    }
    std::printf("planted %zu keys in %.1f s\n", keys, Since(start));
  }

  // (a)-(d), rounds interleaved, best of each.
  size_t entries = w32::BareWalk(drive), keyCount = BareKeys();  // warm-up
  double bareFiles = 1e9, bareKeys = 1e9, listing = 1e9, regListing = 1e9;
  size_t listed = 0, regRows = 0;
  ctx.OperationInProgress = true;
  for (size_t round = 0; round < rounds; ++round) {
    auto start = Clock::now();
    entries = w32::BareWalk(drive);
    bareFiles = std::min(bareFiles, Since(start));

    start = Clock::now();
    keyCount = BareKeys();
    bareKeys = std::min(bareKeys, Since(start));

    {
      PathTable rows;
      listing = std::min(listing, bench::TimedListing(ctx, root, rows));
      listed = rows.Count();
    }
    {
      PathTable rows;
      modRegScan scan(ctx);
      start = Clock::now();
      for (const auto& b : kBranches) {
        scan.EnumRegistryKeys(modRegistry::GetRootKeyHandle(b.root), b.path, b.root, rows);
        ctx.YieldToHost();
      }
      regListing = std::min(regListing, Since(start));
      regRows = rows.Count();
    }
  }

  // (e) The whole Custom Scan: disk, registry, cookies, processes, all on.
  AppState app;
  DiscoverFolders(ctx, app.folders);
  app.folders.strWinDir = root + "WINDOWS";
  app.folders.txtCookies = root + "Cookies";
  app.lstSettingsFile.assign(12, "0");
  Settings(app).SetScanMode(int(ScanMode::Custom));
  app.lstCustomScanSettings.assign(7, "1");
  AddRecords(app.lstDBaseFile, root, records);
  TimingView view;
  ScanEngine engine(ctx, app, view);
  auto start = Clock::now();
  engine.StartScan();
  const double scan = Since(start);
  if (!view.seen) view.listed = Clock::now();
  std::printf("entries=%zu listed=%zu keys=%zu key_rows=%zu bare_files_s=%.3f listing_s=%.3f bare_keys_s=%.3f "
              "reg_listing_s=%.3f\n",
              entries, listed, keyCount, regRows, bareFiles, listing, bareKeys, regListing);
  std::printf("scan_s=%.3f scan_listing_s=%.3f records=%zu found=%zu scan_rows=%zu scan_keys=%zu\n", scan,
              std::chrono::duration<double>(view.listed - start).count(), records,
              app.lstScanResult.Count() + app.lstIremovable.Count(), app.lstHDDItems.Count(),
              app.lstRegScan.Count());
  std::printf("files=%zu keys=%zu bare_files_s=%.3f bare_keys_s=%.3f listing_ratio=%.3f regscan_ratio=%.3f "
              "scan_ratio=%.3f\n",
              entries, keyCount, bareFiles, bareKeys, listing / bareFiles, regListing / bareKeys,
              scan / (bareFiles + bareKeys));
  return 0;
}
