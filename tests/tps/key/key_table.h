// A small table for key tests: one file object in memory, open in update
// mode, with counters kept in memory and helpers that write data records
// the way record operations do (keys first, then the data record).
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/os/memory_file_system.h"
#include "tps/key/key_counters.h"
#include "tps/key/key_descriptor.h"
#include "tps/key/key_maintenance.h"
#include "tps/key/key_search.h"
#include "tps/page/file_object.h"
#include "tps/table/record_keys.h"
#include "tps/tree/page_tree.h"

namespace tps::key_testing {

// Counters in memory, with the keep-lowest rule of the counter records.
class MemoryCounters final : public KeyCounters {
 public:
  uint32_t count(uint8_t index) override { return counters_[index].count; }
  void add_count(uint8_t index, int32_t delta) override { counters_[index].count += delta; }
  void set_count(uint8_t index, uint32_t count) override { counters_[index].count = count; }
  uint32_t mark(uint8_t index) override { return counters_[index].mark; }
  void set_mark(uint8_t index, uint32_t value, bool keep_lowest) override {
    uint32_t& mark = counters_[index].mark;
    if (!keep_lowest || uint32_t(mark - 1) > uint32_t(value - 1)) mark = value;
    ++mark_writes_[index];
  }
  int mark_writes(uint8_t index) { return mark_writes_[index]; }

 private:
  struct Words {
    uint32_t count = 0;
    uint32_t mark = 0;
  };
  std::map<uint8_t, Words> counters_;
  std::map<uint8_t, int> mark_writes_;
};

inline FieldDeclaration make_field(uint8_t type, uint32_t offset, uint32_t size) {
  FieldDeclaration field;
  field.type = type;
  field.offset = offset;
  field.size = size;
  field.element_size = size;
  return field;
}

inline KeyDeclaration make_key(uint8_t attributes, std::vector<KeyComponent> components) {
  KeyDeclaration key;
  key.attributes = attributes;
  key.components = std::move(components);
  return key;
}

// Records of the test table: LONG a, LONG b, STRING(6) c, STRING(4) d.
struct Row {
  Row(int32_t a, int32_t b, std::string c = "", std::string d = "")
      : a(a), b(b), c(std::move(c)), d(std::move(d)) {}
  int32_t a;
  int32_t b;
  std::string c;
  std::string d;
};

inline constexpr uint32_t kRecordLength = 18;

inline std::vector<uint8_t> record_of(const Row& row) {
  std::vector<uint8_t> record(kRecordLength, ' ');
  std::memcpy(&record[0], &row.a, 4);
  std::memcpy(&record[4], &row.b, 4);
  std::memcpy(&record[8], row.c.data(), std::min<size_t>(row.c.size(), 6));
  std::memcpy(&record[14], row.d.data(), std::min<size_t>(row.d.size(), 4));
  return record;
}

inline TableDeclaration table_declaration(std::vector<KeyDeclaration> keys) {
  TableDeclaration table;
  table.record_length = kRecordLength;
  table.fields = {make_field(field_type::kLong, 0, 4), make_field(field_type::kLong, 4, 4),
                  make_field(field_type::kString, 8, 6), make_field(field_type::kString, 14, 4)};
  table.keys = std::move(keys);
  return table;
}

class KeyTable {
 public:
  static constexpr uint32_t kTableNumber = 1;

  explicit KeyTable(const TableDeclaration& declaration) : declaration_(declaration) {
    EXPECT_EQ(files_.make_directory("/sort"), 0);
    file_ = std::make_unique<FileObject>(files_, "/t.tps");
    OpenOptions options;
    options.write = true;
    options.create = true;
    EXPECT_EQ(file_->open(options), 0);
    file_->switch_to_update_mode();
    tree_ = std::make_unique<PageTree>(*file_);
    DeclarationResult bound = build_key_descriptors(declaration_, keys_);
    EXPECT_TRUE(bound.ok()) << bound.detail.kind << " " << bound.detail.attribute;
  }

  TableKeys keys() { return TableKeys{*tree_, counters_, kTableNumber, keys_, KeyCollation{}}; }
  KeyStore store(size_t key) { return KeyStore{*tree_, kTableNumber, keys_[key]}; }
  PageTree& tree() { return *tree_; }
  FileObject& file() { return *file_; }
  MemoryCounters& counters() { return counters_; }
  os::MemoryFileSystem& files() { return files_; }
  const TableDeclaration& declaration() const { return declaration_; }
  const std::vector<KeyDescriptor>& descriptors() const { return keys_; }

  // ADD (or APPEND): keys first; the data record only when they accept it.
  int add(uint32_t record_number, const Row& row, bool append = false) {
    std::vector<uint8_t> record = record_of(row);
    int error = maintain_keys(keys(), record.data(), nullptr, record_number, append);
    if (error == 0) write_data(record_number, record);
    return error;
  }

  int put(uint32_t record_number, const Row& row) {
    std::vector<uint8_t> old_record = stored(record_number);
    std::vector<uint8_t> record = record_of(row);
    int error = maintain_keys(keys(), record.data(), old_record.data(), record_number, false);
    if (error == 0) {
      tree_->remove(data_record_key(kTableNumber, record_number).data(), kDataKeyLength);
      write_data(record_number, record);
    }
    return error;
  }

  int remove(uint32_t record_number) {
    std::vector<uint8_t> old_record = stored(record_number);
    int error = maintain_keys(keys(), nullptr, old_record.data(), record_number, false);
    tree_->remove(data_record_key(kTableNumber, record_number).data(), kDataKeyLength);
    return error;
  }

  void write_data(uint32_t record_number, const std::vector<uint8_t>& record) {
    Bytes stored = data_record_key(kTableNumber, record_number);
    stored.insert(stored.end(), record.begin(), record.end());
    tree_->insert(stored.data(), uint16_t(stored.size()), uint16_t(kDataKeyLength));
  }

  std::vector<uint8_t> stored(uint32_t record_number) {
    Bytes key = data_record_key(kTableNumber, record_number);
    RecordRef ref = tree_->find_exact(key.data(), key.size());
    EXPECT_TRUE(ref) << "no data record " << record_number;
    if (!ref) return std::vector<uint8_t>(kRecordLength, ' ');
    return std::vector<uint8_t>(ref.record->data(), ref.record->data() + ref.record->data_length());
  }

  // Every entry of key `key` in key order.
  std::vector<KeyRecord> entries(size_t key) {
    std::vector<KeyRecord> out;
    for (std::optional<KeyRecord> entry = first_entry(store(key)); entry;
         entry = next_entry(store(key), entry->data(), entry->key_length))
      out.push_back(*entry);
    return out;
  }

  // The record numbers of key `key`'s entries, in key order.
  std::vector<uint32_t> record_numbers(size_t key) {
    std::vector<uint32_t> out;
    for (const KeyRecord& entry : entries(key)) out.push_back(entry.record_number());
    return out;
  }

 private:
  os::MemoryFileSystem files_;
  TableDeclaration declaration_;
  std::vector<KeyDescriptor> keys_;
  std::unique_ptr<FileObject> file_;
  std::unique_ptr<PageTree> tree_;
  MemoryCounters counters_;
};

}  // namespace tps::key_testing
