#include <gtest/gtest.h>

#include "platform/os/fault_file_system.h"
#include "tests/tps/commit/scenario.h"

namespace tps {
namespace {

using os::FaultFileSystem;
using testing::CommitHistory;
using testing::Station;

uint64_t count(CommitHistory& history, FaultFileSystem::Op op) {
  history.restore();
  FaultFileSystem counting(history.memory());
  EXPECT_EQ(CommitHistory::run(counting), CommitHistory::kSteps);
  switch (op) {
    case FaultFileSystem::Op::read:
      return counting.reads();
    case FaultFileSystem::Op::write:
      return counting.writes();
    default:
      return counting.flushes();
  }
}

// The Nth read, write or flush fails, once or from then on: the running
// operation reports it, and the file holds the state before or after the
// commit that was running. A station that saw a failure once still reads a
// whole state afterwards.
TEST(IoErrors, AnyFailedReadWriteOrFlushLeavesAWholeState) {
  CommitHistory history;
  const std::pair<FaultFileSystem::Op, const char*> ops[] = {
      {FaultFileSystem::Op::read, "read"},
      {FaultFileSystem::Op::write, "write"},
      {FaultFileSystem::Op::flush, "flush"},
  };
  for (auto [op, name] : ops) {
    const uint64_t total = count(history, op);
    ASSERT_GT(total, 0u);
    for (bool persistent : {false, true}) {
      for (uint64_t n = 1; n <= total; ++n) {
        std::string context = std::string(name) + (persistent ? " failing from " : " failing at ") +
                              std::to_string(n);
        history.restore();
        FaultFileSystem faulty(history.memory());
        faulty.set_flush_failure_loses_data(true);
        if (persistent) {
          faulty.fail_from(op, n);
        } else {
          faulty.fail_once(op, n);
        }
        std::unique_ptr<Station> station;
        int completed = CommitHistory::run(faulty, &station);
        if (!persistent && station->open_error() == 0) {
          // The same station carries on once the fault is gone.
          faulty.clear_faults();
          testing::Records seen = station->read_all();
          bool whole = seen == history.state(completed) ||
                       (completed < CommitHistory::kSteps && seen == history.state(completed + 1));
          EXPECT_TRUE(whole) << context << ": the failing station sees a mixed state";
        }
        station.reset();
        history.expect_whole_state(completed, context);
        if (::testing::Test::HasFatalFailure()) return;
      }
    }
  }
}

}  // namespace
}  // namespace tps
