// A scan without a window, for the console front ends: settings, database,
// the scan in a chosen mode, the optional removal with a quarantine copy of
// every object, and the report of what was found and what became of it.
#pragma once
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/context.h"
#include "store/app_state.h"

namespace morvane::frontend {

enum class ScanMode { Saved, Smart, Custom, Folders };

// The words of the command line and of the report: "smart", "custom", "folders".
const char* ModeWord(ScanMode mode);
bool ParseMode(const Text& word, ScanMode& mode);

struct ScanRequest {
  ScanMode mode = ScanMode::Saved;
  std::vector<Text> folders;  // empty: the saved ones
  Text database;              // full path; empty: the program folder's "DataBase.ref"
  std::string hostDatabase;   // set: a file of the host instead (scans of a mounted disk)
  bool remove = false;
};

struct FoundObject {
  Text type, object, category, commentUrl;
  bool manual = false;  // listed for removal by hand
  // With a removal: "removed", "quarantined", "protected", "failed", or
  // "manual" (left for removal by hand).
  Text outcome;
  Text package;          // quarantine package (session folder) of a stored copy
  int32_t item = 0;      // its item number; 0: none
};

struct ScanReport {
  Text user, profile;  // the profile scanned on a mounted disk: its name and folder
  Text programVersion, databaseVersion, mode, started, ended;
  std::array<Text, kCounterCount> counters{};
  std::vector<FoundObject> objects;
  bool removal = false;
  Text error;  // set: the run failed before or during the scan
};

// The exit status: 2 an error, 1 objects found (or removed), 0 nothing found.
int ExitStatus(const ScanReport& report);
// The closing line: objects found and ignored and, with a removal, how many
// were removed, failed, wait for the restart, are protected or left by hand.
Text Summary(const ScanReport& report);
Text ReportJson(const ScanReport& report);
// Counter names as the report writes them.
const char* CounterName(Counter c);

// Called with the current operation's caption and the counters.
using Progress = std::function<void(const Text& operation, const AppState& app)>;

class ConsoleScan {
 public:
  ConsoleScan(Context& ctx, Text programFolder, Text programVersion);
  // Runs the whole request; the report's error says why it could not.
  ScanReport Run(const ScanRequest& request, const Progress& progress = {});

 private:
  bool Prepare(const ScanRequest& request, ScanReport& report);
  bool LoadDatabase(const Text& path, Text& error);
  bool FolderExists(const Text& path);

  Context& ctx_;
  Text programFolder_;
  Text programVersion_;
};

// Writes the report to a host file; false when it cannot be written.
bool WriteTextFile(const std::string& path, const std::string& text);
// True when a host file can be opened for writing (created when missing, left as it was otherwise).
bool CanWriteFile(const std::string& path);

// The progress line: rewritten in place on a console, plain lines (one per
// change of operation) otherwise; nothing when quiet.
class ProgressPrinter {
 public:
  ProgressPrinter(std::FILE* out, bool console, bool quiet) : out_(out), console_(console), quiet_(quiet) {}
  void Show(const Text& operation, const AppState& app);
  void Finish();

 private:
  std::FILE* out_;
  bool console_, quiet_;
  Text last_;
  size_t width_ = 0;
};

}  // namespace morvane::frontend
