// What the scan engine shows: the window implements IScanView; IScanHooks
// reaches the stored lists.
#pragma once
#include "platform/context.h"
#include "store/app_state.h"

namespace morvane {

// Where a scan stands for the progress screen's button: Running while it may
// be aborted (also before the first scan), Ended once it has finished or was
// aborted and the results wait behind "Next".
enum class ScanPhase { Running, Ended };

// The caption of cmdAbortNextResults in a phase.
inline const char* AbortNextCaption(ScanPhase phase) { return phase == ScanPhase::Running ? "Abort" : "Next"; }

class IScanView {
 public:
  virtual ~IScanView() = default;
  // The caption of one counter label changed (AppState::counters holds it).
  virtual void CounterChanged(Counter which) = 0;
  // lblCurrentOperation caption, repainted at once.
  virtual void SetCurrentOperation(const Text& caption) = 0;
  // The scan started or ended (cmdAbortNextResults shows it).
  virtual void SetScanPhase(ScanPhase phase) = 0;
  // tmrScrollingBar on; off with the bar back at its start.
  virtual void StartScrollingBar() = 0;
  virtual void StopScrollingBar() = 0;
};

// Calls into the stored lists around a scan.
class IScanHooks {
 public:
  virtual ~IScanHooks() = default;
  // Registry backup when asked for, then the running-process snapshot.
  virtual void ListRegBackups(Context& ctx, AppState& app) = 0;
  // The scan summary into the log buffer; sets QuarantineSession.
  virtual void AddListedToLog(Context& ctx, AppState& app) = 0;
};

// A view that shows nothing.
class NullScanView : public IScanView {
 public:
  void CounterChanged(Counter) override {}
  void SetCurrentOperation(const Text& caption) override { lastOperation = caption; }
  void SetScanPhase(ScanPhase p) override { phase = p; }
  void StartScrollingBar() override { scrolling = true; }
  void StopScrollingBar() override { scrolling = false; }
  Text lastOperation;
  ScanPhase phase = ScanPhase::Running;
  bool scrolling = false;
};

}  // namespace morvane
