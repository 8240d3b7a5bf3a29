// Soak: scheduler scans with removal (quarantine first) on one simulated
// machine in one process. Prints the heap in use, the machine's open
// handles and the tables' sizes every 100 scans; asserts nothing.
// Usage: soak_scheduler [scans] [clean]   (default 1000 scans)
// With "clean" the simulated disk is emptied of what the scans keep on it
// (quarantine packages, the scan log) and the machine's call records are
// cleared after each scan, so that the heap shows the program alone.
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "background/parts_view.h"
#include "platform/simulated/machine.h"

using namespace morvane;

namespace {

const Text kPf = "C:\\Program Files\\Morvane";
const Text kCookies = Text(sim::kDefaultProfile) + "\\Cookies";
const Text kSpyRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Join(const std::vector<Text>& lines) {
  std::string s;
  for (size_t i = 0; i < lines.size(); ++i) s += (i ? "\r\n" : "") + lines[i];
  return s;
}

// The objects every scan finds and removes, planted again before each.
void Plant(sim::SimulatedMachine& m) {
  m.files.AddFile("C:\\Spy\\spy.exe", "MZ spy");
  m.files.AddFile("C:\\Spy\\hook.dll", "MZ hook");
  m.files.AddFile("C:\\Spy\\Data\\x.dat", "data");
  m.files.AddFile("C:\\Spy\\Data\\Sub\\y.dat", "more data");
  m.files.AddFile(kCookies + "\\user@spy[1].txt", "cookie");
  m.processes.AddProcess("spy.exe");
  m.registry.SetStringValue(win::kCurrentUser, "Software\\SpyCo", "id", "1");
  m.registry.SetDwordValue(win::kCurrentUser, "Software\\SpyCo\\Sub", "n", 7);
  m.registry.SetStringValue(win::kLocalMachine, kSpyRunKey, "SpyRun", "C:\\Spy\\spy.exe");
}

void Clean(sim::SimulatedMachine& m) {
  auto tree = m.files.ListTree(kPf + "\\Quarantine");
  for (auto it = tree.rbegin(); it != tree.rend(); ++it)
    if (!m.files.RemoveFile(*it)) m.files.RemoveFolder(*it);
  m.files.WriteAll(kPf + "\\SpyLog.txt", "");
  m.processes.launched.clear();
  m.shell.operations.clear();
  m.shell.executed.clear();
  m.sockets.calls.clear();
}

size_t TreeSize(sim::SimulatedMachine& m, const Text& folder) { return m.files.ListTree(folder).size(); }

}  // namespace

int main(int argc, char** argv) {
  const int scans = argc > 1 ? std::atoi(argv[1]) : 1000;
  const bool clean = argc > 2 && std::string(argv[2]) == "clean";
  sim::SimulatedMachine m(sim::SimulatedMachine::WindowsLayout{});
  m.clock.ticking = true;  // each scan its own quarantine session
  m.system.programFolder = kPf;
  m.files.AddFolder(kPf);
  m.files.AddFile(kPf + "\\DataBase.ref",
                  testing::EncipheredDatabase(
                      "Version 7", {"path|C:\\Spy\\spy.exe|Spy Exe|", "path|C:\\Spy\\hook.dll|Spy Hook|",
                                    "folder|C:\\Spy\\Data|Spy Data|", "regkey|HKEY_CURRENT_USER\\Software\\SpyCo|Spy Key|",
                                    "regval|HKEY_LOCAL_MACHINE\\" + kSpyRunKey + ",SpyRun|Spy Run|",
                                    "cookie|spy|Spy Cookie|"}));
  // Logging, registry backup keeping 3, quarantine before removal.
  m.files.AddFile(kPf + "\\Settings\\Settings.stg",
                  Join({"0", "0", "1", "1", "0", "1", "about:blank", "Microsoft Internet Explorer", "1", "0", "3"}));
  m.files.AddFile(kPf + "\\Settings\\CustomScan.stg", Join({"0", "1", "1", "1", "0", "0", "1"}));
  Plant(m);

  Context ctx(m.os());
  testing::PartsView view;
  frmMain form(ctx, view, "1.2.3");
  view.form = &form;
  MainWindowParts parts(form.Host(), view, "Morvane");
  form.SetParts(&parts);
  if (!form.Form_Load()) {
    std::printf("start-up ended\n");
    return 1;
  }

  std::printf("%6s %12s %6s %6s %6s %7s %7s %7s %7s %7s %9s %8s %8s\n", "scans", "heap bytes", "finds", "keys",
              "procs", "results", "log", "procs", "ignore", "dbase", "quar.tree", "backups", "removed");
  for (int i = 1; i <= scans; ++i) {
    Plant(m);
    form.Run(Command::AutoScan);
    if (clean) Clean(m);
    if (i % 100 == 0 || i == 1) {
      const struct mallinfo2 mi = mallinfo2();
      const AppState& a = form.App();
      std::printf("%6d %12zu %6zu %6zu %6zu %7zu %7zu %7zu %7zu %7zu %9zu %8zu %8s\n", i, mi.uordblks,
                  m.files.OpenFindCount(), m.registry.OpenHandleCount(), m.processes.OpenHandleCount(),
                  a.lstScanResult.Count(), a.lstLog.size(), a.lstProcesses.Count(), a.lstIgnoreListFile.size(),
                  a.lstDBaseFile.Count(), TreeSize(m, kPf + "\\Quarantine"), TreeSize(m, kPf + "\\Registry Backups"),
                  a.lstScanInfoFile.size() > 2 ? a.lstScanInfoFile[2].c_str() : "?");
      std::fflush(stdout);
    }
  }
  if (std::getenv("SOAK_QUICK_EXIT")) std::_Exit(0);  // live blocks show as leaks in a heap tracer
  // Every scan removed what it found.
  std::printf("spy.exe left: %s, scans counted: %s\n", m.files.Exists("C:\\Spy\\spy.exe") ? "yes" : "no",
              form.App().lstScanInfoFile.size() > 1 ? form.App().lstScanInfoFile[1].c_str() : "?");
  return 0;
}
