// Counts, duplicate tests, positions, names, and clearing the buffers.
#include <algorithm>
#include <cstring>

#include "tps/base/bytes.h"
#include "tps/key/key_record.h"
#include "tps/maint/dynamic_build.h"
#include "tps/ops/entry_search.h"
#include "tps/ops/operations.h"
#include "tps/table/record_keys.h"

namespace tps {

namespace {
constexpr uint8_t kSpace = 0x20;
}  // namespace

int count_records(ControlBlock& cb, int key, uint32_t& value) {
  if (key >= 0 && cb.key(key).is_dynamic()) {
    // A dynamic index counts the entries of its private store, if built.
    KeyCounters* own = dynamic_index_counters(cb, key);
    value = own ? own->count(uint8_t(key)) : 0;
    return 0;
  }
  value = cb.records->count(key < 0 ? kTableCounterIndex : uint8_t(key));
  return 0;
}

int file_bytes(ControlBlock& cb, uint32_t& value) {
  if (cb.table.status.record_read) {
    value = cb.record_length();
    return 0;
  }
  if (!cb.is_open()) return error::kFileNotOpen;
  const int64_t size = cb.file->file_size();
  value = size < 0 ? 0 : uint32_t(std::min<int64_t>(size, UINT32_MAX));
  return 0;
}

int current_pointer(ControlBlock& cb, uint32_t& value) {
  value = cb.current;
  return 0;
}

int duplicate_key(ControlBlock& cb, int key, uint32_t& value) {
  if (!cb.valid_key(key)) return error::kInvalidNumberOfParameters;
  value = 0;
  const KeyDescriptor& descriptor = cb.key(key);
  if (descriptor.dup() || is_blank_for_opt(descriptor, cb.buffer())) return 0;
  build_key_record(cb, key, cb.buffer(), kLowestProbe, cb.lookup_probe);
  PageTree tree(*cb.file);
  const FoundEntry found = exact_key_entry(cb, tree, key, cb.lookup_probe.data(), descriptor.key_part_length());
  if (!found.exists) return 0;
  // The record in the buffer may carry its own value.
  const bool own = cb.table.status.record_read && found.record == cb.current;
  value = own ? 0 : 1;
  return 0;
}

int duplicate_any(ControlBlock& cb, uint32_t& value) {
  value = 0;
  for (size_t key = 0; key < cb.keys.size() && value == 0; ++key) duplicate_key(cb, int(key), value);
  return 0;
}

int table_name(ControlBlock& cb, std::string* out) {
  if (out) *out = cb.is_open() ? cb.open_name : cb.file_name;
  return 0;
}

int position_file(ControlBlock& cb, std::string* out) {
  if (!out) return 0;
  uint8_t position[kRecordNumberLength];
  store_u32be(position, cb.current);
  out->assign(reinterpret_cast<const char*>(position), sizeof position);
  return 0;
}

int position_key(ControlBlock& cb, int key, std::string* out) {
  if (!cb.valid_key(key)) return error::kInvalidNumberOfParameters;
  if (!out) return 0;
  const KeyDescriptor& descriptor = cb.key(key);
  out->resize(kRecordNumberLength + descriptor.value_length);
  auto* position = reinterpret_cast<uint8_t*>(out->data());
  store_u32be(position, cb.current);
  encode_key_value(descriptor, cb.collation(), cb.saved.data(), position + kRecordNumberLength);
  return 0;
}

int holds_more_than(ControlBlock& cb, int64_t limit, uint32_t& value) {
  uint32_t count = 0;
  count_records(cb, -1, count);
  value = int64_t(count) > limit ? 1 : 0;
  return 0;
}

int clear_buffers(ControlBlock& cb) {
  const TableDeclaration& layout = cb.layout;
  std::fill(cb.table.record.begin(), cb.table.record.end(), uint8_t(0));
  // Strings to spaces, everything else to zeros; a field laid over another
  // keeps what the field beneath it got.
  for (const FieldDeclaration& field : layout.fields) {
    if (field.type != field_type::kString || field.over) continue;
    const size_t end = std::min<size_t>(size_t(field.offset) + field.size, cb.table.record.size());
    if (field.offset < end) std::fill(cb.table.record.begin() + field.offset, cb.table.record.begin() + end, kSpace);
  }
  for (size_t i = 0; i < cb.table.memos.size() && i < layout.memos.size(); ++i)
    clear_memo_buffer(layout.memos[i], cb.table.memos[i]);
  return 0;
}

}  // namespace tps
