#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tests/tps/ops/ops_table.h"

namespace tps {
namespace {

using ops_testing::kByClass;
using ops_testing::kByName;
using ops_testing::kByNumber;
using ops_testing::Pupils;

// Five pupils added in this order (record numbers ascending):
//   number 10 "Ana" class 1, 20 "Bruno" 2, 30 "ana" 1, 40 "Carla" 2, 50 "Diego" 1.
// By name (without case): Ana, ana, Bruno, Carla, Diego. By class: 10 30 50 | 20 40.
class OpsNavigation : public ::testing::Test {
 protected:
  void SetUp() override {
    pupils_.create_and_open();
    const struct {
      int32_t number;
      const char* name;
      int16_t klass;
    } rows[] = {{10, "Ana", 1}, {20, "Bruno", 2}, {30, "ana", 1}, {40, "Carla", 2}, {50, "Diego", 1}};
    for (const auto& row : rows) {
      ASSERT_EQ(pupils_.add(row.number, row.name, row.klass), 0);
      records_.push_back(pupils_.pointer());
    }
  }

  // The pupil numbers the next reads return; 0 stands for end of file (33).
  std::vector<int> scan(int operation, size_t reads) {
    std::vector<int> seen;
    for (size_t i = 0; i < reads; ++i) {
      const int error = pupils_.run(operation);
      if (error == error::kRecordNotAvailable) {
        seen.push_back(0);
        break;
      }
      EXPECT_EQ(error, 0);
      seen.push_back(pupils_.number());
    }
    return seen;
  }

