// File/Folder Scan of one folder on the real API. Times, over the same
// folder, a bare FindFirstFileA/FindNextFileA walk, the program's listing
// (best of three each, after one warm-up walk) and a whole scan's record
// phase. Usage: wine_listing_bench FOLDER RECORDS [--make FILES]
// --make first fills a missing FOLDER with FILES empty files, a hundred to a
// folder, in folders ten to a parent.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32/machine.h"
#include "scanner/bench/bench_timing.h"
#include "scanner/scan_engine.h"

using namespace morvane;
using bench::Clock;
using bench::Since;
using bench::TimingView;

namespace {

// FILES empty files in FOLDER\dI\eJ (ten e-folders to a d-folder, a hundred
// files to an e-folder). False when a folder or file cannot be made.
bool MakeTree(IFileSystem& fs, const Text& folder, size_t files) {
  if (!fs.MakeFolder(folder)) return false;
  for (size_t made = 0, leaf = 0; made < files; ++leaf) {
    Text d = folder + "\\d" + std::to_string(leaf / 10);
    if (leaf % 10 == 0 && !fs.MakeFolder(d)) return false;
    Text e = d + "\\e" + std::to_string(leaf % 10);
    if (!fs.MakeFolder(e)) return false;
    for (size_t k = 0; k < 100 && made < files; ++k, ++made)
      if (!fs.Append(e + "\\f" + std::to_string(made) + ".dat", {})) return false;
  }
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: wine_listing_bench FOLDER RECORDS [--make FILES]\n");
    return 2;
  }
  w32::Win32Machine machine;
  Context ctx(machine.os());
  const Text folder = argv[1];
  int records = std::atoi(argv[2]);
  if (argc >= 5 && !std::strcmp(argv[3], "--make") && machine.files.GetAttributes(folder) == win::kInvalidAttributes) {
    auto start = Clock::now();
    if (!MakeTree(machine.files, folder, size_t(std::strtoull(argv[4], nullptr, 10)))) {
      std::fprintf(stderr, "cannot make the tree in %s\n", folder.c_str());
      return 1;
    }
    std::printf("made the tree in %.1f s\n", Since(start));
  }

  // The bare walk and the listing, the same folder, best of three.
  size_t entries = w32::BareWalk(folder);  // warm-up
  double bare = 1e9, listing = 1e9;
  size_t listed = 0;
  for (int round = 0; round < 3; ++round) {
    auto start = Clock::now();
    entries = w32::BareWalk(folder);
    bare = std::min(bare, Since(start));

    ListView rows;
    ctx.OperationInProgress = true;
    listing = std::min(listing, bench::TimedListing(ctx, folder, rows));
    listed = rows.Count();
  }

  AppState app;
  app.programFolder = "C:\\";
  app.lstSettingsFile = {"0", "0", "0", "0", "0", "0", "about:blank", "t", "30", "2", "10"};
  app.lstSelectedFolders = {folder};
  app.lstDBaseFile.Add("Bench");
  // A mix of listed-path, folder-prefix and pattern records, mostly not found.
  for (int i = 0; i < records; ++i) {
    Text sub = folder + "\\d" + std::to_string(i % 100);
    switch (i % 4) {
      case 0: app.lstDBaseFile.Add("path|" + sub + "\\f" + std::to_string(i) + ".dat|Bench|"); break;
      case 1: app.lstDBaseFile.Add("fold|" + sub + "x|Bench|"); break;
      case 2: app.lstDBaseFile.Add("file|spy" + std::to_string(i) + ".*|Bench|"); break;
      default: app.lstDBaseFile.Add("file|*.x" + std::to_string(i % 50) + "|Bench|"); break;
    }
  }
  TimingView view;
  ScanEngine engine(ctx, app, view);
  auto start = Clock::now();
  engine.StartScan();
  auto end = Clock::now();
  if (!view.seen) view.listed = end;
  double scanListing = std::chrono::duration<double>(view.listed - start).count();
  double recordPhase = std::chrono::duration<double>(end - view.listed).count();
  std::printf("listed=%zu scan_listing_s=%.3f found=%zu\n", listed, scanListing,
              app.lstScanResult.Count() + app.lstIremovable.Count());
  std::printf("entries=%zu bare_s=%.3f listing_s=%.3f ratio=%.2f records=%d records_s=%.3f\n", entries, bare, listing,
              bare > 0 ? listing / bare : 0.0, records, recordPhase);
  return 0;
}
