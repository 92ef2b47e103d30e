// Data records, memo chunks and counter records of one table in its file.
#include "tps/table/table_records.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/tps/table/sample_declarations.h"
#include "tests/tps/table/table_file.h"
#include "tps/base/bytes.h"
#include "tps/maint/structure_check.h"
#include "tps/table/record_keys.h"

namespace {

using namespace table_testing;

constexpr size_t kNotes = 0;  // MEMO(2000)
constexpr size_t kPhoto = 1;  // binary BLOB

class TableRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    t.update([&] { table = create_table(t.file(), "UNNAMED", declared, LocaleBlock()); });
    records = std::make_unique<TableRecords>(t.file(), table, declared, /*oem=*/true);
  }

  // The data bytes of every memo chunk of `record` in the file, by (memo, sequence).
  std::map<std::pair<int, int>, std::string> chunks(uint32_t record) {
    std::map<std::pair<int, int>, std::string> found;
    for (const auto& [key, data] : t.station().read_all()) {
      const RecordKeyParts parts = decode_record_key(reinterpret_cast<const uint8_t*>(key.data()), key.size());
      if (parts.kind == RecordKind::kMemo && parts.record == record) found[{parts.memo, parts.sequence}] = data;
    }
    return found;
  }

  TableRecords::MemoValues memo_values(const std::string& notes, const Bytes& photo = {}) {
    Bytes buffer(2000, ' ');
    std::memcpy(buffer.data(), notes.data(), std::min<size_t>(notes.size(), buffer.size()));
    return {buffer, photo};
  }

  TableFile t;
  TableDeclaration declared = mixed_table();
  uint32_t table = 0;
  std::unique_ptr<TableRecords> records;
};

TEST_F(TableRecordsTest, StoresTextInTheOemCodePageAndReadsItBackUnchanged) {
  Bytes buffer(declared.record_length, 0);
  const std::string name = "Mu\xF1oz \xC1ngel \xBFs\xED? \xA1" "1\xB0!";  // Muñoz Ángel ¿sí? ¡1°!
  std::memcpy(&buffer[8], name.data(), name.size());
  const Bytes caller = buffer;
  t.update([&] { records->write_data_record(2, buffer.data()); });
  EXPECT_EQ(buffer, caller);

  const Bytes key = data_record_key(table, 2);
  const std::string stored = t.station().read_all().at(std::string(key.begin(), key.end()));
  EXPECT_EQ(stored.substr(8, 3), "Mu\xA4");
  EXPECT_EQ(static_cast<uint8_t>(stored[14]), 0xB5);  // Á

  Bytes read(declared.record_length, 0xEE);
  t.read([&] {
    EXPECT_TRUE(records->read_data_record(2, read.data()));
    EXPECT_FALSE(records->read_data_record(3, read.data()));
  });
  EXPECT_EQ(read, caller);

  t.update([&] {
    EXPECT_TRUE(records->delete_data_record(2));
    EXPECT_FALSE(records->delete_data_record(2));
  });
  t.read([&] { EXPECT_FALSE(records->read_data_record(2, read.data())); });
}

TEST_F(TableRecordsTest, CutsMemosIntoChunksAndPadsThemOnRead) {
  Bytes photo(20000);
  for (size_t i = 0; i < photo.size(); ++i) photo[i] = static_cast<uint8_t>(i);
  const TableRecords::MemoValues written = memo_values("abc", photo);
  t.update([&] { EXPECT_EQ(records->write_memos(2, written, /*new_record=*/true), 0); });

  const auto stored = chunks(2);
  ASSERT_EQ(stored.size(), 3u);
  EXPECT_EQ(stored.at({kNotes, 0}), "abc");
  EXPECT_EQ(stored.at({kPhoto, 0}).size(), 10244u);
  EXPECT_EQ(stored.at({kPhoto, 1}).size(), 9760u);

  TableRecords::MemoValues read;
  t.read([&] { EXPECT_EQ(records->read_memos(2, read), 0); });
  EXPECT_EQ(read, written);
}

TEST_F(TableRecordsTest, RewritesOnlyWhatChangedAndDropsChunksPastTheEnd) {
  const TableRecords::MemoValues long_notes = memo_values(std::string(600, 'n'));
  t.update([&] { records->write_memos(2, long_notes, true); });
  EXPECT_EQ(chunks(2).size(), 3u);

  // The same values again leave every page untouched.
  t.update([&] {
    records->write_memos(2, long_notes, false);
    EXPECT_FALSE(t.file().changed());
  });

  const TableRecords::MemoValues short_notes = memo_values(std::string(100, 'n'));
  bool changed_before = false;
  t.update([&] {
    changed_before = records->memos_changed(2, short_notes);
    records->write_memos(2, short_notes, false);
  });
  EXPECT_TRUE(changed_before);
  const auto stored = chunks(2);
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored.at({kNotes, 0}), std::string(100, 'n'));
  t.read([&] {
    EXPECT_FALSE(records->memos_changed(2, short_notes));
    EXPECT_TRUE(records->memos_changed(2, long_notes));
  });
}

