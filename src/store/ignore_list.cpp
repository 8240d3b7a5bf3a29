#include "store/ignore_list.h"

#include "store/scan_log.h"

namespace morvane {

bool ObjectIgnored(Context& ctx, const ListBox& lstIgnoreListFile, const Text& object) {
  for (const Text& entry : lstIgnoreListFile) {
    if (entry.find(object) != Text::npos) return true;
    ctx.YieldToHost();
  }
  return false;
}

IgnoreIndex::IgnoreIndex(const ListBox& lstIgnoreListFile) : list_(lstIgnoreListFile) {
  size_t size = 0;
  for (const Text& entry : list_) size += entry.size() + 1;
  joined_.reserve(size);
  for (const Text& entry : list_) {
    joined_ += entry;
    joined_ += '\n';
  }
}

bool IgnoreIndex::Ignored(Context& ctx, const Text& object) const {
  if (object.find('\n') != Text::npos) return ObjectIgnored(ctx, list_, object);
  // A match cannot span two entries: the object holds no line break.
  const bool found = !list_.empty() && joined_.find(object) != Text::npos;
  ctx.YieldToHost();
  return found;
}

Text IgnoreEntry(const ListItem& row) {
  Text e = row.text + "|" + row.SubItems(2) + "|" + row.SubItems(1);
  if (!row.SubItems(3).empty()) e += "|" + row.SubItems(3);
  return e;
}

size_t IgnoreList::IgnoreChecked() {
  size_t added = 0;
  app_.lstLog.push_back("");
  app_.lstLog.push_back(" Following items added to Ignore List:");
  for (const auto& row : app_.lstScanResult.Rows()) {
    if (!row.checked) continue;
    app_.lstIgnoreListFile.push_back(IgnoreEntry(row));
    app_.lstLog.push_back(SummaryLine(row, false));
    ++added;
    ctx_.YieldToHost();
  }
  if (saveData_) saveData_();
  ctx_.YieldToHost();
  return added;
}

size_t IgnoreList::IgnoreCheckedManual() {
  size_t added = 0;
  for (const auto& row : app_.lstIremovable.Rows()) {
    if (!row.checked) continue;
    app_.lstIgnoreListFile.push_back(IgnoreEntry(row));
    ++added;
    ctx_.YieldToHost();
  }
  if (saveData_) saveData_();
  ctx_.YieldToHost();
  return added;
}

void IgnoreList::LoadIgnoredToList() {
  lstIgnoreList.Clear();
  for (const Text& entry : app_.lstIgnoreListFile) {
    Text f[4];
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
      size_t bar = entry.find('|', start);
      f[i] = entry.substr(start, bar == Text::npos ? Text::npos : bar - start);
      if (bar == Text::npos) break;
      start = bar + 1;
    }
    ListItem& row = lstIgnoreList.Add(f[0]);
    row.SubItems(1) = f[2];
    row.SubItems(2) = f[1];
    row.SubItems(3) = f[3];
    ctx_.YieldToHost();
  }
}

size_t IgnoreList::DeleteSelected() {
  size_t dropped = 0;
  app_.lstIgnoreListFile.clear();
  for (const auto& row : lstIgnoreList.Rows()) {
    if (row.checked) ++dropped;
    else app_.lstIgnoreListFile.push_back(IgnoreEntry(row));
  }
  if (saveData_) saveData_();
  LoadIgnoredToList();
  return dropped;
}

}  // namespace morvane
