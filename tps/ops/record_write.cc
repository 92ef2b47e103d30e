// ADD, APPEND, PUT, PUTfileptr and DELETE: every write keeps the table's
// keys, count and memos in step with its data record.
#include <cstring>

#include "tps/base/bytes.h"
#include "tps/key/key_maintenance.h"
#include "tps/lock/numbered_locks.h"
#include "tps/ops/memo_reader.h"
#include "tps/ops/operations.h"
#include "tps/table/record_keys.h"
#include "tps/table/table_catalog.h"

namespace tps {

namespace {

TableKeys keys_of(ControlBlock& cb, PageTree& tree) {
  return TableKeys{tree, *cb.records, cb.table_number, cb.keys, cb.collation()};
}

// A table opened read-only refuses every write before anything is changed.
bool opened_for_writing(const ControlBlock& cb) {
  return (cb.access_mode & access_mode::kAccessBits) == access_mode::kReadWrite;
}

// True when a stored text memo differs from the copy taken when the record
// was read under WATCH.
bool memos_changed_since_watch(ControlBlock& cb, uint32_t record) {
  if (cb.layout.memos.empty()) return false;
  if (read_memos(cb, record, cb.stored_memos, true) != 0) return true;
  for (size_t i = 0; i < cb.layout.memos.size(); ++i) {
    if (cb.layout.memos[i].is_blob()) continue;
    if (i >= cb.watched_memos.size() || cb.stored_memos[i] != cb.watched_memos[i]) return true;
  }
  return false;
}

// Gives back the record lock a PUT or DELETE took or found held.
void release_after_write(ControlBlock& cb, uint32_t record) {
  release_record(*cb.file, record);
  if (cb.held && cb.held_record == record && cb.file->locks().number_nesting(record) == 0) {
    cb.held = false;
    cb.held_record = 0;
  }
}

// PUT's steps 4 to 8, with the record's lock held.
int put_locked(ControlBlock& cb, uint32_t record) {
  const size_t length = cb.record_length();
  if (!load_stored_record(cb, record, cb.stored_image.data())) return error::kRecordNotAvailable;
  if (cb.watched && (std::memcmp(cb.stored_image.data(), cb.saved.data(), length) != 0 ||
                     memos_changed_since_watch(cb, record)))
    return error::kRecordChangedByAnotherStation;

  int result = error::kNone;
  if (std::memcmp(cb.buffer(), cb.stored_image.data(), length) != 0) {
    PageTree tree(*cb.file);
    if (int duplicate = maintain_keys(keys_of(cb, tree), cb.buffer(), cb.stored_image.data(), record, false))
      return duplicate;
    std::memcpy(cb.saved.data(), cb.buffer(), length);
    cb.records->write_data_record(record, cb.buffer());
  }
  if (!cb.memos_not_loaded) result = cb.records->write_memos(record, cb.table.memos, false);
  // Committed before the lock goes: a station that holds the record next
  // must read this change.
  const int committed = end_of_operation(cb);
  return result != error::kNone ? result : committed;
}

// DELETE's steps 3 to 6, with the record's lock held.
int delete_locked(ControlBlock& cb, uint32_t record) {
  if (!load_stored_record(cb, record, cb.saved.data())) return error::kRecordNotAvailable;
  cb.records->delete_data_record(record);
  PageTree tree(*cb.file);
  maintain_keys(keys_of(cb, tree), nullptr, cb.saved.data(), record, false);
  cb.records->add_table_count(-1);
  cb.records->delete_memos(record);
  return end_of_operation(cb);
}

}  // namespace

int add_record(ControlBlock& cb, bool append) {
  if (!opened_for_writing(cb)) return error::kAccessDenied;
  FileObject& file = *cb.file;
  file.switch_to_update_mode();
  // Drawn first and never given back: a failed write burns the number.
  const uint32_t record = load_u32be(file.next_number().data());
  PageTree tree(file);
  if (int duplicate = maintain_keys(keys_of(cb, tree), cb.buffer(), nullptr, record, append)) return duplicate;

  cb.forget_current_record();
  std::memcpy(cb.saved.data(), cb.buffer(), cb.record_length());
  cb.records->write_data_record(record, cb.buffer());
  cb.current = record;
  if (!cb.records->add_table_count(1)) {
    // Another station removed the table meanwhile: leave nothing of it behind.
    delete_table_records(file, cb.table_number);
    cb.current = 0;
    return error::kAccessDenied;
  }
  return cb.records->write_memos(record, cb.table.memos, true);
}

int put_record(ControlBlock& cb) {
  if (!opened_for_writing(cb)) return error::kAccessDenied;
  cb.file->switch_to_update_mode();
  if (cb.current == 0) return error::kRecordNotAvailable;
  const uint32_t record = cb.current;
  if (!(cb.held && cb.held_record == record) && lock_record_for_put(*cb.file, record) != 0)
    return error::kAccessDenied;
  const int result = put_locked(cb, record);
  release_after_write(cb, record);
  cb.watched = false;
  return result;
}

int put_record_at(ControlBlock& cb, int64_t record) {
  cb.forget_current_record();
  cb.current = record > 0 && record < int64_t(kHighestProbe) ? uint32_t(record) : 0;
  return put_record(cb);
}

int delete_record(ControlBlock& cb) {
  if (!opened_for_writing(cb)) return error::kAccessDenied;
  cb.file->switch_to_update_mode();
  if (cb.current == 0) return error::kRecordNotAvailable;
  const uint32_t record = cb.current;
  if (!(cb.held && cb.held_record == record) && lock_record_for_delete(*cb.file, record) != 0)
    return error::kRecordNotAvailable;
  const int result = delete_locked(cb, record);
  release_after_write(cb, record);
  cb.forget_current_record();
  cb.table.status.record_read = false;
  return result;
}

}  // namespace tps
