// Hooks of the removal code into the settings store, the scan log and the
// scan engine.
#pragma once
#include <functional>

#include "removal/removal_ops.h"
#include "store/settings.h"

namespace morvane {

// Statistics lines through RaiseByOne, SaveData through the store, the log
// through FlushScanLog; resetUsedValues is the scan engine's ResetUsedValues
// (empty: the fallback reset).
RemovalHooks StoreHooks(Context& ctx, SettingsStore& store, AppState& app,
                        std::function<void()> resetUsedValues = {});

}  // namespace morvane
