// The running-process snapshot: one row per process, text = executable name,
// sub-item 1 = process identifier in decimal.
#pragma once
#include "platform/context.h"
#include "platform/tables.h"

namespace morvane {

void ListActiveProcesses(Context& ctx, ListView& lstProcesses);

}  // namespace morvane
