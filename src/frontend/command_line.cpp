#include "frontend/command_line.h"

namespace morvane::frontend {

namespace {

// "/mode", "--mode", "-mode" -> "mode" (lower case); empty when not an option.
std::string OptionName(const std::string& arg) {
  size_t skip = 0;
  if (arg.rfind("--", 0) == 0) skip = 2;
  else if (!arg.empty() && (arg[0] == '/' || arg[0] == '-')) skip = 1;
  if (skip == 0 || arg.size() == skip) return {};
  std::string name = arg.substr(skip);
  for (char& c : name) c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return name;
}

}  // namespace

bool ParseArguments(const std::vector<std::string>& args, bool offline, Arguments& out, std::string& error) {
  out = Arguments{};
  bool modeGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const std::string name = OptionName(arg);
    // A Linux path starts with "/": only the listed names are options.
    auto value = [&](std::string& into) {
      if (i + 1 >= args.size()) {
        error = "Missing value after " + arg;
        return false;
      }
      into = args[++i];
      if (into.empty()) {
        error = "Empty value after " + arg;
        return false;
      }
      return true;
    };
    std::string v;
    if (name == "?" || name == "h" || name == "help") {
      out.help = true;
    } else if (name == "mode") {
      if (!value(v)) return false;
      if (!ParseMode(v, out.request.mode)) {
        error = "Unknown scan mode: " + v + " (smart, custom or folders)";
        return false;
      }
      modeGiven = true;
    } else if (name == "folder") {
      if (!value(v)) return false;
      out.request.folders.push_back(v);
    } else if (name == "db") {
      if (!value(v)) return false;
      out.request.database = v;
    } else if (name == "report") {
      if (!value(out.report)) return false;
    } else if (name == "remove") {
      out.request.remove = true;
    } else if (name == "quiet") {
      out.quiet = true;
    } else if (offline && name == "offline") {
      if (!value(out.offline)) return false;
    } else if (offline && name == "user") {
      if (!value(v)) return false;
      out.user = v;
    } else if (offline && name == "quarantine") {
      if (!value(out.quarantine)) return false;
    } else {
      error = "Unknown argument: " + arg;
      return false;
    }
  }
  if (out.help) return true;
  if (!out.request.folders.empty()) {
    if (!modeGiven) out.request.mode = ScanMode::Folders;
    if (out.request.mode != ScanMode::Folders) {
      error = "Folders are scanned in the folders mode only";
      return false;
    }
  }
  if (offline && out.offline.empty()) {
    error = "Name the mounted Windows installation with --offline";
    return false;
  }
  return true;
}

std::string WindowsUsage() {
  return "Usage: MorvaneScan.exe [/mode smart|custom|folders] [/folder DIR ...] [/db FILE] [/report FILE]\n"
         "                       [/remove] [/quiet]\n"
         "  /mode     scan mode (default: the one saved in Morvane's settings)\n"
         "  /folder   a folder for the folders mode, repeatable (default: the saved ones)\n"
         "  /db       the reference database (default: DataBase.ref beside the program)\n"
         "  /report   write the JSON report to FILE\n"
         "  /remove   remove what was found, each object quarantined first\n"
         "  /quiet    no progress\n"
         "Exit status: 0 nothing found, 1 objects found or removed, 2 error.\n";
}

std::string OfflineUsage() {
  return "Usage: morvane-scan --offline MOUNT [--user NAME] [--mode smart|custom|folders] [--folder DIR ...]\n"
         "                    [--db FILE] [--report FILE] [--remove] [--quarantine DIR] [--quiet]\n"
         "  --offline     the Windows installation mounted at MOUNT\n"
         "  --user        the profile to scan (default: each profile in turn)\n"
         "  --mode        scan mode (default: smart)\n"
         "  --folder      a folder of the installation (C:\\...) for the folders mode, repeatable\n"
         "  --db          the reference database (default: Morvane's on that disk)\n"
         "  --report      write the JSON report to FILE\n"
         "  --remove      remove what was found, each object quarantined first; changed hives are\n"
         "                copied beside themselves first\n"
         "  --quarantine  where the quarantine goes when Morvane is not installed on that disk\n"
         "                (a folder of the installation, C:\\...)\n"
         "  --quiet       no progress\n"
         "Exit status: 0 nothing found, 1 objects found or removed, 2 error.\n";
}

}  // namespace morvane::frontend
