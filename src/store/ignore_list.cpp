#include "store/ignore_list.h"

#include <algorithm>

#include "store/scan_log.h"

namespace morvane {

namespace {
// The object field of entry: the whole entry when it has no "|".
std::string_view ObjectField(std::string_view entry) {
  const size_t bar = entry.find('|');
  if (bar == std::string_view::npos) return entry;
  const std::string_view rest = entry.substr(bar + 1);
  return rest.substr(0, rest.find('|'));
}

// The entry names object. An object may hold "|" itself (a registry value's
// name): then the entry's text after the type must begin with it and end or
// go on with a "|" there.
bool Names(std::string_view entry, std::string_view object) {
  if (entry == object) return true;
  const size_t bar = entry.find('|');
  if (bar == std::string_view::npos) return false;
  const std::string_view rest = entry.substr(bar + 1);
  return rest.substr(0, object.size()) == object && (rest.size() == object.size() || rest[object.size()] == '|');
}
}  // namespace

bool ObjectIgnored(Context& ctx, const ListBox& lstIgnoreListFile, const Text& object) {
  for (const Text& entry : lstIgnoreListFile) {
    if (Names(entry, object)) return true;
    ctx.YieldToHost();
  }
  return false;
}

IgnoreIndex::IgnoreIndex(const ListBox& lstIgnoreListFile) : list_(lstIgnoreListFile) {
  objects_.reserve(list_.size());
  for (const Text& entry : list_) {
    objects_.insert(ObjectField(entry));
  }
}

bool IgnoreIndex::Ignored(Context& ctx, const Text& object) const {
  if (object.find('|') != Text::npos) return ObjectIgnored(ctx, list_, object);
  const bool found = !objects_.empty() && objects_.count(object) > 0;
  ctx.YieldToHost();
  return found;
}

Text IgnoreEntry(const ListItem& row) {
  Text e = row.text + "|" + row.SubItems(2) + "|" + row.SubItems(1);
  if (!row.SubItems(3).empty()) e += "|" + row.SubItems(3);
  return e;
}

IgnoreList::Added IgnoreList::Add(const ListView& rows, bool log) {
  Added out;
  if (log) {
    app_.lstLog.push_back("");
    app_.lstLog.push_back(" Following items added to Ignore List:");
  }
  for (const auto& row : rows.Rows()) {
    if (!row.checked) continue;
    const Text entry = IgnoreEntry(row);
    if (entry.find_first_of("\r\n") != Text::npos) {
      ++out.refused;
      continue;
    }
    app_.lstIgnoreListFile.push_back(entry);
    if (log) app_.lstLog.push_back(SummaryLine(row, false));
    ++out.added;
    ctx_.YieldToHost();
  }
  if (saveData_) saveData_();
  ctx_.YieldToHost();
  return out;
}

IgnoreList::Added IgnoreList::IgnoreChecked() { return Add(app_.lstScanResult, true); }

IgnoreList::Added IgnoreList::IgnoreCheckedManual() { return Add(app_.lstIremovable, false); }

void IgnoreList::LoadIgnoredToList() {
  lstIgnoreList.Clear();
  listed_ = app_.lstIgnoreListFile;
  for (const Text& entry : listed_) {
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
  // A ticked row drops the entry it was listed from; every other entry, one
  // added since the list was shown too, stays as written (the columns do
  // not hold all of it: an entry may be a bare object). Of entries written
  // alike the row's own goes, counted from the start; rows are taken last
  // first, so the earlier ones keep their places.
  size_t dropped = 0;
  const auto& rows = lstIgnoreList.Rows();
  ListBox& file = app_.lstIgnoreListFile;
  for (size_t i = std::min(rows.size(), listed_.size()); i-- > 0;) {
    if (!rows[i].checked) continue;
    size_t alike = size_t(std::count(listed_.begin(), listed_.begin() + long(i), listed_[i]));
    auto at = std::find(file.begin(), file.end(), listed_[i]);
    while (at != file.end() && alike-- > 0) at = std::find(at + 1, file.end(), listed_[i]);
    if (at == file.end()) continue;
    file.erase(at);
    ++dropped;
  }
  if (saveData_) saveData_();
  LoadIgnoredToList();
  return dropped;
}

}  // namespace morvane
