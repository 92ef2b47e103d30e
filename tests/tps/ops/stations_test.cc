// Other stations are forked processes working on the same file. Each test
// forks its stations before this process opens the file, so that no file
// object (and so no lock) is inherited across the fork.
#include <gtest/gtest.h>

#include <string>

#include "platform/os/clock.h"
#include "tests/support/support.h"
#include "tests/tps/lock/other_station.h"
#include "tests/tps/ops/ops_table.h"
#include "tests/tps/station.h"
#include "tps/table/record_keys.h"

namespace tps {
namespace {

using ops_testing::kByNumber;
using ops_testing::Pupils;
using testing::ChildStation;

// Exit codes of a station: 0 when every step went as expected.
constexpr int kStepFailed = 3;

class OpsStations : public ::testing::Test {
 protected:
  // Creates the table with pupils numbered as given and closes it again.
  void fill(std::initializer_list<int32_t> numbers) {
    Pupils creator(path_);
    creator.create_and_open();
    for (int32_t number : numbers) {
      ASSERT_EQ(creator.add(number, "Alumno " + std::to_string(number), 1, "nota " + std::to_string(number)), 0);
      records_.push_back(creator.pointer());
    }
    ASSERT_EQ(creator.run(op::kClose), 0);
  }

  // A station that opens the table, says it is ready, and runs each step
  // after a release, saying ready again after it.
  ChildStation station(std::vector<std::function<bool(Pupils&)>> steps) {
    return ChildStation([this, steps](ChildStation::Handshake& handshake) {
      Pupils pupils(path_);
      if (pupils.open() != 0) return kStepFailed;
      handshake.ready();
      for (const auto& step : steps) {
        handshake.wait_for_release();
        if (!step(pupils)) return kStepFailed;
        handshake.ready();
      }
      handshake.wait_for_release();
      return 0;
    });
  }

