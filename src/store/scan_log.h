// The scan log: the buffer lstLog, the summary that closes every scan and the
// flush that appends the buffer to "SpyLog.txt".
#pragma once
#include "platform/context.h"
#include "store/app_state.h"

namespace morvane {

// "     type:object   |name" (and "   |note" for a manual-removal row).
Text SummaryLine(const ListItem& row, bool withNote);
// "hh:mm:ss", 24-hour clock.
Text ClockTime(const DateTime& t);
// day-month-year-hour-minute-second without leading zeros.
Text DateStamp(const DateTime& t);

void AddListedToLog(Context& ctx, AppState& app);
// Completion line, append to SpyLog.txt when settings line 3 is "1", empty the buffer.
void FlushScanLog(Context& ctx, AppState& app);

}  // namespace morvane
