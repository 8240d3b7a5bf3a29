// Fallbacks for the scan state and the statistics lines.
#include <cctype>

#include "removal/removal_machine.h"

namespace morvane {

void ResetWorkState(AppState& app) {
  for (auto& c : app.counters) c.assign(1, '0');
  app.QuarantineCounter = 10000;
  app.lstHDDItems.Clear();
  app.lstRegScan.Clear();
  app.lstScanResult.Clear();
  app.lstIremovable.Clear();
  app.lstLog.clear();
  app.lstProcesses.Clear();
  app.lstCustomDelete.Clear();
  app.lstCache.clear();
}

Text RaisedByOne(const Text& line) {
  // Leading blanks, an optional sign and digits; anything else counts as 0.
  size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  bool negative = false;
  if (i < line.size() && (line[i] == '-' || line[i] == '+')) negative = line[i++] == '-';
  int64_t value = 0;
  while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])) && value < (int64_t(1) << 52))
    value = value * 10 + (line[i++] - '0');
  if (negative) value = -value;
  return std::to_string(value + 1);
}

}  // namespace morvane
