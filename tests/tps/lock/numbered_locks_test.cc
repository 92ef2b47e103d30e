#include "tps/lock/numbered_locks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os/clock.h"
#include "tests/support/support.h"
#include "tests/tps/lock/other_station.h"
#include "tests/tps/station.h"

namespace tps {
namespace {

using testing::ChildStation;
using testing::other_station_gets;
using testing::other_station_gets_number;
using testing::shared_read_write;

constexpr uint32_t kTable = 5;
constexpr uint32_t kRecord = 9;

class NumberedLocks : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(me_.open(shared_read_write()), 0); }

  testing_support::TempDir dir_;
  std::string path_ = dir_.file("locks.tps");
  FileObject me_{os::real_file_system(), path_};
};

// A record held under the table's LOCK counts one more level; releasing it
// leaves the table locked. Each number keeps its own byte, in whatever order
// the levels are taken and given up: one count for all numbers would let the
// second number ride on the first one's byte (another station could take it
// too) and unlock the wrong byte at the end.
TEST_F(NumberedLocks, HoldNestsUnderTableLockInEitherOrder) {
  ASSERT_EQ(lock_table(me_, kTable, LockDeadline::kWithoutLimit), 0);
  ASSERT_EQ(hold_record(me_, kRecord), 0);
  EXPECT_EQ(me_.lock_nesting(), 2u);
  EXPECT_FALSE(other_station_gets_number(path_, kTable));
  EXPECT_FALSE(other_station_gets_number(path_, kRecord));
  release_record(me_, kRecord);
  EXPECT_EQ(me_.lock_nesting(), 1u);
  EXPECT_FALSE(other_station_gets_number(path_, kTable)) << "the table lock went with the record";
  EXPECT_TRUE(other_station_gets_number(path_, kRecord));
  unlock_table(me_, kTable);
  EXPECT_EQ(me_.lock_nesting(), 0u);
  EXPECT_TRUE(other_station_gets_number(path_, kTable));

  ASSERT_EQ(hold_record(me_, kRecord), 0);
  ASSERT_EQ(lock_table(me_, kTable, 0), 0);
  EXPECT_FALSE(other_station_gets_number(path_, kTable));
  release_record(me_, kRecord);
  EXPECT_FALSE(other_station_gets_number(path_, kTable));
  unlock_table(me_, kTable);
  EXPECT_TRUE(other_station_gets_number(path_, kTable));
  EXPECT_TRUE(other_station_gets_number(path_, kRecord));
  EXPECT_EQ(me_.lock_nesting(), 0u);
}

TEST_F(NumberedLocks, SameNumberTakenTwiceNeedsTwoReleases) {
  ASSERT_EQ(lock_table(me_, kTable, 0), 0);
  ASSERT_EQ(lock_table(me_, kTable, 0), 0);
  unlock_table(me_, kTable);
  EXPECT_FALSE(other_station_gets_number(path_, kTable));
  unlock_table(me_, kTable);
  EXPECT_TRUE(other_station_gets_number(path_, kTable));
  unlock_table(me_, kTable);  // one release too many: nothing to give up
  EXPECT_EQ(me_.lock_nesting(), 0u);
}

// While another station holds a number, each way of taking it fails with its
// own error; a refused HOLD also ends the read operation (view released,
// reader mode) so that the holder can go on.
TEST_F(NumberedLocks, RefusalsReturnTheirErrors) {
  ChildStation holder([&](ChildStation::Handshake& handshake) {
    FileObject other(os::real_file_system(), path_);
    if (other.open(shared_read_write()) != 0 || other.locks().take_number(kRecord) != 0) return 1;
    handshake.ready();
    handshake.wait_for_release();
    return 0;
  });
  ASSERT_TRUE(holder.ready());

  me_.switch_to_update_mode();
  ASSERT_EQ(me_.refresh_header(), 0);
  EXPECT_EQ(hold_record(me_, kRecord), 43);
  EXPECT_FALSE(me_.view_held());
  EXPECT_TRUE(me_.reader_mode());
  EXPECT_EQ(lock_record_for_put(me_, kRecord), 5);
  EXPECT_EQ(lock_record_for_delete(me_, kRecord), 33);
  EXPECT_EQ(lock_table(me_, kRecord, 0), 32);
  EXPECT_EQ(me_.lock_nesting(), 0u);

  HoldDeadline no_time(0);
  EXPECT_TRUE(no_time.over());
  HoldDeadline without_limit(LockDeadline::kWithoutLimit);
  EXPECT_FALSE(without_limit.over());

  holder.release();
  EXPECT_EQ(holder.finish(), 0);
  EXPECT_EQ(hold_record(me_, kRecord), 0);
}