  testing_support::TempDir dir_;
  Pupils pupils_{dir_.file("pupils.tps")};
  std::vector<uint32_t> records_;
};

TEST_F(OpsNavigation, EverySetModeStartsWhereItsTableSays) {
  constexpr int kBeyond = -2;  // a record number beyond the last one
  constexpr int kNone = -1;
  struct Case {
    const char* name;
    int operation;
    int key;
    int32_t number;  // buffer values the probe is built from
    const char* pupil;
    int16_t klass;
    int record;      // index into records_, kNone, or kBeyond
    bool forward;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {"SETfile forward", op::kSetFile, -1, 0, "", 0, kNone, true, {10, 20, 30}},
      {"SETfile backward", op::kSetFile, -1, 0, "", 0, kNone, false, {50, 40, 30}},
      {"SETfileptr on a record", op::kSetFilePtr, -1, 0, "", 0, 1, true, {20, 30, 40}},
      {"SETfileptr past the end gives the last record", op::kSetFilePtr, -1, 0, "", 0, kBeyond, true, {50, 0}},
      {"SETkey forward", op::kSetKey, kByName, 0, "", 0, kNone, true, {10, 30, 20}},
      {"SETkey backward", op::kSetKey, kByName, 0, "", 0, kNone, false, {50, 40, 20}},
      {"SETkeykey unique, value present", op::kSetKeyKey, kByNumber, 30, "", 0, kNone, true, {30, 40, 50}},
      {"SETkeykey unique, value absent", op::kSetKeyKey, kByNumber, 35, "", 0, kNone, true, {40, 50, 0}},
      {"SETkeykey unique, above every value", op::kSetKeyKey, kByNumber, 99, "", 0, kNone, true, {0}},
      {"SETkeykey unique, backward", op::kSetKeyKey, kByNumber, 30, "", 0, kNone, false, {30, 20, 10}},
      {"SETkeykey DUP, forward: lowest record first", op::kSetKeyKey, kByName, 0, "ANA", 0, kNone, true,
       {10, 30, 20}},
      {"SETkeykey DUP, backward: highest record first", op::kSetKeyKey, kByName, 0, "ANA", 0, kNone, false,
       {30, 10, 0}},
      {"SETkeykey DUP, backward over a class", op::kSetKeyKey, kByClass, 0, "", 2, kNone, false, {40, 20, 50}},
      {"SETfilekey: the entry, then record order", op::kSetFileKey, kByClass, 0, "", 2, kNone, true,
       {20, 30, 40}},
      {"SETkeyptr: the record, then key order", op::kSetKeyPtr, kByName, 0, "", 0, 3, true, {40, 50, 0}},
      {"SETkeyptr without a record is SETkey", op::kSetKeyPtr, kByName, 0, "", 0, kNone, true, {10, 30}},
      {"SETkeykeyptr on the entry", op::kSetKeyKeyPtr, kByClass, 0, "", 1, 2, true, {30, 50, 20}},
      {"SETkeykeyptr between entries", op::kSetKeyKeyPtr, kByClass, 0, "", 1, 3, true, {50, 20, 40}},
  };
  for (const Case& c : cases) {
    pupils_.set(c.number, c.pupil, c.klass);
    DriverArguments args;
    args.key = c.key;
    args.record = c.record == kBeyond ? records_.back() + 100 : c.record == kNone ? 0 : records_[size_t(c.record)];
    ASSERT_EQ(pupils_.run(c.operation, args), 0) << c.name;
    EXPECT_EQ(scan(c.forward ? op::kNext : op::kPrevious, c.expected.size()), c.expected) << c.name;
  }
}

TEST_F(OpsNavigation, SetFilePtrInAGapStartsAtTheNextRecord) {
  ASSERT_EQ(pupils_.run_number(op::kGetFilePtr, records_[2]), 0);
  ASSERT_EQ(pupils_.run(op::kDelete), 0);
  ASSERT_EQ(pupils_.run_number(op::kSetFilePtr, records_[2]), 0);
  EXPECT_EQ(scan(op::kNext, 2), (std::vector<int>{40, 50}));
}

TEST_F(OpsNavigation, EofAndBofDoNotMoveTheScan) {
  ASSERT_EQ(pupils_.run_key(op::kSetKey, kByNumber), 0);
  ASSERT_EQ(pupils_.run(op::kNext), 0);
  EXPECT_EQ(pupils_.run(op::kEof), 0);
  EXPECT_EQ(pupils_.value(), 0u);
  EXPECT_EQ(pupils_.run(op::kBof), 0);
  EXPECT_EQ(pupils_.value(), 1u);
  EXPECT_EQ(scan(op::kNext, 1), std::vector<int>{20});

  ASSERT_EQ(pupils_.run_key(op::kSetKeyKey, kByNumber), 0);  // buffer holds 20
  EXPECT_EQ(pupils_.run(op::kEof), 0);
  EXPECT_EQ(scan(op::kNext, 1), std::vector<int>{20});
  ASSERT_EQ(pupils_.run_number(op::kSetFilePtr, records_.back()), 0);
  ASSERT_EQ(pupils_.run(op::kNext), 0);
  EXPECT_EQ(pupils_.run(op::kEof), 0);
  EXPECT_EQ(pupils_.value(), 1u);
}

TEST_F(OpsNavigation, SkipMovesWithoutReadingAndStopsQuietlyAtTheEnd) {
  ASSERT_EQ(pupils_.run_key(op::kSetKey, kByNumber), 0);
  DriverArguments skip;
  skip.count = 2;
  ASSERT_EQ(pupils_.run(op::kSkip, skip), 0);
  EXPECT_EQ(scan(op::kNext, 1), std::vector<int>{30});
  skip.count = -2;
  ASSERT_EQ(pupils_.run(op::kSkip, skip), 0);
  EXPECT_EQ(scan(op::kNext, 1), std::vector<int>{20});
  skip.count = 10;
  EXPECT_EQ(pupils_.run(op::kSkip, skip), 0);
  EXPECT_EQ(scan(op::kNext, 1), std::vector<int>{0});
  EXPECT_EQ(scan(op::kPrevious, 1), std::vector<int>{40}) << "the skip stood on the last entry";
}

TEST_F(OpsNavigation, PositionStringsResumeAScan) {
  ASSERT_EQ(pupils_.run_key(op::kSetKey, kByName), 0);
  ASSERT_EQ(scan(op::kNext, 2), (std::vector<int>{10, 30}));
  std::string by_key, by_file;
  DriverArguments position;
  position.key = kByName;
  position.text_out = &by_key;
  ASSERT_EQ(pupils_.run(op::kPositionKey, position), 0);
  position.text_out = &by_file;
  ASSERT_EQ(pupils_.run(op::kPositionFile, position), 0);
  EXPECT_EQ(by_file.size(), 4u);
  EXPECT_EQ(by_key.size(), 4u + ops_testing::kNameLength);

  ASSERT_EQ(pupils_.run(op::kSetFile), 0);
  ASSERT_EQ(scan(op::kNext, 1), std::vector<int>{10});
  DriverArguments reset;
  reset.key = kByName;
  reset.position = by_key;
  ASSERT_EQ(pupils_.run(op::kResetKey, reset), 0);
  EXPECT_EQ(scan(op::kNext, 2), (std::vector<int>{30, 20}));
  pupils_.run(op::kLastSetKey);
  EXPECT_EQ(pupils_.value(), uint32_t(kByName + 1));
  reset.position = by_file;
  ASSERT_EQ(pupils_.run(op::kResetFile, reset), 0);
  EXPECT_EQ(scan(op::kNext, 2), (std::vector<int>{30, 40}));

  ASSERT_EQ(pupils_.run(op::kRegetKey, reset), error::kInvalidNumberOfParameters) << "a file position is too short";
  reset.position = by_key;
  ASSERT_EQ(pupils_.run(op::kRegetKey, reset), 0);
  EXPECT_EQ(pupils_.number(), 30);
  reset.position = by_file;
  ASSERT_EQ(pupils_.run(op::kRegetFile, reset), 0);
  EXPECT_EQ(pupils_.number(), 30);
  pupils_.run(op::kLastSetKey);
  EXPECT_EQ(pupils_.value(), 0u) << "RESETfile was the last, in record order";
}

TEST_F(OpsNavigation, GetFindsByKeyValueOrNumber) {
  pupils_.set(0, "ANA", 0);
  ASSERT_EQ(pupils_.run_key(op::kGetFileKey, kByName), 0);
  EXPECT_EQ(pupils_.number(), 10) << "the duplicate with the lowest record number";
  pupils_.set(40, "", 0);
  ASSERT_EQ(pupils_.run_key(op::kGetFileKey, kByNumber), 0);
  EXPECT_EQ(pupils_.name(), "Carla");
  EXPECT_EQ(pupils_.pointer(), records_[3]);
  pupils_.set(41, "", 0);
  EXPECT_EQ(pupils_.run_key(op::kGetFileKey, kByNumber), error::kRecordNotFound);
  EXPECT_EQ(pupils_.pointer(), 0u);
  EXPECT_EQ(pupils_.run_number(op::kGetFilePtr, records_.back() + 1), error::kRecordNotFound);
  ASSERT_EQ(pupils_.run_number(op::kGetKeyPtr, records_[1], kByName), 0);
  EXPECT_EQ(pupils_.number(), 20);
}

TEST_F(OpsNavigation, DuplicateTellsWhetherTheBufferWouldCollide) {
  ASSERT_EQ(pupils_.run_number(op::kGetFilePtr, records_[1]), 0);
  DriverArguments key;
  key.key = kByNumber;
  EXPECT_EQ(pupils_.run(op::kDuplicateKey, key), 0);
  EXPECT_EQ(pupils_.value(), 0u) << "the record's own entry";
  pupils_.set(30, "Bruno", 2);
  pupils_.run(op::kDuplicateKey, key);
  EXPECT_EQ(pupils_.value(), 1u);
  pupils_.run(op::kDuplicate);
  EXPECT_EQ(pupils_.value(), 1u);
  pupils_.set(31, "Bruno", 2);
  pupils_.run(op::kDuplicate);
  EXPECT_EQ(pupils_.value(), 0u) << "the name and class keys allow duplicates";
  pupils_.set(0, "Nadie", 2);
  pupils_.run(op::kDuplicateKey, key);
  EXPECT_EQ(pupils_.value(), 0u) << "a blank OPT value has no entry";
}

}  // namespace
}  // namespace tps
