#include <gtest/gtest.h>

#include <algorithm>

#include "tests/tps/key/key_table.h"
#include "tps/errors/errors.h"
#include "tps/key/key_build.h"

namespace tps {
namespace {

using key_testing::KeyTable;
using key_testing::kRecordLength;
using key_testing::make_key;
using key_testing::record_of;
using key_testing::Row;
using key_testing::table_declaration;

class KeyBuildTest : public ::testing::Test {
 protected:
  KeyBuildJob job(KeyTable& table, size_t key) {
    KeyBuildJob job;
    job.data_tree = &table.tree();
    job.table_number = KeyTable::kTableNumber;
    job.fields = &table.declaration().fields;
    job.record_buffer = buffer_.data();
    job.record_length = kRecordLength;
    job.key = &table.descriptors()[key];
    job.key_tree = &table.tree();
    job.key_file = &table.file();
    job.counters = &table.counters();
    job.sort_files = &table.files();
    job.sort_directory = "/sort";
    return job;
  }

  std::vector<uint8_t> buffer_ = std::vector<uint8_t>(kRecordLength);
};

TEST_F(KeyBuildTest, BuildClearsTheMarkOfThatKeyOnly) {
  KeyTable table(table_declaration({make_key(0, {{0, false}}), make_key(key_attr::kDup, {{1, true}})}));
  for (uint32_t n = 101; n <= 110; ++n) ASSERT_EQ(table.add(n, {int32_t(200 - n), int32_t(n % 3), ""}, true), 0);
  ASSERT_EQ(build_key(job(table, 0)), 0);
  EXPECT_EQ(table.counters().mark(0), 0u);
  EXPECT_EQ(table.counters().mark(1), 101u);
  EXPECT_EQ(table.counters().count(0), 10u);
  std::vector<uint32_t> expected;
  for (uint32_t n = 110; n >= 101; --n) expected.push_back(n);
  EXPECT_EQ(table.record_numbers(0), expected);
  // The buffer holds the last record read.
  EXPECT_EQ(buffer_, record_of({90, 2, ""}));
  // A complete key is left alone.
  ASSERT_EQ(build_key(job(table, 0)), 0);
  EXPECT_EQ(table.counters().count(0), 10u);
}

TEST_F(KeyBuildTest, DuplicatesKeepTheLowestRecordAndMarkTheFirstRejected) {
  KeyTable table(table_declaration({make_key(key_attr::kOpt, {{2, false}})}));
  ASSERT_EQ(table.add(5, {0, 0, "b"}, true), 0);
  ASSERT_EQ(table.add(6, {0, 0, "a"}, true), 0);
  ASSERT_EQ(table.add(7, {0, 0, "b"}, true), 0);
  ASSERT_EQ(table.add(8, {0, 0, ""}, true), 0);
  ASSERT_EQ(table.add(9, {0, 0, "a"}, true), 0);
  EXPECT_EQ(build_key(job(table, 0)), error::kCreatesDuplicateKey);
  EXPECT_EQ(table.record_numbers(0), (std::vector<uint32_t>{6, 5}));
  EXPECT_EQ(table.counters().count(0), 2u);
  EXPECT_EQ(table.counters().mark(0), 7u);

  // A full build starts from an empty key and finds the same duplicates.
  KeyBuildJob full = job(table, 0);
  full.full_build = true;
  EXPECT_EQ(build_key(full), error::kCreatesDuplicateKey);
  EXPECT_EQ(table.record_numbers(0), (std::vector<uint32_t>{6, 5}));
  EXPECT_EQ(table.counters().count(0), 2u);
  EXPECT_EQ(table.counters().mark(0), 7u);
}

TEST_F(KeyBuildTest, FullBuildOfAnIndexRebuildsFromTheFirstRecord) {
  KeyTable table(table_declaration({make_key(key_attr::kIndex | key_attr::kDup | key_attr::kNoCase, {{2, false}})}));
  for (uint32_t n = 1; n <= 4; ++n) ASSERT_EQ(table.add(n, {0, 0, n % 2 ? "Bb" : "aA"}), 0);
  ASSERT_EQ(build_key(job(table, 0)), 0);
  EXPECT_EQ(table.record_numbers(0), (std::vector<uint32_t>{2, 4, 1, 3}));
  std::vector<KeyRecord> built = table.entries(0);
  KeyBuildJob full = job(table, 0);
  full.full_build = true;
  ASSERT_EQ(build_key(full), 0);
  std::vector<KeyRecord> rebuilt = table.entries(0);
  ASSERT_EQ(rebuilt.size(), built.size());
  for (size_t i = 0; i < built.size(); ++i) EXPECT_EQ(rebuilt[i].bytes, built[i].bytes);
  EXPECT_EQ(table.counters().count(0), 4u);
}

TEST_F(KeyBuildTest, ProgressReportsAndCancel) {
  KeyTable table(table_declaration({make_key(0, {{0, false}})}));
  for (uint32_t n = 1; n <= 100; ++n) ASSERT_EQ(table.add(n, {int32_t(n), 0, ""}, true), 0);
  std::vector<int> reports;
  KeyBuildJob reported = job(table, 0);
  reported.table_records = 100;
  reported.progress.events = 4;
  reported.progress.report = [&](int percent) {
    reports.push_back(percent);
    return true;
  };
  reported.full_build = true;
  ASSERT_EQ(build_key(reported), 0);
  ASSERT_GE(reports.size(), 4u);
  EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
  EXPECT_EQ(reports.back(), 100);

  KeyBuildJob cancelled = reported;
  cancelled.progress.report = [](int percent) { return percent < 50; };
  EXPECT_EQ(build_key(cancelled), error::kBuildCancelled);
  EXPECT_EQ(table.counters().mark(0), 1u);
  EXPECT_EQ(table.counters().count(0), table.entries(0).size());
}

// A large build spills its sort to temporary runs, takes checkpoints, and
// ends with exactly the entries that maintenance on every write gives.
TEST_F(KeyBuildTest, MillionRecordBuildMatchesIncrementalMaintenance) {
  constexpr uint32_t kRecords = 1'000'000;
  // Key 0 is kept on every write, key 1 (same components) only by BUILD.
  std::vector<KeyComponent> components = {{2, true}, {0, false}};
  KeyTable table(table_declaration({make_key(key_attr::kDup | key_attr::kNoCase | key_attr::kOpt, components),
                                    make_key(key_attr::kIndex | key_attr::kDup | key_attr::kNoCase | key_attr::kOpt,
                                             components)}));
  uint32_t seed = 12345;
  for (uint32_t n = 1; n <= kRecords; ++n) {
    seed = seed * 1103515245 + 12345;
    std::string name(1 + seed % 5, char('A' + (seed >> 8) % 26));
    if (seed % 17 == 0) name.clear();  // blank for OPT
    ASSERT_EQ(table.add(n, {int32_t(seed >> 12) - 300000, 0, name}), 0);
  }
  KeyBuildJob built = job(table, 1);
  built.table_records = kRecords;
  ASSERT_EQ(build_key(built), 0);
  EXPECT_EQ(table.counters().mark(1), 0u);
  EXPECT_GT(table.counters().mark_writes(1), 2);  // checkpoints besides the final one

  std::vector<KeyRecord> maintained = table.entries(0);
  std::vector<KeyRecord> rebuilt = table.entries(1);
  ASSERT_EQ(maintained.size(), rebuilt.size());
  EXPECT_EQ(table.counters().count(1), rebuilt.size());
  for (size_t i = 0; i < maintained.size(); ++i) {
    maintained[i].bytes[4] = 1;  // the key number is the only difference
    ASSERT_EQ(maintained[i].bytes, rebuilt[i].bytes) << "entry " << i;
  }
  EXPECT_TRUE(table.files().list_directory("/sort").empty());
}

}  // namespace
}  // namespace tps