TEST_F(TableRecordsTest, AppendsTheMemosOfManyNewRecordsAndDeletesOnlyOnesOwn) {
  auto notes_of = [](uint32_t record) {
    std::string text;
    for (size_t i = 0; text.size() < 1900; ++i) text += "rec" + std::to_string(record) + "-" + std::to_string(i) + " ";
    return text.substr(0, 1900);
  };
  t.update([&] {
    for (uint32_t record = 2; record < 60; ++record) {
      Bytes photo(3000 + record * 50, static_cast<uint8_t>(record));
      records->write_memos(record, memo_values(notes_of(record), photo), true);
    }
  });
  t.update([&] { records->delete_memos(30); });

  t.read([&] {
    const StructureReport report = check_structure(t.file());
    EXPECT_TRUE(report.consistent());
    EXPECT_GT(report.pages, 1u);  // the appends went through page splits
    for (uint32_t record = 2; record < 60; ++record) {
      TableRecords::MemoValues read;
      ASSERT_EQ(records->read_memos(record, read), 0);
      if (record == 30) {
        EXPECT_EQ(read, memo_values(""));
      } else {
        EXPECT_EQ(read, memo_values(notes_of(record), Bytes(3000 + record * 50, static_cast<uint8_t>(record))))
            << record;
      }
    }
  });
}

TEST_F(TableRecordsTest, ReportsABlobItCannotRebuild) {
  t.update([&] {
    PageTree tree(t.file());
    Bytes chunk = memo_record_key(table, 2, kPhoto, 0);
    const Bytes forged = {0xFF, 0xFF, 0xFF, 0x7F, 'x'};  // a size far beyond the bytes stored
    chunk.insert(chunk.end(), forged.begin(), forged.end());
    tree.insert(chunk.data(), uint16_t(chunk.size()), uint16_t(kMemoKeyLength));
  });
  TableRecords::MemoValues read;
  t.read([&] { EXPECT_EQ(records->read_memos(2, read), error::kUnsupportedFunction); });
  EXPECT_TRUE(read[kPhoto].empty());
}

TEST_F(TableRecordsTest, KeepsCountsAndMarksInTheCounterRecords) {
  t.update([&] {
    EXPECT_TRUE(records->add_table_count(1));
    EXPECT_TRUE(records->add_table_count(1));
    records->add_count(1, 5);
    records->add_count(1, -2);
    records->set_mark(0, 101, true);
    records->set_mark(0, 150, true);  // higher: kept at 101
    records->set_mark(1, 40, true);
    records->set_mark(1, 0, true);    // 0 never replaces a mark with keep-lowest
  });
  t.read([&] {
    EXPECT_EQ(records->count(kTableCounterIndex), 2u);
    EXPECT_EQ(records->count(1), 3u);
    EXPECT_EQ(records->mark(0), 101u);
    EXPECT_EQ(records->mark(1), 40u);
  });
  t.update([&] {
    records->set_mark(0, 7, true);
    records->set_mark(1, 0, false);
  });
  t.read([&] {
    EXPECT_EQ(records->mark(0), 7u);
    EXPECT_EQ(records->mark(1), 0u);
  });

  // Adding nothing leaves the page clean.
  t.update([&] {
    records->add_count(1, 0);
    EXPECT_FALSE(t.file().changed());
  });
}

TEST_F(TableRecordsTest, ReportsAMissingTableCounterAndRecreatesAMissingMark) {
  t.update([&] {
    PageTree tree(t.file());
    for (uint8_t index : {kTableCounterIndex, uint8_t(1)}) {
      const Bytes key = counter_record_key(table, index);
      tree.remove(key.data(), key.size());
    }
  });
  t.update([&] {
    EXPECT_FALSE(records->add_table_count(1));
    records->add_count(1, 1);  // no record: nothing to add to
    EXPECT_EQ(records->mark(1), 0u);  // read with the record created
  });
  const tps::testing::Records stored = t.station().read_all();
  const Bytes key = counter_record_key(table, 1);
  EXPECT_EQ(stored.at(std::string(key.begin(), key.end())), std::string(8, '\0'));
  const Bytes table_counter = counter_record_key(table, kTableCounterIndex);
  EXPECT_EQ(stored.count(std::string(table_counter.begin(), table_counter.end())), 0u);
}

}  // namespace
