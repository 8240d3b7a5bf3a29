#include "database/database.h"

#include "database/crypt.h"
#include "platform/line_file.h"

namespace morvane {

namespace {
constexpr int kShowNormal = 1;
constexpr uint32_t kHiddenOrSystem = win::kAttrHidden | win::kAttrSystem | win::kAttrDirectory;
}  // namespace

bool ShellUpdaterLauncher::StartUpdater(win::HWnd owner) {
  const Text file = programFolder_ + kUpdaterFileName;
  return ctx_.shell().Execute(owner, "Open", file, "", programFolder_, kShowNormal) > 32;
}

Text DatabaseLoader::ProgramFolder() const {
  return programFolder_.empty() ? ctx_.system().ProgramFolder() : programFolder_;
}

Text DatabaseLoader::DatabasePath() const { return ProgramFolder() + "\\" + kDatabaseFileName; }

bool DatabaseLoader::DatabaseExists() {
  FindData data;
  const IFileSystem::FindHandle h = ctx_.files().FindFirst(DatabasePath(), data);
  if (h == IFileSystem::kInvalidFind) return false;
  bool found = false;
  do {
    if ((data.attributes & kHiddenOrSystem) == 0) found = true;
  } while (!found && ctx_.files().FindNext(h, data));
  ctx_.files().FindClose(h);
  return found;
}

bool DatabaseLoader::AskDownloadDatabase() {
  return ctx_.messages().Show(kMissingDatabaseText, kMissingDatabaseTitle, MsgButtons::YesNo, MsgIcon::Critical) ==
         MsgResult::Yes;
}

bool DatabaseLoader::EnsureDatabase(IUpdaterLauncher& launcher, win::HWnd owner) {
  if (DatabaseExists()) return true;
  if (!AskDownloadDatabase()) return false;
  launcher.StartUpdater(owner);
  ctx_.YieldToHost();
  return true;
}

uint64_t DatabaseLoader::FileStamp() {
  uint64_t hash = 0xcbf29ce484222325ull, size = 0;
  const bool read = ctx_.files().ReadPieces(DatabasePath(), [&](const char* p, size_t n) {
    for (size_t i = 0; i < n; ++i) hash = (hash ^ static_cast<unsigned char>(p[i])) * 0x100000001b3ull;
    size += n;
  });
  return read ? (hash ^ size) | 1 : 0;
}

bool DatabaseLoader::Changed() { return FileStamp() != loadedStamp_; }

void DatabaseLoader::LoadDatabase() {
  loadedStamp_ = FileStamp();
  // Each line is deciphered while its bytes are still in the cache.
  ReadLines(ctx_.files(), DatabasePath(), lstDBaseFile_, [this](Text& line) {
    modCrypt::DecryptInPlace(line, kDatabaseKey);
    ctx_.YieldToHost();
  });
}

}  // namespace morvane
