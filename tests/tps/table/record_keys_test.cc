// Record keys of the table-level records: their bytes, their order in the
// file, and decoding keys read from a file.
#include "tps/table/record_keys.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tps/base/bytes.h"

namespace {

using namespace tps;

TEST(RecordKeys, HaveTheStoredBytesAndDecodeBack) {
  EXPECT_EQ(data_record_key(1, 2), (Bytes{0, 0, 0, 1, 0xF3, 0, 0, 0, 2}));
  EXPECT_EQ(counter_record_key(1, kTableCounterIndex), (Bytes{0, 0, 0, 1, 0xF6, 0xF3}));
  EXPECT_EQ(definition_record_key(1, 0x0102), (Bytes{0, 0, 0, 1, 0xFA, 0x02, 0x01}));
  EXPECT_EQ(locale_record_key(1), (Bytes{0, 0, 0, 1, 0xFB, 0x01}));
  EXPECT_EQ(memo_record_key(0x01020304, 0x0A0B0C0D, 7, 0x0102),
            (Bytes{1, 2, 3, 4, 0xFC, 0x0A, 0x0B, 0x0C, 0x0D, 7, 0x01, 0x02}));
  EXPECT_EQ(table_name_record_key("UNNAMED"), (Bytes{0xFE, 'U', 'N', 'N', 'A', 'M', 'E', 'D'}));
  EXPECT_EQ(transaction_link_key(), Bytes{0xFF});

  const RecordKeyParts memo = decode_record_key(memo_record_key(5, 77, 3, 300));
  EXPECT_EQ(memo.kind, RecordKind::kMemo);
  EXPECT_EQ(memo.table, 5u);
  EXPECT_EQ(memo.record, 77u);
  EXPECT_EQ(memo.memo, 3);
  EXPECT_EQ(memo.sequence, 300);
  EXPECT_EQ(decode_record_key(data_record_key(5, 9)).record, 9u);
  EXPECT_EQ(decode_record_key(counter_record_key(5, 4)).index, 4);
  EXPECT_EQ(decode_record_key(definition_record_key(5, 513)).block, 513);
  EXPECT_EQ(decode_record_key(locale_record_key(5)).kind, RecordKind::kLocale);
  EXPECT_EQ(decode_record_key(table_name_record_key("T1")).name, "T1");
  EXPECT_EQ(decode_record_key(transaction_link_key()).kind, RecordKind::kTransactionLink);
  const Bytes key_record = {0, 0, 0, 5, 2, 0x80, 0, 0, 1, 0, 0, 0, 9};
  EXPECT_EQ(decode_record_key(key_record).kind, RecordKind::kKey);
  EXPECT_EQ(decode_record_key(key_record).type, 2);
}

TEST(RecordKeys, RefuseKeysOfTheWrongLength) {
  const std::vector<Bytes> damaged = {
      {0, 0, 0, 1, 0xF3, 0, 0, 2},        // data key one byte short
      {0, 0, 0, 1, 0xF6, 0xF3, 0},        // counter key one byte long
      {0, 0, 0, 1, 0xFB, 0x02},           // locale index other than 1
      {0, 0, 0, 1, 0xFC, 0, 0, 0, 2, 0},  // memo key without its sequence
      {0, 0, 0, 1, 0xF0},                 // a type nobody writes
      {0, 0, 1},                          // shorter than a table number
      {0xFF, 0},                          // transaction link with a tail
  };
  for (const Bytes& key : damaged) EXPECT_EQ(decode_record_key(key).kind, RecordKind::kUnknown) << key.size();
  EXPECT_EQ(decode_record_key(Bytes{}).kind, RecordKind::kEmpty);
}

TEST(RecordKeys, SortTableRecordsByTypeThenNumberAndFileWideRecordsLast) {
  const uint32_t highest_table = 0xFDFFFFFF;
  std::vector<Bytes> in_file_order = {
      data_record_key(1, 2),           data_record_key(1, 0x100),  counter_record_key(1, 0),
      counter_record_key(1, kTableCounterIndex), definition_record_key(1, 0), definition_record_key(1, 1),
      locale_record_key(1),            memo_record_key(1, 2, 0, 0), memo_record_key(1, 2, 0, 1),
      memo_record_key(1, 2, 0, 256),  memo_record_key(1, 2, 1, 0), memo_record_key(1, 3, 0, 0),
      data_record_key(highest_table, 1), table_name_record_key("A"), table_name_record_key("UNNAMED"),
      transaction_link_key(),
  };
  std::vector<Bytes> sorted = in_file_order;
  std::sort(sorted.begin(), sorted.end(), [](const Bytes& a, const Bytes& b) {
    return compare_keys(a.data(), a.size(), b.data(), b.size()) < 0;
  });
  EXPECT_EQ(sorted, in_file_order);
}

TEST(RecordBodies, RoundTripAndRefuseWrongLengths) {
  const Bytes counter = counter_record_data(0x01020304, 7);
  EXPECT_EQ(counter, (Bytes{4, 3, 2, 1, 7, 0, 0, 0}));
  const auto values = decode_counter_data(counter.data(), counter.size());
  ASSERT_TRUE(values);
  EXPECT_EQ(values->count, 0x01020304u);
  EXPECT_EQ(values->mark, 7u);
  EXPECT_FALSE(decode_counter_data(counter.data(), 7));

  const Bytes name = table_name_record_data(0x00000102);
  EXPECT_EQ(name, (Bytes{0, 0, 1, 2}));
  EXPECT_EQ(decode_table_name_data(name.data(), name.size()), 0x102u);
  EXPECT_FALSE(decode_table_name_data(name.data(), 3));

  const Bytes block(kLocaleBlockLength, 0x5A);
  const Bytes locale = locale_record_data(true, block.data());
  EXPECT_EQ(locale.size(), 1153u);
  EXPECT_EQ(decode_locale_oem_flag(locale.data(), locale.size()), true);
  EXPECT_FALSE(decode_locale_oem_flag(locale.data(), 1152));
}

}  // namespace
