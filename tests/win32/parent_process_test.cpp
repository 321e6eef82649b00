// The parent lookup against the real process snapshot. (Which parent it finds is shown by
// the executable's watchdog tests, where a real parent starts Quorvane.exe.)
#include "win32/parent_process.h"

#include <gtest/gtest.h>

namespace {

TEST(ParentProcess, FindsThisProcessInTheSnapshot) {
  // A process started from a shell under Wine has parent id 0; not finding this process
  // at all would give kNoParentProcess.
  EXPECT_NE(win32::getParentProcessId(), win32::kNoParentProcess);
}

}  // namespace
