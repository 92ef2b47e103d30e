// GETSTATE, RESTORESTATE and FREESTATE through the entry point: a scan put
// back where it stood, the buffers kept or put back, and the table opened or
// closed as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tests/tps/ops/ops_table.h"
#include "tps/maint/state_block.h"

namespace tps {
namespace {

using ops_testing::kByName;
using ops_testing::kByNumber;
using ops_testing::Pupils;

// The caller's block, freed through FREESTATE at the end of the test.
class Saved {
 public:
  explicit Saved(Pupils& pupils) : pupils_(pupils) {
    DriverArguments args;
    args.state_out = &block_;
    EXPECT_EQ(pupils.run(op::kGetState, args), 0);
    EXPECT_NE(block_, nullptr);
  }
  ~Saved() {
    DriverArguments args;
    args.state = block_;
    EXPECT_EQ(pupils_.run(op::kFreeState, args), 0);
  }
  int restore(bool restore_buffers) {
    DriverArguments args;
    args.state = block_;
    args.restore_buffers = restore_buffers;
    return pupils_.run(op::kRestoreState, args);
  }
  StateBlock* block() const { return block_; }

 private:
  Pupils& pupils_;
  StateBlock* block_ = nullptr;
};

class StateBlockTest : public testing::Test {
 protected:
  void SetUp() override {
    pupils_.create_and_open();
    // Record order and number order differ from name order.
    for (const auto& [number, name] : std::vector<std::pair<int, std::string>>{
             {1, "Eva"}, {2, "Dora"}, {3, "Carla"}, {4, "Bea"}, {5, "Ana"}})
      ASSERT_EQ(pupils_.add(number, name, 1, "notes of " + name), 0);
  }

  int next() { return pupils_.run(op::kNext); }
  int previous() { return pupils_.run(op::kPrevious); }

