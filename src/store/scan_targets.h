// Scan targets: the seven custom scan option lines and the selected folders,
// with the rules their dialogs apply to them.
#pragma once
#include <array>

#include "platform/tables.h"

namespace morvane {

enum CustomOption {
  kFullDiskScan = 0,
  kScanActiveProcesses = 1,
  kScanRegistry = 2,
  kQuarantineBeforeRemoval = 3,
  kAutoErase = 4,
  kFullRegistryScan = 5,
  kScanCookies = 6,
};
constexpr size_t kCustomOptionCount = 7;

// An option is on only when its line is exactly "1"; a missing line is off.
bool CustomOptionOn(const ListBox& lstCustomScanSettings, CustomOption option);
// The dialog's check boxes from the table, and the table (always seven lines) from them.
std::array<bool, kCustomOptionCount> CustomOptionChecks(const ListBox& lstCustomScanSettings);
ListBox CustomOptionLines(const std::array<bool, kCustomOptionCount>& checks);

// The folder dialog's list: kept sorted as its list box does, exact duplicates dropped on OK.
void AddSelectedFolder(ListBox& dialogList, const Text& folder);
void RemoveDuplicates(ListBox& sortedList);

}  // namespace morvane
