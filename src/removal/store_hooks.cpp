#include "removal/store_hooks.h"

#include "store/scan_log.h"

namespace morvane {

RemovalHooks StoreHooks(Context& ctx, SettingsStore& store, AppState& app, std::function<void()> resetUsedValues) {
  RemovalHooks hooks;
  hooks.raiseScanInfoLine = [&app](size_t line) {
    if (app.lstScanInfoFile.size() <= line) app.lstScanInfoFile.resize(line + 1);
    RaiseByOne(app.lstScanInfoFile[line]);
  };
  hooks.saveData = [&store] { store.SaveData(); };
  hooks.flushScanLog = [&ctx, &app] { FlushScanLog(ctx, app); };
  hooks.resetUsedValues = std::move(resetUsedValues);
  return hooks;
}

}  // namespace morvane
