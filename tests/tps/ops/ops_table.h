// A small table driven through the engine's entry point, for the tests of
// the record operations: a pupil register with a unique number, a name key
// with duplicates and a class key, and one text memo.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tps/base/bytes.h"
#include "tps/ops/engine_call.h"

namespace ops_testing {

using namespace tps;

// Layout of the record buffer.
inline constexpr uint32_t kNumberOffset = 0;  // LONG
inline constexpr uint32_t kNameOffset = 4;    // STRING(20)
inline constexpr uint32_t kNameLength = 20;
inline constexpr uint32_t kClassOffset = 24;  // SHORT
inline constexpr uint32_t kRecordLength = 26;
inline constexpr uint32_t kNotesSize = 3000;

// Key numbers.
inline constexpr int kByNumber = 0;  // unique, OPT
inline constexpr int kByName = 1;    // DUP, NOCASE
inline constexpr int kByClass = 2;   // DUP

inline TableDeclaration pupils_declaration(const std::string& file_name) {
  TableDeclaration t;
  t.label = "PUPILS";
  t.prefix = "PUP";
  t.file_name = file_name;
  t.attributes = table_attr::kCreate | table_attr::kOem;
  t.record_length = kRecordLength;
  t.fields = {single_field(field_type::kLong, "PUP:NUMBER", kNumberOffset, 4),
              single_field(field_type::kString, "PUP:NAME", kNameOffset, kNameLength),
              single_field(field_type::kShort, "PUP:CLASS", kClassOffset, 2)};
  t.memos = {text_memo("PUP:NOTES", kNotesSize)};
  KeyDeclaration by_number;
  by_number.label = "PUP:BY_NUMBER";
  by_number.attributes = key_attr::kOpt;
  by_number.components = {{0, false}};
  KeyDeclaration by_name;
  by_name.label = "PUP:BY_NAME";
  by_name.attributes = key_attr::kDup | key_attr::kNoCase;
  by_name.components = {{1, false}};
  KeyDeclaration by_class;
  by_class.label = "PUP:BY_CLASS";
  by_class.attributes = key_attr::kDup;
  by_class.components = {{2, false}};
  t.keys = {by_number, by_name, by_class};
  return t;
}

// One declared table with helpers for its buffer and one call per statement.
class Pupils {
 public:
  explicit Pupils(const std::string& file_name) : table_(pupils_declaration(file_name)) {}

  DeclaredTable& table() { return table_; }

  // Runs an operation; returns its error number (the posted one).
  int run(int operation, DriverArguments args = {}) {
    value_ = engine_call(operation, table_, args);
    return posted_error().number;
  }
  int run_key(int operation, int key) {
    DriverArguments args;
    args.key = key;
    return run(operation, args);
  }
  int run_number(int operation, int64_t record, int key = -1) {
    DriverArguments args;
    args.record = record;
    args.key = key;
    return run(operation, args);
  }
  uint32_t value() const { return value_; }

  int open(uint32_t mode = access_mode::kSharedReadWrite) {
    DriverArguments args;
    args.access_mode = mode;
    return run(op::kOpen, args);
  }
  // Creates the table and opens it shared for reading and writing.
  void create_and_open() {
    ASSERT_EQ(run(op::kCreate), 0);
    ASSERT_EQ(open(), 0);
  }

  void set(int32_t number, const std::string& name, int16_t klass, const std::string& notes = "") {
    uint8_t* r = table_.record.data();
    store_u32le(r + kNumberOffset, uint32_t(number));
    std::memset(r + kNameOffset, ' ', kNameLength);
    std::memcpy(r + kNameOffset, name.data(), std::min<size_t>(name.size(), kNameLength));
    store_u16le(r + kClassOffset, uint16_t(klass));
    set_notes(notes);
  }
  void set_notes(const std::string& notes) {
    Bytes& memo = table_.memos[0];
    std::memset(memo.data(), ' ', memo.size());
    std::memcpy(memo.data(), notes.data(), std::min<size_t>(notes.size(), memo.size()));
  }
  int32_t number() const { return int32_t(load_u32le(table_.record.data() + kNumberOffset)); }
  std::string name() const {
    std::string text(reinterpret_cast<const char*>(table_.record.data() + kNameOffset), kNameLength);
    return text.substr(0, text.find_last_not_of(' ') + 1);
  }
  int16_t klass() const { return int16_t(load_u16le(table_.record.data() + kClassOffset)); }
  std::string notes() const {
    const Bytes& memo = table_.memos[0];
    std::string text(memo.begin(), memo.end());
    const size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? "" : text.substr(0, end + 1);
  }

  // Adds a pupil; returns ADD's error.
  int add(int32_t number, const std::string& name, int16_t klass = 1, const std::string& notes = "") {
    set(number, name, klass, notes);
    return run(op::kAdd);
  }
  uint32_t pointer() {
    run(op::kPointerFile);
    return value_;
  }
  uint32_t records() {
    run(op::kRecordsFile);
    return value_;
  }

 private:
  DeclaredTable table_;
  uint32_t value_ = 0;
};

}  // namespace ops_testing
