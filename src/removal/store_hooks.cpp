#include "removal/store_hooks.h"

namespace morvane {

RemovalHooks StoreHooks(SettingsStore& store, AppState& app) {
  RemovalHooks hooks;
  hooks.raiseScanInfoLine = [&app](size_t line) {
    if (app.lstScanInfoFile.size() <= line) app.lstScanInfoFile.resize(line + 1);
    RaiseByOne(app.lstScanInfoFile[line]);
  };
  hooks.saveData = [&store] { store.SaveData(); };
  return hooks;
}

}  // namespace morvane
