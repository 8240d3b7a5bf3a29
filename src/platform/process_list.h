// The running-process snapshot: one row per process, text = executable name,
// sub-item 1 = process identifier in decimal, sub-item 2 = full path of the
// program file (empty when it cannot be read).
#pragma once
#include "platform/context.h"
#include "platform/tables.h"

namespace morvane {

void ListActiveProcesses(Context& ctx, ListView& lstProcesses);

}  // namespace morvane
