// Clock helpers shared by the Wine benches: seconds since a point, the
// program's file listing of a folder timed, and a scan view that notes when
// the listing ends (the first record being tested).
#pragma once
#include <chrono>

#include "platform/modules.h"
#include "scanner/scan_view.h"

namespace morvane::bench {

using Clock = std::chrono::steady_clock;

inline double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Seconds the program takes to list everything under folder into rows.
template <class Table>
double TimedListing(Context& ctx, const Text& folder, Table& rows) {
  int32_t files = 0, dirs = 0;
  bool recurse = true;
  Text path = folder;
  modFindFiles find(ctx);
  const auto start = Clock::now();
  find.FindFilesToListView(path, "*.*", files, dirs, rows, recurse);
  return Since(start);
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
