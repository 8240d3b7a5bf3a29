// Entry point of the contract tests. On Windows the same program also serves
// as the child process that process tests start (see child_mode.h).
#include <gtest/gtest.h>

#include "contract/child_mode.h"

int main(int argc, char** argv) {
  if (int rc = 0; morvane::contract::RunChildMode(argc, argv, rc)) return rc;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
