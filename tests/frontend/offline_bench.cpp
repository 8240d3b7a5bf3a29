// Figures of an offline Custom Scan: a planted installation with FILES files
// and a SOFTWARE hive of KEYS keys, scanned by morvane's offline backend,
// against a bare walk of the same tree and a bare libhivex walk of the hive.
// Each phase runs in a child process so that its peak memory is its own.
// Usage: offline_bench [FILES [KEYS [DATABASE.ref]]]
#include <hivex.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "frontend/console_scan.h"
#include "offline/planted.h"
#include "platform/offline/machine.h"

using namespace morvane;
namespace fs = std::filesystem;

namespace {

struct Phase {
  double seconds = 0, cpu = 0;
  long peakKb = 0;
  long count = 0;
};

// Runs work in a child; its time, peak resident memory and the count it reports.
Phase InChild(const std::function<long()>& work) {
  int pipeFd[2];
  if (pipe(pipeFd) != 0) return {};
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipeFd[0]);
    long n = work();
    if (write(pipeFd[1], &n, sizeof n) != sizeof n) _exit(1);
    _exit(0);
  }
  close(pipeFd[1]);
  Phase p;
  if (read(pipeFd[0], &p.count, sizeof p.count) != sizeof p.count) p.count = -1;
  close(pipeFd[0]);
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  p.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  p.peakKb = usage.ru_maxrss;
  p.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
          double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return p;
}

long WalkHive(hive_h* h, hive_node_h node) {
  long n = 1;
  hive_value_h* values = hivex_node_values(h, node);
  for (size_t i = 0; values && values[i]; ++i) {
    free(hivex_value_key(h, values[i]));
    ++n;
  }
  free(values);
  free(hivex_node_name(h, node));
  hive_node_h* children = hivex_node_children(h, node);
  for (size_t i = 0; children && children[i]; ++i) n += WalkHive(h, children[i]);
  free(children);
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  const long files = argc > 1 ? std::atol(argv[1]) : 1000000;
  const long keys = argc > 2 ? std::atol(argv[2]) : 300000;
  const std::string database = argc > 3 ? argv[3] : "";

  // The hive: KEYS keys in 1,000 vendors, one value each. Its content is
  // freed before the phases so that their peaks do not hold it.
  auto t0 = std::chrono::steady_clock::now();
  std::optional<offline_test::PlantedInstall> planted;
  {
    offline_test::HiveContent software;
    for (long k = 0; k < keys; ++k) {
      const std::string key = "Vendor" + std::to_string(k % 1000) + "\\Product" + std::to_string(k / 1000);
      software.String(key, "Path", "C:\\Program Files\\Vendor\\p.exe");
    }
    planted.emplace(software);
  }
  malloc_trim(0);
  offline_test::PlantedInstall& disk = *planted;
  if (!disk.ok()) return std::fprintf(stderr, "planting failed\n"), 1;
  const double hiveSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  // The files: 100 per folder, 10 folders per parent level.
  for (long f = 0; f < files; ++f) {
    const long dir = f / 100;
    const std::string folder = disk.Host("Data/d" + std::to_string(dir / 100) + "/e" + std::to_string(dir % 100));
    if (f % 100 == 0) fs::create_directories(folder);
    std::ofstream(folder + "/f" + std::to_string(f) + ".dat");
  }
  const std::string pf = disk.Host("Program Files/Morvane");
  fs::create_directories(pf + "/Settings");
  std::ofstream(pf + "/Morvane.exe") << "MZ";
  std::ofstream(pf + "/Settings/Settings.stg") << "0\r\n0\r\n0\r\n0\r\n0\r\n0\r\nabout:blank\r\nIE\r\n30\r\n1\r\n10";
  std::ofstream(pf + "/Settings/CustomScan.stg") << "1\r\n0\r\n1\r\n0\r\n0\r\n1\r\n1";
  if (!database.empty()) fs::copy_file(database, pf + "/DataBase.ref");
  std::printf("planted a SOFTWARE hive of %ld keys (%.0f MB) in %.1f s, then %ld files in %.1f s\n", keys,
              double(fs::file_size(disk.Host("WINDOWS/system32/config/SOFTWARE"))) / 1e6, hiveSeconds, files,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() - hiveSeconds);
  std::fflush(stdout);

  const Phase walk = InChild([&] {
    long n = 0;
    for (auto it = fs::recursive_directory_iterator(disk.Root()); it != fs::recursive_directory_iterator(); ++it) ++n;
    return n;
  });
  const Phase hive = InChild([&] {
    hive_h* h = hivex_open(disk.Host("WINDOWS/system32/config/SOFTWARE").c_str(), 0);
    if (!h) return -1L;
    long n = WalkHive(h, hivex_root(h));
    hivex_close(h);
    return n;
  });
  const Phase scan = InChild([&] {
    offline::OfflineMachine machine(disk.Root(), offline_test::PlantedInstall::kUser);
    machine.system.programFolder = "C:\\Program Files\\Morvane";
    Context ctx(machine.os());
    frontend::ConsoleScan run(ctx, "C:\\Program Files\\Morvane", "bench");
    frontend::ScanRequest request;
    request.mode = frontend::ScanMode::Custom;
    const frontend::ScanReport r = run.Run(request);
    if (!r.error.empty()) std::fprintf(stderr, "scan: %s\n", r.error.c_str());
    return std::atol(r.counters[size_t(Counter::lblScannedObjects)].c_str());
  });
  // CPU seconds (user + system) are the figures to compare on a shared machine; wall seconds beside them.
  std::printf("bare walk of the tree:      %8.2f s CPU %8.2f s wall  peak %8ld KB  (%ld entries)\n", walk.cpu,
              walk.seconds, walk.peakKb, walk.count);
  std::printf("bare libhivex walk:         %8.2f s CPU %8.2f s wall  peak %8ld KB  (%ld keys and values)\n", hive.cpu,
              hive.seconds, hive.peakKb, hive.count);
  std::printf("offline Custom Scan:        %8.2f s CPU %8.2f s wall  peak %8ld KB  (%ld scanned objects)\n", scan.cpu,
              scan.seconds, scan.peakKb, scan.count);
  std::printf("ratio scan / (walk + hive): %8.2f CPU %8.2f wall\n", scan.cpu / (walk.cpu + hive.cpu),
              scan.seconds / (walk.seconds + hive.seconds));
  return 0;
}