  testing_support::TempDir dir_;
  const std::string path_ = dir_.file("pupils.tps");
  std::vector<uint32_t> records_;
};

bool get_number(Pupils& pupils, int32_t number) {
  pupils.set(number, "", 0);
  return pupils.run_key(op::kGetFileKey, kByNumber) == 0;
}

TEST_F(OpsStations, KeyScanPassesEntriesDeletedAheadAndMeetsEntriesAddedAhead) {
  fill({10, 20, 30, 40});
  ChildStation other = station({
      [](Pupils& p) { return get_number(p, 20) && p.run(op::kDelete) == 0; },
      [](Pupils& p) { return p.add(35, "Nuevo") == 0; },
  });
  ASSERT_TRUE(other.ready());
  Pupils pupils(path_);
  ASSERT_EQ(pupils.open(), 0);
  ASSERT_EQ(pupils.run_key(op::kSetKey, kByNumber), 0);
  ASSERT_EQ(pupils.run(op::kNext), 0);
  EXPECT_EQ(pupils.number(), 10);

  other.release();
  ASSERT_TRUE(other.ready());
  ASSERT_EQ(pupils.run(op::kNext), 0);
  EXPECT_EQ(pupils.number(), 30) << "the entry deleted ahead is passed over";

  other.release();
  ASSERT_TRUE(other.ready());
  ASSERT_EQ(pupils.run(op::kNext), 0);
  EXPECT_EQ(pupils.number(), 35) << "the entry added ahead is met";
  ASSERT_EQ(pupils.run(op::kNext), 0);
  EXPECT_EQ(pupils.number(), 40);
  EXPECT_EQ(pupils.run(op::kNext), error::kRecordNotAvailable);
  other.release();
  EXPECT_EQ(other.finish(), 0);
}

// A key entry whose data record is missing (left by a station that died
// halfway, or a damaged file) is stepped over, not reported.
TEST_F(OpsStations, KeyEntryWithoutItsRecordIsSkipped) {
  fill({10, 20, 30});
  {
    testing::Station raw(os::real_file_system(), path_);
    ASSERT_EQ(raw.update([&](PageTree& tree) {
      const Bytes key = data_record_key(1, records_[1]);
      tree.remove(key.data(), key.size());
    }), 0);
  }
  Pupils pupils(path_);
  ASSERT_EQ(pupils.open(), 0);
  ASSERT_EQ(pupils.run_key(op::kSetKey, kByNumber), 0);
  ASSERT_EQ(pupils.run(op::kNext), 0);
  EXPECT_EQ(pupils.number(), 10);
  ASSERT_EQ(pupils.run(op::kNext), 0);
  EXPECT_EQ(pupils.number(), 30);
  ASSERT_EQ(pupils.run(op::kPrevious), 0);
  EXPECT_EQ(pupils.number(), 10);
}

TEST_F(OpsStations, PutAfterWatchLosesToAnotherStationsChangeAndWritesNothing) {
  fill({10});
  ChildStation other = station({
      [](Pupils& p) {
        if (!get_number(p, 10)) return false;
        p.set(10, "Cambiado por otro", 2, "p\xE1rrafo del otro puesto");
        return p.run(op::kPut) == 0;
      },
  });
  ASSERT_TRUE(other.ready());
  Pupils pupils(path_);
  ASSERT_EQ(pupils.open(), 0);
  ASSERT_EQ(pupils.run(op::kWatch), 0);
  ASSERT_TRUE(get_number(pupils, 10));
  other.release();
  ASSERT_TRUE(other.ready());

  pupils.set(10, "Mi cambio", 3, "mi p\xE1rrafo");
  EXPECT_EQ(pupils.run(op::kPut), error::kRecordChangedByAnotherStation);
  ASSERT_TRUE(get_number(pupils, 10));
  EXPECT_EQ(pupils.name(), "Cambiado por otro");
  EXPECT_EQ(pupils.klass(), 2);
  EXPECT_EQ(pupils.notes(), "p\xE1rrafo del otro puesto");
  other.release();
  EXPECT_EQ(other.finish(), 0);
}

TEST_F(OpsStations, RecordHeldElsewhereRefusesHoldPutAndDeleteButNotReading) {
  fill({10, 20});
  ChildStation other = station({
      [](Pupils& p) { return p.run(op::kHoldFile) == 0 && get_number(p, 10); },
      [](Pupils& p) { return p.run(op::kRelease) == 0; },
  });
  ASSERT_TRUE(other.ready());
  other.release();
  ASSERT_TRUE(other.ready());  // the other station holds pupil 10

  Pupils pupils(path_);
  ASSERT_EQ(pupils.open(), 0);
  EXPECT_TRUE(get_number(pupils, 10)) << "reading without HOLD is not refused";
  pupils.set(10, "Otro nombre", 1);
  EXPECT_EQ(pupils.run(op::kPut), error::kAccessDenied);
  EXPECT_EQ(pupils.run(op::kDelete), error::kRecordNotAvailable);

  DriverArguments one_second;
  one_second.seconds = 1;
  ASSERT_EQ(pupils.run(op::kHoldFileSec, one_second), 0);
  const uint64_t start = os::tick_ms();
  pupils.set(10, "", 0);
  EXPECT_EQ(pupils.run_key(op::kGetFileKey, kByNumber), error::kRecordAlreadyHeld);
  EXPECT_GE(os::tick_ms() - start, 900u) << "the hold was tried for its second";

  // A scan with HOLD stops at the held record without moving past it; the
  // hold stays requested.
  DriverArguments no_wait;
  no_wait.seconds = 0;
  ASSERT_EQ(pupils.run(op::kHoldFileSec, no_wait), 0);
  ASSERT_EQ(pupils.run_key(op::kSetKey, kByNumber), 0);
  EXPECT_EQ(pupils.run(op::kNext), error::kRecordAlreadyHeld);

  other.release();
  ASSERT_TRUE(other.ready());  // released
  ASSERT_EQ(pupils.run(op::kNext), 0) << "the scan resumes at the same entry, still asking for the hold";
  EXPECT_EQ(pupils.number(), 10);
  pupils.set(10, "Otro nombre", 1);
  EXPECT_EQ(pupils.run(op::kPut), 0);
  other.release();
  EXPECT_EQ(other.finish(), 0);
}

// Deferred commits: other stations see the changes only once they are
// flushed.
TEST_F(OpsStations, DeferredCommitsReachOtherStationsAtTheFlush) {
  fill({10});
  ChildStation other = station({
      [](Pupils& p) { return p.records() == 1; },
      [](Pupils& p) { return p.records() == 4; },
  });
  ASSERT_TRUE(other.ready());
  Pupils pupils(path_);
  ASSERT_EQ(pupils.open(), 0);
  pupils.table().status.deferred_commit = true;
  for (int32_t number : {20, 30, 40}) ASSERT_EQ(pupils.add(number, "Diferido"), 0);
  EXPECT_EQ(pupils.records(), 4u) << "this station sees its own changes";
  other.release();
  ASSERT_TRUE(other.ready()) << "the other station saw the deferred changes";
  pupils.table().status.deferred_commit = false;
  ASSERT_EQ(pupils.run(op::kFlush), 0);
  other.release();
  ASSERT_TRUE(other.ready()) << "the other station did not see the flushed changes";
  other.release();
  EXPECT_EQ(other.finish(), 0);
}

TEST_F(OpsStations, LockWithATimeLimitGivesUpWhileAnotherStationHoldsTheTable) {
  fill({10});
  ChildStation other = station({
      [](Pupils& p) { return p.run(op::kLockFile) == 0; },
  });
  ASSERT_TRUE(other.ready());
  other.release();
  ASSERT_TRUE(other.ready());
  Pupils pupils(path_);
  ASSERT_EQ(pupils.open(), 0);
  DriverArguments one_second;
  one_second.seconds = 1;
  EXPECT_EQ(pupils.run(op::kLockFileSec, one_second), error::kFileAlreadyLocked);
  other.release();
  EXPECT_EQ(other.finish(), 0);
  EXPECT_EQ(pupils.run(op::kLockFileSec, one_second), 0);
  EXPECT_EQ(pupils.run(op::kUnlock), 0);
}

}  // namespace
}  // namespace tps
