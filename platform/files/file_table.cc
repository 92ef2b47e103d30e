#include "platform/files/file_table.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>

#include "tps/base/bytes.h"
#include "tps/lock/transaction.h"
#include "tps/page/file_registry.h"

namespace platform {

namespace {

constexpr uint8_t kSpace = 0x20;

std::atomic<uint64_t> next_serial{1};

struct ThreadInstances;
// The calling thread's instances while they exist: a table destroyed after
// the thread's instances (a static table at process exit) has none to drop.
thread_local ThreadInstances* live_instances = nullptr;

// The THREAD tables' instances of one thread, closed when the thread ends.
struct ThreadInstances {
  ThreadInstances() { live_instances = this; }
  ~ThreadInstances() {
    tables.clear();
    live_instances = nullptr;
  }
  std::map<uint64_t, std::unique_ptr<tps::DeclaredTable>> tables;
};

ThreadInstances& thread_instances() {
  // The thread's file registry must outlive the instances, which give their
  // file objects back to it when the thread ends: constructed first, it is
  // destroyed last.
  tps::FileRegistry::this_thread();
  thread_local ThreadInstances instances;
  return instances;
}

std::string trim_spaces(const uint8_t* bytes, size_t length) {
  return std::string(reinterpret_cast<const char*>(bytes), tps::length_without_trailing(bytes, length, kSpace));
}

void store_padded(uint8_t* bytes, size_t length, std::string_view text) {
  const size_t n = std::min(length, text.size());
  std::memcpy(bytes, text.data(), n);
  std::memset(bytes + n, kSpace, length - n);
}

// A new instance's buffers hold what CLEAR gives: strings of spaces,
// numbers zero, memos blank.
std::unique_ptr<tps::DeclaredTable> new_instance(const tps::TableDeclaration& declaration) {
  auto table = std::make_unique<tps::DeclaredTable>(declaration);
  for (const tps::FieldDeclaration& field : declaration.fields) {
    if (field.type != tps::field_type::kString || field.over) continue;
    if (size_t(field.offset) + field.size <= table->record.size())
      std::memset(table->record.data() + field.offset, kSpace, field.size);
  }
  return table;
}

}  // namespace

FileTable::FileTable(tps::TableDeclaration declaration)
    : declaration_(std::move(declaration)), serial_(next_serial++) {
  // A static table closes its instance at exit through the process's file
  // registry and transaction list: made first, they are destroyed after it.
  tps::FileRegistry::process();
  tps::TransactionList::process();
  if (!per_thread()) process_instance_ = new_instance(declaration_);
}

FileTable::~FileTable() {
  process_instance_.reset();
  if (per_thread() && live_instances) live_instances->tables.erase(serial_);
}

tps::DeclaredTable& FileTable::instance() {
  if (!per_thread()) return *process_instance_;
  std::unique_ptr<tps::DeclaredTable>& mine = thread_instances().tables[serial_];
  if (!mine) mine = new_instance(declaration_);
  return *mine;
}

// --- Fields ------------------------------------------------------------------

const tps::FieldDeclaration& FileTable::field(size_t index) const { return declaration_.fields.at(index); }

namespace {

// The field's bytes in the buffer; nullptr when the buffer is too short
// for it (a declaration whose layout came from the file).
uint8_t* field_bytes(tps::DeclaredTable& table, const tps::FieldDeclaration& field, size_t width) {
  if (size_t(field.offset) + width > table.record.size()) return nullptr;
  return table.record.data() + field.offset;
}

}  // namespace

int32_t FileTable::get_long(size_t index) {
  const uint8_t* p = field_bytes(instance(), field(index), 4);
  return p ? int32_t(tps::load_u32le(p)) : 0;
}

void FileTable::set_long(size_t index, int32_t value) {
  if (uint8_t* p = field_bytes(instance(), field(index), 4)) tps::store_u32le(p, uint32_t(value));
}

int16_t FileTable::get_short(size_t index) {
  const uint8_t* p = field_bytes(instance(), field(index), 2);
  return p ? int16_t(tps::load_u16le(p)) : 0;
}

void FileTable::set_short(size_t index, int16_t value) {
  if (uint8_t* p = field_bytes(instance(), field(index), 2)) tps::store_u16le(p, uint16_t(value));
}

std::string FileTable::get_string(size_t index) {
  const tps::FieldDeclaration& f = field(index);
  const uint8_t* p = field_bytes(instance(), f, f.size);
  return p ? trim_spaces(p, f.size) : std::string();
}

void FileTable::set_string(size_t index, std::string_view text) {
  const tps::FieldDeclaration& f = field(index);
  if (uint8_t* p = field_bytes(instance(), f, f.size)) store_padded(p, f.size, text);
}

Date FileTable::get_date(size_t index) {
  const uint8_t* p = field_bytes(instance(), field(index), 4);
  if (!p) return {};
  return Date{p[0], p[1], tps::load_u16le(p + 2)};
}

void FileTable::set_date(size_t index, Date date) {
  uint8_t* p = field_bytes(instance(), field(index), 4);
  if (!p) return;
  p[0] = date.day;
  p[1] = date.month;
  tps::store_u16le(p + 2, date.year);
}

// Packed decimal: the high half of the first byte is the sign (0 positive),
// then one digit per half-byte, the last ones being the decimal places.
int64_t FileTable::get_decimal(size_t index) {
  const tps::FieldDeclaration& f = field(index);
  const uint8_t* p = field_bytes(instance(), f, f.size);
  if (!p || f.size == 0) return 0;
  int64_t units = 0;
  for (size_t nibble = 1; nibble < size_t(f.size) * 2; ++nibble) {
    const uint8_t byte = p[nibble / 2];
    const int digit = nibble % 2 ? byte & 0x0F : byte >> 4;
    units = units * 10 + std::min(digit, 9);
  }
  return (p[0] >> 4) != 0 ? -units : units;
}

void FileTable::set_decimal(size_t index, int64_t units) {
  const tps::FieldDeclaration& f = field(index);
  uint8_t* p = field_bytes(instance(), f, f.size);
  if (!p || f.size == 0) return;
  const bool negative = units < 0;
  uint64_t magnitude = negative ? uint64_t(-units) : uint64_t(units);
  std::memset(p, 0, f.size);
  for (size_t nibble = size_t(f.size) * 2 - 1; nibble >= 1; --nibble) {
    const uint8_t digit = uint8_t(magnitude % 10);
    magnitude /= 10;
    p[nibble / 2] |= nibble % 2 ? digit : uint8_t(digit << 4);
  }
  if (negative) p[0] |= 0x80;
}

std::string FileTable::get_memo(size_t memo) {
  const tps::Bytes& buffer = instance().memos.at(memo);
  return trim_spaces(buffer.data(), buffer.size());
}

void FileTable::set_memo(size_t memo, std::string_view text) {
  tps::Bytes& buffer = instance().memos.at(memo);
  const tps::MemoDeclaration& declared = declaration_.memos.at(memo);
  if (declared.is_blob()) {
    buffer.assign(text.begin(), text.end());
    return;
  }
  buffer.resize(declared.size);
  store_padded(buffer.data(), buffer.size(), text);
}

}  // namespace platform
