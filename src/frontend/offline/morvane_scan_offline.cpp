// morvane-scan: the console scanner over a Windows installation mounted at a
// folder, one user profile after the other.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "frontend/command_line.h"
#include "platform/offline/machine.h"
#include "platform/offline/offline_text.h"
#include "platform/simulated/sim_regedit.h"

using namespace morvane;
using namespace morvane::frontend;

namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

int Fail(const std::string& message) {
  std::fprintf(stderr, "morvane-scan: %s\n", message.c_str());
  return 2;
}

bool IsFolder(offline::OfflineMachine& m, const Text& path) {
  const uint32_t a = m.files.GetAttributes(path);
  return a != win::kInvalidAttributes && (a & win::kAttrDirectory);
}

// Morvane's folder on the disk: from its start-up value, else the default
// folder when Morvane.exe is there; empty when it is not installed.
Text InstalledFolder(offline::OfflineMachine& m) {
  Text run = m.registry.ReadString(win::kLocalMachine, kRunKey, "Morvane");
  if (!run.empty() && run[0] == '"') run = run.substr(1, run.find('"', 1) == Text::npos ? Text::npos : run.find('"', 1) - 1);
  const size_t slash = run.rfind('\\');
  if (slash != Text::npos) {
    const Text folder = run.substr(0, slash);
    if (m.files.GetAttributes(folder + "\\Morvane.exe") != win::kInvalidAttributes) return folder;
  }
  const Text fallback = m.Expand("%ProgramFiles%\\Morvane");
  if (fallback.find('%') == Text::npos && m.files.GetAttributes(fallback + "\\Morvane.exe") != win::kInvalidAttributes)
    return fallback;
  if (m.files.GetAttributes("C:\\Program Files\\Morvane\\Morvane.exe") != win::kInvalidAttributes)
    return "C:\\Program Files\\Morvane";
  return {};
}

// A folder given on the command line: a path of the installation
// ("C:\...") or a host path below the mount.
Text InstallPath(const std::string& mount, const std::string& given) {
  if (given.size() >= 2 && given[1] == ':') return given;
  std::error_code rootError, pathError;
  const auto root = std::filesystem::weakly_canonical(mount, rootError);
  const auto path = std::filesystem::weakly_canonical(std::filesystem::absolute(given, pathError), pathError);
  if (rootError || pathError) return {};
  // Compared by whole names: "/mnt/w-q" is not below "/mnt/w".
  const auto rel = path.lexically_relative(root);
  if (rel.empty() || *rel.begin() == "..") return {};
  Text rest = rel == "." ? Text() : rel.string();
  for (char& c : rest) c = c == '/' ? '\\' : c;
  return "C:\\" + rest;
}

