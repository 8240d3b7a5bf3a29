// Loading of the reference database "DataBase.ref" into lstDBaseFile, the
// missing-database question and the start of the updater.
#pragma once
#include "platform/context.h"
#include "platform/tables.h"

namespace morvane {

inline constexpr const char* kDatabaseFileName = "DataBase.ref";
inline constexpr const char* kUpdaterFileName = "\\Tessarin.exe";
inline constexpr const char* kUnlockingDatabaseText = "Unlocking Data Base...";
inline constexpr const char* kMissingDatabaseTitle = "Error";
inline constexpr const char* kMissingDatabaseText =
    "Missing reference Database.\r\nDo you want to download new reference Database?";

// Starts the database updater; replaceable so that start-up can be tested.
class IUpdaterLauncher {
 public:
  virtual ~IUpdaterLauncher() = default;
  // True when the updater was started.
  virtual bool StartUpdater(win::HWnd owner) = 0;
};

// Program folder & "\Tessarin.exe" through the shell, verb "Open", no
// parameters, the program folder as working folder, normal window.
class ShellUpdaterLauncher : public IUpdaterLauncher {
 public:
  ShellUpdaterLauncher(Context& ctx, Text programFolder) : ctx_(ctx), programFolder_(std::move(programFolder)) {}
  bool StartUpdater(win::HWnd owner) override;

 private:
  Context& ctx_;
  Text programFolder_;
};

class DatabaseLoader {
 public:
  // programFolder may be empty (the running program's folder) and may be
  // set after construction; entries are read into lstDBaseFile.
  DatabaseLoader(Context& ctx, const Text& programFolder, ListView& lstDBaseFile)
      : ctx_(ctx), programFolder_(programFolder), lstDBaseFile_(lstDBaseFile) {}

  // A directory search for program folder & "\DataBase.ref" that sees
  // normal, read-only and archive files only.
  bool DatabaseExists();
  // The question with title "Error", Yes/No, critical icon; true on Yes.
  bool AskDownloadDatabase();
  // Existence test and question: false when the database is missing and the
  // user answers No (start-up ends); on Yes the updater is started, the host
  // yields and loading goes on.
  bool EnsureDatabase(IUpdaterLauncher& launcher, win::HWnd owner);
  // Reads every line of the file into lstDBaseFile and deciphers it in
  // place, yielding after each entry. An unreadable file leaves it empty.
  void LoadDatabase();
  // The file's bytes are no longer those last loaded (the updater put a new
  // database in place, or one appeared or went).
  bool Changed();
  // Program folder & "\DataBase.ref".
  Text DatabasePath() const;

 private:
  Text ProgramFolder() const;
  // A hash of the file's bytes and their count; 0 when it cannot be read.
  uint64_t FileStamp();
  uint64_t loadedStamp_ = 0;
  Context& ctx_;
  const Text& programFolder_;
  ListView& lstDBaseFile_;
};

}  // namespace morvane
