// Hooks of the removal code into the settings store, the scan log and the
// scan engine, and of the scan engine into the stored lists.
#pragma once
#include <functional>

#include "removal/removal_machine.h"
#include "scanner/scan_view.h"
#include "store/settings.h"

namespace morvane {

// Statistics lines through RaiseByOne, SaveData through the store, the log
// through FlushScanLog; resetUsedValues is the scan engine's ResetUsedValues
// (empty: the fallback reset).
RemovalHooks StoreHooks(Context& ctx, SettingsStore& store, AppState& app,
                        std::function<void()> resetUsedValues = {});

// The hooks of the program: the stored lists' own routines.
class StoreScanHooks : public IScanHooks {
 public:
  explicit StoreScanHooks(IScanView& view) : view_(view) {}
  void ListRegBackups(Context& ctx, AppState& app) override;
  void AddListedToLog(Context& ctx, AppState& app) override;

 private:
  IScanView& view_;
};

}  // namespace morvane
