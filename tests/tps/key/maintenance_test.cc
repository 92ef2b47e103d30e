#include <gtest/gtest.h>

#include "tests/tps/key/key_table.h"
#include "tps/errors/errors.h"

namespace tps {
namespace {

using key_testing::KeyTable;
using key_testing::make_key;
using key_testing::record_of;
using key_testing::Row;
using key_testing::table_declaration;

// Key 0: a, unique. Key 1: b, DUP. Key 2: c, unique, OPT, NOCASE.
TableDeclaration three_keys() {
  return table_declaration({make_key(key_attr::kPrimary, {{0, false}}), make_key(key_attr::kDup, {{1, false}}),
                            make_key(key_attr::kOpt | key_attr::kNoCase, {{2, false}})});
}

class KeyMaintenanceTest : public ::testing::Test {
 protected:
  KeyTable table{three_keys()};
};

TEST_F(KeyMaintenanceTest, DuplicatesOfADupKeyComeInRecordOrderAndGetFindsTheLowest) {
  ASSERT_EQ(table.add(9, {1, 7, "x"}), 0);
  ASSERT_EQ(table.add(3, {2, 7, "y"}), 0);
  ASSERT_EQ(table.add(5, {3, 7, "z"}), 0);
  ASSERT_EQ(table.add(4, {4, 8, "w"}), 0);
  EXPECT_EQ(table.record_numbers(1), (std::vector<uint32_t>{3, 5, 9, 4}));
  EXPECT_EQ(table.counters().count(1), 4u);

  std::vector<uint8_t> probe = record_of({0, 7, ""});
  std::optional<KeyRecord> found = lookup_by_value(table.store(1), KeyCollation{}, probe.data());
  ASSERT_TRUE(found);
  EXPECT_EQ(found->record_number(), 3u);
  // A backward scan from the value starts at its highest record number.
  KeyRecord backward = scan_probe(table.store(1), KeyCollation{}, probe.data(), false);
  EXPECT_EQ(scan_start(table.store(1), backward, false)->record_number(), 9u);
  std::vector<uint8_t> missing = record_of({0, 6, ""});
  EXPECT_FALSE(lookup_by_value(table.store(1), KeyCollation{}, missing.data()));
}

TEST_F(KeyMaintenanceTest, ScanFromAValueOfAUniqueKey) {
  for (uint32_t n = 1; n <= 5; ++n) ASSERT_EQ(table.add(n + 10, {int32_t(n * 10), 0, ""}), 0);
  auto start = [&](int32_t a, bool forward) {
    std::vector<uint8_t> record = record_of({a, 0, ""});
    KeyRecord probe = scan_probe(table.store(0), KeyCollation{}, record.data(), forward);
    std::optional<KeyRecord> entry = scan_start(table.store(0), probe, forward);
    return entry ? entry->record_number() : 0u;
  };
  EXPECT_EQ(start(30, true), 13u);   // the value itself
  EXPECT_EQ(start(35, true), 14u);   // the next greater value
  EXPECT_EQ(start(60, true), 0u);    // beyond every entry
  EXPECT_EQ(start(30, false), 13u);
  EXPECT_EQ(start(35, false), 13u);
  EXPECT_EQ(start(5, false), 0u);
  EXPECT_EQ(first_entry(table.store(0))->record_number(), 11u);
  EXPECT_EQ(last_entry(table.store(0))->record_number(), 15u);
  // The neighbouring keys' entries are not this key's.
  EXPECT_FALSE(first_entry(table.store(2)));
}

TEST_F(KeyMaintenanceTest, OptEntryAppearsWhenAPutFillsTheComponent) {
  ASSERT_EQ(table.add(2, {1, 1, ""}), 0);
  EXPECT_TRUE(table.entries(2).empty());
  EXPECT_EQ(table.counters().count(2), 0u);
  ASSERT_EQ(table.put(2, {1, 1, "Ana"}), 0);
  EXPECT_EQ(table.record_numbers(2), (std::vector<uint32_t>{2}));
  EXPECT_EQ(table.counters().count(2), 1u);
  // Blank again: the entry goes.
  ASSERT_EQ(table.put(2, {1, 1, "  "}), 0);
  EXPECT_TRUE(table.entries(2).empty());
  EXPECT_EQ(table.counters().count(2), 0u);
}

TEST_F(KeyMaintenanceTest, PutOfNonKeyFieldsLeavesEveryKeyRecordAlone) {
  ASSERT_EQ(table.add(2, {1, 1, "Ana", "old"}), 0);
  std::vector<std::vector<KeyRecord>> before = {table.entries(0), table.entries(1), table.entries(2)};
  int writes_before = table.counters().mark_writes(0);
  ASSERT_EQ(table.put(2, {1, 1, "Ana", "new"}), 0);
  for (size_t k = 0; k < 3; ++k) {
    ASSERT_EQ(table.entries(k).size(), before[k].size());
    EXPECT_EQ(table.entries(k)[0].bytes, before[k][0].bytes);
  }
  EXPECT_EQ(table.counters().count(0), 1u);
  EXPECT_EQ(table.counters().mark_writes(0), writes_before);
}

TEST_F(KeyMaintenanceTest, NoCaseCollisionIsADuplicate) {
  ASSERT_EQ(table.add(2, {1, 1, "AB"}), 0);
  EXPECT_EQ(table.add(3, {2, 1, "ab"}), error::kCreatesDuplicateKey);
  EXPECT_EQ(table.record_numbers(0), (std::vector<uint32_t>{2}));
  EXPECT_EQ(table.record_numbers(1), (std::vector<uint32_t>{2}));
  EXPECT_EQ(table.counters().count(0), 1u);
  EXPECT_EQ(table.counters().count(1), 1u);
}

TEST_F(KeyMaintenanceTest, DuplicateInTheThirdKeyPutsBackTheFirstTwo) {
  ASSERT_EQ(table.add(2, {1, 1, "x"}), 0);
  ASSERT_EQ(table.add(3, {2, 2, "y"}), 0);
  std::vector<std::vector<KeyRecord>> before = {table.entries(0), table.entries(1), table.entries(2)};
  EXPECT_EQ(table.put(3, {20, 20, "x"}), error::kCreatesDuplicateKey);
  for (size_t k = 0; k < 3; ++k) {
    std::vector<KeyRecord> after = table.entries(k);
    ASSERT_EQ(after.size(), before[k].size()) << "key " << k;
    for (size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i].bytes, before[k][i].bytes) << "key " << k;
    EXPECT_EQ(table.counters().count(uint8_t(k)), 2u) << "key " << k;
  }
}

TEST_F(KeyMaintenanceTest, DeleteRemovesOnlyTheRecordsOwnEntries) {
  ASSERT_EQ(table.add(2, {1, 5, "x"}), 0);
  ASSERT_EQ(table.add(3, {2, 5, "y"}), 0);
  ASSERT_EQ(table.remove(2), 0);
  EXPECT_EQ(table.record_numbers(0), (std::vector<uint32_t>{3}));
  EXPECT_EQ(table.record_numbers(1), (std::vector<uint32_t>{3}));
  EXPECT_EQ(table.record_numbers(2), (std::vector<uint32_t>{3}));
  EXPECT_EQ(table.counters().count(1), 1u);
  // An old value whose entry belongs to another record is not touched.
  std::vector<uint8_t> foreign = record_of({2, 0, ""});
  EXPECT_EQ(maintain_keys(table.keys(), nullptr, foreign.data(), 7, false), 0);
  EXPECT_EQ(table.record_numbers(0), (std::vector<uint32_t>{3}));
}

TEST(KeyMaintenance, AppendAndIndexOnlyLowerTheMark) {
  KeyTable table(table_declaration({make_key(0, {{0, false}}), make_key(key_attr::kIndex | key_attr::kDup, {{1, false}})}));
  for (uint32_t n = 101; n <= 110; ++n) ASSERT_EQ(table.add(n, {int32_t(n), 1, ""}, true), 0);
  EXPECT_EQ(table.counters().mark(0), 101u);
  EXPECT_EQ(table.counters().mark(1), 101u);
  EXPECT_TRUE(table.entries(0).empty());
  // An ADD keeps the KEY but only marks the INDEX; a lower number lowers it.
  ASSERT_EQ(table.add(50, {50, 1, ""}), 0);
  EXPECT_EQ(table.record_numbers(0), (std::vector<uint32_t>{50}));
  EXPECT_EQ(table.counters().mark(0), 101u);
  EXPECT_EQ(table.counters().mark(1), 50u);
  EXPECT_TRUE(table.entries(1).empty());
}

}  // namespace
}  // namespace tps