  testing_support::TempDir dir_;
  Pupils pupils_{dir_.file("pupils.tps")};
};

TEST_F(StateBlockTest, ScanContinuesFromTheSavedRecord) {
  struct Case {
    const char* name;
    int set;
    int key;
    bool forward;
    std::vector<int32_t> expected;  // numbers read: two before the state, two after, then two after the restore
  };
  for (const Case& c : std::vector<Case>{
           {"key order", op::kSetKey, kByNumber, true, {1, 2, 3, 4, 3, 4}},
           {"record order", op::kSetFile, -1, true, {1, 2, 3, 4, 3, 4}},
           {"name order backwards", op::kSetKey, kByName, false, {1, 2, 3, 4, 3, 4}},
           {"key order backwards", op::kSetKey, kByNumber, false, {5, 4, 3, 2, 3, 2}}}) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(pupils_.run_key(c.set, c.key), 0);
    auto step = [&] { return c.forward ? next() : previous(); };
    ASSERT_EQ(step(), 0);
    EXPECT_EQ(pupils_.number(), c.expected[0]);
    ASSERT_EQ(step(), 0);
    EXPECT_EQ(pupils_.number(), c.expected[1]);
    Saved saved(pupils_);
    ASSERT_EQ(step(), 0);
    EXPECT_EQ(pupils_.number(), c.expected[2]);
    ASSERT_EQ(step(), 0);
    EXPECT_EQ(pupils_.number(), c.expected[3]);

    ASSERT_EQ(saved.restore(true), 0);
    EXPECT_EQ(pupils_.number(), c.expected[1]) << "the saved record is back in the buffer";
    ASSERT_EQ(step(), 0);
    EXPECT_EQ(pupils_.number(), c.expected[4]);
    ASSERT_EQ(step(), 0);
    EXPECT_EQ(pupils_.number(), c.expected[5]);
  }
}

TEST_F(StateBlockTest, BuffersComeBackOnlyWhenAsked) {
  ASSERT_EQ(pupils_.run_key(op::kSetKey, kByNumber), 0);
  ASSERT_EQ(next(), 0);
  ASSERT_EQ(next(), 0);
  const uint32_t saved_record = pupils_.pointer();
  Saved saved(pupils_);
  ASSERT_EQ(next(), 0);
  pupils_.set(33, "Edited", 7, "edited notes");

  ASSERT_EQ(saved.restore(false), 0);
  EXPECT_EQ(pupils_.number(), 33) << "the buffers hold what they held before the call";
  EXPECT_EQ(pupils_.name(), "Edited");
  EXPECT_EQ(pupils_.notes(), "edited notes");
  EXPECT_EQ(pupils_.pointer(), saved_record) << "the saved record is the current one again";
  ASSERT_EQ(next(), 0);
  EXPECT_EQ(pupils_.number(), 3);

  pupils_.set(33, "Edited", 7, "edited notes");
  ASSERT_EQ(saved.restore(true), 0);
  EXPECT_EQ(pupils_.number(), 2);
  EXPECT_EQ(pupils_.name(), "Dora");
  EXPECT_EQ(pupils_.notes(), "notes of Dora");
  // The current record is the saved one: a change goes to it.
  pupils_.set_notes("rewritten");
  ASSERT_EQ(pupils_.run(op::kPut), 0);
  ASSERT_EQ(pupils_.run_number(op::kGetFilePtr, saved_record), 0);
  EXPECT_EQ(pupils_.notes(), "rewritten");
}

TEST_F(StateBlockTest, SetWithoutReadIsRepeatedWithItsValue) {
  pupils_.set(3, "", 0);
  ASSERT_EQ(pupils_.run_key(op::kSetKeyKey, kByNumber), 0);
  Saved saved(pupils_);
  pupils_.set(5, "", 0);
  ASSERT_EQ(pupils_.run_key(op::kSetKeyKey, kByNumber), 0);
  ASSERT_EQ(next(), 0);
  EXPECT_EQ(pupils_.number(), 5);

  ASSERT_EQ(saved.restore(false), 0);
  ASSERT_EQ(next(), 0);
  EXPECT_EQ(pupils_.number(), 3) << "the SET's own value, not the buffer's";
}

TEST_F(StateBlockTest, WatchOnTheCurrentRecordStands) {
  ASSERT_EQ(pupils_.run(op::kWatch), 0);
  ASSERT_EQ(pupils_.run_number(op::kGetFilePtr, 3), 0);
  Saved saved(pupils_);
  ASSERT_EQ(saved.restore(false), 0);

  Pupils other(dir_.file("pupils.tps"));
  ASSERT_EQ(other.open(), 0);
  ASSERT_EQ(other.run_number(op::kGetFilePtr, 3), 0);
  other.set_notes("changed elsewhere");
  ASSERT_EQ(other.run(op::kPut), 0);

  pupils_.set_notes("mine");
  EXPECT_EQ(pupils_.run(op::kPut), error::kRecordChangedByAnotherStation);
}

TEST_F(StateBlockTest, SavedRecordGoneIsRecordNotFound) {
  ASSERT_EQ(pupils_.run_key(op::kSetKey, kByNumber), 0);
  ASSERT_EQ(next(), 0);
  ASSERT_EQ(next(), 0);
  Saved saved(pupils_);
  ASSERT_EQ(pupils_.run(op::kDelete), 0);

  EXPECT_EQ(saved.restore(true), error::kRecordNotFound);
  EXPECT_EQ(pupils_.pointer(), 0u) << "nothing to change or delete by mistake";
  EXPECT_EQ(pupils_.number(), 2) << "the saved buffer is still handed back";
  ASSERT_EQ(next(), 0);
  EXPECT_EQ(pupils_.number(), 3) << "the scan goes on past the deleted record";
}

TEST_F(StateBlockTest, TableIsOpenedOrClosedAsItWas) {
  ASSERT_EQ(pupils_.run_key(op::kSetKey, kByName), 0);
  ASSERT_EQ(next(), 0);
  Saved open_state(pupils_);
  ASSERT_EQ(pupils_.run(op::kClose), 0);
  Saved closed_state(pupils_);

  ASSERT_EQ(open_state.restore(false), 0);
  EXPECT_TRUE(pupils_.table().status.open);
  ASSERT_EQ(next(), 0);
  EXPECT_EQ(pupils_.name(), "Bea") << "the scan by name continues after Ana";

  ASSERT_EQ(closed_state.restore(false), 0);
  EXPECT_FALSE(pupils_.table().status.open);
  EXPECT_EQ(pupils_.name(), "Bea") << "closing leaves the buffers";
  EXPECT_EQ(closed_state.restore(false), 0) << "closed and staying closed";
}

TEST_F(StateBlockTest, MissingOrForeignBlockIsRefused) {
  Pupils other(dir_.file("other.tps"));
  other.create_and_open();
  Saved foreign(other);

  DriverArguments none;
  EXPECT_EQ(pupils_.run(op::kGetState, none), error::kInvalidNumberOfParameters);
  EXPECT_EQ(pupils_.run(op::kRestoreState, none), error::kInvalidNumberOfParameters);
  EXPECT_EQ(pupils_.run(op::kFreeState, none), error::kInvalidNumberOfParameters);
  DriverArguments foreign_args;
  foreign_args.state = foreign.block();
  EXPECT_EQ(pupils_.run(op::kRestoreState, foreign_args), error::kInvalidRecordDeclaration);
  EXPECT_EQ(pupils_.run(op::kFreeState, foreign_args), error::kInvalidRecordDeclaration)
      << "left to its own table, which frees it";
  EXPECT_TRUE(pupils_.table().status.open);
}

}  // namespace
}  // namespace tps
