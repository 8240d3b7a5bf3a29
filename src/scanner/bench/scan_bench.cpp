// Times a Custom Scan with every option on, on a synthetic simulated machine:
//   scan_bench --files F --keys K --records R [--literal [--sample S]]
// With --literal the record phase is also run as the plain walk; above 2e8
// files x records the walk is timed on S random records (200 or more) and
// scaled to all of them.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <random>
#include <sys/resource.h>
#include <time.h>

#include "database/folders.h"
#include "platform/simulated/machine.h"
#include "scanner/oracle.h"
#include "scanner/scan_engine.h"

using namespace morvane;
using Clock = std::chrono::steady_clock;

namespace {

// Processor time of this process, in seconds: on a shared machine the
// figures beside the clock's.
// Pages this process has been given so far (minor faults): fresh memory.
long PagesTouched() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_minflt;
}

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

class TimingView : public NullScanView {
 public:
  // Called for every record: the clock is read only at the three marks.
  void SetCurrentOperation(const Text& caption) override {
    if (!inventoryStarted && caption == "Listing IE Cookies...")
      inventoryStart = Clock::now(), inventoryCpu = CpuSeconds(), inventoryPages = PagesTouched(),
      inventoryStarted = true;
    if (!recordsStarted && caption.rfind("Scanning_item:_", 0) == 0)
      recordStart = Clock::now(), recordCpu = CpuSeconds(), recordPages = PagesTouched(), recordsStarted = true;
    if (caption == "Finished.") end = Clock::now(), endCpu = CpuSeconds(), endPages = PagesTouched();
  }
  bool inventoryStarted = false, recordsStarted = false;
  Clock::time_point inventoryStart, recordStart, end;
  double inventoryCpu = 0, recordCpu = 0, endCpu = 0;
  long inventoryPages = 0, recordPages = 0, endPages = 0;
};

const char* kExts[] = {"exe", "dll", "txt", "ini", "log", "dat", "sys", "htm", "gif", "jpg",
                       "cab", "tmp", "bak", "hlp", "chm", "ocx", "inf", "xml", "cfg", "js"};

Text Word(std::mt19937& rng, size_t vocabulary) {
  static const char* syll[] = {"ka", "lo", "mi", "ne", "ru", "so", "ti", "va", "ze", "po", "qua", "bri"};
  size_t n = rng() % vocabulary + 144;  // three syllables at least
  Text w;
  do {
    w += syll[n % 12];
    n /= 12;
  } while (n);
  return w;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// A field of /proc/self/status in megabytes ("VmHWM" peak, "VmRSS" now).
double StatusMb(const char* field) {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  double mb = 0;
  const size_t n = std::strlen(field);
  while (std::fgets(line, sizeof line, f))
    if (!std::strncmp(line, field, n) && line[n] == ':') mb = std::strtod(line + n + 1, nullptr) / 1024;
  std::fclose(f);
  return mb;
}

}  // namespace

