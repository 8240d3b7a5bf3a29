// Registry backups before a scan, their pruning, and the process refresh.
#pragma once
#include <functional>

#include "platform/context.h"
#include "store/app_state.h"

namespace morvane {


// Backup (when settings line 5 is "1"), pruning, then ListActiveProcesses and
// the lblRunningProcesses counter. showOperation repaints lblCurrentOperation.
void ListRegBackups(Context& ctx, AppState& app, const std::function<void(const Text&)>& showOperation = {});
// Keeps the newest backups by the date in their names; files whose names hold
// no date are not backups and are kept. The start-up pruning.
void PruneRegBackups(Context& ctx, AppState& app);
// True when the bytes are a registry editor export that was written to its
// end: the editor's header, then the blank line every export ends with.
bool IsWholeRegExport(const std::string& file);
// The same test on a file, read in pieces (a registry backup can be large).
bool WholeRegExportFile(IFileSystem& fs, const Text& path);
// Sort key of a backup name "d-m-y-h-mi-s.reg": false when it carries no date.
bool BackupStamp(const Text& name, uint64_t& key);

}  // namespace morvane