// Scans each profile in turn, a report for each; an error ends the run with
// a report of its own (the profile's, when it concerns one).
void ScanProfiles(Arguments& a, std::vector<ScanReport>& reports) {
  auto error = [&reports](const Text& user, const Text& folder, const Text& message) {
    ScanReport r;
    r.programVersion = MORVANE_VERSION;
    r.user = user;
    r.profile = folder;
    r.error = message;
    reports.push_back(std::move(r));
  };
  std::error_code ec;
  if (!std::filesystem::is_directory(a.offline, ec))
    return error({}, {}, "The mount folder does not exist: " + a.offline);
  {
    // Without a readable SOFTWARE hive every machine key reads as missing and the scan finds nothing.
    offline::OfflineMachine probe(a.offline);
    win::HKey software = 0;
    if (probe.registry.OpenKeyEx(win::kLocalMachine, "SOFTWARE", win::kKeyRead, software) != win::kSuccess) {
      const auto& problems = probe.registry.Problems();
      return error({}, {},
                   "No Windows installation at " + a.offline + ": " +
                       (problems.empty() ? Text("no SOFTWARE hive") : problems.front()));
    }
    probe.registry.CloseKey(software);
  }
  if (!a.request.database.empty()) {
    a.request.hostDatabase = a.request.database;
    a.request.database.clear();
  }
  if (a.request.mode == ScanMode::Saved && a.request.folders.empty()) a.request.mode = ScanMode::Smart;

  // Profiles are told by their folders: two may have one name.
  std::vector<std::optional<offline::Profile>> profiles;
  for (auto& p : offline::ListProfiles(a.offline))
    if (a.user.empty() || offline::EqualNoCase(p.name, a.user)) profiles.push_back(std::move(p));
  if (profiles.empty()) {
    if (!a.user.empty()) return error(a.user, {}, "No profile named " + a.user + " on " + a.offline);
    profiles.push_back(std::nullopt);
  }

  const bool console = isatty(fileno(stdout));
  for (const auto& profile : profiles) {
    const Text user = profile ? profile->name : Text(), home = profile ? profile->folder : Text();
    auto made = profile ? std::make_unique<offline::OfflineMachine>(a.offline, *profile)
                        : std::make_unique<offline::OfflineMachine>(a.offline);
    offline::OfflineMachine& machine = *made;
    // The machine's hives and the profile's are opened as it is made; one that failed would scan as empty.
    if (!machine.registry.Problems().empty())
      return error(user, home, "A hive cannot be read: " + machine.registry.Problems().front());
    Text folder = InstalledFolder(machine);
    if (folder.empty()) {
      if (a.quarantine.empty())
        return error(user, home,
                     "Morvane is not installed on " + a.offline +
                         ": name a folder for its settings, log and quarantine with --quarantine");
      folder = InstallPath(a.offline, a.quarantine);
      if (folder.empty())
        return error(user, home, "The quarantine folder must be on the mounted disk: " + a.quarantine);
      if (!IsFolder(machine, folder) && !machine.files.MakeFolder(folder))
        return error(user, home, "Cannot make the quarantine folder " + folder);
    }
    machine.system.programFolder = folder;
    // The quarantine copy of a registry key is the registry editor's export.
    machine.processes.run = [&machine](const Text& commandLine) {
      const Text upper = offline::UpperName(commandLine);
      const size_t exe = upper.find("REGEDIT.EXE");
      if (exe != Text::npos && exe < upper.find(' '))
        sim::RunRegedit(machine.registry, machine.files, commandLine);
    };
    Context ctx(machine.os());
    ConsoleScan scan(ctx, folder, MORVANE_VERSION);
    ProgressPrinter printer(stdout, console, a.quiet);
    if (!a.quiet && profile) std::printf("Profile %s (%s)\n", user.c_str(), home.c_str());
    ScanReport report;
    try {
      report = scan.Run(a.request, [&printer](const Text& op, const AppState& app) { printer.Show(op, app); });
    } catch (const std::exception& e) {
      report.programVersion = MORVANE_VERSION;
      report.error = std::string("The scan failed: ") + e.what();
    }
    printer.Finish();
    report.user = user;
    report.profile = home;
    if (!machine.registry.Flush() && report.error.empty()) report.error = "A changed hive could not be written";
    for (const auto& b : machine.registry.Backups())
      if (!a.quiet) std::printf("Hive backed up: %s\n", b.c_str());
    if (report.error.empty() && !a.quiet) std::printf("%s\n", Summary(report).c_str());
    reports.push_back(std::move(report));
    if (!reports.back().error.empty()) return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  Arguments a;
  std::string error;
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(OfflineUsage().c_str(), stdout);
    return 0;
  }
  if (!ParseArguments(args, true, a, error)) {
    std::fprintf(stderr, "morvane-scan: %s\n%s", error.c_str(), OfflineUsage().c_str());
    return 2;
  }
  if (a.help) {
    std::fputs(OfflineUsage().c_str(), stdout);
    return 0;
  }
  if (!a.report.empty() && !CanWriteFile(a.report)) return Fail("Cannot write the report file: " + a.report);

  std::vector<ScanReport> reports;
  try {
    ScanProfiles(a, reports);
  } catch (const std::exception& e) {
    reports.emplace_back();
    reports.back().programVersion = MORVANE_VERSION;
    reports.back().error = std::string("The scan failed: ") + e.what();
  }
  int status = 0;
  for (const ScanReport& r : reports) status = std::max(status, ExitStatus(r));
  if (!reports.back().error.empty()) Fail(reports.back().error);

  if (!a.report.empty()) {
    std::string json;
    if (reports.size() == 1) {
      json = ReportJson(reports[0]);
    } else {
      json = "[\n";
      for (size_t i = 0; i < reports.size(); ++i) json += (i ? ",\n" : "") + ReportJson(reports[i]);
      json += "]\n";
    }
    if (!WriteTextFile(a.report, json)) return Fail("Cannot write the report file: " + a.report);
  }
  return status;
}
