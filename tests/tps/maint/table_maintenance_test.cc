#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/support.h"
#include "tests/tps/ops/ops_table.h"

namespace tps {
namespace {

using ops_testing::kByName;
using ops_testing::kByNumber;
using ops_testing::Pupils;

class TableMaintenance : public ::testing::Test {
 protected:
  std::string in_file(const std::string& file, const std::string& table) { return dir_.file(file) + "\\!" + table; }

  // Adds three pupils and deletes the middle one, so the numbers have a gap.
  void fill(Pupils& pupils) {
    pupils.create_and_open();
    ASSERT_EQ(pupils.add(1, "Ana", 1, "lee bien"), 0);
    ASSERT_EQ(pupils.add(2, "Bruno", 2), 0);
    ASSERT_EQ(pupils.run(op::kDelete), 0);
    ASSERT_EQ(pupils.add(3, "Carla", 1, "cuenta hasta diez"), 0);
  }

  int run_with_target(Pupils& pupils, int operation, const std::string& target) {
    DriverArguments args;
    args.text = target;
    return pupils.run(operation, args);
  }

  // The (record number, pupil number, name, notes) of every record, in record order.
  static std::vector<std::string> contents(Pupils& pupils) {
    std::vector<std::string> rows;
    if (pupils.run(op::kSetFile) != 0) return rows;
    while (pupils.run(op::kNext) == 0)
      rows.push_back(std::to_string(pupils.pointer()) + ":" + std::to_string(pupils.number()) + ":" +
                     pupils.name() + ":" + pupils.notes());
    return rows;
  }