int main(int argc, char** argv) {
  size_t files = 10000, keys = 3000, records = 1000;
  bool literal = false;
  size_t sample = 0;  // records the plain walk is timed on; 0 = chosen by size
  for (int i = 1; i < argc; ++i) {
    auto next = [&] { return i + 1 < argc ? size_t(std::strtoull(argv[++i], nullptr, 10)) : size_t(0); };
    if (!std::strcmp(argv[i], "--files")) files = next();
    else if (!std::strcmp(argv[i], "--keys")) keys = next();
    else if (!std::strcmp(argv[i], "--records")) records = next();
    else if (!std::strcmp(argv[i], "--literal")) literal = true;
    else if (!std::strcmp(argv[i], "--sample")) sample = next();
    else {
      std::fprintf(stderr, "usage: scan_bench --files F --keys K --records R [--literal [--sample S]]\n");
      return 2;
    }
  }
  std::mt19937 rng(20261207);
  sim::SimulatedMachine machine(sim::SimulatedMachine::WindowsLayout{});
  Context ctx(machine.os());
  AppState app;
  DiscoverFolders(ctx, app.folders);
  app.lstSettingsFile.assign(12, "0");
  Settings(app).SetScanMode(int(ScanMode::Custom));
  app.lstCustomScanSettings.assign(7, "1");

  // Disk: about 60 entries per folder, three levels under a few top folders.
  std::vector<Text> planted;
  const char* tops[] = {"C:\\WINDOWS", "C:\\Program Files", "C:\\Documents and Settings\\User\\Application Data",
                        "C:\\Data"};
  size_t made = 0, folderNo = 0;
  while (made < files) {
    Text folder = Text(tops[folderNo % 4]) + "\\" + Word(rng, 400) + "\\" + Word(rng, 2000) + std::to_string(folderNo);
    ++folderNo;
    for (int k = 0; k < 60 && made < files; ++k, ++made) {
      Text path = folder + "\\" + Word(rng, 200000) + "." + kExts[rng() % 20];
      machine.files.AddSizedFile(path, 1000);
      if (rng() % 50 == 0) planted.push_back(path);
    }
  }
  for (int i = 0; i < 300; ++i)
    machine.files.AddFile(app.folders.txtCookies + "\\user@" + Word(rng, 3000) + "[1].txt");

  // Registry: vendor\product\sub trees in the walked branches.
  const std::pair<win::HKey, const char*> roots[] = {
      {win::kCurrentUser, "Software"}, {win::kLocalMachine, "System"}, {win::kCurrentConfig, "Software"}};
  std::vector<Text> keyPaths;
  for (size_t k = 0; k < keys; ++k) {
    auto [root, top] = roots[k % 3];
    Text path = Text(top) + "\\" + Word(rng, 3000) + "\\" + Word(rng, 500) + "\\" + Word(rng, 50);
    machine.registry.CreateKeyPath(root, path);
    if (k % 10 == 0) machine.registry.SetStringValue(root, path, "Run", "x");
    if (rng() % 20 == 0) keyPaths.push_back((root == win::kCurrentUser ? "HKEY_CURRENT_USER\\" : root == win::kLocalMachine ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_CONFIG\\") + path);
  }
  if (planted.empty()) planted.push_back("C:\\WINDOWS\\none.exe");
  if (keyPaths.empty()) keyPaths.push_back("HKEY_CURRENT_USER\\Software\\none");

  // Database: paths, folders, values, keys, cookies, patterns, key names.
  app.lstDBaseFile.Add("Bench");
  for (size_t r = 0; r < records; ++r) {
    Text line;
    switch (r % 20) {
      case 0: case 1: case 2: case 3: case 4:
        line = "path|" + (r % 7 == 0 ? planted[rng() % planted.size()]
                                     : "%WinDir%\\" + Word(rng, 5000) + "\\" + Word(rng, 20000) + ".exe");
        break;
      case 5: case 6:
        line = "fold|%ProgramFiles%\\" + Word(rng, 400);
        break;
      case 7: case 8: case 9:
        line = "regv|" + keyPaths[rng() % keyPaths.size()] + ",Run";
        break;
      case 10: case 11: case 12:
        line = "regk|" + keyPaths[rng() % keyPaths.size()];
        break;
      case 13:
        line = "cook|" + Word(rng, 6000);
        break;
      case 14: case 15: case 16:
        switch (rng() % 4) {
          case 0: line = "file|" + Word(rng, 20000) + "." + kExts[rng() % 20]; break;
          case 1: line = "file|" + Word(rng, 20000) + ".*"; break;
          case 2: line = "file|" + Word(rng, 20000) + "." + kExts[rng() % 20]; break;
          default: line = "file|" + Word(rng, 20000) + ".e*"; break;
        }
        break;
      default:
        line = "regs|" + Word(rng, 6000) + "\\" + Word(rng, 500);
        break;
    }
    line += "|Bench" + std::to_string(r % 9);
    line += r % 11 == 0 ? "|http://info" : "|";
    app.lstDBaseFile.Add(line);
  }

  // The machine's share: what is resident once it is built, with the heap
  // the building freed handed back first.
  malloc_trim(0);
  const double machineMb = StatusMb("VmRSS");
  std::fprintf(stderr, "machine built: %.0f MB resident, %.0f MB of heap in use\n", machineMb,
               double(mallinfo2().uordblks) / (1024 * 1024));
  TimingView view;
  ScanEngine engine(ctx, app, view);
  engine.StartScan();
  double inventory = Seconds(view.recordStart - view.inventoryStart);
  double recordPhase = Seconds(view.end - view.recordStart);
  size_t found = app.lstScanResult.Count() + app.lstIremovable.Count();
  std::fprintf(stderr, "listed %zu entries, %zu keys, %zu cookies; found %zu\n", app.lstHDDItems.Count(),
               app.lstRegScan.Count(), app.lstCache.size(), found);
  std::fprintf(stderr, "processor time: inventory %.3f s, records %.3f s (ratio %.3f)\n",
               view.recordCpu - view.inventoryCpu, view.endCpu - view.recordCpu,
               (view.endCpu - view.recordCpu) / (view.recordCpu - view.inventoryCpu));
  std::fprintf(stderr, "fresh pages: inventory %ld, records %ld\n", view.recordPages - view.inventoryPages,
               view.endPages - view.recordPages);

  char speedup[32] = "-";
  if (literal) {
    // At large sizes the plain walk would take hours: it is timed on a
    // random sample of the records and scaled up to all of them.
    const size_t all = app.lstDBaseFile.Count() - 1;
    if (sample == 0) sample = files * records > 200000000ull ? std::max<size_t>(200, 200000000ull / files) : all;
    sample = std::min(sample, all);
    auto fastCounters = app.counters;
    auto fastRows = app.lstScanResult;
    for (auto& c : app.counters) c = "0";
    app.lstScanResult.Clear();
    app.lstIremovable.Clear();
    ListView fullDatabase;
    if (sample < all) {
      std::vector<size_t> picks(all);
      for (size_t i = 0; i < all; ++i) picks[i] = i + 2;
      std::shuffle(picks.begin(), picks.end(), rng);
      picks.resize(sample);
      std::sort(picks.begin(), picks.end());
      ListView sampled;
      sampled.Add(app.lstDBaseFile.Item(1).text);
      for (size_t at : picks) sampled.Add(app.lstDBaseFile.Item(at).text);
      fullDatabase = std::move(app.lstDBaseFile);
      app.lstDBaseFile = std::move(sampled);
    }
    ctx.OperationInProgress = true;
    oracle::LiteralScan plain(ctx, app);
    auto start = Clock::now();
    plain.RecordPhase("1");
    double literalRecords = Seconds(Clock::now() - start);
    if (sample < all) {
      app.lstDBaseFile = std::move(fullDatabase);
      literalRecords *= double(all) / double(sample);
      std::fprintf(stderr, "plain walk record phase estimated from a random sample of %zu of %zu records: %.1f s\n",
                   sample, all, literalRecords);
    } else {
      fastCounters[size_t(Counter::lblRunningProcesses)] = app.counters[size_t(Counter::lblRunningProcesses)];
      if (fastCounters != app.counters || !(fastRows == app.lstScanResult)) {
        std::fprintf(stderr, "the two scans differ\n");
        return 1;
      }
      std::fprintf(stderr, "plain walk record phase %.3f s (all records, same finds)\n", literalRecords);
    }
    std::snprintf(speedup, sizeof speedup, "%.1f", literalRecords / recordPhase);
  }
  const double peakMb = StatusMb("VmHWM");
  std::printf(
      "files=%zu keys=%zu records=%zu inventory_s=%.3f records_s=%.3f literal_speedup=%s peak_mb=%.0f machine_mb=%.0f "
      "scanner_mb=%.0f\n",
      files, keys, records, inventory, recordPhase, speedup, peakMb, machineMb, peakMb - machineMb);
  return 0;
}
