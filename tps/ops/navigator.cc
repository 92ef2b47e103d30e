// The navigator: SET and RESET place the cursor; NEXT, PREVIOUS, SKIP, EOF
// and BOF find the next entry from it.
//
// A position is a record number or a key entry (value and record number),
// never a page address, and every search looks for the first entry
// strictly beyond it. So entries other stations add beyond the position are
// met when reached, deleted ones are passed over, and no lock is held
// between two calls.
#include <algorithm>
#include <cstring>

#include "tps/base/bytes.h"
#include "tps/lock/numbered_locks.h"
#include "tps/ops/engine_locks.h"
#include "tps/ops/entry_search.h"
#include "tps/ops/operations.h"

namespace tps {

namespace {

enum class Work { kRead, kSkip, kTest };

constexpr uint32_t kForwardProbe = 0x00000000;
constexpr uint32_t kBackwardProbe = 0xFFFFFFFF;

// The mode a cursor takes after it moved to an entry.
int mode_after(int mode) {
  switch (mode) {
    case set_mode::kKeyPositioned:
    case set_mode::kFirstEntry:
    case set_mode::kExactEntry:
    case set_mode::kKeyValue:
    case set_mode::kRecordThenKey:
      return set_mode::kKeyPositioned;
    default:
      return set_mode::kRecordPositioned;
  }
}

uint32_t record_argument(int64_t n) { return n > int64_t(kBackwardProbe) ? kBackwardProbe : uint32_t(n); }

void set_probe_record(Cursor& cursor, uint32_t record) {
  store_u32be(cursor.probe.data() + cursor.probe.size() - kRecordNumberLength, record);
}

// Modes 4 and 7: the probe's value with record number 0 (forward) or the
// highest (backward); a key without DUP tries its exact entry first.
FoundEntry find_by_value(ControlBlock& cb, PageTree& tree, bool forward) {
  Cursor& cursor = cb.cursor;
  set_probe_record(cursor, forward ? kForwardProbe : kBackwardProbe);
  if (!cb.key(cursor.key).dup()) {
    FoundEntry exact = exact_key_entry(cb, tree, cursor.key, cursor.probe.data(), cursor.probe_key_length);
    if (exact.exists) return exact;
  }
  return key_entry_beside(cb, tree, cursor.key, cursor.probe.data(), cursor.probe.size(), forward);
}

// Mode 6: the entry with the probe's value and record number, else the
// next (previous) one.
FoundEntry find_exact_entry(ControlBlock& cb, PageTree& tree, bool forward) {
  Cursor& cursor = cb.cursor;
  FoundEntry exact = exact_key_entry(cb, tree, cursor.key, cursor.probe.data(), cursor.probe_key_length);
  const uint32_t wanted = load_u32be(cursor.probe.data() + cursor.probe.size() - kRecordNumberLength);
  if (exact.exists && exact.record == wanted) return exact;
  return key_entry_beside(cb, tree, cursor.key, cursor.probe.data(), cursor.probe.size(), forward);
}

FoundEntry find_entry(ControlBlock& cb, PageTree& tree, bool forward) {
  Cursor& cursor = cb.cursor;
  switch (cursor.mode) {
    case set_mode::kRecordPositioned:
      return data_record_beside(cb, tree, cursor.record, forward);
    case set_mode::kKeyPositioned:
      return key_entry_beside(cb, tree, cursor.key, cursor.probe.data(), cursor.probe_key_length, forward);
    case set_mode::kFirstRecord:
      return end_data_record(cb, tree, forward);
    case set_mode::kRecordNumber: {
      FoundEntry found = exact_data_record(cb, tree, cursor.record);
      if (!found.exists) found = data_record_beside(cb, tree, cursor.record, forward);
      if (!found.exists) found = end_data_record(cb, tree, false);
      return found;
    }
    case set_mode::kKeyThenRecords:
    case set_mode::kKeyValue:
      return find_by_value(cb, tree, forward);
    case set_mode::kFirstEntry:
      return end_key_entry(cb, tree, cursor.key, forward);
    case set_mode::kExactEntry:
      return find_exact_entry(cb, tree, forward);
    case set_mode::kRecordThenKey: {
      FoundEntry found = exact_data_record(cb, tree, cursor.record);
      if (!found.exists) found = end_key_entry(cb, tree, cursor.key, false);
      return found;
    }
    default:
      return {};
  }
}

// Moves the cursor onto the entry found. `record` holds the entry's record
// when the caller has it (a read's buffer); mode 8 builds its key entry
// from it.
void move_cursor(ControlBlock& cb, const FoundEntry& found, const uint8_t* record) {
  Cursor& cursor = cb.cursor;
  const int mode = cursor.mode;
  if (mode == set_mode::kKeyThenRecords) {
    cursor.key = -1;
    cursor.record = found.record;
  } else if (found.key_entry) {
    cursor.probe.swap(cb.found);
    cursor.probe_key_length = cb.found_key_length;
  } else if (mode == set_mode::kRecordThenKey) {
    if (!record) {
      // SKIP reads nothing: the value comes from the stored record, found
      // in this same view and so still there.
      if (!load_stored_record(cb, found.record, cb.stored_image.data()))
        std::fill(cb.stored_image.begin(), cb.stored_image.end(), uint8_t(0));
      record = cb.stored_image.data();
    }
    cursor.probe_key_length = build_key_record(cb, cursor.key, record, found.record, cursor.probe);
  } else {
    cursor.record = found.record;
  }
  cursor.mode = mode_after(mode);
}

// One step of the navigator. For kTest, `value` receives 1 when no entry
// was found.
int navigate(ControlBlock& cb, bool forward, Work work, uint32_t* value = nullptr) {
  if (cb.cursor.mode == set_mode::kNone) {
    cb.clear_requests();
    return error::kRecordNotAvailable;
  }
  for (;;) {
    PageTree tree(*cb.file);
    const FoundEntry found = find_entry(cb, tree, forward);
    if (work == Work::kTest) {
      *value = found.exists ? 0 : 1;
      return 0;
    }
    if (!found.exists) {
      cb.clear_requests();
      return error::kRecordNotAvailable;
    }
    if (work == Work::kSkip) {
      move_cursor(cb, found, nullptr);
      return 0;
    }
    const int read = read_record(cb, found.record);
    if (read == error::kRecordNotFound) {
      // The entry's record is gone (another station deleted it): stand on
      // the entry and look further the same way.
      move_cursor(cb, found, nullptr);
      continue;
    }
    if (read == error::kRecordAlreadyHeld) return read;
    if (read == error::kNone) move_cursor(cb, found, cb.buffer());
    cb.clear_requests();
    cb.table.status.record_read = read == error::kNone;
    return read;
  }
}

}  // namespace

int set_cursor(ControlBlock& cb, int operation, const DriverArguments& args) {
  Cursor& cursor = cb.cursor;
  const bool names_key = operation != op::kSetFile && operation != op::kSetFilePtr && operation != op::kResetFile;
  if (names_key && !cb.valid_key(args.key)) return error::kInvalidNumberOfParameters;
  const int key = names_key ? args.key : -1;
  switch (operation) {
    case op::kSetFile:
      cursor.mode = set_mode::kFirstRecord;
      break;
    case op::kSetFilePtr:
      cursor.mode = args.record <= 0 ? set_mode::kFirstRecord : set_mode::kRecordNumber;
      cursor.record = args.record <= 0 ? 0 : record_argument(args.record);
      break;
    case op::kResetFile:
      if (args.position.size() < kRecordNumberLength) return error::kInvalidNumberOfParameters;
      cursor.mode = set_mode::kRecordNumber;
      cursor.record = load_u32be(reinterpret_cast<const uint8_t*>(args.position.data()));
      break;
    case op::kSetFileKey:
    case op::kSetKeyKey:
      cursor.probe_key_length = build_key_record(cb, key, cb.buffer(), kForwardProbe, cursor.probe);
      cursor.mode = operation == op::kSetFileKey ? set_mode::kKeyThenRecords : set_mode::kKeyValue;
      break;
    case op::kSetKey:
      cursor.mode = set_mode::kFirstEntry;
      break;
    case op::kSetKeyKeyPtr:
      cursor.probe_key_length =
          build_key_record(cb, key, cb.buffer(), args.record <= 0 ? 0 : record_argument(args.record), cursor.probe);
      cursor.mode = set_mode::kExactEntry;
      break;
    case op::kResetKey: {
      const KeyDescriptor& descriptor = cb.key(key);
      if (args.position.size() != kRecordNumberLength + descriptor.value_length)
        return error::kInvalidNumberOfParameters;
      const auto* position = reinterpret_cast<const uint8_t*>(args.position.data());
      cursor.probe.resize(descriptor.record_length());
      store_u32be(cursor.probe.data(), cb.table_number);
      cursor.probe[4] = descriptor.number;
      std::memcpy(cursor.probe.data() + kKeyPrefixLength, position + kRecordNumberLength, descriptor.value_length);
      std::memcpy(cursor.probe.data() + cursor.probe.size() - kRecordNumberLength, position, kRecordNumberLength);
      cursor.probe_key_length = descriptor.key_part_length();
      cursor.mode = set_mode::kExactEntry;
      break;
    }
    case op::kSetKeyPtr:
      cursor.mode = args.record <= 0 ? set_mode::kFirstEntry : set_mode::kRecordThenKey;
      cursor.record = args.record <= 0 ? 0 : record_argument(args.record);
      break;
    default:
      return error::kUnsupportedFunction;
  }
  cursor.key = key;
  cb.last_set_key = key;
  return 0;
}

int read_next(ControlBlock& cb, bool forward) {
  // The hold's time limit runs from the start of the call.
  HoldDeadline deadline(cb.hold_seconds);
  for (;;) {
    const int result = navigate(cb, forward, Work::kRead);
    if (result != error::kRecordAlreadyHeld || deadline.over()) return result;
    // Only a THREAD table is this thread's alone: another thread may not
    // touch its control block meanwhile.
    if (cb.attributes & table_attr::kThread) let_other_calls_in();
  }
}

int skip_entries(ControlBlock& cb, int32_t count) {
  if (cb.cursor.mode == set_mode::kNone) return error::kRecordNotAvailable;
  const bool forward = count > 0;
  for (int64_t left = count < 0 ? -int64_t(count) : count; left > 0; --left) {
    if (navigate(cb, forward, Work::kSkip) != error::kNone) break;
  }
  return 0;
}

int test_end(ControlBlock& cb, bool forward, uint32_t& value) {
  return navigate(cb, forward, Work::kTest, &value);
}

}  // namespace tps
