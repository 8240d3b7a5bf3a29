// MorvaneScan.exe: the console scanner over Morvane's own program folder.
#include <windows.h>

#include <cstdio>

#include "frontend/command_line.h"
#include "platform/win32/machine.h"

using namespace morvane;
using namespace morvane::frontend;

namespace {

// Held by Morvane.exe for its whole life: while either program holds it the
// other does not touch the settings, the quarantine or the log.
constexpr const char* kInstanceMutex = "Morvane.SingleInstance.Mutex";

// No window may wait for an answer: the text goes to standard error, questions get No.
class ConsoleMessages : public IMessages {
 public:
  MsgResult Show(const Text& text, const Text& title, MsgButtons buttons, MsgIcon) override {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    switch (buttons) {
      case MsgButtons::Ok: return MsgResult::Ok;
      case MsgButtons::OkCancel: return MsgResult::Cancel;
      default: return MsgResult::No;
    }
  }
};

bool IsConsole(DWORD which) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "MorvaneScan: %s\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  Arguments a;
  std::string error;
  if (!ParseArguments(args, false, a, error)) {
    std::fprintf(stderr, "MorvaneScan: %s\n%s", error.c_str(), WindowsUsage().c_str());
    return 2;
  }
  if (a.help) {
    std::fputs(WindowsUsage().c_str(), stdout);
    return 0;
  }
  if (!a.report.empty() && !CanWriteFile(a.report)) return Fail("Cannot write the report file: " + a.report);

  ScanReport report;
  report.programVersion = MORVANE_VERSION;
  HANDLE mutex = CreateMutexA(nullptr, FALSE, kInstanceMutex);
  if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
    if (mutex) CloseHandle(mutex);
    report.error = "Morvane is running (Morvane.exe or another MorvaneScan.exe); close it and try again";
  } else {
    w32::Win32Machine machine;
    ConsoleMessages messages;
    Platform os{machine.registry, machine.files, machine.processes, machine.shell,
                machine.system,   machine.clock, messages,          machine.sockets, machine.signatures};
    Context ctx(os);
    ConsoleScan scan(ctx, machine.system.ProgramFolder(), MORVANE_VERSION);
    ProgressPrinter printer(stdout, IsConsole(STD_OUTPUT_HANDLE), a.quiet);
    try {
      report = scan.Run(a.request, [&printer](const Text& op, const AppState& app) { printer.Show(op, app); });
    } catch (const std::exception& e) {
      report.error = std::string("The scan failed: ") + e.what();
    }
    printer.Finish();
    CloseHandle(mutex);
  }

  int status = ExitStatus(report);
  if (!report.error.empty()) std::fprintf(stderr, "MorvaneScan: %s\n", report.error.c_str());
  if (!a.report.empty() && !WriteTextFile(a.report, ReportJson(report)))
    return Fail("Cannot write the report file: " + a.report);
  if (!a.quiet && report.error.empty()) std::printf("%s\n", Summary(report).c_str());
  return status;
}
