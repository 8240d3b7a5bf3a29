#include <gtest/gtest.h>

#include "store/scan_targets.h"

namespace morvane {
namespace {

TEST(ScanTargets, OptionLinesAreOnOnlyWhenExactlyOne) {
  ListBox lines{"1", "1 ", "01", "0", "1"};
  EXPECT_TRUE(CustomOptionOn(lines, kFullDiskScan));
  EXPECT_FALSE(CustomOptionOn(lines, kScanActiveProcesses));
  EXPECT_FALSE(CustomOptionOn(lines, kScanRegistry));
  EXPECT_TRUE(CustomOptionOn(lines, kAutoErase));
  EXPECT_FALSE(CustomOptionOn(lines, kScanCookies));  // missing line
  // The dialog's OK always writes seven lines; "1 " comes back as "0".
  EXPECT_EQ(CustomOptionLines(CustomOptionChecks(lines)), (ListBox{"1", "0", "0", "0", "1", "0", "0"}));
  EXPECT_EQ(CustomOptionLines(CustomOptionChecks({"1", "1", "1", "1", "1", "1", "1", "1", "1"})).size(), 7u);
}

TEST(ScanTargets, FolderListStaysSortedAndDropsExactDuplicates) {
  ListBox list;
  for (const char* f : {"D:\\Games", "C:\\Windows", "c:\\windows", "C:\\Windows", "C:\\"}) AddSelectedFolder(list, f);
  EXPECT_EQ(list.size(), 5u);
  RemoveDuplicates(list);
  // Names equal but for case are both kept.
  EXPECT_EQ(list, (ListBox{"C:\\", "C:\\Windows", "c:\\windows", "D:\\Games"}));
  ListBox empty;
  RemoveDuplicates(empty);
  EXPECT_TRUE(empty.empty());
}

}  // namespace
}  // namespace morvane
