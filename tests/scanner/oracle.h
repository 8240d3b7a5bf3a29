// A deliberately plain scan: every listing test walks its listing entry by
// entry, yielding after each, as the scan was first described. Used to check
// the indexed engine and to time it.
#pragma once
#include "platform/context.h"
#include "store/app_state.h"

namespace morvane::oracle {

class LiteralScan {
 public:
  LiteralScan(Context& ctx, AppState& app) : ctx_(ctx), app_(app) {}
  // Opening steps (no log hooks: the process snapshot only), the mode, the
  // finishing captions. No removal.
  void StartScan();
  // Only the record loop of a mode over the inventories already in app
  // ("0", "1", "2"); for timing the record phase.
  void RecordPhase(const Text& mode);
  size_t entriesDone = 0;
  Text caption;

 private:
  bool Opt(size_t i) const;
  void Raise(Counter c);
  void Found(const Text& object, int icon, Counter typeCounter, bool processTest, const Text* category = nullptr);
  void Loop(int mode);
  bool End();  // false when the record loop must end (after an inner walk)
  Context& ctx_;
  AppState& app_;
  bool leave_ = false;
};

}  // namespace morvane::oracle
