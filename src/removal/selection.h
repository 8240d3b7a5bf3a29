// Check-box commands shared by the result, quarantine and ignore lists:
// every row from the first to the last, count taken once.
#pragma once
#include "platform/tables.h"

namespace morvane {

inline void SelectAllRows(ListView& list) {
  const size_t n = list.Count();
  for (size_t i = 1; i <= n; ++i) list.Item(i).checked = true;
}

inline void SelectNoRows(ListView& list) {
  const size_t n = list.Count();
  for (size_t i = 1; i <= n; ++i) list.Item(i).checked = false;
}

inline void InvertRowSelection(ListView& list) {
  const size_t n = list.Count();
  for (size_t i = 1; i <= n; ++i) list.Item(i).checked = !list.Item(i).checked;
}

}  // namespace morvane
