#include "store/scan_targets.h"

#include <algorithm>

namespace morvane {

namespace {
// A sorted list box orders its lines without regard to letter case; lines
// equal but for case are ordered exactly, so exact duplicates always stand
// side by side for RemoveDuplicates.
bool LessNoCase(const Text& a, const Text& b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
  bool less = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                           [&](char x, char y) { return lower(x) < lower(y); });
  bool greater = std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                              [&](char x, char y) { return lower(x) < lower(y); });
  return less || (!greater && a < b);
}
}  // namespace

bool CustomOptionOn(const ListBox& lines, CustomOption option) {
  return size_t(option) < lines.size() && lines[size_t(option)] == "1";
}

std::array<bool, kCustomOptionCount> CustomOptionChecks(const ListBox& lines) {
  std::array<bool, kCustomOptionCount> checks{};
  for (size_t i = 0; i < kCustomOptionCount; ++i) checks[i] = CustomOptionOn(lines, CustomOption(i));
  return checks;
}

ListBox CustomOptionLines(const std::array<bool, kCustomOptionCount>& checks) {
  ListBox lines;
  for (bool on : checks) lines.push_back(on ? "1" : "0");
  return lines;
}

void AddSelectedFolder(ListBox& dialogList, const Text& folder) {
  dialogList.insert(std::upper_bound(dialogList.begin(), dialogList.end(), folder, LessNoCase), folder);
}

void RemoveDuplicates(ListBox& list) {
  for (size_t i = list.size(); i-- > 1;)
    if (list[i] == list[i - 1]) list.erase(list.begin() + long(i));
}

}  // namespace morvane
