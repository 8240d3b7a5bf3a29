// Clock helpers shared by the Wine benches: seconds since a point, and a scan
// view that notes when the listing ends (the first record being tested).
#pragma once
#include <chrono>

#include "scanner/scan_view.h"

namespace morvane::bench {

using Clock = std::chrono::steady_clock;

inline double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

class TimingView : public NullScanView {
 public:
  Clock::time_point listed{};
  bool seen = false;
  void SetCurrentOperation(const Text& caption) override {
    if (!seen && caption.rfind("Scanning_item:_", 0) == 0) {
      seen = true;
      listed = Clock::now();
    }
  }
};

}  // namespace morvane::bench
