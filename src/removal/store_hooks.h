// Hooks of the removal code into the settings store.
#pragma once
#include "removal/removal_ops.h"
#include "store/settings.h"

namespace morvane {

// Statistics lines through RaiseByOne and SaveData through the store; the
// other hooks stay empty for the caller to set.
RemovalHooks StoreHooks(SettingsStore& store, AppState& app);

}  // namespace morvane
