#include "tps/table/table_records.h"

#include <algorithm>
#include <cstring>

#include "tps/base/bytes.h"
#include "tps/errors/errors.h"
#include "tps/table/record_keys.h"
#include "tps/table/record_text.h"

namespace tps {
namespace {

bool has_prefix(const RecordRef& ref, const Bytes& prefix) {
  return ref.record->key_length >= prefix.size() &&
         std::memcmp(ref.record->bytes(), prefix.data(), prefix.size()) == 0;
}

Bytes key_of(const RecordRef& ref) { return Bytes(ref.record->bytes(), ref.record->bytes() + ref.record->key_length); }

Bytes data_of(const RecordRef& ref) { return Bytes(ref.record->data(), ref.record->data() + ref.record->data_length()); }

// Keep-lowest rule of the mark words: a stored 0 is no mark, so the new
// value goes in when there is none or when it is lower.
bool keeps_lower(uint32_t stored, uint32_t value) { return uint32_t(stored - 1) > uint32_t(value - 1); }

}  // namespace

TableRecords::TableRecords(FileObject& file, uint32_t table_number, const TableDeclaration& layout, bool oem)
    : file_(file), tree_(file), table_number_(table_number), layout_(layout), oem_(oem) {}

void TableRecords::insert_record(const Bytes& key, const Bytes& data, PositionHandle* near) {
  Bytes record = key;
  record.insert(record.end(), data.begin(), data.end());
  const uint16_t length = static_cast<uint16_t>(std::min<size_t>(record.size(), 0xFFFF));
  if (near)
    tree_.insert_near(*near, record.data(), length, static_cast<uint16_t>(key.size()));
  else
    tree_.insert(record.data(), length, static_cast<uint16_t>(key.size()));
}

void TableRecords::remove_record(const Bytes& key) { tree_.remove(key.data(), key.size()); }

// --- Data records ----------------------------------------------------------

void TableRecords::write_data_record(uint32_t record, const uint8_t* buffer) {
  const Bytes key = data_record_key(table_number_, record);
  if (tree_.find_exact(key.data(), key.size())) remove_record(key);
  insert_record(key, stored_record_image(layout_.fields, buffer, layout_.record_length, oem_), nullptr);
}

bool TableRecords::read_data_record(uint32_t record, uint8_t* buffer) {
  const Bytes key = data_record_key(table_number_, record);
  const RecordRef ref = tree_.find_exact(key.data(), key.size());
  if (!ref) return false;
  const size_t stored = std::min<size_t>(ref.record->data_length(), layout_.record_length);
  std::memcpy(buffer, ref.record->data(), stored);
  std::memset(buffer + stored, 0, layout_.record_length - stored);
  if (oem_) record_text_to_ansi(layout_.fields, buffer, layout_.record_length);
  return true;
}

bool TableRecords::delete_data_record(uint32_t record) {
  const Bytes key = data_record_key(table_number_, record);
  if (!tree_.find_exact(key.data(), key.size())) return false;
  remove_record(key);
  return true;
}

// --- Memos -------------------------------------------------------------------

std::optional<std::vector<Bytes>> TableRecords::chunks_of(const MemoDeclaration& memo, const Bytes& value) const {
  const bool convert = oem_ && !memo.is_binary();
  if (memo.is_blob()) return blob_chunks(value.data(), value.size(), convert);
  return memo_chunks(value.data(), value.size(), convert);
}

// The stored chunks of every memo of `record`, by memo number, in sequence
// order. Records under the record's memo prefix that are not memo chunks
// (a damaged file) are passed over.
std::map<uint8_t, std::vector<StoredChunk>> TableRecords::stored_chunks(uint32_t record) {
  std::map<uint8_t, std::vector<StoredChunk>> chunks;
  const Bytes prefix = memo_record_prefix(table_number_, record);
  for (RecordRef ref = tree_.find_first_after(prefix.data(), prefix.size()); ref && has_prefix(ref, prefix);) {
    const Bytes key = key_of(ref);
    const RecordKeyParts parts = decode_record_key(key);
    if (parts.kind == RecordKind::kMemo) chunks[parts.memo].push_back({parts.sequence, data_of(ref)});
    ref = tree_.find_first_after(key.data(), key.size(), &ref);
  }
  return chunks;
}

int TableRecords::write_memos(uint32_t record, const MemoValues& values, bool new_record) {
  int result = 0;
  std::map<uint8_t, std::vector<StoredChunk>> stored;
  if (!new_record) stored = stored_chunks(record);
  // A new record's chunks are the last of its memo range, each one right
  // after the previous: they go in next to it without a descent.
  PositionHandle appended(&file_);
  const size_t memos = std::min(values.size(), layout_.memos.size());
  for (size_t i = 0; i < memos; ++i) {
    const uint8_t memo = static_cast<uint8_t>(i);
    const std::optional<std::vector<Bytes>> fresh = chunks_of(layout_.memos[i], values[i]);
    if (!fresh) {
      result = error::kUnsupportedFunction;
      continue;
    }
    if (new_record) {
      for (size_t s = 0; s < fresh->size(); ++s)
        insert_record(memo_record_key(table_number_, record, memo, static_cast<uint16_t>(s)), (*fresh)[s], &appended);
      continue;
    }
    for (const ChunkEdit& edit : plan_chunk_edits(stored[memo], *fresh)) {
      const Bytes key = memo_record_key(table_number_, record, memo, edit.sequence);
      if (edit.action == ChunkEdit::Action::kDelete)
        remove_record(key);
      else
        insert_record(key, *edit.bytes, nullptr);
    }
  }
  return result;
}

int TableRecords::read_memos(uint32_t record, MemoValues& values) {
  int result = 0;
  std::map<uint8_t, std::vector<StoredChunk>> stored = stored_chunks(record);
  values.assign(layout_.memos.size(), Bytes());
  for (size_t i = 0; i < layout_.memos.size(); ++i) {
    const MemoDeclaration& memo = layout_.memos[i];
    std::vector<Bytes> chunks;
    for (StoredChunk& chunk : stored[static_cast<uint8_t>(i)]) chunks.push_back(std::move(chunk.bytes));
    const bool convert = oem_ && !memo.is_binary();
    if (!memo.is_blob()) {
      values[i] = memo_from_chunks(chunks, memo.size, convert);
    } else if (std::optional<Bytes> blob = blob_from_chunks(chunks, convert)) {
      values[i] = std::move(*blob);
    } else {
      result = error::kUnsupportedFunction;
    }
  }
  return result;
}

void TableRecords::delete_memos(uint32_t record) {
  std::vector<Bytes> keys;
  const Bytes prefix = memo_record_prefix(table_number_, record);
  for (RecordRef ref = tree_.find_first_after(prefix.data(), prefix.size()); ref && has_prefix(ref, prefix);) {
    keys.push_back(key_of(ref));
    ref = tree_.find_first_after(keys.back().data(), keys.back().size(), &ref);
  }
  for (const Bytes& key : keys) remove_record(key);
}

bool TableRecords::memos_changed(uint32_t record, const MemoValues& values) {
  MemoValues stored;
  if (read_memos(record, stored) != 0) return true;
  const size_t memos = std::min(values.size(), stored.size());
  for (size_t i = 0; i < memos; ++i)
    if (stored[i] != values[i]) return true;
  return false;
}

// --- Counters ----------------------------------------------------------------

PositionHandle& TableRecords::counter_handle(uint8_t index) {
  std::unique_ptr<PositionHandle>& handle = counter_handles_[index];
  if (!handle) {
    handle = std::make_unique<PositionHandle>(&file_);
    const Bytes key = counter_record_key(table_number_, index);
    handle->set_key(key.data(), key.size());
  }
  return *handle;
}

// The counter record through its handle; none when missing or not 8 bytes
// of data (a damaged file), which then counts as missing.
RecordRef TableRecords::find_counter(uint8_t index) {
  PositionHandle& handle = counter_handle(index);
  if (!handle.designates()) {
    const Bytes key = counter_record_key(table_number_, index);
    handle.set_key(key.data(), key.size());
  }
  RecordRef ref = tree_.reattach(handle);
  if (ref && ref.record->data_length() != kCounterDataLength) return {};
  return ref;
}

RecordRef TableRecords::find_or_create_counter(uint8_t index) {
  if (RecordRef ref = find_counter(index)) return ref;
  if (file_.reader_mode()) return {};
  const Bytes key = counter_record_key(table_number_, index);
  if (tree_.find_exact(key.data(), key.size())) return {};  // damaged: leave it alone
  insert_record(key, counter_record_data(0, 0), nullptr);
  return find_counter(index);
}

// Changes the counter's data in place; the page is marked dirty only when a
// byte changed. False when the record is missing.
bool TableRecords::change_counter(uint8_t index, const std::function<void(uint8_t* data)>& change) {
  const RecordRef ref = find_counter(index);
  if (!ref) return false;
  uint8_t data[kCounterDataLength];
  std::memcpy(data, ref.record->data(), kCounterDataLength);
  change(data);
  if (std::memcmp(data, ref.record->data(), kCounterDataLength) != 0) {
    std::memcpy(ref.record->data(), data, kCounterDataLength);
    tree_.replace_in_place(counter_handle(index));
  }
  return true;
}

uint32_t TableRecords::count(uint8_t index) {
  const RecordRef ref = find_counter(index);
  return ref ? load_u32le(ref.record->data()) : 0;
}

void TableRecords::add_count(uint8_t index, int32_t delta) {
  change_counter(index, [delta](uint8_t* data) { store_u32le(data, load_u32le(data) + uint32_t(delta)); });
}

void TableRecords::set_count(uint8_t index, uint32_t value) {
  find_or_create_counter(index);
  change_counter(index, [value](uint8_t* data) { store_u32le(data, value); });
}

uint32_t TableRecords::mark(uint8_t index) {
  const RecordRef ref = find_or_create_counter(index);
  return ref ? load_u32le(ref.record->data() + 4) : 0;
}

void TableRecords::set_mark(uint8_t index, uint32_t value, bool keep_lowest) {
  find_or_create_counter(index);
  change_counter(index, [value, keep_lowest](uint8_t* data) {
    if (!keep_lowest || keeps_lower(load_u32le(data + 4), value)) store_u32le(data + 4, value);
  });
}

bool TableRecords::add_table_count(int32_t delta) {
  return change_counter(kTableCounterIndex,
                        [delta](uint8_t* data) { store_u32le(data, load_u32le(data) + uint32_t(delta)); });
}

}  // namespace tps