  testing_support::TempDir dir_;
};

TEST_F(TableMaintenance, RemoveOfTheOnlyTableDeletesTheFileAndOfOneOfTwoKeepsTheOther) {
  const std::string path = dir_.file("school.tps");
  Pupils first(path + "\\!FIRST");
  Pupils second(path + "\\!SECOND");
  fill(first);
  fill(second);
  const std::vector<std::string> second_rows = contents(second);
  ASSERT_EQ(second.run(op::kClose), 0);

  ASSERT_EQ(first.run(op::kRemove), 0);
  EXPECT_FALSE(first.table().status.open);
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(first.open(), error::kFileNotFound);
  ASSERT_EQ(second.open(), 0);
  EXPECT_EQ(contents(second), second_rows);
  second.run_key(op::kRecordsKey, kByName);
  EXPECT_EQ(second.value(), 2u);

  ASSERT_EQ(second.run(op::kRemove), 0) << "removed while open";
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(TableMaintenance, EmptyLeavesNoRecordsAndNumbersKeepRising) {
  Pupils pupils(dir_.file("pupils.tps"));
  fill(pupils);
  const uint32_t highest = pupils.pointer();
  ASSERT_EQ(pupils.run(op::kEmpty), 0);
  EXPECT_EQ(pupils.records(), 0u);
  pupils.run_key(op::kRecordsKey, kByName);
  EXPECT_EQ(pupils.value(), 0u);
  EXPECT_TRUE(contents(pupils).empty());
  ASSERT_EQ(pupils.add(1, "Ana"), 0) << "the emptied key has no entry left to collide with";
  EXPECT_GT(pupils.pointer(), highest);
  EXPECT_EQ(pupils.records(), 1u);

  ASSERT_EQ(pupils.run(op::kClose), 0);
  ASSERT_EQ(pupils.open(access_mode::kReadOnly | access_mode::kDenyNone), 0);
  EXPECT_EQ(pupils.records(), 1u) << "definition and counters written again";
  EXPECT_EQ(pupils.run(op::kEmpty), error::kAccessDenied);
}

TEST_F(TableMaintenance, TableCopyMovesRecordNumbersUpAndKeepsRecordsKeysAndCounts) {
  Pupils source(in_file("school.tps", "PUPILS"));
  fill(source);
  // The target file already issued numbers, so the copy's must move up.
  Pupils other(in_file("archive.tps", "OTHER"));
  fill(other);
  const uint32_t target_highest = other.pointer();
  ASSERT_EQ(other.run(op::kClose), 0);

  const std::vector<std::string> rows = contents(source);
  ASSERT_EQ(run_with_target(source, op::kCopy, in_file("archive.tps", "copied")), 0);
  EXPECT_EQ(contents(source), rows) << "the source stays as it was";

  Pupils copy(in_file("archive.tps", "COPIED"));
  ASSERT_EQ(copy.open(), 0);
  EXPECT_EQ(copy.records(), 2u);
  std::vector<std::string> copied = contents(copy);
  ASSERT_EQ(copied.size(), rows.size());
  uint32_t offset = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    const uint32_t from = std::stoul(rows[i]);
    const uint32_t to = std::stoul(copied[i]);
    if (i == 0) offset = to - from;
    EXPECT_EQ(to - from, offset) << "every number moves by one offset";
    EXPECT_EQ(copied[i].substr(copied[i].find(':')), rows[i].substr(rows[i].find(':')));
  }
  EXPECT_GE(offset, target_highest);
  copy.run_key(op::kRecordsKey, kByName);
  EXPECT_EQ(copy.value(), 2u);
  copy.set(3, "", 0);
  ASSERT_EQ(copy.run_key(op::kGetFileKey, kByNumber), 0) << "key entries carry the moved numbers";
  EXPECT_EQ(copy.name(), "Carla");
  EXPECT_EQ(copy.notes(), "cuenta hasta diez");
  ASSERT_EQ(copy.add(4, "Dora"), 0);
  EXPECT_GT(copy.pointer(), offset + std::stoul(rows.back())) << "the file counter passed the copy";

  EXPECT_EQ(run_with_target(source, op::kCopy, in_file("school.tps", "PUPILS")), error::kAccessDenied)
      << "a table is never copied onto itself";
}

TEST_F(TableMaintenance, RenameWithinTheFileKeepsRecordNumbersAndRefusesAnExistingTarget) {
  Pupils pupils(in_file("school.tps", "PUPILS"));
  fill(pupils);
  Pupils taken(in_file("school.tps", "TAKEN"));
  taken.create_and_open();
  ASSERT_EQ(taken.run(op::kClose), 0);
  const std::vector<std::string> rows = contents(pupils);

  EXPECT_EQ(run_with_target(pupils, op::kRename, in_file("school.tps", "taken")), error::kAccessDenied);
  ASSERT_EQ(run_with_target(pupils, op::kRename, in_file("school.tps", "alumnos")), 0);
  ASSERT_EQ(pupils.run(op::kClose), 0);
  EXPECT_EQ(pupils.open(), error::kFileNotFound);

  Pupils renamed(in_file("school.tps", "ALUMNOS"));
  ASSERT_EQ(renamed.open(), 0);
  EXPECT_EQ(contents(renamed), rows);
}

TEST_F(TableMaintenance, WholeFileCopyAndRename) {
  Pupils pupils(dir_.file("pupils.tps"));
  fill(pupils);
  const std::vector<std::string> rows = contents(pupils);
  ASSERT_EQ(pupils.run(op::kClose), 0);

  ASSERT_EQ(run_with_target(pupils, op::kCopy, dir_.file("copy")), 0);
  EXPECT_TRUE(std::filesystem::exists(dir_.file("copy.TPS"))) << "the default extension is added";
  ASSERT_EQ(run_with_target(pupils, op::kRename, dir_.file("moved.tps")), 0);
  EXPECT_FALSE(std::filesystem::exists(dir_.file("pupils.tps")));
  for (const char* name : {"copy.TPS", "moved.tps"}) {
    Pupils other(dir_.file(name));
    ASSERT_EQ(other.open(), 0) << name;
    EXPECT_EQ(contents(other), rows) << name;
  }
}

}  // namespace
}  // namespace tps