// LOCK with a time limit of one second gives up with 32 after about a
// second, pausing through the wait hook and tracing every refusal; LOCK
// without a limit waits until the holder's UNLOCK.
TEST_F(NumberedLocks, TimedLockGivesUpAndUntimedLockWaitsForUnlock) {
  constexpr uint32_t kHolderKeepsMs = 300;
  ChildStation holder([&](ChildStation::Handshake& handshake) {
    FileObject other(os::real_file_system(), path_);
    if (other.open(shared_read_write()) != 0) return 1;
    if (lock_table(other, kTable, LockDeadline::kWithoutLimit) != 0) return 2;
    handshake.ready();
    handshake.wait_for_release();
    os::sleep_ms(kHolderKeepsMs);
    unlock_table(other, kTable);
    handshake.wait_for_release();
    return 0;
  });
  ASSERT_TRUE(holder.ready());

  int pauses = 0;
  set_lock_wait_hook([&](uint32_t ms) {
    ++pauses;
    EXPECT_LE(ms, kTimedLockPauseMs);
    os::sleep_ms(ms);
  });
  std::vector<std::string> trace;
  uint64_t start = os::tick_ms();
  EXPECT_EQ(lock_table(me_, kTable, 1, [&](const std::string& line) { trace.push_back(line); }), 32);
  uint64_t elapsed = os::tick_ms() - start;
  set_lock_wait_hook({});
  EXPECT_GE(elapsed, 900u);
  EXPECT_LE(elapsed, 3000u);
  EXPECT_GE(pauses, 1);
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ(trace.front().rfind("LockFile failed with error ", 0), 0u) << trace.front();
  EXPECT_EQ(trace.back().rfind("Locking failed with error ", 0), 0u) << trace.back();
  EXPECT_EQ(me_.lock_nesting(), 0u);

  holder.release();
  start = os::tick_ms();
  EXPECT_EQ(lock_table(me_, kTable, LockDeadline::kWithoutLimit), 0);
  EXPECT_GE(os::tick_ms() - start, kHolderKeepsMs - 50);
  holder.release();
  EXPECT_EQ(holder.finish(), 0);
}

// CLOSE of a table latched faulty gives up every byte the file object may
// hold, and one level of the table's LOCK, without committing anything.
TEST_F(NumberedLocks, FaultyCloseReleasesEveryByteWithoutCommitting) {
  me_.switch_to_update_mode();
  ASSERT_EQ(me_.refresh_header(), 0);
  PageTree tree(me_);
  testing::Station::put(tree, "never", "committed");
  ASSERT_EQ(lock_table(me_, kTable, 0), 0);
  ASSERT_EQ(lock_table(me_, kTable, 0), 0);
  ASSERT_EQ(hold_record(me_, kRecord), 0);
  ASSERT_EQ(me_.locks().lock_writer(false), 0);  // as if a commit faulted
  me_.set_writer_lock_held(true);

  release_locks_of_faulty_table(me_, kTable);
  EXPECT_FALSE(me_.changed());
  EXPECT_FALSE(me_.view_held());
  EXPECT_FALSE(me_.writer_lock_held());
  EXPECT_EQ(me_.lock_nesting(), 2u);
  EXPECT_TRUE(other_station_gets(path_, [](StationLocks& l) { return l.lock_update_byte(false); }));
  EXPECT_TRUE(other_station_gets(path_, [](StationLocks& l) { return l.lock_writer(false); }));
  EXPECT_FALSE(other_station_gets_number(path_, kTable)) << "one of two levels given up";
  EXPECT_FALSE(other_station_gets_number(path_, kRecord)) << "the held record is not the table's";

  testing::Station reader(os::real_file_system(), path_, false);
  EXPECT_TRUE(reader.read_all().empty());
}

}  // namespace
}  // namespace tps
