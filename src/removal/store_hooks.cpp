#include "removal/store_hooks.h"

#include "store/app_settings.h"
#include "store/reg_backups.h"
#include "store/scan_log.h"

namespace morvane {

RemovalHooks StoreHooks(Context& ctx, SettingsStore& store, AppState& app, std::function<void()> resetUsedValues) {
  RemovalHooks hooks;
  hooks.raiseScanInfoLine = [&app](size_t line) {
    RaiseByOne(Settings(app).InfoLine(ScanInfoLine(line)));
  };
  hooks.saveData = [&store] { store.SaveData(); };
  hooks.flushScanLog = [&ctx, &app] { FlushScanLog(ctx, app); };
  hooks.resetUsedValues = std::move(resetUsedValues);
  return hooks;
}

void StoreScanHooks::ListRegBackups(Context& ctx, AppState& app) {
  morvane::ListRegBackups(ctx, app, [this](const Text& caption) { view_.SetCurrentOperation(caption); });
}

void StoreScanHooks::AddListedToLog(Context& ctx, AppState& app) { morvane::AddListedToLog(ctx, app); }
}  // namespace morvane
