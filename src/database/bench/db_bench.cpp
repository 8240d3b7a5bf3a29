// Times the loading and deciphering of a generated reference database on the
// simulated machine: db_bench [--mb M] (default 64 MB of enciphered lines).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <time.h>

#include "database/crypt.h"
#include "database/database.h"
#include "platform/simulated/machine.h"

using namespace morvane;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
  double wantMb = 64;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--mb") && i + 1 < argc) {
      wantMb = std::strtod(argv[++i], nullptr);
    } else {
      std::fprintf(stderr, "usage: db_bench [--mb M]\n");
      return 2;
    }
  }
  sim::SimulatedMachine machine(sim::SimulatedMachine::WindowsLayout{});
  Context ctx(machine.os());
  const Text programFolder = "C:\\Program Files\\Morvane";
  ListView lstDBaseFile;

  // Records of every type, enciphered line by line, CR LF between lines.
  static const char* kTypes[] = {"path|%WinDir%\\", "fold|%ProgramFiles%\\", "regv|HKEY_LOCAL_MACHINE\\Software\\",
                                 "regk|HKEY_CURRENT_USER\\Software\\", "cook|", "file|", "regs|"};
  std::mt19937 rng(7);
  std::string content = modCrypt::EncryptString("Bench database", kDatabaseKey);
  size_t lines = 1;
  const size_t want = size_t(wantMb * 1e6);
  while (content.size() < want) {
    Text line = kTypes[lines % 7];
    for (int w = 0; w < 4; ++w) line += char('a' + rng() % 26), line += "spyware"[rng() % 7];
    line += std::to_string(rng()) + ".exe|Adware" + std::to_string(lines % 13) + (lines % 5 ? "|" : "|http://info");
    content += "\r\n";
    content += modCrypt::EncryptString(line, kDatabaseKey);
    ++lines;
  }
  machine.files.AddFile(programFolder + "\\" + kDatabaseFileName, content);
  const double mb = double(content.size()) / 1e6;
  content = {};

  DatabaseLoader loader(ctx, programFolder, lstDBaseFile);
  auto cpu = [] {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
  };
  const double cpuStart = cpu();
  auto start = Clock::now();
  loader.LoadDatabase();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpuSeconds = cpu() - cpuStart;
  if (lstDBaseFile.Count() != lines || lstDBaseFile.Item(1).text != "Bench database") {
    std::fprintf(stderr, "the database did not load as written (%zu of %zu lines)\n", lstDBaseFile.Count(), lines);
    return 1;
  }
  std::printf("lines=%zu processor_s=%.3f (%.1f MB/s of processor time)\n", lines, cpuSeconds, mb / cpuSeconds);
  std::printf("mb=%.1f load_s=%.3f mb_per_s=%.1f\n", mb, seconds, mb / seconds);
  return 0;
}
