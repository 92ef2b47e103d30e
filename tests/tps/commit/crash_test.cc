#include <gtest/gtest.h>

#include "platform/os/fault_file_system.h"
#include "tests/tps/crash_modes.h"
#include "tests/tps/commit/scenario.h"

namespace tps {
namespace {

using os::FaultFileSystem;
using testing::crash_plan;
using testing::CrashMode;
using testing::kCrashModes;
using testing::CommitHistory;

uint64_t count_writes(CommitHistory& history) {
  history.restore();
  FaultFileSystem counting(history.memory());
  EXPECT_EQ(CommitHistory::run(counting), CommitHistory::kSteps);
  return counting.writes();
}

// Every single write of the history is the last one: the machine stops
// there (the write lost, torn, or with the disk cache losing what was not
// flushed), and the next station must find the state before or after the
// commit that was running.
TEST(Crash, AtEveryWriteLeavesTheOldOrTheNewState) {
  CommitHistory history;
  const uint64_t writes = count_writes(history);
  ASSERT_GT(writes, 20u);
  for (const CrashMode& mode : kCrashModes) {
    for (uint64_t n = 1; n <= writes; ++n) {
      history.restore();
      FaultFileSystem faulty(history.memory());
      faulty.plan_crash(crash_plan(mode, n));
      int completed = CommitHistory::run(faulty);
      ASSERT_TRUE(faulty.crashed());
      history.expect_whole_state(completed, std::string(mode.name) + " at write " + std::to_string(n));
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

}  // namespace
}  // namespace tps
