#include "store/scan_log.h"

#include "store/app_settings.h"
#include <cstdio>

namespace morvane {

namespace {
Text Two(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", v);
  return b;
}
}  // namespace

Text ClockTime(const DateTime& t) { return Two(t.hour) + ":" + Two(t.minute) + ":" + Two(t.second); }

Text DateStamp(const DateTime& t) {
  return std::to_string(t.day) + "-" + std::to_string(t.month) + "-" + std::to_string(t.year) + "-" +
         std::to_string(t.hour) + "-" + std::to_string(t.minute) + "-" + std::to_string(t.second);
}

Text SummaryLine(const ListItem& row, bool withNote) {
  Text line = "     " + row.text + ":" + row.SubItems(2) + "   |" + row.SubItems(1);
  if (withNote) line += "   |" + row.SubItems(3);
  return line;
}

void AddListedToLog(Context& ctx, AppState& app) {
  app.lstLog.push_back("");
  if (!app.lstScanResult.Empty()) {
    app.lstLog.push_back(" Scan uncovered following " + std::to_string(app.lstScanResult.Count()) + " items:");
    for (const auto& row : app.lstScanResult.Rows()) {
      app.lstLog.push_back(SummaryLine(row, false));
      ctx.YieldToHost();
    }
    app.lstLog.push_back("");
  }
  if (!app.lstIremovable.Empty()) {
    app.lstLog.push_back(" Scan uncovered following " + std::to_string(app.lstIremovable.Count()) +
                         " Iremovable items:");
    for (const auto& row : app.lstIremovable.Rows()) {
      app.lstLog.push_back(SummaryLine(row, true));
      ctx.YieldToHost();
    }
    app.lstLog.push_back("");
  }
  app.QuarantineSession = DateStamp(ctx.clock().Now());
}

void FlushScanLog(Context& ctx, AppState& app) {
  DateTime t = ctx.clock().Now();
  app.lstLog.push_back("");
  app.lstLog.push_back("Scanning completed on " + Two(t.month) + "-" + Two(t.day) + "-" + std::to_string(t.year) +
                       "  " + ClockTime(t));
  ctx.YieldToHost();
  bool logging = Settings(app).ScanLogOn();
  if (logging) {
    // Lines added while the flush yields are not written.
    size_t count = app.lstLog.size();
    Text file = app.programFolder + "\\SpyLog.txt";
    for (size_t i = 0; i < count && i < app.lstLog.size(); ++i) {
      Text out = app.lstLog[i] + "\r\n";
      if (i + 1 == count) out += "\r\n\r\n";
      ctx.files().Append(file, out);
      ctx.YieldToHost();
    }
    // Appended bytes the disk has not taken read back as zeros after a crash.
    if (count > 0) ctx.files().FlushFile(file);
  }
  app.lstLog.clear();
}

}  // namespace morvane
