// Reading the record behind an entry into the program's buffers, and the
// GET and REGET operations built on it.
#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/text/code_pages.h"
#include "tps/base/bytes.h"
#include "tps/lock/numbered_locks.h"
#include "tps/ops/engine_locks.h"
#include "tps/ops/entry_search.h"
#include "tps/ops/memo_reader.h"
#include "tps/ops/operations.h"
#include "tps/table/record_keys.h"
#include "tps/table/record_text.h"

namespace tps {

namespace {

// Runs a read again while it finds the record held by another station and
// the hold's time limit, counted from the start of the call, is not over.
template <typename Read>
int with_hold_retries(ControlBlock& cb, Read read) {
  HoldDeadline deadline(cb.hold_seconds);
  int result;
  for (;;) {
    result = read();
    if (result != error::kRecordAlreadyHeld || deadline.over()) break;
    // Only a THREAD table is this thread's alone: another thread may not
    // touch its control block meanwhile.
    if (cb.attributes & table_attr::kThread) let_other_calls_in();
  }
  if (result != error::kRecordAlreadyHeld) {
    cb.clear_requests();
    cb.table.status.record_read = result == error::kNone;
  }
  return result;
}

// Keeps a copy of the text memos as read, for PUT's comparison.
void keep_watched_memos(ControlBlock& cb, const std::vector<Bytes>& memos) {
  cb.watched_memos.resize(cb.layout.memos.size());
  for (size_t i = 0; i < cb.layout.memos.size(); ++i) {
    if (cb.layout.memos[i].is_blob()) continue;
    cb.watched_memos[i].assign(memos[i].begin(), memos[i].end());
  }
}

const uint8_t* position_bytes(std::string_view position) {
  return reinterpret_cast<const uint8_t*>(position.data());
}

}  // namespace

bool load_stored_record(ControlBlock& cb, uint32_t record, uint8_t* out) {
  uint8_t key[kDataKeyLength];
  store_u32be(key, cb.table_number);
  key[4] = record_type::kData;
  store_u32be(key + 5, record);
  PageTree tree(*cb.file);
  const RecordRef ref = tree.find_exact(key, sizeof key, cb.data_hint);
  if (!ref) return false;
  const size_t length = cb.record_length();
  // A stored record of another length (a damaged or foreign file) fills
  // what it has; the rest reads as zeros.
  const size_t stored = std::min(ref.record->data_length(), length);
  std::memcpy(out, ref.record->data(), stored);
  std::memset(out + stored, 0, length - stored);
  if (cb.oem) record_text_to_ansi(cb.layout.fields, out, length);
  return true;
}

int read_record(ControlBlock& cb, uint32_t record) {
  cb.forget_current_record();
  {
    PageTree tree(*cb.file);
    if (!exact_data_record(cb, tree, record).exists) return error::kRecordNotFound;
  }
  if (cb.hold_requested) {
    if (int refused = hold_record(*cb.file, record)) return refused;
    cb.held = true;
    cb.held_record = record;
  }
  load_stored_record(cb, record, cb.buffer());
  std::memcpy(cb.saved.data(), cb.buffer(), cb.record_length());
  cb.current = record;
  cb.watched = cb.watch_requested;

  if (cb.nomemo_requested) {
    cb.memos_not_loaded = true;
    if (!cb.watched) return error::kNone;
    // The buffers keep what they hold; the comparison still needs the
    // stored text memos as they are now.
    int result = read_memos(cb, record, cb.stored_memos, true);
    keep_watched_memos(cb, cb.stored_memos);
    return result;
  }
  int result = read_memos(cb, record, cb.table.memos, false);
  if (cb.watched) keep_watched_memos(cb, cb.table.memos);
  return result;
}

int get_by_key(ControlBlock& cb, int key) {
  if (!cb.valid_key(key)) return error::kInvalidNumberOfParameters;
  return with_hold_retries(cb, [&] {
    build_key_record(cb, key, cb.buffer(), kLowestProbe, cb.lookup_probe);
    PageTree tree(*cb.file);
    const FoundEntry found = entry_by_value(cb, tree, key, cb.lookup_probe);
    if (!found.exists) {
      cb.forget_current_record();
      return error::kRecordNotFound;
    }
    return read_record(cb, found.record);
  });
}

int get_by_number(ControlBlock& cb, int64_t record) {
  return with_hold_retries(cb, [&] {
    if (record <= 0 || record >= int64_t(kHighestProbe)) {
      cb.forget_current_record();
      return error::kRecordNotFound;
    }
    return read_record(cb, uint32_t(record));
  });
}

int reget_file(ControlBlock& cb, std::string_view position) {
  if (position.size() < kRecordNumberLength) return error::kInvalidNumberOfParameters;
  return get_by_number(cb, load_u32be(position_bytes(position)));
}

int reget_key(ControlBlock& cb, int key, std::string_view position) {
  if (!cb.valid_key(key)) return error::kInvalidNumberOfParameters;
  const KeyDescriptor& descriptor = cb.key(key);
  if (position.size() != kRecordNumberLength + descriptor.value_length) return error::kInvalidNumberOfParameters;
  const uint32_t record = load_u32be(position_bytes(position));
  return with_hold_retries(cb, [&] {
    Bytes& probe = cb.lookup_probe;
    probe.resize(descriptor.record_length());
    store_u32be(probe.data(), cb.table_number);
    probe[4] = descriptor.number;
    std::memcpy(probe.data() + kKeyPrefixLength, position_bytes(position) + kRecordNumberLength,
                descriptor.value_length);
    store_u32be(probe.data() + probe.size() - kRecordNumberLength, record);
    PageTree tree(*cb.file);
    const FoundEntry found = exact_key_entry(cb, tree, key, probe.data(), descriptor.key_part_length());
    // The entry counts only when it is the position's own record.
    if (!found.exists || found.record != record) {
      cb.forget_current_record();
      return error::kRecordNotFound;
    }
    return read_record(cb, record);
  });
}

}  // namespace tps
