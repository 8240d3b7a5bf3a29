// File/Folder Scan of one folder on the real API: the listing phase and the
// record phase timed separately. Usage: wine_listing_bench FOLDER RECORDS
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/machine.h"
#include "scanner/scan_engine.h"

using namespace morvane;
using Clock = std::chrono::steady_clock;

namespace {
class TimingView : public NullScanView {
 public:
  Clock::time_point listed{};
  bool seen = false;
  void SetCurrentOperation(const Text& caption) override {
    if (!seen && caption.rfind("Scanning_item:_", 0) == 0) {
      seen = true;
      listed = Clock::now();
    }
  }
};
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: wine_listing_bench FOLDER RECORDS\n");
    return 2;
  }
  w32::Win32Machine machine;
  Context ctx(machine.os());
  AppState app;
  app.programFolder = "C:\\";
  app.lstSettingsFile = {"0", "0", "0", "0", "0", "0", "about:blank", "t", "30", "2", "10"};
  app.lstSelectedFolders = {argv[1]};
  int records = std::atoi(argv[2]);
  app.lstDBaseFile.Add("Bench");
  // A mix of listed-path, folder-prefix and pattern records, mostly not found.
  for (int i = 0; i < records; ++i) {
    Text folder = Text(argv[1]) + "\\d" + std::to_string(i % 100);
    switch (i % 4) {
      case 0: app.lstDBaseFile.Add("path|" + folder + "\\f" + std::to_string(i) + ".dat|Bench|"); break;
      case 1: app.lstDBaseFile.Add("fold|" + folder + "x|Bench|"); break;
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
  double listing = std::chrono::duration<double>(view.listed - start).count();
  double recordPhase = std::chrono::duration<double>(end - view.listed).count();
  std::printf("listed=%zu records=%d listing_s=%.3f records_s=%.3f\n", app.lstHDDItems.Count(), records, listing,
              recordPhase);
  return 0;
}
